#include "TBTextObjectHandler.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QPlainTextDocumentLayout>
#include <QTextDocument>
#include <QUrl>

TBTextObjectHandler::TBTextObjectHandler(QObject* parent)
    : QObject(parent)
{ }

void TBTextObjectHandler::install(QTextDocument* document)
{
    QAbstractTextDocumentLayout* layout = document->documentLayout();
    auto* handler = new TBTextObjectHandler(layout);
    layout->registerHandler(QTextFormat::ImageObject, handler);
    layout->registerHandler(SeparatorObjectType, handler);
}

QTextCharFormat TBTextObjectHandler::separatorFormat()
{
    QTextCharFormat format;
    format.setObjectType(SeparatorObjectType);
    return format;
}

QImage TBTextObjectHandler::imageForFormat(QTextDocument* document, const QTextFormat& format)
{
    if (!document || !format.isImageFormat())
        return QImage();
    const QVariant resource = document->resource(QTextDocument::ImageResource, QUrl(format.toImageFormat().name()));
    if (resource.canConvert<QImage>())
        return resource.value<QImage>();
    if (resource.canConvert<QPixmap>())
        return resource.value<QPixmap>().toImage();
    return QImage();
}

QSizeF TBTextObjectHandler::intrinsicSize(QTextDocument* document, int, const QTextFormat& format)
{
    if (isSeparator(format)) {
        // As wide as the text area, so the line runs across the pane whatever its width.
        // With wrapping on, the plain-text layout's width is the pane's.
        qreal width = document->textWidth();
        if (qobject_cast<QPlainTextDocumentLayout*>(document->documentLayout()))
            width = document->documentLayout()->documentSize().width();
        width -= 2 * document->documentMargin() + 4;
        const QFontMetricsF metrics(format.toCharFormat().font());
        return QSizeF(qMax<qreal>(width, 40), qCeil(metrics.height() * 0.8));
    }
    const QImage image = imageForFormat(document, format);
    if (image.isNull())
        return QSizeF(16, 16);
    const QTextImageFormat imageFormat = format.toImageFormat();
    QSizeF size = image.size();
    if (imageFormat.hasProperty(QTextFormat::ImageWidth) && imageFormat.hasProperty(QTextFormat::ImageHeight))
        size = QSizeF(imageFormat.width(), imageFormat.height());
    return size;
}

void TBTextObjectHandler::drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document, int,
                                     const QTextFormat& format)
{
    if (isSeparator(format)) {
        painter->save();
        QColor color = QGuiApplication::palette().color(QPalette::Mid);
        painter->setPen(QPen(color, 1));
        const qreal y = qFloor(rect.center().y()) + 0.5;
        painter->drawLine(QPointF(rect.left() + 2, y), QPointF(rect.right() - 2, y));
        painter->restore();
        return;
    }
    const QImage image = imageForFormat(document, format);
    if (image.isNull()) {
        painter->save();
        painter->setPen(QGuiApplication::palette().color(QPalette::Mid));
        painter->drawRect(rect.adjusted(0.5, 0.5, -0.5, -0.5));
        painter->restore();
        return;
    }
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->drawImage(rect, image);
    painter->restore();
}
