#include "TBAttributeTableController.h"

#include "TBAttributeAttrItem.h"
#include "TBAttributeGroupItem.h"
#include "TBAttributeRootItem.h"
#include "TBPreferences.h"
#include "TBPrefsAttributesTab.h"
#include "TBTextColors.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {

TBPreferences* prefs()
{
    return TBPreferences::sharedPreferences();
}

// The expanded-state preference of each group, in group order.
struct ExpandedPref
{
    bool (TBPreferences::*get)() const;
    void (TBPreferences::*set)(bool);
};

const ExpandedPref kExpandedPrefs[TBAttributeItem::NumberOfGroups] = {
    {&TBPreferences::prefTableDefaultAttrsExpanded, &TBPreferences::setPrefTableDefaultAttrsExpanded},
    {&TBPreferences::prefTableDefaultImageAttrsExpanded, &TBPreferences::setPrefTableDefaultImageAttrsExpanded},
    {&TBPreferences::prefTableDefaultBinaryAttrsExpanded, &TBPreferences::setPrefTableDefaultBinaryAttrsExpanded},
    {&TBPreferences::prefTableCustomAttrsExpanded, &TBPreferences::setPrefTableCustomAttrsExpanded},
    {&TBPreferences::prefTableCustomImageAttrsExpanded, &TBPreferences::setPrefTableCustomImageAttrsExpanded},
    {&TBPreferences::prefTableCustomBinaryAttrsExpanded, &TBPreferences::setPrefTableCustomBinaryAttrsExpanded},
};

bool isCheckColumn(int column)
{
    return column == TBAttributeTableController::BasicAttributeColumn
        || column == TBAttributeTableController::ShowColumnColumn;
}

// Draws the check boxes in the middle of their cells, under a header wider than the box.
class TBCenteredCheckDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QVariant state = index.data(Qt::CheckStateRole);
        if (!state.isValid()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem cell(option);
        initStyleOption(&cell, index);
        const QWidget* widget = cell.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        const QSize boxSize = style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &cell, widget).size();
        cell.features &= ~QStyleOptionViewItem::HasCheckIndicator;
        style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);

        QStyleOptionViewItem box(cell);
        box.rect = QStyle::alignedRect(cell.direction, Qt::AlignCenter, boxSize, option.rect);
        box.state &= ~QStyle::State_HasFocus;
        box.state |= state.toInt() == Qt::Checked ? QStyle::State_On : QStyle::State_Off;
        style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &box, painter, widget);
    }
};

} // namespace

TBAttributeTableController::TBAttributeTableController(TBPrefsAttributesTab* attributesTab)
    : QAbstractItemModel(attributesTab)
    , m_attributesTab(attributesTab)
    , m_rootAttrItem(std::make_unique<TBAttributeRootItem>(&prefs()->registry()))
{
    m_rootAttrItem->makeChildren();
}

TBAttributeTableController::~TBAttributeTableController() = default;

void TBAttributeTableController::setAttributesTable(QTreeView* table)
{
    m_attributesTable = table;
    table->setModel(this);
    table->setItemDelegate(new TBCenteredCheckDelegate(table));
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setUniformRowHeights(true);
    table->setAllColumnsShowFocus(true);
    table->setAlternatingRowColors(true);
    table->setWordWrap(false);
    table->setTextElideMode(Qt::ElideRight);
    table->setExpandsOnDoubleClick(false); // a double-click goes to the tab, which toggles groups itself
    table->setAnimated(true);
    QHeaderView* header = table->header();
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    header->setHighlightSections(false);
    const int boxColumn = header->fontMetrics().horizontalAdvance(QStringLiteral("Basic Attribute")) + 24;
    header->setSectionResizeMode(AttributeNameColumn, QHeaderView::Interactive);
    header->setSectionResizeMode(FriendlyNameColumn, QHeaderView::Stretch);
    header->setSectionResizeMode(BasicAttributeColumn, QHeaderView::Fixed);
    header->setSectionResizeMode(ShowColumnColumn, QHeaderView::Fixed);
    header->resizeSection(AttributeNameColumn, 230);
    header->resizeSection(BasicAttributeColumn, boxColumn);
    header->resizeSection(ShowColumnColumn, boxColumn);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (qint64 group = 0; group < TBAttributeItem::NumberOfGroups; ++group)
        table->setFirstColumnSpanned(int(group), QModelIndex(), true);

    connect(table, &QTreeView::expanded, this,
            [this](const QModelIndex& index) { groupExpansionChanged(index, true); });
    connect(table, &QTreeView::collapsed, this,
            [this](const QModelIndex& index) { groupExpansionChanged(index, false); });
    connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TBAttributeTableController::selectionChanged);
    table->installEventFilter(this);
    table->viewport()->installEventFilter(this);
    applyExpandedStates();
}

// ---------------------------------------------------------------- items

TBAttributeItem* TBAttributeTableController::itemForIndex(const QModelIndex& index) const
{
    return index.isValid() && index.model() == this ? static_cast<TBAttributeItem*>(index.internalPointer()) : nullptr;
}

QModelIndex TBAttributeTableController::indexForItem(const TBAttributeItem* item, int column) const
{
    if (!item || !item->parent())
        return QModelIndex();
    const qsizetype row = item->parent()->indexForChild(item);
    return row < 0 ? QModelIndex() : createIndex(int(row), column, const_cast<TBAttributeItem*>(item));
}

TBAttributeGroupItem* TBAttributeTableController::groupItemForGroup(qint64 group) const
{
    return group >= 0 && group < TBAttributeItem::NumberOfGroups ? m_rootAttrItem->groupItemForGroup(group) : nullptr;
}

TBAttributeGroupItem* TBAttributeTableController::groupItemForAttributeType(qint64 attributeType) const
{
    return groupItemForGroup(TBAttributeItem::itemGroupFromAttributeType(attributeType));
}

bool TBAttributeTableController::isAttributeRow(const QModelIndex& index) const
{
    const TBAttributeItem* item = itemForIndex(index);
    return item && item->itemType() == TBAttributeItem::AttrItem;
}

void TBAttributeTableController::reloadCustomAttributes()
{
    for (qint64 group = TBAttributeItem::CustomAttributes; group < TBAttributeItem::NumberOfGroups; ++group) {
        TBAttributeGroupItem* item = groupItemForGroup(group);
        if (item->childrenMatchPrefsArray())
            continue;
        const QModelIndex parent = indexForItem(item);
        if (item->numberOfChildren() > 0) {
            beginRemoveRows(parent, 0, int(item->numberOfChildren()) - 1);
            item->removeChildren();
            endRemoveRows();
        }
        beginInsertRows(parent, 0, int(item->numberOfChildrenToMake()) - 1);
        item->makeChildren();
        endInsertRows();
    }
    redrawAll();
    applyExpandedStates();
}

void TBAttributeTableController::redrawAll()
{
    for (qint64 group = 0; group < TBAttributeItem::NumberOfGroups; ++group) {
        const TBAttributeGroupItem* item = groupItemForGroup(group);
        const QModelIndex parent = indexForItem(item);
        if (item->numberOfChildren() > 0)
            Q_EMIT dataChanged(index(0, 0, parent),
                               index(int(item->numberOfChildren()) - 1, NumberOfColumns - 1, parent));
    }
}

// ---------------------------------------------------------------- groups

bool TBAttributeTableController::isGroupExpanded(qint64 group) const
{
    return m_attributesTable && group >= 0 && group < TBAttributeItem::NumberOfGroups
        && m_attributesTable->isExpanded(indexForItem(groupItemForGroup(group)));
}

void TBAttributeTableController::applyExpandedStates()
{
    if (!m_attributesTable)
        return;
    ++m_applyingStates;
    // Without animation: a view that animates takes no clicks until it has finished.
    const bool animated = m_attributesTable->isAnimated();
    m_attributesTable->setAnimated(false);
    const TBPreferences* p = prefs();
    for (qint64 group = 0; group < TBAttributeItem::NumberOfGroups; ++group) {
        const QModelIndex index = indexForItem(groupItemForGroup(group));
        const bool expanded = (p->*kExpandedPrefs[group].get)();
        if (m_attributesTable->isExpanded(index) != expanded)
            m_attributesTable->setExpanded(index, expanded);
    }
    m_attributesTable->setAnimated(animated);
    --m_applyingStates;
}

void TBAttributeTableController::groupExpansionChanged(const QModelIndex& index, bool expanded)
{
    const TBAttributeItem* item = itemForIndex(index);
    if (m_applyingStates > 0 || !item || item->itemType() != TBAttributeItem::GroupItem)
        return;
    const qsizetype group = m_rootAttrItem->indexForChild(item);
    if (group < 0)
        return;
    TBPreferences* p = prefs();
    if ((p->*kExpandedPrefs[group].get)() == expanded)
        return;
    (p->*kExpandedPrefs[group].set)(expanded);
    p->savePrefs();
}

void TBAttributeTableController::expandAttributeItemGroup(qint64 group)
{
    if (group < 0 || group >= TBAttributeItem::NumberOfGroups)
        return;
    TBPreferences* p = prefs();
    if (!(p->*kExpandedPrefs[group].get)()) {
        (p->*kExpandedPrefs[group].set)(true);
        p->savePrefs();
    }
    if (m_attributesTable) {
        ++m_applyingStates;
        m_attributesTable->expand(indexForItem(groupItemForGroup(group)));
        --m_applyingStates;
    }
}

void TBAttributeTableController::toggleAttributeItemGroup(qint64 group)
{
    if (!m_attributesTable || group < 0 || group >= TBAttributeItem::NumberOfGroups)
        return;
    // As if the user clicked the group's arrow: the preference follows the view.
    const QModelIndex index = indexForItem(groupItemForGroup(group));
    m_attributesTable->setExpanded(index, !m_attributesTable->isExpanded(index));
}

// ---------------------------------------------------------------- selection

void TBAttributeTableController::selectItemWithAttributeID(qint64 attributeID, bool extendSelection)
{
    if (!m_attributesTable)
        return;
    for (qint64 group = 0; group < TBAttributeItem::NumberOfGroups; ++group) {
        const TBAttributeGroupItem* item = groupItemForGroup(group);
        if (!m_attributesTable->isExpanded(indexForItem(item)))
            continue; // only visible rows
        for (const TBAttributeItemPtr& child : item->children()) {
            const auto* row = dynamic_cast<const TBAttributeAttrItem*>(child.get());
            if (!row || !row->attribute() || row->attribute()->attributeID() != attributeID)
                continue;
            const QModelIndex found = indexForItem(row);
            QItemSelectionModel* selection = m_attributesTable->selectionModel();
            const QItemSelectionModel::SelectionFlags rows = QItemSelectionModel::Rows;
            selection->select(
                found, (extendSelection ? QItemSelectionModel::Select : QItemSelectionModel::ClearAndSelect) | rows);
            // A current cell in that row stays, so Space goes on toggling the box the user clicked.
            const QModelIndex current = selection->currentIndex();
            if (current.row() != found.row() || current.parent() != found.parent())
                selection->setCurrentIndex(found, QItemSelectionModel::NoUpdate);
            m_attributesTable->scrollTo(found);
            return;
        }
    }
}

QList<TBAttributeAttrItem*> TBAttributeTableController::selectedAttributeItems() const
{
    QList<TBAttributeAttrItem*> items;
    if (!m_attributesTable)
        return items;
    // In outline order, whatever order the rows were selected in.
    const QModelIndexList selected = m_attributesTable->selectionModel()->selectedRows();
    for (qint64 group = 0; group < TBAttributeItem::NumberOfGroups; ++group) {
        for (const TBAttributeItemPtr& child : groupItemForGroup(group)->children()) {
            auto* row = dynamic_cast<TBAttributeAttrItem*>(child.get());
            if (row && selected.contains(indexForItem(row)))
                items.append(row);
        }
    }
    return items;
}

bool TBAttributeTableController::anySelectedItemIsDeletable() const
{
    for (const TBAttributeAttrItem* item : selectedAttributeItems()) {
        if (item->attribute() && !item->isDefaultAttr())
            return true;
    }
    return false;
}

bool TBAttributeTableController::selectedItemIsDeletable() const
{
    const QList<TBAttributeAttrItem*> items = selectedAttributeItems();
    return items.size() == 1 && items.first()->attribute() && !items.first()->isDefaultAttr();
}

bool TBAttributeTableController::selectedItemIsEditable() const
{
    return selectedItemIsDeletable();
}

// ---------------------------------------------------------------- texts

QString TBAttributeTableController::shownName(const QString& name)
{
    QString shown = name.size() > maximumShownLength ? name.left(maximumShownLength) + QChar(0x2026) : name;
    for (const QChar c : std::as_const(shown)) {
        switch (c.direction()) {
        case QChar::DirR:
        case QChar::DirAL:
        case QChar::DirLRE:
        case QChar::DirLRO:
        case QChar::DirRLE:
        case QChar::DirRLO:
        case QChar::DirPDF:
        case QChar::DirLRI:
        case QChar::DirRLI:
        case QChar::DirFSI:
        case QChar::DirPDI:
            // First strong isolate ... pop directional isolate: what is inside stays inside.
            return QChar(0x2068) + shown + QChar(0x2069);
        default:
            break;
        }
    }
    return shown;
}

QString TBAttributeTableController::basicAttributeToolTip(const QString& name, bool basic)
{
    return QStringLiteral("\u201c%1\u201d %2 be included in attribute popup menus")
        .arg(shownName(name), basic ? QStringLiteral("will") : QStringLiteral("will not"));
}

bool TBAttributeTableController::isChecked(const TBAttributeAttrItem* item, int column) const
{
    if (!item || !item->attribute())
        return false;
    const QString& name = item->attribute()->attributeName();
    return column == BasicAttributeColumn ? prefs()->isBasicAttribute(name)
                                          : prefs()->isAttributeColumnDisplayedForAttribute(name);
}

// ---------------------------------------------------------------- model

QModelIndex TBAttributeTableController::index(int row, int column, const QModelIndex& parent) const
{
    if (column < 0 || column >= NumberOfColumns || (parent.isValid() && parent.column() != 0))
        return QModelIndex();
    const TBAttributeItem* owner = parent.isValid() ? itemForIndex(parent) : m_rootAttrItem.get();
    TBAttributeItem* child = owner ? owner->childAtIndex(row) : nullptr;
    return child ? createIndex(row, column, child) : QModelIndex();
}

QModelIndex TBAttributeTableController::parent(const QModelIndex& index) const
{
    const TBAttributeItem* item = itemForIndex(index);
    if (!item || !item->parent() || item->parent() == m_rootAttrItem.get())
        return QModelIndex();
    return indexForItem(item->parent());
}

int TBAttributeTableController::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() && parent.column() != 0)
        return 0;
    const TBAttributeItem* item = parent.isValid() ? itemForIndex(parent) : m_rootAttrItem.get();
    return item ? int(item->numberOfChildren()) : 0;
}

int TBAttributeTableController::columnCount(const QModelIndex&) const
{
    return NumberOfColumns;
}

QVariant TBAttributeTableController::data(const QModelIndex& index, int role) const
{
    const TBAttributeItem* item = itemForIndex(index);
    if (!item)
        return QVariant();
    const auto* row
        = item->itemType() == TBAttributeItem::AttrItem ? static_cast<const TBAttributeAttrItem*>(item) : nullptr;
    switch (role) {
    case Qt::DisplayRole:
        if (index.column() == AttributeNameColumn)
            return shownName(item->displayedName());
        if (index.column() == FriendlyNameColumn)
            return shownName(item->displayedFriendlyName());
        return QVariant();
    case Qt::CheckStateRole:
        if (row && isCheckColumn(index.column()))
            return isChecked(row, index.column()) ? Qt::Checked : Qt::Unchecked;
        return QVariant();
    case Qt::ToolTipRole:
        if (row && row->attribute() && index.column() == BasicAttributeColumn)
            return basicAttributeToolTip(row->attribute()->attributeName(), isChecked(row, BasicAttributeColumn));
        return QVariant();
    case Qt::ForegroundRole:
        if (item->itemType() == TBAttributeItem::NoneItem)
            return QBrush(TBTextColors::placeholderTextColor());
        return QVariant();
    case Qt::FontRole:
        if (item->itemType() == TBAttributeItem::GroupItem) {
            QFont bold = m_attributesTable ? m_attributesTable->font() : QApplication::font();
            bold.setBold(true);
            return bold;
        }
        return QVariant();
    default:
        return QVariant();
    }
}

bool TBAttributeTableController::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || !isAttributeRow(index) || !isCheckColumn(index.column()) || !m_attributesTab)
        return false;
    // A box already in the state asked for stays; otherwise it acts on the selected rows as the
    // clicked one decides. No value: a click, which always toggles.
    const bool checked = isChecked(static_cast<const TBAttributeAttrItem*>(itemForIndex(index)), index.column());
    if (value.isValid() && (value.toInt() == Qt::Checked) == checked)
        return true;
    if (index.column() == BasicAttributeColumn)
        m_attributesTab->toggleBasicAttribute(index);
    else
        m_attributesTab->toggleShowColumn(index);
    return true;
}

QVariant TBAttributeTableController::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return QVariant();
    if (role == Qt::DisplayRole) {
        switch (section) {
        case AttributeNameColumn:
            return QStringLiteral("Attribute Name");
        case FriendlyNameColumn:
            return QStringLiteral("Friendly Name");
        case BasicAttributeColumn:
            return QStringLiteral("Basic Attribute");
        case ShowColumnColumn:
            return QStringLiteral("Show Column");
        default:
            return QVariant();
        }
    }
    if (role == Qt::ToolTipRole) {
        if (section == BasicAttributeColumn)
            return tr("Offered in the attribute menus of the search conditions");
        if (section == ShowColumnColumn)
            return tr("Shown as a column of the search results");
    }
    return QVariant();
}

Qt::ItemFlags TBAttributeTableController::flags(const QModelIndex& index) const
{
    const TBAttributeItem* item = itemForIndex(index);
    if (!item)
        return Qt::NoItemFlags;
    // Groups and "None Defined" rows take double-clicks but are never selected.
    if (item->itemType() != TBAttributeItem::AttrItem)
        return Qt::ItemIsEnabled;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (isCheckColumn(index.column()))
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

// ---------------------------------------------------------------- events

QModelIndex TBAttributeTableController::checkBoxCellAt(const QPoint& position) const
{
    const QModelIndex index = m_attributesTable ? m_attributesTable->indexAt(position) : QModelIndex();
    return isAttributeRow(index) && isCheckColumn(index.column()) ? index : QModelIndex();
}

bool TBAttributeTableController::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_attributesTable || !m_attributesTab)
        return QAbstractItemModel::eventFilter(watched, event);

    if (watched == m_attributesTable->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton)
                break;
            const QModelIndex cell = checkBoxCellAt(mouse->position().toPoint());
            if (!cell.isValid())
                break;
            // The whole cell is the box. The view never sees the click, so a selection of several
            // rows stays as it is while all of them change.
            if (event->type() == QEvent::MouseButtonPress) {
                m_attributesTable->setFocus(Qt::MouseFocusReason);
                QItemSelectionModel* selection = m_attributesTable->selectionModel();
                if (!selection->isRowSelected(cell.row(), cell.parent()))
                    selection->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
                else
                    selection->setCurrentIndex(cell, QItemSelectionModel::NoUpdate);
                setData(cell, QVariant(), Qt::CheckStateRole);
            }
            return true;
        }
        default:
            break;
        }
    } else if (watched == m_attributesTable && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            m_attributesTab->edtAttribute(this);
            return true;
        }
    }
    return QAbstractItemModel::eventFilter(watched, event);
}
