#include "TBOutlineView.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QStyledItemDelegate>

namespace {

// A row that cannot be selected ("n/a", the no-directory row) never shows the focus frame: it
// would look like a choice the user cannot make.
class TBOutlineItemDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem shown(option);
        if (!(index.flags() & Qt::ItemIsSelectable))
            shown.state &= ~QStyle::State_HasFocus;
        QStyledItemDelegate::paint(painter, shown, index);
    }
};

} // namespace

TBOutlineView::TBOutlineView(QWidget* parent)
    : QTreeView(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformRowHeights(true); // cheap layout of a container with thousands of children
    setHeaderHidden(true);
    setWordWrap(false);
    setItemDelegate(new TBOutlineItemDelegate(this));
    // An expansion the delegate refuses is undone at once, before anything is painted.
    connect(this, &QTreeView::expanded, this, &TBOutlineView::itemExpanded);
}

void TBOutlineView::setModel(QAbstractItemModel* model)
{
    QTreeView::setModel(model);
    if (selectionModel()) {
        connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
            if (m_delegate)
                m_delegate->outlineViewSelectionDidChange(this);
        });
    }
}

void TBOutlineView::itemExpanded(const QModelIndex& index)
{
    if (m_delegate && !m_delegate->outlineViewShouldExpandItem(this, index))
        collapse(index);
}

QItemSelectionModel::SelectionFlags TBOutlineView::selectionCommand(const QModelIndex& index, const QEvent* event) const
{
    if (index.isValid() && m_delegate
        && !m_delegate->outlineViewShouldSelectItem(const_cast<TBOutlineView*>(this), index))
        return QItemSelectionModel::NoUpdate;
    return QTreeView::selectionCommand(index, event);
}

QModelIndex TBOutlineView::selectedIndex() const
{
    if (!selectionModel())
        return {};
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? QModelIndex() : rows.first();
}

int TBOutlineView::numberOfSelectedRows() const
{
    return selectionModel() ? int(selectionModel()->selectedRows().size()) : 0;
}

int TBOutlineView::rowHeight() const
{
    if (model() && model()->rowCount() > 0) {
        const int height = QTreeView::rowHeight(model()->index(0, 0));
        if (height > 0)
            return height;
    }
    return fontMetrics().height() + 4;
}

bool TBOutlineView::answers(TBOutlineViewDelegate::Hook hook) const
{
    return m_delegate && m_delegate->outlineViewHooks().testFlag(hook);
}

bool TBOutlineView::canCut() const
{
    return answers(TBOutlineViewDelegate::CutRows) && numberOfSelectedRows() > 0;
}

bool TBOutlineView::canCopy() const
{
    return answers(TBOutlineViewDelegate::CopyRows) && numberOfSelectedRows() > 0;
}

bool TBOutlineView::canPaste() const
{
    return answers(TBOutlineViewDelegate::PasteRows);
}

bool TBOutlineView::canDelete() const
{
    return answers(TBOutlineViewDelegate::DeleteRows) && numberOfSelectedRows() > 0;
}

bool TBOutlineView::canSelectAll() const
{
    return model() && model()->rowCount(rootIndex()) > 0;
}

bool TBOutlineView::canSelectNone() const
{
    return numberOfSelectedRows() > 0;
}

void TBOutlineView::cut()
{
    if (canCut())
        m_delegate->cutSelectedRowsInOutlineView(this);
}

void TBOutlineView::copy()
{
    if (canCopy())
        m_delegate->copySelectedRowsInOutlineView(this);
}

void TBOutlineView::paste()
{
    if (canPaste())
        m_delegate->pasteSelectedRowsInOutlineView(this);
}

void TBOutlineView::del()
{
    if (canDelete())
        m_delegate->deleteSelectedRowsInOutlineView(this);
}

void TBOutlineView::selectAll()
{
    if (canSelectAll())
        QTreeView::selectAll();
}

void TBOutlineView::selectNone()
{
    if (selectionModel())
        selectionModel()->clearSelection();
}

void TBOutlineView::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && answers(TBOutlineViewDelegate::EnterKey) && m_delegate->outlineViewHandlesEnterKey(this, event))
        return;
    if (event->matches(QKeySequence::Copy) && canCopy()) {
        copy();
        return;
    }
    if (event->matches(QKeySequence::Cut) && canCut()) {
        cut();
        return;
    }
    if (event->matches(QKeySequence::Paste) && canPaste()) {
        paste();
        return;
    }
    if (event->matches(QKeySequence::Delete) && canDelete()) {
        del();
        return;
    }
    QTreeView::keyPressEvent(event);
}
