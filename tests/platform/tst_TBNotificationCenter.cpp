#include "TBNotificationCenter.h"

#include <QTest>

#include <memory>

class tst_TBNotificationCenter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void deliversByNameAndSender_data();
    void deliversByNameAndSender();
    void removeObserverByName();
    void destroyedObserverIsDropped();
    void destroyedSenderFilterMatchesNothing();
    void handlersMayChangeObserversWhilePosting();
    void observerDestroyedByAnotherHandlerIsSkipped();
};

void tst_TBNotificationCenter::deliversByNameAndSender_data()
{
    QTest::addColumn<QString>("observedName");
    QTest::addColumn<bool>("filterOnSender");
    QTest::addColumn<QString>("postedName");
    QTest::addColumn<bool>("postFromSender");
    QTest::addColumn<bool>("delivered");
    const QString prefs = QStringLiteral("TBPrefsHaveChangedNotification");
    const QString dirs = QStringLiteral("TBPrefsDirectoriesHaveChangedNotification");
    QTest::newRow("same name") << prefs << false << prefs << false << true;
    QTest::newRow("other name") << prefs << false << dirs << false << false;
    QTest::newRow("every name") << QString() << false << dirs << false << true;
    QTest::newRow("names are case-sensitive") << prefs << false << prefs.toLower() << false << false;
    QTest::newRow("sender matches") << prefs << true << prefs << true << true;
    QTest::newRow("other sender") << prefs << true << prefs << false << false;
}

void tst_TBNotificationCenter::deliversByNameAndSender()
{
    QFETCH(QString, observedName);
    QFETCH(bool, filterOnSender);
    QFETCH(QString, postedName);
    QFETCH(bool, postFromSender);
    QFETCH(bool, delivered);

    TBNotificationCenter* center = TBNotificationCenter::defaultCenter();
    QObject observer;
    QObject sender;
    QObject otherSender;
    QList<TBNotification> received;
    center->addObserver(
        &observer, observedName, [&](const TBNotification& n) { received.append(n); },
        filterOnSender ? &sender : nullptr);
    const QVariantMap info {{QStringLiteral("changedPref"), QStringLiteral("MaxHits")}};
    center->post(postedName, postFromSender ? &sender : &otherSender, info);

    QCOMPARE(received.size(), delivered ? 1 : 0);
    if (delivered) {
        QCOMPARE(received.first().name, postedName);
        QCOMPARE(received.first().sender, postFromSender ? &sender : &otherSender);
        QCOMPARE(received.first().userInfo, info);
    }
}

void tst_TBNotificationCenter::removeObserverByName()
{
    TBNotificationCenter* center = TBNotificationCenter::defaultCenter();
    QObject observer;
    QStringList received;
    const auto record = [&](const TBNotification& n) { received.append(n.name); };
    center->addObserver(&observer, QStringLiteral("A"), record);
    center->addObserver(&observer, QStringLiteral("B"), record);

    center->removeObserver(&observer, QStringLiteral("A"));
    center->post(QStringLiteral("A"));
    center->post(QStringLiteral("B"));
    QCOMPARE(received, QStringList {QStringLiteral("B")});

    center->removeObserver(&observer);
    center->post(QStringLiteral("B"));
    QCOMPARE(received, QStringList {QStringLiteral("B")});
    QCOMPARE(center->observationCount(&observer), 0);
}

void tst_TBNotificationCenter::destroyedObserverIsDropped()
{
    TBNotificationCenter* center = TBNotificationCenter::defaultCenter();
    int calls = 0;
    auto observer = std::make_unique<QObject>();
    QObject* address = observer.get();
    center->addObserver(address, QStringLiteral("Gone"), [&](const TBNotification&) { ++calls; });
    center->addObserver(address, QString(), [&](const TBNotification&) { ++calls; });
    QCOMPARE(center->observationCount(address), 2);
    observer.reset();
    QCOMPARE(center->observationCount(address), 0);
    center->post(QStringLiteral("Gone"));
    QCOMPARE(calls, 0);

    // A new object at a reused address starts with no registrations of the old one.
    QObject fresh;
    center->post(QStringLiteral("Gone"));
    QCOMPARE(calls, 0);
}

void tst_TBNotificationCenter::destroyedSenderFilterMatchesNothing()
{
    TBNotificationCenter* center = TBNotificationCenter::defaultCenter();
    QObject observer;
    int calls = 0;
    auto sender = std::make_unique<QObject>();
    center->addObserver(
        &observer, QStringLiteral("S"), [&](const TBNotification&) { ++calls; }, sender.get());
    sender.reset();
    center->post(QStringLiteral("S"), nullptr);
    QCOMPARE(calls, 0);
}

void tst_TBNotificationCenter::handlersMayChangeObserversWhilePosting()
{
    TBNotificationCenter* center = TBNotificationCenter::defaultCenter();
    QObject first;
    QObject second;
    QObject late;
    QStringList calls;
    center->addObserver(&first, QStringLiteral("N"), [&](const TBNotification&) {
        calls.append(QStringLiteral("first"));
        center->removeObserver(&first); // itself
        center->removeObserver(&second); // one not yet called in this post
        center->addObserver(&late, QStringLiteral("N"),
                            [&](const TBNotification&) { calls.append(QStringLiteral("late")); });
    });
    center->addObserver(&second, QStringLiteral("N"),
                        [&](const TBNotification&) { calls.append(QStringLiteral("second")); });

    center->post(QStringLiteral("N"));
    QCOMPARE(calls, QStringList {QStringLiteral("first")});
    center->post(QStringLiteral("N"));
    QCOMPARE(calls, (QStringList {QStringLiteral("first"), QStringLiteral("late")}));
    center->removeObserver(&late);
}

void tst_TBNotificationCenter::observerDestroyedByAnotherHandlerIsSkipped()
{
    TBNotificationCenter* center = TBNotificationCenter::defaultCenter();
    QObject closer;
    auto window = std::make_unique<QObject>();
    int windowCalls = 0;
    center->addObserver(&closer, QStringLiteral("Close"), [&](const TBNotification&) { window.reset(); });
    center->addObserver(window.get(), QStringLiteral("Close"), [&](const TBNotification&) { ++windowCalls; });
    center->post(QStringLiteral("Close"));
    QVERIFY(!window);
    QCOMPARE(windowCalls, 0);
    center->removeObserver(&closer);
}

QTEST_GUILESS_MAIN(tst_TBNotificationCenter)
#include "tst_TBNotificationCenter.moc"
