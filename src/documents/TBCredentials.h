#pragma once

#include "TBDirectory.h"
#include "TBKeychain.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QWidget;
class TBAuthenticationSheet;

// The bind DN and password of one window and where they come from: the directory's DN, the
// keyring (through TBKeychainClient, bounded in time) or the credentials sheet; and the keyring
// again, which keeps a password after a run it worked for when the user asked for that.
class TBCredentials : public QObject
{
    Q_OBJECT
public:
    // A password equal to this needs no password: the credentials sheet asks for the DN only.
    static const QString noPasswordMarker;
    // Bound of each keyring call; after it a lookup counts as "not found" and a store as failed.
    static int keychainTimeoutMs;

    // The sheet opens on window; currentDirectory is the window's directory at the time of asking.
    TBCredentials(QWidget* window, std::function<TBDirectoryPtr()> currentDirectory);

    QString simpleID() const { return m_simpleID; }
    void setSimpleID(const QString& v) { m_simpleID = v; }
    QString simplePassword() const { return m_simplePassword; }
    void setSimplePassword(const QString& v) { m_simplePassword = v; }
    bool saveInKeychain() const { return m_saveInKeychain; }
    bool ignoreKeychain() const { return m_ignoreKeychain; }
    bool canceledAuthentication() const { return m_canceledAuthentication; }
    void setCanceledAuthentication(bool v) { m_canceledAuthentication = v; }
    bool waitingForKeychain() const { return m_keychainPending; }
    TBAuthenticationSheet* authenticationSheet() const;

    // Whether the directory's bind method needs a DN or password the window does not have yet;
    // Alt held (in modifiers) always asks, bypassing the keyring.
    bool needsAuthentication(const TBDirectory& directory, Qt::KeyboardModifiers modifiers);
    // Looks the password up in the keyring unless told not to, else asks with the sheet; then
    // continues with endSelector (also after a cancelled sheet: it checks canceledAuthentication()).
    void getSimpleCredentials(std::function<void()> endSelector);
    void saveCredentialsInKeychain();
    // The keyring item of a directory's URI and bind DN.
    static TBKeychainItem credentialsKey(const QString& ldapURI, const QString& simpleID);

Q_SIGNALS:
    // A keyring lookup started or ended; the window shows that it waits.
    void waitingForKeychainChanged(bool waiting);

private:
    void showAuthenticationSheet();
    void authenticationOK();
    void authenticationCancel();
    void continueAfterCredentials();

    QWidget* m_window;
    std::function<TBDirectoryPtr()> m_currentDirectory;
    QString m_simpleID;
    QString m_simplePassword;
    bool m_ignoreKeychain = false;
    bool m_saveInKeychain = false;
    bool m_canceledAuthentication = false;
    bool m_keychainPending = false;
    std::function<void()> m_authEndSelector;
    QPointer<TBAuthenticationSheet> m_authenticationSheet;
};
