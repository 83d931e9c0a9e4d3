// Wall time of one whole searcher run of a large search (tool, output collection, parse, until the
// window would be told) against the same ldapsearch writing to /dev/null, side by side in the same
// run, best of several. The search comes from the environment:
//   TB_BENCH_URI, TB_BENCH_BASE, TB_BENCH_FILTER, TB_BENCH_BINDDN, TB_BENCH_PASSWORD (empty: no -W),
//   TB_BENCH_RUNS (default 5).
// Besides the ratio it prints where the searcher's time goes: until the tool has ended and all of
// its output is collected, and the parse with the hand-back.

#include "BenchSupport.h"
#include "TBCommand.h"
#include "TBSearcher.h"
#include "TBSearcherController.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <limits>

using namespace bench;

namespace {

class BenchWindow : public TBSearcherController
{
public:
    QElapsedTimer* clock = nullptr;
    qint64 collectedAt = -1;
    bool finished = false;
    QEventLoop* loop = nullptr;

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
    TBSearcher searcher(&window);
    QElapsedTimer clock;
    window.clock = &clock;
    QEventLoop loop;
    window.loop = &loop;

    SearcherRun run;
    const qint64 cpuBefore = cpuNow(RUSAGE_SELF);
    clock.start();
    TBRunSettings settings;
    settings.decodeBase64 = true;
    settings.discardOutput = false;
    if (!searcher.runCommandString(QStringLiteral("/usr/bin/ldapsearch"), arguments, settings, password))
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
        const qint64 raw = runRawLdapsearch(QStringLiteral("/usr/bin/ldapsearch"), arguments, password);
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

    printf("search_100k_entries: %lld entries\n", qint64(best.entries));
    printf("search_100k_output_mb: %.1f MB\n", double(best.outputBytes) / 1e6);
    printf("search_100k_raw_ldapsearch_ms: %.0f ms\n", ms(bestRaw));
    printf("search_100k_searcher_ms: %.0f ms\n", ms(best.total));
    printf("search_100k_searcher_collect_ms: %.0f ms\n", ms(best.collected));
    printf("search_100k_searcher_parse_ms: %.0f ms\n", ms(best.total - best.collected));
    printf("search_100k_searcher_own_cpu_ms: %.0f ms\n", ms(best.cpu));
    printf("search_100k_peak_rss_mb: %.0f MB\n", peakRssMB());
    printf("search_100k_vs_raw_ldapsearch: %.2f x\n", double(best.total) / double(bestRaw));
    return 0;
}
