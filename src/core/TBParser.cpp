#include "TBParser.h"

#include <QHash>

#include <cstring>
#include <deque>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// A physical line ends at LF, CR or NUL.
const char* findLineEnd(const char* p, const char* end)
{
#ifdef __SSE2__
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i nul = _mm_setzero_si128();
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i hit
            = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr)), _mm_cmpeq_epi8(v, nul));
        const int mask = _mm_movemask_epi8(hit);
        if (mask != 0)
            return p + __builtin_ctz(unsigned(mask));
        p += 16;
    }
#endif
    while (p < end && *p != '\n' && *p != '\r' && *p != '\0')
        ++p;
    return p;
}

bool isContinuation(uchar c)
{
    return (c & 0xC0) == 0x80;
}

bool isValidUtf8(QByteArrayView bytes)
{
    const auto* s = reinterpret_cast<const uchar*>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        if (n - i >= 8) {
            quint64 word;
            memcpy(&word, s + i, 8);
            if ((word & 0x8080808080808080ULL) == 0) {
                i += 8;
                continue;
            }
        }
        const uchar c = s[i];
        if (c < 0x80) {
            ++i;
        } else if (c < 0xC2) {
            return false; // a stray continuation byte or an overlong two-byte form
        } else if (c < 0xE0) {
            if (n - i < 2 || !isContinuation(s[i + 1]))
                return false;
            i += 2;
        } else if (c < 0xF0) {
            if (n - i < 3 || !isContinuation(s[i + 1]) || !isContinuation(s[i + 2]))
                return false;
            if ((c == 0xE0 && s[i + 1] < 0xA0) || (c == 0xED && s[i + 1] >= 0xA0)) // overlong, surrogate
                return false;
            i += 3;
        } else if (c < 0xF5) {
            if (n - i < 4 || !isContinuation(s[i + 1]) || !isContinuation(s[i + 2]) || !isContinuation(s[i + 3]))
                return false;
            if ((c == 0xF0 && s[i + 1] < 0x90) || (c == 0xF4 && s[i + 1] >= 0x90)) // overlong, beyond U+10FFFF
                return false;
            i += 4;
        } else {
            return false;
        }
    }
    return true;
}

constexpr uchar base64Skip = 0xFF;
constexpr uchar base64Pad = 0xFE;

struct Base64Table
{
    uchar value[256];
    constexpr Base64Table()
        : value()
    {
        for (int i = 0; i < 256; ++i)
            value[i] = base64Skip;
        for (int i = 0; i < 26; ++i) {
            value['A' + i] = uchar(i);
            value['a' + i] = uchar(26 + i);
        }
        for (int i = 0; i < 10; ++i)
            value['0' + i] = uchar(52 + i);
        value[uchar('+')] = 62;
        value[uchar('/')] = 63;
        value[uchar('=')] = base64Pad;
    }
};

constexpr Base64Table base64Table;

qsizetype base64Capacity(qsizetype textLength)
{
    return textLength / 4 * 3 + (textLength % 4) + 4;
}

// Decodes into out (base64Capacity bytes); the number of bytes, or -1 for a misplaced "=".
// Every character outside the alphabet is skipped; decoding goes on after padding, so
// concatenated groups decode in sequence; a trailing group of 2 or 3 characters gives 1 or 2
// bytes with or without padding. A "=" is padding only in the third place of a group when the
// very next character is "=" too, or in the fourth place.
qsizetype decodeBase64Into(QByteArrayView text, char* out)
{
    const auto* s = reinterpret_cast<const uchar*>(text.data());
    const qsizetype n = text.size();
    const uchar* table = base64Table.value;
    auto* o = reinterpret_cast<uchar*>(out);
    qsizetype k = 0;
    qsizetype i = 0;
    int position = 0;
    uchar current = 0;
    while (i < n) {
        // Whole groups of four alphabet characters, the usual case.
        if (position == 0) {
            while (n - i >= 4) {
                const uchar a = table[s[i]], b = table[s[i + 1]], c = table[s[i + 2]], d = table[s[i + 3]];
                if ((a | b | c | d) & 0xC0)
                    break;
                o[k] = uchar((a << 2) | (b >> 4));
                o[k + 1] = uchar((b << 4) | (c >> 2));
                o[k + 2] = uchar((c << 6) | d);
                k += 3;
                i += 4;
            }
            if (i >= n)
                break;
        }
        const uchar v = table[s[i]];
        if (v < 64) {
            switch (position) {
            case 0:
                current = uchar(v << 2);
                position = 1;
                break;
            case 1:
                o[k++] = uchar(current | (v >> 4));
                current = uchar(v << 4);
                position = 2;
                break;
            case 2:
                o[k++] = uchar(current | (v >> 2));
                current = uchar(v << 6);
                position = 3;
                break;
            default:
                o[k++] = uchar(current | v);
                position = 0;
                break;
            }
        } else if (v == base64Pad) {
            if (position == 3)
                position = 0;
            else if (position == 2 && i + 1 < n && s[i + 1] == '=')
                position = 3;
            else
                return -1;
        }
        ++i;
    }
    return k;
}

} // namespace

struct TBParser::State
{
    struct Name
    {
        quint32 id; // the builder's
        bool image;
        bool binary;
    };

    TBEntryBuilder builder;
    QHash<QByteArray, Name> names; // by the bytes as written
    QByteArray line; // a logical line joined from continuation lines
    QByteArray decoded; // base64 output

    Name nameFor(QByteArrayView raw, const TBAttributeKinds& kinds, QSet<QString>& returned)
    {
        const auto known = names.constFind(QByteArray::fromRawData(raw.data(), raw.size()));
        if (known != names.constEnd())
            return *known;
        const QString name = QString::fromUtf8(raw);
        const QString lower = name.toLower();
        returned.insert(lower);
        const Name made {builder.nameID(name), kinds.isImage(lower), kinds.isBinary(lower)};
        names.insert(raw.toByteArray(), made);
        return made;
    }
};

TBParser::TBParser(const QByteArray& data, bool decodeBase64, const TBAttributeKinds& kinds)
    : m_data(data)
    , m_kinds(kinds)
    , m_decodeBase64(decodeBase64)
{ }

TBParser::TBParser(const QByteArray& data, bool decodeBase64, const QSet<QString>& imageAttributes,
                   const QSet<QString>& binaryAttributes)
    : TBParser(data, decodeBase64, TBAttributeKinds {imageAttributes, binaryAttributes})
{ }

TBParser::~TBParser() = default;

std::optional<QByteArray> TBParser::decodeBase64String(QByteArrayView text)
{
    QByteArray out(base64Capacity(text.size()), Qt::Uninitialized);
    const qsizetype length = decodeBase64Into(text, out.data());
    if (length < 0)
        return std::nullopt;
    out.truncate(length);
    return out;
}

bool TBParser::parse()
{
    m_parsedData = TBEntryList();
    m_parsedData.reserve(100);
    m_returnedAttributeNames = QSet<QString>();
    m_returnedAttributeNames.reserve(100);
    m_parseSuccessful = false;
    m_state = std::make_unique<State>();
    // The working buffers go with the parse; the entries keep the attribute names they share.
    struct Release
    {
        std::unique_ptr<State>& state;
        ~Release() { state.reset(); }
    } release {m_state};

    // A run that printed nothing found no entries.
    if (m_data.isEmpty()) {
        m_parseSuccessful = true;
        return true;
    }
    if (m_aborting.load(std::memory_order_relaxed))
        return true;

    const char* p = m_data.constData();
    const char* const end = p + m_data.size();
    TBEntryBuilder& builder = m_state->builder;
    bool inEntry = false;
    // The pending logical line: a slice of the data until a continuation joins it in m_state->line.
    const char* pendingStart = nullptr;
    qsizetype pendingLength = 0;
    bool pending = false;
    bool pendingJoined = false;
    QByteArray& joined = m_state->line;

    auto flushPending = [&]() {
        if (!pending)
            return;
        addLine(pendingJoined ? QByteArrayView(joined) : QByteArrayView(pendingStart, pendingLength));
        pending = false;
        pendingJoined = false;
    };

    // An entry made of comment lines only is none: paged results end with "# pagedresults: ..."
    // after the last entry's empty line.
    bool onlyComments = false;
    auto takeEntry = [&]() {
        TBEntryPtr entry = builder.take();
        if (!onlyComments)
            m_parsedData.append(std::move(entry));
    };

    while (true) {
        if (p >= end) {
            if (inEntry) {
                flushPending();
                takeEntry();
            }
            m_parseSuccessful = true;
            return true;
        }

        const char* lineEnd = findLineEnd(p, end);
        const bool comment = lineEnd > p && *p == '#';
        if (!inEntry)
            onlyComments = comment;
        else if (lineEnd > p && *p != ' ' && !comment)
            onlyComments = false;
        inEntry = true;

        if (lineEnd > p && *p == ' ') {
            if (!pending)
                return false;
            if (!pendingJoined) {
                joined.resize(0);
                joined.append(pendingStart, pendingLength);
                pendingJoined = true;
            }
            joined.append(p + 1, lineEnd - p - 1);
        } else {
            flushPending();
            if (lineEnd > p) {
                pending = true;
                pendingStart = p;
                pendingLength = lineEnd - p;
            } else {
                takeEntry();
                inEntry = false;
            }
        }

        p = lineEnd;
        if (p < end)
            p += (*p == '\r' && p + 1 < end && p[1] == '\n') ? 2 : 1;

        if (m_aborting.load(std::memory_order_relaxed))
            return true;
    }
}

void TBParser::addLine(QByteArrayView line)
{
    if (line.isEmpty() || line.front() == '#')
        return;
    // The name runs to the first colon (names cannot hold one); then ":: " introduces base64,
    // ": " a plain value. Anything else (a bare colon, the URL form ":<") is skipped.
    const auto* colon = static_cast<const char*>(memchr(line.data(), ':', size_t(line.size())));
    if (!colon)
        return;
    const qsizetype nameLength = colon - line.data();
    const QByteArrayView rest = line.sliced(nameLength + 1);
    bool base64 = false;
    QByteArrayView value;
    if (rest.size() >= 2 && rest[0] == ':' && rest[1] == ' ') {
        base64 = true;
        value = rest.sliced(2);
    } else if (!rest.isEmpty() && rest[0] == ' ') {
        value = rest.sliced(1);
    } else {
        return;
    }
    if (nameLength == 0)
        return;

    const State::Name name = m_state->nameFor(line.first(nameLength), m_kinds, m_returnedAttributeNames);
    TBEntryBuilder& builder = m_state->builder;

    // Bytes that are not UTF-8 text: pictures for image attributes, raw bytes otherwise.
    auto addData = [&](QByteArrayView bytes) {
        if (name.image)
            builder.addPictureData(name.id, bytes);
        else
            builder.addBytes(name.id, bytes);
    };
    // Text as written (a plain value, or base64 left undecoded).
    auto addText = [&](QByteArrayView bytes) {
        if (isValidUtf8(bytes))
            builder.addText(name.id, bytes);
        else
            addData(bytes);
    };

    if (!base64 || !m_decodeBase64) {
        addText(value);
        return;
    }
    QByteArray& decoded = m_state->decoded;
    decoded.resize(base64Capacity(value.size()));
    const qsizetype length = decodeBase64Into(value, decoded.data());
    if (length < 0) {
        // Damaged base64: keep what was received rather than losing the value.
        addText(value);
        return;
    }
    const QByteArrayView bytes(decoded.constData(), length);
    if (name.image || name.binary || !isValidUtf8(bytes))
        addData(bytes);
    else
        builder.addText(name.id, bytes);
}
