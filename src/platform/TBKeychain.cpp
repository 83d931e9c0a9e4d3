#include "TBKeychain.h"

#include "TBKeychainBackend.h"
#include "TBLog.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

const char* const kLabel = "Tamblin password";

// One keyring call, shared by the waiting thread and the worker (which may outlive the wait).
struct Call
{
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    QEventLoop* waker = nullptr; // the waiting thread's loop, while it waits in one

    // Written by the worker before done is set; read only once done is seen.
    int status = TB_KEYCHAIN_ERROR;
    QString password;
    QString message;
};

// The item's attribute strings, kept alive for the worker.
struct Attributes
{
    explicit Attributes(const TBKeychainItem& item)
        : server(item.server.toUtf8())
        , account(item.account.toUtf8())
        , path(item.path.toUtf8())
        , port(item.port >= 0 && item.port <= 65535 ? item.port : 0)
    { }
    TBKeychainAttributes c() const { return {server.constData(), account.constData(), path.constData(), port}; }

    QByteArray server;
    QByteArray account;
    QByteArray path;
    int port;
};

using Work = std::function<void(Call&, TBKeychainCancel*)>;

// Runs work on its own thread and waits for it at most timeoutMs. Null when it did not finish.
std::shared_ptr<Call> runBounded(const char* what, Work work, int timeoutMs)
{
    auto call = std::make_shared<Call>();
    TBKeychainCancel* cancel = tb_keychain_cancel_new();
    try {
        std::thread([call, work = std::move(work), cancel = tb_keychain_cancel_ref(cancel)] {
            work(*call, cancel);
            tb_keychain_cancel_unref(cancel);
            std::lock_guard lock(call->mutex);
            call->done = true;
            call->finished.notify_all();
            if (call->waker)
                QMetaObject::invokeMethod(call->waker, &QEventLoop::quit, Qt::QueuedConnection);
        }).detach();
    } catch (const std::system_error&) {
        tb_keychain_cancel_unref(cancel); // the worker's reference
        tb_keychain_cancel_unref(cancel);
        TBLog(QStringLiteral("Keychain: cannot start a thread to %1").arg(QLatin1String(what)));
        return nullptr;
    }

    timeoutMs = std::max(timeoutMs, 1);
    QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() == app->thread()) {
        // Keep the windows painted while the keyring thinks, without taking clicks or keys.
        QEventLoop loop;
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        bool wait = false;
        {
            std::lock_guard lock(call->mutex);
            if (!call->done) {
                call->waker = &loop;
                wait = true;
            }
        }
        if (wait)
            loop.exec(QEventLoop::ExcludeUserInputEvents);
        std::lock_guard lock(call->mutex);
        call->waker = nullptr;
    } else {
        std::unique_lock lock(call->mutex);
        call->finished.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return call->done; });
    }

    bool done = false;
    {
        std::lock_guard lock(call->mutex);
        done = call->done;
    }
    if (!done) {
        tb_keychain_cancel_trigger(cancel);
        TBLog(QStringLiteral("Keychain: no answer within %1 ms to %2; giving up")
                  .arg(timeoutMs)
                  .arg(QLatin1String(what)));
    }
    tb_keychain_cancel_unref(cancel);
    return done ? call : nullptr;
}

QString takeMessage(char* message)
{
    const QString text = message ? QString::fromUtf8(message) : QString();
    tb_keychain_free_message(message);
    return text;
}

} // namespace

TBKeychainItem TBKeychain::itemForURI(const QString& ldapURI, const QString& account)
{
    TBKeychainItem item;
    item.account = account;
    item.path = QLatin1String("");
    item.server = missingHost();
    const QUrl url(ldapURI.trimmed(), QUrl::StrictMode);
    if (url.isValid() && !ldapURI.trimmed().contains(QLatin1Char(' '))) {
        if (!url.host().isEmpty())
            item.server = url.host();
        item.port = std::max(url.port(), 0);
    }
    return item;
}

std::optional<QString> TBKeychain::findPassword(const TBKeychainItem& item, int timeoutMs)
{
    const auto attributes = std::make_shared<Attributes>(item);
    const auto call = runBounded(
        "look up a password",
        [attributes](Call& call, TBKeychainCancel* cancel) {
            const TBKeychainAttributes c = attributes->c();
            char* password = nullptr;
            char* message = nullptr;
            call.status = tb_keychain_find(&c, cancel, &password, &message);
            if (password) {
                call.password = QString::fromUtf8(password);
                tb_keychain_free_password(password);
            }
            call.message = takeMessage(message);
        },
        timeoutMs);
    if (!call)
        return std::nullopt;
    if (call->status == TB_KEYCHAIN_ERROR)
        TBLog(QStringLiteral("Keychain: could not look up a password: %1").arg(call->message));
    if (call->status != TB_KEYCHAIN_OK || call->password.isEmpty())
        return std::nullopt;
    return call->password;
}

bool TBKeychain::storePassword(const TBKeychainItem& item, const QString& password, int timeoutMs)
{
    if (password.isEmpty() || password.contains(QChar(0)))
        return false;
    const auto attributes = std::make_shared<Attributes>(item);
    const auto secret = std::make_shared<QByteArray>(password.toUtf8());
    const auto call = runBounded(
        "store a password",
        [attributes, secret](Call& call, TBKeychainCancel* cancel) {
            const TBKeychainAttributes c = attributes->c();
            char* message = nullptr;
            call.status = tb_keychain_store(&c, kLabel, secret->constData(), cancel, &message);
            call.message = takeMessage(message);
            secret->fill('\0');
        },
        timeoutMs);
    if (!call)
        return false;
    if (call->status != TB_KEYCHAIN_OK)
        TBLog(QStringLiteral("Keychain: could not store a password: %1").arg(call->message));
    return call->status == TB_KEYCHAIN_OK;
}

bool TBKeychain::deletePassword(const TBKeychainItem& item, int timeoutMs)
{
    const auto attributes = std::make_shared<Attributes>(item);
    const auto call = runBounded(
        "delete a password",
        [attributes](Call& call, TBKeychainCancel* cancel) {
            const TBKeychainAttributes c = attributes->c();
            char* message = nullptr;
            call.status = tb_keychain_delete(&c, cancel, &message);
            call.message = takeMessage(message);
        },
        timeoutMs);
    if (!call)
        return false;
    if (call->status == TB_KEYCHAIN_ERROR)
        TBLog(QStringLiteral("Keychain: could not delete a password: %1").arg(call->message));
    return call->status == TB_KEYCHAIN_OK;
}
