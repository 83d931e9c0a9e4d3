#pragma once

#include <QObject>
#include <QTextFormat>
#include <QTextObjectInterface>

class QTextDocument;

// Draws the objects embedded in the text panes: pictures (image resources of the document) and
// the separator line between commands and entries. The plain-text layout the panes use draws no
// objects by itself, so each pane registers one of these with its document's layout.
class TBTextObjectHandler : public QObject, public QTextObjectInterface
{
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)
public:
    // The object type of a separator line (a U+FFFC character carrying this type).
    static constexpr int SeparatorObjectType = QTextFormat::UserObject + 1;

    explicit TBTextObjectHandler(QObject* parent = nullptr);

    // Registers a handler for pictures and separators with the document's current layout.
    static void install(QTextDocument* document);

    static QTextCharFormat separatorFormat();
    static bool isSeparator(const QTextFormat& format) { return format.objectType() == SeparatorObjectType; }

    QSizeF intrinsicSize(QTextDocument* document, int posInDocument, const QTextFormat& format) override;
    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document, int posInDocument,
                    const QTextFormat& format) override;

    // The picture an image format refers to; null when the document has none under that name.
    static QImage imageForFormat(QTextDocument* document, const QTextFormat& format);
};
