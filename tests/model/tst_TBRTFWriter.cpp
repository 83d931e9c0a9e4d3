#include "TBRTFWriter.h"
#include "TBTestModel.h"

#include "TBFonts.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

} // namespace

// RTF is checked by reading it back with a real reader, unrtf, through its HTML output.
class tst_TBRTFWriter : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_unrtf;

    // The text unrtf reads from the RTF, and the parts of it that are bold.
    bool readBack(const QByteArray& rtf, QString* text, QStringList* boldParts)
    {
        const QString path = m_dir.filePath(QStringLiteral("t.rtf"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(rtf) != rtf.size())
            return false;
        file.close();
        return TBTestSupport::readRTFWithUnrtf(m_unrtf, path, text, boldParts);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_unrtf = QStandardPaths::findExecutable(QStringLiteral("unrtf"));
        TB_REQUIRE(!m_unrtf.isEmpty(), "unrtf", "unrtf, the RTF reader");
    }

    // Text, bold labels and characters survive a real reader.
    void readByUnrtf_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("value");

        QTest::newRow("ASCII") << "cn"
                               << "Ann Smith";
        QTest::newRow("accents") << "sn" << s("Müller-Lüdenscheidt, Ève Ça œ €");
        QTest::newRow("CJK") << "displayName" << s("東京都 山田太郎 한국어");
        QTest::newRow("RTF control characters") << "description" << s("back\\slash {braces} and\ttab");
        QTest::newRow("Greek and Cyrillic") << "o" << s("Ωmega Жук");
        QTest::newRow("letters right after") << "cn" << s("東z Ωx");
    }

    void readByUnrtf()
    {
        QFETCH(QString, label);
        QFETCH(QString, value);

        TBRichText text;
        text.append(label + QStringLiteral(": "), TBFonts::displayBoldFontAttributes());
        text.append(value + QLatin1Char('\n'), TBFonts::displayFontAttributes());
        text.append(QStringLiteral("mail: "), TBFonts::displayBoldFontAttributes());
        text.append(QStringLiteral("a@x.test\n"), TBFonts::displayFontAttributes());
        const QByteArray rtf = TBRTFWriter::rtfFromText(text);

        for (char c : rtf)
            QVERIFY2(static_cast<unsigned char>(c) < 0x80, "RTF must be 7-bit");

        QString read;
        QStringList bold;
        QVERIFY(readBack(rtf, &read, &bold));
        QString expected = label + QStringLiteral(": ") + value + QStringLiteral("\nmail: a@x.test");
        // unrtf shows a tab as blanks; the character itself is written as \tab.
        read.replace(QRegularExpression(QStringLiteral("and\\s+tab")), QStringLiteral("and\ttab"));
        QCOMPARE(read.trimmed(), expected);
        QCOMPARE(bold, (QStringList {label + QStringLiteral(": "), QStringLiteral("mail: ")}));
    }

    // Readers without Unicode take the fallback after each \u: the Windows-1252 byte where
    // there is one, else "?", always as a hex escape; characters beyond 16 bits go as two halves.
    void fallbacks_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("escaped");

        QTest::newRow("Latin-1") << s("é") << QByteArray("\\u233\\'e9");
        QTest::newRow("Windows-1252 only") << s("€") << QByteArray("\\u8364\\'80");
        QTest::newRow("not in the code page") << s("東") << QByteArray("\\u26481\\'3f");
        QTest::newRow("above 16 bits") << s("😀") << QByteArray("\\u-10179\\'3f\\u-8704\\'3f");
    }

    void fallbacks()
    {
        QFETCH(QString, value);
        QFETCH(QByteArray, escaped);
        QByteArray out;
        TBRTFWriter::appendEscapedText(out, value);
        QCOMPARE(out, escaped);
    }

    void emptyTextIsValid()
    {
        QString read;
        QStringList bold;
        QVERIFY(readBack(TBRTFWriter::rtfFromText(TBRichText()), &read, &bold));
        QCOMPARE(read.trimmed(), QString());
    }
};

QTEST_MAIN(tst_TBRTFWriter)
#include "tst_TBRTFWriter.moc"
