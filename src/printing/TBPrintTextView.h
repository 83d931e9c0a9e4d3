#pragma once

#include "TBRichText.h"

#include <QSizeF>

#include <atomic>
#include <memory>

class QPrinter;
class QTextDocument;

// The text a window prints, laid out in pages of the printer's printable area. It keeps the text
// as runs, which are cheap to gather on the main thread; the layout and the painting happen in
// whichever thread prints (a whole result takes seconds), on a text document of that thread.
class TBPrintTextView
{
public:
    TBPrintTextView();
    ~TBPrintTextView();
    TBPrintTextView(const TBPrintTextView& other);
    TBPrintTextView& operator=(const TBPrintTextView& other);

    // The printable area, in points.
    QSizeF frame() const { return m_frame; }
    void setFrame(const QSizeF& frame) { m_frame = frame; }

    const TBRichText& text() const { return m_text; }
    void clear();
    void append(const TBRichText& text);
    bool isEmpty() const { return m_text.isEmpty(); }

    // The laid-out text (built on first use, in the calling thread).
    QTextDocument* document();
    // Lays the text out at least up to the character at index (the last one when beyond the end).
    void doForegroundLayoutToCharacterIndex(qsizetype index);
    // The height of the whole text laid out in the frame's width, in points.
    qreal sizeToFit();

    // Lays out and paints the text on the printer, page after page, within the printer's page
    // range; stops (answering false) when abort becomes true or the printer fails.
    bool print(QPrinter* printer, const std::atomic<bool>* abort = nullptr);

private:
    TBRichText m_text;
    QSizeF m_frame;
    std::unique_ptr<QTextDocument> m_document;
};
