#include "TBPictureFiles.h"

#include "TBFileWriter.h"
#include "TBMessageQueue.h"
#include "TBRichText.h"
#include "TBSavePanel.h"

#include <QDir>
#include <QDrag>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QPixmap>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

namespace {

// Folder for pictures dragged out of the Details text; lives as long as the application.
QString dragFolder()
{
    static QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/tamblin-drag-XXXXXX"));
    return folder.isValid() ? folder.path() : QString();
}

} // namespace

QString TBPictureFiles::freePictureFileName(const QString& folder, const QString& baseName)
{
    const QDir dir(folder);
    QString name = QStringLiteral("%1.jpg").arg(baseName);
    for (qint64 counter = 2; dir.exists(name); ++counter)
        name = QStringLiteral("%1 %2.jpg").arg(baseName).arg(counter);
    return name;
}

QString TBPictureFiles::writePictureToFolder(const QImage& image, const QString& folder, const QString& baseName)
{
    if (image.isNull())
        return QString();
    const QByteArray jpeg = TBRichText::jpegData(image);
    if (jpeg.isEmpty())
        return QString();
    const QString name = freePictureFileName(folder, baseName);
    return TBFileWriter::write(QDir(folder).filePath(name), jpeg) ? name : QString();
}

void TBPictureFiles::startPictureDrag(const QImage& image, const QString& baseName, QWidget* source)
{
    // Each drag gets a folder of its own, so the file keeps the plain name "Photo.jpg".
    const QString root = dragFolder();
    if (root.isEmpty() || image.isNull())
        return;
    QTemporaryDir folder(root + QStringLiteral("/drag-XXXXXX"));
    if (!folder.isValid())
        return;
    folder.setAutoRemove(false);
    const QString name = writePictureToFolder(image, folder.path(), baseName);
    if (name.isEmpty())
        return;
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(QDir(folder.path()).filePath(name))});
    data->setImageData(image);
    auto* drag = new QDrag(source);
    drag->setMimeData(data);
    drag->setPixmap(QPixmap::fromImage(image.scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    drag->exec(Qt::CopyAction);
}

void TBPictureFiles::savePictureAs(const QImage& image, const QString& baseName, QWidget* window,
                                   TBMessageQueue* messages)
{
    if (image.isNull())
        return;
    QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    QFileDialog* panel = TBSavePanel::make(window, QObject::tr("Save Picture"), QStringLiteral("savePicturePanel"),
                                           QStringLiteral("jpg"), {QObject::tr("JPEG pictures (*.jpg *.jpeg)")});
    panel->setDirectory(folder);
    panel->selectFile(freePictureFileName(folder, baseName));
    // The connections end with the queue, which lives as long as the window.
    QObject::connect(panel, &QFileDialog::fileSelected, messages, [messages, image](const QString& path) {
        const QByteArray jpeg = TBRichText::jpegData(image);
        // A picture without a JPEG form is never written; the message says no more than Qt would.
        TBFileError error {path, TBFileError::Encode, 0, QString(), QStringLiteral("Unknown error"), 0};
        if (jpeg.isEmpty() || !TBFileWriter::write(path, jpeg, &error))
            messages->setTheDeferredMessage(error.messageText(), QObject::tr("Could not save picture"));
    });
    QObject::connect(panel, &QFileDialog::finished, messages, &TBMessageQueue::displayTheDeferredMessage);
    panel->open();
}
