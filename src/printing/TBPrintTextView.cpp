#include "TBPrintTextView.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPrinter>
#include <QTextBlock>
#include <QTextDocument>

TBPrintTextView::TBPrintTextView() = default;
TBPrintTextView::~TBPrintTextView() = default;

TBPrintTextView::TBPrintTextView(const TBPrintTextView& other)
    : m_text(other.m_text)
    , m_frame(other.m_frame)
{ }

TBPrintTextView& TBPrintTextView::operator=(const TBPrintTextView& other)
{
    if (this != &other) {
        m_text = other.m_text;
        m_frame = other.m_frame;
        m_document.reset();
    }
    return *this;
}

void TBPrintTextView::clear()
{
    m_text.clear();
    m_document.reset();
}

void TBPrintTextView::append(const TBRichText& text)
{
    m_text.append(text);
    m_document.reset();
}

QTextDocument* TBPrintTextView::document()
{
    if (!m_document) {
        m_document = std::make_unique<QTextDocument>();
        m_document->setUndoRedoEnabled(false);
        m_document->setDocumentMargin(0);
        if (m_frame.width() > 0)
            m_document->setTextWidth(m_frame.width());
        m_text.appendTo(m_document.get());
    }
    return m_document.get();
}

void TBPrintTextView::doForegroundLayoutToCharacterIndex(qsizetype index)
{
    if (index <= 0 || m_text.isEmpty())
        return;
    QTextDocument* doc = document();
    const int last = qMax(0, doc->characterCount() - 2);
    const int position = int(qMin<qsizetype>(index, last));
    const QTextBlock block = doc->findBlock(position);
    if (block.isValid() && position > 0)
        doc->documentLayout()->blockBoundingRect(block);
}

qreal TBPrintTextView::sizeToFit()
{
    return document()->documentLayout()->documentSize().height();
}

bool TBPrintTextView::print(QPrinter* printer, const std::atomic<bool>* abort)
{
    // A document of this thread, laid out for the printer's resolution.
    QTextDocument doc;
    doc.setUndoRedoEnabled(false);
    m_text.appendTo(&doc);
    doc.documentLayout()->setPaintDevice(printer);
    // Tabs every half inch, as on the screen; the layout scales tab distances from 96 dpi.
    QTextOption option = doc.defaultTextOption();
    option.setTabStopDistance(36.0 * 96.0 / 72.0);
    doc.setDefaultTextOption(option);
    const QRectF page = printer->pageRect(QPrinter::DevicePixel);
    doc.setPageSize(page.size());
    doc.setDocumentMargin(0);
    const int pages = qMax(1, doc.pageCount());

    int from = 1;
    int to = pages;
    if (printer->printRange() == QPrinter::PageRange && printer->fromPage() > 0) {
        from = qMin(printer->fromPage(), pages);
        to = printer->toPage() > 0 ? qBound(from, printer->toPage(), pages) : pages;
    }

    QPainter painter;
    if (!painter.begin(printer))
        return false;
    for (int number = from; number <= to; ++number) {
        if (abort && abort->load()) {
            painter.end();
            printer->abort();
            return false;
        }
        if (number > from && !printer->newPage())
            return false;
        // A device pixel short: the next page's first line starts exactly at this page's end, and
        // would otherwise be drawn here too (clipped, yet in the file's text).
        const QRectF clip(0, (number - 1) * page.height(), page.width(), page.height() - 1);
        painter.save();
        painter.translate(0, -clip.top());
        painter.setClipRect(clip);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = clip;
        context.palette.setColor(QPalette::Text, Qt::black);
        doc.documentLayout()->draw(&painter, context);
        painter.restore();
    }
    return painter.end();
}
