#include "TBEntryRendering.h"
#include "TBTestModel.h"

#include "TBAttributeRegistry.h"
#include "TBFonts.h"
#include "TBTestSupport.h"

#include <QTextDocument>
#include <QtTest>

namespace {

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

// Labels and values as "label|value" pairs, one per line, so a failure shows where the styles go wrong.
QStringList styledLines(const TBRichText& text)
{
    QStringList lines;
    for (const TBTextRun& run : text.runs()) {
        const QString mark = run.isImage() ? QStringLiteral("[image]") : run.text;
        lines.append((run.format.font().bold() ? QStringLiteral("B:") : QStringLiteral("R:")) + mark);
    }
    return lines;
}

} // namespace

class tst_TBEntryRendering : public QObject
{
    Q_OBJECT

    TBAttributeRegistry m_registry;
    TBRenderingContext m_context {&m_registry, TBADDateStyle()};

private Q_SLOTS:
    void initTestCase()
    {
        m_registry.loadAttributesFromDefaults(nullptr);
        QVERIFY(m_registry.isImageAttribute(QStringLiteral("jpegPhoto")));
        QVERIFY(m_registry.isADTimeAttribute(QStringLiteral("lastlogon")));
    }

    void init() { m_context.dateStyle.interpret = true; }

    // The text of info() for entries of one attribute, by kind of value.
    void valueLines_data()
    {
        QTest::addColumn<QString>("attribute");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("interpretAD");
        QTest::addColumn<QString>("expected");

        const QByteArray none;
        QTest::newRow("text") << "cn" << QStringList {"Ann Smith"} << none << true << "cn: Ann Smith\n";
        QTest::newRow("multi-valued repeats the label")
            << "mail" << QStringList {"a@x.test", "b@x.test", "c@x.test"} << none << true
            << "mail: a@x.test\nmail: b@x.test\nmail: c@x.test\n";
        QTest::newRow("non-ASCII text") << "sn" << QStringList {s("Müller 東京")} << none << true
                                        << s("sn: Müller 東京\n");
        QTest::newRow("AD timestamp off is raw")
            << "lastLogon" << QStringList {"116444736000000000"} << none << false << "lastLogon: 116444736000000000\n";
        QTest::newRow("AD timestamp zero") << "lastlogon" << QStringList {"0"} << none << true << "lastlogon: 0 (0)\n";
        QTest::newRow("AD timestamp date")
            << "pwdLastSet" << QStringList {"116444736000000000"} << none << true
            << "pwdLastSet: " + TBADTimestampToString(QStringLiteral("116444736000000000"), TBADDateStyle())
                + " (116444736000000000)\n";
        QTest::newRow("text of an image attribute") << "jpegphoto" << QStringList {"<Could not decode image data>"}
                                                    << none << true << "jpegphoto: <image data>\n";
        QTest::newRow("raw bytes") << "objectGUID" << QStringList() << QByteArray("\x01\x02\xff", 3) << true
                                   << "objectGUID: <binary data>\n";
        QTest::newRow("no attributes") << "" << QStringList() << none << true << "";

        // AD: identifiers beside the placeholder (pairs made without this code, see
        // tst_TBADValues), "never", and members that came as a range.
        const QByteArray guid = QByteArray::fromHex("0f1e2d3c4b5a69788796a5b4c3d2e1f0");
        const QByteArray sid = QByteArray::fromHex("010500000000000515000000dcf4dc3b833d2b46828ba62850040000");
        QTest::newRow("GUID") << "objectGUID" << QStringList() << guid << true
                              << "objectGUID: <binary data> {3c2d1e0f-5a4b-7869-8796-a5b4c3d2e1f0}\n";
        QTest::newRow("GUID of 15 bytes")
            << "objectGUID" << QStringList() << guid.left(15) << true << "objectGUID: <binary data>\n";
        QTest::newRow("SID with an option")
            << "objectSid;binary" << QStringList() << sid << true
            << "objectSid;binary: <binary data> S-1-5-21-1004336348-1177238915-682003330-1104\n";
        QTest::newRow("SID announcing more than it holds")
            << "objectSid" << QStringList() << sid.left(24) << true << "objectSid: <binary data>\n";
        QTest::newRow("GUID bytes of another attribute")
            << "userCertificate" << QStringList() << guid << true << "userCertificate: <binary data>\n";
        QTest::newRow("accountExpires never") << "accountExpires" << QStringList {"9223372036854775807"} << none << true
                                              << "accountExpires: Never (9223372036854775807)\n";
        QTest::newRow("accountExpires 0")
            << "accountexpires" << QStringList {"0"} << none << true << "accountexpires: Never (0)\n";
        QTest::newRow("accountExpires text that reads as 0")
            << "accountExpires" << QStringList {"none"} << none << true << "accountExpires: 0 (none)\n";
        QTest::newRow("accountExpires off is raw")
            << "accountExpires" << QStringList {"0"} << none << false << "accountExpires: 0\n";
        QTest::newRow("largest pwdLastSet is a date")
            << "pwdLastSet" << QStringList {"9223372036854775807"} << none << true
            << "pwdLastSet: " + TBADTimestampToString(QStringLiteral("9223372036854775807"), TBADDateStyle())
                + " (9223372036854775807)\n";
        QTest::newRow("ranged members") << "member;range=0-2" << QStringList {"cn=a", "cn=b", "cn=c"} << none << true
                                        << "member;range=0-2: cn=a\nmember;range=0-2: cn=b\nmember;range=0-2: cn=c\n"
                                           "member;range=0-2: (partial list: 3 values came; the directory has more)\n";
        QTest::newRow("the last range is complete")
            << "member;range=3-*" << QStringList {"cn=d"} << none << true << "member;range=3-*: cn=d\n";
    }

    void valueLines()
    {
        QFETCH(QString, attribute);
        QFETCH(QStringList, texts);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, interpretAD);
        QFETCH(QString, expected);

        m_context.dateStyle.interpret = interpretAD;
        TBEntry entry;
        for (const QString& text : texts)
            entry.addAttribute(attribute, text);
        if (!bytes.isEmpty())
            entry.addAttribute(attribute, bytes, false);

        QCOMPARE(TBEntryRendering::info(entry, m_context).plainText(), expected);
        QCOMPARE(TBEntryRendering::infoForPrinting(entry, m_context).plainText(), expected);
        QCOMPARE(TBEntryRendering::infoAsPlainText(entry, m_context), expected);
    }

    void stylesOnScreenAndInPrint()
    {
        TBEntry entry;
        entry.addAttribute(QStringLiteral("dn"), QStringLiteral("cn=Ann,dc=x"));
        entry.addAttribute(QStringLiteral("mail"), QStringLiteral("a@x.test"));
        entry.addAttribute(QStringLiteral("mail"), QStringLiteral("b@x.test"));

        const QStringList expected {
            "B:dn: ", "R:cn=Ann,dc=x\n", "B:mail: ", "R:a@x.test\n", "B:mail: ", "R:b@x.test\n"};
        QCOMPARE(styledLines(TBEntryRendering::info(entry, m_context)), expected);
        QCOMPARE(styledLines(TBEntryRendering::infoForPrinting(entry, m_context)), expected);

        for (const TBTextRun& run : TBEntryRendering::info(entry, m_context).runs()) {
            const QTextCharFormat& want
                = run.format.font().bold() ? TBFonts::displayBoldFontAttributes() : TBFonts::displayFontAttributes();
            QCOMPARE(run.format.font(), want.font());
        }
        for (const TBTextRun& run : TBEntryRendering::infoForPrinting(entry, m_context).runs())
            QCOMPARE(run.format.font().pointSizeF(), 10.0);
    }

    // Labels are friendly names where the registry has one; the kind of value still follows the
    // attribute name.
    void friendlyLabels()
    {
        TBEntry entry;
        entry.addAttribute(QStringLiteral("CN"), QStringLiteral("Ann"));
        entry.addAttribute(QStringLiteral("lastlogon"), QStringLiteral("0"));
        entry.addAttribute(QStringLiteral("lastLogonTimestamp"), QStringLiteral("0"));
        entry.addAttribute(QStringLiteral("objectGUID"), QByteArray("\x01\x02", 2), false);
        entry.addAttribute(QStringLiteral("x-unknown"), QStringLiteral("v"));

        QCOMPARE(TBEntryRendering::friendlyInfo(entry, m_context).plainText(),
                 QStringLiteral("Full Name: Ann\nLast Logon: 0 (0)\nLast Logon Timestamp: 0 (0)\n"
                                "Object GUID: <binary data>\nx-unknown: v\n"));
        QCOMPARE(styledLines(TBEntryRendering::friendlyInfo(entry, m_context)).first(),
                 QStringLiteral("B:Full Name: "));
        QCOMPARE(TBEntryRendering::info(entry, m_context).plainText().left(8), QStringLiteral("CN: Ann\n"));
    }

    void pictures()
    {
        TBEntry entry;
        entry.addAttribute(QStringLiteral("cn"), QStringLiteral("Ann"));
        entry.addAttribute(QStringLiteral("jpegPhoto"), TBTestSupport::encodedImage(QSize(40, 30), Qt::red), true);
        entry.addAttribute(QStringLiteral("jpegPhoto"), TBTestSupport::encodedImage(QSize(512, 256), Qt::blue), true);
        QVERIFY(entry.hasPhoto());

        const QString picture = QStringLiteral("jpegPhoto: \n\n     \uFFFC\n\n");
        const TBRichText& info = TBEntryRendering::info(entry, m_context);
        QCOMPARE(info.plainText(), QStringLiteral("cn: Ann\n") + picture + picture);
        QStringList names;
        QList<QSize> sizes;
        for (const TBTextRun& run : info.runs()) {
            if (run.isImage()) {
                names.append(run.fileName);
                sizes.append(run.image.size());
            }
        }
        QCOMPARE(names, (QStringList {"Photo_1.jpg", "Photo_2.jpg"}));
        QCOMPARE(sizes, (QList<QSize> {QSize(40, 30), QSize(256, 128)}));

        // Every text numbers its own pictures.
        QStringList printNames;
        for (const TBTextRun& run : TBEntryRendering::infoForPrinting(entry, m_context).runs()) {
            if (run.isImage())
                printNames.append(run.fileName);
        }
        QCOMPARE(printNames, names);

        const QString without = QStringLiteral("cn: Ann\njpegPhoto: <image data>\njpegPhoto: <image data>\n");
        QCOMPARE(TBEntryRendering::infoWithoutAttachments(entry, m_context).imageCount(), 0);
        QCOMPARE(TBEntryRendering::infoWithoutAttachments(entry, m_context).plainText(), without);
        QCOMPARE(TBEntryRendering::infoAsPlainText(entry, m_context), without);
    }

    // Built once: later preference changes show only in entries rendered afterwards.
    void builtOnce()
    {
        TBEntry entry;
        entry.addAttribute(QStringLiteral("lastlogon"), QStringLiteral("0"));
        const TBRichText* first = &TBEntryRendering::info(entry, m_context);
        QCOMPARE(first->plainText(), QStringLiteral("lastlogon: 0 (0)\n"));

        m_context.dateStyle.interpret = false;
        QCOMPARE(&TBEntryRendering::info(entry, m_context), first);
        QCOMPARE(TBEntryRendering::info(entry, m_context).plainText(), QStringLiteral("lastlogon: 0 (0)\n"));

        TBEntry later;
        later.addAttribute(QStringLiteral("lastlogon"), QStringLiteral("0"));
        QCOMPARE(TBEntryRendering::info(later, m_context).plainText(), QStringLiteral("lastlogon: 0\n"));
    }

    // Several entries' renderings in one document, as the Details text shows a selection: each
    // picture stays its own, although both are called Photo_1.jpg.
    void severalEntriesInOneDocument()
    {
        TBEntry red;
        red.addAttribute(QStringLiteral("jpegphoto"), TBTestSupport::encodedImage(QSize(20, 20), Qt::red), true);
        TBEntry blue;
        blue.addAttribute(QStringLiteral("jpegphoto"), TBTestSupport::encodedImage(QSize(20, 20), Qt::blue), true);

        QTextDocument document;
        TBEntryRendering::info(red, m_context).appendTo(&document);
        TBEntryRendering::info(blue, m_context).appendTo(&document);

        const TBRichText back = TBRichText::fromDocument(document);
        QList<QRgb> colors;
        for (const TBTextRun& run : back.runs()) {
            if (run.isImage()) {
                QCOMPARE(run.fileName, QStringLiteral("Photo_1.jpg"));
                colors.append(run.image.pixel(10, 10));
            }
        }
        QCOMPARE(colors.size(), 2);
        QVERIFY(qRed(colors[0]) > 200 && qBlue(colors[0]) < 60);
        QVERIFY(qBlue(colors[1]) > 200 && qRed(colors[1]) < 60);
        QCOMPARE(back.plainText(), document.toPlainText());
    }
};

QTEST_MAIN(tst_TBEntryRendering)
#include "tst_TBEntryRendering.moc"
