#pragma once

#include <QDialog>
#include <QList>

class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QTabWidget;
class TBDirectory;

// The sheet that edits one directory: a "Server" tab (name, URI, search base, StartTLS, version)
// and an "Authentication" tab whose form follows the bind method ("Anonymous", "Simple", "SASL").
// It only shows and reads values; its owner validates them and decides what OK and Cancel mean
// (OK does not close the sheet by itself).
class TBEditDirectorySheet : public QDialog
{
    Q_OBJECT
public:
    explicit TBEditDirectorySheet(QWidget* parent = nullptr);

    // Loads every field from the record, shows the "Server" tab and focuses the name field.
    void updateEditDirectoryUI(const TBDirectory& directory);
    // Copies every field into the record: texts as typed, pop-ups as their selected index (a pop-up
    // showing no item gives back the value it was loaded with).
    void storeInto(TBDirectory& directory) const;
    // Shows the authentication form for a bind method: 1 and 2 "Simple", 3 "SASL", else "Anonymous".
    void editDirectoryChangedAuthentication();
    static QString authenticationTabForMethod(qint64 method);
    QString currentAuthenticationTab() const;

    // Shows the "Server" tab, selects the field's text and focuses it (for a validation problem).
    void focusServerField(QLineEdit* field);

    QTabWidget* editDirectoryTabView() const { return m_tabView; }
    QLineEdit* editDirectoryNameTextField() const { return m_name; }
    QLineEdit* editDirectoryLDAPURITextField() const { return m_ldapURI; }
    QLineEdit* editDirectorySearchBaseTextField() const { return m_searchBase; }
    QComboBox* editDirectoryStartTLSPopUp() const { return m_startTLS; }
    QComboBox* editDirectoryLDAPVersionPopUp() const { return m_ldapVersion; }
    QComboBox* editDirectoryAuthenticationPopUp() const { return m_authentication; }
    QStackedWidget* editDirectoryAuthenticationTabView() const { return m_authTabView; }
    QLineEdit* editDirectorySimpleIDTextField() const { return m_simpleID; }
    QComboBox* editDirectorySASLMechanismPopUp() const { return m_saslMechanism; }
    QLineEdit* editDirectorySASLAuthCTextField() const { return m_saslAuthC; }
    QLineEdit* editDirectorySASLRealmTextField() const { return m_saslRealm; }
    QLineEdit* editDirectorySASLAuthZTextField() const { return m_saslAuthZ; }
    QLineEdit* editDirectorySASLPropsTextField() const { return m_saslProps; }
    QPushButton* editDirectoryOKButton() const { return m_okButton; }
    QPushButton* editDirectoryCancelButton() const { return m_cancelButton; }

Q_SIGNALS:
    void okClicked();

private:
    QWidget* makeServerTab();
    QWidget* makeAuthenticationTab();
    void addRow(QFormLayout* form, const QString& title, QWidget* field);

    QList<QLabel*> m_labels;
    QTabWidget* m_tabView = nullptr;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_ldapURI = nullptr;
    QLineEdit* m_searchBase = nullptr;
    QComboBox* m_startTLS = nullptr;
    QComboBox* m_ldapVersion = nullptr;
    QComboBox* m_authentication = nullptr;
    QStackedWidget* m_authTabView = nullptr;
    QLineEdit* m_simpleID = nullptr;
    QComboBox* m_saslMechanism = nullptr;
    QLineEdit* m_saslAuthC = nullptr;
    QLineEdit* m_saslRealm = nullptr;
    QLineEdit* m_saslAuthZ = nullptr;
    QLineEdit* m_saslProps = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    // The loaded values of the four pop-ups, kept for a value that has no item.
    quint64 m_loadedStartTLS = 0;
    quint64 m_loadedLDAPVersion = 0;
    quint64 m_loadedAuthentication = 0;
    quint64 m_loadedSASLMechanism = 0;
};
