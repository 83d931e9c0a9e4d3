#include "TBPrefsAttributesTab.h"

#include "TBAttributeAttrItem.h"
#include "TBAttributeGroupItem.h"
#include "TBAttributeTableController.h"
#include "TBEditAttributeSheet.h"
#include "TBNotificationCenter.h"
#include "TBPreferences.h"

#include <QAction>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

const QString kPrefNotifyAction = QStringLiteral("PrefNotifyAction");
const QString kAttributeNames = QStringLiteral("AttributeNames");
const QString kAttributeIDs = QStringLiteral("AttributeIDs");

// Keeps the store quiet while the tab makes several changes that it announces once.
class TBQuietStore
{
public:
    explicit TBQuietStore(TBPreferences* prefs)
        : m_prefs(prefs)
        , m_couldNotify(prefs->canNotify())
    {
        m_prefs->setCanNotify(false);
    }
    ~TBQuietStore() { m_prefs->setCanNotify(m_couldNotify); }
    TBQuietStore(const TBQuietStore&) = delete;
    TBQuietStore& operator=(const TBQuietStore&) = delete;

private:
    TBPreferences* m_prefs;
    bool m_couldNotify;
};

bool isCheckColumn(int column)
{
    return column == TBAttributeTableController::BasicAttributeColumn
        || column == TBAttributeTableController::ShowColumnColumn;
}

QList<qint64> identifiersIn(const QVariant& value)
{
    QList<qint64> ids;
    for (const QVariant& id : value.toList())
        ids.append(id.toLongLong());
    return ids;
}

} // namespace

TBPrefsAttributesTab::TBPrefsAttributesTab(QWidget* parent)
    : TBPrefsTab(QStringLiteral("Attributes"), parent)
{
    auto* hint = new QLabel(tr("Basic attributes are offered in the attribute menus of the search conditions; shown "
                               "columns appear in the search results. Default attributes cannot be changed: editing "
                               "one makes a custom copy. Right-click a row for more commands."));
    hint->setWordWrap(true);

    m_attributesTable = new QTreeView;
    m_attributesTable->setObjectName(QStringLiteral("attributesTable"));
    m_attributeTableController = new TBAttributeTableController(this);
    m_attributeTableController->setObjectName(QStringLiteral("attributeTableController"));
    m_attributeTableController->setAttributesTable(m_attributesTable);

    m_attributesAddButton = makeButton(QStringLiteral("attributesAddButton"), tr("Add…"));
    m_attributesAddButton->setToolTip(
        tr("Add an attribute. Hold Alt, or press Ctrl+D in the list, to duplicate the selected one."));
    connect(m_attributesAddButton, &QPushButton::clicked, this, &TBPrefsAttributesTab::addAttribute);
    m_attributesEdtButton = makeButton(QStringLiteral("attributesEdtButton"), tr("Edit…"));
    connect(m_attributesEdtButton, &QPushButton::clicked, this, [this] { edtAttribute(m_attributesEdtButton); });
    m_attributesDelButton = makeButton(QStringLiteral("attributesDelButton"), tr("Delete"));
    m_attributesDelButton->setToolTip(tr("Delete the selected custom attributes. Default attributes stay."));
    connect(m_attributesDelButton, &QPushButton::clicked, this, &TBPrefsAttributesTab::delAttribute);
    m_resetAttributesButton = makeButton(QStringLiteral("resetAttributesButton"), tr("Reset…"));
    m_resetAttributesButton->setToolTip(
        tr("Reset the basic and column choices. Hold Alt, or use the list's menu, to skip the question."));
    connect(m_resetAttributesButton, &QPushButton::clicked, this, &TBPrefsAttributesTab::resetAttributes);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_attributesAddButton);
    buttons->addWidget(m_attributesEdtButton);
    buttons->addWidget(m_attributesDelButton);
    buttons->addStretch();
    buttons->addWidget(m_resetAttributesButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->addWidget(hint);
    layout->addWidget(m_attributesTable, 1);
    layout->addLayout(buttons);

    // The menu's commands, with their shortcuts while the outline has the focus.
    m_attributesMenu = new QMenu(this);
    m_attributesMenu->setObjectName(QStringLiteral("attributesMenu"));
    QMenu* menu = m_attributesMenu;
    m_addAction = addTableCommand(menu, m_attributesTable, QStringLiteral("addAttributeAction"), tr("Add…"));
    connect(m_addAction, &QAction::triggered, this, &TBPrefsAttributesTab::addAttribute);
    m_duplicateAction = addTableCommand(menu, m_attributesTable, QStringLiteral("duplicateAttributeAction"),
                                        tr("Duplicate"), {QKeySequence(Qt::CTRL | Qt::Key_D)});
    connect(m_duplicateAction, &QAction::triggered, this, &TBPrefsAttributesTab::duplicateAttribute);
    m_editAction = addTableCommand(menu, m_attributesTable, QStringLiteral("editAttributeAction"), tr("Edit…"));
    connect(m_editAction, &QAction::triggered, this, [this] { edtAttribute(m_editAction); });
    m_deleteAction = addTableCommand(menu, m_attributesTable, QStringLiteral("deleteAttributeAction"), tr("Delete"),
                                     {QKeySequence(Qt::Key_Delete), QKeySequence(Qt::Key_Backspace)});
    connect(m_deleteAction, &QAction::triggered, this, &TBPrefsAttributesTab::delAttribute);
    menu->addSeparator();
    m_basicAction
        = addTableCommand(menu, m_attributesTable, QStringLiteral("toggleBasicAttributeAction"), tr("Basic Attribute"));
    m_basicAction->setCheckable(true);
    connect(m_basicAction, &QAction::triggered, this, [this] { toggle(currentAttributeIndex(), true); });
    m_showColumnAction
        = addTableCommand(menu, m_attributesTable, QStringLiteral("toggleShowColumnAction"), tr("Show Column"));
    m_showColumnAction->setCheckable(true);
    connect(m_showColumnAction, &QAction::triggered, this, [this] { toggle(currentAttributeIndex(), false); });
    menu->addSeparator();
    m_resetAction = addTableCommand(menu, m_attributesTable, QStringLiteral("resetAttributesAction"), tr("Reset…"));
    connect(m_resetAction, &QAction::triggered, this, &TBPrefsAttributesTab::resetAttributes);
    m_resetWithoutAskingAction = addTableCommand(
        menu, m_attributesTable, QStringLiteral("resetAttributesWithoutAskingAction"), tr("Reset Without Asking"));
    connect(m_resetWithoutAskingAction, &QAction::triggered, this, &TBPrefsAttributesTab::resetAttributesWithoutAsking);
    setTableMenu(m_attributesTable, [this] { return attributesMenu(); });

    connect(m_attributesTable, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
        m_clickedIndex = index;
        edtAttribute(m_attributesTable);
        m_clickedIndex = QModelIndex();
    });
    connect(m_attributeTableController, &TBAttributeTableController::selectionChanged, this,
            &TBPrefsAttributesTab::updateAttributeButtons);
    updateAttributeButtons();
    TBNotificationCenter::defaultCenter()->addObserver(
        this, TBPrefsAttributesHaveChangedNotification,
        [this](const TBNotification& notification) { prefsAttributesHaveChangedNotification(notification); });
}

QMenu* TBPrefsAttributesTab::attributesMenu()
{
    updateAttributeButtons();
    return m_attributesMenu;
}

void TBPrefsAttributesTab::updateAttributeButtons()
{
    const QList<TBAttributeAttrItem*> selected = m_attributeTableController->selectedAttributeItems();
    const bool deletable = m_attributeTableController->anySelectedItemIsDeletable();
    m_attributesAddButton->setEnabled(true);
    m_attributesDelButton->setEnabled(deletable);
    m_attributesEdtButton->setEnabled(selected.size() == 1);

    m_duplicateAction->setEnabled(selected.size() == 1);
    m_editAction->setEnabled(selected.size() == 1);
    m_deleteAction->setEnabled(deletable);
    const TBAttributeItem* current = m_attributeTableController->itemForIndex(currentAttributeIndex());
    const auto* row = static_cast<const TBAttributeAttrItem*>(current);
    const TBAttributePtr attribute = row ? row->attribute() : nullptr;
    m_basicAction->setEnabled(attribute != nullptr);
    m_showColumnAction->setEnabled(attribute != nullptr);
    m_basicAction->setChecked(attribute && prefs()->isBasicAttribute(attribute->attributeName()));
    m_showColumnAction->setChecked(attribute
                                   && prefs()->isAttributeColumnDisplayedForAttribute(attribute->attributeName()));
}

QModelIndex TBPrefsAttributesTab::currentAttributeIndex() const
{
    const QList<TBAttributeAttrItem*> selected = m_attributeTableController->selectedAttributeItems();
    const QModelIndex current = m_attributesTable->currentIndex();
    const TBAttributeItem* item = m_attributeTableController->itemForIndex(current);
    if (item && item->itemType() == TBAttributeItem::AttrItem
        && selected.contains(static_cast<const TBAttributeAttrItem*>(item)))
        return m_attributeTableController->indexForItem(item);
    return selected.isEmpty() ? QModelIndex() : m_attributeTableController->indexForItem(selected.first());
}

// ---------------------------------------------------------------- the sheet

TBAttributePtr TBPrefsAttributesTab::copyOf(const TBAttribute& attribute) const
{
    TBAttributePtr copy = TBAttribute::attributeWithAttribute(attribute);
    copy->setAttributeName(QStringLiteral("copyof%1").arg(attribute.attributeName()));
    copy->setDefaultAttr(false);
    return copy;
}

void TBPrefsAttributesTab::addAttribute()
{
    if (m_editingAttribute)
        return; // the sheet is already up
    if ((currentModifiers() & Qt::AltModifier) && m_attributeTableController->selectedAttributeItems().size() == 1) {
        duplicateAttribute();
        return;
    }
    openEditSheet(TBAttribute::attribute(), -2);
}

void TBPrefsAttributesTab::duplicateAttribute()
{
    const QList<TBAttributeAttrItem*> selected = m_attributeTableController->selectedAttributeItems();
    if (m_editingAttribute || selected.size() != 1 || !selected.first()->attribute())
        return;
    openEditSheet(copyOf(*selected.first()->attribute()), -2);
}

void TBPrefsAttributesTab::edtAttribute(QObject* sender)
{
    if (m_editingAttribute)
        return;
    const QList<TBAttributeAttrItem*> selected = m_attributeTableController->selectedAttributeItems();
    QModelIndex index;
    if (sender == m_attributesTable) {
        index = m_clickedIndex;
        if (isCheckColumn(index.column()))
            return; // a double-click on a box only toggles it
    } else if (sender == m_attributesEdtButton || sender == m_editAction) {
        if (selected.size() == 1)
            index = m_attributeTableController->indexForItem(selected.first());
    } else if (sender == m_attributeTableController) {
        // Return: the current row, a group or "None Defined" included, unless it lies outside the selection.
        index = m_attributesTable->currentIndex();
        const bool outside
            = !selected.isEmpty() && !m_attributesTable->selectionModel()->isRowSelected(index.row(), index.parent());
        if (!index.isValid() || outside)
            index = selected.isEmpty() ? QModelIndex() : m_attributeTableController->indexForItem(selected.first());
    } else {
        return;
    }
    const TBAttributeItem* item = m_attributeTableController->itemForIndex(index);
    if (!item)
        return;
    switch (item->itemType()) {
    case TBAttributeItem::NoneItem: {
        TBAttributePtr attribute = TBAttribute::attribute();
        attribute->setAttributeType(item->attributeType());
        openEditSheet(attribute, -2);
        break;
    }
    case TBAttributeItem::GroupItem:
        m_attributeTableController->toggleAttributeItemGroup(item->itemGroup());
        break;
    case TBAttributeItem::AttrItem: {
        const TBAttributePtr attribute = static_cast<const TBAttributeAttrItem*>(item)->attribute();
        if (!attribute)
            return;
        // A default attribute never changes: saving its copy makes a custom one.
        if (attribute->defaultAttr())
            openEditSheet(copyOf(*attribute), -2);
        else
            openEditSheet(TBAttribute::attributeWithAttribute(*attribute), attribute->attributeID());
        break;
    }
    default:
        break;
    }
}

void TBPrefsAttributesTab::openEditSheet(const TBAttributePtr& workingCopy, qint64 editingID)
{
    m_editingAttribute = workingCopy;
    m_editingAttributeID = editingID;
    if (!m_editAttributeSheet) {
        m_editAttributeSheet = new TBEditAttributeSheet(window());
        connect(m_editAttributeSheet, &TBEditAttributeSheet::okClicked, this, &TBPrefsAttributesTab::editAttributeOK);
        connect(m_editAttributeSheet, &QDialog::rejected, this, &TBPrefsAttributesTab::editAttributeCancel);
    }
    m_editAttributeSheet->updateEditAttributeUI(*m_editingAttribute);
    m_editAttributeSheet->open();
}

bool TBPrefsAttributesTab::attributeNameIsUnique(const QString& name, qint64 ignoringID) const
{
    for (const TBAttributeList* list : prefs()->allAttributeArrays()) {
        for (const TBAttributePtr& attribute : *list) {
            if (attribute && attribute->attributeID() != ignoringID
                && attribute->attributeName().compare(name, Qt::CaseInsensitive) == 0)
                return false;
        }
    }
    return true;
}

bool TBPrefsAttributesTab::attributeInfoValid()
{
    TBEditAttributeSheet* sheet = m_editAttributeSheet;
    auto refuse = [sheet](const QString& text, const QString& informative) {
        sheet->focusNameField();
        alert(sheet, false, text, informative)->open();
        return false;
    };
    const QString name = sheet->attributeName();
    if (name.isEmpty())
        return refuse(QStringLiteral("\"Attribute Name\" value is missing."),
                      QStringLiteral("Please enter a unique name for this attribute."));
    // A custom definition that hides a default one of its name (from an older settings file) can
    // still be edited as long as it keeps that name.
    const TBAttributePtr edited = m_editingAttributeID == -2 ? nullptr : prefs()->attributeWithID(m_editingAttributeID);
    const bool keepsItsName = edited && edited->attributeName().compare(name, Qt::CaseInsensitive) == 0;
    if (!keepsItsName && !attributeNameIsUnique(name, m_editingAttributeID))
        return refuse(QStringLiteral("Attribute name must be unique"),
                      QStringLiteral("There is already an attribute with the name \u201c%1\u201d.")
                          .arg(TBAttributeTableController::shownName(name)));
    return true;
}

void TBPrefsAttributesTab::editAttributeOK()
{
    if (!m_editingAttribute || !m_editAttributeSheet || !attributeInfoValid())
        return;
    const QString name = m_editAttributeSheet->attributeName();
    const QString friendlyName = m_editAttributeSheet->friendlyName();
    const qint64 type = m_editAttributeSheet->attributeType();
    m_editAttributeSheet->done(QDialog::Accepted);

    TBPreferences* p = prefs();
    QVariantMap info;
    {
        TBQuietStore quiet(p);
        // The stored object itself changes, so columns showing it follow; should it have gone
        // meanwhile, the copy is added instead of being lost.
        if (m_editingAttributeID != -2 && p->changeAttribute(m_editingAttributeID, name, friendlyName, type)) {
            info = {{kPrefNotifyAction, QVariant::fromValue<qint64>(TBPrefNotifyAttributeListsChanged)},
                    {kAttributeIDs, QVariantList {QVariant::fromValue<qint64>(m_editingAttributeID)}}};
        } else {
            m_editingAttribute->setAttributeName(name);
            m_editingAttribute->setFriendlyName(friendlyName);
            m_editingAttribute->setAttributeType(type);
            p->addAttribute(m_editingAttribute);
            info = {{kPrefNotifyAction, QVariant::fromValue<qint64>(TBPrefNotifyAttributesAdded)},
                    {kAttributeNames, QStringList {name}}};
        }
    }
    m_editingAttribute.reset();
    m_editingAttributeID = -2;
    saveAndPost(info);
}

void TBPrefsAttributesTab::editAttributeCancel()
{
    if (m_editAttributeSheet && m_editAttributeSheet->isVisible())
        m_editAttributeSheet->done(QDialog::Rejected);
    m_editingAttribute.reset();
    m_editingAttributeID = -2;
}

// ---------------------------------------------------------------- delete, toggles, reset

void TBPrefsAttributesTab::delAttribute()
{
    TBAttributeList doomed;
    for (const TBAttributeAttrItem* item : m_attributeTableController->selectedAttributeItems())
        doomed.append(item->attribute());
    if (doomed.isEmpty())
        return;
    TBPreferences* p = prefs();
    QStringList removed;
    {
        TBQuietStore quiet(p);
        for (const TBAttributePtr& attribute : std::as_const(doomed)) {
            if (!attribute || attribute->defaultAttr())
                continue;
            const QString name = attribute->attributeName();
            p->removeAttributeID(attribute->attributeID());
            removed.append(name);
            // A default definition of the same name keeps its places in the menus and columns.
            if (!p->attributeExists(name)) {
                p->removeFromBasicAttributes(name);
                p->removeFromDisplayedAttributeColumns(name);
            }
        }
    }
    saveAndPost(
        {{kPrefNotifyAction, QVariant::fromValue<qint64>(TBPrefNotifyAttributesRemoved)}, {kAttributeNames, removed}});
}

void TBPrefsAttributesTab::toggleBasicAttribute(const QModelIndex& clicked)
{
    toggle(clicked, true);
}

void TBPrefsAttributesTab::toggleShowColumn(const QModelIndex& clicked)
{
    toggle(clicked, false);
}

void TBPrefsAttributesTab::toggle(const QModelIndex& clicked, bool basic)
{
    TBAttributeItem* item = m_attributeTableController->itemForIndex(clicked);
    if (!item || item->itemType() != TBAttributeItem::AttrItem)
        return;
    auto* row = static_cast<TBAttributeAttrItem*>(item);
    if (!row->attribute())
        return;
    QList<TBAttributeAttrItem*> rows = m_attributeTableController->selectedAttributeItems();
    if (!rows.contains(row))
        rows = {row};
    QStringList names;
    for (const TBAttributeAttrItem* selected : std::as_const(rows)) {
        if (selected->attribute())
            names.append(selected->attribute()->attributeName());
    }

    TBPreferences* p = prefs();
    const QString& clickedName = row->attribute()->attributeName();
    const bool wasOn
        = basic ? p->isBasicAttribute(clickedName) : p->isAttributeColumnDisplayedForAttribute(clickedName);
    const QStringList before = basic ? p->basicAttributes() : p->displayedAttributeColumns();
    {
        TBQuietStore quiet(p);
        if (basic && wasOn) {
            p->removeMultFromBasicAttributes(names);
        } else if (basic) {
            p->addMultToBasicAttributes(names);
            QStringList sorted = p->basicAttributes();
            sorted.sort();
            p->registry().setBasicAttributes(sorted);
        } else if (wasOn) {
            p->removeMultFromDisplayedAttributeColumns(names);
        } else {
            p->addMultToDisplayedAttributeColumns(names);
        }
    }
    if ((basic ? p->basicAttributes() : p->displayedAttributeColumns()) == before)
        return;
    // All the rows the click applied to: with several, the selection stays as it is.
    saveAndPost({{kPrefNotifyAction, QVariant::fromValue<qint64>(TBPrefNotifyAttributeListsChanged)},
                 {kAttributeNames, names}});
}

void TBPrefsAttributesTab::resetAttributes()
{
    if (currentModifiers() & Qt::AltModifier) {
        resetAttributesWithoutAsking();
        return;
    }
    confirm(window(), true, QStringLiteral("Reset attributes to their default settings?"),
            QStringLiteral("This only resets the \u201cBasic\u201d and \u201cShow\u201d values. It "
                           "will not remove any added custom attributes."),
            QStringLiteral("Reset"), QStringLiteral("resetButton"), this, [this] { resetAttributesWithoutAsking(); });
}

void TBPrefsAttributesTab::resetAttributesWithoutAsking()
{
    TBPreferences* p = prefs();
    {
        TBQuietStore quiet(p);
        p->resetAttributes();
    }
    saveAndPost({{kPrefNotifyAction, QVariant::fromValue<qint64>(TBPrefNotifyAttributesRemoved)}});
}

void TBPrefsAttributesTab::saveAndPost(const QVariantMap& userInfo)
{
    savePreferences();
    TBNotificationCenter::defaultCenter()->post(TBPrefsAttributesHaveChangedNotification, window(), userInfo);
}

// ---------------------------------------------------------------- changes from anywhere

void TBPrefsAttributesTab::prefsAttributesHaveChangedNotification(const TBNotification& notification)
{
    const TBPreferences* p = prefs();
    TBAttributeTableController* outline = m_attributeTableController;
    const QVariantMap& info = notification.userInfo;
    const QStringList names = info.value(kAttributeNames).toStringList();
    const QList<qint64> ids = identifiersIn(info.value(kAttributeIDs));

    switch (info.value(kPrefNotifyAction).toLongLong()) {
    case TBPrefNotifyAttributesRemoved:
        outline->reloadCustomAttributes();
        m_attributesTable->clearSelection();
        break;
    case TBPrefNotifyAttributesAdded: {
        QList<qint64> added = ids;
        if (!info.contains(kAttributeIDs)) {
            for (const QString& name : names) {
                if (const TBAttributePtr attribute = p->attributeWithName(name))
                    added.append(attribute->attributeID());
            }
        }
        QSet<qint64> types;
        for (qint64 id : std::as_const(added)) {
            if (const TBAttributePtr attribute = p->attributeWithID(id))
                types.insert(attribute->attributeType());
        }
        outline->reloadCustomAttributes();
        for (qint64 type : {TBAttributeTypeText, TBAttributeTypeImage, TBAttributeTypeBinary}) {
            if (types.contains(type))
                outline->expandAttributeItemGroup(TBAttributeItem::itemGroupFromAttributeType(type));
        }
        for (qint64 id : std::as_const(added))
            outline->selectItemWithAttributeID(id, added.size() > 1);
        break;
    }
    case TBPrefNotifyAttributeListsChanged: {
        TBAttributePtr attribute;
        if (names.size() == 1)
            attribute = p->attributeWithName(names.first());
        else if (ids.size() == 1)
            attribute = p->attributeWithID(ids.first());
        outline->reloadCustomAttributes();
        if (attribute) {
            // A custom one was edited here: its group opens. A default group opens only by the user.
            if (!attribute->defaultAttr())
                outline->expandAttributeItemGroup(
                    TBAttributeItem::itemGroupFromAttributeType(attribute->attributeType()));
            outline->selectItemWithAttributeID(attribute->attributeID(), false);
        }
        break;
    }
    default:
        // Nothing said what changed: the rows are only brought up to date.
        outline->reloadCustomAttributes();
        break;
    }
    updateAttributeButtons();
}
