#include "TBFileError.h"

#include <cstring>

QString TBFileError::operationName() const
{
    switch (operation) {
    case NoOperation:
        break;
    case Open:
        return QStringLiteral("open");
    case Write:
        return QStringLiteral("write");
    case Commit:
        return QStringLiteral("commit");
    case MakeFolder:
        return QStringLiteral("make folder");
    case Rename:
        return QStringLiteral("rename");
    case Encode:
        return QStringLiteral("encode");
    }
    return QString();
}

QString TBFileError::messageText() const
{
    if (systemError != 0)
        return QStringLiteral("%1\n(Error code: %2)").arg(systemMessage).arg(systemError);
    return QStringLiteral("%1\n(Error code: %2)").arg(description).arg(code);
}

TBFileError TBFileError::fromErrno(const QString& path, Operation operation, int systemError)
{
    const QString message = QString::fromLocal8Bit(std::strerror(systemError));
    return TBFileError {path, operation, systemError, message, message, systemError};
}
