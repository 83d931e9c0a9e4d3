#include "TBPropertyList.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <limits>

namespace {

QVariantMap sampleTree()
{
    return QVariantMap {
        {QStringLiteral("name"), QStringLiteral("Ünïcødé <&> \"quoted\" ]]> tab\tline\nend")},
        {QStringLiteral("empty"), QString(QLatin1String(""))},
        {QStringLiteral("count"), qint64(42)},
        {QStringLiteral("negative"), qint64(-7)},
        {QStringLiteral("min"), std::numeric_limits<qint64>::min()},
        {QStringLiteral("max"), std::numeric_limits<qint64>::max()},
        {QStringLiteral("real"), 0.1},
        {QStringLiteral("flag"), true},
        {QStringLiteral("off"), false},
        {QStringLiteral("bytes"), QByteArray("\0\1\2\xff", 4)},
        {QStringLiteral("when"), QDateTime(QDate(2021, 6, 1), QTime(12, 30, 5), Qt::UTC)},
        {QStringLiteral("list"),
         QVariantList {
             QStringLiteral("a"), qint64(1),
             QVariantMap {{QStringLiteral("inner"), QVariantList {}}, {QStringLiteral("k&<>"), QVariantMap {}}}}},
    };
}

// A binary property list written by a program other than ours.
QByteArray binaryFromPython(const QString& expression)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import plistlib, sys, datetime; sys.stdout.buffer.write(plistlib.dumps(%1, "
                                 "fmt=plistlib.FMT_BINARY))")
                      .arg(expression)});
    if (!python.waitForFinished(30000) || python.exitCode() != 0)
        return QByteArray();
    return python.readAllStandardOutput();
}

// A binary list whose object n is an array holding object n+1 twice (or once): 2^n nodes when shared.
QByteArray chainedBinary(int levels, int refsPerLevel)
{
    QByteArray data("bplist00");
    QList<quint32> offsets;
    for (int i = 0; i < levels; ++i) {
        offsets.append(quint32(data.size()));
        data.append(char(0xA0 | refsPerLevel));
        for (int r = 0; r < refsPerLevel; ++r) {
            data.append(char((i + 1) >> 16 & 0xff));
            data.append(char((i + 1) >> 8 & 0xff));
            data.append(char((i + 1) & 0xff));
        }
    }
    offsets.append(quint32(data.size()));
    data.append(char(0xA0));
    const quint64 table = quint64(data.size());
    for (quint32 off : offsets) {
        for (int shift = 24; shift >= 0; shift -= 8)
            data.append(char(off >> shift & 0xff));
    }
    auto appendBig = [&](quint64 v) {
        for (int shift = 56; shift >= 0; shift -= 8)
            data.append(char(v >> shift & 0xff));
    };
    data.append(QByteArray(6, '\0'));
    data.append(char(4)); // offset size
    data.append(char(3)); // reference size
    appendBig(quint64(offsets.size()));
    appendBig(0);
    appendBig(table);
    return data;
}

} // namespace

class tst_TBPropertyList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTrip_data();
    void roundTrip();
    void nestedTreeRoundTrip();
    void integersWidenToQint64();
    void otherProgramsReadOurXml();
    void readsBinaryFromOtherPrograms();
    void unreadableInput_data();
    void unreadableInput();
    void truncatedInputNeverReads();
    void damagedBinaryNeverCrashes();
    void valuesWithoutPlistForm_data();
    void valuesWithoutPlistForm();
    void kindChecks_data();
    void kindChecks();
    void writeFileReplacesAtomically();
    void failedWriteKeepsOldFile();
};

void tst_TBPropertyList::roundTrip_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::newRow("string") << QVariant(QStringLiteral("héllo <b>&amp;</b> \x01 ctl"));
    QTest::newRow("empty string") << QVariant(QString(QLatin1String("")));
    QTest::newRow("integer") << QVariant(qint64(123456789012345));
    QTest::newRow("int64 min") << QVariant(std::numeric_limits<qint64>::min());
    QTest::newRow("minus one") << QVariant(qint64(-1));
    QTest::newRow("uint64 max") << QVariant(std::numeric_limits<quint64>::max());
    QTest::newRow("just above int64") << QVariant(quint64(std::numeric_limits<qint64>::max()) + 1);
    QTest::newRow("real") << QVariant(0.1);
    QTest::newRow("huge real") << QVariant(-1.7976931348623157e308);
    QTest::newRow("whole real") << QVariant(3.0);
    QTest::newRow("true") << QVariant(true);
    QTest::newRow("false") << QVariant(false);
    QTest::newRow("data") << QVariant(QByteArray("\0a\0\xfe", 4));
    QTest::newRow("empty data") << QVariant(QByteArray(""));
    QTest::newRow("date") << QVariant(QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59), Qt::UTC));
    QTest::newRow("date before 1970") << QVariant(QDateTime(QDate(1950, 1, 2), QTime(3, 4, 5), Qt::UTC));
    QTest::newRow("empty array") << QVariant(QVariantList());
    QTest::newRow("empty dictionary") << QVariant(QVariantMap());
}

void tst_TBPropertyList::roundTrip()
{
    QFETCH(QVariant, value);
    QString error;
    const QByteArray xml = TBPropertyList::toXml(value, &error);
    QVERIFY2(!xml.isEmpty(), qPrintable(error));
    const QVariant back = TBPropertyList::fromData(xml, &error);
    QVERIFY2(back.isValid(), qPrintable(error));
    QCOMPARE(back.metaType().id(), value.metaType().id());
    QCOMPARE(back, value);
}

void tst_TBPropertyList::nestedTreeRoundTrip()
{
    const QVariantMap tree = sampleTree();
    const QVariant back = TBPropertyList::fromData(TBPropertyList::toXml(tree));
    QCOMPARE(back.toMap(), tree);
    // Nested values keep their kinds, not just equal-looking values.
    const QVariantList list = back.toMap().value(QStringLiteral("list")).toList();
    QCOMPARE(list.at(1).metaType().id(), int(QMetaType::LongLong));
    QVERIFY(TBPropertyList::isDictionary(list.at(2)));
}

void tst_TBPropertyList::integersWidenToQint64()
{
    const QVariantList written {int(-5),    uint(4000000000u), short(7), quint64(9), QStringList {QStringLiteral("x")},
                                float(0.5f)};
    const QVariantList read = TBPropertyList::fromData(TBPropertyList::toXml(written)).toList();
    QCOMPARE(read.size(), written.size());
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(read.at(i).metaType().id(), int(QMetaType::LongLong));
        QCOMPARE(read.at(i).toLongLong(), written.at(i).toLongLong());
    }
    QCOMPARE(read.at(4), QVariant(QVariantList {QStringLiteral("x")}));
    QCOMPARE(read.at(5), QVariant(0.5));
}

void tst_TBPropertyList::otherProgramsReadOurXml()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tree.plist"));
    QVERIFY(TBPropertyList::writeFile(path, sampleTree()));

    // plistutil (libplist's own tool) converts it; Python's plistlib, an independent reader, checks values.
    QProcess plistutil;
    plistutil.start(QStringLiteral("plistutil"),
                    {QStringLiteral("-i"), path, QStringLiteral("-o"), dir.filePath(QStringLiteral("tree.bin"))});
    QVERIFY(plistutil.waitForFinished(30000));
    QCOMPARE(plistutil.exitCode(), 0);
    QCOMPARE(TBPropertyList::readFile(dir.filePath(QStringLiteral("tree.bin"))).toMap(), sampleTree());

    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import plistlib, sys\n"
                                 "d = plistlib.load(open(sys.argv[1], 'rb'))\n"
                                 "print(d['name'] == 'Ünïcødé <&> \"quoted\" ]]> tab\\tline\\nend', d['count'], "
                                 "d['min'], d['real'], d['flag'], d['bytes'].hex(), d['when'].isoformat(), "
                                 "d['list'][2]['k&<>'])"),
                  path});
    QVERIFY(python.waitForFinished(30000));
    QCOMPARE(python.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(python.readAllStandardOutput()).trimmed(),
             QStringLiteral("True 42 -9223372036854775808 0.1 True 000102ff 2021-06-01T12:30:05 {}"));
}

void tst_TBPropertyList::readsBinaryFromOtherPrograms()
{
    const QByteArray binary = binaryFromPython(
        QStringLiteral("{'s': 'x\\u00e9', 'i': -3, 'big': 2**64 - 1, 'r': 2.5, 'b': False, 'd': b'\\x00\\x01', "
                       "'t': datetime.datetime(2020, 2, 29, 1, 2, 3), 'a': [1, 'two', {'three': []}]}"));
    QVERIFY2(!binary.isEmpty(), "python3 could not write a binary property list");
    QString error;
    const QVariantMap map = TBPropertyList::fromData(binary, &error).toMap();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(map.value(QStringLiteral("s")), QVariant(QStringLiteral("x\u00e9")));
    QCOMPARE(map.value(QStringLiteral("i")), QVariant(qint64(-3)));
    QCOMPARE(map.value(QStringLiteral("big")), QVariant(std::numeric_limits<quint64>::max()));
    QCOMPARE(map.value(QStringLiteral("r")), QVariant(2.5));
    QCOMPARE(map.value(QStringLiteral("b")), QVariant(false));
    QCOMPARE(map.value(QStringLiteral("d")), QVariant(QByteArray("\0\1", 2)));
    QCOMPARE(map.value(QStringLiteral("t")), QVariant(QDateTime(QDate(2020, 2, 29), QTime(1, 2, 3), Qt::UTC)));
    QCOMPARE(map.value(QStringLiteral("a")),
             QVariant(QVariantList {qint64(1), QStringLiteral("two"),
                                    QVariantMap {{QStringLiteral("three"), QVariantList()}}}));
}

void tst_TBPropertyList::unreadableInput_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("garbage") << QByteArray("not a property list at all");
    QTest::newRow("truncated xml") << QByteArray("<?xml version=\"1.0\"?><plist><dict><key>a</key><stri");
    QTest::newRow("unknown element") << QByteArray("<plist><frobnicate/></plist>");
    QTest::newRow("bplist header only") << QByteArray("bplist00");
    QByteArray deepXml("<plist>");
    for (int i = 0; i < 300000; ++i)
        deepXml.append("<array>");
    QTest::newRow("xml nested 300000 deep") << deepXml;
    QByteArray hiddenDepth("<plist>");
    for (int i = 0; i < 300000; ++i)
        hiddenDepth.append("<array a=\"/>\">");
    QTest::newRow("xml depth hidden in quotes") << hiddenDepth;
    QTest::newRow("binary nested 100000 deep") << chainedBinary(100000, 1);
    QTest::newRow("binary sharing bomb") << chainedBinary(60, 2);
    QByteArray cycle = chainedBinary(3, 1);
    cycle[8 + 3] = 0; // object 0 holds itself
    QTest::newRow("binary cycle") << cycle;
}

void tst_TBPropertyList::unreadableInput()
{
    QFETCH(QByteArray, data);
    QString error;
    QVERIFY(!TBPropertyList::fromData(data, &error).isValid());
    QVERIFY(!error.isEmpty());
}

void tst_TBPropertyList::truncatedInputNeverReads()
{
    const QByteArray xml = TBPropertyList::toXml(sampleTree());
    const QByteArray binary = binaryFromPython(QStringLiteral("{'a': [1, 2.5, 'three', {'b': b'x'}], 'c': True}"));
    QVERIFY(!binary.isEmpty());
    QVERIFY(TBPropertyList::fromData(binary).isValid());
    for (const QByteArray& whole : {xml, binary}) {
        for (qsizetype cut = 0; cut < whole.size() - 1; ++cut) {
            QString error;
            const QVariant v = TBPropertyList::fromData(whole.left(cut), &error);
            // A cut inside the closing </plist> may still read the whole tree; otherwise it must fail.
            if (v.isValid())
                QCOMPARE(v, TBPropertyList::fromData(whole));
            else
                QVERIFY(!error.isEmpty());
        }
    }
}

void tst_TBPropertyList::damagedBinaryNeverCrashes()
{
    const QByteArray binary = binaryFromPython(
        QStringLiteral("{'a': [1, 2.5, 'three', {'b': b'x', 'c': [[[]]]}], 'd': 'é' * 20, 'e': 2**40}"));
    QVERIFY(!binary.isEmpty());
    QRandomGenerator random(20240601);
    for (int round = 0; round < 5000; ++round) {
        QByteArray damaged = binary;
        const int flips = 1 + random.bounded(4);
        for (int i = 0; i < flips; ++i)
            damaged[random.bounded(int(damaged.size()))] = char(random.bounded(256));
        QString error;
        const QVariant v = TBPropertyList::fromData(damaged, &error);
        QVERIFY(v.isValid() || !error.isEmpty());
    }
}

void tst_TBPropertyList::valuesWithoutPlistForm_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::newRow("image") << QVariant(QImage(2, 2, QImage::Format_RGB32));
    QTest::newRow("url") << QVariant(QUrl(QStringLiteral("ldap://x")));
    QTest::newRow("invalid") << QVariant();
    QTest::newRow("image inside a list") << QVariant(QVariantList {qint64(1), QVariant(QImage())});
    QTest::newRow("invalid inside a dictionary")
        << QVariant(QVariantMap {{QStringLiteral("a"), QVariantMap {{QStringLiteral("b"), QVariant()}}}});
    QTest::newRow("string with NUL") << QVariant(QStringLiteral("a") + QChar(0) + QStringLiteral("b"));
    QTest::newRow("key with NUL") << QVariant(QVariantMap {{QStringLiteral("a") + QChar(0), qint64(1)}});
    QTest::newRow("date after 2069") << QVariant(QDateTime(QDate(2100, 1, 1), QTime(0, 0), Qt::UTC));
    QTest::newRow("invalid date") << QVariant(QDateTime());
}

void tst_TBPropertyList::valuesWithoutPlistForm()
{
    QFETCH(QVariant, value);
    QString error;
    QVERIFY(TBPropertyList::toXml(value, &error).isEmpty());
    QVERIFY(!error.isEmpty());
    QVERIFY(!TBPropertyList::hasPropertyListForm(value));
}

void tst_TBPropertyList::kindChecks_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("kinds"); // s string, n number, i integer, a array, d dictionary, b data
    QTest::newRow("string") << QVariant(QStringLiteral("5")) << "s";
    QTest::newRow("qint64") << QVariant(qint64(5)) << "ni";
    QTest::newRow("int") << QVariant(5) << "ni";
    QTest::newRow("uint") << QVariant(5u) << "ni";
    QTest::newRow("quint64") << QVariant(quint64(5)) << "ni";
    QTest::newRow("bool") << QVariant(true) << "ni";
    QTest::newRow("double") << QVariant(5.0) << "n";
    QTest::newRow("list") << QVariant(QVariantList()) << "a";
    QTest::newRow("string list") << QVariant(QStringList()) << "a";
    QTest::newRow("map") << QVariant(QVariantMap()) << "d";
    QTest::newRow("bytes") << QVariant(QByteArray("5")) << "b";
    QTest::newRow("date") << QVariant(QDateTime::currentDateTimeUtc()) << "";
    QTest::newRow("invalid") << QVariant() << "";
}

void tst_TBPropertyList::kindChecks()
{
    QFETCH(QVariant, value);
    QFETCH(QString, kinds);
    QCOMPARE(TBPropertyList::isString(value), kinds.contains(QLatin1Char('s')));
    QCOMPARE(TBPropertyList::isNumber(value), kinds.contains(QLatin1Char('n')));
    QCOMPARE(TBPropertyList::isInteger(value), kinds.contains(QLatin1Char('i')));
    QCOMPARE(TBPropertyList::isArray(value), kinds.contains(QLatin1Char('a')));
    QCOMPARE(TBPropertyList::isDictionary(value), kinds.contains(QLatin1Char('d')));
    QCOMPARE(TBPropertyList::isData(value), kinds.contains(QLatin1Char('b')));
}

void tst_TBPropertyList::writeFileReplacesAtomically()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.plist"));
    QVERIFY(TBPropertyList::writeFile(path, QVariantMap {{QStringLiteral("v"), qint64(1)}}));
    QVERIFY(TBPropertyList::writeFile(path, QVariantMap {{QStringLiteral("v"), qint64(2)}}));
    QCOMPARE(TBPropertyList::readFile(path).toMap().value(QStringLiteral("v")), QVariant(qint64(2)));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList {QStringLiteral("a.plist")});
}

void tst_TBPropertyList::failedWriteKeepsOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.plist"));
    const QVariantMap old {{QStringLiteral("v"), QStringLiteral("old")}};
    QVERIFY(TBPropertyList::writeFile(path, old));
    const QByteArray before = TBPropertyList::toXml(old);

    QString error;
    QVERIFY(!TBPropertyList::writeFile(path, QVariantMap {{QStringLiteral("v"), QVariant(QImage())}}, &error));
    QVERIFY(!error.isEmpty());

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList {QStringLiteral("a.plist")});

    // A folder that cannot exist (its parent is a file): a clean failure with a reason.
    error.clear();
    QVERIFY(!TBPropertyList::writeFile(path + QStringLiteral("/b.plist"), old, &error));
    QVERIFY(!error.isEmpty());
}

QTEST_GUILESS_MAIN(tst_TBPropertyList)
#include "tst_TBPropertyList.moc"
