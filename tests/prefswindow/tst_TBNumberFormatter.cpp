#include "TBNumberFormatter.h"

#include <QLineEdit>
#include <QtTest>

class tst_TBNumberFormatter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void acceptsIntegerEntry_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("empty") << QString() << true;
        QTest::newRow("minus alone") << QStringLiteral("-") << true;
        QTest::newRow("negative") << QStringLiteral("-12") << true;
        QTest::newRow("digits") << QStringLiteral("0065536") << true;
        QTest::newRow("plus sign") << QStringLiteral("+5") << false;
        QTest::newRow("inner minus") << QStringLiteral("5-") << false;
        QTest::newRow("two minus") << QStringLiteral("--5") << false;
        QTest::newRow("blank") << QStringLiteral(" 5") << false;
        QTest::newRow("decimal") << QStringLiteral("1.5") << false;
        QTest::newRow("arabic-indic digit") << QStringLiteral("\u0663") << false;
        QTest::newRow("fullwidth digit") << QStringLiteral("\uff15") << false;
    }
    void acceptsIntegerEntry()
    {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        TBNumberFormatter formatter;
        int pos = 0;
        QCOMPARE(formatter.validate(text, pos) == QValidator::Acceptable, accepted);
    }

    // Typed into a real field, refused characters simply do not appear.
    void filtersTyping()
    {
        QLineEdit field;
        field.setValidator(new TBNumberFormatter(&field));
        QTest::keyClicks(&field, QStringLiteral("-1a2 3-4"));
        QCOMPARE(field.text(), QStringLiteral("-1234"));
    }

    void displaysNumbersAndStrings_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("shown");
        QTest::newRow("integer") << QVariant(qint64(-42)) << QStringLiteral("-42");
        QTest::newRow("int") << QVariant(7) << QStringLiteral("7");
        QTest::newRow("string") << QVariant(QStringLiteral("abc")) << QStringLiteral("abc");
        QTest::newRow("list") << QVariant(QVariantList {1}) << QString();
        QTest::newRow("invalid") << QVariant() << QString();
    }
    void displaysNumbersAndStrings()
    {
        QFETCH(QVariant, value);
        QFETCH(QString, shown);
        const QString text = TBNumberFormatter::stringForObjectValue(value);
        QCOMPARE(text, shown);
        QCOMPARE(text.isNull(), shown.isNull());
    }
};

QTEST_MAIN(tst_TBNumberFormatter)
#include "tst_TBNumberFormatter.moc"
