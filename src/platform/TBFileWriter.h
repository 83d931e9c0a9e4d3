#pragma once

#include "TBFileError.h"

#include <QByteArray>
#include <QString>

// Writes whole files atomically, as every file the application writes is written: the bytes go to
// a temporary file beside the target, which is flushed to disk and then takes the target's place.
// On failure the target is as it was and no temporary file is left.
class TBFileWriter
{
public:
    // On failure the error's description is Qt's and its code Qt's file-error number, with the
    // system's errno and message beside them when the failing call left one.
    static bool write(const QString& path, const QByteArray& data, TBFileError* error = nullptr);
};
