#pragma once

#include "TBKeychain.h"

#include <QObject>
#include <QString>

#include <functional>

// Keyring calls for the windows, made off the GUI thread: the keyring may be slow (a locked
// keyring asks to be unlocked, a confused session bus times out after many seconds), and a window
// must take user input meanwhile. Calls run one at a time in order, each bounded by timeoutMs;
// past it a lookup counts as "not found" and a store as failed, silently.
class TBKeychainClient
{
public:
    // Calls done(password) on the main thread, "" when nothing was found. done is not called when
    // context is destroyed first.
    static void findPassword(const TBKeychainItem& item, int timeoutMs, QObject* context,
                             std::function<void(const QString&)> done);
    // Fire and forget.
    static void storePassword(const TBKeychainItem& item, const QString& password, int timeoutMs);
};
