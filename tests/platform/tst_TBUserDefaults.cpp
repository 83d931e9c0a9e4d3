#include "TBUserDefaults.h"

#include "TBPropertyList.h"
#include "TBTestSupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeRaw(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QStringList corruptCopies(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("Tamblin.plist.corrupt-*")}, QDir::Files, QDir::Name);
}

} // namespace

class tst_TBUserDefaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void standardStoreLivesInConfigHome();
    void strictGetters_data();
    void strictGetters();
    void registeredDefaultsMergeAndYieldToStoredValues();
    void synchronizeRoundTrip();
    void valuesWithoutPlistFormAreNotStored();
    void missingFileIsEmptyStore();
    void unreadableFileIsKeptAside_data();
    void unreadableFileIsKeptAside();
    void keptAsideFilesAreNeverOverwritten();
    void synchronizeFailureIsReported();

private:
    QTemporaryDir m_dir;
};

void tst_TBUserDefaults::initTestCase()
{
    TBTestSupport::useScratchConfig();
}

void tst_TBUserDefaults::standardStoreLivesInConfigHome()
{
    const QString config = TBTestSupport::useScratchConfig();
    TBUserDefaults::resetStandardUserDefaults();
    QCOMPARE(TBUserDefaults::standardFilePath(), config + QStringLiteral("/Tamblin/Tamblin.plist"));

    TBUserDefaults* defaults = TBUserDefaults::standardUserDefaults();
    QCOMPARE(TBUserDefaults::standardUserDefaults(), defaults);
    defaults->setString(QStringLiteral("ldap://x"), QStringLiteral("LastURI"));
    QVERIFY(defaults->synchronize());

    TBUserDefaults::resetStandardUserDefaults();
    QCOMPARE(TBUserDefaults::standardUserDefaults()->stringForKey(QStringLiteral("LastURI")),
             QStringLiteral("ldap://x"));
    TBUserDefaults::resetStandardUserDefaults();
}

void tst_TBUserDefaults::strictGetters_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("string");
    QTest::addColumn<qint64>("integer");
    QTest::addColumn<bool>("boolean");
    QTest::addColumn<double>("real");
    QTest::addColumn<bool>("array");
    QTest::addColumn<bool>("dictionary");
    QTest::addColumn<QByteArray>("data");

    QTest::newRow("absent") << QVariant() << "" << qint64(0) << false << 0.0 << false << false << QByteArray();
    QTest::newRow("string that looks like a number")
        << QVariant(QStringLiteral("5")) << "5" << qint64(0) << false << 0.0 << false << false << QByteArray();
    QTest::newRow("integer") << QVariant(qint64(7)) << "" << qint64(7) << true << 7.0 << false << false << QByteArray();
    QTest::newRow("zero") << QVariant(0) << "" << qint64(0) << false << 0.0 << false << false << QByteArray();
    QTest::newRow("bool") << QVariant(true) << "" << qint64(1) << true << 1.0 << false << false << QByteArray();
    QTest::newRow("real") << QVariant(-2.75) << "" << qint64(-2) << true << -2.75 << false << false << QByteArray();
    QTest::newRow("small real") << QVariant(0.25) << "" << qint64(0) << true << 0.25 << false << false << QByteArray();
    QTest::newRow("huge real") << QVariant(1e300) << "" << std::numeric_limits<qint64>::max() << true << 1e300 << false
                               << false << QByteArray();
    QTest::newRow("uint64 max") << QVariant(std::numeric_limits<quint64>::max()) << ""
                                << std::numeric_limits<qint64>::max() << true << 18446744073709551615.0 << false
                                << false << QByteArray();
    QTest::newRow("array") << QVariant(QVariantList {qint64(1)}) << "" << qint64(0) << false << 0.0 << true << false
                           << QByteArray();
    QTest::newRow("dictionary") << QVariant(QVariantMap {{QStringLiteral("a"), 1}}) << "" << qint64(0) << false << 0.0
                                << false << true << QByteArray();
    QTest::newRow("data") << QVariant(QByteArray("7")) << "" << qint64(0) << false << 0.0 << false << false
                          << QByteArray("7");
}

void tst_TBUserDefaults::strictGetters()
{
    QFETCH(QVariant, value);
    TBUserDefaults defaults(m_dir.filePath(QStringLiteral("strict.plist")));
    const QString key = QStringLiteral("Key");
    defaults.setObject(value, key);
    QFETCH(QString, string);
    QCOMPARE(defaults.stringForKey(key), string);
    QVERIFY(!defaults.stringForKey(key).isNull());
    QTEST(defaults.integerForKey(key), "integer");
    QTEST(defaults.boolForKey(key), "boolean");
    QTEST(defaults.doubleForKey(key), "real");
    QTEST(defaults.isArray(key), "array");
    QTEST(defaults.isDictionary(key), "dictionary");
    QTEST(defaults.dataForKey(key), "data");
    QCOMPARE(defaults.arrayForKey(key).isEmpty(), !defaults.isArray(key));
    QCOMPARE(defaults.dictionaryForKey(key).isEmpty(), !defaults.isDictionary(key));
}

void tst_TBUserDefaults::registeredDefaultsMergeAndYieldToStoredValues()
{
    TBUserDefaults defaults(m_dir.filePath(QStringLiteral("registered.plist")));
    defaults.registerDefaults(
        {{QStringLiteral("MaxHits"), qint64(100)}, {QStringLiteral("Tool"), QStringLiteral("a")}});
    defaults.registerDefaults({{QStringLiteral("Tool"), QStringLiteral("b")}, {QStringLiteral("Debug"), true}});
    QCOMPARE(defaults.integerForKey(QStringLiteral("MaxHits")), qint64(100));
    QCOMPARE(defaults.stringForKey(QStringLiteral("Tool")), QStringLiteral("b"));
    QVERIFY(defaults.boolForKey(QStringLiteral("Debug")));
    QVERIFY(!defaults.hasStoredValue(QStringLiteral("MaxHits")));

    defaults.setInteger(5, QStringLiteral("MaxHits"));
    QCOMPARE(defaults.integerForKey(QStringLiteral("MaxHits")), qint64(5));
    // A stored value of the wrong kind hides the default and reads as the getter's empty value.
    defaults.setString(QStringLiteral("oops"), QStringLiteral("Debug"));
    QVERIFY(!defaults.boolForKey(QStringLiteral("Debug")));

    defaults.removeObjectForKey(QStringLiteral("MaxHits"));
    defaults.setObject(QVariant(), QStringLiteral("Debug"));
    QCOMPARE(defaults.integerForKey(QStringLiteral("MaxHits")), qint64(100));
    QVERIFY(defaults.boolForKey(QStringLiteral("Debug")));
    QVERIFY(defaults.storedValues().isEmpty());
}

void tst_TBUserDefaults::synchronizeRoundTrip()
{
    const QString path = m_dir.filePath(QStringLiteral("new/folder/Tamblin.plist"));
    const QVariantMap values {
        {QStringLiteral("Directories"),
         QVariantList {QVariantMap {{QStringLiteral("DirectoryID"), qint64(3)},
                                    {QStringLiteral("Name"), QStringLiteral("Ünï")}}}},
        {QStringLiteral("Ratio"), 0.5},
        {QStringLiteral("State"), QByteArray("\0\1", 2)},
    };
    {
        TBUserDefaults defaults(path);
        defaults.registerDefaults({{QStringLiteral("OnlyDefault"), qint64(1)}});
        for (auto it = values.constBegin(); it != values.constEnd(); ++it)
            defaults.setObject(it.value(), it.key());
        QVERIFY(defaults.synchronize());
    }
    TBUserDefaults reread(path);
    QCOMPARE(reread.storedValues(), values); // registered defaults are not written
    QCOMPARE(TBPropertyList::readFile(path).toMap(), values);
}

void tst_TBUserDefaults::valuesWithoutPlistFormAreNotStored()
{
    const QString path = m_dir.filePath(QStringLiteral("image.plist"));
    TBUserDefaults defaults(path);
    defaults.setInteger(1, QStringLiteral("Kept"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Settings: not storing \"Picture\"")));
    defaults.setObject(QVariantList {QVariant(QImage(1, 1, QImage::Format_RGB32))}, QStringLiteral("Picture"));
    QVERIFY(!defaults.hasStoredValue(QStringLiteral("Picture")));
    QVERIFY(defaults.synchronize());
    QCOMPARE(TBUserDefaults(path).integerForKey(QStringLiteral("Kept")), qint64(1));
}

void tst_TBUserDefaults::missingFileIsEmptyStore()
{
    QTemporaryDir dir;
    TBUserDefaults defaults(dir.filePath(QStringLiteral("Tamblin.plist")));
    QVERIFY(defaults.storedValues().isEmpty());
    QVERIFY(QDir(dir.path()).isEmpty());
}

void tst_TBUserDefaults::unreadableFileIsKeptAside_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("garbage") << QByteArray("\x00\x01 not a plist", 15);
    QTest::newRow("truncated") << TBPropertyList::toXml(QVariantMap {{QStringLiteral("a"), qint64(1)}}).left(80);
    QTest::newRow("array at the top") << TBPropertyList::toXml(QVariantList {qint64(1)});
}

void tst_TBUserDefaults::unreadableFileIsKeptAside()
{
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Tamblin.plist"));
    QVERIFY(writeRaw(path, content));

    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("^Settings could not be read .* kept aside as ")));
    TBUserDefaults defaults(path);
    QVERIFY(defaults.storedValues().isEmpty());
    const QStringList aside = corruptCopies(dir.path());
    QCOMPARE(aside.size(), 1);
    QVERIFY(QRegularExpression(QStringLiteral("^Tamblin\\.plist\\.corrupt-\\d{8}-\\d{6}$"))
                .match(aside.first())
                .hasMatch());
    QCOMPARE(readAll(dir.filePath(aside.first())), content);
    QVERIFY(!QFile::exists(path));

    defaults.setInteger(2, QStringLiteral("After"));
    QVERIFY(defaults.synchronize());
    QCOMPARE(readAll(dir.filePath(aside.first())), content);
}

void tst_TBUserDefaults::keptAsideFilesAreNeverOverwritten()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Tamblin.plist"));
    // Three damaged files in a row, within the same second: each keeps its own copy.
    const QList<QByteArray> contents {"first", "second", "third"};
    for (const QByteArray& content : contents) {
        QVERIFY(writeRaw(path, content));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("kept aside")));
        TBUserDefaults defaults(path);
    }
    QList<QByteArray> kept;
    for (const QString& name : corruptCopies(dir.path()))
        kept.append(readAll(dir.filePath(name)));
    std::sort(kept.begin(), kept.end());
    QCOMPARE(kept, (QList<QByteArray> {"first", "second", "third"}));
}

void tst_TBUserDefaults::synchronizeFailureIsReported()
{
    QTemporaryDir dir;
    QVERIFY(writeRaw(dir.filePath(QStringLiteral("file")), "x"));
    TBUserDefaults defaults(dir.filePath(QStringLiteral("file/Tamblin.plist")));
    defaults.setInteger(1, QStringLiteral("A"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Settings not saved: ")));
    QVERIFY(!defaults.synchronize());
}

QTEST_GUILESS_MAIN(tst_TBUserDefaults)
#include "tst_TBUserDefaults.moc"
