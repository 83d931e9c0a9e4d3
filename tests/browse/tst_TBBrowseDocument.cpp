#include "TBBrowseDocument.h"
#include "TBDetailsTextView.h"
#include "TBEntryItem.h"
#include "TBEntryItemTableController.h"
#include "TBOutlineView.h"
#include "TBPreferences.h"
#include "TBSearcher.h"
#include "TBTestSupport.h"
#include "TBTextView.h"
#include "TBUserDefaults.h"

#include <QAction>
#include <QBrush>
#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>

// The browse window against the sample directory: the root, listings on expansion (once), the
// placeholder, reading a selected node, the no-directory row, Ctrl, a changed directory, options
// and the export of the selected node.
class tst_TBBrowseDocument : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void noDirectoryRow();
    void rootNames_data();
    void rootNames();
    void expandListsOnce();
    void emptyContainerShowsPlaceholder();
    void selectingReadsTheNode();
    void busyWindowRefusesSelectionAndExpansion();
    void controlShowsTheCommandOnly();
    void changingDirectoryDropsTheTree();
    void defaultOptions_data();
    void defaultOptions();
    void exportSelectedNode_data();
    void exportSelectedNode();
    void growingWindowGrowsBothPanes();
    void unselectableRowShowsNoFocusFrame();

private:
    TBDirectoryPtr addDirectory(const QString& name = QStringLiteral("Sample"),
                                const QString& base = TBTestSupport::sampleBase);
    TBBrowseDocument* makeDocument();
    static QModelIndex rootIndex(TBBrowseDocument* document);
    static QModelIndex childNamed(TBBrowseDocument* document, const QModelIndex& parent, const QString& name);
    // Expands the node and waits until the listing has ended.
    static bool expandAndWait(TBBrowseDocument* document, const QModelIndex& index);
    static bool selectAndWait(TBBrowseDocument* document, const QModelIndex& index);
    static int commandCount(TBBrowseDocument* document);
    // The sample's alice, read and selected.
    QModelIndex selectAlice(TBBrowseDocument* document);

    TBPreferences* m_prefs = nullptr;
    QString m_uri;
    QList<QPointer<TBBrowseDocument>> m_documents;
};

namespace {

// Whether the window's menu offers the command now, as when a menu opens.
bool enabled(TBDocument* document, QAction* TBDocumentActions::*command)
{
    document->updateMenuActionState();
    return (document->menuActions().*command)->isEnabled();
}
constexpr int kToolTimeout = 60000;
} // namespace

void tst_TBBrowseDocument::initTestCase()
{
    TBTestSupport::useScratchConfig();
    TBUserDefaults::resetStandardUserDefaults();
    TBPreferences::resetSharedPreferences();
    m_prefs = TBPreferences::sharedPreferences();
    m_uri = TBTestSupport::sampleURI();
}

void tst_TBBrowseDocument::init()
{
    m_prefs->setDirectories({});
    m_prefs->setCurrentDirectoryID(0);
    m_prefs->setFetchWhichAttrs(0);
    m_prefs->setMaxHits(0); // ou=People and ou=Big hold more than the default hit limit
    TBDocument::setModifierSource(nullptr);
}

void tst_TBBrowseDocument::cleanup()
{
    TBDocument::setModifierSource(nullptr);
    for (const QPointer<TBBrowseDocument>& document : std::as_const(m_documents))
        delete document.data();
    m_documents.clear();
}

TBDirectoryPtr tst_TBBrowseDocument::addDirectory(const QString& name, const QString& base)
{
    TBDirectoryPtr directory = TBDirectory::directory();
    directory->setDirectoryName(name);
    directory->setLdapURI(m_uri);
    directory->setSearchBase(base);
    directory->setStartTLS(2);
    m_prefs->setDirectories(m_prefs->directories() + QList {directory});
    m_prefs->setCurrentDirectoryID(qint64(directory->directoryID()));
    return directory;
}

TBBrowseDocument* tst_TBBrowseDocument::makeDocument()
{
    auto* document = new TBBrowseDocument;
    document->setCurrentDirectoryID(m_prefs->currentDirectoryID());
    document->loadWindow();
    document->show();
    m_documents.append(document);
    return document;
}

QModelIndex tst_TBBrowseDocument::rootIndex(TBBrowseDocument* document)
{
    return document->entryItemTableController()->index(0, 0);
}

QModelIndex tst_TBBrowseDocument::childNamed(TBBrowseDocument* document, const QModelIndex& parent, const QString& name)
{
    const TBEntryItemTableController* model = document->entryItemTableController();
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        if (index.data().toString() == name)
            return index;
    }
    return {};
}

bool tst_TBBrowseDocument::expandAndWait(TBBrowseDocument* document, const QModelIndex& index)
{
    document->entryItemTable()->expand(index);
    return QTest::qWaitFor([document] { return !document->searcherBusy() && !document->currentCommand(); },
                           kToolTimeout);
}

bool tst_TBBrowseDocument::selectAndWait(TBBrowseDocument* document, const QModelIndex& index)
{
    document->entryItemTable()->setCurrentIndex(index);
    return QTest::qWaitFor([document] { return !document->searcherBusy() && !document->currentCommand(); },
                           kToolTimeout);
}

int tst_TBBrowseDocument::commandCount(TBBrowseDocument* document)
{
    return int(document->commandOutputText()->plainText().count(QStringLiteral("Command:")));
}

QModelIndex tst_TBBrowseDocument::selectAlice(TBBrowseDocument* document)
{
    if (!expandAndWait(document, rootIndex(document)))
        return {};
    const QModelIndex people = childNamed(document, rootIndex(document), QStringLiteral("ou=People"));
    if (!people.isValid() || !expandAndWait(document, people))
        return {};
    const QModelIndex alice = childNamed(document, people, QStringLiteral("uid=alice"));
    if (!alice.isValid() || !selectAndWait(document, alice))
        return {};
    return alice;
}

void tst_TBBrowseDocument::noDirectoryRow()
{
    TBBrowseDocument* document = makeDocument();
    QVERIFY(!document->rootEntryItem());
    QCOMPARE(document->optionsMenuTitle(), QStringLiteral("Browse Options..."));
    const QModelIndex row = rootIndex(document);
    QCOMPARE(document->entryItemTableController()->rowCount(), 1);
    QCOMPARE(row.data().toString(), QStringLiteral("No Directory - Use Preferences to add a directory."));
    QVERIFY(row.data(Qt::ForegroundRole).canConvert<QBrush>());
    QVERIFY(!document->entryItemTableController()->hasChildren(row));

    TBOutlineView* outline = document->entryItemTable();
    outline->setCurrentIndex(row);
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, outline->visualRect(row).center());
    QCOMPARE(outline->numberOfSelectedRows(), 0);
    outline->expand(row);
    QVERIFY(!outline->isExpanded(row));
    QVERIFY(!document->canBrowse());
    QVERIFY(!enabled(document, &TBDocumentActions::whoami));
    QCOMPARE(commandCount(document), 0);
}

void tst_TBBrowseDocument::rootNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("shownName");
    QTest::addColumn<QString>("dn");

    QTest::newRow("both") << "Sample"
                          << "dc=tamblin,dc=test"
                          << "Sample"
                          << "dc=tamblin,dc=test";
    QTest::newRow("no name") << ""
                             << "dc=tamblin,dc=test"
                             << "No directory name"
                             << "dc=tamblin,dc=test";
    QTest::newRow("no base") << "Sample"
                             << ""
                             << "Sample"
                             << "No searchbase";
}

void tst_TBBrowseDocument::rootNames()
{
    QFETCH(QString, name);
    QFETCH(QString, base);
    QFETCH(QString, shownName);
    QFETCH(QString, dn);
    addDirectory(name, base);
    TBBrowseDocument* document = makeDocument();
    QVERIFY(document->rootEntryItem());
    QCOMPARE(document->rootEntryItem()->dn(), dn);
    QCOMPARE(rootIndex(document).data().toString(), shownName);
    // Unlisted, yet it shows it can be opened.
    QVERIFY(document->entryItemTableController()->hasChildren(rootIndex(document)));
    QCOMPARE(document->entryItemTableController()->rowCount(rootIndex(document)), 0);
}

void tst_TBBrowseDocument::expandListsOnce()
{
    TB_REQUIRE_SAMPLE_SLAPD(m_uri);
    addDirectory();
    TBBrowseDocument* document = makeDocument();
    const QModelIndex root = rootIndex(document);
    QVERIFY(expandAndWait(document, root));
    QVERIFY(!document->messageSheet());
    QVERIFY(document->entryItemTable()->isExpanded(root));
    QVERIFY(document->rootEntryItem()->haveBrowsed());
    QVERIFY(!document->searchEntryItem());
    QCOMPARE(commandCount(document), 1);

    QStringList names;
    for (int row = 0; row < document->entryItemTableController()->rowCount(root); ++row)
        names.append(document->entryItemTableController()->index(row, 0, root).data().toString());
    QCOMPARE(names,
             QStringList({"cn=admin", "cn=pager", "cn=reader", "ou=Big", "ou=Empty", "ou=Groups", "ou=Locations",
                          "ou=Org", "ou=People"}));
    const QModelIndex big = childNamed(document, root, QStringLiteral("ou=Big"));
    QCOMPARE(TBEntryItemTableController::itemForIndex(big)->dn(), QStringLiteral("ou=Big,dc=tamblin,dc=test"));

    // Opening again shows what is there, without another run.
    document->entryItemTable()->collapse(root);
    QVERIFY(expandAndWait(document, root));
    QVERIFY(document->entryItemTable()->isExpanded(root));
    QCOMPARE(commandCount(document), 1);

    // A container with 10 000 children arrives in one piece, sorted.
    QVERIFY(expandAndWait(document, big));
    QCOMPARE(document->entryItemTableController()->rowCount(big), 10000);
    QCOMPARE(document->entryItemTableController()->index(0, 0, big).data().toString(), QStringLiteral("cn=item00001"));
    QCOMPARE(document->entryItemTableController()->index(9999, 0, big).data().toString(),
             QStringLiteral("cn=item10000"));
    const QModelIndex last = document->entryItemTableController()->index(9999, 0, big);
    QCOMPARE(document->entryItemTableController()->parent(last), big);
    QCOMPARE(commandCount(document), 2);
}

void tst_TBBrowseDocument::emptyContainerShowsPlaceholder()
{
    TB_REQUIRE_SAMPLE_SLAPD(m_uri);
    addDirectory();
    TBBrowseDocument* document = makeDocument();
    QVERIFY(expandAndWait(document, rootIndex(document)));
    const QModelIndex empty = childNamed(document, rootIndex(document), QStringLiteral("ou=Empty"));
    QVERIFY(empty.isValid());
    QVERIFY(expandAndWait(document, empty));
    QVERIFY(!document->messageSheet());
    QVERIFY(document->entryItemTable()->isExpanded(empty));
    QCOMPARE(document->entryItemTableController()->rowCount(empty), 1);
    const QModelIndex placeholder = document->entryItemTableController()->index(0, 0, empty);
    QCOMPARE(placeholder.data().toString(), QStringLiteral("n/a"));
    QVERIFY(placeholder.data(Qt::ForegroundRole).canConvert<QBrush>());
    QVERIFY(!document->entryItemTableController()->hasChildren(placeholder));

    const int runs = commandCount(document);
    document->entryItemTable()->setCurrentIndex(placeholder);
    QCOMPARE(document->entryItemTable()->numberOfSelectedRows(), 0);
    document->entryItemTable()->expand(placeholder);
    QVERIFY(!document->entryItemTable()->isExpanded(placeholder));
    QCOMPARE(commandCount(document), runs);
}

void tst_TBBrowseDocument::selectingReadsTheNode()
{
    TB_REQUIRE_SAMPLE_SLAPD(m_uri);
    addDirectory();
    TBBrowseDocument* document = makeDocument();
    const QModelIndex alice = selectAlice(document);
    QVERIFY(alice.isValid());
    QVERIFY(!document->messageSheet());
    TBEntryItem* item = TBEntryItemTableController::itemForIndex(alice);
    QVERIFY(item->entry());
    QVERIFY(item->haveSearched());
    QVERIFY(!item->haveBrowsed());
    const QString details = document->detailsText()->plainText();
    QVERIFY2(details.contains(QStringLiteral("Alice Example")), qPrintable(details));
    QVERIFY(document->detailsText()->document()->toHtml().contains(QStringLiteral("<img"))); // the pictures
    QCOMPARE(document->draggedFileBaseName(), QStringLiteral("alice"));
    QVERIFY(document->canExportEntries());
    const int runs = commandCount(document);

    // Back to a node already read: its details, no run.
    const QModelIndex people = alice.parent();
    QVERIFY(selectAndWait(document, people));
    QCOMPARE(commandCount(document), runs + 1);
    QCOMPARE(document->draggedFileBaseName(), QStringLiteral("People"));
    QVERIFY(selectAndWait(document, alice));
    QCOMPARE(commandCount(document), runs + 1);
    QVERIFY(document->detailsText()->plainText().contains(QStringLiteral("Alice Example")));

    // Alt reads it again.
    TBDocument::setModifierSource([] { return Qt::KeyboardModifiers(Qt::AltModifier); });
    QVERIFY(selectAndWait(document, people));
    QCOMPARE(commandCount(document), runs + 2);
    QVERIFY(document->detailsText()->plainText().contains(QStringLiteral("ou: People")));

    // Nothing selected: no details.
    document->entryItemTable()->selectNone();
    QCOMPARE(document->detailsText()->plainText().trimmed(), QString());
}

void tst_TBBrowseDocument::busyWindowRefusesSelectionAndExpansion()
{
    TB_REQUIRE_SAMPLE_SLAPD(m_uri);
    addDirectory();
    TBBrowseDocument* document = makeDocument();
    QVERIFY(expandAndWait(document, rootIndex(document)));
    const QModelIndex big = childNamed(document, rootIndex(document), QStringLiteral("ou=Big"));
    const QModelIndex org = childNamed(document, rootIndex(document), QStringLiteral("ou=Org"));
    document->entryItemTable()->expand(big);
    QVERIFY(document->searcherBusy() || document->currentCommand());
    QVERIFY(document->searchEntryItem());
    if (document->searcherBusy()) {
        document->entryItemTable()->setCurrentIndex(org);
        QCOMPARE(document->entryItemTable()->numberOfSelectedRows(), 0);
        document->entryItemTable()->expand(org);
        QVERIFY(!document->entryItemTable()->isExpanded(org));
    }
    QVERIFY(
        QTest::qWaitFor([document] { return !document->searcherBusy() && !document->currentCommand(); }, kToolTimeout));
    QVERIFY(document->entryItemTable()->isExpanded(big));
    QVERIFY(!TBEntryItemTableController::itemForIndex(org)->haveBrowsed());
}

void tst_TBBrowseDocument::controlShowsTheCommandOnly()
{
    TB_REQUIRE_SAMPLE_SLAPD(m_uri);
    addDirectory();
    TBBrowseDocument* document = makeDocument();
    TBDocument::setModifierSource([] { return Qt::KeyboardModifiers(Qt::ControlModifier); });
    document->entryItemTable()->expand(rootIndex(document));
    QVERIFY(!document->searcherBusy());
    QVERIFY(!document->currentCommand());
    QVERIFY(!document->searchEntryItem());
    QVERIFY(!document->entryItemTable()->isExpanded(rootIndex(document)));
    QVERIFY(!document->rootEntryItem()->haveBrowsed());
    const QString output = document->commandOutputText()->plainText();
    QVERIFY2(output.contains(QStringLiteral("ldapsearch")), qPrintable(output));
    QVERIFY(output.contains(QStringLiteral("dc=tamblin,dc=test")));
    QCOMPARE(document->currentTabView(), 1);
}

void tst_TBBrowseDocument::changingDirectoryDropsTheTree()
{
    TB_REQUIRE_SAMPLE_SLAPD(m_uri);
    addDirectory(QStringLiteral("Sample"));
    addDirectory(QStringLiteral("People only"), QStringLiteral("ou=People,dc=tamblin,dc=test"));
    TBBrowseDocument* document = makeDocument();
    QCOMPARE(rootIndex(document).data().toString(), QStringLiteral("People only"));
    QVERIFY(expandAndWait(document, rootIndex(document)));
    QVERIFY(!document->commandOutputText()->plainText().isEmpty());

    document->changeDirectory(0);
    QCOMPARE(rootIndex(document).data().toString(), QStringLiteral("Sample"));
    QCOMPARE(document->rootEntryItem()->dn(), TBTestSupport::sampleBase);
    QVERIFY(!document->rootEntryItem()->haveBrowsed());
    QCOMPARE(document->entryItemTableController()->rowCount(rootIndex(document)), 0);
    QVERIFY(!document->entryItemTable()->isExpanded(rootIndex(document)));
    QVERIFY(document->commandOutputText()->plainText().isEmpty());
}

void tst_TBBrowseDocument::defaultOptions_data()
{
    QTest::addColumn<qint64>("preference");
    QTest::addColumn<qint64>("expected");
    for (qint64 value = 0; value <= 4; ++value)
        QTest::addRow("fetch %lld", value) << value << ((value == 1 || value == 4) ? qint64(0) : value);
}

void tst_TBBrowseDocument::defaultOptions()
{
    QFETCH(qint64, preference);
    QFETCH(qint64, expected);
    m_prefs->setFetchWhichAttrs(preference);
    TBBrowseDocument* document = makeDocument();
    QCOMPARE(document->getDefaultOptions().value(QStringLiteral("FetchWhichAttrs")).toLongLong(), expected);
}

void tst_TBBrowseDocument::exportSelectedNode_data()
{
    QTest::addColumn<qint64>("format");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("rtf");

    QTest::newRow("plain text") << qint64(0) << "alice.txt" << false;
    QTest::newRow("rich text") << qint64(1) << "alice.rtf" << true;
    QTest::newRow("rich text with pictures") << qint64(2) << "alice.rtfd" << true;
    QTest::newRow("delimited reads as plain") << qint64(3) << "alice.txt" << false;
}

void tst_TBBrowseDocument::exportSelectedNode()
{
    QFETCH(qint64, format);
    QFETCH(QString, fileName);
    QFETCH(bool, rtf);
    TB_REQUIRE_SAMPLE_SLAPD(m_uri);
    addDirectory();
    TBBrowseDocument* document = makeDocument();
    QVERIFY(selectAlice(document).isValid());
    QVERIFY(document->selectedEntryHasPicture());
    QTemporaryDir folder;
    const QString path = folder.filePath(fileName);
    document->setExportFileFormat(format);
    QVERIFY(document->exportEntriesToPath(path));
    const bool package = format == 2;
    QFile file(package ? path + QStringLiteral("/TXT.rtf") : path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    QCOMPARE(content.startsWith("{\\rtf1"), rtf);
    QVERIFY(content.contains("Alice Example"));
    if (package) {
        QVERIFY(QFile::exists(path + QStringLiteral("/Photo_1.jpg")));
    } else {
        QVERIFY(!content.contains("Photo_1.jpg"));
    }
}

void tst_TBBrowseDocument::growingWindowGrowsBothPanes()
{
    TBBrowseDocument* document = makeDocument();
    QSplitter* split = document->splitView();
    const QList<int> start = split->sizes();
    document->resize(document->width(), document->height() + 200);
    QTRY_VERIFY(split->sizes().value(0) + split->sizes().value(1) >= start.value(0) + start.value(1) + 200);
    // Both take a share, so a photo in the Details pane comes into view.
    QVERIFY2(split->sizes().value(0) >= start.value(0) + 50, qPrintable(QString::number(split->sizes().value(0))));
    QVERIFY2(split->sizes().value(1) >= start.value(1) + 50, qPrintable(QString::number(split->sizes().value(1))));
}

void tst_TBBrowseDocument::unselectableRowShowsNoFocusFrame()
{
    TBBrowseDocument* document = makeDocument();
    TBOutlineView* outline = document->entryItemTable();
    document->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(document));
    outline->setFocus();
    QTRY_VERIFY(outline->hasFocus());
    outline->setCurrentIndex(QModelIndex());
    const QImage plain = outline->viewport()->grab().toImage();
    // The no-directory row as the current row looks just as it does without it.
    outline->setCurrentIndex(rootIndex(document));
    QCOMPARE(outline->currentIndex(), rootIndex(document));
    QCOMPARE(outline->viewport()->grab().toImage(), plain);
}

QTEST_MAIN(tst_TBBrowseDocument)
#include "tst_TBBrowseDocument.moc"
