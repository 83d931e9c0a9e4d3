#include "TBPropertyList.h"

#include "TBFileWriter.h"

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QMetaType>
#include <QStringList>
#include <QVariantHash>
#include <QVariantList>
#include <QVariantMap>

#include <plist/plist.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace {

// libplist recurses once per nesting level and keeps every node of a binary plist's object graph
// expanded, so damaged or hostile input is measured before libplist sees it: too deep a tree
// would overflow the stack, and a binary plist whose objects share children can expand
// exponentially. Real files stay far below both bounds.
constexpr int kMaxDepth = 512;
constexpr qint64 kMaxExpandedObjects = 4'000'000;
constexpr qint64 kMaxInputSize = 256LL * 1024 * 1024;

// Seconds from 1970-01-01 to 2001-01-01, the property-list date epoch.
constexpr qint64 kPlistEpochOffset = 978307200;

struct PlistFree
{
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

// --- Checks on the raw input -------------------------------------------------------------------

bool startsWith(const char* p, const char* end, const char* prefix)
{
    const size_t n = std::strlen(prefix);
    return size_t(end - p) >= n && std::memcmp(p, prefix, n) == 0;
}

const char* findText(const char* p, const char* end, const char* needle)
{
    const size_t n = std::strlen(needle);
    for (; size_t(end - p) >= n; ++p) {
        if (std::memcmp(p, needle, n) == 0)
            return p + n;
    }
    return nullptr;
}

// Deepest element nesting of an XML document, or -1 once it exceeds kMaxDepth. Comments, CDATA,
// processing instructions and declarations are skipped the way an XML parser skips them, and
// quoted attribute values may hide neither a '>' nor a '/'.
int xmlNestingDepth(const QByteArray& data)
{
    const char* p = data.constData();
    const char* end = p + data.size();
    int depth = 0;
    int deepest = 0;
    while (p < end) {
        if (*p != '<') {
            ++p;
            continue;
        }
        const char* next = nullptr;
        if (startsWith(p, end, "<!--")) {
            next = findText(p + 4, end, "-->");
        } else if (startsWith(p, end, "<![CDATA[")) {
            next = findText(p + 9, end, "]]>");
        } else if (startsWith(p, end, "<?")) {
            next = findText(p + 2, end, "?>");
        } else if (startsWith(p, end, "<!")) {
            int brackets = 0;
            for (const char* q = p + 2; q < end; ++q) {
                if (*q == '[') {
                    ++brackets;
                } else if (*q == ']') {
                    --brackets;
                } else if (*q == '>' && brackets <= 0) {
                    next = q + 1;
                    break;
                }
            }
        } else {
            const bool closing = (p + 1 < end && p[1] == '/');
            char quote = 0;
            const char* q = p + 1;
            for (; q < end; ++q) {
                if (quote) {
                    if (*q == quote)
                        quote = 0;
                } else if (*q == '"' || *q == '\'') {
                    quote = *q;
                } else if (*q == '>') {
                    break;
                }
            }
            if (q >= end)
                break;
            next = q + 1;
            if (closing) {
                --depth;
            } else if (q[-1] != '/') {
                if (++depth > kMaxDepth)
                    return -1;
                deepest = std::max(deepest, depth);
            }
        }
        if (!next)
            break;
        p = next;
    }
    return deepest;
}

// The object graph of a binary property list ("bplist00"): offsets, references, cycles, depth and
// the number of nodes it expands to. False (with a reason) when libplist must not be given it.
class BinaryPlistCheck
{
public:
    explicit BinaryPlistCheck(const QByteArray& data)
        : m_data(reinterpret_cast<const uchar*>(data.constData()))
        , m_size(quint64(data.size()))
    { }

    bool run(QString* reason)
    {
        if (m_size < 8 + 32) {
            *reason = QStringLiteral("the binary property list is truncated");
            return false;
        }
        const uchar* trailer = m_data + m_size - 32;
        m_offsetSize = trailer[6];
        m_refSize = trailer[7];
        m_objectCount = readUInt(trailer + 8, 8);
        const quint64 top = readUInt(trailer + 16, 8);
        m_offsetTable = readUInt(trailer + 24, 8);
        if (m_offsetSize < 1 || m_offsetSize > 8 || m_refSize < 1 || m_refSize > 8 || m_objectCount == 0
            || top >= m_objectCount || m_offsetTable < 8 || m_offsetTable >= m_size - 32
            || m_objectCount > (m_size - 32 - m_offsetTable) / m_offsetSize) {
            *reason = QStringLiteral("the binary property list is damaged");
            return false;
        }
        m_state.assign(m_objectCount, Unvisited);
        m_expanded.assign(m_objectCount, 0);
        m_height.assign(m_objectCount, 0);
        if (!visit(top, 1)) {
            *reason = m_reason;
            return false;
        }
        return true;
    }

private:
    enum State : uchar { Unvisited, InProgress, Done };

    quint64 readUInt(const uchar* p, int n) const
    {
        quint64 v = 0;
        for (int i = 0; i < n; ++i)
            v = (v << 8) | p[i];
        return v;
    }

    bool fail(const QString& reason)
    {
        m_reason = reason;
        return false;
    }

    // The element count after an object's marker (in the marker, or as an integer object that
    // follows it); pos moves past it. False when it runs past the objects.
    bool readCount(uchar marker, quint64& pos, quint64& count) const
    {
        count = marker & 0x0F;
        if (count != 0x0F)
            return true;
        if (pos >= m_offsetTable || (m_data[pos] >> 4) != 0x1)
            return false;
        const int bytes = 1 << (m_data[pos] & 0x3);
        if (pos + 1 + bytes > m_offsetTable)
            return false;
        count = readUInt(m_data + pos + 1, bytes);
        pos += 1 + bytes;
        return true;
    }

    // Whether the object is a string without NUL characters (libplist aborts on other keys).
    bool isPlainKey(quint64 index) const
    {
        const quint64 offset = readUInt(m_data + m_offsetTable + index * m_offsetSize, m_offsetSize);
        if (offset < 8 || offset >= m_offsetTable)
            return false;
        const uchar marker = m_data[offset];
        const int kind = marker >> 4;
        if (kind != 0x5 && kind != 0x6)
            return false;
        quint64 pos = offset + 1;
        quint64 count = 0;
        if (!readCount(marker, pos, count))
            return false;
        const int unit = (kind == 0x6) ? 2 : 1;
        if (count > (m_offsetTable - pos) / unit)
            return false;
        for (quint64 i = 0; i < count; ++i) {
            const uchar* c = m_data + pos + i * unit;
            if (c[0] == 0 && (unit == 1 || c[1] == 0))
                return false;
        }
        return true;
    }

    bool visit(quint64 index, int depth)
    {
        if (depth > kMaxDepth)
            return fail(QStringLiteral("the property list is nested too deeply"));
        if (m_state[index] == InProgress)
            return fail(QStringLiteral("the binary property list refers to itself"));
        if (m_state[index] == Done) {
            if (depth + m_height[index] - 1 > kMaxDepth)
                return fail(QStringLiteral("the property list is nested too deeply"));
            return true;
        }
        m_state[index] = InProgress;

        const quint64 offset = readUInt(m_data + m_offsetTable + index * m_offsetSize, m_offsetSize);
        if (offset < 8 || offset >= m_offsetTable)
            return fail(QStringLiteral("the binary property list is damaged"));
        const uchar marker = m_data[offset];
        const int kind = marker >> 4;
        qint64 expanded = 1;
        int height = 1;
        if (kind == 0xA || kind == 0xC || kind == 0xD) {
            quint64 pos = offset + 1;
            quint64 count = 0;
            if (!readCount(marker, pos, count))
                return fail(QStringLiteral("the binary property list is damaged"));
            const quint64 refs = (kind == 0xD) ? count * 2 : count;
            if (count > m_offsetTable || refs > (m_offsetTable - pos) / m_refSize)
                return fail(QStringLiteral("the binary property list is damaged"));
            for (quint64 i = 0; i < refs; ++i) {
                const quint64 child = readUInt(m_data + pos + i * m_refSize, m_refSize);
                if (child >= m_objectCount)
                    return fail(QStringLiteral("the binary property list is damaged"));
                if (kind == 0xD && i < count && !isPlainKey(child))
                    return fail(QStringLiteral("a dictionary key of the binary property list is not plain text"));
                if (!visit(child, depth + 1))
                    return false;
                expanded = std::min(expanded + m_expanded[child], kMaxExpandedObjects + 1);
                height = std::max(height, m_height[child] + 1);
            }
            if (expanded > kMaxExpandedObjects)
                return fail(QStringLiteral("the binary property list expands to too many objects"));
        }
        m_expanded[index] = expanded;
        m_height[index] = height;
        m_state[index] = Done;
        return true;
    }

    const uchar* m_data;
    quint64 m_size;
    int m_offsetSize = 0;
    int m_refSize = 0;
    quint64 m_objectCount = 0;
    quint64 m_offsetTable = 0;
    std::vector<State> m_state;
    std::vector<qint64> m_expanded;
    std::vector<int> m_height;
    QString m_reason;
};

// --- libplist to QVariant ----------------------------------------------------------------------

// libplist 2.2 keeps every integer in 64 bits and marks only those written as unsigned 128-bit
// (values above INT64_MAX) apart; its XML form tells which of the two a large value is.
bool isLargeUnsigned(plist_t node)
{
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(node, &xml, &length);
    if (!xml)
        return false;
    const bool negative = QByteArray::fromRawData(xml, int(length)).contains("<integer>-");
    plist_to_xml_free(xml);
    return !negative;
}

QVariant toVariant(plist_t node, int depth, QString* error)
{
    if (depth > kMaxDepth) {
        setError(error, QStringLiteral("the property list is nested too deeply"));
        return QVariant();
    }
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return QVariant(value != 0);
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        if (value > uint64_t(std::numeric_limits<qint64>::max()) && isLargeUnsigned(node))
            return QVariant(quint64(value));
        return QVariant(qint64(value));
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return QVariant(value);
    }
    case PLIST_STRING: {
        uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        return QVariant(text ? QString::fromUtf8(text, qsizetype(length)) : QString(QLatin1String("")));
    }
    case PLIST_DATA: {
        uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        return QVariant(bytes ? QByteArray(bytes, qsizetype(length)) : QByteArray(""));
    }
    case PLIST_DATE: {
        int32_t sec = 0;
        int32_t usec = 0;
        plist_get_date_val(node, &sec, &usec);
        const qint64 ms = (qint64(sec) + kPlistEpochOffset) * 1000 + usec / 1000;
        return QVariant(QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC));
    }
    case PLIST_ARRAY: {
        QVariantList list;
        const uint32_t count = plist_array_get_size(node);
        list.reserve(count);
        for (uint32_t i = 0; i < count; ++i) {
            const QVariant item = toVariant(plist_array_get_item(node, i), depth + 1, error);
            if (!item.isValid())
                return QVariant();
            list.append(item);
        }
        return QVariant(list);
    }
    case PLIST_DICT: {
        QVariantMap map;
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(node, &iter);
        if (!iter)
            return QVariant(map);
        bool ok = true;
        for (;;) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, iter, &key, &value);
            if (!value) {
                std::free(key);
                break;
            }
            const QString name = key ? QString::fromUtf8(key) : QString(QLatin1String(""));
            std::free(key);
            const QVariant item = toVariant(value, depth + 1, error);
            if (!item.isValid()) {
                ok = false;
                break;
            }
            map.insert(name, item);
        }
        std::free(iter);
        return ok ? QVariant(map) : QVariant();
    }
    case PLIST_UID: {
        // Keyed-archive references; their XML form is this one-key dictionary.
        uint64_t value = 0;
        plist_get_uid_val(node, &value);
        return QVariant(QVariantMap {{QStringLiteral("CF$UID"), QVariant(qint64(value))}});
    }
    default:
        setError(error, QStringLiteral("the property list holds a value of an unknown kind"));
        return QVariant();
    }
}

// --- QVariant to libplist ----------------------------------------------------------------------

int typeId(const QVariant& v)
{
    return v.metaType().id();
}

bool isIntegerType(int id)
{
    switch (id) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

bool isUnsignedType(int id)
{
    return id == QMetaType::UInt || id == QMetaType::ULongLong || id == QMetaType::ULong || id == QMetaType::UShort
        || id == QMetaType::UChar;
}

plist_t newLargeUnsigned(quint64 value)
{
    // The C API only creates 64-bit signed-looking integers; the XML reader makes the unsigned kind.
    const QByteArray xml = "<plist><integer>" + QByteArray::number(value) + "</integer></plist>";
    plist_t node = nullptr;
    plist_from_xml(xml.constData(), uint32_t(xml.size()), &node);
    return node;
}

plist_t fromVariant(const QVariant& v, int depth, QString* error);

bool appendChildren(plist_t array, const QVariantList& list, int depth, QString* error)
{
    for (const QVariant& item : list) {
        plist_t child = fromVariant(item, depth + 1, error);
        if (!child)
            return false;
        plist_array_append_item(array, child);
    }
    return true;
}

template<typename Map>
bool setItems(plist_t dict, const Map& map, int depth, QString* error)
{
    for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
        if (it.key().contains(QChar(0))) {
            setError(error, QStringLiteral("a dictionary key contains a NUL character"));
            return false;
        }
        plist_t child = fromVariant(it.value(), depth + 1, error);
        if (!child)
            return false;
        plist_dict_set_item(dict, it.key().toUtf8().constData(), child);
    }
    return true;
}

plist_t fromVariant(const QVariant& v, int depth, QString* error)
{
    if (depth > kMaxDepth) {
        setError(error, QStringLiteral("the value is nested too deeply"));
        return nullptr;
    }
    const int id = typeId(v);
    if (id == QMetaType::Bool)
        return plist_new_bool(v.toBool() ? 1 : 0);
    if (isIntegerType(id)) {
        if (isUnsignedType(id)) {
            const quint64 value = v.toULongLong();
            if (value > quint64(std::numeric_limits<qint64>::max()))
                return newLargeUnsigned(value);
            return plist_new_uint(value);
        }
        return plist_new_uint(uint64_t(v.toLongLong()));
    }
    if (id == QMetaType::Double || id == QMetaType::Float)
        return plist_new_real(v.toDouble());
    if (id == QMetaType::QString) {
        const QString text = v.toString();
        // libplist keeps C strings: a NUL would silently cut the text short.
        if (text.contains(QChar(0))) {
            setError(error, QStringLiteral("a string contains a NUL character"));
            return nullptr;
        }
        return plist_new_string(text.toUtf8().constData());
    }
    if (id == QMetaType::QByteArray) {
        const QByteArray bytes = v.toByteArray();
        return plist_new_data(bytes.constData(), uint64_t(bytes.size()));
    }
    if (id == QMetaType::QDateTime) {
        const QDateTime date = v.toDateTime();
        if (!date.isValid()) {
            setError(error, QStringLiteral("a date is invalid"));
            return nullptr;
        }
        const qint64 ms = date.toMSecsSinceEpoch() - kPlistEpochOffset * 1000;
        qint64 sec = ms / 1000;
        qint64 msRest = ms % 1000;
        if (msRest < 0) {
            msRest += 1000;
            sec -= 1;
        }
        if (sec < std::numeric_limits<int32_t>::min() || sec > std::numeric_limits<int32_t>::max()) {
            setError(error, QStringLiteral("a date lies outside the years a property list can hold"));
            return nullptr;
        }
        return plist_new_date(int32_t(sec), int32_t(msRest * 1000));
    }
    if (id == QMetaType::QVariantList || id == QMetaType::QStringList) {
        PlistPtr array(plist_new_array());
        if (!appendChildren(array.get(), v.toList(), depth, error))
            return nullptr;
        return array.release();
    }
    if (id == QMetaType::QVariantMap) {
        PlistPtr dict(plist_new_dict());
        if (!setItems(dict.get(), v.toMap(), depth, error))
            return nullptr;
        return dict.release();
    }
    if (id == QMetaType::QVariantHash) {
        PlistPtr dict(plist_new_dict());
        if (!setItems(dict.get(), v.toHash(), depth, error))
            return nullptr;
        return dict.release();
    }
    setError(error,
             v.isValid() ? QStringLiteral("a value of type %1 has no property list form")
                               .arg(QString::fromLatin1(v.metaType().name()))
                         : QStringLiteral("an empty value has no property list form"));
    return nullptr;
}

} // namespace

QVariant TBPropertyList::fromData(const QByteArray& data, QString* error)
{
    if (data.isEmpty()) {
        setError(error, QStringLiteral("the property list is empty"));
        return QVariant();
    }
    if (data.size() > kMaxInputSize) {
        setError(error, QStringLiteral("the property list is too large"));
        return QVariant();
    }
    const bool binary = plist_is_binary(data.constData(), uint32_t(data.size())) != 0;
    if (binary) {
        QString reason;
        if (!BinaryPlistCheck(data).run(&reason)) {
            setError(error, reason);
            return QVariant();
        }
    } else if (xmlNestingDepth(data) < 0) {
        setError(error, QStringLiteral("the property list is nested too deeply"));
        return QVariant();
    }

    plist_t raw = nullptr;
    plist_from_memory(data.constData(), uint32_t(data.size()), &raw);
    PlistPtr root(raw);
    if (!root) {
        setError(error,
                 binary ? QStringLiteral("the data is not a readable binary property list")
                        : QStringLiteral("the data is not a readable XML property list"));
        return QVariant();
    }
    return toVariant(root.get(), 1, error);
}

QVariant TBPropertyList::readFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("cannot open %1: %2").arg(path, file.errorString()));
        return QVariant();
    }
    if (file.size() > kMaxInputSize) {
        setError(error, QStringLiteral("%1 is too large to be a property list").arg(path));
        return QVariant();
    }
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        setError(error, QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        return QVariant();
    }
    QString reason;
    const QVariant root = fromData(data, &reason);
    if (!root.isValid())
        setError(error, QStringLiteral("%1: %2").arg(path, reason));
    return root;
}

QByteArray TBPropertyList::toXml(const QVariant& root, QString* error)
{
    PlistPtr node(fromVariant(root, 1, error));
    if (!node)
        return QByteArray();
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(node.get(), &xml, &length);
    if (!xml) {
        setError(error, QStringLiteral("the property list could not be written as XML"));
        return QByteArray();
    }
    QByteArray result(xml, qsizetype(length));
    plist_to_xml_free(xml);
    return result;
}

bool TBPropertyList::writeFile(const QString& path, const QVariant& root, QString* error)
{
    const QByteArray xml = toXml(root, error);
    if (xml.isEmpty())
        return false;
    TBFileError failure;
    if (TBFileWriter::write(path, xml, &failure))
        return true;
    setError(error, QStringLiteral("cannot write %1: %2").arg(path, failure.description));
    return false;
}

bool TBPropertyList::isString(const QVariant& v)
{
    return typeId(v) == QMetaType::QString;
}

bool TBPropertyList::isNumber(const QVariant& v)
{
    const int id = typeId(v);
    return isInteger(v) || id == QMetaType::Double || id == QMetaType::Float;
}

bool TBPropertyList::isInteger(const QVariant& v)
{
    const int id = typeId(v);
    return id == QMetaType::Bool || isIntegerType(id);
}

bool TBPropertyList::isArray(const QVariant& v)
{
    const int id = typeId(v);
    return id == QMetaType::QVariantList || id == QMetaType::QStringList;
}

bool TBPropertyList::isDictionary(const QVariant& v)
{
    const int id = typeId(v);
    return id == QMetaType::QVariantMap || id == QMetaType::QVariantHash;
}

bool TBPropertyList::isData(const QVariant& v)
{
    return typeId(v) == QMetaType::QByteArray;
}

bool TBPropertyList::hasPropertyListForm(const QVariant& v, QString* error)
{
    PlistPtr node(fromVariant(v, 1, error));
    return node != nullptr;
}
