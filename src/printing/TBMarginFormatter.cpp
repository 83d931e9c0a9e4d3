#include "TBMarginFormatter.h"

#include <QApplication>
#include <QLocale>

namespace {

constexpr double kCentimetresPerPoint = 0.03528;
constexpr double kPointsPerCentimetre = 28.35;
constexpr double kPointsPerInch = 72.0;

QString unitWord(bool metric)
{
    return metric ? QStringLiteral("cm") : QStringLiteral("in");
}

// The longest number at the start of the text, after blanks, as strtod reads one; 0 when none.
double leadingNumber(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    const qsizetype start = i;
    if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        ++i;
    bool digits = false;
    while (i < text.size() && text.at(i).isDigit() && text.at(i).unicode() < 128) {
        ++i;
        digits = true;
    }
    if (i < text.size() && text.at(i) == QLatin1Char('.')) {
        ++i;
        while (i < text.size() && text.at(i).isDigit() && text.at(i).unicode() < 128) {
            ++i;
            digits = true;
        }
    }
    if (!digits)
        return 0.0;
    bool ok = false;
    const double value = text.mid(start, i - start).toDouble(&ok);
    return ok ? value : 0.0;
}

} // namespace

TBMarginFormatter::TBMarginFormatter(QObject* parent)
    : QValidator(parent)
{ }

bool TBMarginFormatter::localeUsesMetricSystem()
{
    return QLocale::system().measurementSystem() == QLocale::MetricSystem;
}

QString TBMarginFormatter::stringForMargin(double points, bool metric)
{
    const double value = metric ? points * kCentimetresPerPoint : points / kPointsPerInch;
    return QString::asprintf("%.3g ", value) + unitWord(metric);
}

QString TBMarginFormatter::stringForObjectValue(const QVariant& value) const
{
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return stringForMargin(value.toDouble(), m_metric);
    default:
        return QString();
    }
}

double TBMarginFormatter::getObjectValue(const QString& text) const
{
    const double points = leadingNumber(text) * (m_metric ? kPointsPerCentimetre : kPointsPerInch);
    return qBound(minimumMargin, points, maximumMargin);
}

bool TBMarginFormatter::isPartialStringValid(const QString& text) const
{
    const QString unit = unitWord(m_metric);
    for (const QChar c : text) {
        const bool digit = c.unicode() >= '0' && c.unicode() <= '9';
        if (!digit && c != QLatin1Char(' ') && c != QLatin1Char('.') && !unit.contains(c))
            return false;
    }
    return true;
}

QValidator::State TBMarginFormatter::validate(QString& input, int&) const
{
    if (isPartialStringValid(input))
        return Acceptable;
    QApplication::beep();
    return Invalid;
}
