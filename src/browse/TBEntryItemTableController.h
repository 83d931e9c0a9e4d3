#pragma once

#include "TBOutlineView.h"

#include <QAbstractItemModel>
#include <QPointer>

#include <memory>
#include <vector>

class TBBrowseDocument;
class TBEntryItem;

// The browse tree's model and the outline's delegate. The invisible top level has one row: the
// document's root node, or, when the window has no directory, a gray text saying so. Children
// are only what the listings have brought; a node is listed when the user expands it, and the
// outline opens it once the listing has arrived.
class TBEntryItemTableController : public QAbstractItemModel, public TBOutlineViewDelegate
{
    Q_OBJECT
public:
    explicit TBEntryItemTableController(TBBrowseDocument* browseDocument, QObject* parent = nullptr);

    TBBrowseDocument* browseDocument() const { return m_browseDocument; }

    static QString noDirectoryText() { return QStringLiteral("No Directory - Use Preferences to add a directory."); }

    // The node of an index; null for the no-directory row and for an invalid index.
    static TBEntryItem* itemForIndex(const QModelIndex& index);
    QModelIndex indexForItem(const TBEntryItem* item) const;

    // The document's root changed: everything shown goes.
    void beginRootChange() { beginResetModel(); }
    void endRootChange() { endResetModel(); }
    // Appends children to parent in one batch (sort them first).
    void insertChildren(TBEntryItem* parent, std::vector<std::unique_ptr<TBEntryItem>> children);

    // QAbstractItemModel
    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // TBOutlineViewDelegate
    bool outlineViewShouldExpandItem(TBOutlineView* view, const QModelIndex& index) override;
    bool outlineViewShouldSelectItem(TBOutlineView* view, const QModelIndex& index) override;
    void outlineViewSelectionDidChange(TBOutlineView* view) override;

private:
    QPointer<TBBrowseDocument> m_browseDocument;
};
