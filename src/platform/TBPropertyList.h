#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

// Reads and writes property lists as QVariant trees:
// string <-> QString, integer <-> qint64, real <-> double, boolean <-> bool, data <-> QByteArray,
// date <-> QDateTime (UTC, whole seconds in XML), array <-> QVariantList, dictionary <-> QVariantMap.
// Also written: int/uint/quint64 and the other integer types, float, QStringList, QVariantHash.
// Integers above INT64_MAX read back as quint64. A keyed-archive UID reads as {"CF$UID": n}.
// Any other type (QImage, an invalid QVariant, ...) has no property-list form and makes writing
// fail, as does a string or key holding a NUL character (libplist would cut it short).
// Input nested deeper than 512 levels, or a binary list expanding to millions of objects, is
// refused rather than handed to libplist. This is the only place that talks to libplist.
class TBPropertyList
{
public:
    // XML or binary property list; an invalid QVariant (and a reason in *error) when it cannot be read.
    static QVariant fromData(const QByteArray& data, QString* error = nullptr);
    static QVariant readFile(const QString& path, QString* error = nullptr);

    // XML property list; empty on failure (a value of a type with no plist form).
    static QByteArray toXml(const QVariant& root, QString* error = nullptr);
    // Atomic: the old file stays intact when writing fails.
    static bool writeFile(const QString& path, const QVariant& root, QString* error = nullptr);

    // Strict kind checks: a string "5" is not a number.
    static bool isString(const QVariant& v);
    static bool isNumber(const QVariant& v); // integer, real or boolean
    static bool isInteger(const QVariant& v); // integer or boolean
    static bool isArray(const QVariant& v);
    static bool isDictionary(const QVariant& v);
    static bool isData(const QVariant& v);

    // Whether toXml would accept the value (the reason in *error when not).
    static bool hasPropertyListForm(const QVariant& v, QString* error = nullptr);
};
