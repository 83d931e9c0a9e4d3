#include "TBServerFormatter.h"

#include <QLineEdit>
#include <QtTest>

class tst_TBServerFormatter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void acceptsServerCharacters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("empty") << QString() << true;
        QTest::newRow("host and port") << QStringLiteral("ldap://ldap-1.example_x.com:389/") << true;
        QTest::newRow("realm") << QStringLiteral("EXAMPLE.COM") << true;
        QTest::newRow("blank") << QStringLiteral("a b") << false;
        QTest::newRow("equals") << QStringLiteral("dc=example") << false;
        QTest::newRow("percent") << QStringLiteral("ldapi://%2Fvar") << false;
        QTest::newRow("non-ASCII letter") << QStringLiteral("m\u00fcller") << false;
        QTest::newRow("non-ASCII digit") << QStringLiteral("\u0663") << false;
    }
    void acceptsServerCharacters()
    {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        TBServerFormatter formatter;
        int pos = 0;
        QCOMPARE(formatter.validate(text, pos) == QValidator::Acceptable, accepted);
    }

    void filtersTyping()
    {
        QLineEdit field;
        field.setValidator(new TBServerFormatter(&field));
        QTest::keyClicks(&field, QStringLiteral("EX AMPLE=.COM%"));
        QCOMPARE(field.text(), QStringLiteral("EXAMPLE.COM"));
    }
};

QTEST_MAIN(tst_TBServerFormatter)
#include "tst_TBServerFormatter.moc"
