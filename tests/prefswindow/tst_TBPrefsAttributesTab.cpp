#include "TBPrefsAttributesTab.h"

#include "TBDetailsTextView.h"
#include "TBEditAttributeSheet.h"
#include "TBEntryTableController.h"
#include "TBEntryTableModel.h"
#include "TBNotificationCenter.h"
#include "TBPrefsController.h"
#include "TBPrefsWindowTest.h"
#include "TBSearchCriteriaRow.h"
#include "TBSearchCriteriaTableController.h"
#include "TBSearchDocument.h"
#include "TBTableView.h"
#include "TBTestModel.h"
#include "TBTestPrefs.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeView>
#include <QtTest>

#include <memory>

using namespace TBPrefsWindowTest;

namespace {

QStringList namesOf(const TBAttributeList& list)
{
    QStringList names;
    for (const TBAttributePtr& attribute : list)
        names.append(attribute->attributeName());
    return names;
}

const QStringList kFallbackBasic {"dn", "cn", "sn", "ou", "mail", "objectclass"};
const QStringList kFallbackColumns {"dn", "cn", "sn", "ou", "mail"};

} // namespace

// The "Attributes" tab: adding, duplicating, editing, deleting and resetting attributes, the
// sheet's checks, the basic and column choices, and how the tab follows changes made elsewhere.
// After each change the settings file is read back by another reader.
class tst_TBPrefsAttributesTab : public QObject
{
    Q_OBJECT

    TBTestPrefs m_prefs;
    QObject m_observer;
    QList<TBNotification> m_notifications;
    Qt::KeyboardModifiers m_modifiers = Qt::NoModifier;

    TBPreferences* prefs() const { return TBPreferences::sharedPreferences(); }

    // A preferences window showing the tab, over the given settings.
    std::unique_ptr<TBPrefsController> windowWith(const QVariantMap& stored)
    {
        m_prefs.prefsWith(stored);
        auto window = std::make_unique<TBPrefsController>();
        window->toolbarClicked(QStringLiteral("Attributes"));
        window->resize(700, 900);
        // An animating outline takes no clicks; these tests click right after opening groups.
        window->attributesTable()->setAnimated(false);
        window->show();
        window->activateWindow(); // shortcuts work in the active window only
        if (!QTest::qWaitForWindowActive(window.get()))
            qWarning("The preferences window was not shown");
        m_notifications.clear();
        m_modifiers = Qt::NoModifier;
        return window;
    }

    QVariantMap read() const
    {
        const QVariantMap map = m_prefs.readByPython();
        if (map.isEmpty())
            qWarning("The settings file did not read");
        return map;
    }

    QList<QVariantMap> changes() const
    {
        QList<QVariantMap> infos;
        for (const TBNotification& n : m_notifications) {
            if (n.name == TBPrefsAttributesHaveChangedNotification)
                infos.append(n.userInfo);
        }
        return infos;
    }

    static QAction* action(TBPrefsAttributesTab* tab, const QString& name)
    {
        auto* found = tab->findChild<QAction*>(name);
        if (!found)
            qFatal("No action %s", qPrintable(name));
        return found;
    }

    static TBPrefsAttributesTab* tabOf(const TBPrefsController& window) { return window.attributesTab(); }

private Q_SLOTS:
    void initTestCase()
    {
        TBTestSupport::useScratchConfig();
        TB_REQUIRE(TBTestSupport::pythonAvailable(), "python3", "Python");
        TBNotificationCenter::defaultCenter()->addObserver(
            &m_observer, QString(), [this](const TBNotification& n) { m_notifications.append(n); });
        TBPrefsController::setModifierSource([this] { return m_modifiers; });
    }

    void cleanupTestCase() { TBPrefsController::setModifierSource({}); }

    void addANewAttribute()
    {
        auto window = windowWith({{QStringLiteral("PrefTableCustomImageAttrsExpanded"), false}});
        TBPrefsAttributesTab* tab = tabOf(*window);
        tab->findChild<QPushButton*>(QStringLiteral("attributesAddButton"))->click();
        TBEditAttributeSheet* sheet = window->editAttributeSheet();
        QVERIFY(sheet && sheet->isVisible());
        QCOMPARE(window->editingAttributeID(), -2);
        QCOMPARE(sheet->editAttributeName()->text(), QStringLiteral("newattribute"));
        QCOMPARE(sheet->editAttributeFriendlyName()->text(), QStringLiteral("New Attribute"));
        QCOMPARE(sheet->editAttributeTypePopUp()->currentIndex(), 0);

        type(sheet->editAttributeName(), QStringLiteral("badgePhoto"));
        type(sheet->editAttributeFriendlyName(), QStringLiteral("Badge Photo"));
        sheet->editAttributeTypePopUp()->setCurrentIndex(1);
        sheet->editAttributeOKButton()->click();

        QVERIFY(!sheet->isVisible());
        QVERIFY(!window->editingAttribute());
        QCOMPARE(window->editingAttributeID(), -2);
        QCOMPARE(namesOf(prefs()->customImageAttrs()), QStringList {"badgePhoto"});
        QVERIFY(!prefs()->isBasicAttribute("badgePhoto"));
        QVERIFY(!prefs()->isAttributeColumnDisplayedForAttribute("badgePhoto"));
        QCOMPARE(changes().size(), 1);
        QCOMPARE(changes().first().value("PrefNotifyAction"), QVariant(qint64(1)));
        QCOMPARE(changes().first().value("AttributeNames").toStringList(), QStringList {"badgePhoto"});
        QCOMPARE(m_notifications.last().sender, window.get());
        // Its group opens, and it is selected.
        QVERIFY(window->attributesTable()->isExpanded(row(*tab, 4)));
        QCOMPARE(selectedNames(*tab), QStringList {"badgePhoto"});

        const QVariantMap disk = read();
        QCOMPARE(disk.value("CustomImageAttributes").toMap(), (QVariantMap {{"badgePhoto", "Badge Photo"}}));
        QCOMPARE(disk.value("PrefTableCustomImageAttrsExpanded"), QVariant(true));
        QCOMPARE(disk.value("BasicAttributes").toStringList(), kFallbackBasic);
    }

    void validation_data()
    {
        QTest::addColumn<QString>("edit"); // the custom attribute edited; empty: a new one
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message"); // empty: saved
        QTest::addColumn<QString>("informative");
        const QString missing = QStringLiteral("\"Attribute Name\" value is missing.");
        const QString missingHint = QStringLiteral("Please enter a unique name for this attribute.");
        const QString taken = QStringLiteral("Attribute name must be unique");
        QTest::newRow("empty") << ""
                               << "" << missing << missingHint;
        QTest::newRow("a default one, in other letters")
            << ""
            << "CN" << taken << QStringLiteral("There is already an attribute with the name \u201cCN\u201d.");
        QTest::newRow("a custom one") << ""
                                      << "tamblinroom" << taken
                                      << QStringLiteral(
                                             "There is already an attribute with the name \u201ctamblinroom\u201d.");
        QTest::newRow("a new name") << ""
                                    << "officeNumber"
                                    << ""
                                    << "";
        QTest::newRow("its own name") << "tamblinRoom"
                                      << "tamblinRoom"
                                      << ""
                                      << "";
        QTest::newRow("its own name in other letters") << "tamblinRoom"
                                                       << "TamblinRoom"
                                                       << ""
                                                       << "";
        QTest::newRow("another custom one's")
            << "tamblinRoom"
            << "tamblinColour" << taken
            << QStringLiteral("There is already an attribute with the name \u201ctamblinColour\u201d.");
    }
    void validation()
    {
        QFETCH(QString, edit);
        QFETCH(QString, name);
        QFETCH(QString, message);
        QFETCH(QString, informative);
        auto window = windowWith(customSettings());
        TBPrefsAttributesTab* tab = tabOf(*window);
        if (edit.isEmpty()) {
            window->addAttribute();
        } else {
            select(*tab, {row(*tab, 3, edit)});
            window->edtAttribute(tab->findChild<QPushButton*>(QStringLiteral("attributesEdtButton")));
            QCOMPARE(window->editingAttributeID(), prefs()->attributeWithName(edit)->attributeID());
        }
        TBEditAttributeSheet* sheet = window->editAttributeSheet();
        type(sheet->editAttributeName(), name);
        sheet->editAttributeFriendlyName()->setFocus();
        const QStringList before = namesOf(prefs()->customAttrs());
        sheet->editAttributeOKButton()->click();

        QMessageBox* box = visibleAlert(sheet);
        if (message.isEmpty()) {
            QVERIFY2(!box, box ? qPrintable(box->text() + box->informativeText()) : "");
            QVERIFY(!sheet->isVisible());
            QVERIFY(prefs()->attributeExists(name));
            QCOMPARE(prefs()->attributeWithName(name)->attributeName(), name);
            return;
        }
        QVERIFY(box);
        QCOMPARE(box->icon(), QMessageBox::Warning);
        QCOMPARE(box->text(), message);
        QCOMPARE(box->informativeText(), informative);
        // The sheet stays open on the name, its text selected, and nothing is stored.
        QVERIFY(sheet->isVisible());
        QCOMPARE(sheet->focusWidget(), sheet->editAttributeName());
        QCOMPARE(sheet->editAttributeName()->selectedText(), name);
        QCOMPARE(namesOf(prefs()->customAttrs()), before);
        QVERIFY(changes().isEmpty());
        closeAlert(box);
        sheet->editAttributeCancelButton()->click();
        QVERIFY(!window->editingAttribute());
        QCOMPARE(window->editingAttributeID(), -2);
    }

    // Duplicating: Alt with the add button, or the menu's command and its shortcut.
    void duplicate_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("name"); // what the sheet opens on
        QTest::newRow("Alt, one row") << "alt" << 1 << "copyoftamblinRoom";
        QTest::newRow("Alt, two rows") << "alt" << 2 << "newattribute";
        QTest::newRow("no Alt") << "button" << 1 << "newattribute";
        QTest::newRow("menu") << "menu" << 1 << "copyoftamblinRoom";
        QTest::newRow("Ctrl+D") << "shortcut" << 1 << "copyoftamblinRoom";
    }
    void duplicate()
    {
        QFETCH(QString, how);
        QFETCH(int, rows);
        QFETCH(QString, name);
        auto window = windowWith(customSettings());
        TBPrefsAttributesTab* tab = tabOf(*window);
        QModelIndexList selection {row(*tab, 3, QStringLiteral("tamblinRoom"))};
        if (rows == 2)
            selection.append(row(*tab, 3, QStringLiteral("tamblinStaffNumber")));
        select(*tab, selection);
        if (how == QLatin1String("menu")) {
            QMenu* menu = tab->attributesMenu();
            QAction* duplicate = action(tab, QStringLiteral("duplicateAttributeAction"));
            QVERIFY(menu->actions().contains(duplicate));
            QVERIFY(duplicate->isEnabled());
            duplicate->trigger();
        } else if (how == QLatin1String("shortcut")) {
            window->attributesTable()->setFocus();
            QTest::keyClick(window->attributesTable(), Qt::Key_D, Qt::ControlModifier);
        } else {
            m_modifiers = how == QLatin1String("alt") ? Qt::AltModifier : Qt::NoModifier;
            tab->findChild<QPushButton*>(QStringLiteral("attributesAddButton"))->click();
            m_modifiers = Qt::NoModifier;
        }
        TBEditAttributeSheet* sheet = window->editAttributeSheet();
        QVERIFY(sheet && sheet->isVisible());
        QCOMPARE(sheet->editAttributeName()->text(), name);
        QCOMPARE(window->editingAttributeID(), -2);
        const TBAttributePtr copy = window->editingAttribute();
        const TBAttributePtr room = prefs()->attributeWithName(QStringLiteral("tamblinRoom"));
        QVERIFY(copy->attributeID() != room->attributeID());
        QCOMPARE(copy->friendlyName() == room->friendlyName(), name.startsWith(QLatin1String("copyof")));
        QVERIFY(!copy->defaultAttr());

        sheet->editAttributeOKButton()->click();
        QVERIFY(prefs()->attributeExists(name));
        QCOMPARE(room->attributeName(), QStringLiteral("tamblinRoom"));
        QVERIFY(read().value("CustomAttributes").toMap().contains(name));
    }

    // A default attribute never changes: editing it makes a custom copy.
    void editingADefaultMakesACustomCopy()
    {
        auto window = windowWith({});
        TBPrefsAttributesTab* tab = tabOf(*window);
        window->attributesTable()->expand(row(*tab, 0));
        const TBAttributePtr cn = prefs()->attributeWithName(QStringLiteral("cn"));
        click(*tab, row(*tab, 0, QStringLiteral("cn"), 1), Qt::NoModifier, true);
        TBEditAttributeSheet* sheet = window->editAttributeSheet();
        QVERIFY(sheet && sheet->isVisible());
        QCOMPARE(sheet->editAttributeName()->text(), QStringLiteral("copyofcn"));
        QCOMPARE(sheet->editAttributeFriendlyName()->text(), QStringLiteral("Full Name"));
        QCOMPARE(window->editingAttributeID(), -2);
        type(sheet->editAttributeFriendlyName(), QStringLiteral("Common Name"));
        QTest::keyClick(sheet->editAttributeFriendlyName(), Qt::Key_Return);

        QVERIFY(!sheet->isVisible());
        const TBAttributePtr copy = prefs()->attributeWithName(QStringLiteral("copyofcn"));
        QVERIFY(copy && !copy->defaultAttr());
        QCOMPARE(copy->friendlyName(), QStringLiteral("Common Name"));
        QCOMPARE(prefs()->attributeWithName(QStringLiteral("cn")), cn);
        QCOMPARE(cn->friendlyName(), QStringLiteral("Full Name"));
        QVERIFY(cn->defaultAttr());
        QCOMPARE(selectedNames(*tab), QStringList {"copyofcn"});
        QVERIFY(tab->findChild<QPushButton*>(QStringLiteral("attributesDelButton"))->isEnabled());
        QCOMPARE(read().value("CustomAttributes").toMap(), (QVariantMap {{"copyofcn", "Common Name"}}));
    }

    // Renaming keeps the basic and column choices under the new name, in their places.
    void editingACustomAttribute()
    {
        QVariantMap stored = customSettings();
        stored.insert("BasicAttributes", QVariantList {"cn", "tamblinRoom", "sn"});
        stored.insert("DisplayedAttributeColumns", QVariantList {"tamblinRoom", "dn"});
        auto window = windowWith(stored);
        TBPrefsAttributesTab* tab = tabOf(*window);
        const TBAttributePtr room = prefs()->attributeWithName(QStringLiteral("tamblinRoom"));
        select(*tab, {row(*tab, 3, QStringLiteral("tamblinRoom"))});
        window->attributesTable()->setFocus();
        QTest::keyClick(window->attributesTable(), Qt::Key_Return);
        TBEditAttributeSheet* sheet = window->editAttributeSheet();
        QVERIFY(sheet && sheet->isVisible());
        QCOMPARE(window->editingAttributeID(), room->attributeID());
        type(sheet->editAttributeName(), QStringLiteral("officeKey"));
        type(sheet->editAttributeFriendlyName(), QStringLiteral("Office Key"));
        sheet->editAttributeTypePopUp()->setCurrentIndex(2);
        QCOMPARE(room->attributeName(), QStringLiteral("tamblinRoom")); // the sheet works on a copy
        sheet->editAttributeOKButton()->click();

        QCOMPARE(prefs()->attributeWithName(QStringLiteral("officeKey")), room);
        QCOMPARE(room->attributeType(), 2);
        QCOMPARE(namesOf(prefs()->customBinaryAttrs()), QStringList {"officeKey"});
        QVERIFY(!prefs()->attributeExists(QStringLiteral("tamblinRoom")));
        QCOMPARE(prefs()->basicAttributes(), (QStringList {"cn", "officeKey", "sn"}));
        QCOMPARE(prefs()->displayedAttributeColumns(), (QStringList {"officeKey", "dn"}));
        QCOMPARE(changes().size(), 1);
        QCOMPARE(changes().first().value("PrefNotifyAction"), QVariant(qint64(3)));
        QCOMPARE(changes().first().value("AttributeIDs"), QVariant(QVariantList {room->attributeID()}));
        QVERIFY(window->attributesTable()->isExpanded(row(*tab, 5)));
        QCOMPARE(selectedNames(*tab), QStringList {"officeKey"});

        const QVariantMap disk = read();
        QVERIFY(!disk.value("CustomAttributes").toMap().contains("tamblinRoom"));
        QCOMPARE(disk.value("CustomBinaryAttributes").toMap(), (QVariantMap {{"officeKey", "Office Key"}}));
        QCOMPARE(disk.value("BasicAttributes").toStringList(), (QStringList {"cn", "officeKey", "sn"}));
        QCOMPARE(disk.value("DisplayedAttributeColumns").toStringList(), (QStringList {"officeKey", "dn"}));
    }

    void cancelStoresNothing()
    {
        auto window = windowWith(customSettings());
        TBPrefsAttributesTab* tab = tabOf(*window);
        select(*tab, {row(*tab, 3, QStringLiteral("tamblinRoom"))});
        window->edtAttribute(tab->findChild<QPushButton*>(QStringLiteral("attributesEdtButton")));
        TBEditAttributeSheet* sheet = window->editAttributeSheet();
        type(sheet->editAttributeName(), QStringLiteral("changed"));
        QTest::keyClick(sheet, Qt::Key_Escape);
        QVERIFY(!sheet->isVisible());
        QVERIFY(!window->editingAttribute());
        QCOMPARE(window->editingAttributeID(), -2);
        QVERIFY(prefs()->attributeExists(QStringLiteral("tamblinRoom")));
        QVERIFY(!prefs()->attributeExists(QStringLiteral("changed")));
        QVERIFY(changes().isEmpty());
        // Other senders open nothing.
        window->edtAttribute(nullptr);
        window->edtAttribute(window.get());
        QVERIFY(!sheet->isVisible());
    }

    // A double-click on "None Defined" opens a new attribute of its group's kind.
    void noneRowOpensANewAttributeOfItsKind()
    {
        auto window = windowWith(customSettings());
        TBPrefsAttributesTab* tab = tabOf(*window);
        const QModelIndex none = window->attributeTableController()->index(0, 0, row(*tab, 5));
        QCOMPARE(none.data().toString(), QStringLiteral("None Defined"));
        click(*tab, none, Qt::NoModifier, true);
        TBEditAttributeSheet* sheet = window->editAttributeSheet();
        QVERIFY(sheet && sheet->isVisible());
        QCOMPARE(sheet->editAttributeName()->text(), QStringLiteral("newattribute"));
        QCOMPARE(sheet->editAttributeTypePopUp()->currentIndex(), 2);
        QCOMPARE(window->editingAttributeID(), -2);
        type(sheet->editAttributeName(), QStringLiteral("tamblinGUID"));
        sheet->editAttributeOKButton()->click();
        QCOMPARE(namesOf(prefs()->customBinaryAttrs()), QStringList {"tamblinGUID"});
        QCOMPARE(read().value("CustomBinaryAttributes").toMap().keys(), QStringList {"tamblinGUID"});
    }

    void deleting_data()
    {
        QTest::addColumn<QStringList>("selected"); // group:name
        QTest::addColumn<QStringList>("removed");
        QTest::addColumn<QString>("how");
        QTest::newRow("customs and a default") << QStringList {"0:cn", "3:tamblinRoom", "4:badgePhoto"}
                                               << QStringList {"tamblinRoom", "badgePhoto"} << "button";
        QTest::newRow("only defaults") << QStringList {"0:cn", "0:sn"} << QStringList {} << "button";
        QTest::newRow("Delete key") << QStringList {"3:tamblinColour"} << QStringList {"tamblinColour"} << "key";
        QTest::newRow("menu") << QStringList {"3:tamblinRoom"} << QStringList {"tamblinRoom"} << "menu";
    }
    void deleting()
    {
        QFETCH(QStringList, selected);
        QFETCH(QStringList, removed);
        QFETCH(QString, how);
        QVariantMap stored = customSettings();
        stored.insert("DisplayedAttributeColumns", QVariantList {"tamblinRoom", "badgePhoto", "cn"});
        auto window = windowWith(stored);
        TBPrefsAttributesTab* tab = tabOf(*window);
        window->attributesTable()->expand(row(*tab, 0));
        QModelIndexList rows;
        for (const QString& entry : selected)
            rows.append(row(*tab, entry.section(':', 0, 0).toInt(), entry.section(':', 1)));
        select(*tab, rows);
        if (how == QLatin1String("key")) {
            window->attributesTable()->setFocus();
            QTest::keyClick(window->attributesTable(), Qt::Key_Delete);
        } else if (how == QLatin1String("menu")) {
            tab->attributesMenu();
            action(tab, QStringLiteral("deleteAttributeAction"))->trigger();
        } else {
            window->delAttribute();
        }

        // No question; the default attributes stay.
        QVERIFY(!visibleAlert(window.get()));
        for (const QString& entry : selected) {
            const QString name = entry.section(':', 1);
            QCOMPARE(prefs()->attributeExists(name), !removed.contains(name));
            QCOMPARE(prefs()->isBasicAttribute(name),
                     name == QLatin1String("cn") || name == QLatin1String("tamblinRoom") ? !removed.contains(name)
                                                                                         : false);
        }
        QCOMPARE(changes().size(), 1);
        QCOMPARE(changes().first().value("PrefNotifyAction"), QVariant(qint64(2)));
        QCOMPARE(changes().first().value("AttributeNames").toStringList(), removed);
        QVERIFY(selectedNames(*tab).isEmpty());
        QVERIFY(!tab->findChild<QPushButton*>(QStringLiteral("attributesDelButton"))->isEnabled());

        const QVariantMap disk = read();
        QStringList customs
            = disk.value("CustomAttributes").toMap().keys() + disk.value("CustomImageAttributes").toMap().keys();
        for (const QString& name : removed) {
            QVERIFY(!customs.contains(name));
            QVERIFY(!disk.value("BasicAttributes").toStringList().contains(name));
            QVERIFY(!disk.value("DisplayedAttributeColumns").toStringList().contains(name));
        }
        QVERIFY(disk.value("DisplayedAttributeColumns").toStringList().contains("cn"));
        QCOMPARE(customs.size(), 4 - removed.size());
    }

    // A custom definition that hides a default one of the same name (an older settings file can
    // hold one): it can be edited under its name, and deleting it leaves the default one where it
    // was in the menus and columns.
    void customThatHidesADefault()
    {
        auto window = windowWith({{"CustomAttributes", QVariantMap {{"cn", "Common Name"}}}});
        TBPrefsAttributesTab* tab = tabOf(*window);
        QCOMPARE(prefs()->friendlyNameForAttribute("cn"), QStringLiteral("Common Name"));
        select(*tab, {row(*tab, 3, QStringLiteral("cn"))});
        window->edtAttribute(tab->findChild<QPushButton*>(QStringLiteral("attributesEdtButton")));
        TBEditAttributeSheet* sheet = window->editAttributeSheet();
        type(sheet->editAttributeFriendlyName(), QStringLiteral("Name"));
        sheet->editAttributeOKButton()->click();
        QVERIFY(!visibleAlert(sheet));
        QCOMPARE(prefs()->friendlyNameForAttribute("cn"), QStringLiteral("Name"));
        QCOMPARE(read().value("CustomAttributes").toMap(), (QVariantMap {{"cn", "Name"}}));

        select(*tab, {row(*tab, 3, QStringLiteral("cn"))});
        window->delAttribute();
        QCOMPARE(prefs()->friendlyNameForAttribute("cn"), QStringLiteral("Full Name"));
        QVERIFY(prefs()->isBasicAttribute("cn"));
        QVERIFY(prefs()->isAttributeColumnDisplayedForAttribute("cn"));
        const QVariantMap disk = read();
        QVERIFY(disk.value("CustomAttributes").toMap().isEmpty());
        QVERIFY(disk.value("BasicAttributes").toStringList().contains("cn"));
        QVERIFY(disk.value("DisplayedAttributeColumns").toStringList().contains("cn"));
    }

    void toggles_data()
    {
        QTest::addColumn<bool>("basic");
        QTest::addColumn<QString>("clicked");
        QTest::addColumn<QStringList>("after");
        const QStringList basicAfterAdding {"cn", "tamblinColour", "tamblinRoom", "tamblinStaffNumber"};
        // tamblinRoom is basic, the other two are not; tamblinColour alone is shown as a column.
        QTest::newRow("basic, clicked one was not") << true << "tamblinStaffNumber" << basicAfterAdding;
        QTest::newRow("basic, clicked one was") << true << "tamblinRoom" << QStringList {"cn"};
        QTest::newRow("column, clicked one was not")
            << false << "tamblinStaffNumber"
            << QStringList {"tamblinColour", "dn", "tamblinRoom", "tamblinStaffNumber"};
        QTest::newRow("column, clicked one was") << false << "tamblinColour" << QStringList {"dn"};
    }
    void toggles()
    {
        QFETCH(bool, basic);
        QFETCH(QString, clicked);
        QFETCH(QStringList, after);
        QVariantMap stored = customSettings();
        stored.insert("DisplayedAttributeColumns", QVariantList {"tamblinColour", "dn"});
        auto window = windowWith(stored);
        TBPrefsAttributesTab* tab = tabOf(*window);
        const QStringList three {"tamblinColour", "tamblinRoom", "tamblinStaffNumber"};
        select(*tab, {row(*tab, 3, three.at(0)), row(*tab, 3, three.at(1)), row(*tab, 3, three.at(2))});
        const QModelIndex box = row(*tab, 3, clicked, basic ? 2 : 3);
        if (basic)
            tab->toggleBasicAttribute(box);
        else
            tab->toggleShowColumn(box);

        QCOMPARE(basic ? prefs()->basicAttributes() : prefs()->displayedAttributeColumns(), after);
        QCOMPARE(selectedNames(*tab), three);
        QCOMPARE(changes().size(), 1);
        QCOMPARE(changes().first().value("PrefNotifyAction"), QVariant(qint64(3)));
        QCOMPARE(changes().first().value("AttributeNames").toStringList(), three);
        QCOMPARE(read().value(basic ? "BasicAttributes" : "DisplayedAttributeColumns").toStringList(), after);
        // The boxes show it.
        for (const QString& name : three)
            QCOMPARE(row(*tab, 3, name, basic ? 2 : 3).data(Qt::CheckStateRole) == Qt::Checked, after.contains(name));

        // The menu's item toggles the rows the same way, as the current row decides.
        window->attributesTable()->selectionModel()->setCurrentIndex(row(*tab, 3, three.at(1)),
                                                                     QItemSelectionModel::NoUpdate);
        tab->attributesMenu();
        QAction* item = action(tab, basic ? "toggleBasicAttributeAction" : "toggleShowColumnAction");
        QVERIFY(item->isEnabled());
        QCOMPARE(item->isChecked(), after.contains(three.at(1)));
        item->trigger();
        for (const QString& name : three)
            QCOMPARE(row(*tab, 3, name, basic ? 2 : 3).data(Qt::CheckStateRole) == Qt::Checked,
                     !after.contains(three.at(1)));
        QCOMPARE(selectedNames(*tab), three);
    }

    void reset_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("done");
        QTest::newRow("cancelled") << "cancel" << true << false;
        QTest::newRow("confirmed") << "reset" << true << true;
        QTest::newRow("Alt") << "alt" << false << true;
        QTest::newRow("menu, without asking") << "menu" << false << true;
    }
    void reset()
    {
        QFETCH(QString, how);
        QFETCH(bool, asked);
        QFETCH(bool, done);
        QVariantMap stored = customSettings();
        stored.insert("DisplayedAttributeColumns", QVariantList {"tamblinRoom"});
        for (const QString& key : TBPreferences::tableStateKeys())
            stored.insert(key, QVariantMap {{"Identifiers", QVariantList {"cn"}}});
        auto window = windowWith(stored);
        TBPrefsAttributesTab* tab = tabOf(*window);
        if (how == QLatin1String("menu")) {
            tab->attributesMenu();
            action(tab, QStringLiteral("resetAttributesWithoutAskingAction"))->trigger();
        } else {
            m_modifiers = how == QLatin1String("alt") ? Qt::AltModifier : Qt::NoModifier;
            tab->findChild<QPushButton*>(QStringLiteral("resetAttributesButton"))->click();
            m_modifiers = Qt::NoModifier;
        }
        QMessageBox* box = visibleAlert(window.get());
        QCOMPARE(box != nullptr, asked);
        if (box) {
            QCOMPARE(box->icon(), QMessageBox::Critical);
            QCOMPARE(box->text(), QStringLiteral("Reset attributes to their default settings?"));
            QCOMPARE(box->informativeText(),
                     QStringLiteral("This only resets the \u201cBasic\u201d and \u201cShow\u201d "
                                    "values. It will not remove any added custom attributes."));
            QCOMPARE(box->buttons().size(), 2);
            QCOMPARE(box->defaultButton()->text(), QStringLiteral("Reset"));
            box->findChild<QPushButton*>(how == QLatin1String("reset") ? "resetButton" : "cancelButton")->click();
        }

        QCOMPARE(prefs()->basicAttributes(), done ? kFallbackBasic : QStringList({"cn", "tamblinRoom"}));
        QCOMPARE(prefs()->displayedAttributeColumns(), done ? kFallbackColumns : QStringList {"tamblinRoom"});
        QCOMPARE(changes().size(), done ? 1 : 0);
        if (done) {
            QCOMPARE(changes().first().value("PrefNotifyAction"), QVariant(qint64(2)));
            QVERIFY(!changes().first().contains("AttributeNames"));
        }
        const QVariantMap disk = read();
        for (const QString& key : TBPreferences::tableStateKeys())
            QCOMPARE(disk.contains(key), !done);
        if (done) {
            QCOMPARE(disk.value("BasicAttributes").toStringList(), kFallbackBasic);
            QCOMPARE(disk.value("DisplayedAttributeColumns").toStringList(), kFallbackColumns);
            QCOMPARE(disk.value("CustomAttributes").toMap().size(), 3); // custom attributes stay
            QCOMPARE(row(*tab, 3, QStringLiteral("tamblinRoom"), 2).data(Qt::CheckStateRole), QVariant(Qt::Unchecked));
        }
    }

    void buttonsAndMenuFollowTheSelection()
    {
        auto window = windowWith(customSettings());
        TBPrefsAttributesTab* tab = tabOf(*window);
        auto* add = tab->findChild<QPushButton*>(QStringLiteral("attributesAddButton"));
        auto* edit = tab->findChild<QPushButton*>(QStringLiteral("attributesEdtButton"));
        auto* del = tab->findChild<QPushButton*>(QStringLiteral("attributesDelButton"));
        QMenu* menu = tab->attributesMenu();
        QStringList titles;
        for (QAction* item : menu->actions()) {
            if (!item->isSeparator())
                titles.append(item->text());
        }
        QCOMPARE(titles,
                 (QStringList {"Add…", "Duplicate", "Edit…", "Delete", "Basic Attribute", "Show Column", "Reset…",
                               "Reset Without Asking"}));
        QVERIFY(add->isEnabled() && !edit->isEnabled() && !del->isEnabled());
        QVERIFY(!action(tab, "duplicateAttributeAction")->isEnabled());
        QVERIFY(!action(tab, "toggleBasicAttributeAction")->isEnabled());
        QVERIFY(action(tab, "resetAttributesWithoutAskingAction")->isEnabled());

        window->attributesTable()->expand(row(*tab, 0));
        select(*tab, {row(*tab, 0, QStringLiteral("cn"))});
        tab->attributesMenu();
        QVERIFY(edit->isEnabled() && !del->isEnabled());
        QVERIFY(action(tab, "duplicateAttributeAction")->isEnabled());
        QVERIFY(action(tab, "toggleBasicAttributeAction")->isChecked());
        select(*tab, {row(*tab, 0, QStringLiteral("cn")), row(*tab, 3, QStringLiteral("tamblinRoom"))});
        tab->attributesMenu();
        QVERIFY(!edit->isEnabled() && del->isEnabled());
        QVERIFY(!action(tab, "duplicateAttributeAction")->isEnabled());
    }

    // An open search window follows each change: its attribute menus, its columns and their
    // titles, and the details of the selected entry.
    void searchWindowsFollow()
    {
        auto window = windowWith(customSettings());
        TBPrefsAttributesTab* tab = tabOf(*window);
        auto search = std::make_unique<TBSearchDocument>();
        search->loadWindow();
        search->show();
        const TBEntryList entries {TBTestSupport::entryFromPairs({"dn=uid=ann,dc=t", "cn=Ann", "tamblinColour=teal"})};
        TBEntryTableController* results = search->entryTableController();
        results->setEntries(entries);
        results->tableView()->selectRow(0);
        QVERIFY2(search->detailsText()->plainText().contains("\nColour: teal"),
                 qPrintable(search->detailsText()->plainText()));
        const TBAttributePtr colour = prefs()->attributeWithName(QStringLiteral("tamblinColour"));
        auto offered = [&search, &colour] {
            const QComboBox* popUp = search->searchTableController()->rowView(0)->attrPopUp();
            return popUp->findData(colour->attributeID()) >= 0;
        };
        QVERIFY(!offered());

        select(*tab, {row(*tab, 3, QStringLiteral("tamblinColour"))});
        tab->toggleBasicAttribute(row(*tab, 3, QStringLiteral("tamblinColour"), 2));
        QVERIFY(offered());
        tab->toggleShowColumn(row(*tab, 3, QStringLiteral("tamblinColour"), 3));
        QVERIFY(results->columnIdentifiers(true).contains("tamblinColour"));

        window->edtAttribute(tab->findChild<QPushButton*>(QStringLiteral("attributesEdtButton")));
        TBEditAttributeSheet* sheet = window->editAttributeSheet();
        type(sheet->editAttributeFriendlyName(), QStringLiteral("Favourite Colour"));
        sheet->editAttributeOKButton()->click();
        const int column = results->model()->columnForIdentifier("tamblinColour");
        QCOMPARE(results->model()->headerData(column, Qt::Horizontal).toString(), QStringLiteral("Favourite Colour"));
        QVERIFY(search->detailsText()->plainText().contains("Favourite Colour: teal"));
        QVERIFY(offered());

        tab->toggleShowColumn(row(*tab, 3, QStringLiteral("tamblinColour"), 3));
        QVERIFY(!results->columnIdentifiers(true).contains("tamblinColour"));
        window->delAttribute();
        QVERIFY(!offered());
        QVERIFY(!results->columnIdentifiers().contains("tamblinColour"));
    }

    // What other windows change (a search adding what it found, another toggle) shows at once.
    void followsChangesElsewhere()
    {
        auto window = windowWith({{QStringLiteral("PrefTableCustomAttrsExpanded"), false}});
        TBPrefsAttributesTab* tab = tabOf(*window);
        QTreeView* table = window->attributesTable();
        prefs()->addMultAttributesWithNames({QStringLiteral("alpha"), QStringLiteral("beta")});
        QVERIFY(table->isExpanded(row(*tab, 3)));
        QCOMPARE(selectedNames(*tab), (QStringList {"alpha", "beta"}));
        prefs()->addOneAttributeWithName(QStringLiteral("gamma")); // one: it alone
        QCOMPARE(selectedNames(*tab), QStringList {"gamma"});

        // A default attribute changed elsewhere: its group stays closed.
        prefs()->addToDisplayedAttributeColumns(QStringLiteral("uid"));
        QVERIFY(!table->isExpanded(row(*tab, 0)));
        QCOMPARE(selectedNames(*tab), QStringList {"gamma"});
        prefs()->addToBasicAttributes(QStringLiteral("beta"));
        QCOMPARE(selectedNames(*tab), QStringList {"beta"});
        QCOMPARE(row(*tab, 3, QStringLiteral("beta"), 2).data(Qt::CheckStateRole), QVariant(Qt::Checked));

        prefs()->removeAttribute(prefs()->attributeWithName(QStringLiteral("alpha")));
        QVERIFY(selectedNames(*tab).isEmpty());
        QVERIFY(!row(*tab, 3, QStringLiteral("alpha")).isValid());
        QVERIFY(read().value("PrefTableCustomAttrsExpanded").toBool());
    }
};

QTEST_MAIN(tst_TBPrefsAttributesTab)
#include "tst_TBPrefsAttributesTab.moc"
