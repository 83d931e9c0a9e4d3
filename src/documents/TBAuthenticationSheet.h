#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The sheet that asks for a bind DN and password. Two forms: DN and password, or DN only (the
// password field is replaced by a note and the keyring check box is off and disabled).
// OK is enabled exactly when both fields hold text; in the DN-only form the hidden password field
// holds "unused", so OK follows the DN field alone.
class TBAuthenticationSheet : public QDialog
{
    Q_OBJECT
public:
    explicit TBAuthenticationSheet(QWidget* parent = nullptr);

    // Fills the sheet for a run. serverText describes the directory (shown as a heading).
    void prepare(const QString& simpleID, bool idOnly, const QString& serverText);

    QString idText() const;
    QString passwordText() const;
    bool passwordHidden() const;
    bool useKeychain() const;

    QLineEdit* idField() const { return m_id; }
    QLineEdit* passwordField() const { return m_password; }
    QPushButton* okButton() const { return m_ok; }

private:
    void controlTextDidChange();

    QLabel* m_server = nullptr;
    QLineEdit* m_id = nullptr;
    QLineEdit* m_password = nullptr;
    QLineEdit* m_passwordUnused = nullptr;
    QLabel* m_passwordLabel = nullptr;
    QCheckBox* m_useKeychain = nullptr;
    QPushButton* m_ok = nullptr;
};
