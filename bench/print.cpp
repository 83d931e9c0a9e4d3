// Printing a large result: how long the job takes and how long the window stops turning.
//
// For the 10 000 children of ou=Big (print_big_10k_*) and for 1000 people with photos
// (print_photos_1k_*), all details printed to a PDF through the print dialog:
// *_open_ms: opening the print dialog (the options tab gathers the chosen text);
// *_job_s: from pressing Print until the file is written, and *_pages the pages written;
// *_max_stall_ms: the longest the window's event loop went without turning over the whole job.
// The sample directory comes from TB_BENCH_URI, TB_BENCH_BINDDN and TB_BENCH_PASSWORD.

#include "BenchSupport.h"
#include "TBDirectory.h"
#include "TBDocumentPrinter.h"
#include "TBEntryTableController.h"
#include "TBPreferences.h"
#include "TBSearchCriteria.h"
#include "TBSearchDocument.h"
#include "TBSearchItem.h"

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <functional>

using namespace bench;

namespace {

bool waitUntil(const std::function<bool()>& done, int seconds)
{
    QDeadlineTimer deadline(seconds * 1000);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return true;
}

int pdfPages(const QString& path)
{
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {path});
    info.waitForFinished(-1);
    for (const QByteArray& line : info.readAllStandardOutput().split('\n')) {
        if (line.startsWith("Pages:"))
            return line.mid(6).trimmed().toInt();
    }
    return -1;
}

// Searches base for the filter's entries, prints all their details; false when a step fails.
bool measure(const char* name, const QString& base, const QString& attribute, qint64 type, const QString& value,
             qint64 maxHits, const QString& pdf)
{
    TBPreferences* prefs = TBPreferences::sharedPreferences();
    TBDirectoryPtr directory = TBDirectory::directory();
    directory->setDirectoryName(QString::fromLatin1(name));
    directory->setLdapURI(env("TB_BENCH_URI"));
    directory->setSearchBase(base);
    directory->setStartTLS(2);
    if (!env("TB_BENCH_BINDDN").isEmpty()) {
        directory->setAuthentication(2);
        directory->setSimpleID(env("TB_BENCH_BINDDN"));
    }
    prefs->setDirectories(prefs->directories() + QList {directory});
    prefs->setCurrentDirectoryID(qint64(directory->directoryID()));
    prefs->setPrintWhat(1);

    TBSearchDocument window;
    window.loadWindow();
    window.setSearchOptions({{QStringLiteral("MaxHits"), maxHits}, {QStringLiteral("DiscardOutput"), true}});
    window.setSimpleID(env("TB_BENCH_BINDDN"));
    window.setSimplePassword(env("TB_BENCH_PASSWORD"));
    TBSearchCriteriaPtr criteria = TBSearchCriteria::searchCriteria();
    criteria->searchItemAtIndex(0)->setSearchAttr(attribute);
    criteria->searchItemAtIndex(0)->setSearchType(type);
    criteria->searchItemAtIndex(0)->setSearchText(value);
    window.applySearchCriteria(criteria);
    window.show();
    window.search();
    const bool searched = waitUntil([&] { return !window.searcherBusy(); }, 600);
    const qsizetype entries = window.entryTableController()->entries().size();
    if (!searched || entries == 0) {
        fprintf(stderr, "print: the search of %s failed\n", qPrintable(base));
        return false;
    }
    // A search cut at its size limit says so in a sheet.
    if (QMessageBox* sheet = window.messageSheet())
        sheet->accept();

    StallMeter meter;
    meter.start();
    QElapsedTimer clock;
    clock.start();
    window.printDocument();
    const qint64 open = clock.nsecsElapsed();
    QPrintDialog* panel = window.documentPrinter()->printPanel();
    auto* printers = panel ? panel->findChild<QComboBox*>(QStringLiteral("printers")) : nullptr;
    auto* file = panel ? panel->findChild<QLineEdit*>(QStringLiteral("filename")) : nullptr;
    if (!printers || !file) {
        fprintf(stderr, "print: no print dialog\n");
        return false;
    }
    printers->setCurrentIndex(printers->count() - 1);
    file->setText(pdf);
    clock.restart();
    panel->accept();
    const bool done = waitUntil([&] { return !window.printing(); }, 1200);
    const qint64 job = clock.nsecsElapsed();
    const qint64 stall = meter.stop();
    if (!done || window.messageSheet()) {
        fprintf(stderr, "print: the job failed\n");
        return false;
    }
    printf("%s_entries: %lld entries\n", name, qint64(entries));
    printf("%s_open_ms: %.0f ms\n", name, ms(open));
    printf("%s_job_s: %.1f s\n", name, double(job) / 1e9);
    printf("%s_pages: %d pages\n", name, pdfPages(pdf));
    printf("%s_max_stall_ms: %.0f ms\n", name, ms(stall));
    fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir config;
    bench::useScratchSettings(config);
    QApplication app(argc, argv);
    if (env("TB_BENCH_URI").isEmpty()) {
        fprintf(stderr, "print: set TB_BENCH_URI (and TB_BENCH_BINDDN, TB_BENCH_PASSWORD)\n");
        return 2;
    }
    QTemporaryDir out;
    const bool big
        = measure("print_big_10k", QStringLiteral("ou=Big,dc=tamblin,dc=test"), QStringLiteral("objectClass"),
                  TBSearchTypeIs, QStringLiteral("device"), 0, out.filePath(QStringLiteral("big.pdf")));
    const bool photos
        = measure("print_photos_1k", QStringLiteral("ou=People,dc=tamblin,dc=test"), QStringLiteral("jpegPhoto"),
                  TBSearchTypeExists, QString(), 1000, out.filePath(QStringLiteral("photos.pdf")));
    return big && photos ? 0 : 1;
}
