#pragma once

#include <QAbstractSpinBox>

class TBMarginFormatter;

// A margin's text field with its stepper: shows the margin as its formatter does, refuses
// characters the formatter does not accept, and leaves stepping and typed values to its owner.
class TBMarginField : public QAbstractSpinBox
{
    Q_OBJECT
public:
    explicit TBMarginField(TBMarginFormatter* formatter, QWidget* parent = nullptr);

    double points() const { return m_points; }
    // Shows the margin (the text follows the formatter's unit).
    void setPoints(double points);
    // The margin the typed text stands for.
    double typedPoints() const;

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;

Q_SIGNALS:
    void stepped(int steps);
    void edited(double points);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }

private:
    // Hands on what was typed, before the spin box puts its own text back.
    void commitTyped();

    TBMarginFormatter* m_formatter;
    double m_points = 0;
};
