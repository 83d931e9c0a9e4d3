#include "TBCommander.h"

#include "TBTestSupport.h"

#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Records everything the commander says; answers a chunk that holds `trigger` with `answer`, once.
class Recorder : public TBCommanderController
{
public:
    QByteArray output;
    QByteArray error;
    int outputChunks = 0;
    int errorChunks = 0;
    int emptyChunks = 0;
    int finished = 0;
    bool dataAfterFinish = false;
    QStringList messages;
    QByteArray trigger;
    QByteArray answer;
    QEventLoop* loop = nullptr;

    QByteArray receivedOutputData(const QByteArray& data) override
    {
        ++outputChunks;
        output += data;
        return took(data);
    }
    QByteArray receivedErrorData(const QByteArray& data) override
    {
        ++errorChunks;
        error += data;
        return took(data);
    }
    void commandFinished(TBCommander* commander) override
    {
        ++finished;
        // The run is over: the commander must already be idle.
        if (commander->isRunning())
            messages << QStringLiteral("still running at finish");
        if (loop)
            loop->quit();
    }
    void displayMessageText(const QString& text) override { messages << text; }

private:
    QByteArray took(const QByteArray& data)
    {
        if (data.isEmpty())
            ++emptyChunks;
        if (finished)
            dataAfterFinish = true;
        if (trigger.isEmpty() || !QByteArray(output + error).contains(trigger))
            return QByteArray();
        trigger.clear();
        return answer;
    }
};

// Runs the event loop until the commander reports the end (no timing is asserted; the guard only
// keeps a broken run from hanging the suite).
void waitForFinish(Recorder& recorder)
{
    if (recorder.finished)
        return;
    QEventLoop loop;
    recorder.loop = &loop;
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    loop.exec();
    recorder.loop = nullptr;
    QVERIFY2(recorder.finished, "the run never finished");
}

const QString sh = QStringLiteral("/bin/sh");

} // namespace

class tst_TBCommander : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void reportsEndOnceAfterAllOutput_data();
    void reportsEndOnceAfterAllOutput();
    void answerGoesToStandardInput_data();
    void answerGoesToStandardInput();
    void secondStartRefusedAndTerminateEndsTool();
    void startFailureLeavesRunnerIdle_data();
    void startFailureLeavesRunnerIdle();
    void toolRunsInItsOwnSession();
    void outputArrivesWhenOurStandardStreamsAreClosed_data();
    void outputArrivesWhenOurStandardStreamsAreClosed();
    void realToolReadsPromptedPasswordFromStandardInput();
};

void tst_TBCommander::reportsEndOnceAfterAllOutput_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QByteArray>("error");
    QTest::addColumn<qint64>("status");

    QTest::newRow("silent") << QStringLiteral("exit 0") << QByteArray() << QByteArray() << qint64(0);
    QTest::newRow("both streams, error status")
        << QStringLiteral("printf out; printf err >&2; exit 3") << QByteArray("out") << QByteArray("err") << qint64(3);
    // The last chunk is still in the pipe when the exit is noticed.
    QTest::newRow("output right before exit")
        << QStringLiteral("sleep 0.1; printf last") << QByteArray("last") << QByteArray() << qint64(0);
    // Far more than a pipe holds, on both streams at once: neither may block the other.
    QTest::newRow("megabytes on both streams")
        << QStringLiteral("head -c 300000 /dev/zero | tr '\\0' e >&2 & head -c 3000000 /dev/zero | tr '\\0' o; wait")
        << QByteArray(3000000, 'o') << QByteArray(300000, 'e') << qint64(0);
    // A program left behind still holds the output open: the end comes with the tool's exit.
    QTest::newRow("background child keeps the output open")
        << QStringLiteral("(sleep 5; printf late) & printf now") << QByteArray("now") << QByteArray() << qint64(0);
    // Killed by a signal: reported as a shell would, never as a status that means success (11 = SIGSEGV).
    QTest::newRow("crash") << QStringLiteral("printf x; kill -SEGV $$") << QByteArray("x") << QByteArray()
                           << qint64(128 + 11);
}

void tst_TBCommander::reportsEndOnceAfterAllOutput()
{
    QFETCH(QString, script);
    QFETCH(QByteArray, output);
    QFETCH(QByteArray, error);
    QFETCH(qint64, status);

    Recorder recorder;
    TBCommander commander(&recorder);
    QVERIFY(commander.runCommandString(sh, {QStringLiteral("-c"), script}));
    QVERIFY(commander.isRunning());
    QCOMPARE(commander.taskStatus(), qint64(-1));
    waitForFinish(recorder);
    QCoreApplication::processEvents();

    QCOMPARE(recorder.finished, 1);
    QVERIFY(recorder.output == output);
    QVERIFY(recorder.error == error);
    QCOMPARE(recorder.emptyChunks, 0);
    QVERIFY(!recorder.dataAfterFinish);
    QCOMPARE(commander.taskStatus(), status);
    QVERIFY(!commander.isRunning());
    QVERIFY(recorder.messages.isEmpty());
}

void tst_TBCommander::answerGoesToStandardInput_data()
{
    QTest::addColumn<QString>("script");

    // The prompt comes in pieces; the answer is given once the whole of it has arrived.
    QTest::newRow("prompt on stdout") << QStringLiteral(
        "printf 'Pass'; sleep 0.1; printf 'word: '; read -r x; echo \"got:$x\"");
    QTest::newRow("prompt on stderr") << QStringLiteral(
        "printf 'Pass' >&2; sleep 0.1; printf 'word: ' >&2; read -r x; echo \"got:$x\"");
}

void tst_TBCommander::answerGoesToStandardInput()
{
    QFETCH(QString, script);

    Recorder recorder;
    recorder.trigger = "Password: ";
    recorder.answer = "s3cret\n";
    TBCommander commander(&recorder);
    QVERIFY(commander.runCommandString(sh, {QStringLiteral("-c"), script}));
    waitForFinish(recorder);

    QVERIFY2(recorder.output.endsWith("got:s3cret\n"), recorder.output.constData());
    QCOMPARE(commander.taskStatus(), qint64(0));
}

void tst_TBCommander::secondStartRefusedAndTerminateEndsTool()
{
    Recorder recorder;
    TBCommander commander(&recorder);
    commander.terminate(); // idle: nothing happens
    QCoreApplication::processEvents();
    QCOMPARE(recorder.finished, 0);

    // cat waits on standard input, which the commander never closes.
    QVERIFY(commander.runCommandString(QStringLiteral("/bin/cat")));
    const qint64 pid = commander.processId();
    QVERIFY(pid > 0);

    QVERIFY(!commander.runCommandString(sh, {QStringLiteral("-c"), QStringLiteral("exit 0")}));
    QCOMPARE(recorder.messages,
             QStringList {QStringLiteral("Could not run the command: another command is still running.")});
    QVERIFY(commander.isRunning());
    QCOMPARE(commander.processId(), pid);

    commander.terminate();
    waitForFinish(recorder);
    QCOMPARE(recorder.finished, 1);
    QCOMPARE(commander.taskStatus(), qint64(128 + 15)); // SIGTERM

    // Reusable afterwards.
    recorder.finished = 0;
    QVERIFY(commander.runCommandString(sh, {QStringLiteral("-c"), QStringLiteral("exit 7")}));
    waitForFinish(recorder);
    QCOMPARE(commander.taskStatus(), qint64(7));
}

void tst_TBCommander::startFailureLeavesRunnerIdle_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << QStringLiteral("missing");
    QTest::newRow("not executable") << QStringLiteral("plain file");
    QTest::newRow("directory") << QStringLiteral("directory");
}

void tst_TBCommander::startFailureLeavesRunnerIdle()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    QString path = dir.path();
    if (kind == QLatin1String("missing")) {
        path += QStringLiteral("/no-such-tool");
    } else if (kind == QLatin1String("plain file")) {
        path += QStringLiteral("/ldapsearch");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\necho hi\n");
        file.close();
        QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    }

    Recorder recorder;
    TBCommander commander(&recorder);
    QVERIFY(!commander.runCommandString(path, {QStringLiteral("-x")}));
    QVERIFY(!commander.isRunning());
    QCOMPARE(commander.processId(), qint64(0));
    QCOMPARE(recorder.messages.size(), 1);
    QVERIFY2(recorder.messages.first().contains(path), qPrintable(recorder.messages.first()));
    QCoreApplication::processEvents();
    QCOMPARE(recorder.finished, 0);

    // Idle, so the next run starts.
    QVERIFY(commander.runCommandString(sh, {QStringLiteral("-c"), QStringLiteral("printf ok")}));
    waitForFinish(recorder);
    QCOMPARE(recorder.output, QByteArray("ok"));
}

void tst_TBCommander::toolRunsInItsOwnSession()
{
    // Fields 1 and 6 of /proc/<pid>/stat are the process id and its session id.
    Recorder recorder;
    TBCommander commander(&recorder);
    QVERIFY(commander.runCommandString(
        sh, {QStringLiteral("-c"), QStringLiteral("set -- $(cat /proc/$$/stat); printf '%s %s' \"$1\" \"$6\"")}));
    waitForFinish(recorder);

    const QList<QByteArray> ids = recorder.output.split(' ');
    QCOMPARE(ids.size(), 2);
    const qint64 childPid = ids[0].toLongLong();
    const qint64 childSid = ids[1].toLongLong();
    QVERIFY(childPid > 0);
    QCOMPARE(childSid, childPid); // it leads a new session, so it has no controlling terminal
    QVERIFY(childSid != qint64(::getsid(0)));
}

void tst_TBCommander::outputArrivesWhenOurStandardStreamsAreClosed_data()
{
    // A launcher may start Tamblin with some of its standard streams closed; new pipes then take
    // the free low numbers.
    QTest::addColumn<QList<int>>("closed");
    QTest::newRow("input and output") << QList<int> {0, 1};
    QTest::newRow("input and error") << QList<int> {0, 2};
    QTest::newRow("all three") << QList<int> {0, 1, 2};
}

void tst_TBCommander::outputArrivesWhenOurStandardStreamsAreClosed()
{
    QFETCH(QList<int>, closed);

    Recorder recorder;
    bool started = false;
    qint64 status = -1;
    {
        // The test's own output goes to these streams: give them back before any check, once the
        // process objects are gone (they may hold the low numbers meanwhile).
        QList<int> saved;
        for (int fd : closed) {
            saved << ::fcntl(fd, F_DUPFD_CLOEXEC, 10); // not to a number about to be closed
            ::close(fd);
        }
        {
            TBCommander commander(&recorder);
            started
                = commander.runCommandString(sh, {QStringLiteral("-c"), QStringLiteral("printf out; printf err >&2")});
            if (started) {
                QEventLoop loop;
                recorder.loop = &loop;
                QTimer::singleShot(120000, &loop, &QEventLoop::quit);
                if (!recorder.finished)
                    loop.exec();
                recorder.loop = nullptr;
            }
            status = commander.taskStatus();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (qsizetype i = 0; i < closed.size(); ++i) {
            ::dup2(saved.at(i), closed.at(i));
            ::close(saved.at(i));
        }
    }
    QVERIFY(started);
    QCOMPARE(recorder.finished, 1);
    QCOMPARE(recorder.output, QByteArray("out"));
    QCOMPARE(recorder.error, QByteArray("err"));
    QCOMPARE(status, qint64(0));
}

void tst_TBCommander::realToolReadsPromptedPasswordFromStandardInput()
{
    const QString uri = TBTestSupport::sampleURI();
    QVERIFY2(!uri.isEmpty(), "the sample slapd is not running");

    Recorder recorder;
    recorder.trigger = "Enter LDAP Password: ";
    recorder.answer = TBTestSupport::sampleAlicePassword.toUtf8() + '\n';
    TBCommander commander(&recorder);
    QVERIFY(commander.runCommandString(QStringLiteral("/usr/bin/ldapwhoami"),
                                       {QStringLiteral("-H"), uri, QStringLiteral("-x"), QStringLiteral("-W"),
                                        QStringLiteral("-D"), TBTestSupport::sampleAliceDN}));
    waitForFinish(recorder);

    QCOMPARE(recorder.error, QByteArray("Enter LDAP Password: "));
    QCOMPARE(recorder.output, "dn:" + TBTestSupport::sampleAliceDN.toUtf8() + '\n');
    QCOMPARE(commander.taskStatus(), qint64(0));
}

QTEST_GUILESS_MAIN(tst_TBCommander)
#include "tst_TBCommander.moc"
