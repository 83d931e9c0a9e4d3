#pragma once

#include "TBEntry.h"
#include "TBEntryRendering.h"
#include "TBFileError.h"
#include "TBRichText.h"

#include <QList>
#include <QString>
#include <QStringList>

class QTextDocument;

// Export file formats: the values stored as "ExportFileFormat" and the tags of the save panel's
// format pop-up.
enum TBExportFileFormat : qint64 {
    TBExportPlainText = 0,
    TBExportRTF = 1,
    TBExportRTFD = 2,
    TBExportTabDelimited = 3,
    TBExportCommaSeparated = 4,
};

// One column of the entry table, in on-screen order.
struct TBExportColumn
{
    QString identifier; // the attribute name
    bool hidden = false;
};

// A message for the user: a sheet's title and text.
struct TBExportMessage
{
    QString title;
    QString text;
};

// Entries as they leave the application: exported files, and text for the pasteboard.
//
// Formats 0 to 2 write each entry's details text followed by a line end (so entries are
// separated by an empty line); formats 3 and 4 write one delimited line per entry, after an
// optional header line of attribute names. Text files are UTF-8 with line feeds and no byte-order
// mark. Raw bytes (binary attributes, values that were not UTF-8) appear in delimited lines as
// "base64:" followed by their base64 form, so they cannot be mistaken for text; AD's objectGUID
// and objectSid, when well-formed, in their readable forms instead.
class TBExport
{
public:
    // Any value other than 0 to 4 reads as 0.
    static qint64 validFileFormat(qint64 format);
    // The format the save panel shows: pictures unavailable turn 2 into 1; without the delimited
    // formats (the browse window) anything but 0 to 2 becomes 0.
    static qint64 availableFileFormat(qint64 format, bool picturesAvailable, bool delimitedAvailable = true);
    static bool isDelimitedFormat(qint64 format);
    static QString fileExtension(qint64 format); // "txt", "rtf", "rtfd", "txt", "csv"
    static QString delimiter(qint64 format); // "\t" for 3, "," for 4, empty otherwise

    static bool anyEntryHasPhoto(const TBEntryList& entries);
    // The file name the save panel suggests for these entries: the first part of the DN's value for
    // one entry, "LDAP Entries" for several, "Error" for none.
    static QString suggestedFileName(const TBEntryList& entries);
    // The browse window's suggestion: the first part of the DN's value, or "LDAP Entry".
    static QString suggestedFileName(const TBEntryPtr& entry);

    // One delimited line without line end: per attribute, its values joined by ";"; a value
    // holding the delimiter is put in double quotes with its own quotes doubled.
    static QString infoDelimitedWith(const TBEntry& entry, const QString& delimiter, const QStringList& attributes);
    static void appendDelimited(QString& out, const TBEntry& entry, const QString& delimiter,
                                const QStringList& attributes);
    // A value's text in a delimited line; the attribute decides whether bytes read as an AD identifier.
    static QString delimitedValueText(const TBValue& value, const QString& attribute = QString());

    // The attributes of a delimited export: the columns' identifiers in order, without the hidden
    // ones when visibleColumnsOnly is set.
    static QStringList exportedAttributes(const QList<TBExportColumn>& columns, bool visibleColumnsOnly);

    // The whole text of an export in format 0, 3 or 4 (attributes and the header matter for 3
    // and 4 only). The context renders the entries' details texts.
    static QString entriesPlainText(const TBEntryList& entries, qint64 format, const QStringList& attributes,
                                    bool includeAttrNames, const TBRenderingContext& context);
    // The whole text of an export in format 1 (without pictures) or 2 (with pictures).
    static TBRichText entriesRichText(const TBEntryList& entries, qint64 format, const TBRenderingContext& context);

    // Text for copy and drag: one tab-delimited line per entry over the shown columns, after a
    // header line when asked for (the Alt key held).
    static QString pasteboardText(const TBEntryList& entries, const QStringList& shownColumns, bool includeHeader);

    // Writes entries to a file in the given format (any other value reads as 0). False with the
    // message to show when the file could not be made or written; nothing partial is left then.
    static bool exportEntriesToFile(const TBEntryList& entries, qint64 format, const QStringList& attributes,
                                    bool includeAttrNames, const TBRenderingContext& context, const QString& path,
                                    TBExportMessage* message);
    // Writes a details text (the browse window's) as plain text, RTF or RTFD (formats 0 to 2;
    // any other value reads as 0). Pictures are kept in RTFD only.
    static bool exportTextToFile(const TBRichText& text, qint64 format, const QString& path, TBExportMessage* message);
    static bool exportTextToFile(const QTextDocument& document, qint64 format, const QString& path,
                                 TBExportMessage* message);

    // The two messages, with the error's description and code.
    static TBExportMessage couldNotSaveMessage(const TBFileError& error);
    static TBExportMessage couldNotWriteMessage(const TBFileError& error);
};
