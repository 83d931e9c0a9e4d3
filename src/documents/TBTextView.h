#pragma once

#include "TBEditCommands.h"

#include <QByteArray>
#include <QList>
#include <QPlainTextEdit>
#include <QString>
#include <QTextCharFormat>
#include <QTimer>

class QMenu;

// A text pane the user reads but cannot type into; a selection can still be cut or deleted
// (Backspace and Delete included), copied, and searched with the find bar.
//
// Appending is built for large tool output (tens of megabytes): text goes in as a few big
// inserts, lines are grouped into blocks of up to linesPerBlock lines (joined by line separators,
// which read back as line feeds), and big appends are inserted a slice per event-loop turn so the
// window keeps painting. Reading the text (plainText(), isEmpty(), find) first inserts whatever is
// still pending, so callers always see every append in order.
class TBTextView : public QPlainTextEdit, public TBEditCommands
{
    Q_OBJECT
public:
    static constexpr int linesPerBlock = 128;
    // Appends up to this many characters (or bytes) go in at once; larger ones are sliced.
    static constexpr qsizetype directAppendLimit = 256 * 1024;
    static constexpr qsizetype sliceSize = 1024 * 1024;
    // How a separator line reads as plain text.
    static QString separatorText();

    explicit TBTextView(QWidget* parent = nullptr);

    void appendText(const QString& text, const QTextCharFormat& format = QTextCharFormat());
    // UTF-8 bytes (invalid sequences read as U+FFFD).
    void appendUtf8(const QByteArray& data, const QTextCharFormat& format = QTextCharFormat());
    // A separator line across the pane, followed by a line break.
    void appendHorizontalLine();
    void clearText();
    // Inserts every pending append now.
    void flushPendingText();
    bool hasPendingText() const { return !m_pending.isEmpty(); }
    // Scrolls to the last line, pending text included.
    void scrollToEnd();

    // The whole text as plain text: separators as separatorText(), pictures left out.
    QString plainText();
    bool isEmpty() const;
    // Plain text of a range of the document.
    static QString plainTextOfRange(const QTextCursor& range);

    // A cursor at the end of the text, for callers that insert rich text themselves; call
    // textInserted() after such an insert.
    QTextCursor endCursor();
    void textInserted();

    bool canCut() const override { return textCursor().hasSelection(); }
    bool canCopy() const override { return textCursor().hasSelection(); }
    bool canDelete() const override { return textCursor().hasSelection(); }
    bool canSelectAll() const override { return !document()->isEmpty() || hasPendingText(); }

    // Finds the next (or previous) occurrence from the current selection, wrapping around the
    // end; selects and shows it. Case-insensitive.
    bool findText(const QString& text, bool backwards = false);

public Q_SLOTS:
    void cut() override;
    void copy() override { QPlainTextEdit::copy(); }
    // Deletes the selection (the menu's Delete).
    void del() override;
    void selectAll() override;

Q_SIGNALS:
    void findRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    QMimeData* createMimeDataFromSelection() const override;
    // Builds the context menu at a viewport position; subclasses add their items.
    virtual QMenu* createContextMenu(const QPoint& viewportPos);

private:
    struct Pending
    {
        QString text;
        QByteArray bytes;
        bool isBytes = false;
        bool isLine = false;
        QTextCharFormat format;
        qsizetype offset = 0;
    };

    void enqueue(Pending&& item);
    void processPending(bool all);
    void insertGrouped(const QString& text, const QTextCharFormat& format);
    void updateLineEstimates(QTextBlock from);
    void notifySizeChanged();

    QList<Pending> m_pending;
    QTimer m_pendingTimer;
    int m_linesInLastBlock = 0;
};
