#include "TBOptionsSheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

// The options sheet corrects what is typed into its number fields and hands over exactly what it
// shows when confirmed.
class tst_TBOptionsSheet : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void typedNumbersAreClamped_data();
    void typedNumbersAreClamped();
    void debugCheckboxEnablesTheLevel();
    void pagingCheckboxEnablesThePageSize();
    void okStoresWhatTheControlsShow();
    void defaultsReplaceTheEditedValues();
    void cancelRejects();

private:
    static QVariantMap defaults();
};

QVariantMap tst_TBOptionsSheet::defaults()
{
    return QVariantMap {
        {QStringLiteral("FetchWhichAttrs"), qint64(0)},
        {QStringLiteral("MaxHits"), qint64(100)},
        {QStringLiteral("TimeLimit"), qint64(60)},
        {QStringLiteral("ConnectTimeout"), qint64(10)},
        {QStringLiteral("DecodeBase64"), true},
        {QStringLiteral("DiscardOutput"), false},
        {QStringLiteral("EnableDebug"), true},
        {QStringLiteral("DebugLevel"), qint64(0)},
        {QStringLiteral("AutoAddDiscoveredAttributes"), true},
        {QStringLiteral("AutoDisplayAttributeColumns"), true},
        {QStringLiteral("PagedResults"), true},
        {QStringLiteral("PageSize"), qint64(500)},
    };
}

void tst_TBOptionsSheet::typedNumbersAreClamped_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<qint64>("stored");
    QTest::addColumn<bool>("byTab"); // else by Return

    const QString maxHits = QStringLiteral("editOptionsMaxHitsTextField");
    const QString timeLimit = QStringLiteral("editOptionsTimeLimitTextField");
    const QString connect = QStringLiteral("editOptionsConnectTimeoutTextField");
    const QString debug = QStringLiteral("editOptionsDebugLevelTextField");
    QTest::newRow("max hits above") << maxHits << "MaxHits"
                                    << "5000"
                                    << "999" << qint64(999) << false;
    QTest::newRow("max hits below") << maxHits << "MaxHits"
                                    << "-7"
                                    << "-1" << qint64(-1) << false;
    QTest::newRow("max hits in range") << maxHits << "MaxHits"
                                       << "250"
                                       << "250" << qint64(250) << false;
    QTest::newRow("time limit above") << timeLimit << "TimeLimit"
                                      << "61"
                                      << "60" << qint64(60) << false;
    QTest::newRow("connect timeout above") << connect << "ConnectTimeout"
                                           << "100"
                                           << "75" << qint64(75) << false;
    QTest::newRow("connect timeout below") << connect << "ConnectTimeout"
                                           << "-1"
                                           << "0" << qint64(0) << false;
    QTest::newRow("debug level above") << debug << "DebugLevel"
                                       << "65537"
                                       << "65536" << qint64(65536) << false;
    QTest::newRow("debug level below") << debug << "DebugLevel"
                                       << "-2"
                                       << "-1" << qint64(-1) << false;
    const QString pageSize = QStringLiteral("editOptionsPageSizeTextField");
    QTest::newRow("page size above") << pageSize << "PageSize"
                                     << "20000"
                                     << "10000" << qint64(10000) << false;
    QTest::newRow("page size below") << pageSize << "PageSize"
                                     << "0"
                                     << "1" << qint64(1) << false;
    // Text that is not a number reads as 0 (in range everywhere) and a number followed by text as
    // that number, and the field then shows it; a huge number does not overflow.
    QTest::newRow("not a number") << maxHits << "MaxHits"
                                  << "abc"
                                  << "0" << qint64(0) << false;
    QTest::newRow("number then text") << timeLimit << "TimeLimit"
                                      << "12s"
                                      << "12" << qint64(12) << false;
    QTest::newRow("not a number, Tab") << connect << "ConnectTimeout"
                                       << "abc"
                                       << "0" << qint64(0) << true;
    QTest::newRow("huge") << maxHits << "MaxHits"
                          << "99999999999999999999999"
                          << "999" << qint64(999) << false;
}

void tst_TBOptionsSheet::typedNumbersAreClamped()
{
    QFETCH(QString, field);
    QFETCH(QString, key);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(qint64, stored);
    QFETCH(bool, byTab);

    TBOptionsSheet sheet(QStringLiteral("Search Options"), &defaults);
    sheet.setTempSearchOptions(defaults());
    sheet.updateOptionsSheetUI();
    sheet.show();
    sheet.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&sheet));
    auto* edit = sheet.findChild<QLineEdit*>(field);
    QVERIFY(edit);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, typed);
    // Leaving the field corrects it at once and stores the value.
    QTest::keyClick(edit, byTab ? Qt::Key_Tab : Qt::Key_Return);
    QCOMPARE(edit->text(), shown);
    QCOMPARE(sheet.tempSearchOptions().value(key).toLongLong(), stored);
}

void tst_TBOptionsSheet::debugCheckboxEnablesTheLevel()
{
    TBOptionsSheet sheet(QStringLiteral("Search Options"), &defaults);
    sheet.setTempSearchOptions(defaults());
    sheet.updateOptionsSheetUI();
    auto* box = sheet.findChild<QCheckBox*>(QStringLiteral("editOptionsEnableDebugCheckbox"));
    auto* level = sheet.findChild<QLineEdit*>(QStringLiteral("editOptionsDebugLevelTextField"));
    QVERIFY(box->isChecked());
    QVERIFY(level->isEnabled());
    box->click();
    QVERIFY(!level->isEnabled());
    QCOMPARE(sheet.tempSearchOptions().value(QStringLiteral("EnableDebug")).toBool(), false);
    box->click();
    QVERIFY(level->isEnabled());
}

void tst_TBOptionsSheet::pagingCheckboxEnablesThePageSize()
{
    TBOptionsSheet sheet(QStringLiteral("Search Options"), &defaults);
    sheet.setTempSearchOptions(defaults());
    sheet.updateOptionsSheetUI();
    auto* box = sheet.findChild<QCheckBox*>(QStringLiteral("editOptionsPagedResultsCheckbox"));
    auto* size = sheet.findChild<QLineEdit*>(QStringLiteral("editOptionsPageSizeTextField"));
    QVERIFY(box->isChecked());
    QCOMPARE(size->text(), QStringLiteral("500"));
    QVERIFY(size->isEnabled());
    box->click();
    QVERIFY(!size->isEnabled());
    size->setText(QStringLiteral("1000"));
    sheet.findChild<QPushButton*>(QStringLiteral("editOptionsOKButton"))->click();
    // Off, and the size kept for when it is turned on again.
    QCOMPARE(sheet.tempSearchOptions().value(QStringLiteral("PagedResults")).toBool(), false);
    QCOMPARE(sheet.tempSearchOptions().value(QStringLiteral("PageSize")).toLongLong(), 1000);
}

void tst_TBOptionsSheet::okStoresWhatTheControlsShow()
{
    TBOptionsSheet sheet(QStringLiteral("Search Options"), &defaults);
    sheet.setTempSearchOptions(defaults());
    sheet.updateOptionsSheetUI();
    sheet.findChild<QComboBox*>(QStringLiteral("editOptionsFetchAttributesPopUp"))->setCurrentIndex(3);
    sheet.findChild<QLineEdit*>(QStringLiteral("editOptionsMaxHitsTextField"))->setText(QStringLiteral("4000"));
    sheet.findChild<QLineEdit*>(QStringLiteral("editOptionsDebugLevelTextField"))->setText(QStringLiteral("256"));
    sheet.findChild<QCheckBox*>(QStringLiteral("editOptionsDiscardOutputCheckbox"))->setChecked(true);
    sheet.findChild<QCheckBox*>(QStringLiteral("editOptionsAttributeColumnsAutoDisplayCheckbox"))->setChecked(false);
    // The level is stored as shown even while its field is disabled.
    sheet.findChild<QCheckBox*>(QStringLiteral("editOptionsEnableDebugCheckbox"))->click();

    sheet.findChild<QPushButton*>(QStringLiteral("editOptionsOKButton"))->click();
    QCOMPARE(sheet.result(), int(QDialog::Accepted));
    const QVariantMap options = sheet.tempSearchOptions();
    QCOMPARE(options.keys().size(), TBOptionsSheet::optionKeys().size());
    QCOMPARE(options.value(QStringLiteral("FetchWhichAttrs")).toLongLong(), 3);
    QCOMPARE(options.value(QStringLiteral("MaxHits")).toLongLong(), 999);
    QCOMPARE(options.value(QStringLiteral("DebugLevel")).toLongLong(), 256);
    QCOMPARE(options.value(QStringLiteral("EnableDebug")).toBool(), false);
    QCOMPARE(options.value(QStringLiteral("DiscardOutput")).toBool(), true);
    QCOMPARE(options.value(QStringLiteral("AutoDisplayAttributeColumns")).toBool(), false);
    QCOMPARE(options.value(QStringLiteral("TimeLimit")).toLongLong(), 60);
}

void tst_TBOptionsSheet::defaultsReplaceTheEditedValues()
{
    QVariantMap own = defaults();
    own.insert(QStringLiteral("MaxHits"), qint64(5));
    own.insert(QStringLiteral("DecodeBase64"), false);
    TBOptionsSheet sheet(QStringLiteral("Search Options"), &defaults);
    sheet.setTempSearchOptions(own);
    sheet.updateOptionsSheetUI();
    auto* maxHits = sheet.findChild<QLineEdit*>(QStringLiteral("editOptionsMaxHitsTextField"));
    QCOMPARE(maxHits->text(), QStringLiteral("5"));
    sheet.findChild<QPushButton*>(QStringLiteral("editOptionsDefaultsButton"))->click();
    QCOMPARE(maxHits->text(), QStringLiteral("100"));
    QVERIFY(sheet.findChild<QCheckBox*>(QStringLiteral("editOptionsDecodeBase64Checkbox"))->isChecked());
    QCOMPARE(sheet.tempSearchOptions(), defaults());
}

void tst_TBOptionsSheet::cancelRejects()
{
    TBOptionsSheet sheet(QStringLiteral("Search Options"), &defaults);
    sheet.setTempSearchOptions(defaults());
    sheet.updateOptionsSheetUI();
    sheet.open();
    sheet.findChild<QLineEdit*>(QStringLiteral("editOptionsMaxHitsTextField"))->setText(QStringLiteral("7"));
    sheet.findChild<QPushButton*>(QStringLiteral("editOptionsCancelButton"))->click();
    QCOMPARE(sheet.result(), int(QDialog::Rejected));
    QVERIFY(!sheet.isVisible());
}

QTEST_MAIN(tst_TBOptionsSheet)
#include "tst_TBOptionsSheet.moc"
