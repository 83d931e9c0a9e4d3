// Entry table speed.
//
// gui_sort_100k_s: sort 100 000 rows on the cn column through the entry table's model, with the
// table shown (offscreen), from a shuffled order; the best of three runs. The people are
// generated here, or parsed from the file named by TB_BENCH_LDIF (the parse is not timed).
// gui_set_entries_100k_s: hand the 100 000 rows to the table (sorted on cn) and let it draw.

#include "BenchSupport.h"
#include "TBEntryTableController.h"
#include "TBEntryTableModel.h"
#include "TBParser.h"
#include "TBPreferences.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <random>

namespace {

const QStringList kNames {"Anna",  "björn",  "Chen",    "Dmitri", "Élodie", "farah", "Günther",
                          "Hiro",  "Ingrid", "José",    "kofi",   "Léa",    "Mateo", "Nadia",
                          "Oskar", "Priya",  "Quentin", "Rosa",   "Søren",  "Tariq", "Zoë"};

TBEntryList generatedPeople(int count)
{
    TBEntryList people;
    people.reserve(count);
    for (int i = 0; i < count; ++i) {
        const QString n = QString::number(i);
        TBEntryPtr entry = TBEntry::entry();
        entry->addAttribute(QStringLiteral("dn"), QStringLiteral("uid=user") + n + QStringLiteral(",ou=People,dc=x"));
        entry->addAttribute(QStringLiteral("cn"), kNames.at(i % kNames.size()) + QLatin1Char(' ') + n);
        entry->addAttribute(QStringLiteral("sn"), QStringLiteral("Person"));
        entry->addAttribute(QStringLiteral("mail"), QStringLiteral("user") + n + QStringLiteral("@example.test"));
        if (i % 3 == 0)
            entry->addAttribute(QStringLiteral("mail"), QStringLiteral("alias") + n + QStringLiteral("@example.test"));
        entry->squeeze();
        people.append(entry);
    }
    return people;
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir config;
    bench::useScratchSettings(config);
    QApplication app(argc, argv);
    TBPreferences::sharedPreferences();

    const QString ldif = QFile::decodeName(qgetenv("TB_BENCH_LDIF"));
    TBEntryList people = ldif.isEmpty() ? generatedPeople(100000) : bench::parsedEntries(ldif);
    if (people.isEmpty()) {
        fprintf(stderr, "table: no entries in %s\n", qPrintable(ldif));
        return 2;
    }

    TBTableView table;
    TBEntryTableController controller(&table);
    controller.initAttributeColumns();
    table.resize(1000, 600);
    table.show();
    QApplication::processEvents();
    TBEntryTableModel* model = controller.model();
    const int cn = model->columnForIdentifier(QStringLiteral("cn"));
    if (cn < 0) {
        fprintf(stderr, "table: no cn column\n");
        return 1;
    }

    std::mt19937 random(42);
    double best = -1;
    for (int run = 0; run < 3; ++run) {
        std::shuffle(people.begin(), people.end(), random);
        model->setSortIdentifier(QString(), Qt::AscendingOrder);
        controller.setEntries(people);
        QApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        model->sort(cn, run % 2 ? Qt::DescendingOrder : Qt::AscendingOrder);
        QApplication::processEvents();
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        if (best < 0 || seconds < best)
            best = seconds;
    }
    printf("gui_sort_100k_s: %.3f s\n", best);

    std::shuffle(people.begin(), people.end(), random);
    controller.setEntries({});
    QApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    controller.setEntries(people);
    QApplication::processEvents();
    printf("gui_set_entries_100k_s: %.3f s\n", double(timer.nsecsElapsed()) / 1e9);
    return 0;
}
