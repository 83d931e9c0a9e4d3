#pragma once

#include "TBPicture.h"
#include "TBValue.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>

class TBAttributeRegistry;
class TBEntry;
using TBEntryPtr = std::shared_ptr<TBEntry>;
using TBEntryList = QList<TBEntryPtr>;

// The cached renderings of an entry (its styled texts); defined and filled by the renderer.
struct TBEntryRendering;

// One LDAP entry: its DN and its attributes with their values, in arrival order. Names keep the
// spelling of their first arrival; every lookup by name ignores case.
//
// Built once (by the parser, on its worker thread), then only read (on the main thread). Values
// are held compactly: text as UTF-8 in one buffer per entry, made into a QString when asked for,
// pictures as their encoded bytes (TBPicture). A search may return 100 000 entries.
class TBEntry
{
public:
    TBEntry();
    TBEntry(const TBEntry& other);
    TBEntry& operator=(const TBEntry& other);
    ~TBEntry();

    static TBEntryPtr entry() { return std::make_shared<TBEntry>(); }

    QString dn() const { return m_dn; }
    void setDn(const QString& dn) { m_dn = dn; }
    // Attribute names, one per distinct attribute (case-insensitively), in order of first arrival.
    QStringList attributes() const;
    QString attributeAt(qsizetype index) const; // empty when out of range
    qsizetype attributeCount() const { return m_attributeCount; }
    bool hasPhoto() const { return m_hasPhoto; }
    void setHasPhoto(bool v) { m_hasPhoto = v; }
    // Pictures numbered so far while building a rich text; the renderer resets it.
    qint64 imageCount() const { return m_imageCount; }
    void setImageCount(qint64 v) { m_imageCount = v; }

    // Adding values. Ignored when the name is empty or the value is null or empty. A text value
    // of the attribute named exactly "dn" (case matters) also sets dn(). Each addition edits the
    // entry's one block in place; to build many entries use TBEntryBuilder.
    void addAttribute(const QString& name, const QString& value);
    // Bytes: a picture when the registry calls the attribute an image attribute, raw bytes otherwise.
    void addAttribute(const QString& name, const QByteArray& data, const TBAttributeRegistry& registry);
    // Bytes need to say whether they are a picture: a TBValue made from them would be taken as text.
    void addAttribute(const QString& name, const QByteArray& data) = delete;
    // Bytes, with the caller saying whether the attribute is an image attribute (any thread).
    // Undecodable picture data is stored as the text "<Could not decode image data>".
    void addAttribute(const QString& name, const QByteArray& data, bool isImage);
    // A value as it is (text, bytes or an already made picture).
    void addAttribute(const QString& name, const TBValue& value);

    // Lookups: case-insensitive on the name.
    qsizetype indexOfAttribute(const QString& name) const; // -1 when none
    TBValue valueForAttribute(const QString& name) const; // the first value; null when none
    TBValue valueForKey(const QString& key) const { return valueForAttribute(key); }
    QList<TBValue> allValuesForAttribute(const QString& name) const; // empty when none
    qsizetype numValuesForAttribute(const QString& name) const; // 0 when none

    // By attribute index (0 .. attributeCount()-1); out of range gives null / empty / 0.
    TBValue valueAtIndex(qsizetype index) const;
    QList<TBValue> valuesAtIndex(qsizetype index) const;
    qsizetype numValuesAtIndex(qsizetype index) const;

    QString firstPartOfDN() const; // dn up to the first ","
    QString valueOfFirstPartOfDN() const; // the text after the first "=" of firstPartOfDN()
    QString description() const; // "TBEntry - dn:<dn>"

    // Releases spare capacity once the entry is complete.
    void squeeze();
    // Bytes this entry holds on the heap (approximate; for measurements).
    qsizetype heapSize() const;

    // Room for the renderer's caches; built lazily on the main thread, never invalidated.
    std::shared_ptr<TBEntryRendering>& renderingCache() const { return m_rendering; }

    // Equal for names that differ only in case.
    static size_t foldedHash(QStringView name);

private:
    friend class TBEntryBuilder;
    struct Names; // attribute spellings, shared by the entries of one parse

    enum SlotKind : quint8 { SlotText, SlotBytes, SlotPicture };
    struct Slot
    {
        quint32 offset; // into the value bytes, or into m_pictures for a picture
        quint32 length;
        quint16 attribute; // index of its AttributeInfo
        SlotKind kind;
    };
    struct AttributeInfo
    {
        quint32 name; // in m_names, the spelling of the first arrival
        quint32 firstSlot;
        quint32 count;
    };

    quint32 nameID(const QString& name); // interns into m_names (copied first when shared)
    qsizetype findAttribute(quint32 nameID) const;
    void addValue(quint32 nameID, SlotKind kind, QByteArrayView bytes, const TBPicture* picture);
    AttributeInfo infoAt(qsizetype index) const;
    Slot slotAt(qsizetype index) const;
    TBValue valueOfSlot(const Slot& slot) const;
    qsizetype valuesStart() const;

    std::shared_ptr<Names> m_names;
    QString m_dn;
    // One block: m_attributeCount AttributeInfo, then m_slotCount Slot (every value, in arrival
    // order), then the values' bytes (UTF-8 text and raw bytes).
    QByteArray m_store;
    QList<TBPicture> m_pictures;
    quint32 m_attributeCount = 0;
    quint32 m_slotCount = 0;
    qint64 m_imageCount = 0;
    bool m_hasPhoto = false;
    mutable std::shared_ptr<TBEntryRendering> m_rendering;
};

// Builds many entries fast (the parser does): attribute names are looked up once and shared by
// every entry built, values are collected in reused buffers, and each entry is made with exact
// sizes in few allocations. Same rules for values as TBEntry::addAttribute. One thread at a time.
class TBEntryBuilder
{
public:
    TBEntryBuilder();
    ~TBEntryBuilder();
    TBEntryBuilder(const TBEntryBuilder&) = delete;
    TBEntryBuilder& operator=(const TBEntryBuilder&) = delete;

    // The same number for the same spelling.
    quint32 nameID(const QString& name);
    void addText(quint32 nameID, QByteArrayView utf8); // bytes already checked to be UTF-8
    void addBytes(quint32 nameID, QByteArrayView bytes);
    // A picture when the bytes decode as one, the text "<Could not decode image data>" otherwise.
    void addPictureData(quint32 nameID, QByteArrayView bytes);

    // The entry built so far, even when it received nothing; the next one starts empty.
    TBEntryPtr take();

private:
    struct Scratch;
    void add(quint32 nameID, TBEntry::SlotKind kind, QByteArrayView bytes, const TBPicture* picture);
    std::unique_ptr<Scratch> d;
};

// AD timestamps: 100-nanosecond ticks since 1601-01-01 UTC, as decimal text.

// The text read as a signed 64-bit number: leading blanks and a sign allowed, stops at the first
// non-digit, no digits reads as 0, out-of-range text saturates.
qint64 TBADTimestampValue(QStringView text);

// How AD timestamps are shown: as dates or as they are, and the date and time styles of the dates
// (0 none, 1 short, 2 medium, 3 long, 4 full). The defaults are the preferences' defaults.
struct TBADDateStyle
{
    bool interpret = true;
    qint64 dateFormat = 1;
    qint64 timeFormat = 1;
};

// The display text: "0" for 0, otherwise the date in the user's locale and time zone with the
// style's date and time styles.
QString TBADTimestampToString(const QString& text, const TBADDateStyle& style);
QString TBADTimestampToString(const QString& text, qint64 dateStyle, qint64 timeStyle,
                              const QLocale& locale = QLocale::system());
// The display text of an attribute's AD timestamp: "Never" where AD means never (accountExpires
// 0 or the largest value, TBADTimestampMeansNever), otherwise TBADTimestampToString.
QString TBADAttributeTimestampToString(QStringView attribute, const QString& text, const TBADDateStyle& style);
