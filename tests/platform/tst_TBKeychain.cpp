#include "TBKeychain.h"
#include "TBTestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// The keyring tests use the Secret Service of the session bus that scripts/test starts (an
// unlocked gnome-keyring in a private dbus-run-session). The failure cases run this program again
// as a child on a bus of its own, because GLib keeps the first session-bus connection for the
// whole process.

namespace {

const char* const kChildMode = "TB_KEYCHAIN_CHILD"; // "error" or "timeout": what the child expects
constexpr int kChildTimeoutMs = 300;

// Items of this test process only, so parallel test runs on one keyring never meet.
TBKeychainItem testItem()
{
    TBKeychainItem item;
    item.server = QStringLiteral("tamblin-test-%1.invalid").arg(QCoreApplication::applicationPid());
    item.account = QStringLiteral("cn=Test User,dc=tamblin,dc=test");
    item.path = QLatin1String("");
    item.port = 389;
    return item;
}

bool askSecretService()
{
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return false;
    QProcess gdbus;
    gdbus.start(QStringLiteral("gdbus"),
                {QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--timeout"), QStringLiteral("10"),
                 QStringLiteral("--dest"), QStringLiteral("org.freedesktop.secrets"), QStringLiteral("--object-path"),
                 QStringLiteral("/org/freedesktop/secrets"), QStringLiteral("--method"),
                 QStringLiteral("org.freedesktop.DBus.Properties.Get"),
                 QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("Collections")});
    return gdbus.waitForFinished(30000) && gdbus.exitStatus() == QProcess::NormalExit && gdbus.exitCode() == 0;
}

bool secretServiceAnswers()
{
    static const bool answers = askSecretService();
    return answers;
}

// scripts/test starts an unlocked gnome-keyring in a private dbus-run-session.
#define REQUIRE_KEYRING() TB_REQUIRE(secretServiceAnswers(), "gnome-keyring", "A Secret Service on the session bus")

// A session bus that starts no services on demand, so no keyring appears unless we start one.
const char* const kBareBusConfig
    = "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
      "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
      "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>"
      "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
      "<allow own=\"*\"/></policy></busconfig>\n";

} // namespace

// What runs inside the child: every call must come back empty-handed, by the expected road.
class tst_TBKeychainChild : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void callsFailWithoutHanging()
    {
        const bool timeout = qgetenv(kChildMode) == "timeout";
        const auto expect = [&](const char* action) {
            const QString pattern = timeout ? QStringLiteral("^Keychain: no answer within %1 ms to %2")
                                                  .arg(kChildTimeoutMs)
                                                  .arg(QLatin1String(action))
                                            : QStringLiteral("^Keychain: could not %1").arg(QLatin1String(action));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(pattern));
        };
        expect("look up a password");
        QVERIFY(!TBKeychain::findPassword(testItem(), kChildTimeoutMs).has_value());
        expect("store a password");
        QVERIFY(!TBKeychain::storePassword(testItem(), QStringLiteral("secret-pw"), kChildTimeoutMs));
        expect("delete a password");
        QVERIFY(!TBKeychain::deletePassword(testItem(), kChildTimeoutMs));
    }
};

class tst_TBKeychain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void itemForURI_data();
    void itemForURI();
    void storeFindReplaceDelete();
    void passwordsRoundTrip_data();
    void passwordsRoundTrip();
    void emptyOrNulPasswordsAreNotStored();
    void itemsAreKeyedByEveryAttribute_data();
    void itemsAreKeyedByEveryAttribute();
    void withoutSessionBus();
    void withoutSecretService();
    void unresponsiveSecretService();
    void cleanup();

private:
    void runChild(const QString& expectation, const QString& script);
};

void tst_TBKeychain::cleanup()
{
    if (secretServiceAnswers()) {
        for (int port : {389, 636, 0})
            TBKeychain::deletePassword({testItem().server, testItem().account, QString(), port});
    }
}

void tst_TBKeychain::itemForURI_data()
{
    QTest::addColumn<QString>("uri");
    QTest::addColumn<QString>("server");
    QTest::addColumn<int>("port");
    QTest::newRow("host and port") << "ldap://ldap.example.com:3389"
                                   << "ldap.example.com" << 3389;
    QTest::newRow("no port") << "ldaps://ldap.example.com"
                             << "ldap.example.com" << 0;
    QTest::newRow("with base in path") << "ldap://127.0.0.1:389/dc=example,dc=com"
                                       << "127.0.0.1" << 389;
    QTest::newRow("ipv6") << "ldap://[::1]:636"
                          << "::1" << 636;
    QTest::newRow("no host") << "ldap:///dc=example,dc=com"
                             << "MISSING_HOST" << 0;
    QTest::newRow("scheme only") << "ldap://"
                                 << "MISSING_HOST" << 0;
    QTest::newRow("several URIs") << "ldap://a.example ldap://b.example:390"
                                  << "MISSING_HOST" << 0;
    QTest::newRow("empty") << ""
                           << "MISSING_HOST" << 0;
    QTest::newRow("not a URL") << "ldap://bad host:x"
                               << "MISSING_HOST" << 0;
}

void tst_TBKeychain::itemForURI()
{
    QFETCH(QString, uri);
    const TBKeychainItem item = TBKeychain::itemForURI(uri, QStringLiteral("cn=a"));
    QTEST(item.server, "server");
    QTEST(item.port, "port");
    QCOMPARE(item.account, QStringLiteral("cn=a"));
    QCOMPARE(item.path, QString());
}

void tst_TBKeychain::storeFindReplaceDelete()
{
    REQUIRE_KEYRING();
    const TBKeychainItem item = testItem();
    QVERIFY(!TBKeychain::findPassword(item).has_value());

    QVERIFY(TBKeychain::storePassword(item, QStringLiteral("first-pw")));
    QCOMPARE(TBKeychain::findPassword(item), std::optional<QString>(QStringLiteral("first-pw")));

    QVERIFY(TBKeychain::storePassword(item, QStringLiteral("second-pw")));
    QCOMPARE(TBKeychain::findPassword(item), std::optional<QString>(QStringLiteral("second-pw")));

    // Replacing kept a single item: one delete leaves nothing behind.
    QVERIFY(TBKeychain::deletePassword(item));
    QVERIFY(!TBKeychain::findPassword(item).has_value());
    QVERIFY(!TBKeychain::deletePassword(item));
}

void tst_TBKeychain::passwordsRoundTrip_data()
{
    QTest::addColumn<QString>("password");
    QTest::newRow("non-ASCII") << QStringLiteral("pässwörd ✓ 密码 🔑");
    QTest::newRow("shell and quote characters") << QStringLiteral(" $(x) `y` 'a' \"b\" \\ ; | & ");
    QTest::newRow("long") << QString(4096, QLatin1Char('p'));
}

void tst_TBKeychain::passwordsRoundTrip()
{
    REQUIRE_KEYRING();
    QFETCH(QString, password);
    QVERIFY(TBKeychain::storePassword(testItem(), password));
    QCOMPARE(TBKeychain::findPassword(testItem()), std::optional<QString>(password));
}

void tst_TBKeychain::emptyOrNulPasswordsAreNotStored()
{
    REQUIRE_KEYRING();
    QVERIFY(!TBKeychain::storePassword(testItem(), QString()));
    QVERIFY(!TBKeychain::storePassword(testItem(), QStringLiteral("ab") + QChar(0) + QStringLiteral("cd")));
    QVERIFY(!TBKeychain::findPassword(testItem()).has_value());
}

void tst_TBKeychain::itemsAreKeyedByEveryAttribute_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("port");
    const TBKeychainItem base = testItem();
    QTest::newRow("other server") << base.server + QStringLiteral(".other") << base.account << base.path << base.port;
    QTest::newRow("other account") << base.server << QStringLiteral("cn=Someone Else") << base.path << base.port;
    QTest::newRow("account case") << base.server << base.account.toLower() << base.path << base.port;
    QTest::newRow("other path") << base.server << base.account << QStringLiteral("/x") << base.port;
    QTest::newRow("other port") << base.server << base.account << base.path << 636;
    QTest::newRow("no port") << base.server << base.account << base.path << 0;
}

void tst_TBKeychain::itemsAreKeyedByEveryAttribute()
{
    REQUIRE_KEYRING();
    QFETCH(QString, server);
    QFETCH(QString, account);
    QFETCH(QString, path);
    QFETCH(int, port);
    const TBKeychainItem other {server, account, path, port};
    QVERIFY(TBKeychain::storePassword(testItem(), QStringLiteral("base-pw")));
    QVERIFY(!TBKeychain::findPassword(other).has_value());

    // And the other item is a separate one: storing it leaves the first untouched.
    QVERIFY(TBKeychain::storePassword(other, QStringLiteral("other-pw")));
    QCOMPARE(TBKeychain::findPassword(testItem()), std::optional<QString>(QStringLiteral("base-pw")));
    QCOMPARE(TBKeychain::findPassword(other), std::optional<QString>(QStringLiteral("other-pw")));
    QVERIFY(TBKeychain::deletePassword(other));
}

void tst_TBKeychain::runChild(const QString& expectation, const QString& script)
{
    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    QVERIFY(QDir(scratch.path()).mkpath(QStringLiteral("home")));
    QVERIFY(QDir(scratch.path()).mkpath(QStringLiteral("runtime")));
    QFile::setPermissions(scratch.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile config(scratch.filePath(QStringLiteral("bus.conf")));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(kBareBusConfig);
    config.close();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kChildMode), expectation);
    env.insert(QStringLiteral("HOME"), scratch.filePath(QStringLiteral("home")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), scratch.filePath(QStringLiteral("runtime")));
    env.insert(QStringLiteral("TB_CHILD_BUS_CONFIG"), config.fileName());
    env.insert(QStringLiteral("TB_CHILD_PROGRAM"), QCoreApplication::applicationFilePath());
    env.remove(QStringLiteral("DISPLAY"));

    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script});
    QVERIFY(child.waitForFinished(240000));
    const QByteArray output = child.readAll();
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, output.constData());
}

void tst_TBKeychain::withoutSessionBus()
{
    runChild(QStringLiteral("error"),
             QStringLiteral("DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/tamblin-bus exec \"$TB_CHILD_PROGRAM\""));
}

void tst_TBKeychain::withoutSecretService()
{
    runChild(QStringLiteral("error"),
             QStringLiteral("exec dbus-run-session --config-file=\"$TB_CHILD_BUS_CONFIG\" -- \"$TB_CHILD_PROGRAM\""));
}

void tst_TBKeychain::unresponsiveSecretService()
{
    // A keyring that owns the name but is stopped: calls reach it and are never answered.
    runChild(QStringLiteral("timeout"),
             QStringLiteral("exec dbus-run-session --config-file=\"$TB_CHILD_BUS_CONFIG\" -- sh -c '"
                            "gnome-keyring-daemon --foreground --components=secrets >/dev/null 2>&1 & k=$!; "
                            "gdbus wait --session --timeout 60 org.freedesktop.secrets || { kill $k; exit 3; }; "
                            "kill -STOP $k; \"$TB_CHILD_PROGRAM\"; rc=$?; kill -KILL $k; exit $rc'"));
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(kChildMode)) {
        tst_TBKeychainChild child;
        return QTest::qExec(&child, argc, argv);
    }
    tst_TBKeychain test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_TBKeychain.moc"
