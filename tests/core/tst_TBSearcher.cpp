#include "TBSearcher.h"

#include "TBCommand.h"
#include "TBCommander.h"
#include "TBParser.h"
#include "TBTestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QThreadPool>

#include <functional>

#include <signal.h>

namespace {

const QString sh = QStringLiteral("/bin/sh");
const QString ldapsearch = QStringLiteral("/usr/bin/ldapsearch");
const QString ldapwhoami = QStringLiteral("/usr/bin/ldapwhoami");

const QString keychainAdvice = QStringLiteral(
    "Error 49 usually means the password was incorrect. If your password is stored in your keychain, press the "
    "Option key when searching. Tamblin will ignore your keychain and you will be prompted to enter your password "
    "instead.");
const QString moreDetails = QStringLiteral("More details may be in the Output text.");
const QString sizeLimitTitle = QStringLiteral("Server Returned \"Size Limit Exceeded\" Error");
const QString moreMatches = QStringLiteral(
    "There were more matches than the \"Max # Hits\" value. You can increase this value (temporarily via Search "
    "Options or permanently via Preferences) to retrieve all of the matches.");
const QString noMatches = QStringLiteral(
    "There were no matches to your query but the server responded with a \"size limit exceeded\" error. The search "
    "may have been too \"resource intensive\" on the server.");
const QString adminLimitText = QStringLiteral(
    "The server responded with an \"admin limit exceeded\" error. The search may have been too \"resource intensive\" "
    "on the server.");

// A command whose tool, arguments, run settings, parsing and password are given directly.
class ToolCommand : public TBCommand
{
public:
    ToolCommand(const QString& path, const QStringList& arguments, const TBRunSettings& settings = TBRunSettings(),
                bool parse = true, const QString& password = QString())
    {
        m_commandString = path;
        m_arguments = arguments;
        m_runSettings = settings;
        m_shouldParse = parse;
        m_simplePassword = password;
    }
};

// The window side: records the Output text ("----\n" for a separator line) and the end of the run.
class Window : public TBSearcherController
{
public:
    QString log;
    int finished = 0;
    bool finishedOnMainThread = false;
    bool busyWhenFinished = true;
    TBSearcher* searcher = nullptr;

    void searcherOperationFinished() override
    {
        ++finished;
        finishedOnMainThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        busyWhenFinished = searcher && searcher->busy();
    }
    void appendOutputText(const QString& text, bool) override { log += text; }
    void appendOutputData(const QByteArray& data, bool) override { log += QString::fromUtf8(data); }
    void appendOutputHorizontalLine() override { log += QStringLiteral("----\n"); }
};

// Processes events until done() holds; the guard only keeps a broken run from hanging the suite.
bool waitUntil(const std::function<bool()>& done)
{
    QDeadlineTimer guard(120000);
    while (!done()) {
        if (guard.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

QStringList searchArguments(const QStringList& bind, const QString& filter, const QStringList& extra = {})
{
    return QStringList {QStringLiteral("-LLL"), QStringLiteral("-H"),      TBTestSupport::sampleURI(),
                        QStringLiteral("-b"),   TBTestSupport::sampleBase, QStringLiteral("-x")}
    + bind + extra + QStringList {filter};
}

QStringList bindAs(const QString& dn)
{
    return {QStringLiteral("-W"), QStringLiteral("-D"), dn};
}

QStringList shell(const QString& script)
{
    return {QStringLiteral("-c"), script};
}

// LDIF of n small entries, printed by awk so the parse takes a while.
QString manyEntries(int n)
{
    return QStringLiteral("awk 'BEGIN { for (i = 0; i < %1; i++) printf \"dn: cn=p%d,dc=x\\ncn: p%d\\nsn: "
                          "some surname\\n\\n\", i, i }'")
        .arg(n);
}

} // namespace

class tst_TBSearcher : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void exitStatusIsJudged_data();
    void exitStatusIsJudged();
    void passwordIsSentOnce_data();
    void passwordIsSentOnce();
    void withoutPasswordPromptWaitsUntilCanceled();
    void parseRunsOnWorkerAndHandsBack();
    void cancelDuringParse();
    void largeOutputParsedWhileToolRuns_data();
    void largeOutputParsedWhileToolRuns();
    void outputOptions_data();
    void outputOptions();
    void refusedStarts();
    void destroyedMidOperation_data();
    void destroyedMidOperation();
};

void tst_TBSearcher::initTestCase()
{
    TBTestSupport::useScratchConfig();
    qputenv("LDAPNOINIT", "1"); // no ~/.ldaprc or ldap.conf of this machine in the tools' way
    QVERIFY2(!TBTestSupport::sampleURI().isEmpty(), "the sample slapd is not running");
}

void tst_TBSearcher::exitStatusIsJudged_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("parse");
    QTest::addColumn<qint64>("status");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("entries");

    const QString alice = QStringLiteral("(uid=alice)");
    const QString people = QStringLiteral("(objectClass=person)");
    QTest::newRow("anonymous search") << ldapsearch << searchArguments({}, alice) << QString() << true << qint64(0)
                                      << QString() << QString() << 1;
    QTest::newRow("password bind") << ldapsearch << searchArguments(bindAs(TBTestSupport::sampleAliceDN), alice)
                                   << TBTestSupport::sampleAlicePassword << true << qint64(0) << QString() << QString()
                                   << 1;
    QTest::newRow("size limit with entries")
        << ldapsearch << searchArguments({}, people, {QStringLiteral("-z"), QStringLiteral("2")}) << QString() << true
        << qint64(0) << sizeLimitTitle << moreMatches << 2;
    QTest::newRow("size limit without entries")
        << sh << shell(QStringLiteral("echo 'Size limit exceeded (4)' >&2; exit 4")) << QString() << true << qint64(0)
        << sizeLimitTitle << noMatches << 0;
    // The sample server refuses the reader any search with too many index candidates.
    QTest::newRow("admin limit") << ldapsearch
                                 << searchArguments(bindAs(TBTestSupport::sampleReaderDN), QStringLiteral("(cn=*)"))
                                 << TBTestSupport::sampleReaderPassword << true << qint64(0)
                                 << QStringLiteral("Admin Limit Exceeded") << adminLimitText << 0;
    QTest::newRow("invalid credentials") << ldapsearch << searchArguments(bindAs(TBTestSupport::sampleAliceDN), alice)
                                         << QStringLiteral("wrong") << true << qint64(49)
                                         << QStringLiteral("Command returned an error (49)") << keychainAdvice << 0;
    QTest::newRow("server down") << ldapsearch
                                 << QStringList {QStringLiteral("-LLL"), QStringLiteral("-H"),
                                                 QStringLiteral("ldap://127.0.0.1:1"), QStringLiteral("-x"), alice}
                                 << QString() << true << qint64(255)
                                 << QStringLiteral("Command returned an error (255)") << moreDetails << 0;
    QTest::newRow("who am I") << ldapwhoami
                              << QStringList {QStringLiteral("-H"), TBTestSupport::sampleURI(), QStringLiteral("-x")}
                              << QString() << false << qint64(0) << QString() << QString() << 0;
    // Unparsed commands keep the limit statuses as errors.
    QTest::newRow("unparsed 4") << sh << shell(QStringLiteral("exit 4")) << QString() << false << qint64(4)
                                << QStringLiteral("Command returned an error (4)") << moreDetails << 0;
    QTest::newRow("unparsed 11") << sh << shell(QStringLiteral("exit 11")) << QString() << false << qint64(11)
                                 << QStringLiteral("Command returned an error (11)") << moreDetails << 0;
    QTest::newRow("crash") << sh << shell(QStringLiteral("kill -SEGV $$")) << QString() << true << qint64(139)
                           << QStringLiteral("Command returned an error (139)") << moreDetails << 0;
}

void tst_TBSearcher::exitStatusIsJudged()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(QString, password);
    QFETCH(bool, parse);
    QFETCH(qint64, status);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(int, entries);

    Window window;
    TBSearcher searcher(&window);
    window.searcher = &searcher;
    QVERIFY(searcher.runCommand(ToolCommand(program, arguments, TBRunSettings(), parse, password)));
    QVERIFY(searcher.busy());
    QVERIFY(waitUntil([&] { return window.finished > 0; }));
    QCoreApplication::processEvents();

    QCOMPARE(window.finished, 1);
    QVERIFY(!window.busyWhenFinished);
    QCOMPARE(searcher.taskStatus(), status);
    QCOMPARE(searcher.errorTitle(), title);
    QCOMPARE(searcher.errorText(), text);
    QCOMPARE(searcher.results().size(), qsizetype(entries));
    QVERIFY(!searcher.userCanceled());
    if (!password.isEmpty()) {
        QVERIFY(searcher.sentPassword());
        QVERIFY2(!window.log.contains(password), qPrintable(window.log));
    }
    if (program == ldapwhoami)
        QCOMPARE(searcher.outputData(), QByteArray("anonymous\n"));
}

void tst_TBSearcher::passwordIsSentOnce_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("shownAs");

    // Each script reads one line, shows it upper-cased in an entry, then collects for a second
    // whatever else arrives on standard input, after showing the prompt once more.
    const QString rest = QStringLiteral(
        "read -r pw; %1; extra=$(timeout 1 cat); "
        "printf 'dn: cn=got-%s\\ndescription: extra=[%s]\\n\\n' \"$(printf %s \"$pw\" | tr a-z A-Z)\" \"$extra\"");
    const QString againOnStderr = rest.arg(QStringLiteral("printf 'Enter LDAP Password: ' >&2"));
    const QString againOnStdout = rest.arg(QStringLiteral("printf 'Enter LDAP Password: \\n'"));
    const QString stderrSection = QStringLiteral("stderr:\n\nEnter LDAP Password: <password sent>\n");

    QTest::newRow("stderr, one piece") << QStringLiteral("printf 'Enter LDAP Password: ' >&2; ") + againOnStderr
                                       << stderrSection;
    QTest::newRow("stderr, in pieces")
        << QStringLiteral("printf 'Enter LD' >&2; sleep 0.2; printf 'AP Pass' >&2; sleep 0.2; printf 'word: ' >&2; ")
            + againOnStderr
        << stderrSection;
    // What comes before the prompt on standard output is shown but not parsed.
    QTest::newRow("stdout, in pieces") << QStringLiteral(
                                              "printf 'noise\\nEnter LDAP '; sleep 0.2; printf 'Password: '; ")
            + againOnStderr << QStringLiteral("----\nnoise\nEnter LDAP Password: <password sent>\n");
    QTest::newRow("stderr, then stdout") << QStringLiteral("printf 'Enter LDAP Password: ' >&2; ") + againOnStdout
                                         << stderrSection;
}

void tst_TBSearcher::passwordIsSentOnce()
{
    QFETCH(QString, script);
    QFETCH(QString, shownAs);

    Window window;
    TBRunSettings settings;
    settings.decodeBase64 = true;
    TBSearcher searcher(&window);
    QVERIFY(searcher.runCommand(ToolCommand(sh, shell(script), settings, true, QStringLiteral("s3cret"))));
    QVERIFY(waitUntil([&] { return window.finished > 0; }));

    QCOMPARE(searcher.taskStatus(), qint64(0));
    QCOMPARE(searcher.results().size(), qsizetype(1));
    const TBEntryPtr entry = searcher.results().first();
    QCOMPARE(entry->dn(), QStringLiteral("cn=got-S3CRET"));
    QCOMPARE(entry->valueForAttribute(QStringLiteral("description")).text(), QStringLiteral("extra=[]"));
    QVERIFY2(window.log.contains(shownAs), qPrintable(window.log));
    QCOMPARE(window.log.count(QStringLiteral("<password sent>")), 1);
    QVERIFY(!window.log.contains(QStringLiteral("s3cret")));
}

void tst_TBSearcher::withoutPasswordPromptWaitsUntilCanceled()
{
    Window window; // holds no password
    TBSearcher searcher(&window);
    QVERIFY(searcher.runCommand(
        ToolCommand(ldapsearch, searchArguments(bindAs(TBTestSupport::sampleAliceDN), QStringLiteral("(uid=alice)")))));
    QVERIFY(waitUntil([&] { return searcher.errorData().contains(searcher.promptBytes()); }));
    QVERIFY(searcher.runningCommand());
    QVERIFY(!searcher.sentPassword());

    searcher.cancelOperation();
    QVERIFY(waitUntil([&] { return window.finished > 0; }));
    QVERIFY(searcher.userCanceled());
    QCOMPARE(searcher.taskStatus(), qint64(128 + SIGTERM));
    QVERIFY(searcher.errorTitle().isEmpty());
    QVERIFY(searcher.results().isEmpty());
    QCOMPARE(window.log,
             QStringLiteral("[Canceled Command]\n----\nstderr:\n\n") + QString::fromUtf8(searcher.promptBytes()));
}

void tst_TBSearcher::parseRunsOnWorkerAndHandsBack()
{
    Window window;
    TBSearcher searcher(&window);
    window.searcher = &searcher;
    QVERIFY(searcher.runCommand(ToolCommand(ldapsearch, searchArguments({}, QStringLiteral("(uid=alice)")))));
    QVERIFY(waitUntil([&] { return window.finished > 0; }));

    QVERIFY(searcher.lastParseThread());
    QVERIFY(searcher.lastParseThread() != QThread::currentThread());
    QCOMPARE(searcher.operationQueue()->maxThreadCount(), 1);
    QVERIFY(window.finishedOnMainThread);
    QVERIFY(!window.busyWhenFinished);
    QCOMPARE(searcher.parsePhase(), TBSearcher::ParseIdle);
    QCOMPARE(searcher.results().first()->dn(), TBTestSupport::sampleAliceDN);
    QVERIFY(searcher.returnedAttributeNames().contains(QStringLiteral("uid")));
    // The raw output went to the Output text once, after a separator.
    QVERIFY(window.log.startsWith(QStringLiteral("----\ndn: ") + TBTestSupport::sampleAliceDN));

    // The window takes the entries; the next parse fills a new list.
    const TBEntryList taken = searcher.takeResults();
    searcher.clearResults();
    QVERIFY(searcher.results().isEmpty() && searcher.returnedAttributeNames().isEmpty());
    QVERIFY(searcher.runCommand(ToolCommand(ldapsearch, searchArguments({}, QStringLiteral("(uid=alice)")))));
    QVERIFY(waitUntil([&] { return window.finished > 1; }));
    QCOMPARE(taken.size(), qsizetype(1));
    QVERIFY(searcher.results().first() != taken.first());
}

void tst_TBSearcher::cancelDuringParse()
{
    Window window;
    TBRunSettings settings;
    settings.discardOutput = true;
    TBSearcher searcher(&window);

    // Hold the width-one queue so the parse is certain to be pending when the cancel comes.
    QSemaphore hold;
    searcher.operationQueue()->start([&hold] { hold.acquire(); });
    QVERIFY(searcher.runCommand(ToolCommand(sh, shell(manyEntries(20000)), settings)));
    QVERIFY(waitUntil([&] { return searcher.parsingOutput(); }));
    QCOMPARE(searcher.parsePhase(), TBSearcher::ParseQueued);
    QVERIFY(searcher.busy() && !searcher.runningCommand());

    searcher.cancelOperation();
    hold.release();
    QVERIFY(waitUntil([&] { return window.finished > 0; }));

    QVERIFY(searcher.userCanceled());
    QVERIFY(searcher.results().isEmpty());
    QVERIFY(searcher.errorTitle().isEmpty());
    QCOMPARE(searcher.taskStatus(), qint64(0));
    QCOMPARE(window.log, QStringLiteral("----\n[Output Discarded]\n[Canceled Parse]\n"));
}

void tst_TBSearcher::largeOutputParsedWhileToolRuns_data()
{
    QTest::addColumn<QString>("tail");
    QTest::addColumn<int>("exitStatus");
    QTest::addColumn<qint64>("status");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("entries");

    QTest::newRow("success") << QStringLiteral("dn: cn=last\n") << 0 << qint64(0) << QString() << true;
    QTest::newRow("size limit") << QString() << 4 << qint64(0) << sizeLimitTitle << true;
    // A continuation line right after a blank line cannot be read, wherever the output was cut.
    QTest::newRow("unreadable end") << QStringLiteral(" stray\n") << 0 << qint64(0)
                                    << QStringLiteral("Could not read the command output") << false;
    QTest::newRow("tool failed") << QString() << 1 << qint64(1) << QStringLiteral("Command returned an error (1)")
                                 << false;
}

void tst_TBSearcher::largeOutputParsedWhileToolRuns()
{
    QFETCH(QString, tail);
    QFETCH(int, exitStatus);
    QFETCH(qint64, status);
    QFETCH(QString, title);
    QFETCH(bool, entries);

    // Megabytes of entries of varied length (folded lines, base64 values, empty entries), then the
    // tool waits until the test lets it end.
    QTemporaryDir dir;
    const QString flag = dir.filePath(QStringLiteral("go"));
    const QString script
        = QStringLiteral("awk 'BEGIN { for (i = 0; i < 60000; i++) { printf \"dn: cn=p%d,dc=x\\ncn: p%d\\n\", i, i; "
                         "for (j = 0; j < i % 4; j++) printf \"description: folded value %d\\n  of line %d\\n\", i, j; "
                         "if (i % 3 == 0) printf \"info:: Y2Fmw6k=\\n\"; "
                         "printf (i % 1000 == 7 ? \"\\n\\n\" : \"\\n\") } }'; "
                         "while [ ! -e '%1' ]; do sleep 0.05; done; printf '%2'; exit %3")
              .arg(flag, tail)
              .arg(exitStatus);

    Window window;
    TBRunSettings settings;
    settings.discardOutput = true;
    settings.decodeBase64 = true;
    TBSearcher searcher(&window);
    QVERIFY(searcher.runCommand(ToolCommand(sh, shell(script), settings)));
    // Pieces of the output are parsed on the worker while the tool still runs.
    QVERIFY(waitUntil([&] { return searcher.lastParseThread() != nullptr; }));
    QVERIFY(searcher.runningCommand());
    QFile(flag).open(QIODevice::WriteOnly);
    QVERIFY(waitUntil([&] { return window.finished > 0; }));

    QCOMPARE(searcher.taskStatus(), status);
    QCOMPARE(searcher.errorTitle(), title);
    if (!entries) {
        QVERIFY(searcher.results().isEmpty());
        return;
    }
    // The same entries as one parse of the whole output.
    TBParser whole(searcher.outputData(), true);
    QVERIFY(whole.parse() && whole.parseSuccessful());
    const TBEntryList& expected = whole.parsedData();
    const TBEntryList& got = searcher.results();
    QVERIFY(expected.size() > 60000);
    QCOMPARE(got.size(), expected.size());
    for (qsizetype i = 0; i < got.size(); ++i) {
        if (got[i]->dn() != expected[i]->dn() || got[i]->attributes() != expected[i]->attributes())
            QFAIL(qPrintable(QStringLiteral("entry %1 differs: %2").arg(i).arg(got[i]->dn())));
    }
    QCOMPARE(got[3]->valueForAttribute(QStringLiteral("description")).text(),
             QStringLiteral("folded value 3 of line 0"));
    QCOMPARE(got[3]->valueForAttribute(QStringLiteral("info")).text(), QStringLiteral("caf\u00e9"));
    QCOMPARE(searcher.returnedAttributeNames(), whole.returnedAttributeNames());
}

void tst_TBSearcher::outputOptions_data()
{
    QTest::addColumn<bool>("discard");
    QTest::addColumn<bool>("decode");
    QTest::addColumn<QString>("value");

    QTest::newRow("shown, decoded") << false << true << QStringLiteral("caf\u00e9");
    QTest::newRow("shown, as base64") << false << false << QStringLiteral("Y2Fmw6k=");
    QTest::newRow("discarded, decoded") << true << true << QStringLiteral("caf\u00e9");
}

void tst_TBSearcher::outputOptions()
{
    QFETCH(bool, discard);
    QFETCH(bool, decode);
    QFETCH(QString, value);

    const QString ldif = QStringLiteral("dn: cn=x,dc=test\ndescription:: Y2Fmw6k=\n\n");
    Window window;
    TBRunSettings settings;
    settings.discardOutput = discard;
    settings.decodeBase64 = decode;
    TBSearcher searcher(&window);
    QVERIFY(searcher.runCommand(ToolCommand(sh, shell(QStringLiteral("printf '%1'").arg(ldif)), settings)));
    QVERIFY(waitUntil([&] { return window.finished > 0; }));

    QCOMPARE(window.log, QStringLiteral("----\n") + (discard ? QStringLiteral("[Output Discarded]\n") : ldif));
    QCOMPARE(searcher.results().size(), qsizetype(1));
    QCOMPARE(searcher.results().first()->valueForAttribute(QStringLiteral("description")).text(), value);
}

void tst_TBSearcher::refusedStarts()
{
    Window window;
    TBSearcher searcher(&window);

    // A tool that cannot be started leaves the searcher idle and says why.
    QVERIFY(!searcher.runCommandString(QStringLiteral("/nonexistent/ldapsearch"), {}));
    QVERIFY(!searcher.busy());
    QVERIFY(!searcher.errorTitle().isEmpty());
    // What the user reads names the tool and the reason, no class of ours.
    QVERIFY2(searcher.errorText().startsWith(QStringLiteral("Could not run /nonexistent/ldapsearch: ")),
             qPrintable(searcher.errorText()));

    // Busy: a second start is refused without a word.
    QVERIFY(searcher.runCommandString(QStringLiteral("/bin/cat"), {}));
    QVERIFY(searcher.errorText().isEmpty());
    QVERIFY(!searcher.runCommandString(sh, shell(QStringLiteral("exit 0"))));
    QVERIFY(searcher.errorText().isEmpty());
    QVERIFY(searcher.runningCommand());
    searcher.cancelOperation();
    QVERIFY(waitUntil([&] { return window.finished > 0; }));
    QCOMPARE(window.finished, 1);
}

void tst_TBSearcher::destroyedMidOperation_data()
{
    QTest::addColumn<QString>("stage");
    QTest::newRow("tool running") << QStringLiteral("tool");
    QTest::newRow("parse queued") << QStringLiteral("queued");
    QTest::newRow("parse running") << QStringLiteral("parsing");
    QTest::newRow("worker waiting for the hand-back") << QStringLiteral("handing back");
}

void tst_TBSearcher::destroyedMidOperation()
{
    QFETCH(QString, stage);

    Window window;
    auto* searcher = new TBSearcher(&window);
    QSemaphore hold;
    qint64 pid = 0;
    if (stage == QLatin1String("tool")) {
        QVERIFY(searcher->runCommandString(QStringLiteral("/bin/cat"), {}));
        pid = searcher->commander()->processId();
    } else {
        if (stage == QLatin1String("queued"))
            searcher->operationQueue()->start([&hold] { hold.acquire(); });
        const int count = stage == QLatin1String("handing back") ? 3 : 200000;
        QVERIFY(searcher->runCommandString(sh, shell(manyEntries(count))));
        QVERIFY(waitUntil([&] { return searcher->parsingOutput(); }));
        if (stage == QLatin1String("handing back")) {
            // Without processing events the hand-back cannot run, so the worker stays waiting for it.
            while (searcher->parsePhase() != TBSearcher::ParseHandingBack)
                QThread::yieldCurrentThread();
        }
        if (stage == QLatin1String("queued")) {
            QCOMPARE(searcher->parsePhase(), TBSearcher::ParseQueued);
            hold.release();
        }
    }

    delete searcher; // must neither hang nor call the window
    QCoreApplication::processEvents();
    QCOMPARE(window.finished, 0);
    if (pid > 0)
        QCOMPARE(::kill(pid_t(pid), 0), -1); // the tool is gone (and reaped)
}

QTEST_GUILESS_MAIN(tst_TBSearcher)
#include "tst_TBSearcher.moc"
