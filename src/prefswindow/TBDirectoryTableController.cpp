#include "TBDirectoryTableController.h"

#include "TBDirectory.h"
#include "TBPreferences.h"
#include "TBPrefsDirectoriesTab.h"
#include "TBRowDrag.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMimeData>
#include <QTableView>

#include <algorithm>

const QString TBDirectoryTableController::directoryDragType = QStringLiteral("directoryDragType");

namespace {

const QList<TBDirectoryPtr>& directories()
{
    return TBPreferences::sharedPreferences()->directories();
}

} // namespace

TBDirectoryTableController::TBDirectoryTableController(TBPrefsDirectoriesTab* directoriesTab)
    : QAbstractTableModel(directoriesTab)
    , m_directoriesTab(directoriesTab)
{ }

void TBDirectoryTableController::setDirectoriesTable(QTableView* table)
{
    m_directoriesTable = table;
    table->setModel(this);
    TBRowDrag::setUpTable(table, QAbstractItemView::ExtendedSelection, QAbstractItemView::InternalMove);
    table->horizontalHeader()->resizeSection(NameColumn, 180);
    table->installEventFilter(this);
}

void TBDirectoryTableController::reloadData()
{
    beginResetModel();
    endResetModel();
}

int TBDirectoryTableController::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(directories().size());
}

int TBDirectoryTableController::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant TBDirectoryTableController::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= directories().size())
        return QVariant();
    const TBDirectoryPtr& directory = directories().at(index.row());
    if (!directory)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return index.column() == NameColumn ? directory->directoryName() : directory->ldapURI();
    case Qt::ToolTipRole:
        // The identifier is for troubleshooting only, so it shows only while Alt is held.
        if (TBPrefsTab::currentModifiers() & Qt::AltModifier)
            return QStringLiteral("directoryID: %1").arg(directory->directoryID());
        return QVariant();
    default:
        return QVariant();
    }
}

QVariant TBDirectoryTableController::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (section == NameColumn)
        return tr("Name");
    if (section == URIColumn)
        return tr("URI");
    return QVariant();
}

Qt::ItemFlags TBDirectoryTableController::flags(const QModelIndex& index) const
{
    // Items take no drops, so a drop always lands between rows.
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

QStringList TBDirectoryTableController::mimeTypes() const
{
    return {directoryDragType};
}

QMimeData* TBDirectoryTableController::mimeData(const QModelIndexList& indexes) const
{
    QList<int> rows;
    for (const QModelIndex& index : indexes) {
        if (index.isValid() && !rows.contains(index.row()))
            rows.append(index.row());
    }
    if (rows.isEmpty())
        return nullptr;
    auto* data = new QMimeData;
    data->setData(directoryDragType, TBRowDrag::archiveRows(rows));
    m_draggedRow = *std::min_element(rows.cbegin(), rows.cend());
    m_dragData = data;
    return data;
}

Qt::DropActions TBDirectoryTableController::supportedDragActions() const
{
    return Qt::MoveAction;
}

Qt::DropActions TBDirectoryTableController::supportedDropActions() const
{
    return Qt::MoveAction;
}

int TBDirectoryTableController::proposedRow(int row, const QModelIndex& parent) const
{
    return TBRowDrag::proposedRow(row, parent, rowCount());
}

bool TBDirectoryTableController::validateDrop(int proposedRow) const
{
    return TBRowDrag::validateDrop(m_draggedRow, proposedRow, rowCount());
}

bool TBDirectoryTableController::canDropMimeData(const QMimeData* data, Qt::DropAction /*action*/, int row,
                                                 int /*column*/, const QModelIndex& parent) const
{
    if (!data || data != m_dragData || !data->hasFormat(directoryDragType))
        return false;
    return validateDrop(proposedRow(row, parent));
}

bool TBDirectoryTableController::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                              const QModelIndex& parent)
{
    // Only rows dragged from this table are taken; the data says which one.
    if (!canDropMimeData(data, action, row, column, parent))
        return false;
    const QList<qint64> rows = TBRowDrag::draggedRows(data, directoryDragType);
    if (rows.isEmpty() || rows.first() != m_draggedRow || rows.first() >= directories().size())
        return false;

    const qint64 from = rows.first();
    const qint64 to = TBRowDrag::targetRow(from, proposedRow(row, parent));
    // The store saves the new order and announces it.
    TBPreferences::sharedPreferences()->moveDirectory(from, to, this);
    m_draggedRow = -1;
    m_dragData.clear();

    reloadData();
    if (m_directoriesTable) {
        m_directoriesTable->selectRow(int(to));
        m_directoriesTable->scrollTo(index(int(to), 0));
    }
    if (m_directoriesTab)
        m_directoriesTab->updateDirectoryButtons();
    return true;
}

bool TBDirectoryTableController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_directoriesTable && event->type() == QEvent::KeyPress && m_directoriesTab) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            m_directoriesTab->edtDirectory(this);
            return true;
        }
    }
    return QAbstractTableModel::eventFilter(watched, event);
}
