#include "TBEntryTableController.h"

#include "TBEntryTableModel.h"
#include "TBNotificationCenter.h"
#include "TBPreferences.h"
#include "TBReadOnlyFormatter.h"
#include "TBUserDefaults.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHash>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QStandardItemModel>
#include <QStyle>
#include <QStyledItemDelegate>

#include <algorithm>

namespace {

const QString kIdentifiers = QStringLiteral("Identifiers");
const QString kHeaderState = QStringLiteral("HeaderState");
const QString kDN = QStringLiteral("dn");

// An opened cell shows its text for selecting and copying; nothing is ever written back.
class TBReadOnlyCellDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* field = qobject_cast<QLineEdit*>(editor))
            TBReadOnlyFormatter::sharedReadOnlyFormatter()->attachTo(field);
        return editor;
    }
    void setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const override { }
};

bool isDisplayed(const QString& identifier)
{
    // The lists keep the spelling they were given; a column's attribute is the same whatever its case.
    return TBPreferences::sharedPreferences()->displayedAttributeColumns().contains(identifier, Qt::CaseInsensitive);
}

} // namespace

TBEntryTableController::TBEntryTableController(TBTableView* tableView, QObject* parent)
    : QObject(parent)
    , m_tableView(tableView)
    , m_model(new TBEntryTableModel(this))
{
    Q_ASSERT(tableView);
    if (tableView->objectName().isEmpty())
        tableView->setObjectName(QStringLiteral("entryTable"));
    tableView->setModel(m_model);
    tableView->setTableDelegate(this);
    tableView->setItemDelegate(new TBReadOnlyCellDelegate(tableView));
    tableView->setDragEnabled(true);
    tableView->setDragDropMode(QAbstractItemView::DragOnly);
    tableView->setDefaultDropAction(Qt::CopyAction);
    tableView->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    QHeaderView* header = tableView->horizontalHeader();
    header->setObjectName(QStringLiteral("entryTableHeader"));
    header->setMinimumSectionSize(minimumColumnWidth);
    header->setMaximumSectionSize(maximumColumnWidth);
    header->setDefaultSectionSize(defaultColumnWidth);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // A narrow column ends its name with "…", as the cells do; the tool tip has the whole name.
    header->setTextElideMode(Qt::ElideRight);
    header->setStretchLastSection(false);
    header->setSectionsMovable(true);
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    header->setContextMenuPolicy(Qt::CustomContextMenu);

    m_columnsMenu = new QMenu(tableView);
    m_columnsMenu->setObjectName(QStringLiteral("entryTableColumnsMenu"));
    connect(m_columnsMenu, &QMenu::triggered, this, [this](QAction* item) {
        if (item == m_hideAllItem)
            hideAllAttributeColumns();
        else if (item == m_showAllItem)
            showAllAttributeColumns();
        else
            toggleAttributeColumnHiddenState(item);
    });
    connect(header, &QHeaderView::customContextMenuRequested, this,
            [this, header](const QPoint& pos) { m_columnsMenu->popup(header->mapToGlobal(pos)); });

    connect(header, &QHeaderView::sortIndicatorChanged, this, &TBEntryTableController::sortIndicatorChanged);
    const auto layoutChanged = [this] {
        if (m_layoutGuard == 0)
            saveTableState();
    };
    connect(header, &QHeaderView::sectionMoved, this, layoutChanged);
    connect(header, &QHeaderView::sectionResized, this, layoutChanged);
    connect(tableView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TBEntryTableController::selectionChanged);

    // A drag takes the rows with the header line when Alt is held as it starts.
    m_model->setDragTextProvider([this](const QList<int>& rows) {
        return pasteboardDataFromRows(rows, QGuiApplication::keyboardModifiers().testFlag(Qt::AltModifier));
    });

    TBNotificationCenter* center = TBNotificationCenter::defaultCenter();
    center->addObserver(this, TBPrefsHaveChangedNotification,
                        [this](const TBNotification& notification) { prefsHaveChanged(notification); });
    center->addObserver(this, TBPrefsAttributesHaveChangedNotification,
                        [this](const TBNotification& notification) { attributesHaveChanged(notification); });
}

TBEntryTableController::~TBEntryTableController()
{
    if (m_tableView && m_tableView->tableDelegate() == this)
        m_tableView->setTableDelegate(nullptr);
}

// Rows

const TBEntryList& TBEntryTableController::entries() const
{
    return m_model->entries();
}

void TBEntryTableController::setEntries(const TBEntryList& entries)
{
    m_tableView->clearSelection();
    m_model->setEntries(entries);
}

QList<int> TBEntryTableController::selectedRows() const
{
    return m_tableView->selectedRows();
}

TBEntryList TBEntryTableController::selectedEntries() const
{
    return m_model->entriesAtRows(selectedRows());
}

// Columns

bool TBEntryTableController::addTableColumnForAttribute(const QString& name)
{
    ++m_layoutGuard;
    const bool added = m_model->appendColumn(name);
    if (added) {
        const int column = m_model->columnCount() - 1;
        m_tableView->horizontalHeader()->resizeSection(column, fittingColumnWidth(column));
        setColumnHidden(column, !isDisplayed(name));
    }
    --m_layoutGuard;
    return added;
}

int TBEntryTableController::fittingColumnWidth(int column) const
{
    // Room for the header's name and its sort mark, within the usual bounds.
    const QHeaderView* header = m_tableView->horizontalHeader();
    const QString name = m_model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    const QStyle* style = header->style();
    const int margin = style->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    const int mark = style->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, header);
    const int needed = header->fontMetrics().horizontalAdvance(name) + 4 * margin + mark;
    return std::clamp(needed, defaultColumnWidth, maximumColumnWidth);
}

void TBEntryTableController::initAttributeColumns()
{
    TBPreferences* prefs = TBPreferences::sharedPreferences();
    ++m_layoutGuard;
    m_model->removeAllColumns();
    if (prefs->basicAttributes().isEmpty() && prefs->displayedAttributeColumns().isEmpty()) {
        addTableColumnForAttribute(kDN);
        prefs->addToDisplayedAttributeColumns(kDN);
    } else {
        for (const QString& name : QStringList(prefs->basicAttributes()))
            addTableColumnForAttribute(name);
        for (const QString& name : QStringList(prefs->displayedAttributeColumns()))
            addTableColumnForAttribute(name);
    }
    applyColumnLayout();
    for (int column = 0; column < m_model->columnCount(); ++column)
        setColumnHidden(column, !isDisplayed(m_model->identifierAt(column)));
    --m_layoutGuard;
}

void TBEntryTableController::addAttributeColumns(const QSet<QString>& returnedAttributeNames,
                                                 const TBRunSettings& settings, const TBSearchCriteriaPtr& criteria)
{
    TBPreferences* prefs = TBPreferences::sharedPreferences();
    if (!returnedAttributeNames.isEmpty()) {
        prefs->addDiscoveredAttributes(returnedAttributeNames, settings.autoAddDiscoveredAttributes,
                                       settings.autoDisplayAttributeColumns);
        QStringList names(returnedAttributeNames.cbegin(), returnedAttributeNames.cend());
        names.sort();
        for (const QString& name : std::as_const(names)) {
            if (prefs->attributeExists(name))
                addTableColumnForAttribute(name);
        }
    }
    if (criteria) {
        for (const TBSearchItemPtr& item : criteria->searchItems()) {
            if (!item)
                continue;
            const QString name = item->searchAttr().toLower();
            if (!prefs->attributeExists(name))
                continue;
            prefs->addToDisplayedAttributeColumns(name);
            if (!addTableColumnForAttribute(name)) {
                // An existing column of a searched attribute is shown again.
                setColumnHidden(m_model->columnForIdentifier(name), false);
            }
        }
    }
    // Columns known from an earlier layout go back to their places.
    ++m_layoutGuard;
    applyColumnLayout();
    --m_layoutGuard;
    initAttributesColumnsMenu();
}

void TBEntryTableController::updateAttributeColumns()
{
    const TBPreferences* prefs = TBPreferences::sharedPreferences();
    ++m_layoutGuard;
    for (int column = m_model->columnCount() - 1; column >= 0; --column) {
        const QString identifier = m_model->identifierAt(column);
        const TBAttributePtr attribute = prefs->attributeWithName(identifier);
        if (!attribute) {
            m_model->removeColumnAt(column);
            continue;
        }
        if (attribute->attributeName() != identifier)
            m_model->setIdentifierAt(column, attribute->attributeName());
        setColumnHidden(column, !isDisplayed(m_model->identifierAt(column)));
    }
    m_model->refreshColumns();
    updateSortIndicator();
    --m_layoutGuard;
}

void TBEntryTableController::setColumnHidden(int column, bool hidden)
{
    if (column < 0 || column >= m_model->columnCount())
        return;
    ++m_layoutGuard;
    m_tableView->horizontalHeader()->setSectionHidden(column, hidden);
    --m_layoutGuard;
    if (QAction* item = menuItemForColumn(column))
        item->setChecked(!hidden);
}

bool TBEntryTableController::isColumnHidden(const QString& identifier) const
{
    const int column = m_model->columnForIdentifier(identifier);
    return column < 0 || m_tableView->horizontalHeader()->isSectionHidden(column);
}

int TBEntryTableController::numberOfVisibleColumns() const
{
    const QHeaderView* header = m_tableView->horizontalHeader();
    int visible = 0;
    for (int column = 0; column < m_model->columnCount(); ++column) {
        if (!header->isSectionHidden(column))
            ++visible;
    }
    return visible;
}

QStringList TBEntryTableController::columnIdentifiers(bool visibleOnly) const
{
    const QHeaderView* header = m_tableView->horizontalHeader();
    QStringList identifiers;
    for (int visual = 0; visual < m_model->columnCount(); ++visual) {
        const int column = header->logicalIndex(visual);
        if (visibleOnly && header->isSectionHidden(column))
            continue;
        identifiers.append(m_model->identifierAt(column));
    }
    return identifiers;
}

QList<TBExportColumn> TBEntryTableController::exportColumns() const
{
    const QHeaderView* header = m_tableView->horizontalHeader();
    QList<TBExportColumn> columns;
    for (int visual = 0; visual < m_model->columnCount(); ++visual) {
        const int column = header->logicalIndex(visual);
        columns.append({m_model->identifierAt(column), header->isSectionHidden(column)});
    }
    return columns;
}

// Columns menu

QString TBEntryTableController::menuTitleForColumn(int column) const
{
    const TBPreferences* prefs = TBPreferences::sharedPreferences();
    const QString name = m_model->identifierAt(column);
    const QString friendly = prefs->showFriendlyAttrs() ? prefs->friendlyNameForAttribute(name) : QString();
    return friendly.isEmpty() ? name : QStringLiteral("%1 (%2)").arg(name, friendly);
}

QAction* TBEntryTableController::menuItemForColumn(int column) const
{
    const TBAttributePtr attribute = m_model->columns().value(column).attribute;
    if (!attribute)
        return nullptr;
    const QList<QAction*> items = m_columnsMenu->actions();
    for (qsizetype i = 3; i < items.size(); ++i) {
        if (items.at(i)->data().toLongLong() == attribute->attributeID())
            return items.at(i);
    }
    return nullptr;
}

void TBEntryTableController::initAttributesColumnsMenu()
{
    TBPreferences* prefs = TBPreferences::sharedPreferences();
    m_columnsMenu->clear();
    m_hideAllItem = m_columnsMenu->addAction(tr("Hide All Columns"));
    m_hideAllItem->setObjectName(QStringLiteral("hideAllAttributeColumns:"));
    m_showAllItem = m_columnsMenu->addAction(tr("Show All Columns"));
    m_showAllItem->setObjectName(QStringLiteral("showAllAttributeColumns:"));
    for (QAction* item : {m_hideAllItem, m_showAllItem}) {
        item->setData(qint64(-1));
        item->setEnabled(!prefs->displayedAttributeColumns().isEmpty());
    }
    m_columnsMenu->addSeparator();
    if (prefs->displayedAttributeColumns().isEmpty()) {
        QAction* none = m_columnsMenu->addAction(tr("No Attributes Yet"));
        none->setData(qint64(-1));
        none->setEnabled(false);
        return;
    }

    QList<int> columns;
    for (int column = 0; column < m_model->columnCount(); ++column)
        columns.append(column);
    std::sort(columns.begin(), columns.end(),
              [this](int a, int b) { return m_model->identifierAt(a) < m_model->identifierAt(b); });
    const QHeaderView* header = m_tableView->horizontalHeader();
    for (int column : std::as_const(columns)) {
        const TBAttributePtr attribute = m_model->columns().at(column).attribute;
        QAction* item = m_columnsMenu->addAction(menuTitleForColumn(column));
        item->setData(attribute ? attribute->attributeID() : qint64(-2));
        item->setCheckable(true);
        item->setChecked(!header->isSectionHidden(column));
    }
}

void TBEntryTableController::updateAttributesColumnsMenu()
{
    if (m_columnsMenu->actions().size() - 3 != m_model->columnCount()) {
        initAttributesColumnsMenu();
        return;
    }
    const QHeaderView* header = m_tableView->horizontalHeader();
    for (int column = 0; column < m_model->columnCount(); ++column) {
        QAction* item = menuItemForColumn(column);
        if (!item)
            continue;
        const QString title = menuTitleForColumn(column);
        if (item->text() != title)
            item->setText(title);
        item->setChecked(!header->isSectionHidden(column));
    }
}

void TBEntryTableController::hideAllAttributeColumns()
{
    for (int column = 0; column < m_model->columnCount(); ++column)
        setColumnHidden(column, true);
    if (!entries().isEmpty())
        showDNAttributeColumn();
}

void TBEntryTableController::showAllAttributeColumns()
{
    for (int column = 0; column < m_model->columnCount(); ++column)
        setColumnHidden(column, false);
}

void TBEntryTableController::toggleAttributeColumnHiddenState(QAction* item)
{
    if (!item)
        return;
    const qint64 tag = item->data().toLongLong();
    for (int column = 0; column < m_model->columnCount(); ++column) {
        const TBAttributePtr attribute = m_model->columns().at(column).attribute;
        if (!attribute || attribute->attributeID() != tag)
            continue;
        // The column's own state decides: a checkable item has already flipped when triggered.
        setColumnHidden(column, !m_tableView->horizontalHeader()->isSectionHidden(column));
        break;
    }
    if (numberOfVisibleColumns() == 0 && !entries().isEmpty())
        showDNAttributeColumn();
}

void TBEntryTableController::showDNAttributeColumn()
{
    for (int column = 0; column < m_model->columnCount(); ++column) {
        if (m_model->identifierAt(column).compare(kDN, Qt::CaseInsensitive) == 0) {
            setColumnHidden(column, false);
            return;
        }
    }
}

// Sorting

void TBEntryTableController::sortIndicatorChanged(int section, Qt::SortOrder order)
{
    if (!m_model->isSortable(section)) {
        // Pictures and binary values have no order: the header keeps the previous sort.
        updateSortIndicator();
        return;
    }
    m_tableView->clearSelection();
    m_model->sort(section, order);
    if (m_model->rowCount() > 1)
        Q_EMIT entriesChanged();
    if (m_layoutGuard == 0)
        saveTableState();
}

void TBEntryTableController::updateSortIndicator()
{
    QHeaderView* header = m_tableView->horizontalHeader();
    const QSignalBlocker blocker(header);
    header->setSortIndicator(m_model->sortColumn(), m_model->sortOrder());
}

// Layout

QString TBEntryTableController::tableStateKey()
{
    return QStringLiteral("NSTableView Columns v2 EntryTable");
}

void TBEntryTableController::saveTableState()
{
    TBUserDefaults* store = TBPreferences::sharedPreferences()->store();
    if (!store)
        return;
    // The header's state is by column number; the names say which attribute each number was.
    QVariantList identifiers;
    for (const TBEntryTableModel::Column& column : m_model->columns())
        identifiers.append(column.identifier);
    const QVariantMap state {{kIdentifiers, identifiers}, {kHeaderState, m_tableView->horizontalHeader()->saveState()}};
    store->setObject(state, tableStateKey());
}

void TBEntryTableController::restoreTableState()
{
    ++m_layoutGuard;
    applyColumnLayout();
    --m_layoutGuard;
}

void TBEntryTableController::applyColumnLayout()
{
    TBUserDefaults* store = TBPreferences::sharedPreferences()->store();
    if (!store || m_model->columnCount() == 0)
        return;
    const QVariantMap saved = store->dictionaryForKey(tableStateKey());
    const QVariant rawState = saved.value(kHeaderState);
    const QVariant rawIdentifiers = saved.value(kIdentifiers);
    if (rawState.typeId() != QMetaType::QByteArray || rawIdentifiers.typeId() != QMetaType::QVariantList)
        return;
    QStringList identifiers;
    for (const QVariant& value : rawIdentifiers.toList())
        identifiers.append(value.typeId() == QMetaType::QString ? value.toString() : QString());
    if (identifiers.isEmpty())
        return;

    // Read the saved state in a header of its own size, then place the columns by name: the
    // columns of this window need not be the ones that were saved.
    QStandardItemModel savedModel(0, int(identifiers.size()));
    QHeaderView savedHeader(Qt::Horizontal);
    savedHeader.setModel(&savedModel);
    if (!savedHeader.restoreState(rawState.toByteArray()) || savedHeader.count() != identifiers.size())
        return;
    struct Place
    {
        int visual;
        int width;
    };
    QHash<QString, Place> places;
    for (int i = 0; i < identifiers.size(); ++i) {
        if (!identifiers.at(i).isEmpty())
            places.insert(identifiers.at(i).toCaseFolded(), {savedHeader.visualIndex(i), savedHeader.sectionSize(i)});
    }

    QHeaderView* header = m_tableView->horizontalHeader();
    const int count = m_model->columnCount();
    QList<int> order(count);
    QList<qint64> ranks(count);
    for (int column = 0; column < count; ++column) {
        order[column] = column;
        const auto place = places.constFind(m_model->identifierAt(column).toCaseFolded());
        // Unknown columns follow the known ones, in the order they came.
        ranks[column] = place != places.cend() ? place->visual : qint64(identifiers.size()) + column;
        if (place != places.cend() && place->width > 0)
            header->resizeSection(column, std::clamp(place->width, minimumColumnWidth, maximumColumnWidth));
    }
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return ranks[a] < ranks[b]; });
    for (int visual = 0; visual < count; ++visual) {
        const int from = header->visualIndex(order.at(visual));
        if (from != visual)
            header->moveSection(from, visual);
    }

    const int savedSort = savedHeader.sortIndicatorSection();
    if (savedSort >= 0 && savedSort < identifiers.size() && m_model->sortColumn() < 0) {
        const int column = m_model->columnForIdentifier(identifiers.at(savedSort));
        if (m_model->isSortable(column)) {
            m_model->setSortIdentifier(m_model->identifierAt(column), savedHeader.sortIndicatorOrder());
            updateSortIndicator();
        }
    }
}

// Copy, delete, export

QString TBEntryTableController::pasteboardDataFromRows(const QList<int>& rows, bool includeHeader) const
{
    return TBExport::pasteboardText(m_model->entriesAtRows(rows), columnIdentifiers(true), includeHeader);
}

bool TBEntryTableController::copySelectedRows(Qt::KeyboardModifiers modifiers)
{
    const QList<int> rows = selectedRows();
    if (rows.isEmpty())
        return false;
    const QString text = pasteboardDataFromRows(rows, modifiers.testFlag(Qt::AltModifier));
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
    if (clipboard->text() != text) {
        QApplication::beep();
        return false;
    }
    return true;
}

void TBEntryTableController::deleteSelectedRows()
{
    const QList<int> rows = selectedRows();
    if (rows.isEmpty())
        return;
    m_tableView->clearSelection();
    m_model->removeEntriesAtRows(rows);
    Q_EMIT entriesChanged();
    Q_EMIT rowsDeleted();
}

void TBEntryTableController::copySelectedRowsInTableView(TBTableView* tableView)
{
    copySelectedRows(tableView->eventModifiers());
}

void TBEntryTableController::deleteSelectedRowsInTableView(TBTableView*)
{
    deleteSelectedRows();
}

bool TBEntryTableController::exportEntriesToPath(qint64 format, bool selectedRowsOnly, bool includeAttrNames,
                                                 bool visibleColumnsOnly, const QString& path,
                                                 TBExportMessage* message) const
{
    const TBEntryList rows = selectedRowsOnly ? selectedEntries() : entries();
    const QStringList attributes = TBExport::exportedAttributes(exportColumns(), visibleColumnsOnly);
    return TBExport::exportEntriesToFile(rows, format, attributes, includeAttrNames,
                                         TBPreferences::sharedPreferences()->renderingContext(), path, message);
}

// Notifications

void TBEntryTableController::prefsHaveChanged(const TBNotification&)
{
    // Friendly names and AD date settings change what the header and the cells show.
    m_model->refreshColumns();
    updateAttributesColumnsMenu();
}

void TBEntryTableController::attributesHaveChanged(const TBNotification& notification)
{
    updateAttributeColumns();
    // Columns the user turns on in the preferences window come at once. Columns that a search in
    // another window showed for what it found wait for this table's own results.
    if (notification.sender != TBPreferences::sharedPreferences())
        addDisplayedAttributeColumns();
    updateAttributesColumnsMenu();

    // Friendly names and kinds are part of the entries' texts: drop what was drawn with the old
    // ones, and draw the details again. Only the basic and column lists changing leaves them be.
    const bool listsOnly = notification.userInfo.value(QStringLiteral("PrefNotifyAction")).toLongLong()
            == TBPrefNotifyAttributeListsChanged
        && !notification.userInfo.contains(QStringLiteral("AttributeIDs"));
    if (listsOnly)
        return;
    for (const TBEntryPtr& entry : entries()) {
        if (entry)
            entry->renderingCache().reset();
    }
    if (!selectedRows().isEmpty())
        Q_EMIT selectionChanged();
}

void TBEntryTableController::addDisplayedAttributeColumns()
{
    const TBPreferences* prefs = TBPreferences::sharedPreferences();
    const QList<int> selected = selectedRows();
    bool added = false;
    for (const QString& name : QStringList(prefs->displayedAttributeColumns())) {
        if (prefs->attributeExists(name) && m_model->columnForIdentifier(name) < 0)
            added = addTableColumnForAttribute(name) || added;
    }
    if (!added)
        return;
    ++m_layoutGuard;
    applyColumnLayout();
    --m_layoutGuard;
    // A selected row takes in its new cells, so it still counts as a selected row.
    QItemSelection rows;
    for (int row : selected)
        rows.select(m_model->index(row, 0), m_model->index(row, m_model->columnCount() - 1));
    m_tableView->selectionModel()->select(rows, QItemSelectionModel::Select);
}
