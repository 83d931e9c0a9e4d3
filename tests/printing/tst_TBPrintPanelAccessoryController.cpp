#include "TBBrowseDocument.h"
#include "TBEntry.h"
#include "TBEntryTableController.h"
#include "TBMarginField.h"
#include "TBNotificationCenter.h"
#include "TBPreferences.h"
#include "TBPrintInfo.h"
#include "TBPrintPanelAccessoryController.h"
#include "TBSearchDocument.h"
#include "TBTableView.h"
#include "TBTestPrefs.h"
#include "TBTextView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTest>

// The print options tab: the margin steps in both units, the choices it offers a window, what it
// writes into the job's print info and when it announces a change.
class tst_TBPrintPanelAccessoryController : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void stepTables();
    void steps_data();
    void steps();
    void stepperValues();
    void marginsOutsideThePageAreIgnored();
    void typedMarginsAreClampedAndFiltered();
    void choicesAndChangesGoIntoThePrintInfo();
    void offeredChoices_data();
    void offeredChoices();
    void summaryItems();

private:
    TBTestPrefs m_testPrefs;
    TBPreferences* m_prefs = nullptr;
};

namespace {

// Counts the announcements of one sender.
struct PreviewUpdates : QObject
{
    int count = 0;
    explicit PreviewUpdates(QObject* sender)
    {
        TBNotificationCenter::defaultCenter()->addObserver(
            this, TBPrintPreviewUpdateNotification, [this](const TBNotification&) { ++count; }, sender);
    }
};

bool itemEnabled(const TBPrintPanelAccessoryController& accessory, int choice)
{
    const auto* model = qobject_cast<QStandardItemModel*>(accessory.printWhatPopUp()->model());
    return model && model->item(choice)->isEnabled();
}

TBEntryPtr entry(const QString& dn)
{
    TBEntryPtr result = TBEntry::entry();
    result->addAttribute(QStringLiteral("dn"), dn);
    return result;
}

} // namespace

void tst_TBPrintPanelAccessoryController::init()
{
    m_prefs = m_testPrefs.prefsWith({});
}

void tst_TBPrintPanelAccessoryController::stepTables()
{
    const QList<double> inches {0, 18, 36, 54, 72, 90, 108, 126, 144};
    const QList<double> centimetres {0, 14.175, 28.35, 42.525, 56.7, 70.875, 85.05, 99.225, 113.4};
    QCOMPARE(TBPrintPanelAccessoryController::inchSteps(), inches);
    QCOMPARE(TBPrintPanelAccessoryController::centimetreSteps().size(), centimetres.size());
    for (qsizetype i = 0; i < centimetres.size(); ++i)
        QCOMPARE(TBPrintPanelAccessoryController::centimetreSteps().at(i), centimetres.at(i));
}

void tst_TBPrintPanelAccessoryController::steps_data()
{
    QTest::addColumn<bool>("metric");
    QTest::addColumn<double>("margin");
    QTest::addColumn<double>("up");
    QTest::addColumn<double>("down");

    QTest::newRow("an inch, metric") << true << 72.0 << 85.05 << 70.875;
    QTest::newRow("an inch") << false << 72.0 << 90.0 << 54.0;
    QTest::newRow("typed 0.3 in") << false << 21.6 << 36.0 << 18.0;
    QTest::newRow("on a step") << true << 28.35 << 42.525 << 14.175;
    QTest::newRow("none") << false << 0.0 << 18.0 << 0.0;
    QTest::newRow("the largest") << false << 144.0 << 144.0 << 126.0;
    // Beyond the last half centimetre: up keeps the margin, down snaps to 4 cm.
    QTest::newRow("5 cm") << true << 141.75 << 141.75 << 113.4;
}

void tst_TBPrintPanelAccessoryController::steps()
{
    QFETCH(bool, metric);
    QFETCH(double, margin);
    QFETCH(double, up);
    QFETCH(double, down);
    TBPrintPanelAccessoryController accessory;
    accessory.setMetric(metric);
    QCOMPARE(accessory.incrementMargin(margin), up);
    QCOMPARE(accessory.decrementMargin(margin), down);

    // The field's stepper does the same.
    accessory.setLeftMargin(margin);
    accessory.marginField(TBPrintPanelAccessoryController::Left)->stepUp();
    QCOMPARE(accessory.leftMargin(), up);
    accessory.setLeftMargin(margin);
    accessory.marginField(TBPrintPanelAccessoryController::Left)->stepDown();
    QCOMPARE(accessory.leftMargin(), down);
    QCOMPARE(accessory.marginField(TBPrintPanelAccessoryController::Left)->text(),
             accessory.stringValueForMargin(down));
}

void tst_TBPrintPanelAccessoryController::stepperValues()
{
    TBPrintPanelAccessoryController accessory;
    accessory.setMetric(false);
    accessory.setTopMargin(72);
    accessory.setTopStepperValue(1);
    QCOMPARE(accessory.topMargin(), 90.0);
    accessory.setTopStepperValue(1);
    QCOMPARE(accessory.topMargin(), 90.0);
    accessory.setTopStepperValue(-3);
    QCOMPARE(accessory.topMargin(), 72.0);
    QCOMPARE(accessory.topStepperValue(), -3);
    // The other margins stay.
    QCOMPARE(accessory.bottomMargin(), 72.0);
}

void tst_TBPrintPanelAccessoryController::marginsOutsideThePageAreIgnored()
{
    TBPrintPanelAccessoryController accessory;
    TBPrintInfo info;
    accessory.setRepresentedObject(&info);
    PreviewUpdates updates(&accessory);
    accessory.setRightMargin(144.5);
    accessory.setRightMargin(-1);
    QCOMPARE(accessory.rightMargin(), 72.0);
    QCOMPARE(info.dictionary.value(TBPrintInfo::rightMarginKey).toDouble(), 72.0);
    QCOMPARE(updates.count, 0);
    accessory.setRightMargin(144);
    QCOMPARE(info.dictionary.value(TBPrintInfo::rightMarginKey).toDouble(), 144.0);
    QCOMPARE(updates.count, 1);
}

void tst_TBPrintPanelAccessoryController::typedMarginsAreClampedAndFiltered()
{
    TBPrintPanelAccessoryController accessory;
    accessory.setMetric(false);
    accessory.show();
    TBMarginField* field = accessory.marginField(TBPrintPanelAccessoryController::Bottom);
    QLineEdit* edit = field->findChild<QLineEdit*>();
    QVERIFY(edit);
    field->setFocus();
    edit->selectAll();
    // "x" and "," are refused as they are typed.
    QTest::keyClicks(field, QStringLiteral("3x,5 in"));
    QCOMPARE(edit->text(), QStringLiteral("35 in"));
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(accessory.bottomMargin(), 144.0);
    QCOMPARE(edit->text(), QStringLiteral("2 in"));

    edit->selectAll();
    QTest::keyClicks(field, QStringLiteral("0.3"));
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(accessory.bottomMargin(), 21.6);
    QCOMPARE(edit->text(), QStringLiteral("0.3 in"));
    // Stepping from a typed value snaps to the next quarter inch.
    QTest::keyClick(field, Qt::Key_Up);
    QCOMPARE(accessory.bottomMargin(), 36.0);
}

void tst_TBPrintPanelAccessoryController::choicesAndChangesGoIntoThePrintInfo()
{
    m_prefs->setPrintWhat(1);
    m_prefs->setPrintSummaryInfo(true);
    m_prefs->setPrintLeftMargin(36);
    m_prefs->setPrintTopMargin(54);
    TBPrintPanelAccessoryController accessory;
    PreviewUpdates updates(&accessory);
    TBPrintInfo info;
    accessory.setRepresentedObject(&info);
    // Set up from the preferences, announced once.
    QCOMPARE(updates.count, 1);
    QCOMPARE(accessory.printWhat(), 1);
    QCOMPARE(accessory.printWhatPopUp()->currentIndex(), 1);
    QVERIFY(accessory.summaryInfoCheckBox()->isChecked());
    QCOMPARE(accessory.leftMargin(), 36.0);
    QCOMPARE(accessory.topMargin(), 54.0);
    const QVariantMap expected {
        {TBPrintInfo::printWhatKey, qint64(1)}, {TBPrintInfo::summaryInfoKey, true},
        {TBPrintInfo::leftMarginKey, 36.0},     {TBPrintInfo::topMarginKey, 54.0},
        {TBPrintInfo::rightMarginKey, 72.0},    {TBPrintInfo::bottomMarginKey, 72.0},
    };
    QCOMPARE(info.dictionary, expected);

    accessory.summaryInfoCheckBox()->click();
    QCOMPARE(info.dictionary.value(TBPrintInfo::summaryInfoKey), QVariant(false));
    QCOMPARE(updates.count, 2);
    accessory.setPrintWhat(2);
    QCOMPARE(info.dictionary.value(TBPrintInfo::printWhatKey), QVariant(qint64(2)));
    QCOMPARE(updates.count, 3);
    // Nothing reaches the preferences from here.
    QCOMPARE(m_prefs->printWhat(), 1);
    QVERIFY(m_prefs->printSummaryInfo());
}

void tst_TBPrintPanelAccessoryController::offeredChoices_data()
{
    QTest::addColumn<bool>("browse");
    QTest::addColumn<bool>("selection");
    QTest::addColumn<bool>("entries");
    QTest::addColumn<bool>("output");
    QTest::addColumn<bool>("discardOutput");
    QTest::addColumn<qint64>("remembered");
    QTest::addColumn<QList<bool>>("enabled");
    QTest::addColumn<qint64>("chosen");

    QTest::newRow("search, entries chosen")
        << false << true << true << true << false << qint64(1) << QList<bool> {true, true, true} << qint64(1);
    QTest::newRow("search, nothing chosen")
        << false << false << true << true << false << qint64(0) << QList<bool> {false, true, true} << qint64(1);
    QTest::newRow("search, output discarded")
        << false << true << true << true << true << qint64(2) << QList<bool> {true, true, false} << qint64(0);
    QTest::newRow("search, only output") << false << false << false << true << false << qint64(0)
                                         << QList<bool> {false, false, true} << qint64(2);
    QTest::newRow("browse, all remembered")
        << true << false << false << true << false << qint64(1) << QList<bool> {false, false, true} << qint64(2);
    QTest::newRow("browse, nothing printable")
        << true << false << false << false << false << qint64(1) << QList<bool> {false, false, false} << qint64(2);
}

void tst_TBPrintPanelAccessoryController::offeredChoices()
{
    QFETCH(bool, browse);
    QFETCH(bool, selection);
    QFETCH(bool, entries);
    QFETCH(bool, output);
    QFETCH(bool, discardOutput);
    QFETCH(qint64, remembered);
    QFETCH(QList<bool>, enabled);
    QFETCH(qint64, chosen);
    m_prefs->setDiscardOutput(discardOutput);
    m_prefs->setPrintWhat(remembered);

    std::unique_ptr<TBDocument> document;
    if (browse) {
        document = std::make_unique<TBBrowseDocument>();
        document->loadWindow();
    } else {
        auto* search = new TBSearchDocument;
        document.reset(search);
        search->loadWindow();
        if (entries) {
            search->entryTableController()->setEntries(
                {entry(QStringLiteral("uid=one,dc=example")), entry(QStringLiteral("uid=two,dc=example"))});
            QCOMPARE(search->entryTableController()->entries().size(), 2);
        }
        if (selection)
            search->entryTable()->selectRow(1);
    }
    if (output)
        document->appendOutputText(QStringLiteral("ldapsearch -x ..."), true);

    TBPrintPanelAccessoryController accessory;
    accessory.setDocument(document.get());
    TBPrintInfo info;
    accessory.setRepresentedObject(&info);
    for (int choice = 0; choice < 3; ++choice)
        QVERIFY2(itemEnabled(accessory, choice) == enabled.at(choice), qPrintable(QString::number(choice)));
    QCOMPARE(accessory.printWhat(), chosen);
    QCOMPARE(accessory.printWhatPopUp()->currentIndex(), int(chosen));
}

void tst_TBPrintPanelAccessoryController::summaryItems()
{
    TBPrintPanelAccessoryController accessory;
    accessory.setMetric(true);
    TBPrintInfo info;
    accessory.setRepresentedObject(&info);
    accessory.setPrintWhat(2);
    accessory.setTopMargin(85.05);
    const QList<QPair<QString, QString>> expected {
        {QStringLiteral("Print What"), QStringLiteral("Command Output")},
        {QStringLiteral("Include Summary Info"), QStringLiteral("No")},
        {QStringLiteral("Left Margin"), QStringLiteral("2.54 cm")},
        {QStringLiteral("Top Margin"), QStringLiteral("3 cm")},
        {QStringLiteral("Right Margin"), QStringLiteral("2.54 cm")},
        {QStringLiteral("Bottom Margin"), QStringLiteral("2.54 cm")},
    };
    QCOMPARE(accessory.localizedSummaryItems(), expected);
    QCOMPARE(TBPrintPanelAccessoryController::keyPathsForValuesAffectingPreview().size(), 6);
}

QTEST_MAIN(tst_TBPrintPanelAccessoryController)
#include "tst_TBPrintPanelAccessoryController.moc"
