#include "TBRowDrag.h"

#include "TBPropertyList.h"

#include <QMimeData>
#include <QModelIndex>

#include <algorithm>

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
