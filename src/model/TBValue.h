#pragma once

#include "TBPicture.h"

#include <QByteArray>
#include <QString>

#include <variant>

// One value of an entry's attribute: text (the usual case), raw bytes (binary attributes and
// values that are not UTF-8) or a picture (image attributes). A null value stands for "none".
class TBValue
{
public:
    enum Kind { Null, Text, Bytes, Picture };

    TBValue() = default;
    explicit TBValue(const QString& text)
        : m_value(text)
    { }
    explicit TBValue(const QByteArray& bytes)
        : m_value(bytes)
    { }
    explicit TBValue(const TBPicture& picture)
        : m_value(picture)
    { }

    Kind kind() const { return static_cast<Kind>(m_value.index()); }
    bool isNull() const { return kind() == Null; }
    bool isText() const { return kind() == Text; }
    bool isBytes() const { return kind() == Bytes; }
    bool isPicture() const { return kind() == Picture; }

    // Each returns an empty result for a value of another kind.
    QString text() const { return isText() ? std::get<QString>(m_value) : QString(); }
    QByteArray bytes() const { return isBytes() ? std::get<QByteArray>(m_value) : QByteArray(); }
    TBPicture picture() const { return isPicture() ? std::get<TBPicture>(m_value) : TBPicture(); }

    bool operator==(const TBValue& other) const { return m_value == other.m_value; }
    bool operator!=(const TBValue& other) const { return !(*this == other); }

private:
    std::variant<std::monostate, QString, QByteArray, TBPicture> m_value;
};
