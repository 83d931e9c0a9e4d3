#include "TBDetailsTextView.h"

#include "TBTextObjectHandler.h"

#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextLayout>

TBDetailsTextView::TBDetailsTextView(QWidget* parent)
    : TBTextView(parent)
{ }

QImage TBDetailsTextView::imageAt(const QPoint& viewportPos) const
{
    const QTextCursor hit = cursorForPosition(viewportPos);
    // The click may land on either half of the picture: look at the characters on both sides.
    for (const int position : {hit.position(), hit.position() - 1}) {
        if (position < 0)
            continue;
        QTextCursor probe(document());
        probe.setPosition(position);
        if (!probe.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor))
            continue;
        const QTextCharFormat format = probe.charFormat();
        if (!format.isImageFormat() || probe.selectedText() != QString(QChar::ObjectReplacementCharacter))
            continue;
        QTextCursor before(document());
        before.setPosition(position);
        const QRect caret = cursorRect(before);
        const QImage image = TBTextObjectHandler::imageForFormat(document(), format);
        const QTextImageFormat imageFormat = format.toImageFormat();
        const qreal width = imageFormat.width() > 0 ? imageFormat.width() : image.width();
        if (viewportPos.x() >= caret.left() && viewportPos.x() <= caret.left() + width && caret.top() <= viewportPos.y()
            && viewportPos.y() <= caret.bottom())
            return image;
    }
    return QImage();
}

void TBDetailsTextView::mousePressEvent(QMouseEvent* event)
{
    m_pressedImage = QImage();
    if (event->button() == Qt::LeftButton) {
        m_pressedImage = imageAt(event->position().toPoint());
        m_pressPos = event->position().toPoint();
        if (!m_pressedImage.isNull()) {
            event->accept();
            return;
        }
    }
    TBTextView::mousePressEvent(event);
}

void TBDetailsTextView::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_pressedImage.isNull() && (event->buttons() & Qt::LeftButton)) {
        if ((event->position().toPoint() - m_pressPos).manhattanLength() >= QApplication::startDragDistance()) {
            const QImage image = m_pressedImage;
            m_pressedImage = QImage();
            Q_EMIT pictureDragRequested(image);
        }
        event->accept();
        return;
    }
    TBTextView::mouseMoveEvent(event);
}

void TBDetailsTextView::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_pressedImage.isNull()) {
        m_pressedImage = QImage();
        event->accept();
        return;
    }
    TBTextView::mouseReleaseEvent(event);
}

QMenu* TBDetailsTextView::createContextMenu(const QPoint& viewportPos)
{
    QMenu* menu = TBTextView::createContextMenu(viewportPos);
    const QImage image = imageAt(viewportPos);
    if (!image.isNull()) {
        QAction* first = menu->actions().value(0);
        auto* save = new QAction(tr("Save Picture As…"), menu);
        save->setObjectName(QStringLiteral("savePictureAsAction"));
        connect(save, &QAction::triggered, this, [this, image] { Q_EMIT savePictureRequested(image); });
        menu->insertAction(first, save);
        menu->insertSeparator(first);
    }
    return menu;
}
