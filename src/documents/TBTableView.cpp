#include "TBTableView.h"

#include <QDrag>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMimeData>

#include <algorithm>

namespace {

// The key pressed, as a key sequence without the Alt modifier, which only changes what a
// command does (Alt-copy adds the header line), not which command it is.
bool matchesIgnoringAlt(const QKeyEvent* event, QKeySequence::StandardKey key)
{
    const QKeyCombination pressed(event->modifiers() & ~(Qt::AltModifier | Qt::KeypadModifier), Qt::Key(event->key()));
    const QList<QKeySequence> bindings = QKeySequence::keyBindings(key);
    return std::any_of(bindings.cbegin(), bindings.cend(),
                       [&](const QKeySequence& binding) { return binding == QKeySequence(pressed); });
}

} // namespace

TBTableView::TBTableView(QWidget* parent)
    : QTableView(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked);
    setShowGrid(false);
    setAlternatingRowColors(true);
    setWordWrap(false);
    setTabKeyNavigation(false);
    // Compact rows of one height: a hundred thousand of them need no per-row sizing.
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setHighlightSections(false);
}

QList<int> TBTableView::selectedRows() const
{
    QList<int> rows;
    if (!selectionModel())
        return rows;
    const QModelIndexList indexes = selectionModel()->selectedRows();
    rows.reserve(indexes.size());
    for (const QModelIndex& index : indexes)
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

bool TBTableView::hasSelection() const
{
    return selectionModel() && selectionModel()->hasSelection();
}

int TBTableView::numberOfRows() const
{
    return model() ? model()->rowCount(rootIndex()) : 0;
}

Qt::KeyboardModifiers TBTableView::eventModifiers() const
{
    return m_inEvent ? m_eventModifiers : QGuiApplication::queryKeyboardModifiers();
}

bool TBTableView::answers(TBTableViewDelegate::Hook hook) const
{
    return m_delegate && m_delegate->tableViewHooks().testFlag(hook);
}

bool TBTableView::canCut() const
{
    return answers(TBTableViewDelegate::CutRows) && hasSelection();
}

bool TBTableView::canCopy() const
{
    return answers(TBTableViewDelegate::CopyRows) && hasSelection();
}

bool TBTableView::canPaste() const
{
    return answers(TBTableViewDelegate::PasteRows);
}

bool TBTableView::canDelete() const
{
    return answers(TBTableViewDelegate::DeleteRows) && hasSelection();
}

bool TBTableView::canSelectAll() const
{
    return numberOfRows() > 0;
}

bool TBTableView::canSelectNone() const
{
    return hasSelection();
}

void TBTableView::cut()
{
    if (canCut())
        m_delegate->cutSelectedRowsInTableView(this);
}

void TBTableView::copy()
{
    if (canCopy())
        m_delegate->copySelectedRowsInTableView(this);
}

void TBTableView::paste()
{
    if (canPaste())
        m_delegate->pasteSelectedRowsInTableView(this);
}

void TBTableView::del()
{
    if (canDelete())
        m_delegate->deleteSelectedRowsInTableView(this);
}

void TBTableView::selectAll()
{
    if (canSelectAll())
        QTableView::selectAll();
}

void TBTableView::selectNone()
{
    if (canSelectNone())
        clearSelection();
}

void TBTableView::keyPressEvent(QKeyEvent* event)
{
    // An open cell editor gets its keys before they reach here; these are keys for the table.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && answers(TBTableViewDelegate::EnterKey) && m_delegate->tableViewHandlesEnterKey(this, event)) {
        event->accept();
        return;
    }

    void (TBTableView::*command)() = nullptr;
    if (matchesIgnoringAlt(event, QKeySequence::Copy))
        command = &TBTableView::copy;
    else if (matchesIgnoringAlt(event, QKeySequence::Cut))
        command = &TBTableView::cut;
    else if (matchesIgnoringAlt(event, QKeySequence::Paste))
        command = &TBTableView::paste;
    else if (event->matches(QKeySequence::Delete) || event->key() == Qt::Key_Backspace)
        command = &TBTableView::del;
    else if (event->matches(QKeySequence::SelectAll))
        command = &TBTableView::selectAll;
    else if (event->matches(QKeySequence::Deselect))
        command = &TBTableView::selectNone;
    if (!command) {
        QTableView::keyPressEvent(event);
        return;
    }
    m_eventModifiers = event->modifiers();
    m_inEvent = true;
    (this->*command)();
    m_inEvent = false;
    event->accept();
}

void TBTableView::startDrag(Qt::DropActions supportedActions)
{
    const QList<int> rows = selectedRows();
    if (rows.isEmpty() || !model())
        return;
    QPixmap image;
    if (answers(TBTableViewDelegate::DragImage))
        image = m_delegate->dragImageForTableView(this, rows);
    if (image.isNull()) {
        QTableView::startDrag(supportedActions);
        return;
    }
    QModelIndexList indexes;
    indexes.reserve(rows.size());
    for (int row : rows)
        indexes.append(model()->index(row, 0, rootIndex()));
    QMimeData* data = model()->mimeData(indexes);
    if (!data)
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->setPixmap(image);
    drag->exec(supportedActions, Qt::CopyAction);
}
