#pragma once

#include "TBDirectory.h"
#include "TBEntry.h"
#include "TBPrintInfo.h"
#include "TBPrintPanelAccessoryController.h"
#include "TBPrintTextView.h"
#include "TBRichText.h"

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>
#include <QPageSetupDialog>
#include <QPointer>
#include <QPrintDialog>

#include <atomic>
#include <memory>
#include <optional>

class QPrinter;
class TBDocument;

// The printed texts a window gathers for one job; each is made on first need.
struct TBPrintTexts
{
    std::optional<TBRichText> summaryInfoForPrinting;
    std::optional<TBRichText> detailsSelectedForPrinting;
    std::optional<TBRichText> detailsAllForPrinting;
    std::optional<TBRichText> commandOutputForPrinting;

    void clear() { *this = TBPrintTexts(); }
};

// A window's printing: its page set-up, the page set-up sheet, the print dialog with its options
// tab, and the job. The job lays out and paints on a worker thread, since a large result takes
// seconds; the window stays busy (and shows it) until the job has ended.
class TBDocumentPrinter : public QObject
{
    Q_OBJECT
public:
    explicit TBDocumentPrinter(TBDocument* document);
    // A job still running is stopped and waited for.
    ~TBDocumentPrinter() override;

    // The window's page set-up, made on first use from the printer's default paper and the
    // preference margins.
    const TBPrintInfo& thePrintInfo();
    void setThePrintInfo(const TBPrintInfo& printInfo);
    // A page set-up sheet or a print job is under way.
    bool printing() const { return m_printing; }

    void runPageLayout();
    void printDocument();

    // Gathers the text to print from the choices of the running job (or of the window's page
    // set-up), with the margins they name.
    void updatePrintTextView();
    TBPrintTextView& printTextView() { return m_printTextView; }
    TBPrintTexts& texts() { return m_texts; }

    // Pieces of the printed texts: a summary line (the label in the bold print font), a
    // directory's "Directory: ", "LDAP URI: " and "Search Base: " lines, entries one after another.
    static void appendSummaryLine(TBRichText& text, const QString& label, const QString& value);
    static void appendDirectorySummary(TBRichText& text, const TBDirectory& directory);
    static TBRichText entriesForPrinting(const TBEntryList& entries);

    QPageSetupDialog* pageLayoutSheet() const { return m_pageLayoutSheet; }
    QPrintDialog* printPanel() const { return m_printPanel; }
    TBPrintPanelAccessoryController* accessory() const { return m_accessory; }
    // The running job's printer and print info; null between jobs.
    QPrinter* currentPrinter() const;
    TBPrintInfo* currentPrintInfo() const;
    // The job is painting (after the dialog closed).
    bool jobRunning() const { return m_watcher.isRunning(); }

Q_SIGNALS:
    void printingChanged();
    // The job ended: printed (true), or cancelled or failed (false).
    void printOperationFinished(bool success);

private:
    struct Operation;

    void pageLayoutDidEnd(int result);
    void printPanelDidEnd(int result);
    void printOperationDidRun(bool success);
    void setPrinting(bool printing);

    TBDocument* m_document;
    std::optional<TBPrintInfo> m_thePrintInfo;
    bool m_printing = false;
    TBPrintTextView m_printTextView;
    TBPrintTexts m_texts;
    std::unique_ptr<Operation> m_operation;
    QPointer<QPageSetupDialog> m_pageLayoutSheet;
    QPointer<QPrintDialog> m_printPanel;
    QPointer<TBPrintPanelAccessoryController> m_accessory;
    std::unique_ptr<QPrinter> m_pageLayoutPrinter;
    std::atomic<bool> m_abort {false};
    bool m_jobStarted = false;
    QFutureWatcher<bool> m_watcher;
};
