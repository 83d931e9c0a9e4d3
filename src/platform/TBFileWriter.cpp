#include "TBFileWriter.h"

#include <QSaveFile>

#include <cerrno>
#include <cstring>

bool TBFileWriter::write(const QString& path, const QByteArray& data, TBFileError* error)
{
    QSaveFile file(path);
    const auto fail = [&](TBFileError::Operation operation, int systemError) {
        if (error) {
            *error = TBFileError {path,
                                  operation,
                                  systemError,
                                  systemError ? QString::fromLocal8Bit(std::strerror(systemError)) : QString(),
                                  file.errorString(),
                                  qint64(file.error())};
        }
        file.cancelWriting();
        return false;
    };
    // errno is read right after each call, before anything else can change it.
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        return fail(TBFileError::Open, errno);
    errno = 0;
    if (file.write(data) != data.size())
        return fail(TBFileError::Write, errno);
    errno = 0;
    if (!file.commit())
        return fail(TBFileError::Commit, errno);
    return true;
}
