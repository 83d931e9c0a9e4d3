#include "TBExport.h"
#include "TBTestModel.h"

#include "TBAttributeRegistry.h"
#include "TBEntryRendering.h"
#include "TBTestSupport.h"
#include "TBUserDefaults.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>

#include <cerrno>
#include <memory>

namespace {

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_TBExport : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    TBAttributeRegistry m_registry;
    TBRenderingContext m_context {&m_registry, TBADDateStyle()};
    QString m_unrtf;

    // What unrtf reads from an RTF file: the text, and the bold parts.
    bool readRTF(const QString& path, QString* text, QStringList* bold)
    {
        if (m_unrtf.isEmpty())
            return false;
        return TBTestSupport::readRTFWithUnrtf(m_unrtf, path, text, bold);
    }

    // Whatever is in the folder besides the given names (leftovers of a failed or atomic write).
    QStringList otherFiles(const QString& folder, const QStringList& expected)
    {
        QStringList found = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        for (const QString& name : expected)
            found.removeAll(name);
        return found;
    }

private Q_SLOTS:
    void initTestCase()
    {
        TBTestSupport::useScratchConfig();
        QVERIFY(m_dir.isValid());
        m_registry.loadAttributesFromDefaults(nullptr);
        m_context.dateStyle.interpret = true;
        m_unrtf = QStandardPaths::findExecutable(QStringLiteral("unrtf"));
    }

    void delimitedLine_data()
    {
        QTest::addColumn<QString>("delimiter");
        QTest::addColumn<QStringList>("pairs");
        QTest::addColumn<QStringList>("attributes");
        QTest::addColumn<QString>("expected");

        const QStringList abc {"a", "b", "c"};
        QTest::newRow("quoted only when holding the delimiter")
            << "," << QStringList {"a=plain", "b=x,y", "c=say \"hi\""} << abc << "plain,\"x,y\",say \"hi\"";
        QTest::newRow("inner quotes doubled when quoted")
            << "," << QStringList {"a=1,\"2\""} << QStringList {"a"} << "\"1,\"\"2\"\"\"";
        QTest::newRow("same value, tab-delimited")
            << "\t" << QStringList {"a=1,\"2\""} << QStringList {"a"} << "1,\"2\"";
        QTest::newRow("tab inside a tab-delimited value")
            << "\t" << QStringList {"a=x\ty", "b=z"} << QStringList {"a", "b"} << "\"x\ty\"\tz";
        QTest::newRow("missing attributes are empty fields") << "," << QStringList {"b=2"} << abc << ",2,";
        QTest::newRow("values joined by semicolons")
            << "\t" << QStringList {"mail=a@x", "mail=b@x", "mail=c;d@x"} << QStringList {"mail"} << "a@x;b@x;c;d@x";
        QTest::newRow("each value quoted on its own")
            << "," << QStringList {"o=A,B", "o=C"} << QStringList {"o"} << "\"A,B\";C";
        QTest::newRow("line end written unchanged")
            << "," << QStringList {"a=one\ntwo", "b=3"} << QStringList {"a", "b"} << "one\ntwo,3";
        QTest::newRow("names ignore case")
            << "," << QStringList {"Mail=m@x"} << QStringList {"mail", "MAIL"} << "m@x,m@x";
        QTest::newRow("non-ASCII") << "," << QStringList {s("cn=Ève, Zoë")} << QStringList {"cn"} << s("\"Ève, Zoë\"");
        QTest::newRow("no attributes") << "," << QStringList {"a=1"} << QStringList() << "";
    }

    void delimitedLine()
    {
        QFETCH(QString, delimiter);
        QFETCH(QStringList, pairs);
        QFETCH(QStringList, attributes);
        QFETCH(QString, expected);
        QCOMPARE(TBExport::infoDelimitedWith(*TBTestSupport::entryFromPairs(pairs), delimiter, attributes), expected);
    }

    void delimitedPicturesAndBytes()
    {
        TBEntryPtr entry = TBTestSupport::entryFromPairs({"cn=Ann"});
        entry->addAttribute(QStringLiteral("jpegphoto"), TBTestSupport::encodedImage(QSize(10, 10), Qt::red), true);
        entry->addAttribute(QStringLiteral("objectGUID"), QByteArray("\x00\xff,\x10", 4), false);
        QCOMPARE(TBExport::infoDelimitedWith(*entry, QStringLiteral(","), {"cn", "jpegphoto", "objectguid"}),
                 QStringLiteral("Ann,<image data>,base64:AP8sEA=="));
    }

    // AD identifiers leave in their readable forms (pairs made without this code, see
    // tst_TBADValues); malformed ones as bytes.
    void delimitedIdentifiers()
    {
        const TBEntryList entries {
            TBTestSupport::entryFromPairs({"cn=alice", "objectGUID=hex:0f1e2d3c4b5a69788796a5b4c3d2e1f0",
                                           "objectSid=hex:010500000000000515000000dcf4dc3b833d2b46828ba62850040000"}),
            TBTestSupport::entryFromPairs({"cn=mallory", "objectGUID=hex:0f1e2d3c4b5a69788796a5b4c3d2e1",
                                           "objectSid=hex:010500000000000515000000dcf4dc3b833d2b46828ba628"})};
        const QStringList columns {"cn", "objectguid", "objectSid"};
        const QString rows = QStringLiteral(
            "alice,{3c2d1e0f-5a4b-7869-8796-a5b4c3d2e1f0},S-1-5-21-1004336348-1177238915-682003330-1104\n"
            "mallory,base64:Dx4tPEtaaXiHlqW0w9Lh,base64:AQUAAAAAAAUVAAAA3PTcO4M9K0aCi6Yo\n");
        QCOMPARE(TBExport::entriesPlainText(entries, TBExportCommaSeparated, columns, false, m_context), rows);
        QCOMPARE(TBExport::pasteboardText(entries, columns, false), QString(rows).replace(',', '\t'));
    }

    // Tab-delimited with the header and only the shown columns: dn and mail shown, cn hidden.
    void delimitedExport_data()
    {
        QTest::addColumn<qint64>("format");
        QTest::addColumn<bool>("visibleOnly");
        QTest::addColumn<bool>("header");
        QTest::addColumn<QString>("expected");

        QTest::newRow("tab, header, shown columns")
            << qint64(TBExportTabDelimited) << true << true << "dn\tmail\nuid=a,dc=x\ta@x\nuid=b,dc=x\t\n";
        QTest::newRow("comma, all columns, no header") << qint64(TBExportCommaSeparated) << false << false
                                                       << "\"uid=a,dc=x\",Ann,a@x\n\"uid=b,dc=x\",\"Bob, Jr.\",\n";
    }

    void delimitedExport()
    {
        QFETCH(qint64, format);
        QFETCH(bool, visibleOnly);
        QFETCH(bool, header);
        QFETCH(QString, expected);

        const TBEntryList entries {TBTestSupport::entryFromPairs({"dn=uid=a,dc=x", "cn=Ann", "mail=a@x"}),
                                   TBTestSupport::entryFromPairs({"dn=uid=b,dc=x", "cn=Bob, Jr."})};
        const QList<TBExportColumn> columns {{"dn", false}, {"cn", true}, {"mail", false}};
        const QStringList attributes = TBExport::exportedAttributes(columns, visibleOnly);
        QCOMPARE(TBExport::entriesPlainText(entries, format, attributes, header, m_context), expected);

        // The file holds exactly that text: UTF-8, line feeds only, no byte-order mark.
        const QString path = m_dir.filePath(QStringLiteral("delimited.") + TBExport::fileExtension(format));
        TBExportMessage message;
        QVERIFY(TBExport::exportEntriesToFile(entries, format, attributes, header, m_context, path, &message));
        QCOMPARE(readFile(path), expected.toUtf8());
    }

    void pasteboardText()
    {
        const TBEntryList rows {TBTestSupport::entryFromPairs({"cn=Ann", "mail=a@x", "mail=b@x"}),
                                TBTestSupport::entryFromPairs({"cn=Bob"})};
        const QStringList shown {"cn", "mail"};
        QCOMPARE(TBExport::pasteboardText(rows, shown, false), QStringLiteral("Ann\ta@x;b@x\nBob\t\n"));
        QCOMPARE(TBExport::pasteboardText(rows, shown, true), QStringLiteral("cn\tmail\nAnn\ta@x;b@x\nBob\t\n"));
    }

    // Plain text: each entry's details and an empty line; UTF-8 without a byte-order mark.
    void plainTextFile()
    {
        const TBEntryList entries {TBTestSupport::entryFromPairs({"cn=Ann", "sn=Ève"}),
                                   TBTestSupport::entryFromPairs({"cn=Bob"})};
        const QString path = m_dir.filePath(QStringLiteral("plain.txt"));
        TBExportMessage message;
        QVERIFY(TBExport::exportEntriesToFile(entries, TBExportPlainText, {}, true, m_context, path, &message));
        QCOMPARE(readFile(path), s("cn: Ann\nsn: Ève\n\ncn: Bob\n\n").toUtf8());

        // Any unknown format is plain text.
        QVERIFY(TBExport::exportEntriesToFile(entries, 99, {}, true, m_context, path, &message));
        QCOMPARE(readFile(path), s("cn: Ann\nsn: Ève\n\ncn: Bob\n\n").toUtf8());
    }

    void rtfFile()
    {
        TB_REQUIRE(!m_unrtf.isEmpty(), "unrtf", "unrtf, the RTF reader");
        TBEntryPtr ann = TBTestSupport::entryFromPairs({"cn=Ann Müller", s("displayName=山田 花子")});
        ann->addAttribute(QStringLiteral("jpegphoto"), TBTestSupport::encodedImage(QSize(16, 16), Qt::green), true);
        const TBEntryList entries {ann, TBTestSupport::entryFromPairs({"cn=Bob"})};

        const QString path = m_dir.filePath(QStringLiteral("entries.rtf"));
        TBExportMessage message;
        QVERIFY(TBExport::exportEntriesToFile(entries, TBExportRTF, {}, false, m_context, path, &message));
        QString text;
        QStringList bold;
        QVERIFY(readRTF(path, &text, &bold));
        QCOMPARE(text.trimmed(), s("cn: Ann Müller\ndisplayName: 山田 花子\njpegphoto: <image data>\n\ncn: Bob"));
        QCOMPARE(bold, (QStringList {"cn: ", "displayName: ", "jpegphoto: ", "cn: "}));
    }

    // A package folder with TXT.rtf and the pictures it names; two entries' Photo_1.jpg do not
    // overwrite each other.
    void rtfdPackage()
    {
        TBEntryPtr ann = TBTestSupport::entryFromPairs({"cn=Ann"});
        ann->addAttribute(QStringLiteral("jpegphoto"), TBTestSupport::encodedImage(QSize(30, 20), Qt::red), true);
        ann->addAttribute(QStringLiteral("jpegphoto"), TBTestSupport::encodedImage(QSize(300, 150), Qt::blue), true);
        TBEntryPtr bob = TBTestSupport::entryFromPairs({s("cn=Bøb")});
        bob->addAttribute(QStringLiteral("jpegphoto"), TBTestSupport::encodedImage(QSize(20, 20), Qt::green), true);
        const TBEntryList entries {ann, bob};
        QVERIFY(TBExport::anyEntryHasPhoto(entries));

        const QString path = m_dir.filePath(QStringLiteral("people.rtfd"));
        TBExportMessage message;
        QVERIFY(TBExport::exportEntriesToFile(entries, TBExportRTFD, {}, false, m_context, path, &message));

        const QStringList files = QDir(path).entryList(QDir::Files, QDir::Name);
        QCOMPARE(files, (QStringList {"Photo_1.jpg", "Photo_1_2.jpg", "Photo_2.jpg", "TXT.rtf"}));
        const QList<QPair<QString, QSize>> pictures {
            {"Photo_1.jpg", QSize(30, 20)}, {"Photo_2.jpg", QSize(256, 128)}, {"Photo_1_2.jpg", QSize(20, 20)}};
        for (const auto& [name, size] : pictures) {
            const QByteArray data = readFile(path + QLatin1Char('/') + name);
            QVERIFY(data.startsWith("\xff\xd8")); // JPEG
            QCOMPARE(QImage::fromData(data).size(), size);
        }
        const QByteArray rtf = readFile(path + QStringLiteral("/TXT.rtf"));
        QVERIFY(rtf.indexOf("Photo_1.jpg") < rtf.indexOf("Photo_2.jpg"));
        QVERIFY(rtf.indexOf("Photo_2.jpg") < rtf.indexOf("Photo_1_2.jpg"));
        QCOMPARE(otherFiles(m_dir.path(), {"people.rtfd"}).filter(QStringLiteral("people")), QStringList());

        TB_REQUIRE(!m_unrtf.isEmpty(), "unrtf", "unrtf, the RTF reader");
        QString text;
        QStringList bold;
        QVERIFY(readRTF(path + QStringLiteral("/TXT.rtf"), &text, &bold));
        QVERIFY2(text.startsWith(QStringLiteral("cn: Ann\njpegphoto: \n\n")), qPrintable(text));
        QVERIFY(text.contains(s("cn: Bøb\n")));
        QCOMPARE(bold.count(QStringLiteral("jpegphoto: ")), 3);
    }

    // Writing over an existing file or package replaces it whole.
    void replacesExisting()
    {
        TBEntryPtr ann = TBTestSupport::entryFromPairs({"cn=Ann"});
        ann->addAttribute(QStringLiteral("jpegphoto"), TBTestSupport::encodedImage(QSize(10, 10), Qt::red), true);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("out.rtfd"));
        TBExportMessage message;

        QDir().mkpath(path);
        QFile stale(path + QStringLiteral("/stale.txt"));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.close();
        QVERIFY(TBExport::exportEntriesToFile({ann}, TBExportRTFD, {}, false, m_context, path, &message));
        QCOMPARE(QDir(path).entryList(QDir::Files, QDir::Name), (QStringList {"Photo_1.jpg", "TXT.rtf"}));
        QCOMPARE(otherFiles(folder.path(), {"out.rtfd"}), QStringList());

        // A file in the way is replaced too.
        QDir(path).removeRecursively();
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(TBExport::exportEntriesToFile({ann}, TBExportRTFD, {}, false, m_context, path, &message));
        QVERIFY(QFileInfo(path + QStringLiteral("/TXT.rtf")).isFile());
        QCOMPARE(otherFiles(folder.path(), {"out.rtfd"}), QStringList());
    }

    // A location that cannot be written gives the message and leaves nothing behind.
    void failures_data()
    {
        QTest::addColumn<qint64>("format");
        QTest::newRow("plain") << qint64(TBExportPlainText);
        QTest::newRow("rtf") << qint64(TBExportRTF);
        QTest::newRow("rtfd") << qint64(TBExportRTFD);
        QTest::newRow("csv") << qint64(TBExportCommaSeparated);
    }

    void failures()
    {
        QFETCH(qint64, format);
        TBEntryPtr ann = TBTestSupport::entryFromPairs({"cn=Ann"});
        ann->addAttribute(QStringLiteral("jpegphoto"), TBTestSupport::encodedImage(QSize(10, 10), Qt::red), true);
        QTemporaryDir folder;
        // A regular file where a folder should be: fails even for the superuser.
        const QString notAFolder = folder.filePath(QStringLiteral("file"));
        QFile file(notAFolder);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        TBExportMessage message;
        QVERIFY(!TBExport::exportEntriesToFile({ann}, format, {"cn"}, true, m_context,
                                               notAFolder + QStringLiteral("/out"), &message));
        QCOMPARE(message.title, QStringLiteral("Could not write text"));
        // The system's description and code (errno), the same for files and packages.
        const QString suffix = QStringLiteral("\n(Error code: %1)").arg(ENOTDIR);
        QVERIFY2(message.text.endsWith(suffix) && message.text.size() > suffix.size(), qPrintable(message.text));
        QCOMPARE(otherFiles(folder.path(), {"file"}), QStringList());
        QCOMPARE(readFile(notAFolder), QByteArray());
    }

    // The browse window writes its details text, pictures and all.
    void detailsDocument()
    {
        TBEntryPtr ann = TBTestSupport::entryFromPairs({"cn=Ann"});
        ann->addAttribute(QStringLiteral("jpegphoto"), TBTestSupport::encodedImage(QSize(12, 12), Qt::red), true);
        QTextDocument details;
        TBEntryRendering::info(*ann, m_context).appendTo(&details);

        TBExportMessage message;
        const QString txt = m_dir.filePath(QStringLiteral("details.txt"));
        QVERIFY(TBExport::exportTextToFile(details, TBExportPlainText, txt, &message));
        QCOMPARE(readFile(txt), QByteArray("cn: Ann\njpegphoto: \n\n     \n\n"));

        const QString rtfd = m_dir.filePath(QStringLiteral("details.rtfd"));
        QVERIFY(TBExport::exportTextToFile(details, TBExportRTFD, rtfd, &message));
        QCOMPARE(QDir(rtfd).entryList(QDir::Files, QDir::Name), (QStringList {"Photo_1.jpg", "TXT.rtf"}));
    }

    void fileFormats_data()
    {
        QTest::addColumn<qint64>("stored");
        QTest::addColumn<bool>("pictures");
        QTest::addColumn<bool>("delimited");
        QTest::addColumn<qint64>("shown");
        QTest::addColumn<QString>("extension");

        QTest::newRow("rtfd with pictures") << qint64(2) << true << true << qint64(2) << "rtfd";
        QTest::newRow("rtfd without pictures") << qint64(2) << false << true << qint64(1) << "rtf";
        QTest::newRow("csv") << qint64(4) << false << true << qint64(4) << "csv";
        QTest::newRow("tab") << qint64(3) << false << true << qint64(3) << "txt";
        QTest::newRow("out of range") << qint64(7) << true << true << qint64(0) << "txt";
        QTest::newRow("negative") << qint64(-1) << true << true << qint64(0) << "txt";
        QTest::newRow("browse: no delimited") << qint64(3) << true << false << qint64(0) << "txt";
    }

    void fileFormats()
    {
        QFETCH(qint64, stored);
        QFETCH(bool, pictures);
        QFETCH(bool, delimited);
        QFETCH(qint64, shown);
        QFETCH(QString, extension);
        QCOMPARE(TBExport::availableFileFormat(stored, pictures, delimited), shown);
        QCOMPARE(TBExport::fileExtension(shown), extension);
    }

    void suggestedFileName()
    {
        QCOMPARE(
            TBExport::suggestedFileName(TBEntryList {TBTestSupport::entryFromPairs({"dn=uid=ann,ou=People,dc=x"})}),
            QStringLiteral("ann"));
        QCOMPARE(TBExport::suggestedFileName(
                     TBEntryList {TBTestSupport::entryFromPairs({"cn=a"}), TBTestSupport::entryFromPairs({"cn=b"})}),
                 QStringLiteral("LDAP Entries"));
        QCOMPARE(TBExport::suggestedFileName(TBEntryList()), QStringLiteral("Error"));
        QCOMPARE(TBExport::suggestedFileName(TBTestSupport::entryFromPairs({"dn=ou=Sales,dc=x"})),
                 QStringLiteral("Sales"));
        QCOMPARE(TBExport::suggestedFileName(TBTestSupport::entryFromPairs({"cn=no dn"})),
                 QStringLiteral("LDAP Entry"));
        QCOMPARE(TBExport::suggestedFileName(TBEntryPtr()), QStringLiteral("LDAP Entry"));
    }
};

QTEST_MAIN(tst_TBExport)
#include "tst_TBExport.moc"
