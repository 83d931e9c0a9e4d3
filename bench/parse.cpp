// Parser speed and the memory the parsed entries hold, over the saved output of the
// 100 000-person search (the file named by TB_BENCH_LDIF).
//
// Memory is read from the allocator (mallinfo2: bytes handed out and not freed), before the
// parse and after it with the parser gone and only the entries kept. The input buffer is
// allocated before the first reading, so the difference is what the entries hold, including
// the allocator's per-block overhead. The growth of the resident set and of its high-water mark
// over the same parse are printed too: they include freed blocks the allocator keeps, and the
// peak includes the parser's working buffers.
//
// Speed is the best of five parses, timed by the CPU time the process spent (the machine's cores
// are shared, and a parse is single-threaded); the wall-clock figure is printed too.

#include "TBParser.h"
#include "TBPreferences.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <malloc.h>
#include <vector>

namespace {

qint64 heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks) + qint64(info.hblkhd);
}

double cpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

qint64 statusKB(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    // Use the shipped attribute registry, never the user's settings.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QCoreApplication app(argc, argv);

    const QString path = QFile::decodeName(qgetenv("TB_BENCH_LDIF"));
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        fprintf(stderr, "parse: set TB_BENCH_LDIF to the saved output of the 100 000-person search\n");
        return 2;
    }
    const QByteArray ldif = file.readAll();
    const double megabytes = double(ldif.size()) / 1e6;

    QSet<QString> images;
    QSet<QString> binaries;
    {
        TBPreferences* prefs = TBPreferences::sharedPreferences();
        for (const TBAttributeList* list : {&prefs->defaultImageAttrs(), &prefs->customImageAttrs()})
            for (const TBAttributePtr& attribute : *list)
                images.insert(attribute->attributeName().toLower());
        for (const TBAttributeList* list : {&prefs->defaultBinaryAttrs(), &prefs->customBinaryAttrs()})
            for (const TBAttributePtr& attribute : *list)
                binaries.insert(attribute->attributeName().toLower());
    }

    // First parse: memory.
    malloc_trim(0);
    const qint64 heapBefore = heapInUse();
    const qint64 rssBefore = statusKB("VmRSS");
    const qint64 hwmBefore = statusKB("VmHWM");
    TBEntryList entries;
    {
        TBParser parser(ldif, true, images, binaries);
        parser.parse();
        entries = parser.takeParsedData();
    }
    const qint64 heapAfter = heapInUse();
    const qint64 rssAfter = statusKB("VmRSS");
    const qint64 hwmAfter = statusKB("VmHWM");
    qint64 photos = 0;
    for (const TBEntryPtr& entry : entries)
        photos += entry->hasPhoto() ? 1 : 0;
    const qsizetype entryCount = entries.size();
    entries.clear();

    // Then speed: the best of several runs, each including the release of the previous entries.
    std::vector<double> seconds;
    std::vector<double> wall;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = cpuSeconds();
        TBParser parser(ldif, true, images, binaries);
        parser.parse();
        seconds.push_back(cpuSeconds() - cpuStart);
        wall.push_back(double(timer.nsecsElapsed()) / 1e9);
    }
    std::sort(seconds.begin(), seconds.end());
    std::sort(wall.begin(), wall.end());

    printf("parse_100k_entries: %lld entries\n", static_cast<long long>(entryCount));
    printf("parse_100k_entries_with_photo: %lld entries\n", static_cast<long long>(photos));
    printf("parse_100k_ldif_size: %.1f MB\n", megabytes);
    printf("parse_100k_seconds: %.3f s\n", seconds.front());
    printf("parse_100k_mb_per_s: %.0f MB/s\n", megabytes / seconds.front());
    printf("parse_100k_wall_mb_per_s: %.0f MB/s\n", megabytes / wall.front());
    printf("parse_100k_peak_rss_vs_ldif: %.2f x\n", double(heapAfter - heapBefore) / double(ldif.size()));
    printf("parse_100k_rss_growth_vs_ldif: %.2f x\n", double(rssAfter - rssBefore) * 1024.0 / double(ldif.size()));
    printf("parse_100k_hwm_growth_vs_ldif: %.2f x\n", double(hwmAfter - hwmBefore) * 1024.0 / double(ldif.size()));
    return 0;
}
