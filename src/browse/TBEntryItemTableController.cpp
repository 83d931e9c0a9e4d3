#include "TBEntryItemTableController.h"

#include "TBBrowseDocument.h"
#include "TBDocument.h"
#include "TBEntryItem.h"
#include "TBTextColors.h"

#include <QBrush>

TBEntryItemTableController::TBEntryItemTableController(TBBrowseDocument* browseDocument, QObject* parent)
    : QAbstractItemModel(parent)
    , m_browseDocument(browseDocument)
{ }

TBEntryItem* TBEntryItemTableController::itemForIndex(const QModelIndex& index)
{
    return index.isValid() ? static_cast<TBEntryItem*>(index.internalPointer()) : nullptr;
}

QModelIndex TBEntryItemTableController::indexForItem(const TBEntryItem* item) const
{
    if (!item)
        return {};
    return createIndex(item->row(), 0, const_cast<TBEntryItem*>(item));
}

void TBEntryItemTableController::insertChildren(TBEntryItem* parent, std::vector<std::unique_ptr<TBEntryItem>> children)
{
    if (!parent || parent->isLeaf() || children.empty())
        return;
    const int first = int(parent->numberOfChildren());
    beginInsertRows(indexForItem(parent), first, first + int(children.size()) - 1);
    parent->addChildren(std::move(children));
    endInsertRows();
}

QModelIndex TBEntryItemTableController::index(int row, int column, const QModelIndex& parent) const
{
    if (column != 0 || row < 0)
        return {};
    if (!parent.isValid()) {
        if (row != 0)
            return {};
        TBEntryItem* root = m_browseDocument ? m_browseDocument->rootEntryItem() : nullptr;
        return createIndex(0, 0, root);
    }
    TBEntryItem* item = itemForIndex(parent);
    TBEntryItem* child = item ? item->childAtIndex(row) : nullptr;
    return child ? createIndex(row, 0, child) : QModelIndex();
}

QModelIndex TBEntryItemTableController::parent(const QModelIndex& index) const
{
    TBEntryItem* item = itemForIndex(index);
    return item ? indexForItem(item->parent()) : QModelIndex();
}

int TBEntryItemTableController::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return 1;
    if (parent.column() != 0)
        return 0;
    const TBEntryItem* item = itemForIndex(parent);
    return item ? int(qMax<qsizetype>(0, item->numberOfChildren())) : 0;
}

int TBEntryItemTableController::columnCount(const QModelIndex&) const
{
    return 1;
}

bool TBEntryItemTableController::hasChildren(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return true;
    const TBEntryItem* item = itemForIndex(parent);
    // Every real node may have children until its listing says otherwise.
    return item && !item->isLeaf();
}

QVariant TBEntryItemTableController::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const TBEntryItem* item = itemForIndex(index);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        if (!item)
            return role == Qt::DisplayRole ? noDirectoryText() : QVariant();
        if (role == Qt::ToolTipRole)
            return item->isPlaceholder() ? QVariant() : QVariant(item->dn());
        return item->displayedName();
    case Qt::ForegroundRole:
        if (!item || item->isPlaceholder())
            return QBrush(TBTextColors::placeholderTextColor());
        return {};
    default:
        return {};
    }
}

Qt::ItemFlags TBEntryItemTableController::flags(const QModelIndex& index) const
{
    const TBEntryItem* item = itemForIndex(index);
    if (!item || item->isPlaceholder())
        return Qt::ItemIsEnabled; // shown, never selected
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

bool TBEntryItemTableController::outlineViewShouldExpandItem(TBOutlineView*, const QModelIndex& index)
{
    TBEntryItem* item = itemForIndex(index);
    if (!item || item->isPlaceholder())
        return false;
    if (item->haveBrowsed())
        return true;
    if (m_browseDocument && m_browseDocument->canBrowse()) {
        m_browseDocument->setSearchEntryItem(item);
        m_browseDocument->browse();
    }
    // The node opens when its listing has arrived.
    return false;
}

bool TBEntryItemTableController::outlineViewShouldSelectItem(TBOutlineView*, const QModelIndex& index)
{
    if (!m_browseDocument || m_browseDocument->searcherBusy())
        return false;
    const TBEntryItem* item = itemForIndex(index);
    return item && !item->isPlaceholder();
}

void TBEntryItemTableController::outlineViewSelectionDidChange(TBOutlineView* view)
{
    if (!m_browseDocument)
        return;
    TBEntryItem* item = itemForIndex(view->selectedIndex());
    // Alt forces a fresh read of the node.
    if (item && (TBDocument::currentModifiers() & Qt::AltModifier))
        item->setEntry(nullptr);
    if (item && !item->entry()) {
        // Until the read arrives the details say so, rather than showing the previous node.
        m_browseDocument->updateDetailsText();
        m_browseDocument->setSearchEntryItem(item);
        m_browseDocument->searchOne();
    } else {
        m_browseDocument->updateDetailsText();
    }
}
