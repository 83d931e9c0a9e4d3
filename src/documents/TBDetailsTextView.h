#pragma once

#include "TBTextView.h"

#include <QImage>
#include <QPoint>

// The Details pane: a TBTextView whose pictures can be dragged out as JPEG files or saved with
// "Save Picture As…" from the context menu. The window does the writing.
class TBDetailsTextView : public TBTextView
{
    Q_OBJECT
public:
    explicit TBDetailsTextView(QWidget* parent = nullptr);

    // The picture drawn at a viewport position; null when there is none.
    QImage imageAt(const QPoint& viewportPos) const;

Q_SIGNALS:
    void pictureDragRequested(const QImage& image);
    void savePictureRequested(const QImage& image);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    QMenu* createContextMenu(const QPoint& viewportPos) override;

private:
    QImage m_pressedImage;
    QPoint m_pressPos;
};
