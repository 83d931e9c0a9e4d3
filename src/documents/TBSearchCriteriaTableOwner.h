#pragma once

#include "TBSearchCriteria.h"

class QAbstractButton;
class QComboBox;
class QLineEdit;
class TBSearchCriteriaTableController;

// What a criteria table needs from the window it sits in (the search window, the saved-search
// editor): the criteria it shows, and the edits, which the owner applies. The controls are passed
// as they are; TBSearchCriteriaTableController::rowForView() tells their row.
class TBSearchCriteriaTableOwner
{
public:
    virtual ~TBSearchCriteriaTableOwner() = default;

    // Asked every time the table needs the criteria; may be null (an empty table).
    virtual TBSearchCriteriaPtr criteriaForController(TBSearchCriteriaTableController* controller) = 0;
    // A saved search was dropped on the table.
    virtual void useCriteriaFromController(const TBSearchCriteriaPtr& criteria) = 0;
    // Return in a text field when no open row's text is left empty.
    virtual void searchItemEnter(QLineEdit* field) = 0;
    // Each change the user makes to a text field.
    virtual void searchItemTextDidChange(QLineEdit* field) = 0;
    // A new attribute or comparison was chosen (the pop-up's current item carries it).
    virtual void changedAttrPopUp(QComboBox* popUp) = 0;
    virtual void changedTypePopUp(QComboBox* popUp) = 0;
    // + or - of a row was clicked.
    virtual void addSearchItem(QAbstractButton* button) = 0;
    virtual void delSearchItem(QAbstractButton* button) = 0;
    // The focus should move to that row's text field; -1: out of the table (external view only).
    virtual void selectSearchTextForRow(int row) = 0;
    // Escape in a text field: handled only when the owner answers it.
    virtual bool respondsToSearchItemCancel() const { return false; }
    virtual void searchItemCancel() { }
};
