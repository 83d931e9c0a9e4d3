#pragma once

#include <QList>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

class QCheckBox;
class QComboBox;
class TBDocument;
class TBMarginField;
class TBMarginFormatter;
struct TBPrintInfo;

// The print dialog's options tab: what to print (the selected details, all details or the command
// output), whether a summary comes first, and the four margins, each a field with a stepper that
// moves through quarter inches or half centimetres. Every change goes into the job's print info and
// is announced with "TBPrintPreviewUpdateNotification" (sender: this controller).
class TBPrintPanelAccessoryController : public QWidget
{
    Q_OBJECT
public:
    enum Side { Left, Top, Right, Bottom };
    static constexpr qint64 printDetailsSelected = 0;
    static constexpr qint64 printDetailsAll = 1;
    static constexpr qint64 printCommandOutput = 2;

    explicit TBPrintPanelAccessoryController(QWidget* parent = nullptr);

    // The steps, in points, for each unit.
    static const QList<double>& inchSteps();
    static const QList<double>& centimetreSteps();
    // The choice's title: "Details (Selected)", "Details (All)", "Command Output".
    static QString printWhatTitle(qint64 choice);
    // The properties the printed text depends on.
    static QStringList keyPathsForValuesAffectingPreview();

    // Sets the unit from the locale and readies the pop-up.
    void awakeFromNib();

    TBPrintInfo* representedObject() const { return m_printInfo; }
    // Takes the job's print info and fills the controls from the preferences.
    void setRepresentedObject(TBPrintInfo* printInfo);
    TBDocument* document() const { return m_document; }
    void setDocument(TBDocument* document) { m_document = document; }

    qint64 printWhat() const { return m_printWhat; }
    void setPrintWhat(qint64 choice);
    bool summaryInfo() const { return m_summaryInfo; }
    void setSummaryInfo(bool summary);

    double margin(Side side) const { return m_margins[side]; }
    // Values outside 0 to 144 points are ignored.
    void setMargin(Side side, double points);
    double leftMargin() const { return margin(Left); }
    double topMargin() const { return margin(Top); }
    double rightMargin() const { return margin(Right); }
    double bottomMargin() const { return margin(Bottom); }
    void setLeftMargin(double v) { setMargin(Left, v); }
    void setTopMargin(double v) { setMargin(Top, v); }
    void setRightMargin(double v) { setMargin(Right, v); }
    void setBottomMargin(double v) { setMargin(Bottom, v); }

    // A greater stepper value steps the margin up to the next step, a smaller one down.
    int stepperValue(Side side) const { return m_stepperValues[side]; }
    void setStepperValue(Side side, int value);
    int leftStepperValue() const { return stepperValue(Left); }
    int topStepperValue() const { return stepperValue(Top); }
    int rightStepperValue() const { return stepperValue(Right); }
    int bottomStepperValue() const { return stepperValue(Bottom); }
    void setLeftStepperValue(int v) { setStepperValue(Left, v); }
    void setTopStepperValue(int v) { setStepperValue(Top, v); }
    void setRightStepperValue(int v) { setStepperValue(Right, v); }
    void setBottomStepperValue(int v) { setStepperValue(Bottom, v); }

    bool metric() const { return m_metric; }
    // Centimetres or inches, for the fields and the steps.
    void setMetric(bool metric);
    bool canNotify() const { return m_canNotify; }

    // The first step above the margin (the margin itself when none is), and the last step below
    // it (0 when none).
    double incrementMargin(double points) const;
    double decrementMargin(double points) const;
    QString stringValueForMargin(double points) const;
    // Name and value of each choice, for a summary of the job.
    QList<QPair<QString, QString>> localizedSummaryItems() const;

    // Takes what is typed in the margin fields; always succeeds.
    bool commitEditing();
    void discardEditing() { }

    QComboBox* printWhatPopUp() const { return m_printWhatPopUp; }
    QCheckBox* summaryInfoCheckBox() const { return m_summaryInfoCheckBox; }
    TBMarginField* marginField(Side side) const { return m_fields[side]; }

private:
    void setupUi();
    void store(const QString& key, const QVariant& value);
    void postPreviewUpdate();
    void enablePopUpItems();
    bool documentCanPrint(qint64 choice) const;

    TBPrintInfo* m_printInfo = nullptr;
    QPointer<TBDocument> m_document;
    qint64 m_printWhat = 0;
    bool m_summaryInfo = false;
    double m_margins[4] = {72, 72, 72, 72};
    int m_stepperValues[4] = {0, 0, 0, 0};
    bool m_metric = false;
    bool m_canNotify = true;

    TBMarginFormatter* m_formatter = nullptr;
    QComboBox* m_printWhatPopUp = nullptr;
    QCheckBox* m_summaryInfoCheckBox = nullptr;
    TBMarginField* m_fields[4] = {nullptr, nullptr, nullptr, nullptr};
};
