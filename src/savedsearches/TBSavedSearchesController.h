#pragma once

#include "TBSearchCriteria.h"
#include "TBSearchCriteriaTableOwner.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class TBEditSearchSheet;
class TBPreferences;
class TBSavedSearchesTableController;
class TBSearchCriteriaTableController;
class TBSearchDocument;
class TBTableView;

// The saved-searches window: the list of saved searches, where they are added (Alt: duplicated),
// edited in a sheet, deleted (Alt: without asking), reordered by dragging and used in a search
// window (button, double-click, Return, or dragged onto a search window's conditions). Every
// change goes through the preferences, which save the list at once and announce it.
class TBSavedSearchesController : public QWidget, public TBSearchCriteriaTableOwner
{
    Q_OBJECT
public:
    // The search window a saved search is used in (the application's rule); none: nothing happens.
    using DocumentSource = std::function<TBSearchDocument*()>;
    static void setDocumentSource(DocumentSource source);

    // The one window of the application: created on first use, then brought forward.
    static void showSavedSearchesWindow();
    static TBSavedSearchesController* existingController();

    explicit TBSavedSearchesController(QWidget* parent = nullptr);
    ~TBSavedSearchesController() override;

    // Add: a new search, or with Alt a copy of the selected one.
    void addSearchCriteria();
    void newSearchCriteria();
    // A copy named "Copy of <name>" of the selected search; nothing without one.
    void duplicateSearchCriteria();
    // sender: the edit button, the menu's edit command or this controller (the selected row); any
    // other sender does nothing (a double-click uses the search).
    void edtSearchCriteria(QObject* sender);
    // Delete: asks first, unless Alt is held.
    void delSearchCriteria();
    void deleteSelectedSearch(bool ask);
    void useSelectedSearch();
    // The selected saved search while the window is shown, else null.
    TBSearchCriteriaPtr selectedSearchCriteria() const;
    int selectedRow() const;
    void selectSearchRow(int row);
    void updateSavedSearchButtons();

    // The edit sheet.
    void editSearchOK();
    void editSearchCancel();
    bool searchInfoValid() const;
    // Why the sheet cannot be confirmed, or "".
    QString searchInfoProblem() const;
    void updateEditSearchOKButton();
    void updateSearchTextNextKeyViews();
    TBSearchCriteriaPtr editingSearchCriteria() const { return m_editingSearchCriteria; }
    qint64 editingSearchIndex() const { return m_editingSearchIndex; }

    TBTableView* savedSearchesTable() const { return m_savedSearchesTable; }
    TBSavedSearchesTableController* savedSearchesTableController() const { return m_tableController; }
    QPushButton* addSearchButton() const { return m_addSearchButton; }
    QPushButton* delSearchButton() const { return m_delSearchButton; }
    QPushButton* edtSearchButton() const { return m_edtSearchButton; }
    QPushButton* useSelectedSearchButton() const { return m_useSelectedSearchButton; }
    TBEditSearchSheet* editSearchSheet() const { return m_editSearchSheet; }
    TBSearchCriteriaTableController* searchTableController() const { return m_searchTableController; }
    // The table's context menu, made up to date for the selection.
    QMenu* savedSearchesMenu();

    // The criteria table's owner (the edit sheet's conditions).
    TBSearchCriteriaPtr criteriaForController(TBSearchCriteriaTableController* controller) override;
    void useCriteriaFromController(const TBSearchCriteriaPtr& criteria) override;
    void searchItemEnter(QLineEdit* field) override;
    void searchItemTextDidChange(QLineEdit* field) override;
    void changedAttrPopUp(QComboBox* popUp) override;
    void changedTypePopUp(QComboBox* popUp) override;
    void addSearchItem(QAbstractButton* button) override;
    void delSearchItem(QAbstractButton* button) override;
    void selectSearchTextForRow(int row) override;
    bool respondsToSearchItemCancel() const override { return true; }
    void searchItemCancel() override { editSearchCancel(); }

private:
    void openEditSheet();
    void closeEditSheet();
    void savedSearchesHaveChangedNotification();
    void prefsAttributesHaveChangedNotification();

    TBTableView* m_savedSearchesTable = nullptr;
    TBSavedSearchesTableController* m_tableController = nullptr;
    QPushButton* m_addSearchButton = nullptr;
    QPushButton* m_delSearchButton = nullptr;
    QPushButton* m_edtSearchButton = nullptr;
    QPushButton* m_useSelectedSearchButton = nullptr;
    QMenu* m_savedSearchesMenu = nullptr;
    QAction* m_duplicateAction = nullptr;
    QAction* m_editAction = nullptr;
    QAction* m_deleteAction = nullptr;
    QAction* m_deleteWithoutAskingAction = nullptr;
    QAction* m_useAction = nullptr;

    QPointer<TBPreferences> m_prefs;
    TBEditSearchSheet* m_editSearchSheet = nullptr;
    TBSearchCriteriaTableController* m_searchTableController = nullptr;
    TBSearchCriteriaPtr m_editingSearchCriteria;
    qint64 m_editingSearchIndex = -1;
};
