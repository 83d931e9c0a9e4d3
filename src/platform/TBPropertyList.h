#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

// Reads and writes property lists as QVariant trees:
// string <-> QString, integer <-> qint64, real <-> double, boolean <-> bool, data <-> QByteArray,
// date <-> QDateTime, array <-> QVariantList, dictionary <-> QVariantMap.
// This is the only place that talks to libplist.
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
};
