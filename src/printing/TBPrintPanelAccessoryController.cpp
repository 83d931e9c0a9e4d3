#include "TBPrintPanelAccessoryController.h"

#include "TBDocument.h"
#include "TBMarginField.h"
#include "TBMarginFormatter.h"
#include "TBNotificationCenter.h"
#include "TBPreferences.h"
#include "TBPrintInfo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QStandardItemModel>
#include <QVBoxLayout>

namespace {

struct SideInfo
{
    const char* title;
    const char* objectName;
    const QString* key;
    double (TBPreferences::*preference)() const;
};

const SideInfo kSides[4] = {
    {"Left Margin", "leftMarginField", &TBPrintInfo::leftMarginKey, &TBPreferences::printLeftMargin},
    {"Top Margin", "topMarginField", &TBPrintInfo::topMarginKey, &TBPreferences::printTopMargin},
    {"Right Margin", "rightMarginField", &TBPrintInfo::rightMarginKey, &TBPreferences::printRightMargin},
    {"Bottom Margin", "bottomMarginField", &TBPrintInfo::bottomMarginKey, &TBPreferences::printBottomMargin},
};

QList<double> makeSteps(double step)
{
    QList<double> steps;
    for (int i = 0; i <= 8; ++i)
        steps.append(i * step);
    return steps;
}

} // namespace

TBPrintPanelAccessoryController::TBPrintPanelAccessoryController(QWidget* parent)
    : QWidget(parent)
    , m_formatter(new TBMarginFormatter(this))
{
    setObjectName(QStringLiteral("TBPrintPanelAccessory"));
    setWindowTitle(tr("Tamblin"));
    setupUi();
    awakeFromNib();
}

const QList<double>& TBPrintPanelAccessoryController::inchSteps()
{
    // Quarter inches up to 2 in.
    static const QList<double> steps = makeSteps(18.0);
    return steps;
}

const QList<double>& TBPrintPanelAccessoryController::centimetreSteps()
{
    // Half centimetres up to 4 cm.
    static const QList<double> steps = makeSteps(14.175);
    return steps;
}

QString TBPrintPanelAccessoryController::printWhatTitle(qint64 choice)
{
    switch (choice) {
    case printDetailsSelected:
        return QStringLiteral("Details (Selected)");
    case printDetailsAll:
        return QStringLiteral("Details (All)");
    case printCommandOutput:
        return QStringLiteral("Command Output");
    default:
        return QString();
    }
}

QStringList TBPrintPanelAccessoryController::keyPathsForValuesAffectingPreview()
{
    return {QStringLiteral("printWhat"), QStringLiteral("summaryInfo"), QStringLiteral("leftMargin"),
            QStringLiteral("topMargin"), QStringLiteral("rightMargin"), QStringLiteral("bottomMargin")};
}

void TBPrintPanelAccessoryController::setupUi()
{
    m_printWhatPopUp = new QComboBox(this);
    m_printWhatPopUp->setObjectName(QStringLiteral("printWhatPopUp"));
    for (qint64 choice = printDetailsSelected; choice <= printCommandOutput; ++choice)
        m_printWhatPopUp->addItem(printWhatTitle(choice));
    connect(m_printWhatPopUp, &QComboBox::activated, this, [this](int index) { setPrintWhat(index); });

    m_summaryInfoCheckBox = new QCheckBox(tr("Include Summary Info"), this);
    m_summaryInfoCheckBox->setObjectName(QStringLiteral("summaryInfoCheckBox"));
    m_summaryInfoCheckBox->setToolTip(tr("Start with the directory and the search"));
    connect(m_summaryInfoCheckBox, &QCheckBox::toggled, this, &TBPrintPanelAccessoryController::setSummaryInfo);

    auto* what = new QFormLayout;
    what->addRow(tr("Print:"), m_printWhatPopUp);
    what->addRow(QString(), m_summaryInfoCheckBox);

    auto* marginsBox = new QGroupBox(tr("Margins"), this);
    auto* grid = new QGridLayout(marginsBox);
    for (int side = Left; side <= Bottom; ++side) {
        auto* field = new TBMarginField(m_formatter, marginsBox);
        field->setObjectName(QLatin1String(kSides[side].objectName));
        connect(field, &TBMarginField::stepped, this,
                [this, side](int steps) { setStepperValue(Side(side), m_stepperValues[side] + steps); });
        connect(field, &TBMarginField::edited, this, [this, side](double points) {
            setMargin(Side(side), points);
            m_fields[side]->setPoints(m_margins[side]);
        });
        m_fields[side] = field;
        auto* label = new QLabel(tr(kSides[side].title) + QLatin1Char(':'), marginsBox);
        label->setBuddy(field);
        // Left and right on the first row, top and bottom on the second.
        const int row = (side == Left || side == Right) ? 0 : 1;
        const int column = (side == Left || side == Top) ? 0 : 2;
        grid->addWidget(label, row, column, Qt::AlignRight);
        grid->addWidget(field, row, column + 1);
    }
    grid->setColumnStretch(4, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(what);
    layout->addWidget(marginsBox);
    layout->addStretch(1);
}

void TBPrintPanelAccessoryController::awakeFromNib()
{
    setMetric(TBMarginFormatter::localeUsesMetricSystem());
    inchSteps();
    centimetreSteps();
}

void TBPrintPanelAccessoryController::setMetric(bool metric)
{
    m_metric = metric;
    m_formatter->setMetric(metric);
    for (int side = Left; side <= Bottom; ++side)
        m_fields[side]->setPoints(m_margins[side]);
}

bool TBPrintPanelAccessoryController::documentCanPrint(qint64 choice) const
{
    return m_document && m_document->canPrintWhat(choice);
}

void TBPrintPanelAccessoryController::enablePopUpItems()
{
    auto* model = qobject_cast<QStandardItemModel*>(m_printWhatPopUp->model());
    for (int choice = printDetailsSelected; choice <= printCommandOutput; ++choice) {
        if (QStandardItem* item = model ? model->item(choice) : nullptr)
            item->setEnabled(documentCanPrint(choice));
    }
}

void TBPrintPanelAccessoryController::setRepresentedObject(TBPrintInfo* printInfo)
{
    m_printInfo = printInfo;
    m_canNotify = false;
    const TBPreferences* prefs = TBPreferences::sharedPreferences();
    qint64 choice = prefs->printWhat();
    if (m_document) {
        enablePopUpItems();
        if (!documentCanPrint(choice)) {
            if (documentCanPrint(printDetailsSelected))
                choice = printDetailsSelected;
            else if (documentCanPrint(printDetailsAll))
                choice = printDetailsAll;
            else
                choice = printCommandOutput;
        }
    }
    if (choice < printDetailsSelected || choice > printCommandOutput)
        choice = printDetailsSelected;
    setPrintWhat(choice);
    setSummaryInfo(prefs->printSummaryInfo());
    for (int side = Left; side <= Bottom; ++side)
        setMargin(Side(side), (prefs->*kSides[side].preference)());
    m_canNotify = true;
    postPreviewUpdate();
}

void TBPrintPanelAccessoryController::store(const QString& key, const QVariant& value)
{
    if (m_printInfo)
        m_printInfo->dictionary.insert(key, value);
    postPreviewUpdate();
}

void TBPrintPanelAccessoryController::postPreviewUpdate()
{
    if (m_canNotify)
        TBNotificationCenter::defaultCenter()->post(TBPrintPreviewUpdateNotification, this);
}

void TBPrintPanelAccessoryController::setPrintWhat(qint64 choice)
{
    m_printWhat = choice;
    if (choice >= printDetailsSelected && choice <= printCommandOutput)
        m_printWhatPopUp->setCurrentIndex(int(choice));
    store(TBPrintInfo::printWhatKey, choice);
}

void TBPrintPanelAccessoryController::setSummaryInfo(bool summary)
{
    m_summaryInfo = summary;
    m_summaryInfoCheckBox->setChecked(summary);
    store(TBPrintInfo::summaryInfoKey, summary);
}

void TBPrintPanelAccessoryController::setMargin(Side side, double points)
{
    if (!(points >= TBMarginFormatter::minimumMargin && points <= TBMarginFormatter::maximumMargin))
        return;
    m_margins[side] = points;
    m_fields[side]->setPoints(points);
    store(*kSides[side].key, points);
}

void TBPrintPanelAccessoryController::setStepperValue(Side side, int value)
{
    if (value > m_stepperValues[side])
        setMargin(side, incrementMargin(m_margins[side]));
    else if (value < m_stepperValues[side])
        setMargin(side, decrementMargin(m_margins[side]));
    m_stepperValues[side] = value;
}

double TBPrintPanelAccessoryController::incrementMargin(double points) const
{
    const QList<double>& steps = m_metric ? centimetreSteps() : inchSteps();
    for (double step : steps) {
        if (step > points)
            return step;
    }
    // Above the last step (a typed 5 cm): stepping up must not lower the margin.
    return qMax(points, steps.constLast());
}

double TBPrintPanelAccessoryController::decrementMargin(double points) const
{
    const QList<double>& steps = m_metric ? centimetreSteps() : inchSteps();
    for (auto it = steps.crbegin(); it != steps.crend(); ++it) {
        if (*it < points)
            return *it;
    }
    return steps.constFirst();
}

QString TBPrintPanelAccessoryController::stringValueForMargin(double points) const
{
    return TBMarginFormatter::stringForMargin(points, m_metric);
}

QList<QPair<QString, QString>> TBPrintPanelAccessoryController::localizedSummaryItems() const
{
    QList<QPair<QString, QString>> items {
        {tr("Print What"), printWhatTitle(m_printWhat)},
        {tr("Include Summary Info"), m_summaryInfo ? tr("Yes") : tr("No")},
    };
    for (int side = Left; side <= Bottom; ++side)
        items.append({tr(kSides[side].title), stringValueForMargin(m_margins[side])});
    return items;
}

bool TBPrintPanelAccessoryController::commitEditing()
{
    for (int side = Left; side <= Bottom; ++side) {
        TBMarginField* field = m_fields[side];
        const double typed = field->typedPoints();
        if (field->text() != stringValueForMargin(m_margins[side]))
            setMargin(Side(side), typed);
    }
    return true;
}
