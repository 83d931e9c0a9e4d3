#include "TBDirectory.h"

#include "TBPropertyList.h"

#include <QDateTime>
#include <QtTest>

class tst_TBDirectory : public QObject
{
    Q_OBJECT

    // The directory list the records are kept apart from (the preferences' list, in the application).
    QList<TBDirectoryPtr> m_taken;

    // A directory list holding a directory for each (id, name) pair.
    void prefsWithDirectories(const QList<QPair<qint64, QString>>& dirs)
    {
        m_taken.clear();
        for (const auto& [id, name] : dirs) {
            auto dir = TBDirectory::directory();
            dir->setDirectoryID(quint64(id));
            dir->setDirectoryName(name);
            m_taken.append(dir);
        }
    }

    qsizetype takenIndexWithID(qint64 directoryID) const
    {
        for (qsizetype i = 0; i < m_taken.size(); ++i) {
            if (directoryID > 0 && m_taken.at(i)->directoryID() == quint64(directoryID))
                return i;
        }
        return -1;
    }

    static QVariantMap fullDictionary()
    {
        return {
            {QStringLiteral("DirectoryID"), qint64(4242)},
            {QStringLiteral("DirectoryName"), QStringLiteral("Sample")},
            {QStringLiteral("LDAPURI"), QStringLiteral("ldap://127.0.0.1:3389")},
            {QStringLiteral("SearchBase"), QStringLiteral("dc=tamblin,dc=test")},
            {QStringLiteral("StartTLS"), qint64(2)},
            {QStringLiteral("LDAPVersion"), qint64(1)},
            {QStringLiteral("Authentication"), qint64(3)},
            {QStringLiteral("SimpleID"), QStringLiteral("cn=reader,dc=tamblin,dc=test")},
            {QStringLiteral("SASLMechanism"), qint64(2)},
            {QStringLiteral("SASLAuthCID"), QStringLiteral("alice")},
            {QStringLiteral("SASLRealm"), QStringLiteral("TAMBLIN.TEST")},
            {QStringLiteral("SASLAuthZID"), QStringLiteral("u:bob")},
            {QStringLiteral("SASLProperties"), QStringLiteral("minssf=56")},
        };
    }

private Q_SLOTS:
    void defaults()
    {
        prefsWithDirectories({});
        TBDirectory dir;
        QVERIFY(dir.directoryID() != 0);
        QCOMPARE(dir.directoryName(), QStringLiteral("New Directory"));
        QCOMPARE(dir.ldapURI(), QStringLiteral("ldap://"));
        QCOMPARE(dir.searchBase(), QStringLiteral(""));
        QCOMPARE(dir.startTLS(), 0u);
        QCOMPARE(dir.authentication(), 0u);
        QCOMPARE(dir.simpleID(), QStringLiteral(""));
        QCOMPARE(dir.saslProperties(), QStringLiteral(""));
    }

    void firstIdentifierIsLaunchTime_data()
    {
        QTest::addColumn<int>("takenFromNow"); // how many seconds from now on stored directories already use

        QTest::newRow("nothing stored") << 0;
        QTest::newRow("now and the next seconds taken") << 4;
    }

    void firstIdentifierIsLaunchTime()
    {
        QFETCH(int, takenFromNow);
        const qint64 before = QDateTime::currentSecsSinceEpoch();
        QList<QPair<qint64, QString>> stored;
        QSet<qint64> taken;
        for (int i = 0; i < takenFromNow; ++i) {
            stored.append({before + i, QStringLiteral("Dir %1").arg(i)});
            taken.insert(before + i);
        }
        prefsWithDirectories(stored);

        TBDirectory::resetIdentifierCounter();
        const qint64 first = qint64(TBDirectory::uniqueDirectoryID(m_taken));
        const qint64 after = QDateTime::currentSecsSinceEpoch();
        QVERIFY(!taken.contains(first));
        QVERIFY(first >= before);
        QVERIFY(first <= std::max(after, before + takenFromNow));
        // Later draws keep increasing and still avoid the list.
        const qint64 second = qint64(TBDirectory::uniqueDirectoryID(m_taken));
        QVERIFY(second > first);
        QVERIFY(!taken.contains(second));
    }

    void copyKeepsIdentifierAndAdvancesCounter()
    {
        prefsWithDirectories({});
        auto source = TBDirectory::directoryWithDictionary(fullDictionary(), m_taken);
        const quint64 drawnBefore = TBDirectory::uniqueDirectoryID(m_taken);
        const TBDirectory copy(*source);
        QCOMPARE(copy.dictionaryRepresentation(), source->dictionaryRepresentation());
        // The copy drew one identifier it did not keep.
        QCOMPARE(TBDirectory::uniqueDirectoryID(m_taken), drawnBefore + 2);

        auto renamed = TBDirectory::directoryWithDirectory(*source);
        renamed->updateDirectoryID(m_taken);
        QVERIFY(renamed->directoryID() != source->directoryID());
        QCOMPARE(source->directoryID(), 4242u);
    }

    void fromDictionary_data()
    {
        QTest::addColumn<QVariantMap>("changes"); // applied to the full dictionary; invalid = remove
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("expected"); // invalid = a fresh identifier

        const QString id = QStringLiteral("DirectoryID");
        QTest::newRow("id kept") << QVariantMap {} << id << QVariant(qint64(4242));
        QTest::newRow("id 0 -> fresh") << QVariantMap {{id, qint64(0)}} << id << QVariant();
        QTest::newRow("id missing -> fresh") << QVariantMap {{id, QVariant()}} << id << QVariant();
        QTest::newRow("id as text -> fresh") << QVariantMap {{id, QStringLiteral("4242")}} << id << QVariant();
        QTest::newRow("name taken -> 2") << QVariantMap {{QStringLiteral("DirectoryName"), QStringLiteral("Taken")}}
                                         << QStringLiteral("DirectoryName") << QVariant(QStringLiteral("Taken 2"));
        QTest::newRow("name and 2 taken -> 3")
            << QVariantMap {{QStringLiteral("DirectoryName"), QStringLiteral("Twice")}}
            << QStringLiteral("DirectoryName") << QVariant(QStringLiteral("Twice 3"));
        QTest::newRow("name taken only in other case")
            << QVariantMap {{QStringLiteral("DirectoryName"), QStringLiteral("taken")}}
            << QStringLiteral("DirectoryName") << QVariant(QStringLiteral("taken"));
        QTest::newRow("start TLS 7 kept") << QVariantMap {{QStringLiteral("StartTLS"), qint64(7)}}
                                          << QStringLiteral("StartTLS") << QVariant(qint64(7));
        QTest::newRow("URI as number ignored") << QVariantMap {{QStringLiteral("LDAPURI"), qint64(389)}}
                                               << QStringLiteral("LDAPURI") << QVariant(QStringLiteral("ldap://"));
        QTest::newRow("authentication as text ignored")
            << QVariantMap {{QStringLiteral("Authentication"), QStringLiteral("2")}} << QStringLiteral("Authentication")
            << QVariant(qint64(0));
        QTest::newRow("search base missing") << QVariantMap {{QStringLiteral("SearchBase"), QVariant()}}
                                             << QStringLiteral("SearchBase") << QVariant(QStringLiteral(""));
    }

    void fromDictionary()
    {
        QFETCH(QVariantMap, changes);
        QFETCH(QString, key);
        QFETCH(QVariant, expected);
        prefsWithDirectories(
            {{1, QStringLiteral("Taken")}, {2, QStringLiteral("Twice")}, {3, QStringLiteral("Twice 2")}});

        QVariantMap dict = fullDictionary();
        for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
            if (it.value().isValid())
                dict.insert(it.key(), it.value());
            else
                dict.remove(it.key());
        }
        const QVariantMap result = TBDirectory::directoryWithDictionary(dict, m_taken)->dictionaryRepresentation();
        QCOMPARE(result.size(), 13);
        if (expected.isValid()) {
            QCOMPARE(result.value(key), expected);
        } else {
            const qint64 fresh = result.value(key).toLongLong();
            QVERIFY(fresh != 0 && fresh != 4242);
            QCOMPARE(takenIndexWithID(fresh), -1);
        }
        // Every other field comes through unchanged.
        for (auto it = dict.cbegin(); it != dict.cend(); ++it) {
            if (it.key() != key)
                QCOMPARE(result.value(it.key()), it.value());
        }
    }

    void dictionaryRoundTrip()
    {
        prefsWithDirectories({});
        const QVariantMap dict
            = TBDirectory::directoryWithDictionary(fullDictionary(), m_taken)->dictionaryRepresentation();
        QCOMPARE(dict, fullDictionary());
        // Numbers are written as integers, texts as strings: the stored form is typed.
        for (auto it = dict.cbegin(); it != dict.cend(); ++it) {
            const bool number = fullDictionary().value(it.key()).typeId() == QMetaType::LongLong;
            QVERIFY2(number ? TBPropertyList::isInteger(it.value()) : TBPropertyList::isString(it.value()),
                     qPrintable(it.key()));
        }
    }

    void arrayConversions()
    {
        prefsWithDirectories({});
        QVariantMap a = fullDictionary();
        QVariantMap b = fullDictionary();
        b.insert(QStringLiteral("DirectoryID"), qint64(4243));
        // Names inside one array are not checked against each other, only against the installed list.
        const QList<TBDirectoryPtr> dirs
            = TBDirectory::dirArrayFromDictArray({a, QStringLiteral("not a directory"), b, qint64(7)}, m_taken);
        QCOMPARE(dirs.size(), 2);
        QCOMPARE(dirs.at(0)->directoryName(), QStringLiteral("Sample"));
        QCOMPARE(dirs.at(1)->directoryName(), QStringLiteral("Sample"));
        QCOMPARE(TBDirectory::dictArrayFromDirArray(dirs), (QVariantList {a, b}));
        QVERIFY(TBDirectory::dirArrayFromDictArray({}, m_taken).isEmpty());
    }

    // An exported directories file gives new directories; a file of another shape gives none.
    void directoriesFromPropertyList_data()
    {
        QTest::addColumn<QVariant>("root");
        QTest::addColumn<bool>("read");
        QTest::addColumn<QStringList>("names");

        const auto dict = [](qint64 id, const QString& name) {
            return QVariantMap {{QStringLiteral("DirectoryID"), id}, {QStringLiteral("DirectoryName"), name}};
        };
        QTest::newRow("names kept apart")
            << QVariant(QVariantList {dict(0, QStringLiteral("Sample")), dict(0, QStringLiteral("X")),
                                      dict(7, QStringLiteral("X"))})
            << true << QStringList {QStringLiteral("Sample 2"), QStringLiteral("X"), QStringLiteral("X 2")};
        QTest::newRow("identifier of the list")
            << QVariant(QVariantList {dict(4242, QStringLiteral("Y"))}) << true << QStringList {QStringLiteral("Y")};
        QTest::newRow("empty array") << QVariant(QVariantList {}) << true << QStringList {};
        QTest::newRow("no property list") << QVariant() << false << QStringList {};
        QTest::newRow("root a dictionary") << QVariant(dict(0, QStringLiteral("Y"))) << false << QStringList {};
        QTest::newRow("element no dictionary")
            << QVariant(QVariantList {dict(0, QStringLiteral("Y")), QStringLiteral("Z")}) << false << QStringList {};
    }

    void directoriesFromPropertyList()
    {
        QFETCH(QVariant, root);
        QFETCH(bool, read);
        QFETCH(QStringList, names);
        prefsWithDirectories({{4242, QStringLiteral("Sample")}});
        const std::optional<QList<TBDirectoryPtr>> dirs = TBDirectory::directoriesFromPropertyList(root, m_taken);
        QCOMPARE(dirs.has_value(), read);
        if (!dirs)
            return;
        QStringList readNames;
        QSet<quint64> ids {4242, 7};
        for (const TBDirectoryPtr& dir : *dirs) {
            readNames.append(dir->directoryName());
            QVERIFY(dir->directoryID() != 0);
            QVERIFY2(!ids.contains(dir->directoryID()), qPrintable(dir->description()));
            ids.insert(dir->directoryID());
        }
        QCOMPARE(readNames, names);
        QCOMPARE(m_taken.size(), 1); // the list itself is left alone
    }

    void archive()
    {
        prefsWithDirectories({{4242, QStringLiteral("Sample")}});
        auto source = TBDirectory::directoryWithDictionary(fullDictionary(), m_taken);
        const QByteArray data = source->archive();
        QVERIFY(data.startsWith("<?xml"));
        auto decoded = TBDirectory::directoryWithArchive(data);
        QVERIFY(decoded);
        // The archive form keeps the name as it is, taken or not.
        QCOMPARE(decoded->dictionaryRepresentation(), source->dictionaryRepresentation());

        // Missing keys decode as 0 and nothing, but the identifier is never 0.
        auto sparse = TBDirectory::directoryWithArchive(
            TBPropertyList::toXml(QVariantMap {{QStringLiteral("LDAPURI"), QStringLiteral("ldap://x")}}));
        QVERIFY(sparse);
        QVERIFY(sparse->directoryID() != 0);
        QCOMPARE(sparse->ldapURI(), QStringLiteral("ldap://x"));
        QVERIFY(sparse->directoryName().isEmpty());

        QVERIFY(!TBDirectory::directoryWithArchive(QByteArray("garbage")));
        QVERIFY(!TBDirectory::directoryWithArchive(TBPropertyList::toXml(QVariantList {1, 2})));
    }

    void description()
    {
        prefsWithDirectories({});
        const QString text = TBDirectory::directoryWithDictionary(fullDictionary(), m_taken)->description();
        const QStringList lines = text.split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 14); // thirteen lines, each ending in a line feed
        QCOMPARE(lines.at(0), QStringLiteral("DirectoryID: 4242"));
        QCOMPARE(lines.at(1), QStringLiteral("DirectoryName: Sample"));
        QCOMPARE(lines.at(4), QStringLiteral("StartTLS: 2"));
        QCOMPARE(lines.at(12), QStringLiteral("SASLProperties: minssf=56"));
    }
};

QTEST_GUILESS_MAIN(tst_TBDirectory)
#include "tst_TBDirectory.moc"
