#include "TBADValues.h"

namespace {

const char kHexDigits[] = "0123456789abcdef";
const char kUpperHexDigits[] = "0123456789ABCDEF";

quint8 byteAt(QByteArrayView bytes, qsizetype index)
{
    return static_cast<quint8>(bytes[index]);
}

// The attribute type of a description, as a view into it.
QStringView baseName(QStringView name)
{
    const qsizetype semicolon = name.indexOf(u';');
    return semicolon < 0 ? name : name.left(semicolon);
}

bool isBaseName(QStringView name, QStringView type)
{
    return baseName(name).compare(type, Qt::CaseInsensitive) == 0;
}

// A run of ASCII decimal digits (at least one) as a number; nothing on any other character or
// on overflow.
std::optional<qint64> decimal(QStringView text)
{
    if (text.isEmpty())
        return std::nullopt;
    qint64 value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const int digit = c.unicode() - u'0';
        if (value > (std::numeric_limits<qint64>::max() - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

} // namespace

QString TBADGUIDToString(QByteArrayView bytes)
{
    if (bytes.size() != 16)
        return QString();
    // Byte order of the text: the 32-bit and the two 16-bit fields reversed, the rest as stored.
    static constexpr int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    QString text;
    text.reserve(38);
    text += u'{';
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text += u'-';
        const quint8 byte = byteAt(bytes, order[i]);
        text += QLatin1Char(kHexDigits[byte >> 4]);
        text += QLatin1Char(kHexDigits[byte & 0xf]);
    }
    text += u'}';
    return text;
}

QString TBADSIDToString(QByteArrayView bytes)
{
    constexpr qsizetype headerSize = 8;
    if (bytes.size() < headerSize || byteAt(bytes, 0) != 1)
        return QString();
    const int count = byteAt(bytes, 1);
    if (count > 15 || bytes.size() != headerSize + 4 * count)
        return QString();

    quint64 authority = 0;
    for (qsizetype i = 2; i < headerSize; ++i)
        authority = authority << 8 | byteAt(bytes, i);
    QString text = QStringLiteral("S-1-");
    if (authority < (quint64(1) << 32)) {
        text += QString::number(authority);
    } else {
        text += QLatin1String("0x");
        for (qsizetype i = 2; i < headerSize; ++i) {
            text += QLatin1Char(kUpperHexDigits[byteAt(bytes, i) >> 4]);
            text += QLatin1Char(kUpperHexDigits[byteAt(bytes, i) & 0xf]);
        }
    }
    for (int n = 0; n < count; ++n) {
        const qsizetype at = headerSize + 4 * n;
        const quint32 subAuthority = quint32(byteAt(bytes, at)) | quint32(byteAt(bytes, at + 1)) << 8
            | quint32(byteAt(bytes, at + 2)) << 16 | quint32(byteAt(bytes, at + 3)) << 24;
        text += u'-';
        text += QString::number(subAuthority);
    }
    return text;
}

QString TBADIdentifierToString(QStringView attribute, QByteArrayView bytes)
{
    if (isBaseName(attribute, u"objectGUID"))
        return TBADGUIDToString(bytes);
    if (isBaseName(attribute, u"objectSid"))
        return TBADSIDToString(bytes);
    return QString();
}

bool TBADIsIdentifierAttribute(QStringView attribute)
{
    return isBaseName(attribute, u"objectGUID") || isBaseName(attribute, u"objectSid");
}

bool TBADTimestampMeansNever(QStringView attribute, qint64 ticks)
{
    return (ticks == 0 || ticks == TBADTimestampNever) && isBaseName(attribute, u"accountExpires");
}

QString TBAttributeBaseName(const QString& name)
{
    const qsizetype semicolon = name.indexOf(u';');
    return semicolon < 0 ? name : name.left(semicolon);
}

std::optional<TBAttributeRange> TBAttributeRangeOption(QStringView name)
{
    const QStringView prefix = u"range=";
    qsizetype start = name.indexOf(u';');
    while (start >= 0) {
        const qsizetype end = name.indexOf(u';', start + 1);
        const QStringView option = name.mid(start + 1, end < 0 ? -1 : end - start - 1);
        if (option.startsWith(prefix, Qt::CaseInsensitive)) {
            const QStringView bounds = option.mid(prefix.size());
            const qsizetype dash = bounds.indexOf(u'-');
            if (dash < 0)
                return std::nullopt;
            const std::optional<qint64> low = decimal(bounds.left(dash));
            const QStringView highText = bounds.mid(dash + 1);
            if (!low)
                return std::nullopt;
            if (highText == u"*")
                return TBAttributeRange {*low, -1, true};
            const std::optional<qint64> high = decimal(highText);
            if (!high || *high < *low)
                return std::nullopt;
            return TBAttributeRange {*low, *high, false};
        }
        start = end;
    }
    return std::nullopt;
}

QString TBAttributeRangeNote(QStringView name, qsizetype count)
{
    if (name.indexOf(u';') < 0)
        return QString();
    const std::optional<TBAttributeRange> range = TBAttributeRangeOption(name);
    if (!range || range->complete)
        return QString();
    return count == 1 ? QStringLiteral("partial list: 1 value came; the directory has more")
                      : QStringLiteral("partial list: %1 values came; the directory has more").arg(count);
}
