#include "TBAttributeFormatter.h"

#include <QLineEdit>
#include <QtTest>

class tst_TBAttributeFormatter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void acceptsAttributeNames_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("empty") << QString() << true;
        QTest::newRow("one letter") << QStringLiteral("a") << true;
        QTest::newRow("AD name") << QStringLiteral("msDS-User_Account2") << true;
        QTest::newRow("leading digit") << QStringLiteral("2cn") << false;
        QTest::newRow("leading hyphen") << QStringLiteral("-cn") << false;
        QTest::newRow("leading underscore") << QStringLiteral("_cn") << false;
        QTest::newRow("option") << QStringLiteral("userCertificate;binary") << true;
        QTest::newRow("two options") << QStringLiteral("cn;lang-de;x-y") << true;
        QTest::newRow("range") << QStringLiteral("member;range=0-1499") << true;
        QTest::newRow("last range") << QStringLiteral("member;range=1500-*") << true;
        QTest::newRow("option being typed") << QStringLiteral("cn;") << true;
        QTest::newRow("equals sign before the options") << QStringLiteral("range=0-9") << false;
        QTest::newRow("blank in an option") << QStringLiteral("cn;lang de") << false;
        QTest::newRow("leading semicolon") << QStringLiteral(";binary") << false;
        QTest::newRow("blank") << QStringLiteral("given name") << false;
        QTest::newRow("dot") << QStringLiteral("1.2.840") << false;
        QTest::newRow("non-ASCII letter") << QStringLiteral("n\u00e4me") << false;
        QTest::newRow("non-ASCII digit") << QStringLiteral("a\u0663") << false;
    }
    void acceptsAttributeNames()
    {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        TBAttributeFormatter formatter;
        int pos = 0;
        QCOMPARE(formatter.validate(text, pos) == QValidator::Acceptable, accepted);
    }

    // A leading digit cannot be typed; after a leading letter, letters, digits, "-" and "_" can,
    // and options after a ";".
    void filtersTyping()
    {
        QLineEdit field;
        field.setValidator(new TBAttributeFormatter(&field));
        QTest::keyClicks(&field, QStringLiteral("1-x9 _y-z="));
        QCOMPARE(field.text(), QStringLiteral("x9_y-z"));
        field.setCursorPosition(0);
        QTest::keyClick(&field, Qt::Key_3);
        QCOMPARE(field.text(), QStringLiteral("x9_y-z"));
        field.setCursorPosition(int(field.text().size()));
        QTest::keyClicks(&field, QStringLiteral(";range=0- *"));
        QCOMPARE(field.text(), QStringLiteral("x9_y-z;range=0-*"));
    }
};

QTEST_MAIN(tst_TBAttributeFormatter)
#include "tst_TBAttributeFormatter.moc"
