#include "TBNotificationCenter.h"

#include "TBLog.h"

#include <QMutexLocker>

TBNotificationCenter* TBNotificationCenter::defaultCenter()
{
    static TBNotificationCenter center;
    return &center;
}

void TBNotificationCenter::addObserver(QObject* observer, const QString& name, Handler handler, QObject* sender)
{
    if (!observer || !handler) {
        TBLog(QStringLiteral("Notification center: ignoring an observation without observer or handler for \"%1\"")
                  .arg(name));
        return;
    }
    QMutexLocker lock(&m_mutex);
    Registration registration;
    registration.observer = observer;
    registration.observerKey = observer;
    registration.name = name;
    registration.sender = sender;
    registration.anySender = (sender == nullptr);
    registration.handler = std::move(handler);
    registration.serial = m_nextSerial++;
    m_registrations.append(std::move(registration));

    if (!m_destroyConnections.contains(observer)) {
        // DirectConnection: the registrations must be gone before the address can be reused.
        m_destroyConnections.insert(observer,
                                    connect(
                                        observer, &QObject::destroyed, this,
                                        [this](QObject* gone) { observerDestroyed(gone); }, Qt::DirectConnection));
    }
}

void TBNotificationCenter::removeObserver(QObject* observer, const QString& name)
{
    if (!observer)
        return;
    QMutexLocker lock(&m_mutex);
    m_registrations.removeIf(
        [&](const Registration& r) { return r.observerKey == observer && (name.isEmpty() || r.name == name); });
    dropConnectionIfUnused(observer);
}

void TBNotificationCenter::observerDestroyed(QObject* observer)
{
    QMutexLocker lock(&m_mutex);
    m_registrations.removeIf([&](const Registration& r) { return r.observerKey == observer; });
    m_destroyConnections.remove(observer);
}

void TBNotificationCenter::dropConnectionIfUnused(QObject* observer)
{
    for (const Registration& r : std::as_const(m_registrations)) {
        if (r.observerKey == observer)
            return;
    }
    const auto it = m_destroyConnections.constFind(observer);
    if (it != m_destroyConnections.constEnd()) {
        disconnect(it.value());
        m_destroyConnections.erase(it);
    }
}

bool TBNotificationCenter::isLive(quint64 serial) const
{
    for (const Registration& r : m_registrations) {
        if (r.serial == serial)
            return true;
    }
    return false;
}

void TBNotificationCenter::post(const QString& name, QObject* sender, const QVariantMap& userInfo)
{
    const TBNotification notification {name, sender, userInfo};

    // Handlers run without the lock and may change the registrations; deliver from a snapshot and
    // skip any registration that has gone in the meantime.
    QList<Registration> snapshot;
    {
        QMutexLocker lock(&m_mutex);
        for (const Registration& r : std::as_const(m_registrations)) {
            if (!r.name.isEmpty() && r.name != name)
                continue;
            if (!r.anySender && (r.sender.isNull() || r.sender.data() != sender))
                continue;
            snapshot.append(r);
        }
    }
    for (const Registration& r : std::as_const(snapshot)) {
        {
            QMutexLocker lock(&m_mutex);
            if (!isLive(r.serial) || r.observer.isNull())
                continue;
        }
        r.handler(notification);
    }
}

int TBNotificationCenter::observationCount(QObject* observer, const QString& name) const
{
    QMutexLocker lock(&m_mutex);
    int count = 0;
    for (const Registration& r : m_registrations) {
        if (r.observerKey == observer && (name.isEmpty() || r.name == name))
            ++count;
    }
    return count;
}
