#include "TBSavedSearchesTableController.h"

#include "TBPreferences.h"
#include "TBRowDrag.h"
#include "TBSavedSearchesController.h"
#include "TBSearchCriteriaTableController.h"

#include <QHeaderView>
#include <QMimeData>

#include <algorithm>

const QString TBSavedSearchesTableController::savedSearchDragType = QStringLiteral("savedSearchDragType");

namespace {

const QList<TBSearchCriteriaPtr>& savedSearches()
{
    return TBPreferences::sharedPreferences()->savedSearchCriteria();
}

// A search text may be anything a directory or a paste gave; a tool tip shows a readable piece.
QString boundedToolTip(const QString& text)
{
    constexpr qsizetype maximumLine = 200;
    constexpr qsizetype maximumLines = 8;
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.size() > maximumLines) {
        lines = lines.mid(0, maximumLines);
        lines.append(QStringLiteral("\u2026"));
    }
    for (QString& line : lines) {
        if (line.size() > maximumLine)
            line = line.left(maximumLine) + QStringLiteral("\u2026");
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

TBSavedSearchesTableController::TBSavedSearchesTableController(TBSavedSearchesController* controller)
    : QAbstractTableModel(controller)
    , m_savedSearchesController(controller)
{ }

TBSavedSearchesTableController::~TBSavedSearchesTableController()
{
    if (m_savedSearchesTable && m_savedSearchesTable->tableDelegate() == this)
        m_savedSearchesTable->setTableDelegate(nullptr);
    m_savedSearchesController = nullptr;
}

QPixmap TBSavedSearchesTableController::searchImage()
{
    // Kept for the whole run: a pixmap must not outlive the application's objects at exit.
    static const QPixmap* image = new QPixmap(
        QPixmap(QStringLiteral(":/ui/Search.png")).scaled(16, 16, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    return *image;
}

void TBSavedSearchesTableController::setSavedSearchesTable(TBTableView* table)
{
    m_savedSearchesTable = table;
    table->setModel(this);
    table->setTableDelegate(this);
    // Dragging also reaches search windows, so not only within the table.
    TBRowDrag::setUpTable(table, QAbstractItemView::SingleSelection, QAbstractItemView::DragDrop);
    table->setTextElideMode(Qt::ElideMiddle);
    table->horizontalHeader()->setSectionResizeMode(IconColumn, QHeaderView::Fixed);
    table->horizontalHeader()->resizeSection(IconColumn, 28);
    searchImage();
}

void TBSavedSearchesTableController::reloadData()
{
    beginResetModel();
    endResetModel();
}

int TBSavedSearchesTableController::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(savedSearches().size());
}

int TBSavedSearchesTableController::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant TBSavedSearchesTableController::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= savedSearches().size())
        return QVariant();
    const TBSearchCriteriaPtr& criteria = savedSearches().at(index.row());
    if (!criteria)
        return QVariant();
    switch (role) {
    case Qt::DecorationRole:
        return index.column() == IconColumn ? QVariant(searchImage()) : QVariant();
    case Qt::DisplayRole:
        return index.column() == NameColumn ? QVariant(criteria->name()) : QVariant();
    case Qt::ToolTipRole:
        return boundedToolTip(criteria->tooltipDescription());
    default:
        return QVariant();
    }
}

QVariant TBSavedSearchesTableController::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == identifierRole)
        return section == IconColumn ? QStringLiteral("Icon") : QStringLiteral("Name");
    if (role == Qt::DisplayRole)
        return section == NameColumn ? tr("Name") : QString();
    return QVariant();
}

Qt::ItemFlags TBSavedSearchesTableController::flags(const QModelIndex& index) const
{
    // Items take no drops, so a drop always lands between rows.
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

QStringList TBSavedSearchesTableController::mimeTypes() const
{
    return {savedSearchDragType, TBSearchCriteriaTableController::searchCriteriaDragType};
}

QMimeData* TBSavedSearchesTableController::mimeData(const QModelIndexList& indexes) const
{
    QList<int> rows;
    for (const QModelIndex& index : indexes) {
        if (index.isValid() && index.row() < savedSearches().size() && !rows.contains(index.row()))
            rows.append(index.row());
    }
    if (rows.isEmpty())
        return nullptr;
    m_draggedRow = *std::min_element(rows.cbegin(), rows.cend());
    const TBSearchCriteriaPtr& dragged = savedSearches().at(m_draggedRow);
    if (!dragged)
        return nullptr;
    auto* data = new QMimeData;
    data->setData(savedSearchDragType, TBRowDrag::archiveRows(rows));
    // A search window's criteria table takes the saved search itself.
    data->setData(TBSearchCriteriaTableController::searchCriteriaDragType, dragged->archive());
    data->setText(dragged->name());
    m_dragData = data;
    return data;
}

Qt::DropActions TBSavedSearchesTableController::supportedDragActions() const
{
    return Qt::MoveAction | Qt::CopyAction;
}

Qt::DropActions TBSavedSearchesTableController::supportedDropActions() const
{
    return Qt::MoveAction;
}

bool TBSavedSearchesTableController::canDropMimeData(const QMimeData* data, Qt::DropAction /*action*/, int row,
                                                     int /*column*/, const QModelIndex& parent) const
{
    // Only a row dragged from this table moves here.
    if (!data || data != m_dragData || !data->hasFormat(savedSearchDragType))
        return false;
    return TBRowDrag::validateDrop(m_draggedRow, TBRowDrag::proposedRow(row, parent, rowCount()), rowCount());
}

bool TBSavedSearchesTableController::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                                  const QModelIndex& parent)
{
    if (!canDropMimeData(data, action, row, column, parent))
        return false;
    const QList<qint64> rows = TBRowDrag::draggedRows(data, savedSearchDragType);
    if (rows.isEmpty() || rows.first() != m_draggedRow || rows.first() >= savedSearches().size())
        return false;
    const qint64 from = m_draggedRow;
    const int to = TBRowDrag::targetRow(from, TBRowDrag::proposedRow(row, parent, rowCount()));
    m_draggedRow = -1;
    m_dragData.clear();
    // The store saves the new order and announces it; the window reloads on the notice.
    TBPreferences::sharedPreferences()->moveSearchCriteria(from, to, this);
    reloadData();
    if (m_savedSearchesController)
        m_savedSearchesController->selectSearchRow(to);
    return true;
}

bool TBSavedSearchesTableController::tableViewHandlesEnterKey(TBTableView*, QKeyEvent*)
{
    if (m_savedSearchesController)
        m_savedSearchesController->useSelectedSearch();
    return true;
}
