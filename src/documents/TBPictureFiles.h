#pragma once

#include <QImage>
#include <QString>

class QWidget;
class TBMessageQueue;

// Pictures taken out of the Details text as JPEG files (quality 100): dragged out as a file in a
// private temporary folder, or saved with "Save Picture As…" under the first free name.
class TBPictureFiles
{
public:
    // The first of "<base>.jpg", "<base> 2.jpg", "<base> 3.jpg", ... not present in the folder.
    static QString freePictureFileName(const QString& folder, const QString& baseName);
    // Writes the picture under the first free name; returns the file name, or an empty string when
    // the picture has no JPEG form or cannot be written.
    static QString writePictureToFolder(const QImage& image, const QString& folder, const QString& baseName);
    // Drags the picture out of source as "<base>.jpg".
    static void startPictureDrag(const QImage& image, const QString& baseName, QWidget* source);
    // Asks where with a save panel on the window; a failure is shown once the panel has closed.
    static void savePictureAs(const QImage& image, const QString& baseName, QWidget* window, TBMessageQueue* messages);
};
