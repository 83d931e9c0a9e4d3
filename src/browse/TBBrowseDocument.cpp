#include "TBBrowseDocument.h"

#include "TBCommandBrowse.h"
#include "TBCommandSearchOne.h"
#include "TBDetailsTextView.h"
#include "TBEntryItem.h"
#include "TBEntryItemTableController.h"
#include "TBEntryRendering.h"
#include "TBExport.h"
#include "TBFonts.h"
#include "TBOutlineView.h"
#include "TBPreferences.h"
#include "TBPrintPanelAccessoryController.h"
#include "TBSavePanel.h"
#include "TBSearcher.h"

#include <QFileDialog>
#include <QItemSelectionModel>
#include <QSplitter>
#include <QVBoxLayout>

namespace {

struct ExportChoice
{
    qint64 format;
    const char* filter;
};

const ExportChoice kExportChoices[] = {
    {TBExportPlainText, "Plain text (*.txt)"},
    {TBExportRTF, "Rich text (*.rtf)"},
    {TBExportRTFD, "Rich text with pictures (*.rtfd)"},
};

// No height stored yet, or not one to use.
const TBSplitViewSizes::Keys kPaneHeights {
    &TBPreferences::defaultBrowseTopHeight, &TBPreferences::setDefaultBrowseTopHeight,
    &TBPreferences::defaultBrowseBottomHeight, &TBPreferences::setDefaultBrowseBottomHeight,
    [](qint64 height) { return height <= 0; }};

} // namespace

TBBrowseDocument::TBBrowseDocument(QWidget* parent)
    : TBDocument(parent)
{
    m_optionsMenuTitle = QStringLiteral("Browse Options...");
    m_exportFileFormat = TBPreferences::sharedPreferences()->exportFileFormat();
}

TBBrowseDocument::~TBBrowseDocument()
{
    // The outline goes with the window; it must not ask the model about nodes already gone.
    if (m_entryItemTable)
        m_entryItemTable->setOutlineDelegate(nullptr);
    m_searchEntryItem = nullptr;
}

QWidget* TBBrowseDocument::createTopSubView()
{
    auto* pane = new QWidget;
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 4);
    m_entryItemTableController = new TBEntryItemTableController(this, this);
    m_entryItemTableController->setObjectName(QStringLiteral("entryItemTableController"));
    m_entryItemTable = new TBOutlineView(pane);
    m_entryItemTable->setObjectName(QStringLiteral("entryItemTable"));
    m_entryItemTable->setModel(m_entryItemTableController);
    m_entryItemTable->setOutlineDelegate(m_entryItemTableController);
    layout->addWidget(m_entryItemTable);
    return pane;
}

void TBBrowseDocument::windowDidLoad()
{
    // The Details pane shares a growing window with the tree: an entry's photo and attributes
    // are what the user came for, and a tall tree alone would keep them below the fold.
    splitView()->setStretchFactor(1, 1);
    updateDetailsText();
}

TBEntryItem* TBBrowseDocument::selectedEntryItem() const
{
    if (!m_entryItemTable)
        return nullptr;
    return TBEntryItemTableController::itemForIndex(m_entryItemTable->selectedIndex());
}

// Directory

void TBBrowseDocument::selectCurrentDirectory()
{
    TBDocument::selectCurrentDirectory();
    updateRootEntryItem();
}

void TBBrowseDocument::changeDirectory(int index)
{
    TBDocument::changeDirectory(index);
    updateRootEntryItem();
    clearOutputText();
}

void TBBrowseDocument::updateRootEntryItem()
{
    if (!m_entryItemTableController)
        return;
    const TBDirectoryPtr directory = currentDirectory();
    // The model is reset in both cases: an outline left showing the old tree would point into
    // nodes that are gone.
    m_entryItemTableController->beginRootChange();
    m_searchEntryItem = nullptr;
    if (directory) {
        const QString base = directory->searchBase();
        const QString name = directory->directoryName();
        m_rootEntryItem = std::make_unique<TBEntryItem>(base.isEmpty() ? QStringLiteral("No searchbase") : base,
                                                        name.isEmpty() ? QStringLiteral("No directory name") : name);
    } else {
        m_rootEntryItem.reset();
    }
    m_entryItemTableController->endRootChange();
    updateDetailsText();
}

// Commands

void TBBrowseDocument::runOn(const TBCommandPtr& command)
{
    command->setDn(m_searchEntryItem->dn());
    setupCommand(command);
    // Shown only, refused or waiting for nothing: the node is no longer being fetched.
    if (!m_currentCommand)
        m_searchEntryItem = nullptr;
}

void TBBrowseDocument::browse()
{
    if (m_searchEntryItem && canBrowse())
        runOn(std::make_shared<TBCommandBrowse>());
}

void TBBrowseDocument::searchOne()
{
    if (m_searchEntryItem && canSearchOne())
        runOn(std::make_shared<TBCommandSearchOne>());
}

void TBBrowseDocument::searcherOperationFinished()
{
    TBDocument::searcherOperationFinished();
    m_searchEntryItem = nullptr;
}

void TBBrowseDocument::commandSucceeded(const TBCommandPtr& command)
{
    if (command->commandType() == TBCommandTypeBrowse)
        browseCommandFinished();
    else if (command->commandType() == TBCommandTypeSearchOne)
        searchOneCommandFinished();
}

void TBBrowseDocument::browseCommandFinished()
{
    TBEntryItem* parent = m_searchEntryItem;
    if (!parent || parent->haveBrowsed())
        return;
    const TBEntryList entries = searcher()->takeResults();
    searcher()->clearResults();
    std::vector<std::unique_ptr<TBEntryItem>> children;
    children.reserve(size_t(entries.size()));
    for (const TBEntryPtr& entry : entries) {
        // A null dn would make a placeholder; a listing never has one, but stay a real node.
        const QString dn = entry->dn().isNull() ? QStringLiteral("") : entry->dn();
        children.push_back(std::make_unique<TBEntryItem>(dn, entry->firstPartOfDN()));
    }
    std::stable_sort(children.begin(), children.end(),
                     [](const auto& a, const auto& b) { return a->name() < b->name(); });
    if (children.empty())
        children.push_back(TBEntryItem::placeholder());
    m_entryItemTableController->insertChildren(parent, std::move(children));
    parent->sortChildren(); // keeps rows in step; already in order, so nothing moves
    parent->setHaveBrowsed(true);
    m_searchEntryItem = nullptr;
    m_entryItemTable->expand(m_entryItemTableController->indexForItem(parent));
}

void TBBrowseDocument::searchOneCommandFinished()
{
    TBEntryItem* item = m_searchEntryItem;
    const TBEntryList entries = searcher()->takeResults();
    searcher()->clearResults();
    if (!item || entries.size() != 1)
        return;
    item->setEntry(entries.constFirst());
    item->setHaveSearched(true);
    m_searchEntryItem = nullptr;
    updateDetailsText();
}

// Details

void TBBrowseDocument::updateDetailsText()
{
    TBDetailsTextView* view = detailsText();
    if (!view || !m_entryItemTable)
        return;
    view->clearText();
    if (m_entryItemTable->numberOfSelectedRows() == 0)
        return;
    const TBEntryItem* item = selectedEntryItem();
    if (!item) {
        view->appendText(QStringLiteral("<error - could not get entryItem from table>"),
                         TBFonts::displayFontAttributes());
        return;
    }
    const TBRichText* info = item->info();
    if (!info) {
        view->appendText(QStringLiteral("<error - could not get info for entryItem>"),
                         TBFonts::displayFontAttributes());
        return;
    }
    QTextCursor cursor = view->endCursor();
    cursor.beginEditBlock();
    info->insertInto(cursor);
    cursor.endEditBlock();
    view->textInserted();
}

QString TBBrowseDocument::draggedFileBaseName() const
{
    const TBEntryItem* item = selectedEntryItem();
    if (item && item->entry()) {
        const QString value = item->entry()->valueOfFirstPartOfDN();
        if (!value.isEmpty())
            return value;
    }
    return TBDocument::draggedFileBaseName();
}

// Panes and options

int TBBrowseDocument::subviewTopHeight() const
{
    return m_entryItemTable ? m_entryItemTable->rowHeight() * 8 + 2 : TBDocument::subviewTopHeight();
}

void TBBrowseDocument::saveSubviewSizes()
{
    if (m_shouldSaveSubviewSizes)
        TBSplitViewSizes::storeHeights(kPaneHeights, {topSubView()->height(), bottomSubView()->height()});
}

void TBBrowseDocument::restoreSubviewSizes()
{
    if (const std::optional<TBSplitViewSizes::Heights> heights = TBSplitViewSizes::storedHeights(kPaneHeights))
        splitViewSizes()->applyHeights(this, *heights);
}

QVariantMap TBBrowseDocument::getDefaultOptions() const
{
    QVariantMap options = TBDocument::getDefaultOptions();
    const qint64 fetch = TBPreferences::sharedPreferences()->fetchWhichAttrs();
    // Choices that pick attributes from a result list make no sense for reading one entry.
    options.insert(QStringLiteral("FetchWhichAttrs"), (fetch == 1 || fetch == 4) ? qint64(0) : fetch);
    return options;
}

// Export

bool TBBrowseDocument::canExportEntries() const
{
    return !documentBusy() && !m_exportingEntries && m_entryItemTable && m_entryItemTable->numberOfSelectedRows() == 1;
}

bool TBBrowseDocument::selectedEntryHasPicture() const
{
    const TBEntryItem* item = selectedEntryItem();
    return item && item->haveSearched() && item->entry() && TBExport::anyEntryHasPhoto({item->entry()});
}

bool TBBrowseDocument::exportEntriesToPath(const QString& path)
{
    const TBEntryItem* item = selectedEntryItem();
    if (!item)
        return false;
    const qint64 format = TBExport::availableFileFormat(m_exportFileFormat, selectedEntryHasPicture(), false);
    TBRichText text;
    if (format == TBExportRTFD) {
        if (const TBRichText* info = item->info())
            text.append(*info);
    } else {
        text = item->infoWithoutAttachments();
    }
    text.append(QStringLiteral("\n"), TBFonts::displayFontAttributes());
    TBExportMessage message;
    if (TBExport::exportTextToFile(text, format, path, &message))
        return true;
    setTheDeferredMessage(message.text, message.title);
    return false;
}

void TBBrowseDocument::exportEntries()
{
    if (!canExportEntries())
        return;
    m_exportingEntries = true;
    Q_EMIT validationChanged();
    const bool pictures = selectedEntryHasPicture();
    m_exportFileFormat = TBExport::availableFileFormat(m_exportFileFormat, pictures, false);
    QStringList filters;
    for (const ExportChoice& choice : kExportChoices) {
        if (choice.format != TBExportRTFD || pictures)
            filters.append(tr(choice.filter));
    }
    QFileDialog* panel = TBSavePanel::make(this, tr("Export Entry"), QStringLiteral("exportSavePanel"),
                                           TBExport::fileExtension(m_exportFileFormat), filters);
    panel->selectNameFilter(filters.value(int(m_exportFileFormat)));
    const TBEntryItem* item = selectedEntryItem();
    panel->selectFile(TBExport::suggestedFileName(item ? item->entry() : TBEntryPtr()) + QLatin1Char('.')
                      + TBExport::fileExtension(m_exportFileFormat));
    connect(panel, &QFileDialog::filterSelected, panel, [panel, filters](const QString& filter) {
        panel->setDefaultSuffix(TBExport::fileExtension(qMax(0, int(filters.indexOf(filter)))));
    });
    connect(panel, &QFileDialog::finished, this, [this, panel, filters](int result) {
        if (result == QDialog::Accepted && !panel->selectedFiles().isEmpty()) {
            m_exportFileFormat = qMax(0, int(filters.indexOf(panel->selectedNameFilter())));
            TBPreferences::sharedPreferences()->setExportFileFormat(m_exportFileFormat);
            exportEntriesToPath(panel->selectedFiles().constFirst());
        }
        m_exportingEntries = false;
        Q_EMIT validationChanged();
        displayTheDeferredMessage();
    });
    panel->open();
}

// Printing

bool TBBrowseDocument::canPrintWhat(qint64 choice) const
{
    switch (choice) {
    case TBPrintPanelAccessoryController::printDetailsSelected:
        return m_entryItemTable && m_entryItemTable->numberOfSelectedRows() == 1 && detailsText()
            && !detailsText()->isEmpty();
    case TBPrintPanelAccessoryController::printDetailsAll:
        return false;
    default:
        return TBDocument::canPrintWhat(choice);
    }
}

bool TBBrowseDocument::canPrintDocument() const
{
    // A node read below a root that was only listed counts too.
    const bool treeRead = m_rootEntryItem && (m_rootEntryItem->haveSearched() || m_rootEntryItem->haveBrowsed());
    return TBDocument::canPrintDocument()
        && (treeRead || TBDocument::canPrintWhat(TBPrintPanelAccessoryController::printCommandOutput));
}

void TBBrowseDocument::updateSummaryInfoForPrinting()
{
    TBRichText summary;
    if (const TBDirectoryPtr directory = currentDirectory())
        TBDocumentPrinter::appendDirectorySummary(summary, *directory);
    if (const TBEntryItem* item = selectedEntryItem(); item && !item->dn().isEmpty())
        TBDocumentPrinter::appendSummaryLine(summary, QStringLiteral("Entry: "), item->dn());
    if (!summary.isEmpty())
        summary.append(QStringLiteral("\n"), TBFonts::printFontAttributes());
    documentPrinter()->texts().summaryInfoForPrinting = summary;
}

void TBBrowseDocument::updateDetailsSelectedForPrinting()
{
    const TBEntryItem* item = selectedEntryItem();
    if (!item || !item->entry()) {
        TBDocument::updateDetailsSelectedForPrinting();
        return;
    }
    documentPrinter()->texts().detailsSelectedForPrinting = TBDocumentPrinter::entriesForPrinting({item->entry()});
}
