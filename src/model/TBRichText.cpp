#include "TBRichText.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QPixmap>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QUrl>

#include <atomic>

namespace {

std::atomic<qint64> s_nextImageSerial {1};

} // namespace

void TBRichText::append(const QString& text, const QTextCharFormat& format)
{
    if (text.isEmpty())
        return;
    m_runs.append(TBTextRun {text, format, QImage(), QString()});
}

void TBRichText::appendImage(const QImage& image, const QString& fileName, const QTextCharFormat& format)
{
    if (image.isNull())
        return;
    m_runs.append(TBTextRun {QString(), format, image, fileName});
}

void TBRichText::append(const TBRichText& other)
{
    m_runs.append(other.m_runs);
}

qsizetype TBRichText::imageCount() const
{
    qsizetype count = 0;
    for (const TBTextRun& run : m_runs) {
        if (run.isImage())
            ++count;
    }
    return count;
}

QString TBRichText::plainText() const
{
    QString text;
    for (const TBTextRun& run : m_runs)
        text += run.isImage() ? QString(ObjectReplacementCharacter) : run.text;
    return text;
}

QString TBRichText::plainTextWithoutImages() const
{
    QString text;
    for (const TBTextRun& run : m_runs)
        text += run.text;
    return text;
}

void TBRichText::insertInto(QTextCursor& cursor) const
{
    QTextDocument* document = cursor.document();
    for (const TBTextRun& run : m_runs) {
        if (!run.isImage()) {
            cursor.insertText(run.text, run.format);
            continue;
        }
        // The resource name only has to be unique; the file name travels in its own property.
        const QString name = QStringLiteral("tamblin-image:%1/%2")
                                 .arg(s_nextImageSerial.fetch_add(1))
                                 .arg(run.fileName.isEmpty() ? QStringLiteral("picture") : run.fileName);
        document->addResource(QTextDocument::ImageResource, QUrl(name), run.image);
        QTextImageFormat format;
        format.merge(run.format);
        format.setName(name);
        format.setWidth(run.image.width());
        format.setHeight(run.image.height());
        if (!run.fileName.isEmpty())
            format.setProperty(FileNameProperty, run.fileName);
        cursor.insertImage(format);
    }
}

void TBRichText::appendTo(QTextDocument* document) const
{
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    insertInto(cursor);
    cursor.endEditBlock();
}

TBRichText TBRichText::fromDocument(const QTextDocument& document)
{
    TBRichText text;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block != document.begin())
            text.append(QStringLiteral("\n"), block.previous().charFormat());
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            const QTextCharFormat format = fragment.charFormat();
            if (!format.isImageFormat()) {
                text.append(fragment.text(), format);
                continue;
            }
            const QTextImageFormat imageFormat = format.toImageFormat();
            const QVariant resource = document.resource(QTextDocument::ImageResource, QUrl(imageFormat.name()));
            QImage image;
            if (resource.canConvert<QImage>())
                image = resource.value<QImage>();
            else if (resource.canConvert<QPixmap>())
                image = resource.value<QPixmap>().toImage();
            const QString fileName = imageFormat.property(FileNameProperty).toString();
            // One fragment may hold several pictures of the same format.
            for (qsizetype i = 0; i < fragment.length(); ++i)
                text.appendImage(image, fileName, format);
        }
    }
    return text;
}

QByteArray TBRichText::jpegData(const QImage& image, QString* errorString)
{
    if (image.isNull()) {
        if (errorString)
            *errorString = QStringLiteral("The picture is empty.");
        return QByteArray();
    }
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(100);
    // JPEG has no alpha channel: flatten onto white rather than let transparent parts turn black.
    QImage flat = image;
    if (image.hasAlphaChannel()) {
        flat = QImage(image.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter painter(&flat);
        painter.drawImage(0, 0, image);
    }
    if (!writer.write(flat)) {
        if (errorString)
            *errorString = writer.errorString();
        return QByteArray();
    }
    return data;
}

bool TBRichText::canEncodeJPEG()
{
    static const bool can = QImageWriter::supportedImageFormats().contains("jpeg");
    return can;
}
