#include "TBTextColors.h"

#include "TBContrast.h"

#include <QApplication>
#include <QtTest>

// Secondary text reads on a light palette and on a dark one, and still looks secondary.
class tst_TBTextColors : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readableOnEveryPalette_data()
    {
        QTest::addColumn<QColor>("text");
        QTest::addColumn<QColor>("base");
        QTest::newRow("light") << QColor(Qt::black) << QColor(Qt::white);
        QTest::newRow("dark") << QColor(230, 230, 230) << QColor(42, 42, 42);
        QTest::newRow("dark blue") << QColor(220, 225, 235) << QColor(25, 30, 45);
    }

    void readableOnEveryPalette()
    {
        QFETCH(QColor, text);
        QFETCH(QColor, base);
        QPalette palette;
        palette.setColor(QPalette::Text, text);
        palette.setColor(QPalette::Base, base);
        const QColor secondary = TBTextColors::placeholderTextColor(palette);
        QVERIFY2(TBTestSupport::contrast(secondary, base) >= 4.5, qPrintable(secondary.name()));
        QVERIFY2(TBTestSupport::contrast(secondary, text) >= 1.5, qPrintable(secondary.name()));
    }

    // The views' colour follows the application's palette, a dark one set at run time included.
    void followsTheApplicationPalette()
    {
        const QPalette saved = QApplication::palette();
        QPalette dark = saved;
        dark.setColor(QPalette::Text, QColor(230, 230, 230));
        dark.setColor(QPalette::Base, QColor(42, 42, 42));
        QApplication::setPalette(dark);
        QCOMPARE(TBTextColors::placeholderTextColor(), TBTextColors::placeholderTextColor(dark));
        QApplication::setPalette(saved);
    }
};

QTEST_MAIN(tst_TBTextColors)
#include "tst_TBTextColors.moc"
