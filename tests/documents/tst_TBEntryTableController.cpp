#include "TBEntryTableController.h"
#include "TBTestModel.h"

#include "TBEntryTableModel.h"
#include "TBNotificationCenter.h"
#include "TBParser.h"
#include "TBPreferences.h"
#include "TBTestSupport.h"
#include "TBUserDefaults.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

QStringList column(const TBEntryTableController& controller, const QString& identifier)
{
    QStringList texts;
    const int col = controller.model()->columnForIdentifier(identifier);
    for (int row = 0; row < controller.model()->rowCount(); ++row)
        texts.append(controller.model()->cellText(row, col));
    return texts;
}

QAction* menuItem(const TBEntryTableController& controller, const QString& title)
{
    for (QAction* item : controller.entryTableColumnsMenu()->actions()) {
        if (item->text() == title)
            return item;
    }
    return nullptr;
}

// Clicks the header of a column, as the user sorts.
void clickHeader(TBTableView& table, int column)
{
    QHeaderView* header = table.horizontalHeader();
    const QPoint pos(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, pos);
}

} // namespace

// The entry table: columns from the attribute lists and from searches, cell texts and tooltips,
// sorting, the columns menu, copy and delete of rows, and the remembered layout.
class tst_TBEntryTableController : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<TBUserDefaults> m_store;
    TBPreferences* prefs() const { return TBPreferences::sharedPreferences(); }

    TBEntryList people() const
    {
        return {TBTestSupport::entryFromPairs({"dn=uid=bob,dc=t", "cn=bob", "sn=Builder", "mail=bob@t"}),
                TBTestSupport::entryFromPairs(
                    {"dn=uid=alice,dc=t", "cn=Alice", "sn=Example", "mail=a1@t", "mail=a2@t", "jpegPhoto=x"}),
                TBTestSupport::entryFromPairs({"dn=uid=carol,dc=t", "cn=Carol", "mail=carol@t"}),
                TBTestSupport::entryFromPairs({"dn=uid=frank,dc=t", "sn=Minimal"})};
    }

private Q_SLOTS:
    void initTestCase()
    {
        TBTestSupport::useScratchConfig();
        QVERIFY(m_dir.isValid());
    }

    // Each test starts from the shipped attribute lists and an empty settings file.
    void init()
    {
        TBPreferences::resetSharedPreferences(nullptr);
        QFile::remove(m_dir.filePath(QStringLiteral("Tamblin.plist")));
        m_store = std::make_unique<TBUserDefaults>(m_dir.filePath(QStringLiteral("Tamblin.plist")));
        TBPreferences::resetSharedPreferences(m_store.get());
        prefs()->setShowFriendlyAttrs(false);
        prefs()->setInterpretADTimestamps(true);
    }

    void cleanupTestCase() { TBPreferences::resetSharedPreferences(nullptr); }

    void firstWindowWithoutListsShowsDN()
    {
        prefs()->registry().setBasicAttributes({});
        prefs()->registry().setDisplayedAttributeColumns({});
        TBTableView table;
        TBEntryTableController controller(&table);
        controller.initAttributeColumns();
        QCOMPARE(controller.columnIdentifiers(), QStringList {"dn"});
        QCOMPARE(controller.numberOfVisibleColumns(), 1);
        QCOMPARE(prefs()->displayedAttributeColumns(), QStringList {"dn"});
    }

    void columnsFollowTheLists()
    {
        prefs()->setShowFriendlyAttrs(true); // "Distinguished Name", "Organizational Unit"...
        TBTableView table;
        TBEntryTableController controller(&table);
        controller.initAttributeColumns();
        // Basic attributes first, then the displayed ones; only displayed ones are visible.
        QCOMPARE(controller.columnIdentifiers(), QStringList({"dn", "cn", "sn", "ou", "mail", "objectclass"}));
        QCOMPARE(controller.columnIdentifiers(true), QStringList({"dn", "cn", "sn", "ou", "mail"}));
        // Each new column is wide enough for its name; a narrower one elides it, and the tool tip
        // has the whole name.
        const QHeaderView* header = table.horizontalHeader();
        QCOMPARE(header->textElideMode(), Qt::ElideRight);
        for (int column = 0; column < header->count(); ++column) {
            if (header->isSectionHidden(column))
                continue;
            const QString name = header->model()->headerData(column, Qt::Horizontal).toString();
            const int width = header->sectionSize(column);
            QVERIFY2(width >= TBEntryTableController::defaultColumnWidth
                         && width <= TBEntryTableController::maximumColumnWidth,
                     qPrintable(name));
            QVERIFY2(width > header->fontMetrics().horizontalAdvance(name), qPrintable(name));
            QVERIFY(header->model()->headerData(column, Qt::Horizontal, Qt::ToolTipRole).toString().startsWith(name));
        }
    }

    void cellTextAndToolTip_data()
    {
        QTest::addColumn<QString>("attribute");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<bool>("interpret");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("gray");
        QTest::addColumn<QString>("toolTip");

        const QString more = QStringLiteral("\n\nPlus 2 more values. Look in \u201CDetails\u201D below.");
        QTest::newRow("missing") << "title" << QStringList() << true << "" << false << "";
        QTest::newRow("one value") << "title" << QStringList {"Boss"} << true << "Boss" << false << "";
        QTest::newRow("two values") << "mail" << QStringList {"a@t", "b@t"} << true << "(multiple values)" << true
                                    << "1) a@t\n2) b@t";
        QTest::newRow("four values listed") << "mail" << QStringList {"a", "b", "c", "d"} << true << "(multiple values)"
                                            << true << "1) a\n2) b\n3) c\n4) d";
        QTest::newRow("five values cut") << "mail" << QStringList {"a", "b", "c", "d", "e"} << true
                                         << "(multiple values)" << true << "1) a\n2) b\n3) c" + more;
        QTest::newRow("image") << "jpegPhoto" << QStringList {"x"} << true << "(exists)" << true
                               << TBEntryTableModel::imageOrBinaryToolTip();
        QTest::newRow("binary") << "userCertificate" << QStringList {"der"} << true << "(exists)" << true
                                << TBEntryTableModel::imageOrBinaryToolTip();
        QTest::newRow("AD zero") << "pwdLastSet" << QStringList {"0"} << true << "0" << false << "0";
        const QString epoch = QStringLiteral("116444736000000000");
        QTest::newRow("AD date") << "pwdLastSet" << QStringList {epoch} << true
                                 << TBADTimestampToString(epoch, prefs()->adDateStyle()) << false << epoch;
        QTest::newRow("AD raw") << "pwdLastSet" << QStringList {epoch} << false << epoch << false
                                << TBADTimestampToString(epoch, prefs()->adDateStyle());

        // AD: readable identifiers (pairs made without this code, see tst_TBADValues), "never",
        // and a group whose members came as a range.
        const QString guid = QStringLiteral("{3c2d1e0f-5a4b-7869-8796-a5b4c3d2e1f0}");
        const QString sid = QStringLiteral("S-1-5-21-1004336348-1177238915-682003330-1104");
        QTest::newRow("GUID") << "objectGUID" << QStringList {"hex:0f1e2d3c4b5a69788796a5b4c3d2e1f0"} << true << guid
                              << false << guid;
        QTest::newRow("GUID with an option")
            << "objectGUID;binary" << QStringList {"hex:0f1e2d3c4b5a69788796a5b4c3d2e1f0"} << true << guid << false
            << guid;
        QTest::newRow("GUID of 15 bytes") << "objectGUID" << QStringList {"hex:0f1e2d3c4b5a69788796a5b4c3d2e1"} << true
                                          << "(exists)" << true << TBEntryTableModel::imageOrBinaryToolTip();
        QTest::newRow("SID") << "objectSid"
                             << QStringList {"hex:010500000000000515000000dcf4dc3b833d2b46828ba62850040000"} << true
                             << sid << false << sid;
        QTest::newRow("SID announcing more than it holds")
            << "objectSid" << QStringList {"hex:010500000000000515000000dcf4dc3b833d2b46828ba628"} << true << "(exists)"
            << true << TBEntryTableModel::imageOrBinaryToolTip();
        QTest::newRow("two GUIDs") << "objectGUID"
                                   << QStringList {"hex:0f1e2d3c4b5a69788796a5b4c3d2e1f0",
                                                   "hex:00112233445566778899aabbccddeeff"}
                                   << true << "(exists)" << true << TBEntryTableModel::imageOrBinaryToolTip();
        const QString never = QStringLiteral("9223372036854775807");
        QTest::newRow("accountExpires never")
            << "accountExpires" << QStringList {never} << true << "Never" << false << never;
        QTest::newRow("accountExpires 0") << "accountExpires" << QStringList {"0"} << true << "Never" << false << "0";
        QTest::newRow("accountExpires never, raw")
            << "accountExpires" << QStringList {never} << false << never << false << "Never";
        QTest::newRow("accountExpires date") << "accountExpires" << QStringList {epoch} << true
                                             << TBADTimestampToString(epoch, prefs()->adDateStyle()) << false << epoch;
        QTest::newRow("other AD attributes keep their dates")
            << "pwdLastSet" << QStringList {never} << true << TBADTimestampToString(never, prefs()->adDateStyle())
            << false << never;
        const QString partial = QStringLiteral("(partial list: %1 values came; the directory has more)");
        QTest::newRow("ranged") << "member;range=0-2" << QStringList {"a", "b", "c"} << true << "(multiple values)"
                                << true << partial.arg(3) + "\n\n1) a\n2) b\n3) c";
        QTest::newRow("ranged, one value came") << "member;range=0-0" << QStringList {"a"} << true << "a" << false
                                                << "(partial list: 1 value came; the directory has more)";
        QTest::newRow("ranged, the last part")
            << "member;range=3-*" << QStringList {"d", "e"} << true << "(multiple values)" << true << "1) d\n2) e";
    }

    void cellTextAndToolTip()
    {
        QFETCH(QString, attribute);
        QFETCH(QStringList, values);
        QFETCH(bool, interpret);
        QFETCH(QString, text);
        QFETCH(bool, gray);
        QFETCH(QString, toolTip);

        prefs()->setInterpretADTimestamps(interpret);
        QStringList pairs {"dn=uid=x,dc=t"};
        for (const QString& value : values)
            pairs.append(attribute + QLatin1Char('\t') + value);
        TBTableView table;
        TBEntryTableController controller(&table);
        controller.addTableColumnForAttribute(attribute);
        controller.setEntries({TBTestSupport::entryFromPairs(pairs)});

        const QModelIndex cell = controller.model()->index(0, 0);
        QCOMPARE(cell.data().toString(), text);
        QCOMPARE(cell.data(Qt::ForegroundRole).isValid(), gray);
        QCOMPARE(cell.data(Qt::ToolTipRole).toString(), toolTip);
        // Only a single text value may be opened for selecting.
        QCOMPARE(controller.model()->flags(cell).testFlag(Qt::ItemIsEditable), !gray && !text.isEmpty());
    }

    void friendlyHeaders()
    {
        auto bare = std::make_shared<TBAttribute>();
        bare->setAttributeName(QStringLiteral("tamblinBare"));
        bare->setFriendlyName(QString());
        prefs()->addAttribute(bare);
        TBTableView table;
        TBEntryTableController controller(&table);
        for (const char* name : {"cn", "tamblinBare"})
            controller.addTableColumnForAttribute(QString::fromLatin1(name));
        controller.initAttributesColumnsMenu();
        QAbstractItemModel* model = controller.model();
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("cn"));

        prefs()->setShowFriendlyAttrs(true);
        TBNotificationCenter::defaultCenter()->post(TBPrefsHaveChangedNotification);
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Full Name"));
        // Without a friendly name the header keeps the attribute name, never an empty title.
        QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("tamblinBare"));
        QVERIFY(menuItem(controller, QStringLiteral("cn (Full Name)")));
        QVERIFY(menuItem(controller, QStringLiteral("tamblinBare")));
    }

    void sortingByHeaderClicks()
    {
        prefs()->registry().setDisplayedAttributeColumns(QStringList {"cn", "jpegPhoto", "pwdLastSet"});
        TBTableView table;
        TBEntryTableController controller(&table);
        for (const char* name : {"cn", "jpegPhoto", "pwdLastSet"})
            controller.addTableColumnForAttribute(QString::fromLatin1(name));
        TBEntryList entries = people();
        const char* ticks[] = {"9223372036854775807", "133537590000000000", "0", nullptr};
        for (int i = 0; i < 3; ++i)
            entries[i]->addAttribute(QStringLiteral("pwdLastSet"), QString::fromLatin1(ticks[i]));
        controller.setEntries(entries);
        prefs()->setInterpretADTimestamps(false);
        table.resize(600, 300);
        table.show();
        QVERIFY(QTest::qWaitForWindowExposed(&table));
        QSignalSpy reordered(&controller, &TBEntryTableController::entriesChanged);

        // Case does not split names; an entry without a value comes first.
        clickHeader(table, 0);
        QCOMPARE(column(controller, "cn"), QStringList({"", "Alice", "bob", "Carol"}));
        clickHeader(table, 0);
        QCOMPARE(column(controller, "cn"), QStringList({"Carol", "bob", "Alice", ""}));
        QCOMPARE(reordered.count(), 2);
        QCOMPARE(controller.entries().first()->valueForAttribute("cn").text(), QStringLiteral("Carol"));

        // Pictures cannot be sorted on: order and indicator stay.
        clickHeader(table, 1);
        QCOMPARE(column(controller, "cn"), QStringList({"Carol", "bob", "Alice", ""}));
        QCOMPARE(table.horizontalHeader()->sortIndicatorSection(), 0);

        // AD timestamps sort on their tick counts, not on their text.
        clickHeader(table, 2);
        QCOMPARE(column(controller, "pwdLastSet"), QStringList({"", "0", "133537590000000000", "9223372036854775807"}));

        // New results arrive in the table's order.
        clickHeader(table, 0);
        controller.setEntries(people());
        QCOMPARE(column(controller, "cn"), QStringList({"", "Alice", "bob", "Carol"}));
        QCOMPARE(controller.entries().first()->dn(), QStringLiteral("uid=frank,dc=t"));
    }

    void columnsMenu()
    {
        TBTableView table;
        TBEntryTableController controller(&table);
        controller.initAttributeColumns();
        controller.initAttributesColumnsMenu();
        QMenu* menu = controller.entryTableColumnsMenu();
        QCOMPARE(menu->actions().at(0)->text(), QStringLiteral("Hide All Columns"));
        QCOMPARE(menu->actions().at(1)->text(), QStringLiteral("Show All Columns"));
        QVERIFY(menu->actions().at(2)->isSeparator());
        QStringList titles;
        for (qsizetype i = 3; i < menu->actions().size(); ++i)
            titles.append(menu->actions().at(i)->text());
        QCOMPARE(titles, QStringList({"cn", "dn", "mail", "objectclass", "ou", "sn"}));
        QVERIFY(!menuItem(controller, "objectclass")->isChecked());

        // Without results hiding all hides every column.
        menu->actions().at(0)->trigger();
        QCOMPARE(controller.numberOfVisibleColumns(), 0);
        menu->actions().at(1)->trigger();
        QCOMPARE(controller.numberOfVisibleColumns(), 6);

        // With results the DN stays.
        controller.setEntries(people());
        menu->actions().at(0)->trigger();
        QCOMPARE(controller.columnIdentifiers(true), QStringList {"dn"});
        QVERIFY(menuItem(controller, "dn")->isChecked());
        QVERIFY(!menuItem(controller, "cn")->isChecked());

        menuItem(controller, "mail")->trigger();
        QCOMPARE(controller.columnIdentifiers(true), QStringList({"dn", "mail"}));
        QVERIFY(menuItem(controller, "mail")->isChecked());
        menuItem(controller, "mail")->trigger();
        menuItem(controller, "dn")->trigger();
        // The last visible column hidden with results shown: the DN comes back.
        QCOMPARE(controller.columnIdentifiers(true), QStringList {"dn"});

        // The menu is the header's context menu.
        QHeaderView* header = table.horizontalHeader();
        table.show();
        QVERIFY(QTest::qWaitForWindowExposed(&table));
        Q_EMIT header->customContextMenuRequested(QPoint(5, 5));
        QTRY_VERIFY(menu->isVisible());
        menu->close();
        // Showing and hiding stays with this window.
        QCOMPARE(prefs()->displayedAttributeColumns(), QStringList({"dn", "cn", "sn", "ou", "mail"}));
    }

    void columnsFromSearches_data()
    {
        QTest::addColumn<QVariantMap>("options");
        QTest::addColumn<QStringList>("visible");
        QTest::addColumn<bool>("registered");

        // "uid" is known to the registry; "tamblinnew" only once discovery adds it.
        QTest::newRow("preferences: no discovery")
            << QVariantMap() << QStringList({"dn", "sn", "mail", "objectclass"}) << false;
        QTest::newRow("window: add and display")
            << QVariantMap {{"AutoAddDiscoveredAttributes", true}, {"AutoDisplayAttributeColumns", true}}
            << QStringList({"dn", "cn", "sn", "mail", "tamblinnew", "uid", "objectclass"}) << true;
        QTest::newRow("window: add only")
            << QVariantMap {{"AutoAddDiscoveredAttributes", true}, {"AutoDisplayAttributeColumns", false}}
            << QStringList({"dn", "sn", "mail", "objectclass"}) << true;
        // A string is not a switch.
        QTest::newRow("window: wrong kind") << QVariantMap {{"AutoAddDiscoveredAttributes", "1"}}
                                            << QStringList({"dn", "sn", "mail", "objectclass"}) << false;
    }

    void columnsFromSearches()
    {
        QFETCH(QVariantMap, options);
        QFETCH(QStringList, visible);
        QFETCH(bool, registered);

        prefs()->setAutoAddDiscoveredAttributes(false);
        prefs()->setAutoDisplayAttributeColumns(false);
        prefs()->registry().setBasicAttributes(QStringList {"dn", "cn", "sn", "mail"});
        prefs()->registry().setDisplayedAttributeColumns(QStringList {"dn", "sn", "mail"});
        TBTableView table;
        TBEntryTableController controller(&table);
        controller.initAttributeColumns();

        TBSearchCriteriaPtr criteria = TBSearchCriteria::searchCriteria(prefs()->lastSelectedAttribute());
        criteria->searchItemAtIndex(0)->setSearchAttr(QStringLiteral("objectClass"));
        controller.addAttributeColumns({"uid", "tamblinnew", "cn"}, prefs()->runSettings(options), criteria);

        QCOMPARE(prefs()->attributeExists("tamblinnew"), registered);
        QCOMPARE(controller.columnIdentifiers().contains("tamblinnew"), registered);
        QVERIFY(controller.columnIdentifiers().contains("uid"));
        // The attribute searched on always gets a visible column; cn stays hidden.
        QCOMPARE(controller.columnIdentifiers(true), visible);
        QVERIFY(prefs()->displayedAttributeColumns().contains("objectclass"));
        QVERIFY(menuItem(controller, "objectclass")->isChecked());
    }

    void registryChangesReachTheColumns()
    {
        auto custom = std::make_shared<TBAttribute>();
        custom->setAttributeName(QStringLiteral("tamblinColour"));
        prefs()->addAttribute(custom);
        TBTableView table;
        TBEntryTableController controller(&table);
        controller.initAttributeColumns();
        controller.addTableColumnForAttribute(QStringLiteral("tamblinColour"));
        controller.initAttributesColumnsMenu();
        QVERIFY(controller.columnIdentifiers().contains("tamblinColour"));

        prefs()->removeAttribute(custom);
        QVERIFY(!controller.columnIdentifiers().contains("tamblinColour"));
        QVERIFY(!menuItem(controller, "tamblinColour"));
        prefs()->addToDisplayedAttributeColumns(QStringLiteral("objectclass"));
        QVERIFY(!controller.isColumnHidden("objectclass"));
    }

    // What the preferences window changes shows at once: the columns asked for, and friendly
    // names in the headers and in the entries' texts.
    void preferencesWindowChangesShowAtOnce()
    {
        auto colour = std::make_shared<TBAttribute>();
        colour->setAttributeName(QStringLiteral("tamblinColour"));
        colour->setFriendlyName(QString());
        prefs()->addAttribute(colour);
        prefs()->setShowFriendlyAttrs(true);
        TBTableView table;
        TBEntryTableController controller(&table);
        controller.initAttributeColumns();
        controller.initAttributesColumnsMenu();
        const TBEntryList rows {TBTestSupport::entryFromPairs({"dn=uid=ann,dc=t", "cn=Ann", "tamblinColour=teal"}),
                                TBTestSupport::entryFromPairs({"dn=uid=bo,dc=t", "cn=Bo"})};
        controller.setEntries(rows);
        table.selectRow(0);
        QSignalSpy redraw(&controller, &TBEntryTableController::selectionChanged);
        const TBRenderingContext context = prefs()->renderingContext();
        QVERIFY(TBEntryRendering::friendlyInfo(*rows.first(), context).plainText().contains("tamblinColour: teal"));

        // A column the registry turns on for another window's search waits for this table's results.
        QObject preferencesWindow;
        prefs()->registry().setDisplayedAttributeColumns(prefs()->displayedAttributeColumns()
                                                         + QStringList {"tamblinColour"});
        const QVariantMap listsChanged {{"PrefNotifyAction", qint64(3)},
                                        {"AttributeNames", QStringList {"tamblinColour"}}};
        TBNotificationCenter::defaultCenter()->post(TBPrefsAttributesHaveChangedNotification, prefs(), listsChanged);
        QVERIFY(!controller.columnIdentifiers().contains("tamblinColour"));
        QCOMPARE(redraw.size(), 0); // a list changing leaves the texts as drawn
        // Turned on in the preferences window, it comes at once, shown; the texts stay as drawn.
        TBNotificationCenter::defaultCenter()->post(TBPrefsAttributesHaveChangedNotification, &preferencesWindow,
                                                    listsChanged);
        QVERIFY(controller.columnIdentifiers(true).contains("tamblinColour"));
        QVERIFY(menuItem(controller, "tamblinColour")->isChecked());
        QCOMPARE(column(controller, "tamblinColour"), (QStringList {"teal", ""}));
        QCOMPARE(controller.selectedRows(), QList<int> {0}); // the row selected takes in the new cell
        redraw.clear();

        // A new friendly name: the header, the menu and the details of the selected entry follow.
        QVERIFY(prefs()->changeAttribute(colour->attributeID(), "tamblinColour", "Colour", 0));
        TBNotificationCenter::defaultCenter()->post(
            TBPrefsAttributesHaveChangedNotification, &preferencesWindow,
            {{"PrefNotifyAction", qint64(3)}, {"AttributeIDs", QVariantList {colour->attributeID()}}});
        const int at = controller.model()->columnForIdentifier("tamblinColour");
        QCOMPARE(controller.model()->headerData(at, Qt::Horizontal).toString(), QStringLiteral("Colour"));
        QVERIFY(menuItem(controller, "tamblinColour (Colour)"));
        QCOMPARE(redraw.size(), 1);
        QVERIFY(TBEntryRendering::friendlyInfo(*rows.first(), context).plainText().contains("Colour: teal"));
    }

    // An opened cell shows its value to select and copy; typing in it changes nothing.
    void openedCellIsReadOnly()
    {
        TBTableView table;
        TBEntryTableController controller(&table);
        controller.initAttributeColumns();
        controller.setEntries(people());
        table.show();
        const QModelIndex cell = controller.model()->index(0, controller.model()->columnForIdentifier("cn"));
        table.edit(cell);
        auto* field = table.viewport()->findChild<QLineEdit*>();
        QVERIFY(field);
        QVERIFY(field->isReadOnly());
        QCOMPARE(field->text(), QStringLiteral("bob"));
        QTest::keyClicks(field, QStringLiteral("x"));
        QTest::keyClick(field, Qt::Key_Backspace);
        QCOMPARE(field->text(), QStringLiteral("bob"));
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(controller.model()->cellText(0, cell.column()), QStringLiteral("bob"));
    }

    void copyGivesTabDelimitedRows_data()
    {
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QString>("expected");

        // Visible columns in on-screen order (mail moved first; sn hidden).
        const QString rows = QStringLiteral("a1@t;a2@t\tuid=alice,dc=t\tAlice\n\tuid=frank,dc=t\t\n");
        QTest::newRow("plain") << Qt::KeyboardModifiers(Qt::ControlModifier) << rows;
        QTest::newRow("alt adds the header")
            << Qt::KeyboardModifiers(Qt::ControlModifier | Qt::AltModifier) << "mail\tdn\tcn\n" + rows;
    }

    void copyGivesTabDelimitedRows()
    {
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QString, expected);

        prefs()->registry().setBasicAttributes(QStringList {"dn", "cn", "sn", "mail"});
        prefs()->registry().setDisplayedAttributeColumns(QStringList {"dn", "cn", "mail"});
        TBTableView table;
        TBEntryTableController controller(&table);
        controller.initAttributeColumns();
        controller.setEntries(people());
        table.horizontalHeader()->moveSection(3, 0);
        table.show();
        QVERIFY(QTest::qWaitForWindowExposed(&table));

        QApplication::clipboard()->setText(QStringLiteral("before"));
        QVERIFY(!table.canCopy());
        QTest::keyClick(&table, Qt::Key_C, modifiers);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("before"));

        table.selectionModel()->select(controller.model()->index(3, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        table.selectionModel()->select(controller.model()->index(1, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QVERIFY(table.canCopy());
        QTest::keyClick(&table, Qt::Key_C, modifiers);
        QCOMPARE(QApplication::clipboard()->text(), expected);
        // A drag carries the same rows.
        std::unique_ptr<QMimeData> drag(controller.model()->mimeData(
            {controller.model()->index(1, 2), controller.model()->index(3, 0), controller.model()->index(1, 0)}));
        QCOMPARE(drag->text(), QString(expected).remove("mail\tdn\tcn\n"));
    }

    void deleteRemovesRowsFromTheResultsOnly()
    {
        TBTableView table;
        TBEntryTableController controller(&table);
        controller.initAttributeColumns();
        const TBEntryList entries = people();
        controller.setEntries(entries);
        QSignalSpy deleted(&controller, &TBEntryTableController::rowsDeleted);
        table.setFocus();
        for (int row : {0, 2})
            table.selectionModel()->select(controller.model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QTest::keyClick(&table, Qt::Key_Delete);
        QCOMPARE(deleted.count(), 1);
        QCOMPARE(controller.entries(), TBEntryList({entries.at(1), entries.at(3)}));
        QVERIFY(!table.hasSelection());
        QVERIFY(!table.canDelete());
        // Nothing selected: nothing removed.
        QTest::keyClick(&table, Qt::Key_Delete);
        QCOMPARE(controller.entries().size(), 2);
        QCOMPARE(deleted.count(), 1);
    }

    void exportFollowsTheColumns_data()
    {
        QTest::addColumn<qint64>("format");
        QTest::addColumn<bool>("selectedOnly");
        QTest::addColumn<bool>("names");
        QTest::addColumn<bool>("visibleOnly");
        QTest::addColumn<QString>("expected");

        // Columns on screen: dn, cn (hidden), mail.
        QTest::newRow("visible, with names") << qint64(TBExportTabDelimited) << false << true << true
                                             << "dn\tmail\nuid=bob,dc=t\tbob@t\nuid=alice,dc=t\ta1@t;a2@t\n"
                                                "uid=carol,dc=t\tcarol@t\nuid=frank,dc=t\t\n";
        QTest::newRow("hidden too, selected rows") << qint64(TBExportCommaSeparated) << true << false << false
                                                   << "\"uid=alice,dc=t\",Alice,a1@t;a2@t\n\"uid=frank,dc=t\",,\n";
    }

    void exportFollowsTheColumns()
    {
        QFETCH(qint64, format);
        QFETCH(bool, selectedOnly);
        QFETCH(bool, names);
        QFETCH(bool, visibleOnly);
        QFETCH(QString, expected);

        prefs()->registry().setBasicAttributes(QStringList {"dn", "cn", "mail"});
        prefs()->registry().setDisplayedAttributeColumns(QStringList {"dn", "mail"});
        TBTableView table;
        TBEntryTableController controller(&table);
        controller.initAttributeColumns();
        controller.setEntries(people());
        table.selectRow(1);
        table.selectionModel()->select(controller.model()->index(3, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);

        const QString path = m_dir.filePath(QStringLiteral("export.txt"));
        TBExportMessage message;
        QVERIFY(controller.exportEntriesToPath(format, selectedOnly, names, visibleOnly, path, &message));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()), expected);
    }

    void layoutIsRemembered()
    {
        {
            TBTableView table;
            TBEntryTableController controller(&table);
            controller.initAttributeColumns();
            controller.addTableColumnForAttribute(QStringLiteral("uid"));
            QHeaderView* header = table.horizontalHeader();
            header->moveSection(header->visualIndex(6), 0); // uid first
            header->moveSection(header->visualIndex(4), 1); // then mail
            header->resizeSection(1, 150); // cn
            header->resizeSection(2, 500); // sn, beyond the maximum
            controller.model()->sort(1, Qt::DescendingOrder);
            header->setSortIndicator(1, Qt::DescendingOrder);
        }
        QVERIFY(m_store->isDictionary(TBEntryTableController::tableStateKey()));
        QVERIFY(TBPreferences::tableStateKeys().contains(TBEntryTableController::tableStateKey()));

        // A new window: uid is not a column yet, so the others keep their saved order.
        TBTableView table;
        TBEntryTableController controller(&table);
        controller.initAttributeColumns();
        QCOMPARE(controller.columnIdentifiers(), QStringList({"mail", "dn", "cn", "sn", "ou", "objectclass"}));
        QHeaderView* header = table.horizontalHeader();
        QCOMPARE(header->sectionSize(controller.model()->columnForIdentifier("cn")), 150);
        QCOMPARE(header->sectionSize(controller.model()->columnForIdentifier("sn")),
                 TBEntryTableController::maximumColumnWidth);
        QCOMPARE(header->sortIndicatorSection(), controller.model()->columnForIdentifier("cn"));
        controller.setEntries(people());
        QCOMPARE(column(controller, "cn"), QStringList({"Carol", "bob", "Alice", ""}));
        // A search that brings uid back puts it where it was.
        controller.addAttributeColumns({"uid"}, prefs()->runSettings(), TBSearchCriteriaPtr());
        QCOMPARE(controller.columnIdentifiers().first(), QStringLiteral("uid"));

        // Resetting the attributes forgets the layout.
        prefs()->resetAttributes();
        TBTableView fresh;
        TBEntryTableController freshController(&fresh);
        freshController.initAttributeColumns();
        QCOMPARE(freshController.columnIdentifiers(), QStringList({"dn", "cn", "sn", "ou", "mail", "objectclass"}));
    }

    void realEntriesFromTheSampleDirectory()
    {
        const QString uri = TBTestSupport::sampleURI();
        TB_REQUIRE_SAMPLE_SLAPD(uri);
        QProcess ldapsearch;
        ldapsearch.setProcessEnvironment([] {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("LDAPNOINIT"), QStringLiteral("1"));
            return env;
        }());
        ldapsearch.start(
            QStringLiteral("/usr/bin/ldapsearch"),
            {"-x", "-LLL", "-H", uri, "-b", "ou=People,dc=tamblin,dc=test", "(objectClass=inetOrgPerson)"});
        QVERIFY(ldapsearch.waitForFinished(60000));
        QCOMPARE(ldapsearch.exitCode(), 0);
        TBParser parser(ldapsearch.readAllStandardOutput(), true, prefs()->registry().kinds());
        QVERIFY(parser.parse());
        const TBEntryList entries = parser.takeParsedData();
        QVERIFY(entries.size() >= 300);

        TBTableView table;
        TBEntryTableController controller(&table);
        controller.initAttributeColumns();
        controller.addAttributeColumns(parser.returnedAttributeNames(), prefs()->runSettings(), TBSearchCriteriaPtr());
        controller.setEntries(entries);
        QCOMPARE(controller.model()->rowCount(), entries.size());

        const int cn = controller.model()->columnForIdentifier("cn");
        controller.model()->sort(cn, Qt::AscendingOrder);
        const QStringList names = column(controller, "cn");
        for (qsizetype i = 1; i < names.size(); ++i) {
            if (names.at(i - 1) != QLatin1String("(multiple values)")
                && names.at(i) != QLatin1String("(multiple values)"))
                QVERIFY2(names.at(i - 1).toCaseFolded() <= names.at(i).toCaseFolded(), qPrintable(names.at(i)));
        }
        const int pwdLastSet = controller.model()->columnForIdentifier("pwdLastSet");
        QVERIFY(pwdLastSet >= 0);
        controller.model()->sort(pwdLastSet, Qt::AscendingOrder);
        qint64 previous = std::numeric_limits<qint64>::min();
        for (const TBEntryPtr& entry : controller.entries()) {
            const TBValue value = entry->valueForAttribute("pwdLastSet");
            const qint64 ticks = value.isNull() ? std::numeric_limits<qint64>::min() : TBADTimestampValue(value.text());
            QVERIFY(ticks >= previous);
            previous = ticks;
        }

        const int alice = int(controller.entries().indexOf(*std::find_if(
            entries.cbegin(), entries.cend(), [](const TBEntryPtr& e) { return e->dn().startsWith("uid=alice,"); })));
        const int mail = controller.model()->columnForIdentifier("mail");
        QCOMPARE(controller.model()->cellText(alice, mail), QStringLiteral("(multiple values)"));
        QCOMPARE(controller.model()->cellText(alice, controller.model()->columnForIdentifier("jpegPhoto")),
                 QStringLiteral("(exists)"));
        QVERIFY(!controller.model()->isSortable(controller.model()->columnForIdentifier("jpegPhoto")));
    }
};

QTEST_MAIN(tst_TBEntryTableController)
#include "tst_TBEntryTableController.moc"
