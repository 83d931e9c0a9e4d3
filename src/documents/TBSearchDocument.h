#pragma once

#include "TBDocument.h"
#include "TBEntry.h"
#include "TBSearchCriteria.h"
#include "TBSearchCriteriaTableOwner.h"

#include <QPointer>

class QLabel;
class QPushButton;
class TBEntryTableController;
class TBExportPanel;
class TBSearchCriteriaTableController;
class TBTableView;

// The search window: criteria on top, the entries found in the split view's top pane, their
// details and the tools' output below. Searches and who-am-I run through the document base.
class TBSearchDocument : public TBDocument, public TBSearchCriteriaTableOwner
{
    Q_OBJECT
public:
    explicit TBSearchDocument(QWidget* parent = nullptr);

    TBSearchCriteriaPtr searchCriteria() const { return m_searchCriteria; }
    void setSearchCriteria(const TBSearchCriteriaPtr& criteria);
    // The window's criteria become a copy of these, and the next window starts from them.
    void applySearchCriteria(const TBSearchCriteriaPtr& criteria);
    TBSearchCriteriaPtr lastSearchedCriteria() const { return m_lastSearchedCriteria; }
    const TBEntryList& entries() const { return m_entries; }

    bool canSearch() const;
    void search();
    void updateSearchButton();

    // Saved searches: the criteria added as "New Search", and a saved search put into the window
    // (the one selected in the saved-searches window, or one by its place in the list).
    bool canSaveCurrentSearch() const;
    void saveCurrentSearch();
    bool canUseSelectedSearch() const;
    void useSelectedSearch();
    void useSpecificSearch(qsizetype index);

    // Export of the results through the export panel.
    bool canExportEntries() const override;
    void exportEntries() override;
    TBExportPanel* exportPanel() const;
    // Writes the rows as the panel's choices say; on failure shows the reason and answers false.
    bool exportEntriesWithPanel(const TBExportPanel* panel);

    // Printing: the selected entries, all entries or the output, after the directory and the search.
    bool canPrintWhat(qint64 choice) const override;
    bool canPrintDocument() const override;
    void updateSummaryInfoForPrinting() override;
    void updateDetailsSelectedForPrinting() override;
    void updateDetailsAllForPrinting() override;

    void updateMenuActionState() override;
    void selectCurrentDirectory() override;
    void changeDirectory(int index) override;
    void prefsHaveChangedNotification(const TBNotification& notification) override;

    // Minimum height of the results pane: eight table rows and the table's header.
    int subviewTopHeight() const override;
    // Height the criteria rows beyond the first take from the split view.
    int extraCriteriaHeight() const;
    void saveSubviewSizes() override;
    void restoreSubviewSizes() override;
    void updateDetailsText() override;

    // The entries whose details are shown (the results table's selection, in row order).
    virtual TBEntryList selectedEntries() const;
    void updateNumEntriesFieldZeroString(const QString& zeroString);

    QPushButton* searchButton() const { return m_searchButton; }
    QLabel* numEntriesField() const { return m_numEntriesField; }
    TBSearchCriteriaTableController* searchTableController() const { return m_searchTableController; }
    TBEntryTableController* entryTableController() const { return m_entryTableController; }
    TBTableView* entryTable() const { return m_entryTable; }

    // The criteria table's owner.
    TBSearchCriteriaPtr criteriaForController(TBSearchCriteriaTableController* controller) override;
    void useCriteriaFromController(const TBSearchCriteriaPtr& criteria) override;
    void searchItemEnter(QLineEdit* field) override;
    void searchItemTextDidChange(QLineEdit* field) override;
    void changedAttrPopUp(QComboBox* popUp) override;
    void changedTypePopUp(QComboBox* popUp) override;
    void addSearchItem(QAbstractButton* button) override;
    void delSearchItem(QAbstractButton* button) override;
    void selectSearchTextForRow(int row) override;

protected:
    QWidget* createHeaderView() override;
    QWidget* createTopSubView() override;
    void windowDidLoad() override;
    void commandDidStart() override;
    void commandDidEnd() override;
    void commandSucceeded(const TBCommandPtr& command) override;

private:
    void entriesChangedInTable();

    TBSearchCriteriaPtr m_searchCriteria;
    TBSearchCriteriaPtr m_lastSearchedCriteria;
    TBEntryList m_entries;
    QPushButton* m_searchButton = nullptr;
    QLabel* m_numEntriesField = nullptr;
    TBSearchCriteriaTableController* m_searchTableController = nullptr;
    TBEntryTableController* m_entryTableController = nullptr;
    TBTableView* m_entryTable = nullptr;
    QPointer<TBExportPanel> m_exportPanel;
};
