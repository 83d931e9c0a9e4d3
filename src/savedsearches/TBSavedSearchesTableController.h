#pragma once

#include "TBTableView.h"

#include <QAbstractTableModel>
#include <QPixmap>
#include <QPointer>

class QMimeData;
class TBSavedSearchesController;

// Model of the saved-searches table: one row per saved search of the preferences, columns "Icon"
// and "Name", the search's conditions as its tool tip. A row is dragged to reorder the list
// ("savedSearchDragType") or onto a search window's conditions ("searchCriteriaDragType");
// Return or Enter uses the selected search.
class TBSavedSearchesTableController : public QAbstractTableModel, public TBTableViewDelegate
{
    Q_OBJECT
public:
    static const QString savedSearchDragType;
    enum Column { IconColumn = 0, NameColumn = 1 };
    // The column's identifier ("Icon", "Name") under this role of the header.
    static constexpr int identifierRole = Qt::UserRole + 1;

    explicit TBSavedSearchesTableController(TBSavedSearchesController* controller);
    ~TBSavedSearchesTableController() override;

    // Sets up the view for this model: selection, drag and drop, Return.
    void setSavedSearchesTable(TBTableView* table);
    TBTableView* savedSearchesTable() const { return m_savedSearchesTable; }
    TBSavedSearchesController* savedSearchesController() const { return m_savedSearchesController; }
    // The picture of every row, loaded once.
    static QPixmap searchImage();

    // Re-reads the preferences' list after it changed.
    void reloadData();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Dragging: only the first selected row moves.
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;
    qint64 draggedRow() const { return m_draggedRow; }

    Hooks tableViewHooks() const override { return EnterKey; }
    bool tableViewHandlesEnterKey(TBTableView* table, QKeyEvent* event) override;

private:
    TBSavedSearchesController* m_savedSearchesController = nullptr;
    QPointer<TBTableView> m_savedSearchesTable;
    mutable qint64 m_draggedRow = -1;
    mutable QPointer<QMimeData> m_dragData; // the data of our own drag, to know the drop's source
};
