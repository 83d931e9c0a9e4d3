#pragma once

#include <QHash>
#include <QList>
#include <QMetaObject>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>

#include <functional>

struct TBNotification
{
    QString name;
    QObject* sender = nullptr;
    QVariantMap userInfo;
};

// One process-wide center. Observers register by name with a handler; an observer's registrations
// go away when the observer is destroyed. Posting is synchronous, on the caller's thread.
// Handlers may add and remove observers (themselves included) while a notification is delivered:
// a registration removed during a post is not called any more, one added during a post is called
// from the next post on.
class TBNotificationCenter : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<void(const TBNotification&)>;

    static TBNotificationCenter* defaultCenter();

    // An empty name observes every notification; a non-null sender filter only that sender's.
    // A null observer or an empty handler registers nothing.
    void addObserver(QObject* observer, const QString& name, Handler handler, QObject* sender = nullptr);
    // An empty name removes all of the observer's registrations, otherwise those made for that name.
    void removeObserver(QObject* observer, const QString& name = QString());

    void post(const QString& name, QObject* sender = nullptr, const QVariantMap& userInfo = QVariantMap());

    // Registrations currently held for the observer (all of them when name is empty).
    int observationCount(QObject* observer, const QString& name = QString()) const;

private:
    struct Registration
    {
        QPointer<QObject> observer;
        QObject* observerKey = nullptr; // identity only; the QPointer is already null in destroyed()
        QString name;
        QPointer<QObject> sender;
        bool anySender = true;
        Handler handler;
        quint64 serial = 0;
    };

    void observerDestroyed(QObject* observer);
    void dropConnectionIfUnused(QObject* observer);
    bool isLive(quint64 serial) const;

    mutable QMutex m_mutex;
    QList<Registration> m_registrations;
    QHash<QObject*, QMetaObject::Connection> m_destroyConnections;
    quint64 m_nextSerial = 1;
};
