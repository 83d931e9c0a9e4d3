#include "TBExport.h"

#include "TBADValues.h"
#include "TBEntryRendering.h"
#include "TBFileWriter.h"
#include "TBFonts.h"
#include "TBRTFDWriter.h"
#include "TBRTFWriter.h"

#include <QTextDocument>

namespace {

const QString kImageData = QStringLiteral("<image data>");
const QString kBase64Prefix = QStringLiteral("base64:");

void appendValue(QString& out, const QString& text, const QString& delimiter)
{
    const bool holdsDelimiter
        = delimiter.size() == 1 ? text.contains(delimiter.front()) : !delimiter.isEmpty() && text.contains(delimiter);
    if (!holdsDelimiter) {
        out += text;
        return;
    }
    out += QLatin1Char('"');
    if (text.contains(QLatin1Char('"'))) {
        QString doubled = text;
        doubled.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        out += doubled;
    } else {
        out += text;
    }
    out += QLatin1Char('"');
}

void appendValue(QString& out, const TBValue& value, const QString& attribute, const QString& delimiter)
{
    appendValue(out, value.isText() ? value.text() : TBExport::delimitedValueText(value, attribute), delimiter);
}

bool setMessage(TBExportMessage* message, const TBExportMessage& value)
{
    if (message)
        *message = value;
    return false;
}

bool writeText(const QByteArray& data, const QString& path, TBExportMessage* message)
{
    TBFileError error;
    if (TBFileWriter::write(path, data, &error))
        return true;
    // Exports show the system's number where the failing call left one, as for packages.
    if (error.systemError)
        error.code = error.systemError;
    return setMessage(message, TBExport::couldNotWriteMessage(error));
}

bool writeRTFD(const TBRichText& text, const QString& path, TBExportMessage* message)
{
    TBRTFDWriter::FileList files;
    TBFileError error;
    if (!TBRTFDWriter::packageFiles(text, &files, &error))
        return setMessage(message, TBExport::couldNotSaveMessage(error));
    if (!TBRTFDWriter::writePackage(files, path, &error))
        return setMessage(message, TBExport::couldNotWriteMessage(error));
    return true;
}

} // namespace

qint64 TBExport::validFileFormat(qint64 format)
{
    return format >= TBExportPlainText && format <= TBExportCommaSeparated ? format : TBExportPlainText;
}

qint64 TBExport::availableFileFormat(qint64 format, bool picturesAvailable, bool delimitedAvailable)
{
    format = validFileFormat(format);
    if (!delimitedAvailable && isDelimitedFormat(format))
        format = TBExportPlainText;
    if (format == TBExportRTFD && !picturesAvailable)
        format = TBExportRTF;
    return format;
}

bool TBExport::isDelimitedFormat(qint64 format)
{
    return format == TBExportTabDelimited || format == TBExportCommaSeparated;
}

QString TBExport::fileExtension(qint64 format)
{
    switch (validFileFormat(format)) {
    case TBExportRTF:
        return QStringLiteral("rtf");
    case TBExportRTFD:
        return QStringLiteral("rtfd");
    case TBExportCommaSeparated:
        return QStringLiteral("csv");
    default:
        return QStringLiteral("txt");
    }
}

QString TBExport::delimiter(qint64 format)
{
    if (format == TBExportTabDelimited)
        return QStringLiteral("\t");
    if (format == TBExportCommaSeparated)
        return QStringLiteral(",");
    return QString();
}

bool TBExport::anyEntryHasPhoto(const TBEntryList& entries)
{
    for (const TBEntryPtr& entry : entries) {
        if (entry && entry->hasPhoto())
            return true;
    }
    return false;
}

QString TBExport::suggestedFileName(const TBEntryList& entries)
{
    if (entries.size() == 1 && entries.first())
        return entries.first()->valueOfFirstPartOfDN();
    if (entries.size() > 1)
        return QStringLiteral("LDAP Entries");
    return QStringLiteral("Error");
}

QString TBExport::suggestedFileName(const TBEntryPtr& entry)
{
    const QString name = entry ? entry->valueOfFirstPartOfDN() : QString();
    return name.isEmpty() ? QStringLiteral("LDAP Entry") : name;
}

QString TBExport::delimitedValueText(const TBValue& value, const QString& attribute)
{
    switch (value.kind()) {
    case TBValue::Text:
        return value.text();
    case TBValue::Picture:
        return kImageData;
    case TBValue::Bytes: {
        const QString readable = TBADIdentifierToString(attribute, value.bytes());
        if (!readable.isEmpty())
            return readable;
        return kBase64Prefix + QString::fromLatin1(value.bytes().toBase64());
    }
    case TBValue::Null:
        break;
    }
    return QString();
}

void TBExport::appendDelimited(QString& out, const TBEntry& entry, const QString& delimiter,
                               const QStringList& attributes)
{
    for (qsizetype i = 0; i < attributes.size(); ++i) {
        if (i > 0)
            out += delimiter;
        const qsizetype index = entry.indexOfAttribute(attributes.at(i));
        if (index < 0)
            continue;
        // Most attributes have one value: no list for them (an export may hold 100 000 rows).
        if (entry.numValuesAtIndex(index) == 1) {
            appendValue(out, entry.valueAtIndex(index), attributes.at(i), delimiter);
            continue;
        }
        const QList<TBValue> values = entry.valuesAtIndex(index);
        for (qsizetype v = 0; v < values.size(); ++v) {
            if (v > 0)
                out += QLatin1Char(';');
            appendValue(out, values.at(v), attributes.at(i), delimiter);
        }
    }
}

QString TBExport::infoDelimitedWith(const TBEntry& entry, const QString& delimiter, const QStringList& attributes)
{
    QString line;
    appendDelimited(line, entry, delimiter, attributes);
    return line;
}

QStringList TBExport::exportedAttributes(const QList<TBExportColumn>& columns, bool visibleColumnsOnly)
{
    QStringList attributes;
    attributes.reserve(columns.size());
    for (const TBExportColumn& column : columns) {
        if (visibleColumnsOnly && column.hidden)
            continue;
        attributes.append(column.identifier);
    }
    return attributes;
}

QString TBExport::entriesPlainText(const TBEntryList& entries, qint64 format, const QStringList& attributes,
                                   bool includeAttrNames, const TBRenderingContext& context)
{
    QString text;
    const QString separator = delimiter(format);
    if (isDelimitedFormat(format)) {
        text.reserve(entries.size() * (attributes.size() * 16 + 1));
        if (includeAttrNames)
            text += attributes.join(separator) + QLatin1Char('\n');
        for (const TBEntryPtr& entry : entries) {
            if (entry)
                appendDelimited(text, *entry, separator, attributes);
            text += QLatin1Char('\n');
        }
        return text;
    }
    for (const TBEntryPtr& entry : entries) {
        if (entry)
            text += TBEntryRendering::infoAsPlainText(*entry, context);
        text += QLatin1Char('\n');
    }
    return text;
}

TBRichText TBExport::entriesRichText(const TBEntryList& entries, qint64 format, const TBRenderingContext& context)
{
    TBRichText text;
    const QTextCharFormat& regular = TBFonts::displayFontAttributes();
    for (const TBEntryPtr& entry : entries) {
        if (entry) {
            text.append(format == TBExportRTFD ? TBEntryRendering::info(*entry, context)
                                               : TBEntryRendering::infoWithoutAttachments(*entry, context));
        }
        text.append(QStringLiteral("\n"), regular);
    }
    return text;
}

QString TBExport::pasteboardText(const TBEntryList& entries, const QStringList& shownColumns, bool includeHeader)
{
    const QString tab = QStringLiteral("\t");
    QString text;
    if (includeHeader)
        text += shownColumns.join(tab) + QLatin1Char('\n');
    for (const TBEntryPtr& entry : entries) {
        if (entry)
            appendDelimited(text, *entry, tab, shownColumns);
        text += QLatin1Char('\n');
    }
    return text;
}

bool TBExport::exportEntriesToFile(const TBEntryList& entries, qint64 format, const QStringList& attributes,
                                   bool includeAttrNames, const TBRenderingContext& context, const QString& path,
                                   TBExportMessage* message)
{
    format = validFileFormat(format);
    switch (format) {
    case TBExportRTF:
        return writeText(TBRTFWriter::rtfFromText(entriesRichText(entries, format, context)), path, message);
    case TBExportRTFD:
        return writeRTFD(entriesRichText(entries, format, context), path, message);
    default:
        return writeText(entriesPlainText(entries, format, attributes, includeAttrNames, context).toUtf8(), path,
                         message);
    }
}

bool TBExport::exportTextToFile(const TBRichText& text, qint64 format, const QString& path, TBExportMessage* message)
{
    switch (format) {
    case TBExportRTF:
        return writeText(TBRTFWriter::rtfFromText(text), path, message);
    case TBExportRTFD:
        return writeRTFD(text, path, message);
    default:
        return writeText(text.plainTextWithoutImages().toUtf8(), path, message);
    }
}

bool TBExport::exportTextToFile(const QTextDocument& document, qint64 format, const QString& path,
                                TBExportMessage* message)
{
    return exportTextToFile(TBRichText::fromDocument(document), format, path, message);
}

TBExportMessage TBExport::couldNotSaveMessage(const TBFileError& error)
{
    return {QStringLiteral("Could not save text"), error.messageText()};
}

TBExportMessage TBExport::couldNotWriteMessage(const TBFileError& error)
{
    return {QStringLiteral("Could not write text"), error.messageText()};
}
