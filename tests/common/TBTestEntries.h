#pragma once

#include "TBEntry.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QSize>
#include <QStringList>

// Entries and pictures made up for the tests that work with entries (they link the core library).
namespace TBTestSupport {

// A picture of one colour, encoded in the format as an attribute value holds it.
inline QByteArray encodedImage(QSize size, const QColor& color, const char* format = "JPEG")
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// An entry from "name=value" pairs; repeated names give several values. A "jpegPhoto" pair gets
// a small picture (its value is ignored) and "userCertificate" the value's bytes, both binary.
inline TBEntryPtr entryFromPairs(const QStringList& pairs)
{
    TBEntryPtr entry = TBEntry::entry();
    for (const QString& pair : pairs) {
        const qsizetype eq = pair.indexOf(QLatin1Char('='));
        const QString name = pair.left(eq);
        if (name == QLatin1String("jpegPhoto"))
            entry->addAttribute(name, encodedImage(QSize(8, 8), Qt::darkCyan), true);
        else if (name == QLatin1String("userCertificate"))
            entry->addAttribute(name, pair.mid(eq + 1).toUtf8(), false);
        else
            entry->addAttribute(name, pair.mid(eq + 1));
    }
    return entry;
}

} // namespace TBTestSupport
