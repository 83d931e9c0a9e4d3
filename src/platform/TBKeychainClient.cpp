#include "TBKeychainClient.h"

#include <QCoreApplication>
#include <QFutureWatcher>
#include <QPointer>
#include <QThreadPool>
#include <QtConcurrent>

namespace {

// One call at a time, in order: a lookup after a store sees what was stored.
QThreadPool* keychainQueue()
{
    static QPointer<QThreadPool> queue;
    if (!queue) {
        queue = new QThreadPool(QCoreApplication::instance());
        queue->setMaxThreadCount(1);
    }
    return queue;
}

} // namespace

void TBKeychainClient::findPassword(const TBKeychainItem& item, int timeoutMs, QObject* context,
                                    std::function<void(const QString&)> done)
{
    auto* watcher = new QFutureWatcher<QString>(context);
    QObject::connect(watcher, &QFutureWatcher<QString>::finished, context, [watcher, done = std::move(done)] {
        const QString password = watcher->result();
        watcher->deleteLater();
        done(password);
    });
    watcher->setFuture(QtConcurrent::run(keychainQueue(), [item, timeoutMs]() -> QString {
        return TBKeychain::findPassword(item, timeoutMs).value_or(QString());
    }));
}

void TBKeychainClient::storePassword(const TBKeychainItem& item, const QString& password, int timeoutMs)
{
    (void)QtConcurrent::run(keychainQueue(),
                            [item, password, timeoutMs] { TBKeychain::storePassword(item, password, timeoutMs); });
}
