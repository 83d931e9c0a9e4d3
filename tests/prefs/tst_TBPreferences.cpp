#include "TBPreferences.h"

#include "TBNotificationCenter.h"
#include "TBPropertyList.h"
#include "TBTestPrefs.h"
#include "TBTestSupport.h"
#include "TBUserDefaults.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

QVariantMap directoryDict(qint64 id, const QString& name)
{
    return {{QStringLiteral("DirectoryID"), id},
            {QStringLiteral("DirectoryName"), name},
            {QStringLiteral("LDAPURI"), QStringLiteral("ldap://127.0.0.1")}};
}

QVariantMap criteriaDict(const QString& name, const QString& attr = QStringLiteral("cn"))
{
    return {{QStringLiteral("name"), name},
            {QStringLiteral("searchItems"),
             QVariantList {QVariantMap {{QStringLiteral("searchAttr"), attr},
                                        {QStringLiteral("searchType"), qint64(2)},
                                        {QStringLiteral("searchText"), QStringLiteral("x")}}}}};
}

QStringList names(const QList<TBSearchCriteriaPtr>& list)
{
    QStringList result;
    for (const auto& c : list)
        result.append(c->name());
    return result;
}

QStringList names(const QList<TBDirectoryPtr>& list)
{
    QStringList result;
    for (const auto& d : list)
        result.append(d->directoryName());
    return result;
}

TBDirectoryPtr directoryNamed(const QString& name, quint64 id)
{
    TBDirectoryPtr directory = TBDirectory::directory();
    directory->setDirectoryName(name);
    directory->setDirectoryID(id);
    return directory;
}

enum DirectoryOperation { AddOne, ReplaceOne, ReplaceOutside, AddSeveral, AddNone, MoveToEnd, MoveOutside };

} // namespace

class tst_TBPreferences : public QObject
{
    Q_OBJECT

    TBTestPrefs m_prefs;
    QObject m_observer;
    QList<TBNotification> m_notifications;

    QString storePath() const { return m_prefs.storePath(); }

    // Fresh preferences loaded from a settings file holding exactly `stored`.
    TBPreferences* prefsWithStored(const QVariantMap& stored)
    {
        TBPreferences* prefs = m_prefs.prefsWith(stored);
        m_notifications.clear();
        return prefs;
    }

    // What a later run would read: a new store over the same file.
    QVariantMap onDisk() const { return TBUserDefaults(storePath()).storedValues(); }

private Q_SLOTS:
    void initTestCase()
    {
        TBTestSupport::useScratchConfig();
        for (const QString& name : {TBPrefsDirectoriesHaveChangedNotification, TBPrefsDirectoriesDeletedNotification,
                                    TBSavedSearchesHaveChangedNotification}) {
            TBNotificationCenter::defaultCenter()->addObserver(
                &m_observer, name, [this](const TBNotification& n) { m_notifications.append(n); });
        }
    }

    void cleanupTestCase() { TBPreferences::resetSharedPreferences(nullptr); }

    void singleton()
    {
        TBPreferences* prefs = prefsWithStored({});
        QCOMPARE(TBPreferences::sharedPreferences(), prefs);
        QCOMPARE(prefs->store(), m_prefs.store());
        QVERIFY(prefs->canNotify());
    }

    void firstStart()
    {
        TBPreferences* prefs = prefsWithStored({});
        QCOMPARE(prefs->pathLDAPSearch(), QStringLiteral("/usr/bin/ldapsearch"));
        QCOMPARE(prefs->pathLDAPWhoami(), QStringLiteral("/usr/bin/ldapwhoami"));
        QCOMPARE(prefs->passwordPrompt(), QStringLiteral("Enter LDAP Password: "));
        QCOMPARE(prefs->maxHits(), 100);
        QCOMPARE(prefs->timeLimit(), 60);
        QCOMPARE(prefs->connectTimeout(), 10);
        QVERIFY(prefs->showFriendlyAttrs());
        QVERIFY(prefs->decodeBase64());
        QVERIFY(!prefs->discardOutput());
        QVERIFY(prefs->autoDisplayAttributeColumns());
        QCOMPARE(prefs->defaultSearchTopHeight(), -1);
        QCOMPARE(prefs->printLeftMargin(), 72.0);
        QCOMPARE(prefs->lastSelectedAttribute(), QStringLiteral("dn"));
        QCOMPARE(prefs->prefToolbar(), QStringLiteral("Directories"));
        QVERIFY(prefs->directories().isEmpty());
        QCOMPARE(prefs->currentDirectoryID(), 0);
        QVERIFY(!prefs->currentDirectory());
        QVERIFY(prefs->savedSearchCriteria().isEmpty());
        QVERIFY(prefs->previousSearch());
        QCOMPARE(prefs->previousSearch()->name(), QStringLiteral("New Search"));
        QCOMPARE(prefs->previousSearch()->numSearchItems(), 1);
    }

    // Every key is written by savePrefs; with an empty store it writes the registered default.
    void savedDefaults_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value");

        const QList<QPair<const char*, QVariant>> table {
            {"PathLDAPSearch", QStringLiteral("/usr/bin/ldapsearch")},
            {"PathLDAPWhoami", QStringLiteral("/usr/bin/ldapwhoami")},
            {"PasswordPrompt", QStringLiteral("Enter LDAP Password: ")},
            {"CurrentDirectoryID", qint64(0)},
            {"FetchWhichAttrs", qint64(0)},
            {"MaxHits", qint64(100)},
            {"TimeLimit", qint64(60)},
            {"ShowFriendlyAttrs", true},
            {"DecodeBase64", true},
            {"DiscardOutput", false},
            {"ConnectTimeout", qint64(10)},
            {"EnableDebug", false},
            {"DebugLevel", qint64(0)},
            {"InterpretADTimestamps", true},
            {"ADTimestampDateFormat", qint64(1)},
            {"ADTimestampTimeFormat", qint64(1)},
            {"DefaultSearchTopHeight", qint64(-1)},
            {"DefaultSearchBottomHeight", qint64(-1)},
            {"DefaultBrowseTopHeight", qint64(-1)},
            {"DefaultBrowseBottomHeight", qint64(-1)},
            {"ExportFileFormat", qint64(0)},
            {"ExportSelectedRowsOnly", false},
            {"ExportIncludeAttrNames", true},
            {"ExportVisibleColumnsOnly", false},
            {"PrintWhat", qint64(0)},
            {"PrintSummaryInfo", false},
            {"PrintLeftMargin", 72.0},
            {"PrintRightMargin", 72.0},
            {"PrintTopMargin", 72.0},
            {"PrintBottomMargin", 72.0},
            {"PrefToolbar", QStringLiteral("Directories")},
            {"PrefTableDefaultAttrsExpanded", false},
            {"PrefTableDefaultImageAttrsExpanded", false},
            {"PrefTableDefaultBinaryAttrsExpanded", false},
            {"PrefTableCustomAttrsExpanded", true},
            {"PrefTableCustomImageAttrsExpanded", true},
            {"PrefTableCustomBinaryAttrsExpanded", true},
            {"ExportWhichDirectories", qint64(0)},
            {"AutoAddDiscoveredAttributes", true},
            {"AutoDisplayAttributeColumns", qint64(1)}, // a boolean written as an integer
            {"LastSelectedAttribute", QStringLiteral("dn")},
            {"Directories", QVariantList {}},
            {"SavedSearchCriteria", QVariantList {}},
        };
        for (const auto& [key, value] : table)
            QTest::newRow(key) << QString::fromLatin1(key) << value;
    }

    void savedDefaults()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        prefsWithStored({})->savePrefs();
        const QVariant written = onDisk().value(key);
        QCOMPARE(written.typeId(), value.typeId());
        QCOMPARE(written, value);
    }

    // A stored value is loaded into its property and written back; a wrong kind keeps the default.
    void loadAndSave_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QVariant>("written");

        QTest::newRow("integer") << QStringLiteral("MaxHits") << QVariant(qint64(250)) << QVariant(qint64(250));
        QTest::newRow("integer as text") << QStringLiteral("MaxHits") << QVariant(QStringLiteral("5"))
                                         << QVariant(qint64(100));
        QTest::newRow("integer as list") << QStringLiteral("TimeLimit") << QVariant(QVariantList {1})
                                         << QVariant(qint64(60));
        QTest::newRow("boolean") << QStringLiteral("ShowFriendlyAttrs") << QVariant(false) << QVariant(false);
        QTest::newRow("boolean stored as integer")
            << QStringLiteral("EnableDebug") << QVariant(qint64(1)) << QVariant(true);
        QTest::newRow("boolean as text") << QStringLiteral("DecodeBase64") << QVariant(QStringLiteral("NO"))
                                         << QVariant(true);
        QTest::newRow("integer-written boolean off")
            << QStringLiteral("AutoDisplayAttributeColumns") << QVariant(qint64(0)) << QVariant(qint64(0));
        QTest::newRow("integer-written boolean from a boolean")
            << QStringLiteral("AutoDisplayAttributeColumns") << QVariant(false) << QVariant(qint64(0));
        QTest::newRow("margin") << QStringLiteral("PrintTopMargin") << QVariant(36.5) << QVariant(36.5);
        QTest::newRow("margin as integer")
            << QStringLiteral("PrintTopMargin") << QVariant(qint64(50)) << QVariant(50.0);
        QTest::newRow("text") << QStringLiteral("PathLDAPSearch") << QVariant(QStringLiteral("/opt/ldapsearch"))
                              << QVariant(QStringLiteral("/opt/ldapsearch"));
        QTest::newRow("text as number") << QStringLiteral("PasswordPrompt") << QVariant(qint64(7))
                                        << QVariant(QStringLiteral("Enter LDAP Password: "));
        QTest::newRow("known tab") << QStringLiteral("PrefToolbar") << QVariant(QStringLiteral("Attributes"))
                                   << QVariant(QStringLiteral("Attributes"));
        QTest::newRow("not a preferences tab")
            << QStringLiteral("PrefToolbar") << QVariant(QStringLiteral("SavedSearches"))
            << QVariant(QStringLiteral("General"));
        QTest::newRow("known attribute") << QStringLiteral("LastSelectedAttribute") << QVariant(QStringLiteral("mail"))
                                         << QVariant(QStringLiteral("mail"));
        QTest::newRow("unknown attribute")
            << QStringLiteral("LastSelectedAttribute") << QVariant(QStringLiteral("nosuchattribute"))
            << QVariant(QStringLiteral("unknownattribute"));
    }

    void loadAndSave()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        QFETCH(QVariant, written);
        prefsWithStored({{key, stored}})->savePrefs();
        const QVariant value = onDisk().value(key);
        QCOMPARE(value.typeId(), written.typeId());
        QCOMPARE(value, written);
    }

    void currentDirectoryFixUps_data()
    {
        QTest::addColumn<QVariantList>("directories");
        QTest::addColumn<QVariant>("storedCurrent");
        QTest::addColumn<qint64>("current");

        const QVariantList three {directoryDict(11, QStringLiteral("A")), directoryDict(12, QStringLiteral("B")),
                                  directoryDict(13, QStringLiteral("C"))};
        QTest::newRow("stored current exists") << three << QVariant(qint64(12)) << qint64(12);
        QTest::newRow("stored current deleted -> first") << three << QVariant(qint64(99)) << qint64(11);
        QTest::newRow("none stored -> first") << three << QVariant() << qint64(11);
        QTest::newRow("stored as text -> first") << three << QVariant(QStringLiteral("12")) << qint64(11);
        QTest::newRow("empty list") << QVariantList {} << QVariant(qint64(12)) << qint64(0);
    }

    void currentDirectoryFixUps()
    {
        QFETCH(QVariantList, directories);
        QFETCH(QVariant, storedCurrent);
        QFETCH(qint64, current);
        QVariantMap stored {{QStringLiteral("Directories"), directories}};
        if (storedCurrent.isValid())
            stored.insert(QStringLiteral("CurrentDirectoryID"), storedCurrent);
        TBPreferences* prefs = prefsWithStored(stored);
        QCOMPARE(prefs->directories().size(), directories.size());
        QCOMPARE(prefs->currentDirectoryID(), current);
        if (current != 0)
            QCOMPARE(prefs->currentDirectory()->directoryID(), quint64(current));
    }

    void directoryLookups()
    {
        TBPreferences* prefs = prefsWithStored(
            {{QStringLiteral("Directories"),
              QVariantList {directoryDict(11, QStringLiteral("A")), directoryDict(12, QStringLiteral("B"))}}});
        QCOMPARE(prefs->currentDirectory(), prefs->directories().first());
        QCOMPARE(prefs->directoryIndexWithID(12), 1);
        QCOMPARE(prefs->directoryWithID(12), prefs->directories().at(1));
        QVERIFY(!prefs->directoryWithID(13));
        QCOMPARE(prefs->directoryIndexWithName(QStringLiteral("B")), 1);
        QCOMPARE(prefs->directoryIndexWithName(QStringLiteral("b")), -1);
        // Identifiers below 1 are never found, even when a record carries one.
        prefs->directories().at(1)->setDirectoryID(0);
        QCOMPARE(prefs->directoryIndexWithID(0), -1);
        prefs->directories().at(0)->setDirectoryID(quint64(-5));
        QCOMPARE(prefs->directoryIndexWithID(-5), -1);
    }

    void deleteDirectories_data()
    {
        QTest::addColumn<QList<qsizetype>>("indexes");
        QTest::addColumn<qint64>("current");
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<qint64>("currentAfter");
        QTest::addColumn<QVariantList>("deletedIDs"); // empty = no notification

        QTest::newRow("first and current last")
            << QList<qsizetype> {2, 0} << qint64(13) << QStringList {QStringLiteral("B")} << qint64(0)
            << QVariantList {qint64(11), qint64(13)};
        QTest::newRow("current kept") << QList<qsizetype> {1} << qint64(13)
                                      << QStringList {QStringLiteral("A"), QStringLiteral("C")} << qint64(13)
                                      << QVariantList {qint64(12)};
        QTest::newRow("all") << QList<qsizetype> {0, 1, 2} << qint64(12) << QStringList {} << qint64(0)
                             << QVariantList {qint64(11), qint64(12), qint64(13)};
        QTest::newRow("nothing") << QList<qsizetype> {} << qint64(12)
                                 << QStringList {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}
                                 << qint64(12) << QVariantList {};
        QTest::newRow("outside the list and repeated")
            << QList<qsizetype> {5, 1, -1, 1} << qint64(12) << QStringList {QStringLiteral("A"), QStringLiteral("C")}
            << qint64(0) << QVariantList {qint64(12)};
    }

    void deleteDirectories()
    {
        QFETCH(QList<qsizetype>, indexes);
        QFETCH(qint64, current);
        QFETCH(QStringList, left);
        QFETCH(qint64, currentAfter);
        QFETCH(QVariantList, deletedIDs);
        TBPreferences* prefs = prefsWithStored(
            {{QStringLiteral("Directories"),
              QVariantList {directoryDict(11, QStringLiteral("A")), directoryDict(12, QStringLiteral("B")),
                            directoryDict(13, QStringLiteral("C"))}},
             {QStringLiteral("CurrentDirectoryID"), current}});

        prefs->deleteDirectoriesAtIndexes(indexes);
        QStringList remaining;
        for (const auto& dir : prefs->directories())
            remaining.append(dir->directoryName());
        QCOMPARE(remaining, left);
        QCOMPARE(prefs->currentDirectoryID(), currentAfter);
        if (deletedIDs.isEmpty()) {
            QVERIFY(m_notifications.isEmpty());
            return;
        }
        QCOMPARE(m_notifications.size(), 1);
        QCOMPARE(m_notifications.first().name, TBPrefsDirectoriesDeletedNotification);
        QCOMPARE(m_notifications.first().sender, prefs);
        const QVariant ids = m_notifications.first().userInfo.value(QStringLiteral("DirectoryID"));
        QCOMPARE(ids.typeId(), QMetaType::QVariantList);
        QCOMPARE(ids.toList(), deletedIDs);
        QCOMPARE(ids.toList().first().typeId(), QMetaType::LongLong);
        // Saved at once: the next run sees the shorter list without a save at termination.
        QCOMPARE(onDisk().value(QStringLiteral("Directories")).toList().size(), left.size());
    }

    // Each change of the list is saved at once and announced once, by the sender given.
    void directoryListOperations_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<QStringList>("order"); // the list afterwards; unchanged: nothing saved or posted
        QTest::addColumn<QVariant>("editedID"); // the notice's "DirectoryID"; invalid: no user info

        const QStringList before {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
        QTest::newRow("add") << int(AddOne) << before + QStringList {QStringLiteral("N")} << QVariant(qint64(-2));
        QTest::newRow("replace") << int(ReplaceOne)
                                 << QStringList {QStringLiteral("A"), QStringLiteral("N"), QStringLiteral("C")}
                                 << QVariant(qint64(12));
        QTest::newRow("replace outside the list") << int(ReplaceOutside) << before << QVariant();
        QTest::newRow("add several") << int(AddSeveral)
                                     << before + QStringList {QStringLiteral("N"), QStringLiteral("O")} << QVariant();
        QTest::newRow("add none") << int(AddNone) << before << QVariant();
        QTest::newRow("move first to the end")
            << int(MoveToEnd) << QStringList {QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("A")}
            << QVariant();
        QTest::newRow("move outside the list") << int(MoveOutside) << before << QVariant();
    }

    void directoryListOperations()
    {
        QFETCH(int, operation);
        QFETCH(QStringList, order);
        QFETCH(QVariant, editedID);
        TBPreferences* prefs = prefsWithStored(
            {{QStringLiteral("Directories"),
              QVariantList {directoryDict(11, QStringLiteral("A")), directoryDict(12, QStringLiteral("B")),
                            directoryDict(13, QStringLiteral("C"))}}});
        const bool changes = order != names(prefs->directories());
        QObject sender;
        switch (operation) {
        case AddOne:
            prefs->addDirectory(directoryNamed(QStringLiteral("N"), 99), &sender);
            break;
        case ReplaceOne:
            prefs->replaceDirectoryAtIndex(1, directoryNamed(QStringLiteral("N"), 12), &sender);
            break;
        case ReplaceOutside:
            prefs->replaceDirectoryAtIndex(3, directoryNamed(QStringLiteral("N"), 12), &sender);
            break;
        case AddSeveral:
            prefs->addDirectories({directoryNamed(QStringLiteral("N"), 98), directoryNamed(QStringLiteral("O"), 99)},
                                  &sender);
            break;
        case AddNone:
            prefs->addDirectories({}, &sender);
            break;
        case MoveToEnd:
            prefs->moveDirectory(0, 2, &sender);
            break;
        case MoveOutside:
            prefs->moveDirectory(0, 3, &sender);
            break;
        }
        QCOMPARE(names(prefs->directories()), order);
        QStringList saved;
        for (const QVariant& d : onDisk().value(QStringLiteral("Directories")).toList())
            saved.append(d.toMap().value(QStringLiteral("DirectoryName")).toString());
        QCOMPARE(saved, order);
        QCOMPARE(m_notifications.size(), changes ? 1 : 0);
        if (!changes)
            return;
        const TBNotification& notice = m_notifications.first();
        QCOMPARE(notice.name, TBPrefsDirectoriesHaveChangedNotification);
        QCOMPARE(notice.sender, &sender);
        if (editedID.isValid()) {
            QCOMPARE(notice.userInfo.value(QStringLiteral("DirectoryID")), editedID);
            QCOMPARE(notice.userInfo.size(), 1);
        } else {
            QVERIFY(notice.userInfo.isEmpty());
        }
    }

    void savedSearchesOlderKey_data()
    {
        QTest::addColumn<QVariantMap>("stored");
        QTest::addColumn<QStringList>("loaded");

        const QVariantList older {criteriaDict(QStringLiteral("Old 1")), criteriaDict(QStringLiteral("Old 2"))};
        QTest::newRow("only the older key") << QVariantMap {{QStringLiteral("SavedSearches"), older}}
                                            << QStringList {QStringLiteral("Old 1"), QStringLiteral("Old 2")};
        QTest::newRow("both keys: the current one wins")
            << QVariantMap {{QStringLiteral("SavedSearches"), older},
                            {QStringLiteral("SavedSearchCriteria"), QVariantList {criteriaDict(QStringLiteral("New"))}}}
            << QStringList {QStringLiteral("New")};
        QTest::newRow("current key empty") << QVariantMap {{QStringLiteral("SavedSearches"), older},
                                                           {QStringLiteral("SavedSearchCriteria"), QVariantList {}}}
                                           << QStringList {};
        QTest::newRow("current key of the wrong kind")
            << QVariantMap {{QStringLiteral("SavedSearches"), older},
                            {QStringLiteral("SavedSearchCriteria"), QStringLiteral("junk")}}
            << QStringList {QStringLiteral("Old 1"), QStringLiteral("Old 2")};
        QTest::newRow("stray elements skipped")
            << QVariantMap {{QStringLiteral("SavedSearchCriteria"),
                             QVariantList {qint64(3), criteriaDict(QStringLiteral("Kept"))}}}
            << QStringList {QStringLiteral("Kept")};
    }

    void savedSearchesOlderKey()
    {
        QFETCH(QVariantMap, stored);
        QFETCH(QStringList, loaded);
        TBPreferences* prefs = prefsWithStored(stored);
        QCOMPARE(names(prefs->savedSearchCriteria()), loaded);

        prefs->savePrefs();
        const QVariantMap disk = onDisk();
        QCOMPARE(disk.value(QStringLiteral("SavedSearchCriteria")).toList().size(), loaded.size());
        // The older key is never written nor removed.
        QCOMPARE(disk.value(QStringLiteral("SavedSearches")), stored.value(QStringLiteral("SavedSearches")));
    }

    void previousSearch()
    {
        TBPreferences* prefs = prefsWithStored(
            {{QStringLiteral("PreviousSearch"), criteriaDict(QStringLiteral("Last"), QStringLiteral("sn"))}});
        QCOMPARE(prefs->previousSearch()->name(), QStringLiteral("Last"));
        QCOMPARE(prefs->previousSearch()->searchItemAtIndex(0)->searchAttr(), QStringLiteral("sn"));

        prefs->previousSearch()->setName(QStringLiteral("Changed"));
        prefs->savePrefs();
        const QVariantMap written = onDisk().value(QStringLiteral("PreviousSearch")).toMap();
        QCOMPARE(written.value(QStringLiteral("name")), QVariant(QStringLiteral("Changed")));
    }

    void addSearchCriteria()
    {
        TBPreferences* prefs = prefsWithStored({});
        auto criteria = TBSearchCriteria::searchCriteriaWithDictionary(
            criteriaDict(QStringLiteral("x")), prefs->registry(), prefs->lastSelectedAttribute());
        criteria->setName(QStringLiteral(""));
        prefs->addSearchCriteria(criteria);
        prefs->addSearchCriteria(nullptr);
        QCOMPARE(names(prefs->savedSearchCriteria()), QStringList {QStringLiteral("New Search")});
        QCOMPARE(m_notifications.size(), 1);
        QCOMPARE(m_notifications.first().name, TBSavedSearchesHaveChangedNotification);

        // A copy was stored: later edits of the argument do not reach it.
        criteria->setName(QStringLiteral("Edited"));
        criteria->searchItemAtIndex(0)->setSearchText(QStringLiteral("edited"));
        QCOMPARE(prefs->searchCriteriaAtIndex(0)->name(), QStringLiteral("New Search"));
        QCOMPARE(prefs->searchCriteriaAtIndex(0)->searchItemAtIndex(0)->searchText(), QStringLiteral("x"));
        QVERIFY(!prefs->searchCriteriaAtIndex(1));
    }

    // The user's own data reaches the disk as soon as it changes, not only at termination.
    void userDataSavedAtOnce()
    {
        TBPreferences* prefs = prefsWithStored({});
        auto savedNames = [this] {
            QStringList result;
            for (const QVariant& v : onDisk().value(QStringLiteral("SavedSearchCriteria")).toList())
                result.append(v.toMap().value(QStringLiteral("name")).toString());
            return result;
        };

        prefs->addSearchCriteria(TBSearchCriteria::searchCriteriaWithDictionary(
            criteriaDict(QStringLiteral("One")), prefs->registry(), prefs->lastSelectedAttribute()));
        prefs->addSearchCriteria(TBSearchCriteria::searchCriteriaWithDictionary(
            criteriaDict(QStringLiteral("Two")), prefs->registry(), prefs->lastSelectedAttribute()));
        QCOMPARE(savedNames(), (QStringList {QStringLiteral("One"), QStringLiteral("Two")}));

        prefs->replaceSearchCriteriaAtIndex(
            0,
            TBSearchCriteria::searchCriteriaWithDictionary(criteriaDict(QStringLiteral("Uno")), prefs->registry(),
                                                           prefs->lastSelectedAttribute()));
        QCOMPARE(savedNames(), (QStringList {QStringLiteral("Uno"), QStringLiteral("Two")}));

        prefs->deleteSearchCriteriaAtIndex(1);
        prefs->deleteSearchCriteriaAtIndex(4); // outside: nothing happens
        QCOMPARE(savedNames(), QStringList {QStringLiteral("Uno")});
        QCOMPARE(m_notifications.size(), 4);

        // A move, sent by whoever asked for it.
        prefs->addSearchCriteria(TBSearchCriteria::searchCriteriaWithDictionary(
            criteriaDict(QStringLiteral("Dos")), prefs->registry(), prefs->lastSelectedAttribute()));
        QObject mover;
        prefs->moveSearchCriteria(1, 0, &mover);
        prefs->moveSearchCriteria(0, 2); // outside: nothing happens
        QCOMPARE(savedNames(), (QStringList {QStringLiteral("Dos"), QStringLiteral("Uno")}));
        QCOMPARE(m_notifications.size(), 6);
        QCOMPARE(m_notifications.last().sender, &mover);

        // So is a directory that is added.
        auto dir = TBDirectory::directory();
        dir->setDirectoryName(QStringLiteral("Sample"));
        prefs->addDirectory(dir);
        const QVariantList dirs = onDisk().value(QStringLiteral("Directories")).toList();
        QCOMPARE(dirs.size(), 1);
        QCOMPARE(dirs.first().toMap().value(QStringLiteral("DirectoryName")), QVariant(QStringLiteral("Sample")));
    }

    void notificationsOnlyWhenAllowed()
    {
        TBPreferences* prefs
            = prefsWithStored({{QStringLiteral("Directories"), QVariantList {directoryDict(11, QStringLiteral("A"))}}});
        prefs->setCanNotify(false);
        prefs->addSearchCriteria(TBSearchCriteria::searchCriteria(prefs->lastSelectedAttribute()));
        prefs->deleteDirectoryAtIndex(0);
        QVERIFY(m_notifications.isEmpty());
        QVERIFY(prefs->directories().isEmpty());
        QCOMPARE(prefs->savedSearchCriteria().size(), 1);
    }

    void damagedSettingsFile()
    {
        TBPreferences::resetSharedPreferences(nullptr);
        QFile file(storePath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("<?xml version=\"1.0\"?><plist><dict><key>MaxHits</key><integer>5");
        file.close();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Tamblin\\.plist")));
        TBPreferences* prefs = m_prefs.reopened();
        QCOMPARE(prefs->maxHits(), 100);
        QVERIFY(prefs->directories().isEmpty());
        QCOMPARE(prefs->previousSearch()->name(), QStringLiteral("New Search"));
    }

    // The last selected attribute must be one the registry knows: the default "dn" is not when the
    // shipped text list lacks it.
    void lastSelectedAttributeUnknownToTheLists()
    {
        const QString folder = m_prefs.filePath(QStringLiteral("uid-only"));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(TBPropertyList::writeFile(folder + QStringLiteral("/DefaultAttrs.plist"),
                                          QVariantMap {{QStringLiteral("uid"), QStringLiteral("User")}}));
        for (const char* list : {"DefaultImageAttrs.plist", "DefaultBinaryAttrs.plist", "DefaultADTimeAttrs"})
            QTest::ignoreMessage(QtWarningMsg,
                                 qPrintable(QString::fromLatin1(list)
                                            + QStringLiteral(" file missing or corrupt. Using minimal defaults.")));
        TBPreferences::setDefaultListsFolder(folder);
        TBPreferences* prefs = prefsWithStored({});
        TBPreferences::setDefaultListsFolder(QStringLiteral(":/defaults"));
        QCOMPARE(prefs->lastSelectedAttribute(), QStringLiteral("unknownattribute"));
    }

    // The short form of addDiscoveredAttributes follows the two preferences, and the registry's
    // notices come from this store.
    void discoveredAttributesFollowThePreferences_data()
    {
        QTest::addColumn<bool>("addDiscovered");
        QTest::addColumn<bool>("displayColumns");
        QTest::addColumn<QStringList>("custom");
        QTest::addColumn<QStringList>("newColumns");

        const QStringList added {QStringLiteral("tamblinone"), QStringLiteral("tamblintwo")};
        QTest::newRow("add and show") << true << true << added << QStringList {QStringLiteral("cn")} + added;
        QTest::newRow("add only") << true << false << added << QStringList {};
        QTest::newRow("show without adding does nothing") << false << true << QStringList {} << QStringList {};
    }

    void discoveredAttributesFollowThePreferences()
    {
        QFETCH(bool, addDiscovered);
        QFETCH(bool, displayColumns);
        QFETCH(QStringList, custom);
        QFETCH(QStringList, newColumns);
        TBPreferences* prefs = prefsWithStored({});
        prefs->removeFromDisplayedAttributeColumns(QStringLiteral("cn"));
        const QStringList base = prefs->displayedAttributeColumns();
        QObject observer;
        QList<QObject*> senders;
        TBNotificationCenter::defaultCenter()->addObserver(
            &observer, TBPrefsAttributesHaveChangedNotification,
            [&senders](const TBNotification& n) { senders.append(n.sender); });

        prefs->setAutoAddDiscoveredAttributes(addDiscovered);
        prefs->setAutoDisplayAttributeColumns(displayColumns);
        prefs->addDiscoveredAttributes(
            {QStringLiteral("tamblintwo"), QStringLiteral("cn"), QStringLiteral("tamblinone")});
        QStringList customNames;
        for (const TBAttributePtr& attribute : prefs->customAttrs())
            customNames.append(attribute->attributeName());
        QCOMPARE(customNames, custom);
        QCOMPARE(prefs->displayedAttributeColumns(), base + newColumns);
        QCOMPARE(senders.size(), (custom.isEmpty() ? 0 : 1) + (newColumns.isEmpty() ? 0 : 1));
        for (QObject* sender : senders)
            QCOMPARE(sender, prefs);
    }

    void toolbarIdentifiers()
    {
        QCOMPARE(
            TBPreferences::toolbarIdentifiers(),
            (QStringList {QStringLiteral("General"), QStringLiteral("Directories"), QStringLiteral("Attributes")}));
    }

    // Runs the application's event loop once, so it must come last.
    void savedAtTermination()
    {
        TBPreferences* prefs = prefsWithStored({});
        prefs->setMaxHits(7);
        QVERIFY(!onDisk().contains(QStringLiteral("MaxHits")));
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        QCoreApplication::exec();
        QCOMPARE(onDisk().value(QStringLiteral("MaxHits")), QVariant(qint64(7)));
    }
};

QTEST_GUILESS_MAIN(tst_TBPreferences)
#include "tst_TBPreferences.moc"
