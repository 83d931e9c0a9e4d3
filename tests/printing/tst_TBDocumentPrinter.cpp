#include "TBBrowseDocument.h"
#include "TBDocumentPrinter.h"
#include "TBEntryItem.h"
#include "TBEntryTableController.h"
#include "TBMarginFormatter.h"
#include "TBOutlineView.h"
#include "TBPreferences.h"
#include "TBPrintPanelAccessoryController.h"
#include "TBSearchDocument.h"
#include "TBSearchItem.h"
#include "TBTableView.h"
#include "TBTestSupport.h"
#include "TBTextView.h"
#include "TBUserDefaults.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// Printing a window: the print dialog with its options tab, the job, and the PDF it writes as
// poppler's readers see it (text, summary, margins, pictures); the window's busy state and the
// choices remembered after a job.
class tst_TBDocumentPrinter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void printsTheChosenTextOnTheMargins_data();
    void printsTheChosenTextOnTheMargins();
    void picturesArePrinted();
    void windowIsBusyWhilePrinting();
    void choicesAreRememberedOnlyAfterASuccessfulJob();
    void summaryWithoutADirectoryStartsWithTheSearch();
    void unwritableFileIsReported();
    void browseWindowPrintsTheNodeItRead();
    void pageSetupKeepsThePaper();

private:
    TBSearchDocument* searchedDocument(const QString& uidPrefix);
    bool printToPdf(TBDocument* document, const QString& path,
                    const std::function<void(TBPrintPanelAccessoryController*)>& choose);

    TBPreferences* m_prefs = nullptr;
    QString m_uri;
    QTemporaryDir m_dir;
    QList<QPointer<TBDocument>> m_documents;
};

namespace {

constexpr int kTimeout = 60000;

struct Word
{
    QString text;
    QRectF box;
};

struct PdfPage
{
    QSizeF size;
    QList<Word> words;
};

bool popplerAvailable()
{
    return QFile::exists(QStringLiteral("/usr/bin/pdftotext")) && QFile::exists(QStringLiteral("/usr/bin/pdftoppm"))
        && QFile::exists(QStringLiteral("/usr/bin/pdfimages"));
}

QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(kTimeout);
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString pdfText(const QString& path)
{
    return run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
}

// Every page with its words' boxes, in points from the top left, as pdftotext -bbox gives them.
QList<PdfPage> pdfPages(const QString& path)
{
    const QString html = run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    QList<PdfPage> pages;
    static const QRegularExpression pageTag(QStringLiteral(R"re(<page width="([\d.]+)" height="([\d.]+)">)re"));
    static const QRegularExpression wordTag(
        QStringLiteral(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    for (const QString& chunk : html.split(QStringLiteral("</page>"))) {
        const QRegularExpressionMatch page = pageTag.match(chunk);
        if (!page.hasMatch())
            continue;
        PdfPage result {QSizeF(page.captured(1).toDouble(), page.captured(2).toDouble()), {}};
        for (auto it = wordTag.globalMatch(chunk); it.hasNext();) {
            const QRegularExpressionMatch word = it.next();
            result.words.append({word.captured(5),
                                 QRectF(QPointF(word.captured(1).toDouble(), word.captured(2).toDouble()),
                                        QPointF(word.captured(3).toDouble(), word.captured(4).toDouble()))});
        }
        pages.append(result);
    }
    return pages;
}

// The smallest box holding every word of the page.
QRectF textBounds(const PdfPage& page)
{
    QRectF bounds;
    for (const Word& word : page.words)
        bounds = bounds.isNull() ? word.box : bounds.united(word.box);
    return bounds;
}

TBSearchCriteriaPtr uidStartsWith(const QString& prefix)
{
    TBSearchCriteriaPtr criteria = TBSearchCriteria::searchCriteria(QStringLiteral("uid"));
    TBSearchItemPtr item = criteria->searchItemAtIndex(0);
    item->setSearchAttr(QStringLiteral("uid"));
    item->setSearchType(TBSearchTypeStartsWith);
    item->setSearchText(prefix);
    return criteria;
}

int rowOf(TBSearchDocument* document, const QString& dn)
{
    const TBEntryList entries = document->entryTableController()->entries();
    for (int row = 0; row < entries.size(); ++row) {
        if (entries.at(row)->dn() == dn)
            return row;
    }
    return -1;
}

} // namespace

void tst_TBDocumentPrinter::initTestCase()
{
    TBTestSupport::useScratchConfig();
    TBUserDefaults::resetStandardUserDefaults();
    TBPreferences::resetSharedPreferences();
    m_prefs = TBPreferences::sharedPreferences();
    m_uri = TBTestSupport::sampleURI();
    QVERIFY(m_dir.isValid());
}

void tst_TBDocumentPrinter::init()
{
    m_prefs->setDirectories({});
    m_prefs->setPrintWhat(0);
    m_prefs->setPrintSummaryInfo(false);
    m_prefs->setPrintLeftMargin(72);
    m_prefs->setPrintTopMargin(72);
    m_prefs->setPrintRightMargin(72);
    m_prefs->setPrintBottomMargin(72);
    m_prefs->setDiscardOutput(false);
    TBDirectoryPtr directory = TBDirectory::directory();
    directory->setDirectoryName(QStringLiteral("Sample"));
    directory->setLdapURI(m_uri);
    directory->setSearchBase(TBTestSupport::sampleBase);
    directory->setStartTLS(2);
    m_prefs->setDirectories({directory});
    m_prefs->setCurrentDirectoryID(qint64(directory->directoryID()));
}

void tst_TBDocumentPrinter::cleanup()
{
    for (const QPointer<TBDocument>& document : std::as_const(m_documents)) {
        if (document) {
            QTRY_VERIFY_WITH_TIMEOUT(!document->printing() || document->documentPrinter()->printPanel(), kTimeout);
            if (QPrintDialog* panel = document->documentPrinter()->printPanel())
                panel->reject();
            delete document.data();
        }
    }
    m_documents.clear();
}

TBSearchDocument* tst_TBDocumentPrinter::searchedDocument(const QString& uidPrefix)
{
    auto* document = new TBSearchDocument;
    m_documents.append(document);
    document->loadWindow();
    document->show();
    document->setSearchCriteria(uidStartsWith(uidPrefix));
    document->search();
    if (!QTest::qWaitFor([document] { return !document->searcherBusy(); }, kTimeout))
        return nullptr;
    return document;
}

bool tst_TBDocumentPrinter::printToPdf(TBDocument* document, const QString& path,
                                       const std::function<void(TBPrintPanelAccessoryController*)>& choose)
{
    document->updateMenuActionState();
    if (!document->menuActions().printDocument->isEnabled())
        return false;
    document->menuActions().printDocument->trigger();
    QPrintDialog* panel = document->documentPrinter()->printPanel();
    TBPrintPanelAccessoryController* accessory = document->documentPrinter()->accessory();
    if (!panel || !accessory || !panel->isVisible())
        return false;
    if (choose)
        choose(accessory);
    // The dialog's own file field (the "Print to File (PDF)" printer).
    auto* printers = panel->findChild<QComboBox*>(QStringLiteral("printers"));
    auto* file = panel->findChild<QLineEdit*>(QStringLiteral("filename"));
    if (!printers || !file)
        return false;
    printers->setCurrentIndex(printers->count() - 1);
    file->setText(path);
    panel->accept();
    return QTest::qWaitFor([document] { return !document->printing(); }, kTimeout);
}

void tst_TBDocumentPrinter::printsTheChosenTextOnTheMargins_data()
{
    QTest::addColumn<qint64>("choice");
    QTest::addColumn<bool>("summary");
    QTest::addColumn<QMarginsF>("margins");
    QTest::addColumn<QStringList>("printed");
    QTest::addColumn<QStringList>("notPrinted");

    const QString alice = TBTestSupport::sampleAliceDN;
    const QString others = QStringLiteral("ou=People,dc=tamblin,dc=test");
    QTest::newRow("selected, with summary") << qint64(0) << true << QMarginsF(36, 90, 54, 108)
                                            << QStringList {QStringLiteral("Directory: Sample"),
                                                            QStringLiteral("LDAP URI: ") + m_uri,
                                                            QStringLiteral("Search Base: dc=tamblin,dc=test"),
                                                            QStringLiteral("Search:"),
                                                            QStringLiteral("User ID (uid) starts with a"),
                                                            alice,
                                                            QStringLiteral("Alice Example")}
                                            << QStringList {QStringLiteral("Command:")};
    QTest::newRow("all, without summary")
        << qint64(1) << false << QMarginsF(18, 18, 18, 18) << QStringList {alice, QStringLiteral("Alice Example")}
        << QStringList {QStringLiteral("Search Base:"), QStringLiteral("Command:")};
    QTest::newRow("command output") << qint64(2) << false << QMarginsF(144, 72, 0, 36)
                                    << QStringList {QStringLiteral("Command:"), QStringLiteral("ldapsearch"),
                                                    QStringLiteral("(uid=a*)"), alice}
                                    << QStringList {QStringLiteral("Search Base:")};
}

void tst_TBDocumentPrinter::printsTheChosenTextOnTheMargins()
{
    QFETCH(qint64, choice);
    QFETCH(bool, summary);
    QFETCH(QMarginsF, margins);
    QFETCH(QStringList, printed);
    QFETCH(QStringList, notPrinted);
    TB_REQUIRE_SAMPLE_SLAPD(m_uri);
    TB_REQUIRE(popplerAvailable(), "poppler-utils", "pdftotext, pdftoppm and pdfimages");
    TBSearchDocument* document = searchedDocument(QStringLiteral("a"));
    QVERIFY(document);
    QVERIFY(document->entryTableController()->entries().size() > 1);
    const int alice = rowOf(document, TBTestSupport::sampleAliceDN);
    QVERIFY(alice >= 0);
    document->entryTable()->selectRow(alice);

    const QString path = m_dir.filePath(QStringLiteral("%1.pdf").arg(QTest::currentDataTag()));
    QVERIFY(printToPdf(document, path, [&](TBPrintPanelAccessoryController* accessory) {
        accessory->printWhatPopUp()->setCurrentIndex(int(choice));
        Q_EMIT accessory->printWhatPopUp()->activated(int(choice));
        accessory->summaryInfoCheckBox()->setChecked(summary);
        accessory->setLeftMargin(margins.left());
        accessory->setTopMargin(margins.top());
        accessory->setRightMargin(margins.right());
        accessory->setBottomMargin(margins.bottom());
    }));
    QVERIFY(!document->messageSheet());

    const QString text = pdfText(path);
    for (const QString& expected : printed)
        QVERIFY2(text.contains(expected), qPrintable(expected + QStringLiteral(" not in:\n") + text.left(3000)));
    for (const QString& unexpected : notPrinted)
        QVERIFY2(!text.contains(unexpected), qPrintable(unexpected + QStringLiteral(" in:\n") + text.left(3000)));
    if (choice == 0) {
        // Only alice's entry.
        QCOMPARE(text.count(QStringLiteral("dc=tamblin,dc=test")), summary ? 2 : 1);
    }
    if (choice == 1) {
        for (const TBEntryPtr& entry : document->entryTableController()->entries())
            QVERIFY2(text.contains(entry->dn()), qPrintable(entry->dn()));
    }
    if (summary)
        QVERIFY(text.indexOf(QStringLiteral("Directory: Sample")) < text.indexOf(TBTestSupport::sampleAliceDN));

    // The words keep inside the margins, and start at the left and top ones.
    const QList<PdfPage> pages = pdfPages(path);
    QVERIFY(!pages.isEmpty());
    for (const PdfPage& page : pages) {
        QVERIFY(!page.words.isEmpty());
        const QRectF bounds = textBounds(page);
        const QRectF area(margins.left(), margins.top(), page.size.width() - margins.left() - margins.right(),
                          page.size.height() - margins.top() - margins.bottom());
        QVERIFY2(area.adjusted(-1, -1, 1, 1).contains(bounds),
                 qPrintable(QStringLiteral("text %1,%2 %3x%4 outside the area %5,%6 %7x%8")
                                .arg(bounds.x())
                                .arg(bounds.y())
                                .arg(bounds.width())
                                .arg(bounds.height())
                                .arg(area.x())
                                .arg(area.y())
                                .arg(area.width())
                                .arg(area.height())));
        QVERIFY2(bounds.left() < margins.left() + 2, qPrintable(QString::number(bounds.left())));
    }
    const QRectF first = textBounds(pages.first());
    QVERIFY2(first.top() < margins.top() + 6, qPrintable(QString::number(first.top())));
}

void tst_TBDocumentPrinter::picturesArePrinted()
{
    TB_REQUIRE_SAMPLE_SLAPD(m_uri);
    TB_REQUIRE(popplerAvailable(), "poppler-utils", "pdftotext, pdftoppm and pdfimages");
    TBSearchDocument* document = searchedDocument(QStringLiteral("alice"));
    QVERIFY(document);
    document->entryTable()->selectRow(0);
    const QString path = m_dir.filePath(QStringLiteral("photo.pdf"));
    QVERIFY(printToPdf(document, path, nullptr));

    // Alice has a photo and a thumbnail.
    const QStringList images = run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), path})
                                   .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY2(images.size() >= 2 + 2, qPrintable(images.join(QLatin1Char('\n'))));

    // Rendered, the page has colour: the text alone is black on white.
    const QString prefix = m_dir.filePath(QStringLiteral("photo"));
    run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-r"), QStringLiteral("40"), QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
         QStringLiteral("1"), QStringLiteral("-singlefile"), QStringLiteral("-png"), path, prefix});
    const QImage page(prefix + QStringLiteral(".png"));
    QVERIFY(!page.isNull());
    int coloured = 0;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            if (page.pixelColor(x, y).hsvSaturation() > 60)
                ++coloured;
        }
    }
    QVERIFY2(coloured > 100, qPrintable(QString::number(coloured)));
}

void tst_TBDocumentPrinter::windowIsBusyWhilePrinting()
{
    TB_REQUIRE_SAMPLE_SLAPD(m_uri);
    TBSearchDocument* document = searchedDocument(QStringLiteral("a"));
    QVERIFY(document);
    document->updateMenuActionState();
    QVERIFY(document->canPrintDocument());
    QVERIFY(document->canRunPageLayout());
    document->printDocument();
    QVERIFY(document->documentPrinter()->printPanel());
    QVERIFY(document->printing());
    QVERIFY(document->documentBusy());
    QVERIFY(!document->canSearch());
    QVERIFY(!document->canExportEntries());
    QVERIFY(!document->canExportCommandOutput());
    QVERIFY(!document->canSearchOptions());
    QVERIFY(!document->canRunPageLayout());
    QVERIFY(!document->canPrintDocument());
    document->updateMenuActionState();
    QVERIFY(!document->menuActions().printDocument->isEnabled());
    QVERIFY(!document->menuActions().runPageLayout->isEnabled());
    QVERIFY(!document->close());
    QVERIFY(document->isVisible());

    document->documentPrinter()->printPanel()->reject();
    QVERIFY(!document->printing());
    QVERIFY(document->canSearch());
    QVERIFY(document->close());
}

void tst_TBDocumentPrinter::choicesAreRememberedOnlyAfterASuccessfulJob()
{
    TB_REQUIRE_SAMPLE_SLAPD(m_uri);
    TBSearchDocument* document = searchedDocument(QStringLiteral("a"));
    QVERIFY(document);
    m_prefs->setPrintWhat(1);

    // Cancelled: nothing changes, and the next job opens with the old choices.
    document->printDocument();
    TBPrintPanelAccessoryController* accessory = document->documentPrinter()->accessory();
    QVERIFY(accessory);
    QCOMPARE(accessory->printWhat(), 1);
    accessory->setPrintWhat(2);
    accessory->setSummaryInfo(true);
    accessory->setLeftMargin(18);
    document->documentPrinter()->printPanel()->reject();
    QCOMPARE(m_prefs->printWhat(), 1);
    QVERIFY(!m_prefs->printSummaryInfo());
    QCOMPARE(m_prefs->printLeftMargin(), 72.0);

    const QString path = m_dir.filePath(QStringLiteral("remembered.pdf"));
    QVERIFY(printToPdf(document, path, [](TBPrintPanelAccessoryController* accessory) {
        QCOMPARE(accessory->printWhat(), 1);
        QVERIFY(!accessory->summaryInfo());
        QCOMPARE(accessory->leftMargin(), 72.0);
        accessory->setPrintWhat(2);
        accessory->setSummaryInfo(true);
        accessory->setLeftMargin(18);
        accessory->setBottomMargin(36);
    }));
    QCOMPARE(m_prefs->printWhat(), 2);
    QVERIFY(m_prefs->printSummaryInfo());
    QCOMPARE(m_prefs->printLeftMargin(), 18.0);
    QCOMPARE(m_prefs->printBottomMargin(), 36.0);
    QCOMPARE(m_prefs->printTopMargin(), 72.0);
    // The window keeps the job's set-up.
    QCOMPARE(document->thePrintInfo().dictionary.value(TBPrintInfo::leftMarginKey).toDouble(), 18.0);
    QCOMPARE(document->thePrintInfo().pageLayout.margins(QPageLayout::Point).left(), 18.0);
}

void tst_TBDocumentPrinter::summaryWithoutADirectoryStartsWithTheSearch()
{
    TB_REQUIRE_SAMPLE_SLAPD(m_uri);
    TBSearchDocument* document = searchedDocument(QStringLiteral("alice"));
    QVERIFY(document);
    document->updateSummaryInfoForPrinting();
    QString summary = document->documentPrinter()->texts().summaryInfoForPrinting->plainText();
    QVERIFY2(summary.startsWith(QStringLiteral("Directory: Sample\nLDAP URI: ")), qPrintable(summary));
    QVERIFY2(summary.endsWith(QStringLiteral("Search: \n\tUser ID (uid) starts with alice\n\n")), qPrintable(summary));

    // The directory went away after the search.
    m_prefs->deleteDirectoryAtIndex(0);
    QCOMPARE(document->lastSearchedDirectoryID(), -1);
    document->updateSummaryInfoForPrinting();
    summary = document->documentPrinter()->texts().summaryInfoForPrinting->plainText();
    QCOMPARE(summary, QStringLiteral("Search: \n\tUser ID (uid) starts with alice\n\n"));
    // The labels are bold, the values not.
    const QList<TBTextRun>& runs = document->documentPrinter()->texts().summaryInfoForPrinting->runs();
    QVERIFY(runs.first().format.font().bold());
    QVERIFY(!runs.at(runs.size() - 2).format.font().bold());
}

void tst_TBDocumentPrinter::unwritableFileIsReported()
{
    TB_REQUIRE_SAMPLE_SLAPD(m_uri);
    TBSearchDocument* document = searchedDocument(QStringLiteral("alice"));
    QVERIFY(document);
    document->entryTable()->selectRow(0);
    QVERIFY(printToPdf(document, m_dir.filePath(QStringLiteral("no-such-folder/x.pdf")), nullptr));
    QTRY_VERIFY(document->messageSheet());
    QCOMPARE(document->messageSheet()->property("messageTitle").toString(), QStringLiteral("Could not print"));
    // Nothing is remembered from a job that failed.
    QCOMPARE(m_prefs->printWhat(), 0);
}

void tst_TBDocumentPrinter::browseWindowPrintsTheNodeItRead()
{
    TB_REQUIRE_SAMPLE_SLAPD(m_uri);
    TB_REQUIRE(popplerAvailable(), "poppler-utils", "pdftotext, pdftoppm and pdfimages");
    auto* document = new TBBrowseDocument;
    m_documents.append(document);
    document->loadWindow();
    document->show();
    // Nothing read yet: nothing to print.
    QVERIFY(!document->canPrintDocument());
    document->setSearchEntryItem(document->rootEntryItem());
    document->searchOne();
    QTRY_VERIFY_WITH_TIMEOUT(!document->searcherBusy(), kTimeout);
    QVERIFY(document->rootEntryItem()->haveSearched());
    document->entryItemTable()->setCurrentIndex(document->entryItemTable()->model()->index(0, 0));
    QCOMPARE(document->entryItemTable()->numberOfSelectedRows(), 1);
    QVERIFY(document->canPrintWhat(0));
    QVERIFY(!document->canPrintWhat(1));
    QVERIFY(document->canPrintWhat(2));

    m_prefs->setPrintWhat(1);
    const QString path = m_dir.filePath(QStringLiteral("browse.pdf"));
    QVERIFY(printToPdf(document, path, [](TBPrintPanelAccessoryController* accessory) {
        // "Details (All)" is never offered; the remembered choice falls back to the node.
        QCOMPARE(accessory->printWhat(), 0);
        accessory->setSummaryInfo(true);
    }));
    const QString text = pdfText(path);
    QVERIFY2(text.contains(QStringLiteral("Directory: Sample")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Entry: dc=tamblin,dc=test")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Tamblin Test")), qPrintable(text));

    // With the output discarded, only the node's details remain.
    m_prefs->setDiscardOutput(true);
    QVERIFY(!document->canPrintWhat(2));
    QVERIFY(document->canPrintDocument());
}

void tst_TBDocumentPrinter::pageSetupKeepsThePaper()
{
    auto* document = new TBSearchDocument;
    m_documents.append(document);
    document->loadWindow();
    document->show();
    m_prefs->setPrintLeftMargin(36);
    document->updateMenuActionState();
    QVERIFY(document->menuActions().runPageLayout->isEnabled());
    document->menuActions().runPageLayout->trigger();
    QPageSetupDialog* sheet = document->documentPrinter()->pageLayoutSheet();
    QVERIFY(sheet);
    QVERIFY(document->printing());
    QVERIFY(!document->canSearchOptions());
    QVERIFY(!document->close());
    sheet->printer()->setPageOrientation(QPageLayout::Landscape);
    sheet->accept();
    QVERIFY(!document->printing());
    const QPageLayout layout = document->thePrintInfo().pageLayout;
    QCOMPARE(layout.orientation(), QPageLayout::Landscape);
    // The margins stay those of the print options.
    QCOMPARE(layout.margins(QPageLayout::Point).left(), layout.minimumMargins().left() + 36);
}

QTEST_MAIN(tst_TBDocumentPrinter)
#include "tst_TBDocumentPrinter.moc"
