#include "TBTestSupport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// The real program, started on a real X server (Xvfb), opens its first window although its
// session bus accepts connections and never answers: nothing at start-up waits on that bus.
class tst_TBStartUp : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_silentBus = -1;
    QProcess m_xvfb;
    QString m_display;

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void startsDespiteASilentBus();
};

void tst_TBStartUp::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // A listening socket nobody serves, as a hung bus daemon leaves behind.
    m_silentBus = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    QVERIFY(m_silentBus >= 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray path = m_dir.filePath(QStringLiteral("bus")).toLocal8Bit();
    QVERIFY(size_t(path.size()) < sizeof(address.sun_path));
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    QCOMPARE(::bind(m_silentBus, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    QCOMPARE(::listen(m_silentBus, 16), 0);
}

void tst_TBStartUp::cleanupTestCase()
{
    if (m_xvfb.state() != QProcess::NotRunning) {
        m_xvfb.terminate();
        m_xvfb.waitForFinished(5000);
    }
    ::close(m_silentBus);
}

void tst_TBStartUp::startsDespiteASilentBus()
{
    TB_REQUIRE(QFile::exists(QStringLiteral("/usr/bin/Xvfb")), "xvfb", "Xvfb");
    // Xvfb picks a free display and writes its number on the descriptor given (its stdout).
    m_xvfb.start(QStringLiteral("/usr/bin/Xvfb"),
                 {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                  QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    QVERIFY(m_xvfb.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(m_xvfb.canReadLine() || m_xvfb.state() == QProcess::NotRunning, 30000);
    m_display = QStringLiteral(":") + QString::fromLatin1(m_xvfb.readLine().trimmed());
    QVERIFY2(m_display.size() > 1, "Xvfb gave no display");

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
               QStringLiteral("unix:path=") + m_dir.filePath(QStringLiteral("bus")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    QProcess app;
    app.setProcessEnvironment(env);
    app.setProcessChannelMode(QProcess::MergedChannels);
    app.start(QStringLiteral(TB_APP_PATH), QStringList());
    QVERIFY(app.waitForStarted());
    QByteArray log;
    // Each blocking call to a silent bus waits 25 s: a window within 15 s means none waited.
    const bool started = QTest::qWaitFor(
        [&] {
            log += app.readAll();
            return log.contains("started") || app.state() == QProcess::NotRunning;
        },
        15000);
    app.kill();
    app.waitForFinished(5000);
    QVERIFY2(started && log.contains("started"), log.constData());
    QVERIFY2(log.contains("does not answer"), log.constData());
}

QTEST_GUILESS_MAIN(tst_TBStartUp)
#include "tst_TBStartUp.moc"
