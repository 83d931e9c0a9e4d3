#include "TBFonts.h"
#include "TBTestSupport.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QtTest>

class tst_TBFonts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Without a font the sizes and families below mean nothing, and every window's text is blank.
    void initTestCase() { TB_REQUIRE(!QFontDatabase::families().isEmpty(), "fonts-dejavu-core", "A font"); }

    void sharedAndKept()
    {
        QVERIFY(TBFonts::sharedInstance());
        QCOMPARE(TBFonts::sharedInstance(), TBFonts::sharedInstance());
        QCOMPARE(&TBFonts::displayFontAttributes(), &TBFonts::displayFontAttributes());
    }

    void styles_data()
    {
        QTest::addColumn<QTextCharFormat>("format");
        QTest::addColumn<QFont>("base");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<qreal>("points"); // 0: the base font's own size
        QTest::addColumn<QColor>("color"); // invalid: no colour of its own

        const QFont general = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        QTest::newRow("display") << TBFonts::displayFontAttributes() << general << false << 0.0 << QColor();
        QTest::newRow("display bold") << TBFonts::displayBoldFontAttributes() << general << true << 0.0 << QColor();
        QTest::newRow("display fixed") << TBFonts::displayFixedFontAttributes() << fixed << false << 0.0 << QColor();
        QTest::newRow("print") << TBFonts::printFontAttributes() << general << false << 10.0 << QColor();
        QTest::newRow("print bold") << TBFonts::printBoldFontAttributes() << general << true << 10.0 << QColor();
        QTest::newRow("print fixed") << TBFonts::printFixedFontAttributes() << fixed << false << 9.0 << QColor();
        QTest::newRow("gray") << TBFonts::grayFontAttributes() << general << false << 0.0 << QColor(170, 170, 170);
        QTest::newRow("red") << TBFonts::redFontAttributes() << general << false << 0.0 << QColor(Qt::red);
    }

    void styles()
    {
        QFETCH(QTextCharFormat, format);
        QFETCH(QFont, base);
        QFETCH(bool, bold);
        QFETCH(qreal, points);
        QFETCH(QColor, color);

        const QFont font = format.font();
        QCOMPARE(font.family(), base.family());
        QCOMPARE(font.bold(), bold);
        QCOMPARE(font.pointSizeF(), points > 0 ? points : base.pointSizeF());
        QCOMPARE(format.hasProperty(QTextFormat::ForegroundBrush), color.isValid());
        if (color.isValid())
            QCOMPARE(format.foreground().color(), color);
    }

    // Judged by the glyphs: some monospaced fonts (Noto Sans Mono) do not declare their spacing, so
    // QFontInfo::fixedPitch() says no although every character is as wide as the next.
    void fixedPitchIsFixed()
    {
        for (const QTextCharFormat* format :
             {&TBFonts::displayFixedFontAttributes(), &TBFonts::printFixedFontAttributes()}) {
            const QFontMetricsF metrics(format->font());
            QCOMPARE(metrics.horizontalAdvance(QStringLiteral("iiii")),
                     metrics.horizontalAdvance(QStringLiteral("WWWW")));
            QCOMPARE(metrics.horizontalAdvance(QLatin1Char('.')), metrics.horizontalAdvance(QLatin1Char('m')));
        }
    }

    void tabs()
    {
        QCOMPARE(TBFonts::halfInchTabAttributes().tabStopDistance(), 36.0);
        QCOMPARE(TBFonts::quarterInchTabAttributes().tabStopDistance(), 18.0);
        QVERIFY(TBFonts::halfInchTabAttributes().tabs().isEmpty());
        QCOMPARE(TBFonts::halfInchTabAttributes().wrapMode(), QTextOption::NoWrap);
    }
};

QTEST_MAIN(tst_TBFonts)
#include "tst_TBFonts.moc"
