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

bool TBADTimestampMeansNever(QStringView attribute, qint64 ticks)
{
    return (ticks == 0 || ticks == TBADTimestampNever) && isBaseName(attribute, u"accountExpires");
}
