#pragma once

#include "TBSearchCriteria.h"
#include "TBSearchCriteriaTableOwner.h"

#include <QList>
#include <QObject>
#include <QPointer>

class QMimeData;
class QVBoxLayout;
class QWidget;
class TBOtherAttributeSheet;
class TBSearchCriteriaRow;

// Drives a criteria table: one row per search item of the owner's criteria (one to four), each
// with an attribute pop-up (the basic attributes, the item's own attribute when it is not one,
// and "Other…"), a comparison pop-up, a text field and + and - buttons. It builds the rows from
// the items and the attribute registry, moves the focus between the text fields (Tab, Shift-Tab,
// Return, Shift-Return), accepts dropped saved searches and passes every edit to its owner.
//
// The table is a plain widget ("searchTable") whose height is the number of rows times
// rowHeight(); numberOfRowsChanged() tells the window when to grow or shrink by that step.
class TBSearchCriteriaTableController : public QObject
{
    Q_OBJECT
public:
    static const QString searchCriteriaDragType;
    static constexpr qint64 otherAttributeTag = -3;
    static constexpr qint64 unknownAttributeTag = -2;
    static constexpr int maximumNumberOfRows = 4;

    explicit TBSearchCriteriaTableController(TBSearchCriteriaTableOwner* owner, QWidget* tableParent = nullptr,
                                             QObject* parent = nullptr);
    ~TBSearchCriteriaTableController() override;

    QWidget* tableView() const { return m_table; }
    TBSearchCriteriaTableOwner* owner() const { return m_owner; }
    void setOwner(TBSearchCriteriaTableOwner* owner) { m_owner = owner; }
    // Tab from the last row leaves the table instead of wrapping (the saved-search editor).
    bool externalView() const { return m_externalView; }
    void setExternalView(bool v) { m_externalView = v; }

    // Rows
    int numberOfRows() const { return int(m_rows.size()); }
    TBSearchCriteriaRow* rowView(int row) const;
    // The row holding this control (or row view); -1 when it is in none.
    int rowForView(const QWidget* view) const;
    // One row step: what the table grows by per row.
    int rowHeight() const;
    // Rebuilds every row from the owner's criteria (rows are added or removed to match).
    void reloadData();
    void reloadDataForRow(int row);

    // Navigation (row in, row out, -1 for none). A row is open when its comparison takes text,
    // empty when it is open and its text is "".
    int nextSelectableTextForRow(int row) const;
    int prevSelectableTextForRow(int row) const;
    int nextEmptyTextForRow(int row) const;
    int prevEmptyTextForRow(int row) const;

    // Return in a row's text field: the next (previous with Shift) empty field, else the owner's
    // searchItemEnter().
    void enter(QLineEdit* field, bool shift);
    // Puts the focus in the row's text field, its text selected (the attribute pop-up when the
    // row takes no text).
    void selectSearchTextForRow(int row);

    // Edits an owner may apply as they are; each reloads what changed and focuses the row.
    // The attribute pop-up's choice: its item's tag.
    static qint64 selectedTag(const QComboBox* popUp);
    // A new default item below the row; false with four rows already.
    bool insertSearchItemAfterRow(int row);
    // Removes the row's item; false when it is the only one.
    bool removeSearchItemAtRow(int row);
    // The row's item takes that attribute, which new rows then start with; false when unknown.
    bool setAttributeIDForRow(int row, qint64 attributeID);
    void setSearchTypeForRow(int row, qint64 searchType);
    // What an owner usually does with a row's control: the attribute pop-up's choice (the
    // other-attribute sheet for "Other…"), the comparison, + and -, and the text typed.
    void applyAttrPopUp(const QComboBox* popUp);
    void applyTypePopUp(const QComboBox* popUp);
    void applyAddButton(const QAbstractButton* button);
    void applyDelButton(const QAbstractButton* button);
    void applyTextField(const QLineEdit* field);
    // Runs the other-attribute sheet for the row; attributeChosenForRow() after OK.
    void getOtherAttributeForRow(int row);
    TBOtherAttributeSheet* otherAttributeSheet() const;

    // A dragged saved search: whether the data can be dropped, and dropping it.
    static bool canAcceptDrop(const QMimeData* data);
    bool acceptDrop(const QMimeData* data);

Q_SIGNALS:
    void numberOfRowsChanged(int oldCount, int newCount);
    // The other-attribute sheet closed: with OK the row's item has its new attribute.
    void otherAttributeSheetClosed(int row, bool accepted);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TBSearchCriteriaPtr criteria() const;
    TBSearchItemPtr itemAtRow(int row) const;
    bool isOpenRow(int row) const;
    bool isEmptyRow(int row) const;
    TBSearchCriteriaRow* makeRow();
    void fillRow(TBSearchCriteriaRow* view, const TBSearchItemPtr& item, int numberOfItems);

    TBSearchCriteriaTableOwner* m_owner = nullptr;
    QWidget* m_table = nullptr;
    QVBoxLayout* m_layout = nullptr;
    QList<TBSearchCriteriaRow*> m_rows;
    QPointer<TBOtherAttributeSheet> m_otherSheet;
    bool m_externalView = false;
};
