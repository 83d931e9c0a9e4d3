#pragma once

#include "TBRichText.h"

#include <QByteArray>
#include <QStringList>
#include <QStringView>

// Writes styled text as RTF: fonts, sizes, bold, italic, underline and text colours. The output
// is 7-bit ASCII; other characters are \uN escapes with a Windows-1252 fallback (or "?") for
// readers without Unicode. Pictures are left out, unless they are attachments of a package:
// then each one is a reference to its file inside the package.
class TBRTFWriter
{
public:
    static QByteArray rtfFromText(const TBRichText& text);
    // attachmentNames[i] is the package file name of the text's i-th picture; an empty name or a
    // missing element leaves that picture out.
    static QByteArray rtfFromText(const TBRichText& text, const QStringList& attachmentNames);

    // Appends the characters as RTF text: escapes, \par for line ends, \tab for tabs.
    static void appendEscapedText(QByteArray& out, QStringView text);
};
