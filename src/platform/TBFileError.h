#pragma once

#include <QString>

// Why a file could not be written: the file, the call that failed, and the system's error number
// (errno) with its message. description and code are what the messages show for now: the
// description of the failing layer (Qt's for files, the system's for folders and renames) and the
// number each place has always shown; messageText() is the text of those messages.
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
    // "<description>\n(Error code: <code>)"
    QString messageText() const;

    // A failed system call, described by the system: the message and the code are errno's.
    static TBFileError fromErrno(const QString& path, Operation operation, int systemError);
};
