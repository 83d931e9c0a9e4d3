// Wall time of one whole searcher run of a large search (tool, output collection, parse, until the
// window would be told) against the same ldapsearch writing to /dev/null, side by side in the same
// run, best of several. The search comes from the environment:
//   TB_BENCH_URI, TB_BENCH_BASE, TB_BENCH_FILTER, TB_BENCH_BINDDN, TB_BENCH_PASSWORD (empty: no -W),
//   TB_BENCH_RUNS (default 5).
// Besides the ratio it prints where the searcher's time goes: until the tool has ended and all of
// its output is collected, and the parse with the hand-back.

#include "TBCommand.h"
#include "TBSearcher.h"
#include "TBSearcherController.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <sys/resource.h>
#include <unistd.h>

namespace {

class BenchWindow : public TBSearcherController
{
public:
    QString password;
    QElapsedTimer* clock = nullptr;
    qint64 collectedAt = -1;
    bool finished = false;
    QEventLoop* loop = nullptr;

    bool shouldParse() override { return true; }
    QVariantMap getSearchParameters() override
    {
        QVariantMap parameters {{QStringLiteral("DecodeBase64"), true}, {QStringLiteral("DiscardOutput"), false}};
        if (!password.isEmpty())
            parameters.insert(QStringLiteral("password"), password);
        return parameters;
    }
    void searcherOperationFinished() override
    {
        finished = true;
        if (loop)
            loop->quit();
    }
    void appendOutputText(const QString&, bool) override { }
    void appendOutputData(const QByteArray&, bool) override { }
    // The first separator of a run comes when the tool has ended and its output is all in.
    void appendOutputHorizontalLine() override
    {
        if (collectedAt < 0)
            collectedAt = clock->nsecsElapsed();
    }
};

QString env(const char* name)
{
    return QString::fromLocal8Bit(qgetenv(name));
}

qint64 cpuNow(int who)
{
    struct rusage usage
    {
    };
    getrusage(who, &usage);
    return (qint64(usage.ru_utime.tv_sec) + usage.ru_stime.tv_sec) * 1000000000
        + (qint64(usage.ru_utime.tv_usec) + usage.ru_stime.tv_usec) * 1000;
}

struct SearcherRun
{
    qint64 cpu = 0; // this process, all threads
    qint64 total = 0;
    qint64 collected = 0;
    qsizetype entries = 0;
    qsizetype outputBytes = 0;
    qint64 status = -1;
};

SearcherRun runSearcher(const QStringList& arguments, const QString& password)
{
    BenchWindow window;
    window.password = password;
    TBSearcher searcher(&window);
    QElapsedTimer clock;
    window.clock = &clock;
    QEventLoop loop;
    window.loop = &loop;

    SearcherRun run;
    const qint64 cpuBefore = cpuNow(RUSAGE_SELF);
    clock.start();
    if (!searcher.runCommandString(QStringLiteral("/usr/bin/ldapsearch"), arguments))
        return run;
    if (!window.finished)
        loop.exec();
    run.total = clock.nsecsElapsed();
    run.cpu = cpuNow(RUSAGE_SELF) - cpuBefore;
    run.collected = window.collectedAt;
    run.outputBytes = searcher.outputData().size();
    run.status = searcher.taskStatus();
    const TBEntryList entries = searcher.takeResults();
    run.entries = entries.size();
    return run;
}

qint64 runRaw(const QStringList& arguments, const QString& password)
{
    QProcess tool;
    tool.setProgram(QStringLiteral("/usr/bin/ldapsearch"));
    tool.setArguments(arguments);
    tool.setStandardOutputFile(QProcess::nullDevice());
    tool.setStandardErrorFile(QProcess::nullDevice());
    // Same as the searcher's tool: no terminal, so -W reads the password from standard input.
    tool.setChildProcessModifier([] { ::setsid(); });
    QElapsedTimer clock;
    clock.start();
    tool.start();
    if (!tool.waitForStarted(-1))
        return -1;
    if (!password.isEmpty())
        tool.write(QString(password + QLatin1Char('\n')).toUtf8());
    tool.waitForFinished(-1);
    return tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0 ? clock.nsecsElapsed() : -1;
}

double ms(qint64 ns)
{
    return double(ns) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    // Defaults for everything, never the user's settings.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QCoreApplication app(argc, argv);

    const QString uri = env("TB_BENCH_URI");
    const QString base = env("TB_BENCH_BASE");
    const QString filter = env("TB_BENCH_FILTER");
    const QString bindDN = env("TB_BENCH_BINDDN");
    const QString password = env("TB_BENCH_PASSWORD");
    const int runs = qMax(1, env("TB_BENCH_RUNS").isEmpty() ? 5 : env("TB_BENCH_RUNS").toInt());
    if (uri.isEmpty() || base.isEmpty() || filter.isEmpty()) {
        fprintf(stderr,
                "search: set TB_BENCH_URI, TB_BENCH_BASE and TB_BENCH_FILTER (and TB_BENCH_BINDDN, "
                "TB_BENCH_PASSWORD for a bind)\n");
        return 2;
    }

    QStringList arguments {QStringLiteral("-LLL"), QStringLiteral("-H"), uri, QStringLiteral("-b"), base,
                           QStringLiteral("-x")};
    if (!bindDN.isEmpty()) {
        if (!password.isEmpty())
            arguments << QStringLiteral("-W");
        arguments << QStringLiteral("-D") << bindDN;
    }
    arguments << filter;

    SearcherRun best;
    best.total = std::numeric_limits<qint64>::max();
    qint64 bestRaw = std::numeric_limits<qint64>::max();
    for (int i = 0; i < runs; ++i) {
        const qint64 raw = runRaw(arguments, password);
        const SearcherRun run = runSearcher(arguments, password);
        if (raw < 0 || run.status != 0 || run.total <= 0) {
            fprintf(stderr, "search: the search failed (ldapsearch alone: %s, searcher status %lld)\n",
                    raw < 0 ? "failed" : "ok", run.status);
            return 1;
        }
        bestRaw = std::min(bestRaw, raw);
        if (run.total < best.total)
            best = run;
    }

    struct rusage usage
    {
    };
    getrusage(RUSAGE_SELF, &usage);
    printf("search_100k_entries: %lld entries\n", qint64(best.entries));
    printf("search_100k_output_mb: %.1f MB\n", double(best.outputBytes) / 1e6);
    printf("search_100k_raw_ldapsearch_ms: %.0f ms\n", ms(bestRaw));
    printf("search_100k_searcher_ms: %.0f ms\n", ms(best.total));
    printf("search_100k_searcher_collect_ms: %.0f ms\n", ms(best.collected));
    printf("search_100k_searcher_parse_ms: %.0f ms\n", ms(best.total - best.collected));
    printf("search_100k_searcher_own_cpu_ms: %.0f ms\n", ms(best.cpu));
    printf("search_100k_peak_rss_mb: %.0f MB\n", double(usage.ru_maxrss) / 1024.0);
    printf("search_100k_vs_raw_ldapsearch: %.2f x\n", double(best.total) / double(bestRaw));
    return 0;
}
