#include "TBKeychainClient.h"

#include <QTest>
#include <QThread>

// Keyring calls made for a window: answered on the main thread, in order, and harmless without
// a Secret Service (this test runs with no session bus at all).
class tst_TBKeychainClient : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void withoutAServiceNothingIsFound();
    void answerIsDroppedWithItsWindow();
};

void tst_TBKeychainClient::initTestCase()
{
    // Before any keyring call in this process: a session bus that is not there.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tamblin-test-bus");
}

void tst_TBKeychainClient::withoutAServiceNothingIsFound()
{
    TBKeychainItem item = TBKeychain::itemForURI(QStringLiteral("ldap://127.0.0.1:389"), QStringLiteral("cn=x"));
    TBKeychainClient::storePassword(item, QStringLiteral("secret"), 5000);
    QObject context;
    bool answered = false;
    QString found = QStringLiteral("unset");
    QThread* thread = nullptr;
    TBKeychainClient::findPassword(item, 5000, &context, [&](const QString& password) {
        answered = true;
        found = password;
        thread = QThread::currentThread();
    });
    QVERIFY(!answered); // never on the caller's stack
    QTRY_VERIFY_WITH_TIMEOUT(answered, 30000);
    QCOMPARE(found, QString());
    QCOMPARE(thread, QThread::currentThread());
}

void tst_TBKeychainClient::answerIsDroppedWithItsWindow()
{
    TBKeychainItem item = TBKeychain::itemForURI(QStringLiteral("ldap://127.0.0.1:389"), QStringLiteral("cn=x"));
    auto* context = new QObject;
    bool answered = false;
    TBKeychainClient::findPassword(item, 5000, context, [&](const QString&) { answered = true; });
    delete context;
    // A later call's answer arrives after the first one would have.
    QObject other;
    bool second = false;
    TBKeychainClient::findPassword(item, 5000, &other, [&](const QString&) { second = true; });
    QTRY_VERIFY_WITH_TIMEOUT(second, 30000);
    QVERIFY(!answered);
}

QTEST_GUILESS_MAIN(tst_TBKeychainClient)
#include "tst_TBKeychainClient.moc"
