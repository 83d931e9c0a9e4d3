#include "TBNumberFormatter.h"

#include <QApplication>

TBNumberFormatter::TBNumberFormatter(QObject* parent)
    : QValidator(parent)
{ }

bool TBNumberFormatter::isAcceptable(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
        if (!digit && !(i == 0 && c == QLatin1Char('-')))
            return false;
    }
    return true;
}

QValidator::State TBNumberFormatter::validate(QString& input, int& /*pos*/) const
{
    if (isAcceptable(input))
        return Acceptable;
    QApplication::beep();
    return Invalid;
}

QString TBNumberFormatter::stringForObjectValue(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        return value.toString();
    case QMetaType::QString:
        return value.toString();
    default:
        return QString();
    }
}
