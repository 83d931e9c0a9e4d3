#include "TBDocumentPrinter.h"

#include "TBDocument.h"
#include "TBEntryRendering.h"
#include "TBFonts.h"
#include "TBPreferences.h"
#include "TBPrintPanelAccessoryController.h"

#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QtConcurrent>

namespace {

// A number stored under the key, when it is one; the fallback otherwise.
double numberFor(const QVariantMap& dictionary, const QString& key, double fallback)
{
    const QVariant value = dictionary.value(key);
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
        return value.toDouble();
    default:
        return fallback;
    }
}

qint64 integerFor(const QVariantMap& dictionary, const QString& key, qint64 fallback)
{
    const QVariant value = dictionary.value(key);
    return (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int) ? value.toLongLong() : fallback;
}

bool boolFor(const QVariantMap& dictionary, const QString& key, bool fallback)
{
    const QVariant value = dictionary.value(key);
    return value.typeId() == QMetaType::Bool ? value.toBool() : fallback;
}

QMarginsF preferenceMargins(const TBPreferences* prefs)
{
    return QMarginsF(prefs->printLeftMargin(), prefs->printTopMargin(), prefs->printRightMargin(),
                     prefs->printBottomMargin());
}

} // namespace

struct TBDocumentPrinter::Operation
{
    QPrinter printer {QPrinter::HighResolution};
    TBPrintInfo info;
};

TBDocumentPrinter::TBDocumentPrinter(TBDocument* document)
    : QObject(document)
    , m_document(document)
{
    connect(&m_watcher, &QFutureWatcher<bool>::finished, this, [this] {
        // Only the end of a job counts (a watcher also reports a future it is handed).
        if (m_jobStarted)
            printOperationDidRun(!m_abort.load() && m_watcher.future().resultCount() > 0 && m_watcher.result());
    });
}

TBDocumentPrinter::~TBDocumentPrinter()
{
    m_abort = true;
    m_watcher.waitForFinished();
}

const TBPrintInfo& TBDocumentPrinter::thePrintInfo()
{
    if (!m_thePrintInfo) {
        TBPrintInfo info = TBPrintInfo::sharedPrintInfo();
        info.setMarginsFromPreferenceMargins(preferenceMargins(TBPreferences::sharedPreferences()));
        m_thePrintInfo = info;
    }
    return *m_thePrintInfo;
}

void TBDocumentPrinter::setThePrintInfo(const TBPrintInfo& printInfo)
{
    if (m_thePrintInfo && *m_thePrintInfo == printInfo)
        return;
    m_thePrintInfo = printInfo;
}

QPrinter* TBDocumentPrinter::currentPrinter() const
{
    return m_operation ? &m_operation->printer : nullptr;
}

TBPrintInfo* TBDocumentPrinter::currentPrintInfo() const
{
    return m_operation ? &m_operation->info : nullptr;
}

void TBDocumentPrinter::setPrinting(bool printing)
{
    m_printing = printing;
    Q_EMIT printingChanged();
}

// Page set-up

void TBDocumentPrinter::runPageLayout()
{
    if (m_printing || m_pageLayoutSheet)
        return;
    m_pageLayoutPrinter = std::make_unique<QPrinter>();
    thePrintInfo().applyTo(*m_pageLayoutPrinter);
    auto* sheet = new QPageSetupDialog(m_pageLayoutPrinter.get(), m_document);
    sheet->setObjectName(QStringLiteral("pageLayoutSheet"));
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->setWindowModality(Qt::WindowModal);
    // The margins are the print options' (the print dialog's options tab): the sheet's own would
    // be overridden, so they are not offered.
    if (auto* margin = sheet->findChild<QWidget*>(QStringLiteral("topMargin"))) {
        if (QWidget* group = margin->parentWidget())
            group->hide();
    }
    m_pageLayoutSheet = sheet;
    connect(sheet, &QDialog::finished, this, &TBDocumentPrinter::pageLayoutDidEnd);
    setPrinting(true);
    sheet->open();
}

void TBDocumentPrinter::pageLayoutDidEnd(int result)
{
    if (result == QDialog::Accepted && m_pageLayoutPrinter) {
        TBPrintInfo info = thePrintInfo();
        info.takePageLayoutFrom(*m_pageLayoutPrinter);
        // The margins stay those of the print options, on the paper chosen now.
        info.setMarginsFromPreferenceMargins(preferenceMargins(TBPreferences::sharedPreferences()));
        setThePrintInfo(info);
    }
    m_pageLayoutSheet = nullptr;
    setPrinting(false);
    m_document->displayTheDeferredMessage();
}

// The job

void TBDocumentPrinter::printDocument()
{
    if (m_printing)
        return;
    m_texts.clear();
    m_operation = std::make_unique<Operation>();
    m_operation->info = thePrintInfo();
    m_operation->info.applyTo(m_operation->printer);
    m_operation->printer.setDocName(m_document->windowTitle());

    auto* panel = new QPrintDialog(&m_operation->printer, m_document);
    panel->setObjectName(QStringLiteral("printPanel"));
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setWindowModality(Qt::WindowModal);
    panel->setOption(QAbstractPrintDialog::PrintSelection, false);
    panel->setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    // How many pages there are is known only once the text is laid out.
    panel->setMinMax(1, 99999);
    auto* accessory = new TBPrintPanelAccessoryController;
    accessory->setDocument(m_document);
    panel->setOptionTabs({accessory});
    accessory->setRepresentedObject(&m_operation->info);
    m_printPanel = panel;
    m_accessory = accessory;
    connect(panel, &QDialog::finished, this, &TBDocumentPrinter::printPanelDidEnd);
    setPrinting(true);
    panel->open();
}

void TBDocumentPrinter::printPanelDidEnd(int result)
{
    if (result != QDialog::Accepted || !m_operation) {
        printOperationDidRun(false);
        return;
    }
    if (m_accessory)
        m_accessory->commitEditing();
    m_printPanel = nullptr;
    m_accessory = nullptr;
    // The dialog may have changed the paper or the orientation.
    m_operation->info.takePageLayoutFrom(m_operation->printer);
    updatePrintTextView();
    m_operation->info.applyTo(m_operation->printer);
    m_abort = false;
    m_jobStarted = true;
    // The worker has a copy of the text; the printer stays with the operation until it is done.
    QPrinter* printer = &m_operation->printer;
    TBPrintTextView view = m_printTextView;
    std::atomic<bool>* abort = &m_abort;
    m_watcher.setFuture(QtConcurrent::run([view, printer, abort]() mutable { return view.print(printer, abort); }));
    Q_EMIT printingChanged();
}

void TBDocumentPrinter::printOperationDidRun(bool success)
{
    const bool failed = !success && m_jobStarted && !m_abort.load();
    m_jobStarted = false;
    if (success && m_operation) {
        TBPreferences* prefs = TBPreferences::sharedPreferences();
        const QVariantMap& dictionary = m_operation->info.dictionary;
        if (dictionary.contains(TBPrintInfo::printWhatKey))
            prefs->setPrintWhat(integerFor(dictionary, TBPrintInfo::printWhatKey, prefs->printWhat()));
        if (dictionary.contains(TBPrintInfo::summaryInfoKey))
            prefs->setPrintSummaryInfo(boolFor(dictionary, TBPrintInfo::summaryInfoKey, prefs->printSummaryInfo()));
        if (dictionary.contains(TBPrintInfo::leftMarginKey))
            prefs->setPrintLeftMargin(numberFor(dictionary, TBPrintInfo::leftMarginKey, prefs->printLeftMargin()));
        if (dictionary.contains(TBPrintInfo::topMarginKey))
            prefs->setPrintTopMargin(numberFor(dictionary, TBPrintInfo::topMarginKey, prefs->printTopMargin()));
        if (dictionary.contains(TBPrintInfo::rightMarginKey))
            prefs->setPrintRightMargin(numberFor(dictionary, TBPrintInfo::rightMarginKey, prefs->printRightMargin()));
        if (dictionary.contains(TBPrintInfo::bottomMarginKey))
            prefs->setPrintBottomMargin(
                numberFor(dictionary, TBPrintInfo::bottomMarginKey, prefs->printBottomMargin()));
        setThePrintInfo(m_operation->info);
    }
    if (failed)
        m_document->setTheDeferredMessage(QStringLiteral("The printer or the file could not be written."),
                                          QStringLiteral("Could not print"));
    m_texts.clear();
    m_operation.reset();
    m_printPanel = nullptr;
    m_accessory = nullptr;
    m_printTextView.clear();
    setPrinting(false);
    Q_EMIT printOperationFinished(success);
    m_document->displayTheDeferredMessage();
}

// The printed text

void TBDocumentPrinter::updatePrintTextView()
{
    thePrintInfo();
    TBPrintInfo& info = m_operation ? m_operation->info : *m_thePrintInfo;
    const TBPreferences* prefs = TBPreferences::sharedPreferences();
    const QVariantMap& dictionary = info.dictionary;
    const qint64 choice = integerFor(dictionary, TBPrintInfo::printWhatKey, prefs->printWhat());
    const bool summary = boolFor(dictionary, TBPrintInfo::summaryInfoKey, prefs->printSummaryInfo());
    const QMarginsF margins(numberFor(dictionary, TBPrintInfo::leftMarginKey, prefs->printLeftMargin()),
                            numberFor(dictionary, TBPrintInfo::topMarginKey, prefs->printTopMargin()),
                            numberFor(dictionary, TBPrintInfo::rightMarginKey, prefs->printRightMargin()),
                            numberFor(dictionary, TBPrintInfo::bottomMarginKey, prefs->printBottomMargin()));
    info.setMarginsFromPreferenceMargins(margins);

    if (summary && !m_texts.summaryInfoForPrinting)
        m_document->updateSummaryInfoForPrinting();
    if (choice == TBPrintPanelAccessoryController::printDetailsSelected && !m_texts.detailsSelectedForPrinting)
        m_document->updateDetailsSelectedForPrinting();
    if (choice == TBPrintPanelAccessoryController::printDetailsAll && !m_texts.detailsAllForPrinting)
        m_document->updateDetailsAllForPrinting();
    // Only when it is printed: the output of a large search is tens of megabytes.
    if (choice == TBPrintPanelAccessoryController::printCommandOutput && !m_texts.commandOutputForPrinting)
        m_document->updateCommandOutputForPrinting();

    m_printTextView.setFrame(info.pageLayout.paintRect(QPageLayout::Point).size());
    m_printTextView.clear();
    if (summary && m_texts.summaryInfoForPrinting)
        m_printTextView.append(*m_texts.summaryInfoForPrinting);
    const std::optional<TBRichText>* body = nullptr;
    switch (choice) {
    case TBPrintPanelAccessoryController::printDetailsSelected:
        body = &m_texts.detailsSelectedForPrinting;
        break;
    case TBPrintPanelAccessoryController::printDetailsAll:
        body = &m_texts.detailsAllForPrinting;
        break;
    case TBPrintPanelAccessoryController::printCommandOutput:
        body = &m_texts.commandOutputForPrinting;
        break;
    default:
        break;
    }
    if (body && *body)
        m_printTextView.append(**body);
    // The layout is done by the job, on its own thread (TBPrintTextView::print).
}

void TBDocumentPrinter::appendSummaryLine(TBRichText& text, const QString& label, const QString& value)
{
    text.append(label, TBFonts::printBoldFontAttributes());
    text.append(value, TBFonts::printFontAttributes());
    text.append(QStringLiteral("\n"), TBFonts::printFontAttributes());
}

void TBDocumentPrinter::appendDirectorySummary(TBRichText& text, const TBDirectory& directory)
{
    appendSummaryLine(text, QStringLiteral("Directory: "), directory.directoryName());
    appendSummaryLine(text, QStringLiteral("LDAP URI: "), directory.ldapURI());
    appendSummaryLine(text, QStringLiteral("Search Base: "), directory.searchBase());
}

TBRichText TBDocumentPrinter::entriesForPrinting(const TBEntryList& entries)
{
    const TBRenderingContext context = TBPreferences::sharedPreferences()->renderingContext();
    TBRichText text;
    for (const TBEntryPtr& entry : entries) {
        text.append(TBEntryRendering::infoForPrinting(*entry, context));
        text.append(QStringLiteral("\n"), TBFonts::printFontAttributes());
    }
    return text;
}
