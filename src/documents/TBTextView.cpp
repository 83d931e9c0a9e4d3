#include "TBTextView.h"

#include "TBTextObjectHandler.h"

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

namespace {

// Cuts a byte slice at a line end when there is one, else at a UTF-8 character boundary.
qsizetype sliceEnd(const QByteArray& bytes, qsizetype offset)
{
    const qsizetype limit = offset + TBTextView::sliceSize;
    if (limit >= bytes.size())
        return bytes.size();
    const qsizetype newline = bytes.lastIndexOf('\n', limit - 1);
    if (newline >= offset)
        return newline + 1;
    qsizetype end = limit;
    while (end > offset && (static_cast<unsigned char>(bytes.at(end)) & 0xC0) == 0x80)
        --end;
    return end > offset ? end : limit;
}

qsizetype sliceEnd(const QString& text, qsizetype offset)
{
    const qsizetype limit = offset + TBTextView::sliceSize;
    if (limit >= text.size())
        return text.size();
    const qsizetype newline = text.lastIndexOf(QLatin1Char('\n'), limit - 1);
    if (newline >= offset)
        return newline + 1;
    return text.at(limit).isLowSurrogate() ? limit - 1 : limit;
}

} // namespace

QString TBTextView::separatorText()
{
    return QString(40, QLatin1Char('-'));
}

TBTextView::TBTextView(QWidget* parent)
    : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    TBTextObjectHandler::install(document());
    m_pendingTimer.setSingleShot(true);
    m_pendingTimer.setInterval(0);
    connect(&m_pendingTimer, &QTimer::timeout, this, [this] { processPending(false); });
}

void TBTextView::appendText(const QString& text, const QTextCharFormat& format)
{
    if (text.isEmpty())
        return;
    Pending item;
    item.text = text;
    item.format = format;
    enqueue(std::move(item));
}

void TBTextView::appendUtf8(const QByteArray& data, const QTextCharFormat& format)
{
    if (data.isEmpty())
        return;
    Pending item;
    item.bytes = data;
    item.isBytes = true;
    item.format = format;
    enqueue(std::move(item));
}

void TBTextView::appendHorizontalLine()
{
    Pending item;
    item.isLine = true;
    enqueue(std::move(item));
}

void TBTextView::enqueue(Pending&& item)
{
    const qsizetype size = item.isBytes ? item.bytes.size() : item.text.size();
    if (m_pending.isEmpty() && size <= directAppendLimit) {
        m_pending.append(std::move(item));
        processPending(true);
        return;
    }
    m_pending.append(std::move(item));
    if (!m_pendingTimer.isActive())
        m_pendingTimer.start();
}

void TBTextView::processPending(bool all)
{
    if (m_pending.isEmpty())
        return;
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    const int firstBlock = cursor.blockNumber();
    qsizetype budget = sliceSize;
    while (!m_pending.isEmpty() && (all || budget > 0)) {
        Pending& item = m_pending.first();
        if (item.isLine) {
            cursor.insertText(QString(QChar::ObjectReplacementCharacter), TBTextObjectHandler::separatorFormat());
            cursor.insertBlock();
            m_linesInLastBlock = 0;
            m_pending.removeFirst();
            continue;
        }
        const qsizetype size = item.isBytes ? item.bytes.size() : item.text.size();
        const qsizetype end = item.isBytes ? sliceEnd(item.bytes, item.offset) : sliceEnd(item.text, item.offset);
        QString piece;
        if (item.isBytes)
            piece = QString::fromUtf8(QByteArrayView(item.bytes).sliced(item.offset, end - item.offset));
        else if (item.offset == 0 && end == size)
            piece = item.text;
        else
            piece = item.text.sliced(item.offset, end - item.offset);
        insertGrouped(piece, item.format);
        budget -= end - item.offset;
        item.offset = end;
        if (item.offset >= size)
            m_pending.removeFirst();
    }
    QTextBlock from = document()->findBlockByNumber(firstBlock);
    from.setUserState(-1); // it may have grown
    updateLineEstimates(from);
    if (!m_pending.isEmpty())
        m_pendingTimer.start();
}

void TBTextView::insertGrouped(const QString& text, const QTextCharFormat& format)
{
    // A block per line costs the text system dearly with a million lines; line separators keep
    // the lines apart at a fraction of the cost, and read back as line feeds. A carriage return
    // and line feed pair is one line end.
    QString grouped(text.size(), Qt::Uninitialized);
    QChar* out = grouped.data();
    const QChar* in = text.constData();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        char16_t c = in[i].unicode();
        if (c == u'\r') {
            if (i + 1 < n && in[i + 1] == QLatin1Char('\n'))
                continue;
            c = u'\n';
        }
        if (c == u'\n') {
            if (++m_linesInLastBlock < linesPerBlock)
                c = QChar::LineSeparator;
            else
                m_linesInLastBlock = 0;
        } else if (c == QChar::ParagraphSeparator) {
            m_linesInLastBlock = 0;
        }
        *out++ = QChar(c);
    }
    grouped.truncate(out - grouped.constData());
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(grouped, format);
}

void TBTextView::updateLineEstimates(QTextBlock from)
{
    // The plain-text layout counts a block it has not laid out yet as one line, which would make
    // the scroll bar far too short; give each such block the number of lines it holds.
    for (QTextBlock block = from; block.isValid(); block = block.next()) {
        if (block.userState() < 0)
            block.setUserState(int(block.text().count(QChar::LineSeparator)) + 1);
        if (block.layout() && block.layout()->lineCount() == 0 && block.isVisible())
            block.setLineCount(block.userState());
    }
    notifySizeChanged();
}

void TBTextView::notifySizeChanged()
{
    QAbstractTextDocumentLayout* layout = document()->documentLayout();
    Q_EMIT layout->documentSizeChanged(layout->documentSize());
}

void TBTextView::textInserted()
{
    for (QTextBlock block = document()->firstBlock(); block.isValid(); block = block.next())
        block.setUserState(-1);
    updateLineEstimates(document()->firstBlock());
}

void TBTextView::clearText()
{
    m_pending.clear();
    m_pendingTimer.stop();
    m_linesInLastBlock = 0;
    document()->clear();
}

void TBTextView::flushPendingText()
{
    m_pendingTimer.stop();
    processPending(true);
}

void TBTextView::scrollToEnd()
{
    flushPendingText();
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

bool TBTextView::isEmpty() const
{
    return m_pending.isEmpty() && document()->isEmpty();
}

QString TBTextView::plainText()
{
    flushPendingText();
    QTextCursor all(document());
    all.select(QTextCursor::Document);
    return plainTextOfRange(all);
}

QString TBTextView::plainTextOfRange(const QTextCursor& range)
{
    QString result;
    if (!range.hasSelection())
        return result;
    const int start = range.selectionStart();
    const int end = range.selectionEnd();
    QTextDocument* document = range.document();
    for (QTextBlock block = document->findBlock(start); block.isValid() && block.position() <= end;
         block = block.next()) {
        if (block.position() > start)
            result += QLatin1Char('\n');
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int fragmentStart = fragment.position();
            const int fragmentEnd = fragmentStart + fragment.length();
            if (fragmentEnd <= start || fragmentStart >= end)
                continue;
            const QTextCharFormat format = fragment.charFormat();
            if (TBTextObjectHandler::isSeparator(format)) {
                result += separatorText();
                continue;
            }
            if (format.isImageFormat())
                continue;
            const int from = qMax(start, fragmentStart) - fragmentStart;
            const int to = qMin(end, fragmentEnd) - fragmentStart;
            QString text = fragment.text().mid(from, to - from);
            text.replace(QChar::LineSeparator, QLatin1Char('\n'));
            text.replace(QChar::Nbsp, QLatin1Char(' '));
            result += text;
        }
    }
    return result;
}

QTextCursor TBTextView::endCursor()
{
    flushPendingText();
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    return cursor;
}

bool TBTextView::findText(const QString& text, bool backwards)
{
    flushPendingText();
    if (text.isEmpty())
        return false;
    const QTextDocument::FindFlags flags = backwards ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    QTextCursor found = document()->find(text, textCursor(), flags);
    if (found.isNull()) {
        QTextCursor wrap(document());
        if (backwards)
            wrap.movePosition(QTextCursor::End);
        found = document()->find(text, wrap, flags);
    }
    if (found.isNull())
        return false;
    setTextCursor(found);
    ensureCursorVisible();
    return true;
}

void TBTextView::cut()
{
    if (!canCut())
        return;
    QGuiApplication::clipboard()->setMimeData(createMimeDataFromSelection());
    del();
}

void TBTextView::del()
{
    QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        return;
    const int block = document()->findBlock(cursor.selectionStart()).blockNumber();
    cursor.removeSelectedText();
    setTextCursor(cursor);
    QTextBlock from = document()->findBlockByNumber(block);
    for (QTextBlock b = from; b.isValid(); b = b.next())
        b.setUserState(-1);
    updateLineEstimates(from);
}

void TBTextView::selectAll()
{
    flushPendingText();
    QPlainTextEdit::selectAll();
}

void TBTextView::keyPressEvent(QKeyEvent* event)
{
    const QString text = event->text();
    const bool deleteKey = event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete
        || (!text.isEmpty() && (text.at(0) == QChar(0x7F) || text.at(0) == QChar(0x08)));
    if (deleteKey && event->modifiers() == Qt::NoModifier) {
        del();
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::Cut)) {
        cut();
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::SelectAll))
        flushPendingText();
    if (event->matches(QKeySequence::Find)) {
        Q_EMIT findRequested();
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TBTextView::resizeEvent(QResizeEvent* event)
{
    QPlainTextEdit::resizeEvent(event);
    // A new width (of the pane, or of its viewport when a scroll bar comes or goes) makes the
    // layout forget every block's line count.
    if (event->oldSize().width() != event->size().width())
        updateLineEstimates(document()->firstBlock());
}

QMimeData* TBTextView::createMimeDataFromSelection() const
{
    auto* data = new QMimeData;
    data->setText(plainTextOfRange(textCursor()));
    return data;
}

QMenu* TBTextView::createContextMenu(const QPoint&)
{
    auto* menu = new QMenu(this);
    QAction* cutAction = menu->addAction(tr("Cut"), this, &TBTextView::cut);
    cutAction->setEnabled(canCut());
    QAction* copyAction = menu->addAction(tr("Copy"), this, &TBTextView::copy);
    copyAction->setEnabled(canCopy());
    QAction* deleteAction = menu->addAction(tr("Delete"), this, &TBTextView::del);
    deleteAction->setEnabled(canDelete());
    menu->addSeparator();
    QAction* selectAllAction = menu->addAction(tr("Select All"), this, &TBTextView::selectAll);
    selectAllAction->setEnabled(canSelectAll());
    menu->addSeparator();
    menu->addAction(tr("Find…"), this, &TBTextView::findRequested);
    return menu;
}

void TBTextView::contextMenuEvent(QContextMenuEvent* event)
{
    QPointer<QMenu> menu = createContextMenu(event->pos());
    menu->exec(event->globalPos());
    delete menu.data();
}
