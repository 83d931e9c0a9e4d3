#include "TBSessionBusProbe.h"

#include "TBTestSupport.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// The bounded look at the session bus before start-up: a silent bus is told apart from one that
// answers and from none at all, and a silent one is replaced by an address that fails at once.
class tst_TBSessionBusProbe : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_silent = -1; // a listening socket nobody serves: connections wait, nothing is ever written

    QString silentPath() const { return m_dir.filePath(QStringLiteral("silent-bus")); }
    QByteArray silentAddress() const { return "unix:path=" + silentPath().toLocal8Bit(); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_silent = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        QVERIFY(m_silent >= 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        const QByteArray path = silentPath().toLocal8Bit();
        QVERIFY(size_t(path.size()) < sizeof(address.sun_path));
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        QCOMPARE(::bind(m_silent, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
        QCOMPARE(::listen(m_silent, 16), 0);
    }

    void cleanupTestCase() { ::close(m_silent); }

    void probe_data()
    {
        QTest::addColumn<QByteArray>("address");
        QTest::addColumn<int>("result");
        const QByteArray missing = "unix:path=" + m_dir.filePath(QStringLiteral("none")).toLocal8Bit();
        QTest::newRow("silent") << silentAddress() << int(TBSessionBusProbe::Silent);
        QTest::newRow("nothing listens") << missing << int(TBSessionBusProbe::NoBus);
        QTest::newRow("first reachable counts") << missing + ";" + silentAddress() << int(TBSessionBusProbe::Silent);
        QTest::newRow("escaped path") << QByteArray(silentAddress()).replace("silent", "%73ilent")
                                      << int(TBSessionBusProbe::Silent);
        QTest::newRow("not a unix socket")
            << QByteArray("tcp:host=127.0.0.1,port=1") << int(TBSessionBusProbe::Answers);
        QTest::newRow("garbage") << QByteArray("no colon here") << int(TBSessionBusProbe::NoBus);
        QTest::newRow("unreachable stand-in")
            << QByteArray(TBSessionBusProbe::unreachableAddress) << int(TBSessionBusProbe::NoBus);
    }

    void probe()
    {
        QFETCH(QByteArray, address);
        QFETCH(int, result);
        QCOMPARE(int(TBSessionBusProbe::probe(address, 300)), result);
    }

    // The session bus of the test run (scripts/test-session starts one) answers.
    void realBusAnswers()
    {
        const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        TB_REQUIRE(!address.isEmpty(), "dbus", "A session bus");
        QCOMPARE(TBSessionBusProbe::probe(address, 5000), TBSessionBusProbe::Answers);
        QCOMPARE(TBSessionBusProbe::avoidSilentBus(5000), TBSessionBusProbe::Answers);
        QCOMPARE(qgetenv("DBUS_SESSION_BUS_ADDRESS"), address);
    }

    void silentBusIsAvoided()
    {
        const QByteArray saved = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("DBUS_SESSION_BUS_ADDRESS", silentAddress());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("does not answer")));
        QCOMPARE(TBSessionBusProbe::avoidSilentBus(300), TBSessionBusProbe::Silent);
        QCOMPARE(qgetenv("DBUS_SESSION_BUS_ADDRESS"), QByteArray(TBSessionBusProbe::unreachableAddress));
        qputenv("DBUS_SESSION_BUS_ADDRESS", saved);
    }
};

QTEST_GUILESS_MAIN(tst_TBSessionBusProbe)
#include "tst_TBSessionBusProbe.moc"
