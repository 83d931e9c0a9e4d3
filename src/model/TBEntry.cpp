#include "TBEntry.h"

#include "TBPreferences.h"

#include <QDateTime>

#include <limits>

namespace {

constexpr quint32 maxIndex = std::numeric_limits<quint32>::max();

bool isExactlyDN(const QString& name)
{
    return name.size() == 2 && name.at(0) == u'd' && name.at(1) == u'n';
}

} // namespace

TBEntry::TBEntry()
{
    m_attributes.reserve(10);
}

TBEntry::TBEntry(const TBEntry& other)
    : m_dn(other.m_dn)
    , m_attributes(other.m_attributes)
    , m_info(other.m_info)
    , m_slots(other.m_slots)
    , m_blob(other.m_blob)
    , m_pictures(other.m_pictures)
    , m_imageCount(other.m_imageCount)
    , m_hasPhoto(other.m_hasPhoto)
{ }

TBEntry& TBEntry::operator=(const TBEntry& other)
{
    if (this != &other) {
        m_dn = other.m_dn;
        m_attributes = other.m_attributes;
        m_info = other.m_info;
        m_slots = other.m_slots;
        m_blob = other.m_blob;
        m_pictures = other.m_pictures;
        m_imageCount = other.m_imageCount;
        m_hasPhoto = other.m_hasPhoto;
        m_rendering.reset();
    }
    return *this;
}

TBEntry::~TBEntry() = default;

size_t TBEntry::foldedHash(QStringView name)
{
    // FNV-1a over case-folded code points, so it agrees with case-insensitive comparison.
    size_t hash = 14695981039346656037ULL;
    const qsizetype n = name.size();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = name[i].unicode();
        if (c < 0x80) {
            if (c >= 'A' && c <= 'Z')
                c += 'a' - 'A';
        } else {
            if (QChar::isHighSurrogate(c) && i + 1 < n && name[i + 1].isLowSurrogate()) {
                c = QChar::surrogateToUcs4(char16_t(c), name[i + 1].unicode());
                ++i;
            }
            c = QChar::toCaseFolded(c);
        }
        hash = (hash ^ c) * 1099511628211ULL;
    }
    return hash;
}

qsizetype TBEntry::findAttribute(const QString& name, size_t hash) const
{
    for (qsizetype i = 0; i < m_info.size(); ++i) {
        if (m_info[i].hash != hash)
            continue;
        const QString& have = m_attributes[i];
        // The parser hands the same shared string for every line of one name.
        if (have.constData() == name.constData() && have.size() == name.size())
            return i;
        if (QString::compare(have, name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

qsizetype TBEntry::attributeFor(const QString& name, size_t hash)
{
    const qsizetype i = findAttribute(name, hash);
    if (i >= 0)
        return i;
    if (quint64(m_attributes.size()) >= maxIndex)
        return -1;
    m_attributes.append(name);
    m_info.append(AttributeInfo {hash, quint32(m_slots.size()), 0});
    return m_attributes.size() - 1;
}

void TBEntry::appendSlot(const QString& name, size_t hash, SlotKind kind, QByteArrayView bytes, quint32 pictureIndex)
{
    if (quint64(m_slots.size()) >= maxIndex)
        return;
    Slot slot {};
    slot.kind = kind;
    if (kind == SlotPicture) {
        slot.offset = pictureIndex;
    } else {
        if (quint64(m_blob.size()) + quint64(bytes.size()) > maxIndex)
            return;
        slot.offset = quint32(m_blob.size());
        slot.length = quint32(bytes.size());
    }
    const qsizetype index = attributeFor(name, hash);
    if (index < 0)
        return;
    if (kind != SlotPicture)
        m_blob.append(bytes.data(), bytes.size());
    AttributeInfo& info = m_info[index];
    if (info.count == 0)
        info.firstSlot = quint32(m_slots.size());
    ++info.count;
    slot.attribute = quint32(index);
    m_slots.append(slot);
}

void TBEntry::appendText(const QString& name, size_t nameHash, QByteArrayView utf8)
{
    if (name.isEmpty() || utf8.isEmpty())
        return;
    appendSlot(name, nameHash, SlotText, utf8, 0);
    if (isExactlyDN(name))
        m_dn = QString::fromUtf8(utf8);
}

void TBEntry::appendBytes(const QString& name, size_t nameHash, QByteArrayView bytes)
{
    if (name.isEmpty() || bytes.isEmpty())
        return;
    appendSlot(name, nameHash, SlotBytes, bytes, 0);
}

void TBEntry::appendPicture(const QString& name, size_t nameHash, const TBPicture& picture)
{
    if (name.isEmpty() || picture.isNull() || quint64(m_pictures.size()) >= maxIndex)
        return;
    const qsizetype before = m_slots.size();
    appendSlot(name, nameHash, SlotPicture, {}, quint32(m_pictures.size()));
    if (m_slots.size() == before)
        return;
    m_pictures.append(picture);
    m_hasPhoto = true;
}

void TBEntry::addAttribute(const QString& name, const QString& value)
{
    if (name.isEmpty() || value.isEmpty())
        return;
    appendText(name, foldedHash(name), value.toUtf8());
}

void TBEntry::addAttribute(const QString& name, const QByteArray& data)
{
    if (name.isEmpty() || data.isEmpty())
        return;
    addAttribute(name, data, TBPreferences::sharedPreferences()->isImageAttribute(name));
}

void TBEntry::addAttribute(const QString& name, const QByteArray& data, bool isImage)
{
    if (name.isEmpty() || data.isEmpty())
        return;
    const size_t hash = foldedHash(name);
    if (!isImage) {
        appendBytes(name, hash, data);
        return;
    }
    const TBPicture picture = TBPicture::fromData(data);
    if (picture.isNull())
        appendText(name, hash, "<Could not decode image data>");
    else
        appendPicture(name, hash, picture);
}

void TBEntry::addAttribute(const QString& name, const TBValue& value)
{
    switch (value.kind()) {
    case TBValue::Text:
        addAttribute(name, value.text());
        break;
    case TBValue::Bytes:
        appendBytes(name, foldedHash(name), value.bytes());
        break;
    case TBValue::Picture:
        appendPicture(name, foldedHash(name), value.picture());
        break;
    case TBValue::Null:
        break;
    }
}

qsizetype TBEntry::indexOfAttribute(const QString& name) const
{
    return findAttribute(name, foldedHash(name));
}

TBValue TBEntry::valueOfSlot(const Slot& slot) const
{
    switch (slot.kind) {
    case SlotText:
        return TBValue(QString::fromUtf8(m_blob.constData() + slot.offset, slot.length));
    case SlotBytes:
        return TBValue(QByteArray(m_blob.constData() + slot.offset, slot.length));
    case SlotPicture:
        return TBValue(m_pictures.at(slot.offset));
    }
    return TBValue();
}

TBValue TBEntry::valueAtIndex(qsizetype index) const
{
    if (index < 0 || index >= m_info.size() || m_info[index].count == 0)
        return TBValue();
    return valueOfSlot(m_slots.at(m_info[index].firstSlot));
}

QList<TBValue> TBEntry::valuesAtIndex(qsizetype index) const
{
    QList<TBValue> values;
    if (index < 0 || index >= m_info.size())
        return values;
    const AttributeInfo& info = m_info[index];
    values.reserve(info.count);
    for (qsizetype s = info.firstSlot; s < m_slots.size() && quint32(values.size()) < info.count; ++s) {
        if (m_slots[s].attribute == quint32(index))
            values.append(valueOfSlot(m_slots[s]));
    }
    return values;
}

qsizetype TBEntry::numValuesAtIndex(qsizetype index) const
{
    return index < 0 || index >= m_info.size() ? 0 : qsizetype(m_info[index].count);
}

TBValue TBEntry::valueForAttribute(const QString& name) const
{
    return valueAtIndex(indexOfAttribute(name));
}

QList<TBValue> TBEntry::allValuesForAttribute(const QString& name) const
{
    return valuesAtIndex(indexOfAttribute(name));
}

qsizetype TBEntry::numValuesForAttribute(const QString& name) const
{
    return numValuesAtIndex(indexOfAttribute(name));
}

QString TBEntry::firstPartOfDN() const
{
    const qsizetype comma = m_dn.indexOf(u',');
    return comma < 0 ? m_dn : m_dn.left(comma);
}

QString TBEntry::valueOfFirstPartOfDN() const
{
    const QString first = firstPartOfDN();
    const qsizetype equals = first.indexOf(u'=');
    return equals < 0 ? first : first.mid(equals + 1);
}

QString TBEntry::description() const
{
    return QStringLiteral("TBEntry - dn:") + m_dn;
}

void TBEntry::squeeze()
{
    m_attributes.squeeze();
    m_info.squeeze();
    m_slots.squeeze();
    m_blob.squeeze();
    m_pictures.squeeze();
}

qsizetype TBEntry::heapSize() const
{
    qsizetype size = m_dn.capacity() * 2 + m_attributes.capacity() * qsizetype(sizeof(QString))
        + m_info.capacity() * qsizetype(sizeof(AttributeInfo)) + m_slots.capacity() * qsizetype(sizeof(Slot))
        + m_blob.capacity() + m_pictures.capacity() * qsizetype(sizeof(TBPicture));
    for (const TBPicture& picture : m_pictures)
        size += picture.data().size();
    return size;
}

qint64 TBADTimestampValue(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    // Accumulate towards the sign so the smallest value is reachable.
    qint64 value = 0;
    for (; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        const int digit = text[i].unicode() - u'0';
        if (negative) {
            if (value < (std::numeric_limits<qint64>::min() + digit) / 10)
                return std::numeric_limits<qint64>::min();
            value = value * 10 - digit;
        } else {
            if (value > (std::numeric_limits<qint64>::max() - digit) / 10)
                return std::numeric_limits<qint64>::max();
            value = value * 10 + digit;
        }
    }
    return value;
}

namespace {

QString dateFormatForStyle(qint64 style, const QLocale& locale)
{
    switch (style) {
    case 0:
        return QString();
    case 2:
        return QStringLiteral("d MMM yyyy");
    case 3:
        return locale.dateFormat(QLocale::LongFormat);
    case 4: {
        QString format = locale.dateFormat(QLocale::LongFormat);
        if (!format.contains(QLatin1String("dddd")))
            format.prepend(QLatin1String("dddd, "));
        return format;
    }
    default:
        return locale.dateFormat(QLocale::ShortFormat);
    }
}

QString timeFormatForStyle(qint64 style, const QLocale& locale)
{
    switch (style) {
    case 0:
        return QString();
    case 2:
        return QStringLiteral("HH:mm:ss");
    case 3:
    case 4:
        return locale.timeFormat(QLocale::LongFormat);
    default:
        return locale.timeFormat(QLocale::ShortFormat);
    }
}

} // namespace

QString TBADTimestampToString(const QString& text)
{
    const TBPreferences* prefs = TBPreferences::sharedPreferences();
    return TBADTimestampToString(text, prefs->adTimestampDateFormat(), prefs->adTimestampTimeFormat());
}

QString TBADTimestampToString(const QString& text, qint64 dateStyle, qint64 timeStyle, const QLocale& locale)
{
    const qint64 ticks = TBADTimestampValue(text);
    if (ticks == 0)
        return QStringLiteral("0");
    // 100-ns ticks to seconds (truncated toward zero), then from 1601 to the Unix epoch.
    const qint64 seconds = ticks / 10000000 - Q_INT64_C(11644473600);
    const QDateTime time = QDateTime::fromSecsSinceEpoch(seconds);

    const QString dateFormat = dateFormatForStyle(dateStyle, locale);
    const QString timeFormat = timeFormatForStyle(timeStyle, locale);
    QString format = dateFormat;
    if (!dateFormat.isEmpty() && !timeFormat.isEmpty())
        format += u' ';
    format += timeFormat;
    if (format.isEmpty())
        return QString();
    return locale.toString(time, format);
}
