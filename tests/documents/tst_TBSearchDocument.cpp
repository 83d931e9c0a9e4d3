#include "TBContrast.h"
#include "TBDetailsTextView.h"
#include "TBEntryTableController.h"
#include "TBEntryTableModel.h"
#include "TBExport.h"
#include "TBExportPanel.h"
#include "TBNotificationCenter.h"
#include "TBPreferences.h"
#include "TBSearchCriteriaRow.h"
#include "TBSearchCriteriaTableController.h"
#include "TBSearchDocument.h"
#include "TBSearchItem.h"
#include "TBSearcher.h"
#include "TBTableView.h"
#include "TBTestSupport.h"
#include "TBTextView.h"
#include "TBUserDefaults.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

// The search window: what it starts from, when it can search, a search against the sample
// directory, the details of chosen entries and the remembered pane heights.
class tst_TBSearchDocument : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void startsFromThePreviousSearch();
    void canSearch_data();
    void canSearch();
    void searchFillsTheEntries();
    void activeDirectoryValues();
    void failedSearchKeepsThePreviousResults();
    void detailsShowTheChosenEntries();
    void typedConditionSearchesOnReturn();
    void exportWritesTheResults();
    void adminLimitShowsItsSheet();
    void savedSearchesGoBothWays();
    void paneHeightsAreRemembered();
    void criteriaRowsTakeTheirRoomFromTheSplitView();
    void controlClickShowsTheSearchCommandOnly();
    void darkPaletteKeepsTextReadableAndWhole();

private:
    TBDirectoryPtr addDirectory(const QString& uri = QString());
    static TBSearchCriteriaPtr criteria(const QList<std::tuple<QString, qint64, QString>>& items);
    TBSearchDocument* makeDocument();
    QMessageBox* waitForMessage(TBSearchDocument* document);

    TBPreferences* m_prefs = nullptr;
    QString m_uri;
    QList<QPointer<TBSearchDocument>> m_documents;
};

namespace {

// Whether the window's menu offers the command now, as when a menu opens.
bool enabled(TBDocument* document, QAction* TBDocumentActions::*command)
{
    document->updateMenuActionState();
    return (document->menuActions().*command)->isEnabled();
}

constexpr int kToolTimeout = 60000;

// A search window whose "selection" is set by the test rather than by the results table.
class ChoosingDocument : public TBSearchDocument
{
public:
    TBEntryList chosen;
    TBEntryList selectedEntries() const override { return chosen; }
};

} // namespace

void tst_TBSearchDocument::initTestCase()
{
    TBTestSupport::useScratchConfig();
    TBUserDefaults::resetStandardUserDefaults();
    TBPreferences::resetSharedPreferences();
    m_prefs = TBPreferences::sharedPreferences();
    m_uri = TBTestSupport::sampleURI();
}

void tst_TBSearchDocument::init()
{
    m_prefs->setDirectories({});
    m_prefs->setCurrentDirectoryID(0);
    m_prefs->setPreviousSearch(nullptr);
    m_prefs->setDefaultSearchTopHeight(-1);
    m_prefs->setDefaultSearchBottomHeight(-1);
}

void tst_TBSearchDocument::cleanup()
{
    for (const QPointer<TBSearchDocument>& document : std::as_const(m_documents))
        delete document.data();
    m_documents.clear();
}

TBDirectoryPtr tst_TBSearchDocument::addDirectory(const QString& uri)
{
    TBDirectoryPtr directory = TBDirectory::directory();
    directory->setDirectoryName(QStringLiteral("Sample"));
    directory->setLdapURI(uri.isEmpty() ? m_uri : uri);
    directory->setSearchBase(TBTestSupport::sampleBase);
    directory->setStartTLS(2);
    m_prefs->setDirectories(m_prefs->directories() + QList {directory});
    m_prefs->setCurrentDirectoryID(qint64(directory->directoryID()));
    return directory;
}

TBSearchCriteriaPtr tst_TBSearchDocument::criteria(const QList<std::tuple<QString, qint64, QString>>& items)
{
    TBSearchCriteriaPtr result
        = TBSearchCriteria::searchCriteria(TBPreferences::sharedPreferences()->lastSelectedAttribute());
    result->setSearchItems({});
    for (const auto& [attribute, type, text] : items) {
        TBSearchItemPtr item = TBSearchItem::searchItem(TBPreferences::sharedPreferences()->lastSelectedAttribute());
        item->setSearchAttr(attribute);
        item->setSearchType(type);
        item->setSearchText(text);
        result->insertSearchItem(item, result->numSearchItems());
    }
    return result;
}

TBSearchDocument* tst_TBSearchDocument::makeDocument()
{
    auto* document = new TBSearchDocument;
    document->loadWindow();
    document->show();
    m_documents.append(document);
    return document;
}

QMessageBox* tst_TBSearchDocument::waitForMessage(TBSearchDocument* document)
{
    (void)QTest::qWaitFor([document] { return document->messageSheet() != nullptr; }, kToolTimeout);
    return document->messageSheet();
}

void tst_TBSearchDocument::startsFromThePreviousSearch()
{
    TBSearchDocument* fresh = makeDocument();
    QCOMPARE(fresh->searchCriteria()->numSearchItems(), 1);
    QCOMPARE(fresh->optionsMenuTitle(), QStringLiteral("Search Options..."));

    const TBSearchCriteriaPtr previous = criteria({{QStringLiteral("sn"), TBSearchTypeStartsWith, QStringLiteral("Sm")},
                                                   {QStringLiteral("mail"), TBSearchTypeExists, QString()}});
    m_prefs->setPreviousSearch(previous);
    TBSearchDocument* document = makeDocument();
    QCOMPARE(document->searchCriteria()->dictionaryRepresentation(), previous->dictionaryRepresentation());
    // A copy: editing the window's criteria leaves the stored search alone.
    QVERIFY(document->searchCriteria() != previous);
    document->searchCriteria()->searchItemAtIndex(0)->setSearchText(QStringLiteral("Jo"));
    QCOMPARE(previous->searchItemAtIndex(0)->searchText(), QStringLiteral("Sm"));
}

void tst_TBSearchDocument::canSearch_data()
{
    QTest::addColumn<bool>("directory");
    QTest::addColumn<qint64>("type");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("can");

    QTest::newRow("is, with text") << true << qint64(TBSearchTypeIs) << "alice" << true;
    QTest::newRow("is, empty text") << true << qint64(TBSearchTypeIs) << "" << false;
    QTest::newRow("exists, empty text") << true << qint64(TBSearchTypeExists) << "" << true;
    QTest::newRow("is missing, empty text") << true << qint64(TBSearchTypeIsMissing) << "" << true;
    QTest::newRow("no directory") << false << qint64(TBSearchTypeIs) << "alice" << false;
}

void tst_TBSearchDocument::canSearch()
{
    QFETCH(bool, directory);
    QFETCH(qint64, type);
    QFETCH(QString, text);
    QFETCH(bool, can);
    if (directory)
        addDirectory();
    TBSearchDocument* document = makeDocument();
    document->setSearchCriteria(criteria(
        {{QStringLiteral("cn"), TBSearchTypeContains, QStringLiteral("a")}, {QStringLiteral("uid"), type, text}}));
    QCOMPARE(document->canSearch(), can);
    QCOMPARE(document->searchButton()->isEnabled(), can);
    QCOMPARE(enabled(document, &TBDocumentActions::search), can);
}

void tst_TBSearchDocument::searchFillsTheEntries()
{
    TB_REQUIRE_SAMPLE_SLAPD(m_uri);
    const TBDirectoryPtr directory = addDirectory();
    TBSearchDocument* document = makeDocument();
    QCOMPARE(document->numEntriesField()->text(), QString());
    document->setSearchCriteria(criteria({{QStringLiteral("uid"), TBSearchTypeIs, QStringLiteral("alice")}}));
    document->search();
    QVERIFY(document->searcherBusy());
    QVERIFY(!document->searchButton()->isVisible());
    QVERIFY(document->cancelButton()->isVisible());
    // The criteria are the next window's starting point from the moment the search starts.
    QCOMPARE(m_prefs->previousSearch()->dictionaryRepresentation(),
             document->searchCriteria()->dictionaryRepresentation());

    QTRY_VERIFY_WITH_TIMEOUT(!document->searcherBusy(), kToolTimeout);
    QVERIFY(!document->messageSheet());
    QCOMPARE(document->entries().size(), 1);
    QCOMPARE(document->entries().first()->dn(), TBTestSupport::sampleAliceDN);
    QCOMPARE(document->numEntriesField()->text(), QStringLiteral("Number of entries: 1"));
    QCOMPARE(document->lastSearchedDirectoryID(), qint64(directory->directoryID()));
    QVERIFY(document->lastSearchedCriteria());
    QVERIFY(document->searchButton()->isVisible());
    QVERIFY(document->searchButton()->isEnabled());

    document->setSearchCriteria(
        criteria({{QStringLiteral("uid"), TBSearchTypeIs, QStringLiteral("nobody-by-this-name")}}));
    document->search();
    QTRY_VERIFY_WITH_TIMEOUT(!document->searcherBusy(), kToolTimeout);
    QCOMPARE(document->entries().size(), 0);
    QCOMPARE(document->numEntriesField()->text(), QStringLiteral("No entries found"));
}

// The sample's AD values as the window shows them: readable identifiers, "never", a photo that
// comes with ";binary" and a group whose members came as a range.
void tst_TBSearchDocument::activeDirectoryValues()
{
    TB_REQUIRE_SAMPLE_SLAPD(m_uri);
    addDirectory();
    TBSearchDocument* document = makeDocument();
    const TBEntryTableModel* model = document->entryTableController()->model();
    // The details of the one entry found; empty when the search did not find exactly one.
    auto searchFor = [&](const QString& attribute, const QString& value) {
        document->setSearchCriteria(criteria({{attribute, TBSearchTypeIs, value}}));
        document->search();
        if (!QTest::qWaitFor([document] { return !document->searcherBusy(); }, kToolTimeout)
            || document->entries().size() != 1)
            return QString();
        document->entryTable()->selectRow(0);
        return document->detailsText()->plainText();
    };

    const QString guid = QStringLiteral("{3c2d1e0f-5a4b-7869-8796-a5b4c3d2e1f0}");
    const QString sid = QStringLiteral("S-1-5-21-1004336348-1177238915-682003330-1104");
    const QString alice = searchFor(QStringLiteral("uid"), QStringLiteral("alice"));
    QVERIFY(!alice.isEmpty());
    const QStringList lines {QStringLiteral(": <binary data> ") + guid + QLatin1Char('\n'),
                             QStringLiteral(": <binary data> ") + sid + QLatin1Char('\n'),
                             QStringLiteral(": Never (9223372036854775807)\n")};
    for (const QString& line : lines)
        QVERIFY2(alice.contains(line), qPrintable(line));
    QCOMPARE(model->cellText(0, model->columnForIdentifier(QStringLiteral("objectGUID"))), guid);
    QCOMPARE(model->cellText(0, model->columnForIdentifier(QStringLiteral("objectSid"))), sid);
    QCOMPARE(model->cellText(0, model->columnForIdentifier(QStringLiteral("accountExpires"))), QStringLiteral("Never"));

    // Wrong lengths stay placeholders.
    const QString mallory = searchFor(QStringLiteral("uid"), QStringLiteral("mallory"));
    QVERIFY(!mallory.isEmpty());
    QVERIFY(!mallory.contains(QStringLiteral("<binary data> ")));
    QCOMPARE(model->cellText(0, model->columnForIdentifier(QStringLiteral("objectGUID"))), QStringLiteral("(exists)"));

    QVERIFY(!searchFor(QStringLiteral("uid"), QStringLiteral("znunez")).isEmpty());
    QVERIFY(document->entries().first()->valueForAttribute(QStringLiteral("thumbnailLogo;binary")).isPicture());

    const QString devices = searchFor(QStringLiteral("cn"), QStringLiteral("Devices"));
    const QString partial = QStringLiteral("(partial list: 1500 values came; the directory has more)");
    QVERIFY2(devices.contains(QStringLiteral(": ") + partial + QLatin1Char('\n')), qPrintable(devices.right(300)));
    const int member = model->columnForIdentifier(QStringLiteral("member;range=0-1499"));
    QVERIFY(member >= 0);
    QVERIFY(model->toolTip(0, member).startsWith(partial));
}

void tst_TBSearchDocument::failedSearchKeepsThePreviousResults()
{
    TB_REQUIRE_SAMPLE_SLAPD(m_uri);
    const TBDirectoryPtr directory = addDirectory();
    TBSearchDocument* document = makeDocument();
    document->setSearchCriteria(criteria({{QStringLiteral("uid"), TBSearchTypeIs, QStringLiteral("alice")}}));
    document->search();
    QTRY_VERIFY_WITH_TIMEOUT(!document->searcherBusy(), kToolTimeout);
    QCOMPARE(document->entries().size(), 1);

    // Nothing listens there: exit status 255.
    directory->setLdapURI(QStringLiteral("ldap://127.0.0.1:1"));
    document->search();
    QMessageBox* sheet = waitForMessage(document);
    QVERIFY(sheet);
    QCOMPARE(sheet->property("messageTitle").toString(), QStringLiteral("Command returned an error (255)"));
    QCOMPARE(document->entries().size(), 1);
    QCOMPARE(document->entryTable()->numberOfRows(), 1);
    QCOMPARE(document->numEntriesField()->text(), QStringLiteral("Number of entries: 1"));
    QCOMPARE(document->lastSearchedDirectoryID(), 0);
    sheet->findChild<QPushButton*>(QStringLiteral("messageSheetOK"))->click();
    QCOMPARE(document->currentTabView(), 1);
}

void tst_TBSearchDocument::detailsShowTheChosenEntries()
{
    auto* document = new ChoosingDocument;
    m_documents.append(document);
    document->loadWindow();
    // Nothing chosen: a single line end.
    QCOMPARE(document->detailsText()->plainText(), QStringLiteral("\n"));

    TBEntryPtr first = TBEntry::entry();
    first->addAttribute(QStringLiteral("dn"), QStringLiteral("uid=one,dc=example"));
    first->addAttribute(QStringLiteral("cn"), QStringLiteral("One"));
    TBEntryPtr second = TBEntry::entry();
    second->addAttribute(QStringLiteral("dn"), QStringLiteral("uid=two,dc=example"));
    document->chosen = {first, second};
    document->updateDetailsText();
    const QString text = document->detailsText()->plainText();
    const qsizetype one = text.indexOf(QStringLiteral("uid=one,dc=example"));
    const qsizetype line = text.indexOf(TBTextView::separatorText());
    const qsizetype two = text.indexOf(QStringLiteral("uid=two,dc=example"));
    QVERIFY2(one >= 0 && one < line && line < two, qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("One")));
    QVERIFY(text.endsWith(QLatin1Char('\n')));
}

void tst_TBSearchDocument::typedConditionSearchesOnReturn()
{
    TB_REQUIRE_SAMPLE_SLAPD(m_uri);
    addDirectory();
    m_prefs->setPreviousSearch(criteria({{QStringLiteral("uid"), TBSearchTypeIs, QString()}}));
    TBSearchDocument* document = makeDocument();
    QVERIFY(QTest::qWaitForWindowExposed(document));
    TBSearchCriteriaRow* row = document->searchTableController()->rowView(0);
    QVERIFY(row);
    QCOMPARE(document->searchTableController()->numberOfRows(), 1);
    // An incomplete condition: nothing to search for yet, and Return does nothing.
    QVERIFY(!document->searchButton()->isEnabled());
    QTest::keyClick(row->dataField(), Qt::Key_Return);
    QVERIFY(!document->searcherBusy());

    QTest::keyClicks(row->dataField(), QStringLiteral("alice"));
    QCOMPARE(document->searchCriteria()->searchItemAtIndex(0)->searchText(), QStringLiteral("alice"));
    QVERIFY(document->searchButton()->isEnabled());
    QTest::keyClick(row->dataField(), Qt::Key_Return);
    QVERIFY(document->searcherBusy());
    QTRY_VERIFY_WITH_TIMEOUT(!document->searcherBusy(), kToolTimeout);
    QVERIFY(!document->messageSheet());

    TBTableView* table = document->entryTable();
    QCOMPARE(table->numberOfRows(), 1);
    QCOMPARE(document->numEntriesField()->text(), QStringLiteral("Number of entries: 1"));
    QCOMPARE(document->detailsText()->plainText(), QStringLiteral("\n"));
    table->selectRow(0);
    QCOMPARE(document->selectedEntries().size(), 1);
    QVERIFY2(document->detailsText()->plainText().contains(TBTestSupport::sampleAliceDN),
             qPrintable(document->detailsText()->plainText()));
    // The attributes found became columns of the table.
    QVERIFY(document->entryTableController()->columnIdentifiers().contains(QStringLiteral("uid")));

    // A criteria row added from its + button takes part in the next search.
    document->addSearchItem(row->addButton());
    QCOMPARE(document->searchTableController()->numberOfRows(), 2);
    QCOMPARE(document->searchCriteria()->numSearchItems(), 2);
    QVERIFY(!document->searchButton()->isEnabled());

    // Deleting the chosen row takes it from the window's entries and its details.
    table->selectRow(0);
    document->entryTableController()->deleteSelectedRows();
    QCOMPARE(table->numberOfRows(), 0);
    QCOMPARE(document->entries().size(), 0);
    QCOMPARE(document->numEntriesField()->text(), QString());
    QCOMPARE(document->detailsText()->plainText(), QStringLiteral("\n"));
}

void tst_TBSearchDocument::exportWritesTheResults()
{
    TB_REQUIRE_SAMPLE_SLAPD(m_uri);
    addDirectory();
    TBSearchDocument* document = makeDocument();
    // Nothing found yet: nothing to export.
    QVERIFY(!enabled(document, &TBDocumentActions::exportEntries));
    document->exportEntries();
    QVERIFY(!document->exportPanel());

    document->setSearchCriteria(criteria({{QStringLiteral("uid"), TBSearchTypeIs, QStringLiteral("alice")}}));
    document->search();
    QTRY_VERIFY_WITH_TIMEOUT(!document->searcherBusy(), kToolTimeout);
    QVERIFY(enabled(document, &TBDocumentActions::exportEntries));

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    document->exportEntries();
    TBExportPanel* panel = document->exportPanel();
    QVERIFY(panel);
    QVERIFY(!enabled(document, &TBDocumentActions::exportEntries));
    panel->setDirectory(dir.path());
    panel->setExportFileFormat(TBExportCommaSeparated);
    panel->setExportSelectedRowsOnly(false);
    panel->setExportIncludeAttrNames(true);
    panel->setExportVisibleColumnsOnly(false);
    panel->selectFile(dir.filePath(QStringLiteral("people")));
    panel->accept();
    QVERIFY(!document->messageSheet());

    QFile file(dir.filePath(QStringLiteral("people.csv")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    const QStringList lines = text.split(QRegularExpression(QStringLiteral("\\r?\\n")), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2); // the names, then alice
    QVERIFY2(lines.at(0).contains(QStringLiteral("uid")), qPrintable(text));
    QVERIFY2(lines.at(1).contains(QStringLiteral("alice")), qPrintable(text));
    QTRY_VERIFY(enabled(document, &TBDocumentActions::exportEntries));
}

void tst_TBSearchDocument::adminLimitShowsItsSheet()
{
    TB_REQUIRE_SAMPLE_SLAPD(m_uri);
    const TBDirectoryPtr directory = addDirectory();
    directory->setAuthentication(2);
    directory->setSimpleID(TBTestSupport::sampleReaderDN);
    TBSearchDocument* document = makeDocument();
    document->setSimpleID(TBTestSupport::sampleReaderDN);
    document->setSimplePassword(TBTestSupport::sampleReaderPassword);
    document->setSearchCriteria(criteria({{QStringLiteral("uid"), TBSearchTypeIs, QStringLiteral("alice")}}));
    document->search();
    QTRY_VERIFY_WITH_TIMEOUT(!document->searcherBusy(), kToolTimeout);
    QVERIFY(!document->messageSheet());
    QCOMPARE(document->entryTable()->numberOfRows(), 1);

    // Every entry with a cn is more than the reader may ask for.
    document->setSearchCriteria(criteria({{QStringLiteral("cn"), TBSearchTypeExists, QString()}}));
    document->search();
    QMessageBox* sheet = waitForMessage(document);
    QVERIFY(sheet);
    QCOMPARE(sheet->property("messageTitle").toString(), QStringLiteral("Admin Limit Exceeded"));
    // The search itself completed: the table shows what the server sent, here nothing.
    QCOMPARE(document->entryTable()->numberOfRows(), 0);
    QCOMPARE(document->numEntriesField()->text(), QStringLiteral("No entries found"));
    QVERIFY(document->lastSearchedCriteria());
}

void tst_TBSearchDocument::savedSearchesGoBothWays()
{
    addDirectory();
    m_prefs->setSavedSearchCriteria({});
    TBSearchDocument* document = makeDocument();
    document->setSearchCriteria(criteria({{QStringLiteral("uid"), TBSearchTypeIs, QString()}}));
    // An incomplete condition is not saved.
    QVERIFY(!enabled(document, &TBDocumentActions::saveCurrentSearch));
    document->saveCurrentSearch();
    QCOMPARE(m_prefs->savedSearchCriteria().size(), 0);

    const TBSearchCriteriaPtr two = criteria({{QStringLiteral("sn"), TBSearchTypeStartsWith, QStringLiteral("Sm")},
                                              {QStringLiteral("mail"), TBSearchTypeExists, QString()}});
    document->setSearchCriteria(two);
    document->saveCurrentSearch();
    QCOMPARE(m_prefs->savedSearchCriteria().size(), 1);
    QCOMPARE(m_prefs->savedSearchCriteria().first()->name(), QStringLiteral("New Search"));

    TBSearchDocument* other = makeDocument();
    other->setSearchCriteria(criteria({{QStringLiteral("uid"), TBSearchTypeIs, QStringLiteral("x")}}));
    other->useSpecificSearch(0);
    QCOMPARE(other->searchTableController()->numberOfRows(), 2);
    QCOMPARE(other->searchTableController()->rowView(0)->dataField()->text(), QStringLiteral("Sm"));
    QCOMPARE(m_prefs->previousSearch()->numSearchItems(), 2);
    other->useSpecificSearch(5); // no such saved search: nothing changes
    QCOMPARE(other->searchCriteria()->numSearchItems(), 2);
    // A change to the attributes redraws the rows from the criteria.
    other->searchCriteria()->searchItemAtIndex(0)->setSearchText(QStringLiteral("Jo"));
    TBNotificationCenter::defaultCenter()->post(TBPrefsAttributesHaveChangedNotification);
    QCOMPARE(other->searchTableController()->rowView(0)->dataField()->text(), QStringLiteral("Jo"));
}

void tst_TBSearchDocument::paneHeightsAreRemembered()
{
    TBSearchDocument* first = makeDocument();
    QVERIFY(QTest::qWaitForWindowExposed(first));
    QSplitter* split = first->splitView();
    const QList<int> sizes = split->sizes();
    // Moving the divider stores the heights.
    split->setSizes({sizes.value(0) - 60, sizes.value(1) + 60});
    Q_EMIT split->splitterMoved(sizes.value(0) - 60, 1);
    QCOMPARE(m_prefs->defaultSearchTopHeight(), qint64(sizes.value(0) - 60));
    QCOMPARE(m_prefs->defaultSearchBottomHeight(), qint64(sizes.value(1) + 60));

    TBSearchDocument* second = makeDocument();
    QVERIFY(QTest::qWaitForWindowExposed(second));
    QCOMPARE(second->splitView()->sizes(), (QList<int> {sizes.value(0) - 60, sizes.value(1) + 60}));
    QVERIFY(second->splitView()->sizes().value(0) >= second->subviewTopHeight());
}

void tst_TBSearchDocument::criteriaRowsTakeTheirRoomFromTheSplitView()
{
    TBSearchDocument* document = makeDocument();
    QVERIFY(QTest::qWaitForWindowExposed(document));
    QWidget* area = document->findChild<QWidget*>(QStringLiteral("searchScrollView"));
    QVERIFY(area);
    QSplitter* split = document->splitView();
    const int step = document->searchTableController()->rowHeight();
    QVERIFY(step > 0);
    const int windowHeight = document->height();
    const int areaHeight = area->height();
    const QList<int> sizes = split->sizes();
    const auto settled = [&](int rows) {
        return QTest::qWaitFor([&] { return area->height() == areaHeight + (rows - 1) * step; }, 5000);
    };

    // Each row the criteria area gains is a row the entry table gives up; the window keeps its size.
    TBSearchCriteriaRow* row = document->searchTableController()->rowView(0);
    document->addSearchItem(row->addButton());
    QVERIFY(settled(2));
    QCOMPARE(split->sizes(), (QList<int> {sizes.value(0) - step, sizes.value(1)}));
    QCOMPARE(document->height(), windowHeight);
    // Pane heights are stored as they would be with one row, so the next window starts alike.
    Q_EMIT split->splitterMoved(split->sizes().value(0), 1);
    QCOMPARE(m_prefs->defaultSearchTopHeight(), qint64(sizes.value(0)));
    QCOMPARE(m_prefs->defaultSearchBottomHeight(), qint64(sizes.value(1)));

    // A new window that starts from a two-row search lays out the stored heights the same way.
    m_prefs->setPreviousSearch(document->searchCriteria()->copy());
    TBSearchDocument* next = makeDocument();
    QVERIFY(QTest::qWaitForWindowExposed(next));
    QCOMPARE(next->searchTableController()->numberOfRows(), 2);
    QCOMPARE(next->splitView()->sizes(), (QList<int> {sizes.value(0) - step, sizes.value(1)}));

    document->delSearchItem(document->searchTableController()->rowView(1)->delButton());
    QVERIFY(settled(1));
    QCOMPARE(split->sizes(), sizes);

    // Four rows in a short window: the entry table keeps its minimum and the details give way.
    document->resize(document->width(), 1); // held at its least height
    document->applySearchCriteria(criteria({{QStringLiteral("sn"), TBSearchTypeIs, QStringLiteral("a")},
                                            {QStringLiteral("sn"), TBSearchTypeIs, QStringLiteral("b")},
                                            {QStringLiteral("sn"), TBSearchTypeIs, QStringLiteral("c")},
                                            {QStringLiteral("sn"), TBSearchTypeIs, QStringLiteral("d")}}));
    QVERIFY(settled(4));
    QTRY_VERIFY2(split->sizes().value(0) >= document->subviewTopHeight(),
                 qPrintable(QStringLiteral("%1 < %2").arg(split->sizes().value(0)).arg(document->subviewTopHeight())));
    QVERIFY(split->sizes().value(1) > 0);
}

void tst_TBSearchDocument::controlClickShowsTheSearchCommandOnly()
{
    TB_REQUIRE_SAMPLE_SLAPD(m_uri);
    addDirectory();
    TBSearchDocument* document = makeDocument();
    QVERIFY(QTest::qWaitForWindowExposed(document));
    document->setSearchCriteria(criteria({{QStringLiteral("uid"), TBSearchTypeIs, QStringLiteral("alice")}}));
    document->search();
    QTRY_VERIFY_WITH_TIMEOUT(!document->searcherBusy(), kToolTimeout);
    QCOMPARE(document->entryTable()->numberOfRows(), 1);
    document->clearOutputText();

    document->setSearchCriteria(criteria({{QStringLiteral("sn"), TBSearchTypeStartsWith, QStringLiteral("S")}}));
    QTest::mouseClick(document->searchButton(), Qt::LeftButton, Qt::ControlModifier);
    QVERIFY(!document->searcherBusy());
    QVERIFY(!document->currentCommand());
    QCOMPARE(document->currentTabView(), 1);
    const QString output = document->commandOutputText()->plainText();
    QVERIFY2(output.startsWith(QStringLiteral("\nCommand:\n\n/usr/bin/ldapsearch ")), qPrintable(output));
    QVERIFY2(output.contains(QStringLiteral("'(sn=S*)'")), qPrintable(output));
    // Nothing ran: the results of the last search stay.
    QCOMPARE(document->entryTable()->numberOfRows(), 1);
    QCOMPARE(document->numEntriesField()->text(), QStringLiteral("Number of entries: 1"));
}

namespace {

// A dark palette as applications and desktop styles set one: the main roles only.
QPalette darkPalette()
{
    QPalette dark = QApplication::style()->standardPalette();
    const QColor window(53, 53, 53), base(35, 35, 35), text(230, 230, 230);
    for (auto role : {QPalette::Window, QPalette::Button})
        dark.setColor(role, window);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::BrightText})
        dark.setColor(role, text);
    dark.setColor(QPalette::Base, base);
    dark.setColor(QPalette::AlternateBase, QColor(45, 45, 45));
    dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(127, 127, 127));
    dark.setColor(QPalette::Disabled, QPalette::Text, QColor(127, 127, 127));
    dark.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(127, 127, 127));
    return dark;
}

} // namespace

// With a dark palette every text of the window reads against its background, and no label or
// button is squeezed below the size its text needs (run with QT_SCALE_FACTOR=2 to see the same at
// twice the size). With TB_SCREENSHOT_DIR set, the window is saved there as a picture.
void tst_TBSearchDocument::darkPaletteKeepsTextReadableAndWhole()
{
    TB_REQUIRE_SAMPLE_SLAPD(m_uri);
    const QPalette saved = QApplication::palette();
    QApplication::setPalette(darkPalette());
    // No key held, whatever an earlier mouse click left behind.
    TBDocument::setModifierSource([] { return Qt::NoModifier; });
    const auto restore = qScopeGuard([&] {
        QApplication::setPalette(saved);
        TBDocument::setModifierSource(nullptr);
    });
    m_prefs->setShowFriendlyAttrs(true);
    addDirectory();
    TBSearchDocument* document = makeDocument();
    QVERIFY(QTest::qWaitForWindowExposed(document));
    document->setSearchCriteria(criteria({{QStringLiteral("uid"), TBSearchTypeIs, QStringLiteral("alice")}}));
    document->search();
    QTRY_VERIFY_WITH_TIMEOUT(!document->searcherBusy(), kToolTimeout);
    QCOMPARE(document->entryTable()->numberOfRows(), 1);
    document->entryTable()->selectRow(0);
    QCoreApplication::processEvents();

    for (const QWidget* widget : document->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(document) || widget->size().isEmpty())
            continue;
        const auto* label = qobject_cast<const QLabel*>(widget);
        const auto* button = qobject_cast<const QAbstractButton*>(widget);
        if (!label && !button)
            continue;
        const QString text = label ? label->text() : button->text();
        if (text.isEmpty())
            continue; // a picture or an icon: no text to cut
        const QString what = QLatin1String(widget->metaObject()->className()) + QLatin1Char(' ') + text;
        const QSize least = widget->minimumSizeHint();
        QVERIFY2(widget->width() >= least.width() && widget->height() >= least.height(), qPrintable(what));
        if (label) {
            const QPalette& p = label->palette();
            const QPalette::ColorGroup group = label->isEnabled() ? QPalette::Active : QPalette::Disabled;
            QVERIFY2(TBTestSupport::contrast(p.color(group, label->foregroundRole()),
                                             p.color(group, label->backgroundRole()))
                         >= 3,
                     qPrintable(what));
        }
    }
    // Secondary cell text ("(multiple values)" and the like) against the table's base.
    const QAbstractItemModel* model = document->entryTable()->model();
    const QColor base = document->entryTable()->palette().color(QPalette::Base);
    for (int row = 0; row < qMin(model->rowCount(), 20); ++row) {
        for (int column = 0; column < model->columnCount(); ++column) {
            const QVariant color = model->index(row, column).data(Qt::ForegroundRole);
            if (color.isValid())
                QVERIFY2(TBTestSupport::contrast(color.value<QColor>(), base) >= 4.5,
                         qPrintable(color.value<QColor>().name()));
        }
    }
    const QString folder = qEnvironmentVariable("TB_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        const QString name = qEnvironmentVariable("QT_SCALE_FACTOR") == QLatin1String("2")
            ? QStringLiteral("search-window-dark-2x.png")
            : QStringLiteral("search-window-dark.png");
        QVERIFY(document->grab().save(QDir(folder).filePath(name)));
    }
}

QTEST_MAIN(tst_TBSearchDocument)
#include "tst_TBSearchDocument.moc"
