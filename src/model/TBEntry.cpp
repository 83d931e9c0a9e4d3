#include "TBEntry.h"

#include "TBPreferences.h"

#include <QDateTime>
#include <QHash>

#include <limits>

namespace {

constexpr quint32 maxIndex = std::numeric_limits<quint32>::max();
constexpr qsizetype maxAttributes = std::numeric_limits<quint16>::max();

bool isExactlyDN(const QString& name)
{
    return name.size() == 2 && name.at(0) == u'd' && name.at(1) == u'n';
}

} // namespace

// Append-only; once shared by several entries it is only appended to by their builder, and an
// entry that meets a new name later takes a copy of its own.
struct TBEntry::Names
{
    QList<QString> spellings;
    QList<size_t> hashes; // foldedHash per spelling
    QList<quint32> folds; // per spelling: the first spelling equal to it but for case
    QHash<QString, quint32> ids;
    QMultiHash<size_t, quint32> byHash;

    quint32 intern(const QString& name)
    {
        const auto known = ids.constFind(name);
        if (known != ids.constEnd())
            return *known;
        const quint32 id = quint32(spellings.size());
        const size_t hash = TBEntry::foldedHash(name);
        quint32 fold = id;
        for (auto it = byHash.constFind(hash); it != byHash.constEnd() && it.key() == hash; ++it) {
            if (QString::compare(spellings[*it], name, Qt::CaseInsensitive) == 0) {
                fold = folds[*it];
                break;
            }
        }
        spellings.append(name);
        hashes.append(hash);
        folds.append(fold);
        ids.insert(name, id);
        byHash.insert(hash, id);
        return id;
    }

    // The fold of a name not interned; -1 when no spelling of it is known.
    qint64 foldOf(const QString& name) const
    {
        const auto known = ids.constFind(name);
        if (known != ids.constEnd())
            return folds[*known];
        const size_t hash = TBEntry::foldedHash(name);
        for (auto it = byHash.constFind(hash); it != byHash.constEnd() && it.key() == hash; ++it) {
            if (QString::compare(spellings[*it], name, Qt::CaseInsensitive) == 0)
                return folds[*it];
        }
        return -1;
    }
};

TBEntry::TBEntry() = default;

TBEntry::TBEntry(const TBEntry& other)
    : m_names(other.m_names)
    , m_dn(other.m_dn)
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
        m_names = other.m_names;
        m_dn = other.m_dn;
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

quint32 TBEntry::nameID(const QString& name)
{
    if (!m_names) {
        m_names = std::make_shared<Names>();
    } else if (m_names.use_count() > 1 && !m_names->ids.contains(name)) {
        m_names = std::make_shared<Names>(*m_names);
    }
    return m_names->intern(name);
}

qsizetype TBEntry::findAttribute(quint32 nameID) const
{
    const quint32 fold = m_names->folds[nameID];
    for (qsizetype i = 0; i < m_info.size(); ++i) {
        const quint32 name = m_info[i].name;
        if (name == nameID || m_names->folds[name] == fold)
            return i;
    }
    return -1;
}

void TBEntry::addValue(quint32 nameID, SlotKind kind, QByteArrayView bytes, const TBPicture* picture)
{
    if (quint64(m_slots.size()) >= maxIndex)
        return;
    qsizetype index = findAttribute(nameID);
    if (index < 0) {
        if (m_info.size() >= maxAttributes)
            return;
        index = m_info.size();
        m_info.append(AttributeInfo {nameID, quint32(m_slots.size()), 0});
    }
    Slot slot {};
    slot.kind = kind;
    slot.attribute = quint16(index);
    if (kind == SlotPicture) {
        slot.offset = quint32(m_pictures.size());
        m_pictures.append(*picture);
        m_hasPhoto = true;
    } else {
        if (quint64(m_blob.size()) + quint64(bytes.size()) > maxIndex)
            return;
        slot.offset = quint32(m_blob.size());
        slot.length = quint32(bytes.size());
        m_blob.append(bytes.data(), bytes.size());
    }
    AttributeInfo& info = m_info[index];
    if (info.count == 0)
        info.firstSlot = quint32(m_slots.size());
    ++info.count;
    m_slots.append(slot);
    if (kind == SlotText && isExactlyDN(m_names->spellings[nameID]))
        m_dn = QString::fromUtf8(bytes);
}

void TBEntry::addAttribute(const QString& name, const QString& value)
{
    if (name.isEmpty() || value.isEmpty())
        return;
    addValue(nameID(name), SlotText, value.toUtf8(), nullptr);
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
    if (!isImage) {
        addValue(nameID(name), SlotBytes, data, nullptr);
        return;
    }
    const TBPicture picture = TBPicture::fromData(data);
    if (picture.isNull())
        addValue(nameID(name), SlotText, "<Could not decode image data>", nullptr);
    else
        addValue(nameID(name), SlotPicture, {}, &picture);
}

void TBEntry::addAttribute(const QString& name, const TBValue& value)
{
    switch (value.kind()) {
    case TBValue::Text:
        addAttribute(name, value.text());
        break;
    case TBValue::Bytes:
        addAttribute(name, value.bytes(), false);
        break;
    case TBValue::Picture:
        if (!name.isEmpty() && !value.picture().isNull()) {
            const TBPicture picture = value.picture();
            addValue(nameID(name), SlotPicture, {}, &picture);
        }
        break;
    case TBValue::Null:
        break;
    }
}

QStringList TBEntry::attributes() const
{
    QStringList names;
    names.reserve(m_info.size());
    for (const AttributeInfo& info : m_info)
        names.append(m_names->spellings[info.name]);
    return names;
}

QString TBEntry::attributeAt(qsizetype index) const
{
    if (index < 0 || index >= m_info.size())
        return QString();
    return m_names->spellings[m_info[index].name];
}

qsizetype TBEntry::indexOfAttribute(const QString& name) const
{
    if (!m_names || m_info.isEmpty())
        return -1;
    const qint64 fold = m_names->foldOf(name);
    if (fold < 0)
        return -1;
    for (qsizetype i = 0; i < m_info.size(); ++i) {
        if (m_names->folds[m_info[i].name] == quint32(fold))
            return i;
    }
    return -1;
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
        if (m_slots[s].attribute == index)
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
    m_info.squeeze();
    m_slots.squeeze();
    m_blob.squeeze();
    m_pictures.squeeze();
}

qsizetype TBEntry::heapSize() const
{
    qsizetype size = m_dn.capacity() * 2 + m_info.capacity() * qsizetype(sizeof(AttributeInfo))
        + m_slots.capacity() * qsizetype(sizeof(Slot)) + m_blob.capacity()
        + m_pictures.capacity() * qsizetype(sizeof(TBPicture));
    for (const TBPicture& picture : m_pictures)
        size += picture.data().size();
    return size;
}

TBEntryBuilder::TBEntryBuilder()
{
    m_entry.m_names = std::make_shared<TBEntry::Names>();
}

TBEntryBuilder::~TBEntryBuilder() = default;

quint32 TBEntryBuilder::nameID(const QString& name)
{
    return m_entry.m_names->intern(name);
}

void TBEntryBuilder::addText(quint32 nameID, QByteArrayView utf8)
{
    if (!utf8.isEmpty() && !m_entry.m_names->spellings[nameID].isEmpty())
        m_entry.addValue(nameID, TBEntry::SlotText, utf8, nullptr);
}

void TBEntryBuilder::addBytes(quint32 nameID, QByteArrayView bytes)
{
    if (!bytes.isEmpty() && !m_entry.m_names->spellings[nameID].isEmpty())
        m_entry.addValue(nameID, TBEntry::SlotBytes, bytes, nullptr);
}

void TBEntryBuilder::addPictureData(quint32 nameID, QByteArrayView bytes)
{
    if (bytes.isEmpty() || m_entry.m_names->spellings[nameID].isEmpty())
        return;
    const TBPicture picture = TBPicture::fromData(bytes.toByteArray());
    if (picture.isNull())
        m_entry.addValue(nameID, TBEntry::SlotText, "<Could not decode image data>", nullptr);
    else
        m_entry.addValue(nameID, TBEntry::SlotPicture, {}, &picture);
}

TBEntryPtr TBEntryBuilder::take()
{
    // Exact-size copies; the builder keeps its buffers' capacity for the next entry.
    TBEntry& from = m_entry;
    auto entry = std::make_shared<TBEntry>();
    entry->m_names = from.m_names;
    entry->m_dn = std::move(from.m_dn);
    entry->m_hasPhoto = from.m_hasPhoto;
    if (!from.m_info.isEmpty())
        entry->m_info = QList<TBEntry::AttributeInfo>(from.m_info.cbegin(), from.m_info.cend());
    if (!from.m_slots.isEmpty())
        entry->m_slots = QList<TBEntry::Slot>(from.m_slots.cbegin(), from.m_slots.cend());
    if (!from.m_blob.isEmpty())
        entry->m_blob = QByteArray(from.m_blob.constData(), from.m_blob.size());
    if (!from.m_pictures.isEmpty())
        entry->m_pictures = QList<TBPicture>(from.m_pictures.cbegin(), from.m_pictures.cend());

    from.m_dn = QString();
    from.m_hasPhoto = false;
    from.m_info.resize(0);
    from.m_slots.resize(0);
    from.m_blob.resize(0);
    from.m_pictures.resize(0);
    return entry;
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
