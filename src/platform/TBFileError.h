#pragma once

#include <QString>

// Why a file could not be written: the file, the call that failed, and the system's error number
// (errno) with its message. description and code are the failing layer's own (Qt's for files, the
// system's for folders and renames); messageText() is the text the messages show.
struct TBFileError
{
    enum Operation {
        NoOperation,
        Open,
        Write,
        Commit,
        MakeFolder,
        Rename,
        Encode,
    };

    QString path;
    Operation operation = NoOperation;
    int systemError = 0; // 0 when the failing call left none
    QString systemMessage;
    QString description;
    qint64 code = 0;

    bool isError() const { return operation != NoOperation; }
    // "open", "write", "commit", "make folder", "rename", "encode"; empty for none.
    QString operationName() const;
    // "<message>\n(Error code: <number>)": the system's message and errno where the call left one,
    // else the layer's description and code.
    QString messageText() const;

    // A failed system call, described by the system: the message and the code are errno's.
    static TBFileError fromErrno(const QString& path, Operation operation, int systemError);
};
