#pragma once

#include "TBFileError.h"
#include "TBRichText.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// Writes rich text with pictures as an RTFD package: a folder holding TXT.rtf and one JPEG file
// per picture, which the RTF refers to by file name.
class TBRTFDWriter
{
public:
    using FileList = QList<QPair<QString, QByteArray>>; // file name in the package, contents

    // The package file names of the text's pictures, in order: each picture's own name, made
    // unique within the package ("Photo_1.jpg" a second time becomes "Photo_1_2.jpg"). A picture
    // without a name gets an empty one and stays out of the package.
    static QStringList attachmentNames(const TBRichText& text);

    // The files of the package, TXT.rtf first. False when a picture cannot be encoded.
    static bool packageFiles(const TBRichText& text, FileList* files, TBFileError* error);

    // Writes the files as a folder at path, atomically: they are written into a temporary
    // sibling folder which then takes the place of whatever was at path. On failure nothing at
    // path has changed and no temporary folder is left.
    static bool writePackage(const FileList& files, const QString& path, TBFileError* error);
};
