#include "TBRowDrag.h"

#include "TBPropertyList.h"

#include <QHeaderView>
#include <QMimeData>
#include <QModelIndex>
#include <QTableView>

#include <algorithm>

void TBRowDrag::setUpTable(QTableView* table, int selectionMode, int dragDropMode)
{
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SelectionMode(selectionMode));
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setDragEnabled(true);
    table->setAcceptDrops(true);
    table->setDropIndicatorShown(true);
    table->setDragDropMode(QAbstractItemView::DragDropMode(dragDropMode));
    table->setDragDropOverwriteMode(false);
    table->setDefaultDropAction(Qt::MoveAction);
    table->setShowGrid(false);
    table->setAlternatingRowColors(true);
    table->setWordWrap(false);
    table->setSortingEnabled(false);
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->horizontalHeader()->setStretchLastSection(true);
    table->horizontalHeader()->setHighlightSections(false);
}

QByteArray TBRowDrag::archiveRows(QList<int> rows)
{
    std::sort(rows.begin(), rows.end());
    QVariantList archived;
    for (int row : std::as_const(rows))
        archived.append(qint64(row));
    return TBPropertyList::toXml(archived);
}

QList<qint64> TBRowDrag::draggedRows(const QMimeData* data, const QString& type)
{
    QList<qint64> rows;
    if (!data || !data->hasFormat(type))
        return rows;
    const QVariant root = TBPropertyList::fromData(data->data(type));
    if (!TBPropertyList::isArray(root))
        return rows;
    for (const QVariant& v : root.toList()) {
        if (!TBPropertyList::isInteger(v))
            return {};
        rows.append(v.toLongLong());
    }
    return rows;
}

int TBRowDrag::proposedRow(int row, const QModelIndex& parent, int rowCount)
{
    if (row >= 0)
        return row;
    return parent.isValid() ? parent.row() : rowCount;
}

bool TBRowDrag::validateDrop(qint64 draggedRow, int proposedRow, int rowCount)
{
    if (draggedRow < 0 || draggedRow >= rowCount || proposedRow < 0 || proposedRow > rowCount)
        return false;
    if (proposedRow == draggedRow || proposedRow == draggedRow + 1)
        return false;
    return !(draggedRow == rowCount - 1 && proposedRow == rowCount);
}

int TBRowDrag::targetRow(qint64 draggedRow, int proposedRow)
{
    const int target = std::max(0, proposedRow);
    return target > draggedRow ? target - 1 : target;
}
