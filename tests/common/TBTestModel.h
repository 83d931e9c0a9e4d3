#pragma once

#include "TBEntry.h"
#include "TBSearchCriteria.h"
#include "TBSearchItem.h"
#include "TBTestSupport.h"

#include <QBuffer>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QProcess>
#include <QSize>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>

// Entries, pictures and criteria made up for the tests of the model and above (they link the core
// library), and RTF read back for checking.
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

// An entry from "name=value" pairs ("name\tvalue" for a name with options holding "=", such as
// "member;range=0-2"); repeated names give several values. A "jpegPhoto" pair gets a small
// picture (its value is ignored) and "userCertificate" the value's bytes, both binary; a value
// "hex:..." is the bytes written in hexadecimal.
inline TBEntryPtr entryFromPairs(const QStringList& pairs)
{
    TBEntryPtr entry = TBEntry::entry();
    for (const QString& pair : pairs) {
        qsizetype eq = pair.indexOf(QLatin1Char('='));
        // A name with options may hold "=": then a tab ends it.
        const qsizetype tab = pair.indexOf(QLatin1Char('\t'));
        if (tab >= 0 && (eq < 0 || (tab > eq && pair.left(eq).contains(QLatin1Char(';')))))
            eq = tab;
        const QString name = pair.left(eq);
        const QString value = pair.mid(eq + 1);
        if (value.startsWith(QLatin1String("hex:")))
            entry->addAttribute(name, QByteArray::fromHex(value.mid(4).toLatin1()), false);
        else if (name == QLatin1String("jpegPhoto"))
            entry->addAttribute(name, encodedImage(QSize(8, 8), Qt::darkCyan), true);
        else if (name == QLatin1String("userCertificate"))
            entry->addAttribute(name, pair.mid(eq + 1).toUtf8(), false);
        else
            entry->addAttribute(name, pair.mid(eq + 1));
    }
    return entry;
}

// One condition per {attribute, type, text}.
inline TBSearchCriteriaPtr criteriaFrom(const QList<QStringList>& conditions)
{
    auto criteria = TBSearchCriteria::searchCriteria();
    TBSearchItemList items;
    for (const QStringList& c : conditions) {
        auto item = TBSearchItem::searchItem();
        item->setSearchAttr(c.value(0));
        item->setSearchType(c.value(1).toLongLong());
        item->setSearchText(c.value(2));
        items.append(item);
    }
    criteria->setSearchItems(items);
    return criteria;
}

// The text of an RTF file as unrtf (at unrtfPath) reads it, and the runs it shows in bold; false
// when unrtf fails.
inline bool readRTFWithUnrtf(const QString& unrtfPath, const QString& rtfPath, QString* text, QStringList* bold)
{
    QProcess unrtf;
    unrtf.start(unrtfPath, {QStringLiteral("--html"), rtfPath});
    if (!unrtf.waitForFinished(-1) || unrtf.exitCode() != 0)
        return false;
    QTextDocument html;
    html.setHtml(QString::fromUtf8(unrtf.readAllStandardOutput()));
    *text = html.toPlainText();
    bold->clear();
    for (QTextBlock block = html.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().fontWeight() >= QFont::Bold)
                bold->append(it.fragment().text());
        }
    }
    return true;
}

} // namespace TBTestSupport
