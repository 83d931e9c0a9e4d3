#pragma once

#include <QString>

#include <optional>

// One bind password in the user's keyring: what the item is found and created by.
struct TBKeychainItem
{
    QString server; // the directory URI's host, "MISSING_HOST" when it has none
    QString account; // the bind DN
    QString path; // always "" for directories
    int port = 0; // the URI's port, 0 when it names none
};

// Bind passwords in the freedesktop Secret Service (GNOME Keyring, KeePassXC, KWallet), through
// libsecret. One item per (server, account, path, port) with protocol "ldap" and authentication
// type "dflt" in the network-password schema, labelled "Tamblin password", in the default
// collection.
//
// The keyring may take long to answer (an unlock prompt, a stuck service), so every call runs on a
// worker thread and gives up after timeoutMs: it then answers not-found / false and the worker is
// cancelled in the background. On the application's main thread the wait keeps painting and timers
// going but holds back user input; callers must still expect other events to be delivered. Without
// a session bus or a Secret Service the calls fail at once. Failures are never shown to the user;
// they go to the log, and a password never does.
class TBKeychain
{
public:
    static constexpr int defaultTimeoutMs = 5000;
    static QString missingHost() { return QStringLiteral("MISSING_HOST"); }

    // The item for a directory's URI and bind DN: server is the URI's host and port its port, or
    // "MISSING_HOST" and 0 when the text is not one URL with a host (a list of URIs, say).
    static TBKeychainItem itemForURI(const QString& ldapURI, const QString& account);

    // The stored password; nothing when there is none, it is empty, or the keyring fails or is slow.
    static std::optional<QString> findPassword(const TBKeychainItem& item, int timeoutMs = defaultTimeoutMs);
    // Adds the item or replaces its password. False for an empty password or one holding a NUL
    // character (the keyring keeps C strings), and when the keyring fails or is slow.
    static bool storePassword(const TBKeychainItem& item, const QString& password, int timeoutMs = defaultTimeoutMs);
    // True when an item was removed.
    static bool deletePassword(const TBKeychainItem& item, int timeoutMs = defaultTimeoutMs);
};
