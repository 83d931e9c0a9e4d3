#include "TBMarginField.h"

#include "TBMarginFormatter.h"

#include <QLineEdit>

TBMarginField::TBMarginField(TBMarginFormatter* formatter, QWidget* parent)
    : QAbstractSpinBox(parent)
    , m_formatter(formatter)
{
    setAccelerated(false);
    setKeyboardTracking(false);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00.00 cm")) + 40);
    connect(this, &QAbstractSpinBox::editingFinished, this, [this] {
        if (lineEdit()->isModified()) {
            lineEdit()->setModified(false);
            Q_EMIT edited(typedPoints());
        }
    });
}

void TBMarginField::setPoints(double points)
{
    m_points = points;
    lineEdit()->setText(m_formatter->stringForObjectValue(points));
    lineEdit()->setModified(false);
}

double TBMarginField::typedPoints() const
{
    return m_formatter->getObjectValue(lineEdit()->text());
}

void TBMarginField::stepBy(int steps)
{
    // A typed value counts from where it is, then snaps to the steps.
    if (lineEdit()->isModified()) {
        lineEdit()->setModified(false);
        Q_EMIT edited(typedPoints());
    }
    Q_EMIT stepped(steps);
}

QValidator::State TBMarginField::validate(QString& input, int& pos) const
{
    return m_formatter->validate(input, pos);
}
