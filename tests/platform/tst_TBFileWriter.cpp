#include "TBFileWriter.h"

#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>

// The one atomic file writer: a file is replaced whole or not at all, nothing is left beside it,
// and a failure names the file, the call and the system's reason.
class tst_TBFileWriter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replacesTheFileWhole();
    void failureSaysWhatAndWhy();
    void systemErrorsDescribeThemselves();
};

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

void tst_TBFileWriter::replacesTheFileWhole()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("out.txt"));
    QVERIFY(TBFileWriter::write(path, "first version, rather long\n"));
    QVERIFY(TBFileWriter::write(path, "second\n"));
    QCOMPARE(readFile(path), QByteArray("second\n"));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList {QStringLiteral("out.txt")});
}

void tst_TBFileWriter::failureSaysWhatAndWhy()
{
    QTemporaryDir folder;
    // A regular file where a folder should be: fails even for the superuser.
    const QString notAFolder = folder.filePath(QStringLiteral("file"));
    QVERIFY(TBFileWriter::write(notAFolder, "keep"));
    const QString path = notAFolder + QStringLiteral("/out.txt");
    TBFileError error;
    QVERIFY(!TBFileWriter::write(path, "data", &error));
    QVERIFY(error.isError());
    QCOMPARE(error.path, path);
    QCOMPARE(error.operation, TBFileError::Open);
    QCOMPARE(error.operationName(), QStringLiteral("open"));
    QCOMPARE(error.systemError, ENOTDIR);
    QCOMPARE(error.systemMessage, QString::fromLocal8Bit(std::strerror(ENOTDIR)));
    QVERIFY(!error.description.isEmpty());
    QCOMPARE(error.code, qint64(QFileDevice::OpenError));
    // The message shows the system's code, not Qt's.
    QCOMPARE(error.messageText(), error.systemMessage + QStringLiteral("\n(Error code: %1)").arg(ENOTDIR));
    QCOMPARE(readFile(notAFolder), QByteArray("keep"));
}

void tst_TBFileWriter::systemErrorsDescribeThemselves()
{
    const TBFileError error = TBFileError::fromErrno(QStringLiteral("/x"), TBFileError::Rename, EXDEV);
    QCOMPARE(error.operationName(), QStringLiteral("rename"));
    QCOMPARE(error.systemError, EXDEV);
    QCOMPARE(error.code, qint64(EXDEV));
    QCOMPARE(error.description, error.systemMessage);
    QVERIFY(!TBFileError().isError());
    // Without errno the layer's own description and code stand.
    const TBFileError encode {QStringLiteral("/x"), TBFileError::Encode, 0, QString(), QStringLiteral("Bad"), 3};
    QCOMPARE(encode.messageText(), QStringLiteral("Bad\n(Error code: 3)"));
}

QTEST_GUILESS_MAIN(tst_TBFileWriter)
#include "tst_TBFileWriter.moc"
