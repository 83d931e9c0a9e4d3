#include "TBSearchDocument.h"

#include "TBCommandSearch.h"
#include "TBDetailsTextView.h"
#include "TBEntryRendering.h"
#include "TBEntryTableController.h"
#include "TBExportPanel.h"
#include "TBFonts.h"
#include "TBNotificationCenter.h"
#include "TBPreferences.h"
#include "TBPrintPanelAccessoryController.h"
#include "TBSearchCriteriaTableController.h"
#include "TBSearchItem.h"
#include "TBSearcher.h"
#include "TBTableView.h"
#include "TBTextObjectHandler.h"

#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Both 0 and -1 mean that no height has been stored yet.
const TBSplitViewSizes::Keys kPaneHeights {
    &TBPreferences::defaultSearchTopHeight, &TBPreferences::setDefaultSearchTopHeight,
    &TBPreferences::defaultSearchBottomHeight, &TBPreferences::setDefaultSearchBottomHeight,
    [](qint64 height) { return height == 0 || height == -1; }};

} // namespace

TBSearchDocument::TBSearchDocument(QWidget* parent)
    : TBDocument(parent)
{
    const TBSearchCriteriaPtr previous = TBPreferences::sharedPreferences()->previousSearch();
    m_searchCriteria = previous
        ? previous->copy()
        : TBSearchCriteria::searchCriteria(TBPreferences::sharedPreferences()->lastSelectedAttribute());
    m_optionsMenuTitle = QStringLiteral("Search Options...");
    const TBDocumentActions& actions = menuActions();
    connect(actions.search, &QAction::triggered, this, &TBSearchDocument::search);
    connect(actions.saveCurrentSearch, &QAction::triggered, this, &TBSearchDocument::saveCurrentSearch);
    connect(actions.useSelectedSearch, &QAction::triggered, this, &TBSearchDocument::useSelectedSearch);
    // A saved search's item carries its place in the list.
    connect(actions.savedSearches, &QActionGroup::triggered, this,
            [this](QAction* item) { useSpecificSearch(item->data().toInt()); });
    actions.savedSearches->setEnabled(true);
    // The criteria rows' attribute pop-ups list the registry's attributes.
    TBNotificationCenter::defaultCenter()->addObserver(this, TBPrefsAttributesHaveChangedNotification,
                                                       [this](const TBNotification&) {
                                                           if (m_searchTableController)
                                                               m_searchTableController->reloadData();
                                                       });
}

void TBSearchDocument::setSearchCriteria(const TBSearchCriteriaPtr& criteria)
{
    if (!criteria)
        return;
    m_searchCriteria = criteria->copy();
    if (m_searchTableController)
        m_searchTableController->reloadData();
    updateSearchButton();
}

void TBSearchDocument::applySearchCriteria(const TBSearchCriteriaPtr& criteria)
{
    if (!criteria)
        return;
    setSearchCriteria(criteria);
    selectSearchTextForRow(0);
    TBPreferences::sharedPreferences()->setPreviousSearch(m_searchCriteria->copy());
}

QWidget* TBSearchDocument::createHeaderView()
{
    // One to four rows of attribute, comparison and text; the area grows with the rows.
    auto* area = new QFrame;
    area->setObjectName(QStringLiteral("searchScrollView"));
    area->setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    m_searchTableController = new TBSearchCriteriaTableController(this, area, this);
    m_searchTableController->tableView()->setObjectName(QStringLiteral("searchTable"));
    layout->addWidget(m_searchTableController->tableView());
    connect(m_searchTableController, &TBSearchCriteriaTableController::otherAttributeSheetClosed, this,
            &TBSearchDocument::updateSearchButton);
    connect(m_searchTableController, &TBSearchCriteriaTableController::numberOfRowsChanged, this,
            &TBSearchDocument::updateSearchButton);
    return area;
}

QWidget* TBSearchDocument::createTopSubView()
{
    auto* pane = new QWidget;
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 4);
    layout->setSpacing(4);
    m_entryTable = new TBTableView(pane);
    m_entryTable->setObjectName(QStringLiteral("entryTable"));
    m_entryTableController = new TBEntryTableController(m_entryTable, this);
    connect(m_entryTableController, &TBEntryTableController::selectionChanged, this,
            &TBSearchDocument::updateDetailsText);
    // Sorting and deleting rows change the table's list; the window follows it.
    connect(m_entryTableController, &TBEntryTableController::entriesChanged, this,
            &TBSearchDocument::entriesChangedInTable);
    m_numEntriesField = new QLabel(pane);
    m_numEntriesField->setObjectName(QStringLiteral("numEntriesField"));
    layout->addWidget(m_entryTable, 1);
    layout->addWidget(m_numEntriesField);

    m_searchButton = new QPushButton(tr("Search"));
    m_searchButton->setObjectName(QStringLiteral("searchButton"));
    m_searchButton->setDefault(true);
    m_searchButton->setMinimumWidth(90);
    connect(m_searchButton, &QPushButton::clicked, this, &TBSearchDocument::search);
    topBarLayout()->addWidget(m_searchButton);
    return pane;
}

void TBSearchDocument::windowDidLoad()
{
    m_searchTableController->reloadData();
    selectSearchTextForRow(0);
    m_entryTableController->initAttributeColumns();
    m_entryTableController->initAttributesColumnsMenu();
    updateSearchButton();
    updateNumEntriesFieldZeroString(QString());
    updateDetailsText();
}

int TBSearchDocument::subviewTopHeight() const
{
    // Eight rows of a table in the window's font, its header, and the entry count below it.
    const int row = fontMetrics().height() + 8;
    const int header = fontMetrics().height() + 10;
    return 8 * row + header + 1;
}

int TBSearchDocument::extraCriteriaHeight() const
{
    // The layout has room for one criteria row; every further row is taken from the split view.
    if (!m_searchTableController)
        return 0;
    return qMax(0, m_searchTableController->numberOfRows() - 1) * m_searchTableController->rowHeight();
}

void TBSearchDocument::saveSubviewSizes()
{
    if (!m_shouldSaveSubviewSizes)
        return;
    // Stored as they would be with one criteria row, whatever this window shows now.
    TBSplitViewSizes::storeHeights(kPaneHeights,
                                   {topSubView()->height() + extraCriteriaHeight(), bottomSubView()->height()});
}

void TBSearchDocument::restoreSubviewSizes()
{
    std::optional<TBSplitViewSizes::Heights> heights = TBSplitViewSizes::storedHeights(kPaneHeights);
    if (!heights)
        return;
    // The stored heights describe one criteria row: the extra rows come out of the entry table
    // down to its minimum, and then out of the details.
    heights->top -= extraCriteriaHeight();
    const int leastTop = subviewTopHeight();
    if (heights->top < leastTop) {
        heights->bottom = qMax<qint64>(bottomSubView()->minimumHeight(), heights->bottom - (leastTop - heights->top));
        heights->top = leastTop;
    }
    splitViewSizes()->applyHeights(this, *heights);
}

bool TBSearchDocument::canSearch() const
{
    if (currentDirectoryID() == 0 || currentDirectoryID() == -1 || documentBusy() || !m_searchCriteria)
        return false;
    for (const TBSearchItemPtr& item : m_searchCriteria->searchItems()) {
        if (item->takesText() && item->searchText().isEmpty())
            return false;
    }
    return true;
}

void TBSearchDocument::updateSearchButton()
{
    if (m_searchButton)
        m_searchButton->setEnabled(canSearch());
}

void TBSearchDocument::updateMenuActionState()
{
    TBDocument::updateMenuActionState();
    menuActions().search->setEnabled(canSearch());
    menuActions().saveCurrentSearch->setEnabled(canSaveCurrentSearch());
    menuActions().useSelectedSearch->setEnabled(canUseSelectedSearch());
}

void TBSearchDocument::selectCurrentDirectory()
{
    TBDocument::selectCurrentDirectory();
    updateSearchButton();
    if (m_searchTableController)
        m_searchTableController->reloadData();
}

void TBSearchDocument::changeDirectory(int index)
{
    TBDocument::changeDirectory(index);
    updateSearchButton();
    if (m_searchTableController)
        m_searchTableController->reloadData();
}

void TBSearchDocument::prefsHaveChangedNotification(const TBNotification& notification)
{
    TBDocument::prefsHaveChangedNotification(notification);
    if (m_searchTableController)
        m_searchTableController->reloadData();
    updateDetailsText();
}

void TBSearchDocument::search()
{
    if (!canSearch())
        return;
    auto command = std::make_shared<TBCommandSearch>();
    command->setSearchCriteria(m_searchCriteria);
    setLastSearchedDirectoryID(0);
    m_lastSearchedCriteria.reset();
    TBPreferences::sharedPreferences()->setPreviousSearch(m_searchCriteria->copy());
    searcher()->clearResults();
    // The previous results stay listed until the new ones arrive, but none stays chosen.
    m_entryTable->clearSelection();
    clearOutputText();
    setupCommand(command);
}

void TBSearchDocument::commandDidStart()
{
    TBDocument::commandDidStart();
    m_searchButton->hide();
}

void TBSearchDocument::commandDidEnd()
{
    TBDocument::commandDidEnd();
    m_searchButton->show();
    updateSearchButton();
}

void TBSearchDocument::commandSucceeded(const TBCommandPtr& command)
{
    if (command->commandType() != TBCommandTypeSearch)
        return;
    // A search that fails or is cancelled leaves the previous results as they were.
    const TBEntryList results = searcher()->takeResults();
    m_entryTableController->addAttributeColumns(searcher()->returnedAttributeNames(), command->runSettings(),
                                                m_searchCriteria);
    m_entryTableController->initAttributesColumnsMenu();
    searcher()->clearResults();
    // The table keeps its sort order; the window lists the entries as the table shows them.
    m_entryTableController->setEntries(results);
    m_entries = m_entryTableController->entries();
    setLastSearchedDirectoryID(currentDirectoryID());
    m_lastSearchedCriteria = m_searchCriteria->copy();
    if (m_entries.isEmpty())
        QApplication::beep();
    updateDetailsText();
    updateNumEntriesFieldZeroString(QStringLiteral("No entries found"));
}

void TBSearchDocument::updateNumEntriesFieldZeroString(const QString& zeroString)
{
    if (!m_numEntriesField)
        return;
    m_numEntriesField->setText(m_entries.isEmpty() ? zeroString
                                                   : QStringLiteral("Number of entries: %1").arg(m_entries.size()));
}

void TBSearchDocument::updateDetailsText()
{
    TBDetailsTextView* view = detailsText();
    if (!view)
        return;
    view->clearText();
    const TBPreferences* prefs = TBPreferences::sharedPreferences();
    const bool friendly = prefs->showFriendlyAttrs();
    const TBRenderingContext context = prefs->renderingContext();
    const TBEntryList selected = selectedEntries();
    QTextCursor cursor = view->endCursor();
    cursor.beginEditBlock();
    for (qsizetype i = 0; i < selected.size(); ++i) {
        if (i > 0) {
            cursor.insertText(QString(QChar::ObjectReplacementCharacter), TBTextObjectHandler::separatorFormat());
            cursor.insertText(QStringLiteral("\n"), QTextCharFormat());
        }
        const TBEntryPtr& entry = selected.at(i);
        const TBRichText& text
            = friendly ? TBEntryRendering::friendlyInfo(*entry, context) : TBEntryRendering::info(*entry, context);
        if (text.isEmpty())
            cursor.insertText(QStringLiteral("Could not get details?"), TBFonts::displayFontAttributes());
        else
            text.insertInto(cursor);
    }
    cursor.insertText(QStringLiteral("\n"), TBFonts::displayFontAttributes());
    cursor.endEditBlock();
    view->textInserted();
}

TBEntryList TBSearchDocument::selectedEntries() const
{
    return m_entryTableController ? m_entryTableController->selectedEntries() : TBEntryList();
}

void TBSearchDocument::entriesChangedInTable()
{
    m_entries = m_entryTableController->entries();
    updateDetailsText();
    updateNumEntriesFieldZeroString(QString());
}

TBSearchCriteriaPtr TBSearchDocument::criteriaForController(TBSearchCriteriaTableController*)
{
    return m_searchCriteria;
}

void TBSearchDocument::useCriteriaFromController(const TBSearchCriteriaPtr& criteria)
{
    applySearchCriteria(criteria);
}

void TBSearchDocument::searchItemEnter(QLineEdit*)
{
    search();
}

void TBSearchDocument::searchItemTextDidChange(QLineEdit* field)
{
    m_searchTableController->applyTextField(field);
    updateSearchButton();
}

void TBSearchDocument::changedAttrPopUp(QComboBox* popUp)
{
    m_searchTableController->applyAttrPopUp(popUp);
    updateSearchButton();
}

void TBSearchDocument::changedTypePopUp(QComboBox* popUp)
{
    m_searchTableController->applyTypePopUp(popUp);
    updateSearchButton();
}

void TBSearchDocument::addSearchItem(QAbstractButton* button)
{
    m_searchTableController->applyAddButton(button);
    updateSearchButton();
}

void TBSearchDocument::delSearchItem(QAbstractButton* button)
{
    m_searchTableController->applyDelButton(button);
    updateSearchButton();
}

void TBSearchDocument::selectSearchTextForRow(int row)
{
    if (m_searchTableController)
        m_searchTableController->selectSearchTextForRow(row);
}

bool TBSearchDocument::canExportEntries() const
{
    return !documentBusy() && !m_exportPanel && m_entryTableController && !m_entryTableController->entries().isEmpty();
}

TBExportPanel* TBSearchDocument::exportPanel() const
{
    return m_exportPanel;
}

void TBSearchDocument::exportEntries()
{
    if (!canExportEntries())
        return;
    auto* panel = new TBExportPanel(m_entryTableController->entries(), selectedEntries(), this);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setWindowModality(Qt::WindowModal);
    m_exportPanel = panel;
    connect(panel, &QDialog::finished, this, [this, panel](int result) {
        if (result == QDialog::Accepted)
            exportEntriesWithPanel(panel);
        validationChanged();
    });
    validationChanged();
    panel->open();
}

bool TBSearchDocument::exportEntriesWithPanel(const TBExportPanel* panel)
{
    const QString path = panel ? panel->exportPath() : QString();
    if (path.isEmpty())
        return false;
    TBExportMessage message;
    if (m_entryTableController->exportEntriesToPath(panel->exportFileFormat(), panel->exportSelectedRowsOnly(),
                                                    panel->exportIncludeAttrNames(), panel->exportVisibleColumnsOnly(),
                                                    path, &message))
        return true;
    displayMessageText(message.text, message.title);
    return false;
}

bool TBSearchDocument::canSaveCurrentSearch() const
{
    return !documentBusy() && canSearch();
}

void TBSearchDocument::saveCurrentSearch()
{
    if (!canSaveCurrentSearch())
        return;
    TBSearchCriteriaPtr saved = m_searchCriteria->copy();
    saved->setName(QStringLiteral("New Search"));
    TBPreferences::sharedPreferences()->addSearchCriteria(saved);
}

bool TBSearchDocument::canUseSelectedSearch() const
{
    return !documentBusy() && TBPreferences::sharedPreferences()->selectedSearchCriteria();
}

void TBSearchDocument::useSelectedSearch()
{
    if (canUseSelectedSearch())
        applySearchCriteria(TBPreferences::sharedPreferences()->selectedSearchCriteria());
}

void TBSearchDocument::useSpecificSearch(qsizetype index)
{
    applySearchCriteria(TBPreferences::sharedPreferences()->searchCriteriaAtIndex(index));
}

// Printing

bool TBSearchDocument::canPrintWhat(qint64 choice) const
{
    switch (choice) {
    case TBPrintPanelAccessoryController::printDetailsSelected:
        return m_entryTable && m_entryTable->hasSelection();
    case TBPrintPanelAccessoryController::printDetailsAll:
        return m_entryTableController && !m_entryTableController->entries().isEmpty();
    default:
        return TBDocument::canPrintWhat(choice);
    }
}

bool TBSearchDocument::canPrintDocument() const
{
    return TBDocument::canPrintDocument()
        && (canPrintWhat(TBPrintPanelAccessoryController::printDetailsAll)
            || TBDocument::canPrintWhat(TBPrintPanelAccessoryController::printCommandOutput));
}

void TBSearchDocument::updateSummaryInfoForPrinting()
{
    const TBPreferences* prefs = TBPreferences::sharedPreferences();
    const QTextCharFormat& regular = TBFonts::printFontAttributes();
    const QString lineBreak = QStringLiteral("\n");
    TBRichText summary;
    const qint64 directoryID = lastSearchedDirectoryID();
    if (directoryID != 0 && directoryID != -1) {
        if (const TBDirectoryPtr directory = prefs->directoryWithID(directoryID))
            TBDocumentPrinter::appendDirectorySummary(summary, *directory);
    }
    if (m_lastSearchedCriteria) {
        TBDocumentPrinter::appendSummaryLine(summary, QStringLiteral("Search: "), QString());
        for (const TBSearchItemPtr& item : m_lastSearchedCriteria->searchItems()) {
            summary.append(QLatin1Char('\t') + item->conditionText(item->searchAttrAsString(prefs->registry())),
                           regular);
            summary.append(lineBreak, regular);
        }
        summary.append(lineBreak, regular);
    }
    documentPrinter()->texts().summaryInfoForPrinting = summary;
}

void TBSearchDocument::updateDetailsSelectedForPrinting()
{
    documentPrinter()->texts().detailsSelectedForPrinting = TBDocumentPrinter::entriesForPrinting(selectedEntries());
}

void TBSearchDocument::updateDetailsAllForPrinting()
{
    documentPrinter()->texts().detailsAllForPrinting
        = TBDocumentPrinter::entriesForPrinting(m_entryTableController->entries());
}
