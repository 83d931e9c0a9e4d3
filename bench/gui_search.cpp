// The search window's speed on a large search.
//
// gui_search_100k_vs_raw_ldapsearch: from pressing Search until the entry table shows the people
// and the count, divided by `ldapsearch > /dev/null` running the very same command line; best of
// several runs each, side by side.
// gui_search_100k_peak_rss_mb: the process's peak memory over the first such search, window,
// table, details and Output pane included; also given as a multiple of the LDIF size.
// gui_search_100k_max_stall_ms: the longest the window's event loop went without turning while the
// search ran, and gui_output_pane_max_stall_ms while the Output pane took in the tool's output
// afterwards (gui_output_pane_fill_s).
// The search comes from TB_BENCH_URI, TB_BENCH_BASE, TB_BENCH_BINDDN, TB_BENCH_PASSWORD; the
// criteria are objectClass is inetOrgPerson, with no size limit. TB_BENCH_LDIF names the saved
// output (for its size), TB_BENCH_RUNS the number of runs (default 3).

#include "BenchSupport.h"
#include "TBCommandSearch.h"
#include "TBDirectory.h"
#include "TBPreferences.h"
#include "TBSearchCriteria.h"
#include "TBSearchDocument.h"
#include "TBSearchItem.h"
#include "TBTableView.h"
#include "TBTextView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <limits>

using namespace bench;

namespace {

class TimedWindow : public TBSearchDocument
{
public:
    QEventLoop* loop = nullptr;
    bool finished = false;

    void searcherOperationFinished() override
    {
        TBSearchDocument::searcherOperationFinished();
        // The table as the user sees it: its visible rows drawn.
        entryTable()->viewport()->repaint();
        numEntriesField()->repaint();
        finished = true;
        if (loop)
            loop->quit();
    }
};

TBSearchCriteriaPtr everyPerson()
{
    TBSearchCriteriaPtr criteria = TBSearchCriteria::searchCriteria();
    TBSearchItemPtr item = criteria->searchItemAtIndex(0);
    item->setSearchAttr(QStringLiteral("objectClass"));
    item->setSearchType(TBSearchTypeIs);
    item->setSearchText(QStringLiteral("inetOrgPerson"));
    return criteria;
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir config;
    bench::useScratchSettings(config);
    QApplication app(argc, argv);

    const QString uri = env("TB_BENCH_URI");
    const QString base = env("TB_BENCH_BASE");
    const QString bindDN = env("TB_BENCH_BINDDN");
    const QString password = env("TB_BENCH_PASSWORD");
    const qint64 ldifBytes = QFileInfo(env("TB_BENCH_LDIF")).size();
    const int runs = qMax(1, env("TB_BENCH_RUNS").isEmpty() ? 3 : env("TB_BENCH_RUNS").toInt());
    if (uri.isEmpty() || base.isEmpty()) {
        fprintf(stderr, "gui_search: set TB_BENCH_URI and TB_BENCH_BASE (and TB_BENCH_BINDDN, TB_BENCH_PASSWORD)\n");
        return 2;
    }

    TBPreferences* prefs = TBPreferences::sharedPreferences();
    TBDirectoryPtr directory = TBDirectory::directory();
    directory->setDirectoryName(QStringLiteral("Bench"));
    directory->setLdapURI(uri);
    directory->setSearchBase(base);
    directory->setStartTLS(2);
    if (!bindDN.isEmpty()) {
        directory->setAuthentication(2);
        directory->setSimpleID(bindDN);
    }
    prefs->setDirectories(prefs->directories() + QList {directory});
    prefs->setCurrentDirectoryID(qint64(directory->directoryID()));
    const QVariantMap options {{QStringLiteral("MaxHits"), 0}};

    // The window's own command line, for the raw runs.
    TBCommandSearch command;
    command.setDirectory(directory);
    command.setSearchCriteria(everyPerson());
    command.setSimpleID(bindDN);
    command.setSimplePassword(password);
    if (!command.setupCommandAndArguments(prefs->runSettings(options))) {
        fprintf(stderr, "gui_search: %s\n", qPrintable(command.errorMessage()));
        return 1;
    }

    TimedWindow window;
    window.loadWindow();
    window.setSearchOptions(options);
    window.setSimpleID(bindDN);
    window.setSimplePassword(password);
    window.applySearchCriteria(everyPerson());
    window.show();
    QApplication::processEvents();

    qint64 bestRaw = std::numeric_limits<qint64>::max();
    qint64 bestWindow = std::numeric_limits<qint64>::max();
    qint64 searchStall = 0;
    qint64 paneStall = 0;
    qint64 paneFill = 0;
    double firstPeak = 0;
    qsizetype rows = 0;
    StallMeter meter;
    for (int run = 0; run < runs; ++run) {
        const qint64 raw = runRawLdapsearch(command.commandString(), command.arguments(), password);
        if (raw < 0) {
            fprintf(stderr, "gui_search: ldapsearch alone failed\n");
            return 1;
        }
        bestRaw = std::min(bestRaw, raw);

        QEventLoop loop;
        window.loop = &loop;
        window.finished = false;
        meter.start();
        QElapsedTimer clock;
        clock.start();
        window.search();
        if (!window.finished)
            loop.exec();
        const qint64 elapsed = clock.nsecsElapsed();
        searchStall = std::max(searchStall, meter.stop());
        window.loop = nullptr;
        rows = window.entryTable()->numberOfRows();
        if (window.messageSheet() || rows == 0
            || window.numEntriesField()->text() != QStringLiteral("Number of entries: %1").arg(rows)) {
            fprintf(stderr, "gui_search: the search failed (%s)\n", qPrintable(window.numEntriesField()->text()));
            return 1;
        }
        bestWindow = std::min(bestWindow, elapsed);

        // The Output pane takes in the output a slice per turn of the event loop.
        meter.start();
        QElapsedTimer paneClock;
        paneClock.start();
        while (window.commandOutputText()->hasPendingText())
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        paneFill = std::max(paneFill, paneClock.nsecsElapsed());
        paneStall = std::max(paneStall, meter.stop());
        if (run == 0)
            firstPeak = peakRssMB();
    }

    printf("gui_search_100k_entries: %lld entries\n", qint64(rows));
    printf("gui_search_100k_raw_ldapsearch_ms: %.0f ms\n", ms(bestRaw));
    printf("gui_search_100k_window_ms: %.0f ms\n", ms(bestWindow));
    printf("gui_search_100k_vs_raw_ldapsearch: %.2f x\n", double(bestWindow) / double(bestRaw));
    printf("gui_search_100k_max_stall_ms: %.0f ms\n", ms(searchStall));
    printf("gui_output_pane_fill_s: %.2f s\n", double(paneFill) / 1e9);
    printf("gui_output_pane_max_stall_ms: %.0f ms\n", ms(paneStall));
    printf("gui_search_100k_peak_rss_mb: %.0f MB\n", firstPeak);
    if (ldifBytes > 0)
        printf("gui_search_100k_peak_rss_vs_ldif: %.1f x\n", firstPeak * 1024 * 1024 / double(ldifBytes));
    return 0;
}
