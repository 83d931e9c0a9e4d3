#include "TBCredentials.h"

#include "TBAuthenticationSheet.h"
#include "TBKeychainClient.h"

const QString TBCredentials::noPasswordMarker = QStringLiteral("***no_password_required***");
int TBCredentials::keychainTimeoutMs = 5000;

TBCredentials::TBCredentials(QWidget* window, std::function<TBDirectoryPtr()> currentDirectory)
    : QObject(window)
    , m_window(window)
    , m_currentDirectory(std::move(currentDirectory))
{ }

TBAuthenticationSheet* TBCredentials::authenticationSheet() const
{
    return m_authenticationSheet;
}

TBKeychainItem TBCredentials::credentialsKey(const QString& ldapURI, const QString& simpleID)
{
    return TBKeychain::itemForURI(ldapURI, simpleID);
}

bool TBCredentials::needsAuthentication(const TBDirectory& directory, Qt::KeyboardModifiers modifiers)
{
    const quint64 authentication = directory.authentication();
    if (authentication == 0 || authentication == 3 || directory.ldapURI().isEmpty())
        return false;
    m_ignoreKeychain = false;
    if (modifiers & Qt::AltModifier) {
        // Alt while starting a command always asks.
        m_ignoreKeychain = true;
        return true;
    }
    if (authentication == 1)
        return m_simpleID.isEmpty();
    if (authentication == 2)
        return m_simpleID.isEmpty() || m_simplePassword.isEmpty();
    return false;
}

void TBCredentials::getSimpleCredentials(std::function<void()> endSelector)
{
    if (m_simpleID.isEmpty() || m_simplePassword == noPasswordMarker)
        m_ignoreKeychain = true;
    m_canceledAuthentication = false;
    m_authEndSelector = std::move(endSelector);
    const TBDirectoryPtr directory = m_currentDirectory();
    if (m_ignoreKeychain || !directory) {
        showAuthenticationSheet();
        return;
    }
    // The keyring may take its time (a locked keyring asks to be unlocked): wait for it without
    // blocking the window, and give up after a bound.
    m_keychainPending = true;
    Q_EMIT waitingForKeychainChanged(true);
    const TBKeychainItem key = credentialsKey(directory->ldapURI(), m_simpleID);
    TBKeychainClient::findPassword(key, keychainTimeoutMs, this, [this](const QString& password) {
        m_keychainPending = false;
        Q_EMIT waitingForKeychainChanged(false);
        if (!password.isEmpty()) {
            m_simplePassword = password;
            continueAfterCredentials();
            return;
        }
        showAuthenticationSheet();
    });
}

void TBCredentials::showAuthenticationSheet()
{
    const TBDirectoryPtr directory = m_currentDirectory();
    QString server;
    if (directory)
        server = QStringLiteral("%1 (%2)").arg(directory->directoryName(), directory->ldapURI());
    auto* sheet = new TBAuthenticationSheet(m_window);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->prepare(m_simpleID, m_simplePassword == noPasswordMarker, server);
    m_authenticationSheet = sheet;
    connect(sheet, &QDialog::accepted, this, &TBCredentials::authenticationOK);
    connect(sheet, &QDialog::rejected, this, &TBCredentials::authenticationCancel);
    sheet->open();
    sheet->activateWindow();
}

void TBCredentials::authenticationOK()
{
    TBAuthenticationSheet* sheet = m_authenticationSheet;
    if (!sheet)
        return;
    const QString previousID = m_simpleID;
    m_simpleID = sheet->idText();
    if (!sheet->passwordHidden())
        m_simplePassword = sheet->passwordText();
    // Only the DN the window already had (the directory's) gets its password stored.
    m_saveInKeychain = sheet->useKeychain() && m_simpleID == previousID;
    m_authenticationSheet = nullptr;
    continueAfterCredentials();
}

void TBCredentials::authenticationCancel()
{
    m_canceledAuthentication = true;
    m_authenticationSheet = nullptr;
    continueAfterCredentials();
}

void TBCredentials::continueAfterCredentials()
{
    if (m_authEndSelector)
        std::exchange(m_authEndSelector, nullptr)();
}

void TBCredentials::saveCredentialsInKeychain()
{
    if (!m_saveInKeychain || m_simpleID.isEmpty() || m_simplePassword.isEmpty())
        return;
    const TBDirectoryPtr directory = m_currentDirectory();
    if (!directory)
        return;
    TBKeychainClient::storePassword(credentialsKey(directory->ldapURI(), m_simpleID), m_simplePassword,
                                    keychainTimeoutMs);
}
