#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

// The sheet that edits one saved search: its name and one to four conditions (the criteria table,
// which its owner puts into editSearchScrollView()). It grows and shrinks with the conditions,
// its top edge staying put. It only shows things; its owner validates and decides what OK and
// Cancel mean (neither closes the sheet by itself).
class TBEditSearchSheet : public QDialog
{
    Q_OBJECT
public:
    explicit TBEditSearchSheet(QWidget* parent = nullptr);

    // Puts the criteria table into the sheet, below the name.
    void setSearchTable(QWidget* table);
    // Why OK is disabled, or "" when it is not.
    void setProblemText(const QString& text);
    QString problemText() const;

    QLineEdit* editSearchName() const { return m_name; }
    QFrame* editSearchScrollView() const { return m_scrollView; }
    QWidget* editSearchTable() const { return m_table; }
    QLabel* editSearchProblemField() const { return m_problem; }
    QPushButton* editSearchOKButton() const { return m_okButton; }
    QPushButton* editSearchCancelButton() const { return m_cancelButton; }

Q_SIGNALS:
    void okClicked();
    void cancelClicked();

protected:
    // Escape and the window's close button are Cancel, for the owner to decide.
    void reject() override;

private:
    QLineEdit* m_name = nullptr;
    QFrame* m_scrollView = nullptr;
    QVBoxLayout* m_scrollLayout = nullptr;
    QWidget* m_table = nullptr;
    QLabel* m_problem = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};
