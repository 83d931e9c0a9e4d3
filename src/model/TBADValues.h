#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <limits>
#include <optional>

// Active Directory's binary identifiers and special dates, and the options of attribute
// descriptions ("member;range=0-1499", "jpegPhoto;binary"). Plain functions of their arguments:
// no registry, no preferences, any thread. Server data is untrusted, so every malformed input
// gives "no result" rather than a guess.

// objectGUID as AD's own tools write it, e.g. "{3c2d1e0f-5a4b-7869-8796-a5b4c3d2e1f0}" for the
// bytes 0f 1e 2d 3c 4b 5a 69 78 87 96 a5 b4 c3 d2 e1 f0. AD stores Microsoft's GUID structure: a
// 32-bit, two 16-bit fields, then 8 bytes; Windows is little-endian, so the first three fields
// appear reversed in the text and the last 8 bytes in order (what Python's
// uuid.UUID(bytes_le=...) reads). That is the form AD's tools show and accept, so the one
// admins read and paste. Lower-case hex. Anything but 16 bytes: an empty string.
QString TBADGUIDToString(QByteArrayView bytes);

// objectSid as "S-1-5-21-1004336348-1177238915-682003330-1104". The bytes: revision (1 byte, must
// be 1), number of sub-authorities (1 byte, at most 15), identifier authority (48 bits,
// big-endian), then that many sub-authorities (32 bits each, little-endian); the length must be
// exactly 8 + 4 per sub-authority. An authority of 2^32 or more is written as "0x" and 12
// upper-case hex digits, as Windows writes it. Anything malformed: an empty string.
QString TBADSIDToString(QByteArrayView bytes);

// The readable form of an AD identifier for an attribute that holds one: objectGUID or
// objectSid (compared by base name, case ignored, so "objectGUID;binary" counts). Empty for
// other attributes and for values that are not well-formed.
QString TBADIdentifierToString(QStringView attribute, QByteArrayView bytes);
// Whether the attribute is one of those two.
bool TBADIsIdentifierAttribute(QStringView attribute);

// The largest tick count; with 0, AD's "never" in accountExpires.
inline constexpr qint64 TBADTimestampNever = std::numeric_limits<qint64>::max();

// Whether the tick count of an AD timestamp means "never": 0 or TBADTimestampNever in
// accountExpires (by base name, case ignored). False for every other attribute: there 0 keeps
// its usual display ("0", see TBADTimestampToString) and the largest value is a date.
bool TBADTimestampMeansNever(QStringView attribute, qint64 ticks);

// The attribute type of an attribute description: the name before the first ";" ("jpegPhoto"
// for "jpegPhoto;binary"), the whole name when it has no option. For kind lookups; columns and
// labels keep the full name.
QString TBAttributeBaseName(const QString& name);

// AD's ranged retrieval: "member;range=0-1499" holds values 0 to 1499 of a longer list, and
// more can be asked for; "member;range=1500-*" holds the last ones.
struct TBAttributeRange
{
    qint64 low = 0;
    qint64 high = -1; // the last value's index; -1 when complete
    bool complete = false; // high was "*": no values follow

    bool operator==(const TBAttributeRange&) const = default;
};

// The note that an attribute holds only part of its values ("partial list: 1500 values came; the
// directory has more") for a ranged name that is not the last part (high not "*"); empty for
// every other name. count: the values that came.
QString TBAttributeRangeNote(QStringView name, qsizetype count);

// The range option of an attribute description: the first option "range=<low>-<high>" (name
// case ignored), with <low> and <high> decimal digits and low <= high, or <high> "*". Nothing
// when there is no range option or the first range option is malformed.
std::optional<TBAttributeRange> TBAttributeRangeOption(QStringView name);
