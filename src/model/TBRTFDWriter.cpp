#include "TBRTFDWriter.h"

#include "TBFileWriter.h"
#include "TBRTFWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void setErrno(TBFileError* error, const QString& path, TBFileError::Operation operation, int code)
{
    if (error)
        *error = TBFileError::fromErrno(path, operation, code);
}

// Removes a folder this writer made, with everything in it.
void removeFolder(const QString& path)
{
    QDir(path).removeRecursively();
}

// A fresh, empty sibling folder of path, named after it.
QString makeSiblingFolder(const QString& path, const char* tag, TBFileError* error)
{
    const QFileInfo info(path);
    QByteArray pattern
        = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName() + QLatin1String(tag))
        + "-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        setErrno(error, path, TBFileError::MakeFolder, errno);
        return QString();
    }
    return QFile::decodeName(pattern);
}

// mkdtemp makes a private folder; the package should get the permissions of any new folder.
void makeOrdinaryFolder(const QString& path)
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(QFile::encodeName(path).constData(), 0777 & ~mask);
}

} // namespace

QStringList TBRTFDWriter::attachmentNames(const TBRichText& text)
{
    QStringList names;
    // Case-insensitive: the package may end up on a file system that folds case.
    QSet<QString> taken {QStringLiteral("txt.rtf")};
    for (const TBTextRun& run : text.runs()) {
        if (!run.isImage())
            continue;
        QString name = run.fileName;
        // No folders inside the package, and nothing that would not be a plain file name.
        if (name.contains(QLatin1Char('/')) || name == QLatin1String(".") || name == QLatin1String(".."))
            name.clear();
        if (!name.isEmpty() && taken.contains(name.toLower())) {
            const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
            const QString stem = dot > 0 ? name.left(dot) : name;
            const QString suffix = dot > 0 ? name.mid(dot) : QString();
            for (int n = 2;; ++n) {
                const QString candidate = stem + QLatin1Char('_') + QString::number(n) + suffix;
                if (!taken.contains(candidate.toLower())) {
                    name = candidate;
                    break;
                }
            }
        }
        if (!name.isEmpty())
            taken.insert(name.toLower());
        names.append(name);
    }
    return names;
}

bool TBRTFDWriter::packageFiles(const TBRichText& text, FileList* files, TBFileError* error)
{
    const QStringList names = attachmentNames(text);
    FileList result;
    result.append({QStringLiteral("TXT.rtf"), TBRTFWriter::rtfFromText(text, names)});
    qsizetype index = 0;
    for (const TBTextRun& run : text.runs()) {
        if (!run.isImage())
            continue;
        const QString& name = names.at(index++);
        if (name.isEmpty())
            continue;
        QString reason;
        const QByteArray jpeg = TBRichText::jpegData(run.image, &reason);
        if (jpeg.isEmpty()) {
            if (error) {
                *error = TBFileError {name,
                                      TBFileError::Encode,
                                      0,
                                      QString(),
                                      QStringLiteral("%1 could not be encoded as JPEG: %2").arg(name, reason),
                                      0};
            }
            return false;
        }
        result.append({name, jpeg});
    }
    if (files)
        *files = result;
    return true;
}

bool TBRTFDWriter::writePackage(const FileList& files, const QString& path, TBFileError* error)
{
    const QString folder = makeSiblingFolder(path, ".tmp", error);
    if (folder.isEmpty())
        return false;
    for (const auto& [name, contents] : files) {
        // Each file is on disk before the folder replaces the old package.
        if (!TBFileWriter::write(folder + QLatin1Char('/') + name, contents, error)) {
            removeFolder(folder);
            return false;
        }
    }
    makeOrdinaryFolder(folder);

    const QByteArray target = QFile::encodeName(path);
    if (::rename(QFile::encodeName(folder).constData(), target.constData()) == 0)
        return true;
    const int renameError = errno;
    if (renameError != EEXIST && renameError != ENOTEMPTY && renameError != ENOTDIR && renameError != EISDIR) {
        removeFolder(folder);
        setErrno(error, path, TBFileError::Rename, renameError);
        return false;
    }

    // Something is in the way (an older package, or a file): move it aside, put the new package
    // in its place, and only then delete the old one, so a failure can put it back.
    QString aside = makeSiblingFolder(path, ".old", error);
    if (aside.isEmpty()) {
        removeFolder(folder);
        return false;
    }
    const QByteArray asidePath = QFile::encodeName(aside + QStringLiteral("/old"));
    if (::rename(target.constData(), asidePath.constData()) != 0) {
        const int code = errno;
        removeFolder(aside);
        removeFolder(folder);
        setErrno(error, path, TBFileError::Rename, code);
        return false;
    }
    if (::rename(QFile::encodeName(folder).constData(), target.constData()) != 0) {
        const int code = errno;
        ::rename(asidePath.constData(), target.constData());
        removeFolder(aside);
        removeFolder(folder);
        setErrno(error, path, TBFileError::Rename, code);
        return false;
    }
    removeFolder(aside);
    return true;
}
