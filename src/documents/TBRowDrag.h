#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class QMimeData;
class QModelIndex;
class QTableView;

// Moving one row of a user's list by dragging it within its table (directories, saved searches):
// the dragged rows on the pasteboard, and where the first of them may land.
namespace TBRowDrag {

// A list's table: whole rows, no editing in place, rows dragged to move them (dropping between
// rows), in the given selection mode and drag-and-drop mode.
void setUpTable(QTableView* table, int selectionMode, int dragDropMode);
// The rows, ascending, as an archived array of numbers.
QByteArray archiveRows(QList<int> rows);
// The dragged rows as written under `type`; empty when the data is not ours or is damaged.
QList<qint64> draggedRows(const QMimeData* data, const QString& type);
// The row a drop lands above: a drop on an item counts as above it, one on empty space as the end.
int proposedRow(int row, const QModelIndex& parent, int rowCount);
// Dropping a row right above or right below itself would not move it.
bool validateDrop(qint64 draggedRow, int proposedRow, int rowCount);
// Where the dragged row stands once it is taken out and put back above the proposed row.
int targetRow(qint64 draggedRow, int proposedRow);

} // namespace TBRowDrag
