#include "TBAttributeTableController.h"

#include "TBAttributeAttrItem.h"
#include "TBAttributeGroupItem.h"
#include "TBPrefsAttributesTab.h"
#include "TBPrefsWindowTest.h"
#include "TBTestPrefs.h"
#include "TBTextColors.h"

#include <QHeaderView>
#include <QTreeView>
#include <QtTest>

#include <memory>

using namespace TBPrefsWindowTest;

namespace {

const QVariantMap kCustom = customSettings();

} // namespace

// The attributes outline: its groups and rows, its check boxes, the groups' remembered states
// and what can be selected.
class tst_TBAttributeTableController : public QObject
{
    Q_OBJECT

    TBTestPrefs m_prefs;

    std::unique_ptr<TBPrefsAttributesTab> tabWith(const QVariantMap& stored) { return shownTab(m_prefs, stored); }

    static TBAttributeTableController* outline(const TBPrefsAttributesTab& tab)
    {
        return tab.attributeTableController();
    }

private Q_SLOTS:
    void initTestCase() { TBTestSupport::useScratchConfig(); }

    void outlineContents()
    {
        auto tab = tabWith(kCustom);
        TBAttributeTableController* model = outline(*tab);
        QCOMPARE(model->rowCount(), 6);
        QCOMPARE(model->columnCount(), 4);
        const QStringList titles {"Default Attributes", "Default Image Attributes", "Default Binary Attributes",
                                  "Custom Attributes",  "Custom Image Attributes",  "Custom Binary Attributes"};
        for (int group = 0; group < 6; ++group) {
            const QModelIndex index = row(*tab, group);
            QCOMPARE(index.data().toString(), titles.at(group));
            QVERIFY(!(model->flags(index) & Qt::ItemIsSelectable));
            QVERIFY(!model->data(row(*tab, group, QString(), 2), Qt::CheckStateRole).isValid());
            QVERIFY(index.data(Qt::FontRole).value<QFont>().bold());
            QVERIFY(tab->attributesTable()->isFirstColumnSpanned(group, QModelIndex()));
        }
        const QStringList headers {"Attribute Name", "Friendly Name", "Basic Attribute", "Show Column"};
        for (int column = 0; column < 4; ++column)
            QCOMPARE(model->headerData(column, Qt::Horizontal).toString(), headers.at(column));

        // An empty group holds one gray row that cannot be selected and has no boxes.
        const QModelIndex none = model->index(0, 0, row(*tab, 5));
        QCOMPARE(model->rowCount(row(*tab, 5)), 1);
        QCOMPARE(none.data().toString(), QStringLiteral("None Defined"));
        QCOMPARE(none.data(Qt::ForegroundRole).value<QBrush>().color(), TBTextColors::placeholderTextColor());
        QVERIFY(!(model->flags(none) & Qt::ItemIsSelectable));
        QVERIFY(!model->index(0, 2, row(*tab, 5)).data(Qt::CheckStateRole).isValid());

        // Attribute rows: names, friendly names and the two boxes.
        QCOMPARE(model->rowCount(row(*tab, 3)), 3);
        const QModelIndex room = row(*tab, 3, QStringLiteral("tamblinRoom"));
        QCOMPARE(room.siblingAtColumn(1).data().toString(), QStringLiteral("Room"));
        QCOMPARE(room.siblingAtColumn(2).data(Qt::CheckStateRole), QVariant(Qt::Checked));
        QCOMPARE(room.siblingAtColumn(3).data(Qt::CheckStateRole), QVariant(Qt::Unchecked));
        QVERIFY(model->flags(room.siblingAtColumn(2)) & Qt::ItemIsUserCheckable);
        QVERIFY(!(model->flags(room) & Qt::ItemIsUserCheckable));
        QCOMPARE(row(*tab, 0, QStringLiteral("cn"), 3).data(Qt::CheckStateRole), QVariant(Qt::Checked));

        // The tool tip of a basic box, and of no other cell.
        QCOMPARE(room.siblingAtColumn(2).data(Qt::ToolTipRole).toString(),
                 QStringLiteral("\u201ctamblinRoom\u201d will be included in attribute popup menus"));
        QCOMPARE(row(*tab, 4, QStringLiteral("badgePhoto"), 2).data(Qt::ToolTipRole).toString(),
                 QStringLiteral("\u201cbadgePhoto\u201d will not be included in attribute popup menus"));
        QVERIFY(!room.data(Qt::ToolTipRole).isValid());
        QVERIFY(!room.siblingAtColumn(3).data(Qt::ToolTipRole).isValid());
        QVERIFY(!row(*tab, 3).data(Qt::ToolTipRole).isValid());
    }

    // Names that come from a server can be of any length and content.
    void hostileNames()
    {
        const QString longName = QStringLiteral("a").repeated(100000);
        const QString turning = QStringLiteral("x\u202Eevil");
        auto tab = tabWith(
            {{QStringLiteral("CustomAttributes"), QVariantMap {{longName, longName}, {turning, QStringLiteral("t")}}}});
        const QString shown = outline(*tab)->index(0, 0, row(*tab, 3)).data().toString();
        QCOMPARE(shown.size(), TBAttributeTableController::maximumShownLength + 1);
        QVERIFY(shown.endsWith(QChar(0x2026)));
        // Whatever the name holds stays between the quotes of the tool tip.
        QCOMPARE(row(*tab, 3, turning, 2).data(Qt::ToolTipRole).toString(),
                 QStringLiteral("\u201c\u2068x\u202Eevil\u2069\u201d will not be included in attribute popup menus"));
    }

    void expandedStatesAreRemembered()
    {
        auto tab = tabWith({{QStringLiteral("PrefTableDefaultImageAttrsExpanded"), true},
                            {QStringLiteral("PrefTableCustomBinaryAttrsExpanded"), false}});
        QTreeView* table = tab->attributesTable();
        const QList<bool> expected {false, true, false, true, true, false};
        for (int group = 0; group < 6; ++group)
            QCOMPARE(table->isExpanded(row(*tab, group)), expected.at(group));

        // The user opens and closes groups: each state is saved at once.
        QTest::keyClick(table, Qt::Key_Home);
        QCOMPARE(table->currentIndex(), row(*tab, 0));
        QTest::keyClick(table, Qt::Key_Right);
        table->collapse(row(*tab, 3));
        QVariantMap read = m_prefs.readByPython();
        QCOMPARE(read.value(QStringLiteral("PrefTableDefaultAttrsExpanded")), QVariant(true));
        QCOMPARE(read.value(QStringLiteral("PrefTableCustomAttrsExpanded")), QVariant(false));
        QCOMPARE(read.value(QStringLiteral("PrefTableDefaultImageAttrsExpanded")), QVariant(true));

        // A double-click on a group toggles it, without a sheet.
        click(*tab, row(*tab, 1), Qt::NoModifier, true);
        QVERIFY(!table->isExpanded(row(*tab, 1)));
        QVERIFY(!tab->editingAttribute());
        read = m_prefs.readByPython();
        QCOMPARE(read.value(QStringLiteral("PrefTableDefaultImageAttrsExpanded")), QVariant(false));

        // The next window, after a restart, opens them as they were left.
        tab.reset();
        m_prefs.reopened();
        TBPrefsAttributesTab next;
        const QList<bool> after {true, false, false, false, true, false};
        for (int group = 0; group < 6; ++group)
            QCOMPARE(next.attributesTable()->isExpanded(row(next, group)), after.at(group));
    }

    // Clicking the box of one of three selected rows changes all three the same way, and the
    // three stay selected.
    void boxClickChangesTheSelectedRows()
    {
        auto tab = tabWith(kCustom);
        const QModelIndex staff = row(*tab, 3, QStringLiteral("tamblinStaffNumber"));
        const QModelIndex room = row(*tab, 3, QStringLiteral("tamblinRoom"));
        const QModelIndex colour = row(*tab, 3, QStringLiteral("tamblinColour"));
        click(*tab, staff);
        click(*tab, room, Qt::ControlModifier);
        click(*tab, colour, Qt::ControlModifier);
        QCOMPARE(selectedNames(*tab), (QStringList {"tamblinColour", "tamblinRoom", "tamblinStaffNumber"}));

        click(*tab, staff.siblingAtColumn(2)); // not basic: all become basic
        QCOMPARE(TBPreferences::sharedPreferences()->basicAttributes(),
                 (QStringList {"cn", "tamblinColour", "tamblinRoom", "tamblinStaffNumber"}));
        QCOMPARE(selectedNames(*tab), (QStringList {"tamblinColour", "tamblinRoom", "tamblinStaffNumber"}));
        click(*tab, room.siblingAtColumn(2)); // basic: none stays basic
        QCOMPARE(TBPreferences::sharedPreferences()->basicAttributes(), QStringList {"cn"});
        QCOMPARE(selectedNames(*tab), (QStringList {"tamblinColour", "tamblinRoom", "tamblinStaffNumber"}));
        QCOMPARE(m_prefs.readByPython().value(QStringLiteral("BasicAttributes")), QVariant(QVariantList {"cn"}));

        // The next click selects as ever.
        click(*tab, colour);
        QCOMPARE(selectedNames(*tab), QStringList {"tamblinColour"});

        // The box of a row outside the selection: that row alone, selected and changed.
        click(*tab, room.siblingAtColumn(3));
        QCOMPARE(selectedNames(*tab), QStringList {"tamblinRoom"});
        QVERIFY(TBPreferences::sharedPreferences()->isAttributeColumnDisplayedForAttribute("tamblinRoom"));
        QVERIFY(!TBPreferences::sharedPreferences()->isAttributeColumnDisplayedForAttribute("tamblinColour"));
        QCOMPARE(m_prefs.readByPython().value(QStringLiteral("DisplayedAttributeColumns")).toStringList().last(),
                 QStringLiteral("tamblinRoom"));

        // A double-click on a box toggles it twice and opens nothing.
        click(*tab, colour.siblingAtColumn(2), Qt::NoModifier, true);
        QVERIFY(!tab->editingAttribute());
    }

    void spaceTogglesTheCurrentBox()
    {
        auto tab = tabWith(kCustom);
        const QModelIndex badge = row(*tab, 4, QStringLiteral("badgePhoto"), 3);
        click(*tab, badge);
        QVERIFY(TBPreferences::sharedPreferences()->isAttributeColumnDisplayedForAttribute("badgePhoto"));
        QTest::keyClick(tab->attributesTable(), Qt::Key_Space);
        QVERIFY(!TBPreferences::sharedPreferences()->isAttributeColumnDisplayedForAttribute("badgePhoto"));
        QCOMPARE(selectedNames(*tab), QStringList {"badgePhoto"});
        // Asked for the state it is in, a box stays.
        TBAttributeTableController* model = outline(*tab);
        QVERIFY(model->setData(badge, Qt::Unchecked, Qt::CheckStateRole));
        QVERIFY(!TBPreferences::sharedPreferences()->isAttributeColumnDisplayedForAttribute("badgePhoto"));
        QVERIFY(model->setData(badge, Qt::Checked, Qt::CheckStateRole));
        QVERIFY(TBPreferences::sharedPreferences()->isAttributeColumnDisplayedForAttribute("badgePhoto"));
        QVERIFY(!model->setData(badge.siblingAtColumn(0), Qt::Checked, Qt::CheckStateRole));
    }

    void onlyAttributeRowsAreSelected()
    {
        auto tab = tabWith(kCustom);
        TBAttributeTableController* model = outline(*tab);
        click(*tab, row(*tab, 3));
        click(*tab, model->index(0, 0, row(*tab, 5)), Qt::ControlModifier);
        QVERIFY(selectedNames(*tab).isEmpty());
        QVERIFY(!model->anySelectedItemIsDeletable());
        QVERIFY(!model->selectedItemIsEditable());

        // Default rows can be selected but not deleted.
        tab->attributesTable()->expand(row(*tab, 0));
        select(*tab, {row(*tab, 0, QStringLiteral("cn")), row(*tab, 3, QStringLiteral("tamblinRoom"))});
        QVERIFY(model->anySelectedItemIsDeletable());
        QVERIFY(!model->selectedItemIsDeletable());
        select(*tab, {row(*tab, 0, QStringLiteral("cn"))});
        QVERIFY(!model->anySelectedItemIsDeletable());
        QVERIFY(!model->selectedItemIsEditable());
        select(*tab, {row(*tab, 3, QStringLiteral("tamblinRoom"))});
        QVERIFY(model->selectedItemIsDeletable());
        QVERIFY(model->selectedItemIsEditable());
    }

    void selectByIdentifier()
    {
        auto tab = tabWith(kCustom);
        TBAttributeTableController* model = outline(*tab);
        TBPreferences* prefs = TBPreferences::sharedPreferences();
        model->selectItemWithAttributeID(prefs->attributeWithName("tamblinRoom")->attributeID(), false);
        model->selectItemWithAttributeID(prefs->attributeWithName("badgePhoto")->attributeID(), true);
        QCOMPARE(selectedNames(*tab), (QStringList {"tamblinRoom", "badgePhoto"}));
        model->selectItemWithAttributeID(prefs->attributeWithName("tamblinColour")->attributeID(), false);
        QCOMPARE(selectedNames(*tab), QStringList {"tamblinColour"});
        // A row in a closed group is not visible: nothing happens.
        model->selectItemWithAttributeID(prefs->attributeWithName("cn")->attributeID(), false);
        model->selectItemWithAttributeID(-42, false);
        QCOMPARE(selectedNames(*tab), QStringList {"tamblinColour"});

        model->expandAttributeItemGroup(0);
        model->expandAttributeItemGroup(9); // ignored
        QVERIFY(tab->attributesTable()->isExpanded(row(*tab, 0)));
        QCOMPARE(m_prefs.readByPython().value(QStringLiteral("PrefTableDefaultAttrsExpanded")), QVariant(true));
        model->selectItemWithAttributeID(prefs->attributeWithName("cn")->attributeID(), false);
        QCOMPARE(selectedNames(*tab), QStringList {"cn"});
        QCOMPARE(model->groupItemForAttributeType(1), model->groupItemForGroup(4));
        QCOMPARE(model->groupItemForAttributeType(3), model->groupItemForGroup(3));
    }

    // Rows made again for a changed list leave the groups as they were, and the other rows selected.
    void reloadKeepsTheRest()
    {
        auto tab = tabWith(kCustom);
        TBAttributeTableController* model = outline(*tab);
        QTreeView* table = tab->attributesTable();
        table->collapse(row(*tab, 4));
        select(*tab, {row(*tab, 3, QStringLiteral("tamblinRoom"))});
        TBPreferences* prefs = TBPreferences::sharedPreferences();
        auto guid = TBAttribute::attribute();
        guid->setAttributeName(QStringLiteral("tamblinGUID"));
        guid->setAttributeType(2);
        prefs->addAttribute(guid);
        model->reloadCustomAttributes();

        QCOMPARE(model->rowCount(row(*tab, 5)), 1);
        QCOMPARE(model->index(0, 0, row(*tab, 5)).data().toString(), QStringLiteral("tamblinGUID"));
        QVERIFY(model->flags(model->index(0, 0, row(*tab, 5))) & Qt::ItemIsSelectable);
        QVERIFY(table->isExpanded(row(*tab, 5)));
        QVERIFY(!table->isExpanded(row(*tab, 4)));
        QCOMPARE(selectedNames(*tab), QStringList {"tamblinRoom"});

        prefs->removeAttribute(guid);
        model->reloadCustomAttributes();
        QCOMPARE(model->index(0, 0, row(*tab, 5)).data().toString(), QStringLiteral("None Defined"));
    }
};

QTEST_MAIN(tst_TBAttributeTableController)
#include "tst_TBAttributeTableController.moc"
