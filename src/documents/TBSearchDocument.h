#pragma once

#include "TBDocument.h"
#include "TBEntry.h"
#include "TBSearchCriteria.h"

class QLabel;
class QPushButton;

// The search window: criteria on top, the entries found in the split view's top pane, their
// details and the tools' output below. Searches and who-am-I run through the document base.
//
// The criteria area (searchScrollView) and the entry table (entryTable) are placeholders here;
// the criteria editor and the results table take their places.
class TBSearchDocument : public TBDocument
{
    Q_OBJECT
public:
    explicit TBSearchDocument(QWidget* parent = nullptr);

    TBSearchCriteriaPtr searchCriteria() const { return m_searchCriteria; }
    void setSearchCriteria(const TBSearchCriteriaPtr& criteria);
    TBSearchCriteriaPtr lastSearchedCriteria() const { return m_lastSearchedCriteria; }
    const TBEntryList& entries() const { return m_entries; }

    bool canSearch() const;
    void search();
    void updateSearchButton();

    bool validateUserInterfaceItem(const QString& action) const override;
    void selectCurrentDirectory() override;
    void changeDirectory(int index) override;
    void prefsHaveChangedNotification(const TBNotification& notification) override;

    // Minimum height of the results pane: eight table rows and the table's header.
    int subviewTopHeight() const override;
    void saveSubviewSizes() override;
    void restoreSubviewSizes() override;
    void updateDetailsText() override;
    bool shouldParse() override;

    // The entries whose details are shown (the results table's selection, in row order).
    virtual TBEntryList selectedEntries() const { return TBEntryList(); }
    void updateNumEntriesFieldZeroString(const QString& zeroString);

    QPushButton* searchButton() const { return m_searchButton; }
    QLabel* numEntriesField() const { return m_numEntriesField; }

protected:
    QWidget* createHeaderView() override;
    QWidget* createTopSubView() override;
    void windowDidLoad() override;
    void commandDidStart() override;
    void commandDidEnd() override;
    void commandSucceeded(const TBCommandPtr& command) override;

private:
    TBSearchCriteriaPtr m_searchCriteria;
    TBSearchCriteriaPtr m_lastSearchedCriteria;
    TBEntryList m_entries;
    QPushButton* m_searchButton = nullptr;
    QLabel* m_numEntriesField = nullptr;
};
