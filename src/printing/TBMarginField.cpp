#include "TBMarginField.h"

#include "TBMarginFormatter.h"

#include <QKeyEvent>
#include <QLineEdit>

TBMarginField::TBMarginField(TBMarginFormatter* formatter, QWidget* parent)
    : QAbstractSpinBox(parent)
    , m_formatter(formatter)
{
    setAccelerated(false);
    setKeyboardTracking(false);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00.00 cm")) + 40);
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

void TBMarginField::commitTyped()
{
    if (lineEdit()->isModified()) {
        lineEdit()->setModified(false);
        Q_EMIT edited(typedPoints());
    }
}

void TBMarginField::stepBy(int steps)
{
    // A typed value counts from where it is, then snaps to the steps.
    commitTyped();
    Q_EMIT stepped(steps);
}

void TBMarginField::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        commitTyped();
    QAbstractSpinBox::keyPressEvent(event);
}

void TBMarginField::focusOutEvent(QFocusEvent* event)
{
    commitTyped();
    QAbstractSpinBox::focusOutEvent(event);
}

QValidator::State TBMarginField::validate(QString& input, int& pos) const
{
    return m_formatter->validate(input, pos);
}
