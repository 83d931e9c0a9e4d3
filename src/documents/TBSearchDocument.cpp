#include "TBSearchDocument.h"

#include "TBCommandSearch.h"
#include "TBDetailsTextView.h"
#include "TBEntryRendering.h"
#include "TBFonts.h"
#include "TBPreferences.h"
#include "TBSearchItem.h"
#include "TBSearcher.h"
#include "TBTextObjectHandler.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

namespace {

QLabel* placeholderLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setEnabled(false); // drawn in the disabled color: clearly not content
    return label;
}

} // namespace

TBSearchDocument::TBSearchDocument(QWidget* parent)
    : TBDocument(parent)
{
    const TBSearchCriteriaPtr previous = TBPreferences::sharedPreferences()->previousSearch();
    m_searchCriteria = previous ? previous->copy() : TBSearchCriteria::searchCriteria();
    m_optionsMenuTitle = QStringLiteral("Search Options...");
}

void TBSearchDocument::setSearchCriteria(const TBSearchCriteriaPtr& criteria)
{
    if (!criteria)
        return;
    m_searchCriteria = criteria->copy();
    updateSearchButton();
}

QWidget* TBSearchDocument::createHeaderView()
{
    // Placeholder for the criteria rows (one to four conditions).
    auto* area = new QFrame;
    area->setObjectName(QStringLiteral("searchScrollView"));
    area->setFrameShape(QFrame::StyledPanel);
    area->setMinimumHeight(40);
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->addWidget(placeholderLabel(tr("Search criteria (not yet available)"), area));
    return area;
}

QWidget* TBSearchDocument::createTopSubView()
{
    auto* pane = new QWidget;
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 4);
    layout->setSpacing(4);
    // Placeholder for the results table.
    auto* table = new QFrame(pane);
    table->setObjectName(QStringLiteral("entryTable"));
    table->setFrameShape(QFrame::StyledPanel);
    table->setBackgroundRole(QPalette::Base);
    table->setAutoFillBackground(true);
    auto* tableLayout = new QVBoxLayout(table);
    tableLayout->addWidget(placeholderLabel(tr("Search results (not yet available)"), table));
    m_numEntriesField = new QLabel(pane);
    m_numEntriesField->setObjectName(QStringLiteral("numEntriesField"));
    layout->addWidget(table, 1);
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

void TBSearchDocument::saveSubviewSizes()
{
    if (!m_shouldSaveSubviewSizes)
        return;
    TBPreferences* prefs = TBPreferences::sharedPreferences();
    prefs->setDefaultSearchTopHeight(topSubView()->height());
    prefs->setDefaultSearchBottomHeight(bottomSubView()->height());
}

void TBSearchDocument::restoreSubviewSizes()
{
    const TBPreferences* prefs = TBPreferences::sharedPreferences();
    const qint64 top = prefs->defaultSearchTopHeight();
    const qint64 bottom = prefs->defaultSearchBottomHeight();
    if (top == 0 || top == -1 || bottom == 0 || bottom == -1)
        return;
    // Grow the window when the remembered panes do not fit in its default size.
    const QList<int> sizes = splitView()->sizes();
    const int extra = int(top + bottom) - (sizes.value(0) + sizes.value(1));
    if (extra > 0)
        resize(width(), height() + extra);
    splitView()->setSizes({int(top), int(bottom)});
}

bool TBSearchDocument::canSearch() const
{
    if (currentDirectoryID() == 0 || currentDirectoryID() == -1 || documentBusy() || !m_searchCriteria)
        return false;
    for (const TBSearchItemPtr& item : m_searchCriteria->searchItems()) {
        const qint64 type = item->searchType();
        if (type != TBSearchTypeExists && type != TBSearchTypeIsMissing && item->searchText().isEmpty())
            return false;
    }
    return true;
}

void TBSearchDocument::updateSearchButton()
{
    if (m_searchButton)
        m_searchButton->setEnabled(canSearch());
}

bool TBSearchDocument::validateUserInterfaceItem(const QString& action) const
{
    if (action == QLatin1String("search:"))
        return canSearch();
    return TBDocument::validateUserInterfaceItem(action);
}

void TBSearchDocument::selectCurrentDirectory()
{
    TBDocument::selectCurrentDirectory();
    updateSearchButton();
}

void TBSearchDocument::changeDirectory(int index)
{
    TBDocument::changeDirectory(index);
    updateSearchButton();
}

void TBSearchDocument::prefsHaveChangedNotification(const TBNotification& notification)
{
    TBDocument::prefsHaveChangedNotification(notification);
    updateDetailsText();
}

bool TBSearchDocument::shouldParse()
{
    return m_currentCommand && m_currentCommand->shouldParse();
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
    m_entries = searcher()->takeResults();
    searcher()->clearResults();
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
    const bool friendly = TBPreferences::sharedPreferences()->showFriendlyAttrs();
    const TBEntryList selected = selectedEntries();
    QTextCursor cursor = view->endCursor();
    cursor.beginEditBlock();
    for (qsizetype i = 0; i < selected.size(); ++i) {
        if (i > 0) {
            cursor.insertText(QString(QChar::ObjectReplacementCharacter), TBTextObjectHandler::separatorFormat());
            cursor.insertText(QStringLiteral("\n"), QTextCharFormat());
        }
        const TBEntryPtr& entry = selected.at(i);
        const TBRichText& text = friendly ? TBEntryRendering::friendlyInfo(*entry) : TBEntryRendering::info(*entry);
        if (text.isEmpty())
            cursor.insertText(QStringLiteral("Could not get details?"), TBFonts::displayFontAttributes());
        else
            text.insertInto(cursor);
    }
    cursor.insertText(QStringLiteral("\n"), TBFonts::displayFontAttributes());
    cursor.endEditBlock();
    view->textInserted();
}
