#include "TBEntry.h"

#include "TBAttributeRegistry.h"

#include <QDateTime>
#include <QHash>
#include <QRegularExpression>

#include <cstring>
#include <limits>
#include <vector>

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

namespace {

// Whether two spellings are one attribute.
bool sameAttribute(const QList<quint32>& folds, quint32 a, quint32 b)
{
    return a == b || folds[a] == folds[b];
}

} // namespace

TBEntry::TBEntry() = default;

TBEntry::TBEntry(const TBEntry& other)
    : m_names(other.m_names)
    , m_dn(other.m_dn)
    , m_store(other.m_store)
    , m_pictures(other.m_pictures)
    , m_attributeCount(other.m_attributeCount)
    , m_slotCount(other.m_slotCount)
    , m_imageCount(other.m_imageCount)
    , m_hasPhoto(other.m_hasPhoto)
{ }

TBEntry& TBEntry::operator=(const TBEntry& other)
{
    if (this != &other) {
        m_names = other.m_names;
        m_dn = other.m_dn;
        m_store = other.m_store;
        m_pictures = other.m_pictures;
        m_attributeCount = other.m_attributeCount;
        m_slotCount = other.m_slotCount;
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

TBEntry::AttributeInfo TBEntry::infoAt(qsizetype index) const
{
    AttributeInfo info;
    memcpy(&info, m_store.constData() + index * qsizetype(sizeof(AttributeInfo)), sizeof info);
    return info;
}

TBEntry::Slot TBEntry::slotAt(qsizetype index) const
{
    Slot slot;
    memcpy(&slot,
           m_store.constData() + qsizetype(m_attributeCount) * qsizetype(sizeof(AttributeInfo))
               + index * qsizetype(sizeof(Slot)),
           sizeof slot);
    return slot;
}

qsizetype TBEntry::valuesStart() const
{
    return qsizetype(m_attributeCount) * qsizetype(sizeof(AttributeInfo))
        + qsizetype(m_slotCount) * qsizetype(sizeof(Slot));
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
    for (qsizetype i = 0; i < qsizetype(m_attributeCount); ++i) {
        if (sameAttribute(m_names->folds, infoAt(i).name, nameID))
            return i;
    }
    return -1;
}

// One value added to a finished entry: the block is edited in place (the parser builds through
// TBEntryBuilder instead, which does not move anything).
void TBEntry::addValue(quint32 nameID, SlotKind kind, QByteArrayView bytes, const TBPicture* picture)
{
    if (m_slotCount >= maxIndex)
        return;
    if (kind != SlotPicture && quint64(m_store.size() - valuesStart()) + quint64(bytes.size()) > maxIndex)
        return;
    qsizetype index = findAttribute(nameID);
    if (index < 0) {
        if (m_attributeCount >= maxAttributes)
            return;
        index = m_attributeCount;
        const AttributeInfo info {nameID, m_slotCount, 0};
        m_store.insert(index * qsizetype(sizeof(AttributeInfo)),
                       QByteArrayView(reinterpret_cast<const char*>(&info), sizeof info));
        ++m_attributeCount;
    }
    Slot slot {};
    slot.kind = kind;
    slot.attribute = quint16(index);
    if (kind == SlotPicture) {
        slot.offset = quint32(m_pictures.size());
        m_pictures.append(*picture);
        m_hasPhoto = true;
    } else {
        slot.offset = quint32(m_store.size() - valuesStart());
        slot.length = quint32(bytes.size());
        m_store.append(bytes.data(), bytes.size());
    }
    const qsizetype slotPosition = qsizetype(m_attributeCount) * qsizetype(sizeof(AttributeInfo))
        + qsizetype(m_slotCount) * qsizetype(sizeof(Slot));
    m_store.insert(slotPosition, QByteArrayView(reinterpret_cast<const char*>(&slot), sizeof slot));

    AttributeInfo info = infoAt(index);
    if (info.count == 0)
        info.firstSlot = m_slotCount;
    ++info.count;
    memcpy(m_store.data() + index * qsizetype(sizeof(AttributeInfo)), &info, sizeof info);
    ++m_slotCount;

    if (kind == SlotText && isExactlyDN(m_names->spellings[nameID]))
        m_dn = QString::fromUtf8(bytes);
}

void TBEntry::addAttribute(const QString& name, const QString& value)
{
    if (name.isEmpty() || value.isEmpty())
        return;
    addValue(nameID(name), SlotText, value.toUtf8(), nullptr);
}

void TBEntry::addAttribute(const QString& name, const QByteArray& data, const TBAttributeRegistry& registry)
{
    if (name.isEmpty() || data.isEmpty())
        return;
    addAttribute(name, data, registry.isImageAttribute(name));
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
    names.reserve(m_attributeCount);
    for (qsizetype i = 0; i < qsizetype(m_attributeCount); ++i)
        names.append(m_names->spellings[infoAt(i).name]);
    return names;
}

QString TBEntry::attributeAt(qsizetype index) const
{
    if (index < 0 || index >= qsizetype(m_attributeCount))
        return QString();
    return m_names->spellings[infoAt(index).name];
}

qsizetype TBEntry::indexOfAttribute(const QString& name) const
{
    if (!m_names || m_attributeCount == 0)
        return -1;
    const qint64 fold = m_names->foldOf(name);
    if (fold < 0)
        return -1;
    for (qsizetype i = 0; i < qsizetype(m_attributeCount); ++i) {
        if (m_names->folds[infoAt(i).name] == quint32(fold))
            return i;
    }
    return -1;
}

TBValue TBEntry::valueOfSlot(const Slot& slot) const
{
    const char* values = m_store.constData() + valuesStart();
    switch (slot.kind) {
    case SlotText:
        return TBValue(QString::fromUtf8(values + slot.offset, slot.length));
    case SlotBytes:
        return TBValue(QByteArray(values + slot.offset, slot.length));
    case SlotPicture:
        return TBValue(m_pictures.at(slot.offset));
    }
    return TBValue();
}

TBValue TBEntry::valueAtIndex(qsizetype index) const
{
    if (index < 0 || index >= qsizetype(m_attributeCount))
        return TBValue();
    const AttributeInfo info = infoAt(index);
    return info.count == 0 ? TBValue() : valueOfSlot(slotAt(info.firstSlot));
}

QList<TBValue> TBEntry::valuesAtIndex(qsizetype index) const
{
    QList<TBValue> values;
    if (index < 0 || index >= qsizetype(m_attributeCount))
        return values;
    const AttributeInfo info = infoAt(index);
    values.reserve(info.count);
    for (qsizetype s = info.firstSlot; s < qsizetype(m_slotCount) && quint32(values.size()) < info.count; ++s) {
        const Slot slot = slotAt(s);
        if (slot.attribute == index)
            values.append(valueOfSlot(slot));
    }
    return values;
}

qsizetype TBEntry::numValuesAtIndex(qsizetype index) const
{
    return index < 0 || index >= qsizetype(m_attributeCount) ? 0 : qsizetype(infoAt(index).count);
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
    m_store.squeeze();
    m_pictures.squeeze();
}

qsizetype TBEntry::heapSize() const
{
    qsizetype size = m_dn.capacity() * 2 + m_store.capacity() + m_pictures.capacity() * qsizetype(sizeof(TBPicture));
    for (const TBPicture& picture : m_pictures)
        size += picture.data().size();
    return size;
}

struct TBEntryBuilder::Scratch
{
    std::shared_ptr<TBEntry::Names> names = std::make_shared<TBEntry::Names>();
    QString dn;
    std::vector<TBEntry::AttributeInfo> infoList;
    std::vector<TBEntry::Slot> slotList;
    QByteArray values;
    QList<TBPicture> pictures;
};

TBEntryBuilder::TBEntryBuilder()
    : d(std::make_unique<Scratch>())
{ }

TBEntryBuilder::~TBEntryBuilder() = default;

quint32 TBEntryBuilder::nameID(const QString& name)
{
    return d->names->intern(name);
}

void TBEntryBuilder::add(quint32 nameID, TBEntry::SlotKind kind, QByteArrayView bytes, const TBPicture* picture)
{
    if (d->names->spellings[nameID].isEmpty() || d->slotList.size() >= maxIndex)
        return;
    if (kind != TBEntry::SlotPicture && quint64(d->values.size()) + quint64(bytes.size()) > maxIndex)
        return;
    const QList<quint32>& folds = d->names->folds;
    size_t index = 0;
    while (index < d->infoList.size() && !sameAttribute(folds, d->infoList[index].name, nameID))
        ++index;
    if (index == d->infoList.size()) {
        if (index >= size_t(maxAttributes))
            return;
        d->infoList.push_back(TBEntry::AttributeInfo {nameID, quint32(d->slotList.size()), 0});
    }
    TBEntry::AttributeInfo& info = d->infoList[index];
    if (info.count == 0)
        info.firstSlot = quint32(d->slotList.size());
    ++info.count;

    TBEntry::Slot slot {};
    slot.kind = kind;
    slot.attribute = quint16(index);
    if (kind == TBEntry::SlotPicture) {
        slot.offset = quint32(d->pictures.size());
        d->pictures.append(*picture);
    } else {
        slot.offset = quint32(d->values.size());
        slot.length = quint32(bytes.size());
        d->values.append(bytes.data(), bytes.size());
    }
    d->slotList.push_back(slot);

    if (kind == TBEntry::SlotText && isExactlyDN(d->names->spellings[nameID]))
        d->dn = QString::fromUtf8(bytes);
}

void TBEntryBuilder::addText(quint32 nameID, QByteArrayView utf8)
{
    if (!utf8.isEmpty())
        add(nameID, TBEntry::SlotText, utf8, nullptr);
}

void TBEntryBuilder::addBytes(quint32 nameID, QByteArrayView bytes)
{
    if (!bytes.isEmpty())
        add(nameID, TBEntry::SlotBytes, bytes, nullptr);
}

void TBEntryBuilder::addPictureData(quint32 nameID, QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return;
    const TBPicture picture = TBPicture::fromData(bytes.toByteArray());
    if (picture.isNull())
        add(nameID, TBEntry::SlotText, "<Could not decode image data>", nullptr);
    else
        add(nameID, TBEntry::SlotPicture, {}, &picture);
}

TBEntryPtr TBEntryBuilder::take()
{
    auto entry = std::make_shared<TBEntry>();
    entry->m_names = d->names;
    entry->m_dn = std::move(d->dn);
    d->dn = QString();
    entry->m_attributeCount = quint32(d->infoList.size());
    entry->m_slotCount = quint32(d->slotList.size());
    entry->m_hasPhoto = !d->pictures.isEmpty();

    // One exact-size block; the builder keeps its buffers' capacity for the next entry.
    const qsizetype infoBytes = qsizetype(d->infoList.size() * sizeof(TBEntry::AttributeInfo));
    const qsizetype slotBytes = qsizetype(d->slotList.size() * sizeof(TBEntry::Slot));
    const qsizetype total = infoBytes + slotBytes + d->values.size();
    if (total > 0) {
        QByteArray store(total, Qt::Uninitialized);
        char* out = store.data();
        if (infoBytes > 0)
            memcpy(out, d->infoList.data(), size_t(infoBytes));
        if (slotBytes > 0)
            memcpy(out + infoBytes, d->slotList.data(), size_t(slotBytes));
        if (!d->values.isEmpty())
            memcpy(out + infoBytes + slotBytes, d->values.constData(), size_t(d->values.size()));
        entry->m_store = std::move(store);
    }
    if (!d->pictures.isEmpty())
        entry->m_pictures = QList<TBPicture>(d->pictures.cbegin(), d->pictures.cend());

    d->infoList.clear();
    d->slotList.clear();
    d->values.resize(0);
    d->pictures.resize(0);
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

// AD dates span 1601 to 30828; a two-digit year would make 1601 read as 2001.
QString withFourDigitYears(QString format)
{
    static const QRegularExpression twoDigitYear(QStringLiteral("(?<!y)yy(?!y)"));
    return format.replace(twoDigitYear, QStringLiteral("yyyy"));
}

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
        return withFourDigitYears(locale.dateFormat(QLocale::ShortFormat));
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

QString TBADTimestampToString(const QString& text, const TBADDateStyle& style)
{
    return TBADTimestampToString(text, style.dateFormat, style.timeFormat);
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
