#include "TBMessageQueue.h"

#include "TBDocument.h"

#include <QApplication>
#include <QClipboard>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace {

// Ctrl+C that reaches the sheet itself (the focus is on its button, or on a label without a
// selection) copies the whole message; a label with a selection copies that and keeps the key.
class TBCopyWholeMessage : public QObject
{
public:
    TBCopyWholeMessage(QString message, QObject* parent)
        : QObject(parent)
        , m_message(std::move(message))
    { }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
            QGuiApplication::clipboard()->setText(m_message);
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QString m_message;
};

} // namespace

TBMessageQueue::TBMessageQueue(QWidget* window)
    : QObject(window)
    , m_window(window)
{ }

void TBMessageQueue::displayMessageText(const QString& text, const QString& title)
{
    const bool hasText = !text.isEmpty();
    const bool hasTitle = !title.isEmpty();
    if (!hasText && !hasTitle) {
        QApplication::beep();
        return;
    }
    if (m_messageSheet) {
        m_waitingMessages.append({text, title});
        return;
    }
    auto* sheet = new QMessageBox(m_window);
    sheet->setWindowModality(Qt::WindowModal);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->setWindowTitle(hasTitle ? title : TBDocument::defaultDraftName());
    // Without a picture (no icon plugin) the text starts at the left edge, not after an empty band.
    const QPixmap icon = TBDocument::applicationIcon().pixmap(48, 48);
    if (!icon.isNull())
        sheet->setIconPixmap(icon);
    // The heading in bold; the texts come from tools and servers, so they are never read as markup.
    const auto heading = [](const QString& line) { return QStringLiteral("<b>%1</b>").arg(line.toHtmlEscaped()); };
    if (hasText && hasTitle) {
        sheet->setObjectName(QStringLiteral("message1Sheet"));
        sheet->setTextFormat(Qt::RichText);
        sheet->setText(heading(title));
        sheet->setInformativeText(text);
    } else if (hasText) {
        sheet->setObjectName(QStringLiteral("message2Sheet"));
        sheet->setTextFormat(Qt::PlainText);
        sheet->setText(text);
    } else {
        sheet->setObjectName(QStringLiteral("message3Sheet"));
        sheet->setTextFormat(Qt::RichText);
        sheet->setText(heading(title));
    }
    sheet->setProperty("messageTitle", title);
    sheet->setProperty("messageText", text);
    auto* informative = sheet->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
    if (informative)
        informative->setTextFormat(Qt::PlainText);
    // Wide enough that a sentence of advice does not become a narrow column.
    if (auto* grid = qobject_cast<QGridLayout*>(sheet->layout()))
        grid->addItem(new QSpacerItem(420, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), grid->rowCount(), 0, 1,
                      grid->columnCount());
    // Long texts (a tool's answer, an error) stay selectable for copying, the text below the
    // heading too; Ctrl+C copies the selection, or the whole message when nothing is selected.
    sheet->setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (informative)
        informative->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QStringList whole;
    for (const QString& part : {title, text}) {
        if (!part.isEmpty())
            whole.append(part);
    }
    sheet->installEventFilter(new TBCopyWholeMessage(whole.join(QLatin1Char('\n')), sheet));
    QPushButton* ok = sheet->addButton(QMessageBox::Ok);
    ok->setObjectName(QStringLiteral("messageSheetOK"));
    m_messageSheet = sheet;
    connect(sheet, &QMessageBox::finished, this, [this, sheet] {
        if (m_messageSheet == sheet)
            m_messageSheet = nullptr;
        Q_EMIT messageSheetEnded();
        if (!m_waitingMessages.isEmpty()) {
            const auto [text, title] = m_waitingMessages.takeFirst();
            // After the closing sheet has gone, or the new one would open under it.
            QTimer::singleShot(0, this, [this, text, title] { displayMessageText(text, title); });
        }
    });
    sheet->open();
}

QMessageBox* TBMessageQueue::messageSheet() const
{
    return m_messageSheet;
}

void TBMessageQueue::setTheDeferredMessage(const QString& text, const QString& title)
{
    m_deferredMessageText = text;
    m_deferredMessageTitle = title;
}

void TBMessageQueue::displayTheDeferredMessage()
{
    if (m_deferredMessageText.isEmpty() && m_deferredMessageTitle.isEmpty())
        return;
    const QString text = std::exchange(m_deferredMessageText, QString());
    const QString title = std::exchange(m_deferredMessageTitle, QString());
    displayMessageText(text, title);
}
