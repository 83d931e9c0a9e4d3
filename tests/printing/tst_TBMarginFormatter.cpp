#include "TBMarginFormatter.h"

#include <QTest>

// The margin formatter: how a margin in points reads in each unit, what a typed text means, and
// which characters may be typed.
class tst_TBMarginFormatter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void display_data();
    void display();
    void displayOfANonNumber();
    void parse_data();
    void parse();
    void entryFilter_data();
    void entryFilter();
};

void tst_TBMarginFormatter::display_data()
{
    QTest::addColumn<bool>("metric");
    QTest::addColumn<double>("points");
    QTest::addColumn<QString>("text");

    QTest::newRow("an inch in centimetres") << true << 72.0 << "2.54 cm";
    QTest::newRow("an inch") << false << 72.0 << "1 in";
    QTest::newRow("a quarter inch") << false << 18.0 << "0.25 in";
    QTest::newRow("typed 0.3 in") << false << 21.6 << "0.3 in";
    QTest::newRow("half a centimetre step") << true << 14.175 << "0.5 cm";
    QTest::newRow("the largest, metric") << true << 144.0 << "5.08 cm";
    QTest::newRow("the largest, inches") << false << 144.0 << "2 in";
    QTest::newRow("none") << true << 0.0 << "0 cm";
    QTest::newRow("three significant digits") << false << 100.0 << "1.39 in";
}

void tst_TBMarginFormatter::display()
{
    QFETCH(bool, metric);
    QFETCH(double, points);
    QFETCH(QString, text);
    TBMarginFormatter formatter;
    QVERIFY(!formatter.metric());
    formatter.setMetric(metric);
    QCOMPARE(formatter.stringForObjectValue(points), text);
    QCOMPARE(TBMarginFormatter::stringForMargin(points, metric), text);
}

void tst_TBMarginFormatter::displayOfANonNumber()
{
    TBMarginFormatter formatter;
    QVERIFY(formatter.stringForObjectValue(QStringLiteral("72")).isNull());
    QVERIFY(formatter.stringForObjectValue(QVariant()).isNull());
}

void tst_TBMarginFormatter::parse_data()
{
    QTest::addColumn<bool>("metric");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("points");

    QTest::newRow("0.3 in") << false << "0.3 in" << 21.6;
    QTest::newRow("3 in is clamped") << false << "3 in" << 144.0;
    QTest::newRow("2.54 cm") << true << "2.54 cm" << 2.54 * 28.35;
    QTest::newRow("10 cm is clamped") << true << "10" << 144.0;
    QTest::newRow("leading blanks, no unit") << false << "  1.5" << 108.0;
    QTest::newRow("no leading digit") << false << ".5 in" << 36.0;
    QTest::newRow("no number") << false << "in" << 0.0;
    QTest::newRow("empty") << true << "" << 0.0;
    QTest::newRow("number after text") << false << "in 1" << 0.0;
    QTest::newRow("negative is clamped") << false << "-1 in" << 0.0;
}

void tst_TBMarginFormatter::parse()
{
    QFETCH(bool, metric);
    QFETCH(QString, text);
    QFETCH(double, points);
    TBMarginFormatter formatter;
    formatter.setMetric(metric);
    QCOMPARE(formatter.getObjectValue(text), points);
}

void tst_TBMarginFormatter::entryFilter_data()
{
    QTest::addColumn<bool>("metric");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("inches") << false << "1.5 in" << true;
    QTest::newRow("centimetres in an inch field") << false << "1.5 cm" << false;
    QTest::newRow("centimetres") << true << "2 cm" << true;
    QTest::newRow("inches in a centimetre field") << true << "2 in" << false;
    QTest::newRow("decimal comma") << true << "2,5" << false;
    QTest::newRow("minus") << false << "-1" << false;
    QTest::newRow("upper case unit") << false << "1 IN" << false;
    QTest::newRow("other digits") << false << "١" << false;
    QTest::newRow("empty") << false << "" << true;
}

void tst_TBMarginFormatter::entryFilter()
{
    QFETCH(bool, metric);
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    TBMarginFormatter formatter;
    formatter.setMetric(metric);
    QCOMPARE(formatter.isPartialStringValid(text), accepted);
    int position = 0;
    QCOMPARE(formatter.validate(text, position), accepted ? QValidator::Acceptable : QValidator::Invalid);
}

QTEST_MAIN(tst_TBMarginFormatter)
#include "tst_TBMarginFormatter.moc"
