#include "TBAuthenticationSheet.h"
#include "TBDetailsTextView.h"
#include "TBDocument.h"
#include "TBFindBar.h"
#include "TBKeychain.h"
#include "TBNotificationCenter.h"
#include "TBOptionsSheet.h"
#include "TBPreferences.h"
#include "TBRichText.h"
#include "TBSearcher.h"
#include "TBTestSupport.h"
#include "TBTextView.h"
#include "TBUserDefaults.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QImageReader>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QSplitterHandle>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTest>

// The document base: the directory pop-up and its reactions to the preferences, the split view,
// the text tabs, message sheets, exports, pictures, the options sheet, credentials and the
// keyring, and running who-am-I end to end against the sample slapd.
class tst_TBDocument : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void popUpWithoutDirectories();
    void popUpNamesAndTooltips();
    void deletingTheWindowsDirectory();
    void deletingTheLastDirectory();
    void addingDirectoriesChoosesTheFirst();
    void splitViewGivesGrowthToTheTopPane();
    void doubleClickOnDividerCollapsesTheBottom();
    void textTabs();
    void messageSheets_data();
    void messageSheets();
    void messagesWaitForEachOther();
    void exportCommandOutput();
    void exportFailureIsShownAfterThePanel();
    void pictureFileNames();
    void picturesInTheDetailsText();
    void findBarSearchesTheShownPane();
    void optionsFollowThePreferencesUntilConfirmed();
    void credentialsKey_data();
    void credentialsKey();
    void needsAuthentication_data();
    void needsAuthentication();
    void authenticationSheetForms();
    void onlyTheOriginalDNIsRemembered();
    void cancelledSheetRunsNothing();
    void whoamiAnswers_data();
    void whoamiAnswers();
    void wrongPasswordIsForgotten();
    void keyringSuppliesThePassword();
    void controlShowsTheCommandOnly();
    void busyWindowRefusesToClose();
    void quittingCancelsTheTool();
    void missingToolIsReported();

private:
    TBDirectoryPtr addDirectory(const QString& name, quint64 authentication = 0, const QString& simpleID = QString(),
                                const QString& uri = QString());
    TBDocument* makeDocument(bool show = true);
    QMessageBox* waitForMessage(TBDocument* document);
    static void dismiss(QMessageBox* sheet);
    QString writeScript(const QString& name, const QString& body);

    TBPreferences* m_prefs = nullptr;
    QString m_uri;
    QTemporaryDir m_scratch;
    QList<QPointer<TBDocument>> m_documents;
};

namespace {

// Whether the window's menu offers the command now, as when a menu opens.
bool enabled(TBDocument* document, QAction* TBDocumentActions::*command)
{
    document->updateMenuActionState();
    return (document->menuActions().*command)->isEnabled();
}

constexpr int kToolTimeout = 60000;

QStandardItemModel* popUpModel(TBDocument* document)
{
    return qobject_cast<QStandardItemModel*>(document->directoryPopUp()->model());
}

QStringList popUpTitles(TBDocument* document)
{
    QStringList titles;
    for (int i = 0; i < document->directoryPopUp()->count(); ++i)
        titles.append(document->directoryPopUp()->itemText(i));
    return titles;
}

} // namespace

void tst_TBDocument::initTestCase()
{
    TBTestSupport::useScratchConfig();
    TBUserDefaults::resetStandardUserDefaults();
    TBPreferences::resetSharedPreferences();
    m_prefs = TBPreferences::sharedPreferences();
    QVERIFY(m_prefs);
    m_uri = TBTestSupport::sampleURI();
}

void tst_TBDocument::init()
{
    m_prefs = TBPreferences::sharedPreferences();
    m_prefs->setDirectories({});
    m_prefs->setCurrentDirectoryID(0);
    m_prefs->setPathLDAPWhoami(QStringLiteral("/usr/bin/ldapwhoami"));
    m_prefs->setMaxHits(100);
    TBDocument::setModifierSource({});
}

void tst_TBDocument::cleanup()
{
    TBDocument::setModifierSource({});
    for (const QPointer<TBDocument>& document : std::as_const(m_documents)) {
        if (document && document->searcher() && document->searcher()->busy()) {
            document->cancelSearchOperation();
            QTRY_VERIFY_WITH_TIMEOUT(!document || !document->searcherBusy(), kToolTimeout);
        }
        delete document.data();
    }
    m_documents.clear();
}

TBDirectoryPtr tst_TBDocument::addDirectory(const QString& name, quint64 authentication, const QString& simpleID,
                                            const QString& uri)
{
    TBDirectoryPtr directory = TBDirectory::directory();
    directory->setDirectoryName(name);
    directory->setLdapURI(uri.isEmpty() ? m_uri : uri);
    directory->setSearchBase(TBTestSupport::sampleBase);
    directory->setAuthentication(authentication);
    directory->setSimpleID(simpleID);
    m_prefs->setDirectories(m_prefs->directories() + QList {directory});
    return directory;
}

TBDocument* tst_TBDocument::makeDocument(bool show)
{
    auto* document = new TBDocument;
    document->loadWindow();
    m_documents.append(document);
    if (show) {
        document->show();
        if (!QTest::qWaitForWindowExposed(document))
            qWarning("window not exposed");
    }
    return document;
}

QMessageBox* tst_TBDocument::waitForMessage(TBDocument* document)
{
    (void)QTest::qWaitFor([document] { return document->messageSheet() != nullptr; }, kToolTimeout);
    return document->messageSheet();
}

void tst_TBDocument::dismiss(QMessageBox* sheet)
{
    QVERIFY(sheet);
    auto* ok = sheet->findChild<QPushButton*>(QStringLiteral("messageSheetOK"));
    QVERIFY(ok);
    ok->click();
}

QString tst_TBDocument::writeScript(const QString& name, const QString& body)
{
    const QString path = m_scratch.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write("#!/bin/sh\n" + body.toUtf8() + "\n");
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return path;
}

// Directory pop-up

void tst_TBDocument::popUpWithoutDirectories()
{
    TBDocument* document = makeDocument(false);
    QCOMPARE(popUpTitles(document), QStringList {QStringLiteral("None Defined")});
    QVERIFY(!popUpModel(document)->item(0)->isEnabled());
    QVERIFY(!document->directoryPopUp()->isEnabled());
    QCOMPARE(document->currentDirectoryID(), 0);
    QVERIFY(!document->canRunCommand());
}

void tst_TBDocument::popUpNamesAndTooltips()
{
    addDirectory(QStringLiteral("Sample"));
    const TBDirectoryPtr unnamed = addDirectory(QString());
    unnamed->setSearchBase(QStringLiteral("ou=Sales Team,  dc=example"));
    m_prefs->setCurrentDirectoryID(qint64(unnamed->directoryID()));

    TBDocument* document = makeDocument(false);
    QCOMPARE(popUpTitles(document),
             (QStringList {QStringLiteral("Sample"), QStringLiteral("Error - Missing Directory Name")}));
    QCOMPARE(document->directoryPopUp()->currentIndex(), 1);
    // Every space of the base becomes a no-break space, so the base never wraps.
    const QString expected = m_uri + QStringLiteral("\nou=Sales\u00A0Team,\u00A0\u00A0dc=example");
    QCOMPARE(document->directoryPopUp()->toolTip(), expected);
    QCOMPARE(document->directoryPopUp()->itemData(1, Qt::ToolTipRole).toString(), expected);
}

void tst_TBDocument::deletingTheWindowsDirectory()
{
    const TBDirectoryPtr first = addDirectory(QStringLiteral("First"));
    const TBDirectoryPtr second = addDirectory(QStringLiteral("Second"));
    m_prefs->setCurrentDirectoryID(qint64(first->directoryID()));
    TBDocument* document = makeDocument(false);
    document->setSimpleID(QStringLiteral("cn=someone"));
    document->setLastSearchedDirectoryID(qint64(first->directoryID()));

    m_prefs->deleteDirectoryAtIndex(0);
    QCOMPARE(document->currentDirectoryID(), -1);
    QCOMPARE(document->lastSearchedDirectoryID(), -1);
    QCOMPARE(popUpTitles(document),
             (QStringList {QStringLiteral("Second"), QString(), QStringLiteral("Directory Deleted")}));
    QCOMPARE(document->directoryPopUp()->currentIndex(), 2);
    QVERIFY(!popUpModel(document)->item(2)->isEnabled());
    QCOMPARE(document->directoryPopUp()->toolTip(), QString());
    QVERIFY(!document->canRunCommand());

    // Choosing a directory leaves the deleted state and forgets the credentials.
    document->directoryPopUp()->setCurrentIndex(0);
    Q_EMIT document->directoryPopUp()->activated(0);
    QCOMPARE(popUpTitles(document), QStringList {QStringLiteral("Second")});
    QCOMPARE(document->currentDirectoryID(), qint64(second->directoryID()));
    QCOMPARE(m_prefs->currentDirectoryID(), qint64(second->directoryID()));
    QCOMPARE(document->simpleID(), QString());
    QVERIFY(document->canRunCommand());
}

void tst_TBDocument::deletingTheLastDirectory()
{
    const TBDirectoryPtr only = addDirectory(QStringLiteral("Only"));
    m_prefs->setCurrentDirectoryID(qint64(only->directoryID()));
    TBDocument* document = makeDocument(false);
    m_prefs->deleteDirectoryAtIndex(0);
    QCOMPARE(document->currentDirectoryID(), 0);
    QCOMPARE(popUpTitles(document), QStringList {QStringLiteral("None Defined")});
    QVERIFY(!document->directoryPopUp()->isEnabled());
}

void tst_TBDocument::addingDirectoriesChoosesTheFirst()
{
    TBDocument* document = makeDocument(false);
    const TBDirectoryPtr added = addDirectory(QStringLiteral("Added"));
    addDirectory(QStringLiteral("Another"));
    TBNotificationCenter::defaultCenter()->post(TBPrefsDirectoriesHaveChangedNotification, m_prefs);
    QCOMPARE(document->currentDirectoryID(), qint64(added->directoryID()));
    QCOMPARE(document->directoryPopUp()->currentIndex(), 0);
    QVERIFY(document->directoryPopUp()->isEnabled());

    // An edit of the directory of the last search forgets that search's directory.
    document->setLastSearchedDirectoryID(qint64(added->directoryID()));
    TBNotificationCenter::defaultCenter()->post(TBPrefsDirectoriesHaveChangedNotification, m_prefs,
                                                {{QStringLiteral("DirectoryID"), qint64(added->directoryID())}});
    QCOMPARE(document->lastSearchedDirectoryID(), 0);
}

// Split view and tabs

void tst_TBDocument::splitViewGivesGrowthToTheTopPane()
{
    TBDocument* document = makeDocument();
    QSplitter* split = document->splitView();
    const QList<int> start = split->sizes();
    QVERIFY(start.value(0) > document->subviewTopHeight());

    document->resize(document->width(), document->height() + 120);
    QTRY_COMPARE(split->sizes().value(1), start.value(1));
    QCOMPARE(split->sizes().value(0), start.value(0) + 120);

    // Shrinking takes from the top pane first, down to its minimum, and only then from the bottom.
    document->resize(document->width(),
                     document->height() - 120 - (start.value(0) - document->subviewTopHeight()) - 30);
    QTRY_COMPARE(split->sizes().value(0), document->subviewTopHeight());
    QCOMPARE(split->sizes().value(1), start.value(1) - 30);
}

void tst_TBDocument::doubleClickOnDividerCollapsesTheBottom()
{
    TBDocument* document = makeDocument();
    QSplitter* split = document->splitView();
    const int bottom = split->sizes().value(1);
    QTest::mouseDClick(split->handle(1), Qt::LeftButton);
    QCOMPARE(split->sizes().value(1), 0);
    QVERIFY(document->bottomCollapsed());
    QTest::mouseDClick(split->handle(1), Qt::LeftButton);
    QCOMPARE(split->sizes().value(1), bottom);
}

void tst_TBDocument::textTabs()
{
    TBDocument* document = makeDocument(false);
    QCOMPARE(document->currentTabView(), 0);
    QVERIFY(!document->canShowDetailsText());
    QVERIFY(document->canShowOutputText());
    document->selectTextTab(1);
    QCOMPARE(document->currentTabView(), 1);
    QVERIFY(document->canShowDetailsText());
    QVERIFY(!document->canShowOutputText());
    document->selectTextTab(7); // not a segment: only a beep
    QCOMPARE(document->currentTabView(), 1);
    document->selectTextTab(0);
    QCOMPARE(document->currentTabView(), 0);
}

// Message sheets

void tst_TBDocument::messageSheets_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("sheet"); // "" when only a beep is expected
    QTest::addColumn<QString>("mainText");
    QTest::addColumn<QString>("informativeText");

    QTest::newRow("text and title") << "More details may be in the Output text."
                                    << "Command returned an error (255)"
                                    << "message1Sheet"
                                    << "Command returned an error (255)"
                                    << "More details may be in the Output text.";
    QTest::newRow("text only") << "Could not create command object" << QString() << "message2Sheet"
                               << "Could not create command object" << QString();
    QTest::newRow("title only") << QString() << "Internal Error"
                                << "message3Sheet"
                                << "Internal Error" << QString();
    QTest::newRow("neither") << QString() << QString() << QString() << QString() << QString();
    QTest::newRow("markup is text") << "<b>not bold</b> & more"
                                    << "a < b"
                                    << "message1Sheet"
                                    << "a &lt; b"
                                    << "<b>not bold</b> & more";
}

void tst_TBDocument::messageSheets()
{
    QFETCH(QString, text);
    QFETCH(QString, title);
    QFETCH(QString, sheet);
    QFETCH(QString, mainText);
    QFETCH(QString, informativeText);

    TBDocument* document = makeDocument();
    document->displayMessageText(text, title);
    if (sheet.isEmpty()) {
        QVERIFY(!document->messageSheet());
        return;
    }
    QMessageBox* box = document->messageSheet();
    QVERIFY(box);
    QCOMPARE(box->objectName(), sheet);
    QVERIFY(box->isVisible());
    QCOMPARE(box->windowModality(), Qt::WindowModal);
    QCOMPARE(box->property("messageTitle").toString(), title);
    QCOMPARE(box->property("messageText").toString(), text);
    // The title is the heading; the text goes below it, or is the heading when alone.
    QVERIFY2(box->text().contains(mainText), qPrintable(box->text()));
    QCOMPARE(box->informativeText(), informativeText);
    dismiss(box);
    QVERIFY(!document->messageSheet());
}

void tst_TBDocument::messagesWaitForEachOther()
{
    TBDocument* document = makeDocument();
    document->setTheDeferredMessage(QStringLiteral("first text"), QStringLiteral("First"));
    document->displayTheDeferredMessage();
    document->displayTheDeferredMessage(); // nothing left: does nothing
    QMessageBox* first = document->messageSheet();
    QVERIFY(first);
    document->displayMessageTitle(QStringLiteral("Second"));
    QCOMPARE(document->messageSheet(), first);

    // Dismissing the first shows the Output tab when asked, then the waiting message.
    document->setShowOutputTextAfterSheet(true);
    dismiss(first);
    QCOMPARE(document->currentTabView(), 1);
    QVERIFY(!document->showOutputTextAfterSheet());
    QMessageBox* second = waitForMessage(document);
    QVERIFY(second);
    QCOMPARE(second->property("messageTitle").toString(), QStringLiteral("Second"));
    dismiss(second);
}

// Export

void tst_TBDocument::exportCommandOutput()
{
    TBDocument* document = makeDocument();
    QVERIFY(!enabled(document, &TBDocumentActions::exportCommandOutput));
    document->appendOutputText(QStringLiteral("\nCommand:\n\n"), false);
    document->appendOutputText(QStringLiteral("ldapsearch -x -b 'ou=Ventes, dc=exemple'"), true);
    document->appendOutputHorizontalLine();
    document->appendOutputData(QByteArrayLiteral("dn: cn=Zo\xc3\xab\n"), true);
    QVERIFY(enabled(document, &TBDocumentActions::exportCommandOutput));

    const QString path = m_scratch.filePath(QStringLiteral("Command Output.txt"));
    document->exportCommandOutput();
    QFileDialog* panel = document->savePanel();
    QVERIFY(panel);
    QVERIFY(document->exporting());
    QVERIFY(document->documentBusy());
    QVERIFY(!enabled(document, &TBDocumentActions::exportCommandOutput));
    QVERIFY(!enabled(document, &TBDocumentActions::searchOptions));
    panel->selectFile(path);
    QMetaObject::invokeMethod(panel, "accept");
    QVERIFY(!document->exporting());

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()),
             QStringLiteral("\nCommand:\n\nldapsearch -x -b 'ou=Ventes, dc=exemple'") + TBTextView::separatorText()
                 + QStringLiteral("\ndn: cn=Zoë\n"));
    QVERIFY(!document->messageSheet());
}

void tst_TBDocument::exportFailureIsShownAfterThePanel()
{
    TBDocument* document = makeDocument();
    document->appendOutputText(QStringLiteral("some output\n"), true);
    document->exportCommandOutput();
    QFileDialog* panel = document->savePanel();
    QVERIFY(panel);
    panel->selectFile(m_scratch.filePath(QStringLiteral("no such folder/out.txt")));
    QMetaObject::invokeMethod(panel, "accept");
    QMessageBox* sheet = waitForMessage(document);
    QVERIFY(sheet);
    QCOMPARE(sheet->property("messageTitle").toString(), QStringLiteral("Could not write text"));
    QVERIFY2(sheet->property("messageText").toString().contains(QStringLiteral("\n(Error code: ")),
             qPrintable(sheet->property("messageText").toString()));
    dismiss(sheet);
}

// Pictures

void tst_TBDocument::pictureFileNames()
{
    QTemporaryDir folder;
    QFile existing(folder.filePath(QStringLiteral("Photo.jpg")));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.close();
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);

    QCOMPARE(TBDocument::writePictureToFolder(image, folder.path(), QStringLiteral("Photo")),
             QStringLiteral("Photo 2.jpg"));
    QCOMPARE(TBDocument::writePictureToFolder(image, folder.path(), QStringLiteral("Photo")),
             QStringLiteral("Photo 3.jpg"));
    QImageReader reader(folder.filePath(QStringLiteral("Photo 3.jpg")));
    QCOMPARE(reader.format(), QByteArray("jpeg"));
    QCOMPARE(reader.read().size(), image.size());
    // Nothing to convert: no file and no name.
    QCOMPARE(TBDocument::writePictureToFolder(QImage(), folder.path(), QStringLiteral("Photo")), QString());
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), 3);
}

void tst_TBDocument::picturesInTheDetailsText()
{
    TBDocument* document = makeDocument();
    QImage image(60, 80, QImage::Format_RGB32);
    image.fill(Qt::red);
    TBRichText text;
    text.append(QStringLiteral("jpegPhoto: "), QTextCharFormat());
    text.appendImage(image, QStringLiteral("Photo_1.jpg"), QTextCharFormat());
    text.append(QStringLiteral("\ncn: Somebody\n"), QTextCharFormat());
    TBDetailsTextView* details = document->detailsText();
    QTextCursor cursor = details->endCursor();
    text.insertInto(cursor);
    details->textInserted();
    QCoreApplication::processEvents();

    QTextCursor before(details->document());
    before.setPosition(QStringLiteral("jpegPhoto: ").size());
    const QRect caret = details->cursorRect(before);
    const QPoint inside(caret.left() + 30, caret.top() + caret.height() / 2);
    QCOMPARE(details->imageAt(inside).size(), image.size());
    QVERIFY(details->imageAt(QPoint(caret.left() + 200, caret.top() + 5)).isNull());
    // The picture is not part of the plain text.
    QCOMPARE(details->plainText(), QStringLiteral("jpegPhoto: \ncn: Somebody\n"));
}

void tst_TBDocument::findBarSearchesTheShownPane()
{
    TBDocument* document = makeDocument();
    document->appendOutputText(QStringLiteral("first needle\nsecond needle\n"), true);
    document->showOutputText();
    document->showFindBar();
    TBFindBar* bar = document->findBar();
    QVERIFY(bar->isVisible());
    QCOMPARE(bar->textView(), document->commandOutputText());
    QTest::keyClicks(bar->findField(), QStringLiteral("needle"));
    QTest::keyClick(bar->findField(), Qt::Key_Return);
    QCOMPARE(document->commandOutputText()->textCursor().selectedText(), QStringLiteral("needle"));
    QCOMPARE(document->commandOutputText()->textCursor().selectionStart(), 6);
    QTest::keyClick(bar->findField(), Qt::Key_Return);
    QCOMPARE(document->commandOutputText()->textCursor().selectionStart(), 20);
    QTest::keyClick(bar->findField(), Qt::Key_Escape);
    QVERIFY(!bar->isVisible());
}

// Options

void tst_TBDocument::optionsFollowThePreferencesUntilConfirmed()
{
    TBDocument* document = makeDocument();
    QCOMPARE(document->optionsMenuTitle(), QStringLiteral("Options..."));
    m_prefs->setMaxHits(100);

    // Cancel after changes: the window still follows the preferences.
    document->openSearchOptions();
    TBOptionsSheet* sheet = document->editOptionsSheet();
    QVERIFY(sheet);
    auto* maxHits = sheet->findChild<QLineEdit*>(QStringLiteral("editOptionsMaxHitsTextField"));
    QCOMPARE(maxHits->text(), QStringLiteral("100"));
    maxHits->setText(QStringLiteral("5"));
    sheet->findChild<QPushButton*>(QStringLiteral("editOptionsCancelButton"))->click();
    QVERIFY(document->searchOptions().isEmpty());
    QCOMPARE(document->runSettings().discardOutput, m_prefs->discardOutput());

    // OK: the window has options of its own, which later preference changes do not reach.
    QTRY_VERIFY(!document->editOptionsSheet());
    document->openSearchOptions();
    sheet = document->editOptionsSheet();
    maxHits = sheet->findChild<QLineEdit*>(QStringLiteral("editOptionsMaxHitsTextField"));
    maxHits->setText(QStringLiteral("5"));
    sheet->findChild<QCheckBox*>(QStringLiteral("editOptionsDiscardOutputCheckbox"))->setChecked(true);
    sheet->findChild<QPushButton*>(QStringLiteral("editOptionsOKButton"))->click();
    QCOMPARE(document->searchOptions().value(QStringLiteral("MaxHits")).toLongLong(), 5);
    QCOMPARE(document->runSettings().discardOutput, true);
    QCOMPARE(document->detailsText()->plainText(), QStringLiteral("-"));

    m_prefs->setMaxHits(300);
    QCOMPARE(document->searchOptions().value(QStringLiteral("MaxHits")).toLongLong(), 5);
    // Opening again shows the window's values; Defaults brings back the preferences.
    QTRY_VERIFY(!document->editOptionsSheet());
    document->openSearchOptions();
    sheet = document->editOptionsSheet();
    maxHits = sheet->findChild<QLineEdit*>(QStringLiteral("editOptionsMaxHitsTextField"));
    QCOMPARE(maxHits->text(), QStringLiteral("5"));
    sheet->findChild<QPushButton*>(QStringLiteral("editOptionsDefaultsButton"))->click();
    QCOMPARE(maxHits->text(), QStringLiteral("300"));
    QCOMPARE(document->searchOptions().value(QStringLiteral("MaxHits")).toLongLong(), 5);
    sheet->findChild<QPushButton*>(QStringLiteral("editOptionsCancelButton"))->click();
}

// Credentials

void tst_TBDocument::credentialsKey_data()
{
    QTest::addColumn<QString>("uri");
    QTest::addColumn<QString>("server");
    QTest::addColumn<int>("port");

    QTest::newRow("host") << "ldap://ldap.example.com"
                          << "ldap.example.com" << 0;
    QTest::newRow("host and port") << "ldaps://ldap.example.com:1636"
                                   << "ldap.example.com" << 1636;
    QTest::newRow("trailing slash") << "ldap://127.0.0.1:389/"
                                    << "127.0.0.1" << 389;
    QTest::newRow("ipv6") << "ldap://[::1]:3389"
                          << "::1" << 3389;
    QTest::newRow("no host") << "ldapi:///var/run/slapd/ldapi"
                             << "MISSING_HOST" << 0;
    QTest::newRow("list of URIs") << "ldap://a.example.com:389 ldap://b.example.com"
                                  << "MISSING_HOST" << 0;
    QTest::newRow("empty") << ""
                           << "MISSING_HOST" << 0;
}

void tst_TBDocument::credentialsKey()
{
    QFETCH(QString, uri);
    QFETCH(QString, server);
    QFETCH(int, port);
    const TBKeychainItem item = TBDocument::credentialsKey(uri, QStringLiteral("cn=admin,dc=example"));
    QCOMPARE(item.server, server);
    QCOMPARE(item.port, port);
    QCOMPARE(item.account, QStringLiteral("cn=admin,dc=example"));
    QCOMPARE(item.path, QString());
}

void tst_TBDocument::needsAuthentication_data()
{
    QTest::addColumn<int>("authentication");
    QTest::addColumn<QString>("simpleID");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("alt");
    QTest::addColumn<bool>("needed");

    QTest::newRow("anonymous") << 0 << ""
                               << "" << false << false;
    QTest::newRow("anonymous, alt held") << 0 << ""
                                         << "" << true << false;
    QTest::newRow("sasl") << 3 << ""
                          << "" << true << false;
    QTest::newRow("dn only, no dn") << 1 << ""
                                    << "" << false << true;
    QTest::newRow("dn only, dn known") << 1 << "cn=x"
                                       << "" << false << false;
    QTest::newRow("password, nothing known") << 2 << ""
                                             << "" << false << true;
    QTest::newRow("password, dn known") << 2 << "cn=x"
                                        << "" << false << true;
    QTest::newRow("password, both known") << 2 << "cn=x"
                                          << "pw" << false << false;
    QTest::newRow("password, both known, alt held") << 2 << "cn=x"
                                                    << "pw" << true << true;
    QTest::newRow("out of range") << 7 << ""
                                  << "" << false << false;
}

void tst_TBDocument::needsAuthentication()
{
    QFETCH(int, authentication);
    QFETCH(QString, simpleID);
    QFETCH(QString, password);
    QFETCH(bool, alt);
    QFETCH(bool, needed);

    const TBDirectoryPtr directory = addDirectory(QStringLiteral("Sample"), quint64(authentication));
    m_prefs->setCurrentDirectoryID(qint64(directory->directoryID()));
    TBDocument* document = makeDocument(false);
    document->setSimpleID(simpleID);
    document->setSimplePassword(password);
    TBDocument::setModifierSource([alt] { return alt ? Qt::AltModifier : Qt::NoModifier; });
    QCOMPARE(document->needsAuthentication(), needed);
    QCOMPARE(document->ignoreKeychain(), alt && needed);
}

void tst_TBDocument::authenticationSheetForms()
{
    const TBDirectoryPtr directory = addDirectory(QStringLiteral("Sample"), 2, TBTestSupport::sampleAliceDN);
    m_prefs->setCurrentDirectoryID(qint64(directory->directoryID()));
    TBDocument* document = makeDocument();

    // The DN-only form: the password is not asked and the keyring is out of the question.
    document->setSimplePassword(TBDocument::noPasswordMarker);
    bool continued = false;
    document->getSimpleCredentials([&] { continued = true; });
    TBAuthenticationSheet* sheet = document->authenticationSheet();
    QVERIFY(sheet);
    QVERIFY(sheet->isVisible());
    QVERIFY(sheet->passwordHidden());
    QVERIFY(sheet->findChild<QLineEdit*>(QStringLiteral("authenticationPasswordUnused"))->isVisible());
    auto* keyring = sheet->findChild<QCheckBox*>(QStringLiteral("authenticationUseKeychainCheckbox"));
    QVERIFY(!keyring->isEnabled());
    QVERIFY(!sheet->okButton()->isEnabled()); // the window has no DN yet
    QTest::keyClicks(sheet->idField(), QStringLiteral("cn=typed"));
    QVERIFY(sheet->okButton()->isEnabled());
    sheet->okButton()->click();
    QVERIFY(continued);
    QCOMPARE(document->simpleID(), QStringLiteral("cn=typed"));
    QCOMPARE(document->simplePassword(), TBDocument::noPasswordMarker);
    QVERIFY(!document->saveInKeychain());

    // The full form, the DN known: the focus waits in the password field, OK only with both.
    QTRY_VERIFY(!document->authenticationSheet());
    document->setSimpleID(TBTestSupport::sampleAliceDN);
    document->setSimplePassword(QString());
    TBDocument::setModifierSource([] { return Qt::AltModifier; }); // skip the keyring
    QVERIFY(document->needsAuthentication());
    continued = false;
    document->getSimpleCredentials([&] { continued = true; });
    sheet = document->authenticationSheet();
    QVERIFY(sheet);
    QVERIFY(!sheet->passwordHidden());
    QCOMPARE(sheet->idField()->text(), TBTestSupport::sampleAliceDN);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(sheet->passwordField()));
    QVERIFY(!sheet->okButton()->isEnabled());
    QTest::keyClicks(sheet->passwordField(), QStringLiteral("pw"));
    QVERIFY(sheet->okButton()->isEnabled());
    sheet->idField()->clear();
    QVERIFY(!sheet->okButton()->isEnabled());
    QTest::keyClicks(sheet->idField(), TBTestSupport::sampleAliceDN);
    sheet->findChild<QCheckBox*>(QStringLiteral("authenticationUseKeychainCheckbox"))->setChecked(true);
    sheet->okButton()->click();
    QVERIFY(continued);
    QCOMPARE(document->simplePassword(), QStringLiteral("pw"));
    QVERIFY(document->saveInKeychain());
}

void tst_TBDocument::onlyTheOriginalDNIsRemembered()
{
    const TBDirectoryPtr directory = addDirectory(QStringLiteral("Sample"), 2, TBTestSupport::sampleReaderDN);
    m_prefs->setCurrentDirectoryID(qint64(directory->directoryID()));
    TBDocument* document = makeDocument();
    document->setSimpleID(TBTestSupport::sampleReaderDN);
    TBDocument::setModifierSource([] { return Qt::AltModifier; });
    QVERIFY(document->needsAuthentication());
    document->getSimpleCredentials([] {});
    TBAuthenticationSheet* sheet = document->authenticationSheet();
    QVERIFY(sheet);
    // Another DN typed with the keyring box on: used, but its password is not stored.
    sheet->idField()->setText(TBTestSupport::sampleAliceDN);
    sheet->passwordField()->setText(TBTestSupport::sampleAlicePassword);
    sheet->findChild<QCheckBox*>(QStringLiteral("authenticationUseKeychainCheckbox"))->setChecked(true);
    sheet->okButton()->click();
    QCOMPARE(document->simpleID(), TBTestSupport::sampleAliceDN);
    QVERIFY(!document->saveInKeychain());
}

void tst_TBDocument::cancelledSheetRunsNothing()
{
    const TBDirectoryPtr directory = addDirectory(QStringLiteral("Sample"), 2, TBTestSupport::sampleAliceDN);
    m_prefs->setCurrentDirectoryID(qint64(directory->directoryID()));
    TBDocument* document = makeDocument();
    TBDocument::setModifierSource([] { return Qt::AltModifier; });
    document->whoami();
    QTRY_VERIFY(document->authenticationSheet());
    QVERIFY(document->currentCommand());
    QVERIFY(!document->canWhoami());
    document->authenticationSheet()->reject();
    QVERIFY(document->canceledAuthentication());
    QVERIFY(!document->currentCommand());
    QVERIFY(!document->searcherBusy());
    QVERIFY(document->commandOutputText()->isEmpty());
    QCOMPARE(document->simplePassword(), QString());
    QVERIFY(document->canWhoami());
}

// Who am I, end to end

void tst_TBDocument::whoamiAnswers_data()
{
    QTest::addColumn<int>("authentication");
    QTest::addColumn<QString>("simpleID");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("answer");

    QTest::newRow("anonymous") << 0 << QString() << QString() << QStringLiteral("anonymous");
    QTest::newRow("simple bind") << 2 << TBTestSupport::sampleAliceDN << TBTestSupport::sampleAlicePassword
                                 << QStringLiteral("dn:") + TBTestSupport::sampleAliceDN;
}

void tst_TBDocument::whoamiAnswers()
{
    QFETCH(int, authentication);
    QFETCH(QString, simpleID);
    QFETCH(QString, password);
    QFETCH(QString, answer);
    TB_REQUIRE_SAMPLE_SLAPD(m_uri);

    const TBDirectoryPtr directory = addDirectory(QStringLiteral("Sample"), quint64(authentication), simpleID);
    m_prefs->setCurrentDirectoryID(qint64(directory->directoryID()));
    TBDocument* document = makeDocument();
    document->setSimplePassword(password);
    QVERIFY(document->canWhoami());
    document->whoami();
    QVERIFY(!document->canWhoami());
    QMessageBox* sheet = waitForMessage(document);
    QVERIFY(sheet);
    QCOMPARE(sheet->objectName(), QStringLiteral("message1Sheet"));
    QCOMPARE(sheet->property("messageTitle").toString(), QStringLiteral("Who am I? Response:"));
    QCOMPARE(sheet->property("messageText").toString(), answer);
    QVERIFY(!document->searcherBusy());
    QVERIFY(document->canWhoami());
    const QString output = document->commandOutputText()->plainText();
    QVERIFY2(output.contains(QStringLiteral("Command:\n\n/usr/bin/ldapwhoami")), qPrintable(output));
    if (!password.isEmpty())
        QVERIFY(!output.contains(password));
    dismiss(sheet);
    QCOMPARE(document->currentTabView(), 0);
}

void tst_TBDocument::wrongPasswordIsForgotten()
{
    TB_REQUIRE_SAMPLE_SLAPD(m_uri);
    const TBDirectoryPtr directory = addDirectory(QStringLiteral("Sample"), 2, TBTestSupport::sampleAliceDN);
    m_prefs->setCurrentDirectoryID(qint64(directory->directoryID()));
    TBDocument* document = makeDocument();
    document->setSimplePassword(QStringLiteral("not-the-password"));
    document->whoami();
    QMessageBox* sheet = waitForMessage(document);
    QVERIFY(sheet);
    QCOMPARE(sheet->property("messageTitle").toString(), QStringLiteral("Command returned an error (49)"));
    QVERIFY(sheet->property("messageText")
                .toString()
                .startsWith(QStringLiteral("Error 49 usually means the password was incorrect.")));
    QCOMPARE(document->simplePassword(), QString());
    QCOMPARE(document->simpleID(), TBTestSupport::sampleAliceDN);
    QCOMPARE(document->currentTabView(), 0);
    dismiss(sheet);
    QCOMPARE(document->currentTabView(), 1);
    QVERIFY(document->commandOutputText()->plainText().contains(QStringLiteral("Invalid credentials")));

    // The next run asks again, the DN filled in and the password field empty.
    TBDocument::setModifierSource([] { return Qt::AltModifier; }); // whatever the keyring holds
    document->whoami();
    QTRY_VERIFY(document->authenticationSheet());
    TBAuthenticationSheet* auth = document->authenticationSheet();
    QCOMPARE(auth->idField()->text(), TBTestSupport::sampleAliceDN);
    QCOMPARE(auth->passwordField()->text(), QString());
    auth->passwordField()->setText(TBTestSupport::sampleAlicePassword);
    auth->okButton()->click();
    sheet = waitForMessage(document);
    QVERIFY(sheet);
    QCOMPARE(sheet->property("messageText").toString(), QStringLiteral("dn:") + TBTestSupport::sampleAliceDN);
    dismiss(sheet);
}

void tst_TBDocument::keyringSuppliesThePassword()
{
    TB_REQUIRE_SAMPLE_SLAPD(m_uri);
    const TBDirectoryPtr directory = addDirectory(QStringLiteral("Sample"), 2, TBTestSupport::sampleAliceDN);
    m_prefs->setCurrentDirectoryID(qint64(directory->directoryID()));
    const TBKeychainItem item = TBDocument::credentialsKey(m_uri, TBTestSupport::sampleAliceDN);
    TBKeychain::deletePassword(item);

    // Nothing in the keyring: the sheet; with its box on, the password is stored after success.
    TBDocument* document = makeDocument();
    document->whoami();
    QTRY_VERIFY_WITH_TIMEOUT(document->authenticationSheet(), kToolTimeout);
    TBAuthenticationSheet* auth = document->authenticationSheet();
    auth->passwordField()->setText(TBTestSupport::sampleAlicePassword);
    auth->findChild<QCheckBox*>(QStringLiteral("authenticationUseKeychainCheckbox"))->setChecked(true);
    auth->okButton()->click();
    QMessageBox* sheet = waitForMessage(document);
    QVERIFY(sheet);
    QCOMPARE(sheet->property("messageText").toString(), QStringLiteral("dn:") + TBTestSupport::sampleAliceDN);
    dismiss(sheet);
    QTRY_VERIFY_WITH_TIMEOUT(TBKeychain::findPassword(item).has_value(), 10000);
    TB_REQUIRE(TBKeychain::findPassword(item).value_or(QString()) == TBTestSupport::sampleAlicePassword,
               "gnome-keyring", "A Secret Service in this session");

    // A new window runs without any sheet.
    TBDocument* second = makeDocument();
    second->whoami();
    sheet = waitForMessage(second);
    QVERIFY(sheet);
    QVERIFY(!second->authenticationSheet());
    QCOMPARE(sheet->property("messageText").toString(), QStringLiteral("dn:") + TBTestSupport::sampleAliceDN);
    dismiss(sheet);

    // Alt brings the sheet up anyway, the DN filled in, the focus in the password field.
    TBDocument* third = makeDocument();
    TBDocument::setModifierSource([] { return Qt::AltModifier; });
    third->whoami();
    QTRY_VERIFY(third->authenticationSheet());
    auth = third->authenticationSheet();
    QCOMPARE(auth->idField()->text(), TBTestSupport::sampleAliceDN);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(auth->passwordField()));
    auth->reject();
    TBKeychain::deletePassword(item);
}

void tst_TBDocument::controlShowsTheCommandOnly()
{
    const TBDirectoryPtr directory = addDirectory(QStringLiteral("Sample"));
    directory->setStartTLS(2); // none
    m_prefs->setCurrentDirectoryID(qint64(directory->directoryID()));
    TBDocument* document = makeDocument();
    TBDocument::setModifierSource([] { return Qt::ControlModifier; });
    document->whoami();
    QVERIFY(!document->searcherBusy());
    QVERIFY(!document->currentCommand());
    QCOMPARE(document->currentTabView(), 1);
    QCOMPARE(document->commandOutputText()->plainText(),
             QStringLiteral("\nCommand:\n\n/usr/bin/ldapwhoami -o nettimeout=10 -H ") + m_uri
                 + QStringLiteral(" -x\n"));
}

void tst_TBDocument::busyWindowRefusesToClose()
{
    const TBDirectoryPtr directory = addDirectory(QStringLiteral("Sample"));
    addDirectory(QStringLiteral("Other"));
    m_prefs->setCurrentDirectoryID(qint64(directory->directoryID()));
    m_prefs->setPathLDAPWhoami(
        writeScript(QStringLiteral("slow-whoami"), QStringLiteral("echo waiting; exec sleep 60")));
    QPointer<TBDocument> document = makeDocument();
    document->appendOutputText(QStringLiteral("old output\n"), true);
    document->whoami();
    QVERIFY(document->searcherBusy());
    QVERIFY(document->cancelButton()->isVisible());
    QVERIFY(document->cancelButton()->isEnabled());
    // The other directory cannot be chosen while the tool runs.
    QVERIFY(popUpModel(document)->item(0)->isEnabled());
    QVERIFY(!popUpModel(document)->item(1)->isEnabled());
    QVERIFY(!enabled(document, &TBDocumentActions::searchOptions));
    QVERIFY(!enabled(document, &TBDocumentActions::exportCommandOutput));
    QVERIFY(!enabled(document, &TBDocumentActions::whoami));
    QVERIFY(!document->canRunPageLayout());
    QVERIFY(document->canCancelSearchOperation());
    document->openSearchOptions();
    QVERIFY(!document->editOptionsSheet());

    QVERIFY(!document->close());
    QVERIFY(document);
    QVERIFY(document->isVisible());

    // Cancelling ends the tool without an error message; the Cancel button goes after a moment.
    QTest::mouseClick(document->cancelButton(), Qt::LeftButton);
    QVERIFY(!document->cancelButton()->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!document->searcherBusy(), kToolTimeout);
    QVERIFY(!document->messageSheet());
    QVERIFY(document->commandOutputText()->plainText().contains(QStringLiteral("[Canceled Command]")));
    QTRY_VERIFY(!document->cancelButton()->isVisible());
    QVERIFY(document->canWhoami());
    QVERIFY(popUpModel(document)->item(1)->isEnabled());
    QVERIFY(document->close());
    QTRY_VERIFY(!document);
}

void tst_TBDocument::quittingCancelsTheTool()
{
    const TBDirectoryPtr directory = addDirectory(QStringLiteral("Sample"));
    m_prefs->setCurrentDirectoryID(qint64(directory->directoryID()));
    m_prefs->setPathLDAPWhoami(writeScript(QStringLiteral("slow-whoami"), QStringLiteral("exec sleep 60")));
    TBDocument* document = makeDocument();
    document->whoami();
    QVERIFY(document->searcherBusy());
    document->terminateNotification();
    QTRY_VERIFY_WITH_TIMEOUT(!document->searcherBusy(), kToolTimeout);
    QVERIFY(document->commandOutputText()->plainText().contains(QStringLiteral("[Canceled Command]")));
}

void tst_TBDocument::missingToolIsReported()
{
    const TBDirectoryPtr directory = addDirectory(QStringLiteral("Sample"));
    m_prefs->setCurrentDirectoryID(qint64(directory->directoryID()));
    m_prefs->setPathLDAPWhoami(m_scratch.filePath(QStringLiteral("no-such-tool")));
    TBDocument* document = makeDocument();
    document->whoami();
    QMessageBox* sheet = waitForMessage(document);
    QVERIFY(sheet);
    QCOMPARE(sheet->property("messageTitle").toString(), QStringLiteral("Could not run command"));
    QVERIFY(sheet->property("messageText").toString().startsWith(QStringLiteral("Could not run ")));
    QVERIFY(!document->currentCommand());
    QVERIFY(!document->searcherBusy());
    dismiss(sheet);
    QVERIFY(document->canWhoami());
}

QTEST_MAIN(tst_TBDocument)
#include "tst_TBDocument.moc"
