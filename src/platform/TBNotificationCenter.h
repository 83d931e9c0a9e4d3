#pragma once

#include <QList>
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
class TBNotificationCenter : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<void(const TBNotification&)>;

    static TBNotificationCenter* defaultCenter();

    // An empty name observes every notification; a non-null sender filter only that sender's.
    void addObserver(QObject* observer, const QString& name, Handler handler, QObject* sender = nullptr);
    void removeObserver(QObject* observer, const QString& name = QString());

    void post(const QString& name, QObject* sender = nullptr, const QVariantMap& userInfo = QVariantMap());

private:
    struct Registration
    {
        QPointer<QObject> observer;
        QString name;
        QPointer<QObject> sender;
        bool anySender = true;
        Handler handler;
        quint64 serial = 0;
    };
    QList<Registration> m_registrations;
    quint64 m_nextSerial = 1;
};
