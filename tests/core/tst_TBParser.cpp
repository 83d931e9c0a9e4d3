#include "TBParser.h"

#include "TBAttributeRegistry.h"
#include "TBTestSupport.h"

#include <QFile>
#include <QProcess>
#include <QtTest>

#include <thread>

namespace {

const QSet<QString> images {QStringLiteral("jpegphoto"), QStringLiteral("thumbnailphoto")};
const QSet<QString> binaries {QStringLiteral("objectguid")};

QString describe(const TBValue& value)
{
    switch (value.kind()) {
    case TBValue::Text:
        return value.text();
    case TBValue::Bytes:
        return QStringLiteral("<bytes %1>").arg(QString::fromLatin1(value.bytes().toHex()));
    case TBValue::Picture:
        return QStringLiteral("<picture %1x%2>")
            .arg(value.picture().size().width())
            .arg(value.picture().size().height());
    case TBValue::Null:
        break;
    }
    return QStringLiteral("<null>");
}

// One line per value ("name: value"), each entry opened by its dn() and closed by "--".
QStringList dump(const TBEntryList& entries)
{
    QStringList lines;
    for (const TBEntryPtr& entry : entries) {
        lines << QStringLiteral("dn=") + entry->dn();
        for (qsizetype i = 0; i < entry->attributeCount(); ++i) {
            for (const TBValue& value : entry->valuesAtIndex(i))
                lines << entry->attributeAt(i) + QStringLiteral(": ") + describe(value);
        }
        lines << QStringLiteral("--");
    }
    return lines;
}

QByteArray fixture(const QString& name)
{
    QFile file(TBTestSupport::sourceDir() + QStringLiteral("/tests/fixtures/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", qPrintable(file.fileName()));
    return file.readAll();
}

QStringList sorted(QSet<QString> set)
{
    QStringList list(set.begin(), set.end());
    list.sort();
    return list;
}

} // namespace

class tst_TBParser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lines_data();
    void lines();
    void fixtures_data();
    void fixtures();
    void oddFixture();
    void base64_data();
    void base64();
    void abortBeforeParse();
    void abortDuringParse();
    void registryDecidesKinds();
    void realSearchOutput();
};

void tst_TBParser::lines_data()
{
    QTest::addColumn<QByteArray>("ldif");
    QTest::addColumn<bool>("decodeBase64");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("result");
    QTest::addColumn<bool>("successful");

    const QStringList twoEntries {"dn=cn=a", "dn: cn=a", "cn: a", "--", "dn=cn=b", "dn: cn=b", "cn: b", "--"};
    QTest::newRow("two entries") << QByteArray("dn: cn=a\ncn: a\n\ndn: cn=b\ncn: b\n") << true << twoEntries << true
                                 << true;
    QTest::newRow("CR LF") << QByteArray("dn: cn=a\r\ncn: a\r\n\r\ndn: cn=b\r\ncn: b\r\n") << true << twoEntries << true
                           << true;
    QTest::newRow("lone CR") << QByteArray("dn: cn=a\rcn: a\r\rdn: cn=b\rcn: b\r") << true << twoEntries << true
                             << true;
    QTest::newRow("no final line end") << QByteArray("dn: cn=a\ncn: a\n\ndn: cn=b\ncn: b") << true << twoEntries << true
                                       << true;
    QTest::newRow("NUL ends a line") << QByteArray("dn: cn=a\0cn: a\n\ndn: cn=b\ncn: b\n", 30) << true << twoEntries
                                     << true << true;
    QTest::newRow("folded over three lines")
        << QByteArray("dn: cn=a\ndescription: fol\n ded ov\n er three\ncn: a\n") << true
        << QStringList {"dn=cn=a", "dn: cn=a", "description: folded over three", "cn: a", "--"} << true << true;
    QTest::newRow("fold inside a UTF-8 character")
        << QByteArray("dn: cn=a\ncn: Chlo\xc3\n \xa9\n") << true
        << QStringList {"dn=cn=a", "dn: cn=a", "cn: Chloé", "--"} << true << true;
    QTest::newRow("leading empty line gives an empty entry")
        << QByteArray("\ndn: cn=a\n") << true << QStringList {"dn=", "--", "dn=cn=a", "dn: cn=a", "--"} << true << true;
    QTest::newRow("two empty lines give an empty entry")
        << QByteArray("dn: cn=a\n\n\ndn: cn=b\n") << true
        << QStringList {"dn=cn=a", "dn: cn=a", "--", "dn=", "--", "dn=cn=b", "dn: cn=b", "--"} << true << true;
    QTest::newRow("empty output") << QByteArray("") << true << QStringList() << true << true;
    QTest::newRow("no output") << QByteArray() << true << QStringList() << true << true;

    QTest::newRow("base64 decoded") << QByteArray("dn: cn=a\ndescription:: Y2Fmw6k=\n") << true
                                    << QStringList {"dn=cn=a", "dn: cn=a", "description: café", "--"} << true << true;
    QTest::newRow("base64 kept") << QByteArray("dn: cn=a\ndescription:: Y2Fmw6k=\n") << false
                                 << QStringList {"dn=cn=a", "dn: cn=a", "description: Y2Fmw6k=", "--"} << true << true;
    QTest::newRow("base64 dn") << QByteArray("dn:: Y249Y2Fmw6k=\n") << true
                               << QStringList {"dn=cn=café", "dn: cn=café", "--"} << true << true;
    QTest::newRow("binary stays bytes although it is UTF-8")
        << QByteArray("dn: cn=a\nobjectGUID:: QUJD\n") << true
        << QStringList {"dn=cn=a", "dn: cn=a", "objectGUID: <bytes 414243>", "--"} << true << true;
    QTest::newRow("image that does not decode")
        << QByteArray("dn: cn=a\njpegPhoto:: QUJD\n") << true
        << QStringList {"dn=cn=a", "dn: cn=a", "jpegPhoto: <Could not decode image data>", "--"} << true << true;
    QTest::newRow("base64 that is not UTF-8 stays bytes")
        << QByteArray("dn: cn=a\ntitle:: Y2Fm6Q==\ncn: a\n") << true
        << QStringList {"dn=cn=a", "dn: cn=a", "title: <bytes 636166e9>", "cn: a", "--"} << true << true;
    QTest::newRow("plain value that is not UTF-8 does not stop the parse")
        << QByteArray("dn: cn=a\ntitle: caf\xe9\xff\ncn: a\n") << true
        << QStringList {"dn=cn=a", "dn: cn=a", "title: <bytes 636166e9ff>", "cn: a", "--"} << true << true;
    QTest::newRow("damaged base64 kept as received")
        << QByteArray("dn: cn=a\nseeAlso:: QQ=x=\n") << true
        << QStringList {"dn=cn=a", "dn: cn=a", "seeAlso: QQ=x=", "--"} << true << true;
    QTest::newRow("plain value holding a double colon")
        << QByteArray("dn: cn=a\nnote: Note:: not base64\n") << true
        << QStringList {"dn=cn=a", "dn: cn=a", "note: Note:: not base64", "--"} << true << true;
    QTest::newRow("lines without a value are skipped")
        << QByteArray("dn: cn=a\nempty:\nlabeledURI:< file:///x\nnocolon\n: nameless\nglued:value\ncn: a\n") << true
        << QStringList {"dn=cn=a", "dn: cn=a", "cn: a", "--"} << true << true;
    QTest::newRow("comments, folded or not, are skipped")
        << QByteArray("# one\ndn: cn=a\n# two\n  folded\ncn: a\n") << true
        << QStringList {"dn=cn=a", "dn: cn=a", "cn: a", "--"} << true << true;
    // ldapsearch -E pr=... writes a comment after each page, the last one after the last entry.
    QTest::newRow("paged results") << QByteArray("dn: cn=a\ncn: a\n\n# pagedresults: cookie=TQEA\ndn: cn=b\ncn: b\n\n"
                                                 "# pagedresults: cookie=\n")
                                   << true << twoEntries << true << true;
    QTest::newRow("comments alone between entries are no entry")
        << QByteArray("dn: cn=a\ncn: a\n\n# one\n  folded\n# two\n\ndn: cn=b\ncn: b\n") << true << twoEntries << true
        << true;
    QTest::newRow("names differing in case share one attribute")
        << QByteArray("dn: cn=a\nmail: 1\nMAIL: 2\nmail: 3\nDN: cn=x\n") << true
        << QStringList {"dn=cn=a", "dn: cn=a", "dn: cn=x", "mail: 1", "mail: 2", "mail: 3", "--"} << true << true;
    QTest::newRow("options stay part of the name")
        << QByteArray("dn: cn=a\ncn: a\ncn;lang-de: b\n") << true
        << QStringList {"dn=cn=a", "dn: cn=a", "cn: a", "cn;lang-de: b", "--"} << true << true;

    QTest::newRow("continuation with nothing before it")
        << QByteArray(" cn: a\n") << true << QStringList() << false << false;
    QTest::newRow("continuation after an entry keeps the entries so far")
        << QByteArray("dn: cn=a\n\n cn: b\ndn: cn=c\n") << true << QStringList {"dn=cn=a", "dn: cn=a", "--"} << false
        << false;
}

void tst_TBParser::lines()
{
    QFETCH(QByteArray, ldif);
    QFETCH(bool, decodeBase64);
    QFETCH(QStringList, expected);
    QFETCH(bool, result);
    QFETCH(bool, successful);

    TBParser parser(ldif, decodeBase64, images, binaries);
    QCOMPARE(parser.parse(), result);
    QCOMPARE(parser.parseSuccessful(), successful);
    QCOMPARE(dump(parser.parsedData()), expected);
}

void tst_TBParser::fixtures_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("LF") << QStringLiteral("parser-people.ldif");
    QTest::newRow("CR LF") << QStringLiteral("parser-people-crlf.ldif");
    QTest::newRow("CR") << QStringLiteral("parser-people-cr.ldif");
}

void tst_TBParser::fixtures()
{
    QFETCH(QString, file);
    TBParser parser(fixture(file), true, images, binaries);
    QVERIFY(parser.parse());
    QVERIFY(parser.parseSuccessful());

    const QStringList expected {
        "dn=uid=alice,ou=People,dc=tamblin,dc=test",
        "dn: uid=alice,ou=People,dc=tamblin,dc=test",
        "objectClass: person",
        "objectClass: inetOrgPerson",
        "cn: Alice Example",
        "cn;lang-de: Alice Beispiel",
        "mail: alice@tamblin.test",
        "mail: a.example@tamblin.test",
        "description: This description is folded by the tool over three physical lines.",
        "objectGUID: <bytes 4142434445464748494a4b4c4d4e4f50>",
        "jpegPhoto: <picture 256x255>",
        "--",
        "dn=cn=Chloé,ou=People,dc=tamblin,dc=test",
        "dn: cn=Chloé,ou=People,dc=tamblin,dc=test",
        "cn: Chloé",
        "sn: Müller",
        "description: café",
        "thumbnailPhoto: <Could not decode image data>",
        "--",
    };
    QCOMPARE(dump(parser.parsedData()), expected);
    QCOMPARE(sorted(parser.returnedAttributeNames()),
             QStringList({"cn", "cn;lang-de", "description", "dn", "jpegphoto", "mail", "objectclass", "objectguid",
                          "sn", "thumbnailphoto"}));

    const TBEntryPtr alice = parser.parsedData().at(0);
    QVERIFY(alice->hasPhoto());
    QVERIFY(!parser.parsedData().at(1)->hasPhoto());
    // The 300 x 299 picture really decodes, at the size it is shown at.
    const QImage image = alice->valueForAttribute(QStringLiteral("jpegphoto")).picture().image();
    QCOMPARE(image.size(), QSize(256, 255));
}

void tst_TBParser::oddFixture()
{
    TBParser parser(fixture(QStringLiteral("parser-odd.ldif")), true, images, binaries);
    QVERIFY(parser.parse());
    QVERIFY(parser.parseSuccessful());
    const QStringList expected {
        "dn=cn=odd,dc=tamblin,dc=test",
        "dn: cn=odd,dc=tamblin,dc=test",
        "cn: ok",
        "cn: second value",
        "description: <bytes 636166e920696e204c6174696e2d31>",
        "title: <bytes 636166e9>",
        "note: Note:: not base64",
        "seeAlso: QQ=x=",
        "--",
        // The comment after the first entry stands alone between empty lines, as paged results
        // end: no entry.
    };
    QCOMPARE(dump(parser.parsedData()), expected);
    QCOMPARE(sorted(parser.returnedAttributeNames()),
             QStringList({"cn", "description", "dn", "note", "seealso", "title"}));
}

void tst_TBParser::base64_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("padded") << QByteArray("QQ==") << true << QByteArray("A");
    QTest::newRow("unpadded") << QByteArray("QQ") << true << QByteArray("A");
    QTest::newRow("three characters") << QByteArray("QUI") << true << QByteArray("AB");
    QTest::newRow("one padding") << QByteArray("QUI=") << true << QByteArray("AB");
    QTest::newRow("whole group") << QByteArray("QUJD") << true << QByteArray("ABC");
    QTest::newRow("single character") << QByteArray("Q") << true << QByteArray();
    QTest::newRow("empty") << QByteArray() << true << QByteArray();
    QTest::newRow("concatenated groups") << QByteArray("QQ==QUI=QUJD") << true << QByteArray("AABABC");
    QTest::newRow("other characters skipped") << QByteArray(" QU\r\nJ\tD*") << true << QByteArray("ABC");
    QTest::newRow("all byte values") << QByteArray("AP8QgA==") << true << QByteArray("\x00\xff\x10\x80", 4);
    QTest::newRow("padding too early") << QByteArray("Q===") << false << QByteArray();
    QTest::newRow("padding first") << QByteArray("=") << false << QByteArray();
    QTest::newRow("lone padding in third place") << QByteArray("QQ=") << false << QByteArray();
    QTest::newRow("padding split by a line end") << QByteArray("QQ=\n=") << false << QByteArray();
}

void tst_TBParser::base64()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, valid);
    QFETCH(QByteArray, bytes);
    const std::optional<QByteArray> decoded = TBParser::decodeBase64String(text);
    QCOMPARE(decoded.has_value(), valid);
    if (valid)
        QCOMPARE(*decoded, bytes);
}

void tst_TBParser::abortBeforeParse()
{
    TBParser parser(QByteArray("dn: cn=a\n\n"), true, images, binaries);
    parser.abortParsing();
    QVERIFY(parser.aborting());
    parser.parse();
    QVERIFY(!parser.parseSuccessful());
    QVERIFY(parser.parsedData().isEmpty());
}

void tst_TBParser::abortDuringParse()
{
    // Enough entries that the abort lands long before the end.
    QByteArray ldif;
    const int total = 400000;
    for (int i = 0; i < total; ++i)
        ldif += "dn: cn=p" + QByteArray::number(i) + ",dc=test\ncn: p" + QByteArray::number(i) + "\nmail: p@test\n\n";

    TBParser parser(ldif, true, images, binaries);
    std::atomic<bool> started {false};
    std::thread worker([&] {
        started = true;
        parser.parse();
    });
    while (!started)
        std::this_thread::yield();
    parser.abortParsing();
    worker.join();

    QVERIFY(!parser.parseSuccessful());
    const TBEntryList& entries = parser.parsedData();
    QVERIFY(entries.size() < total);
    // What was kept are whole entries, in order.
    for (qsizetype i = 0; i < entries.size(); ++i) {
        QCOMPARE(entries[i]->dn(), QStringLiteral("cn=p%1,dc=test").arg(i));
        QCOMPARE(entries[i]->attributes(), QStringList({"dn", "cn", "mail"}));
    }
}

void tst_TBParser::registryDecidesKinds()
{
    // The kinds taken from the registry decide the image and binary names.
    TBAttributeRegistry registry;
    registry.loadAttributesFromDefaults(nullptr);
    // Attribute options fall back to the base name's kind.
    QByteArray ldif("dn: cn=a\nJPEGPhoto:: QUJD\nobjectGUID:: QUJD\nphoto2:: QUJD\njpegPhoto;binary:: QUJD\n"
                    "objectSid;binary:: QUJD\ncn;lang-de:: QUJD\n");
    TBParser parser(ldif, true, registry.kinds());
    QVERIFY(parser.parse());
    QCOMPARE(
        dump(parser.parsedData()),
        QStringList({"dn=cn=a", "dn: cn=a", "JPEGPhoto: <Could not decode image data>", "objectGUID: <bytes 414243>",
                     "photo2: ABC", "jpegPhoto;binary: <Could not decode image data>",
                     "objectSid;binary: <bytes 414243>", "cn;lang-de: ABC", "--"}));

    // The pictures AD sends with ";binary", as real JPEGs.
    TBParser pictures(fixture(QStringLiteral("ad-binary-pictures.ldif")), true, registry.kinds());
    QVERIFY(pictures.parse());
    QCOMPARE(pictures.parsedData().size(), 1);
    const TBEntryPtr pat = pictures.parsedData().first();
    QVERIFY(pat->hasPhoto());
    for (const char* name : {"jpegPhoto;binary", "thumbnailPhoto;binary"})
        QCOMPARE(describe(pat->valueForAttribute(QLatin1String(name))), QStringLiteral("<picture 16x16>"));
}

void tst_TBParser::realSearchOutput()
{
    const QString uri = TBTestSupport::sampleURI();
    TB_REQUIRE_SAMPLE_SLAPD(uri);
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LDAPNOINIT"), QStringLiteral("1")); // no local ldap.conf
    tool.setProcessEnvironment(environment);
    tool.start(QStringLiteral("/usr/bin/ldapsearch"),
               {"-x", "-LLL", "-H", uri, "-b", TBTestSupport::sampleBase, "(|(uid=alice)(uid=bob)(uid=mallory))"});
    QVERIFY(tool.waitForFinished(60000));
    QCOMPARE(tool.exitCode(), 0);
    const QByteArray output = tool.readAllStandardOutput();
    QVERIFY(output.contains("\n ")); // the tool folded long lines

    TBParser parser(output, true, images, binaries);
    QVERIFY(parser.parse());
    QVERIFY(parser.parseSuccessful());
    QCOMPARE(parser.parsedData().size(), 3);
    TBEntryPtr alice;
    TBEntryPtr bob;
    TBEntryPtr mallory;
    for (const TBEntryPtr& entry : parser.parsedData()) {
        if (entry->dn() == TBTestSupport::sampleAliceDN)
            alice = entry;
        else if (entry->dn().startsWith(QStringLiteral("uid=bob,")))
            bob = entry;
        else if (entry->dn().startsWith(QStringLiteral("uid=mallory,")))
            mallory = entry;
    }
    QVERIFY(alice);
    QVERIFY(bob);
    QVERIFY(mallory);
    // Folded lines come back whole.
    const QString description = alice->valueForAttribute(QStringLiteral("description")).text();
    QVERIFY(description.startsWith(QStringLiteral("Alice looks after the sample directory.")));
    QVERIFY(description.contains(QStringLiteral("continued on the next line, which begins with a single blank.")));
    QVERIFY(description.endsWith(QStringLiteral("spans a good number of lines.")));
    QCOMPARE(alice->numValuesForAttribute(QStringLiteral("MAIL")), 3);
    QVERIFY(alice->hasPhoto());
    const TBPicture photo = alice->valueForAttribute(QStringLiteral("jpegPhoto")).picture();
    QCOMPARE(photo.size(), QSize(200, 150));
    QCOMPARE(photo.image().size(), QSize(200, 150));
    QCOMPARE(alice->valueForAttribute(QStringLiteral("objectGUID")).bytes().toHex(),
             QByteArray("0f1e2d3c4b5a69788796a5b4c3d2e1f0"));
    // A large picture is shown at most 256 on a side.
    const TBPicture large = bob->valueForAttribute(QStringLiteral("jpegPhoto")).picture();
    QCOMPARE(large.originalSize(), QSize(1024, 768));
    QCOMPARE(large.image().size(), QSize(256, 192));
    QCOMPARE(mallory->valueForAttribute(QStringLiteral("jpegPhoto")).text(),
             QStringLiteral("<Could not decode image data>"));
    QVERIFY(!mallory->hasPhoto());
}

QTEST_GUILESS_MAIN(tst_TBParser)
#include "tst_TBParser.moc"
