#pragma once

#include <QWidget>

class QComboBox;
class QLineEdit;
class QToolButton;

// One row of the criteria table: attribute pop-up, comparison pop-up, text field, + and -.
// It only holds the controls; TBSearchCriteriaTableController fills them and wires them.
class TBSearchCriteriaRow : public QWidget
{
    Q_OBJECT
public:
    explicit TBSearchCriteriaRow(QWidget* parent = nullptr);

    QComboBox* attrPopUp() const { return m_attrPopUp; }
    QComboBox* typePopUp() const { return m_typePopUp; }
    QLineEdit* dataField() const { return m_dataField; }
    QToolButton* addButton() const { return m_addButton; }
    QToolButton* delButton() const { return m_delButton; }

protected:
    // Clicks between the controls do nothing (no selection, no drag).
    void mousePressEvent(QMouseEvent* event) override;

private:
    QComboBox* m_attrPopUp = nullptr;
    QComboBox* m_typePopUp = nullptr;
    QLineEdit* m_dataField = nullptr;
    QToolButton* m_addButton = nullptr;
    QToolButton* m_delButton = nullptr;
};
