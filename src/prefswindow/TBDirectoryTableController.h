#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QPointer>
#include <QTableView>

class QMimeData;
class TBPrefsDirectoriesTab;

// Model of the directories table: one row per directory of the preferences, columns "Name" and
// "URI". Rows are reordered by dragging one row within the table; Return or Enter edits the
// selected directory.
class TBDirectoryTableController : public QAbstractTableModel
{
    Q_OBJECT
public:
    static const QString directoryDragType;
    enum Column { NameColumn = 0, URIColumn = 1 };

    explicit TBDirectoryTableController(TBPrefsDirectoriesTab* directoriesTab);

    // Sets up the view for this model: selection, drag and drop, the Return key.
    void setDirectoriesTable(QTableView* table);
    QTableView* directoriesTable() const { return m_directoriesTable; }

    // Re-reads the preferences' list after it changed.
    // Reloads the rows and widens the name column for the longest name.
    void reloadData();
    // The name column is never narrower than this.
    static constexpr int leastNameWidth = 180;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Dragging: only the first of the dragged rows moves.
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

    qint64 draggedRow() const { return m_draggedRow; }
    // The row a drop lands above: a drop on an item counts as above it, one on empty space as the end.
    int proposedRow(int row, const QModelIndex& parent) const;
    bool validateDrop(int proposedRow) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitNameColumn();

    TBPrefsDirectoriesTab* m_directoriesTab = nullptr;
    QPointer<QTableView> m_directoriesTable;
    mutable qint64 m_draggedRow = -1;
    mutable QPointer<QMimeData> m_dragData; // the data of our own drag, to know the drop's source
};
