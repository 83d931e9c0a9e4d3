#include "TBAppDelegate.h"
#include "TBDocument.h"
#include "TBDocumentController.h"
#include "TBFindBar.h"
#include "TBPreferences.h"
#include "TBSavedSearchesController.h"
#include "TBSearchCriteria.h"
#include "TBSearchDocument.h"
#include "TBSearchItem.h"
#include "TBSearcher.h"
#include "TBTestSupport.h"
#include "TBTextView.h"
#include "TBUserDefaults.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

// The application: a search window at launch, new windows titled in turn, menus enabled by the
// window they belong to and by the focused widget, the about window, and quitting.
class tst_TBAppDelegate : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void launchOpensOneSearchWindow();
    void windowsAreTitledInTurn();
    void menusFollowTheWindow();
    void savedSearchesMenu();
    void savedSearchGoesToTheOnlySearchWindow_data();
    void savedSearchGoesToTheOnlySearchWindow();
    void savedSearchesWindowIsMadeOnce();
    void editItemsActOnTheFocusedWidget();
    void aboutWindow();
    void preferencesOpenOneWindow();
    void quittingCancelsRunningTools(); // last: it ends the application's event loop

private:
    TBPreferences* m_prefs = nullptr;
};

namespace {

// A command of the window's menu bar, by its object name.
QAction* menuAction(TBDocument* document, const QString& name)
{
    return document->findChild<QAction*>(name, Qt::FindDirectChildrenOnly);
}

void validate(QMenuBar* bar)
{
    // The menus validate their items when they open.
    for (QAction* action : bar->actions()) {
        if (QMenu* menu = action->menu())
            Q_EMIT menu->aboutToShow();
    }
}

} // namespace

void tst_TBAppDelegate::initTestCase()
{
    TBTestSupport::useScratchConfig();
    TBUserDefaults::resetStandardUserDefaults();
    TBPreferences::resetSharedPreferences();
    m_prefs = TBPreferences::sharedPreferences();
}

void tst_TBAppDelegate::launchOpensOneSearchWindow()
{
    TBAppDelegate delegate;
    QVERIFY(delegate.initialize());
    TBDocument* document = delegate.applicationOpenUntitledFile();
    QVERIFY(document);
    QCOMPARE(delegate.documentController()->documents(), QList<TBDocument*> {document});
    QCOMPARE(delegate.documentController()->typeNameOfDocument(document), QStringLiteral("Search"));
    QVERIFY(document->isVisible());
    QCOMPARE(document->size(), QSize(TBDocument::defaultWidth, TBDocument::defaultHeight));
    QVERIFY(menuAction(document, QStringLiteral("makeSearchDocument:")));

    // The other kind of window, by its menu item; an unknown kind makes nothing.
    menuAction(document, QStringLiteral("makeBrowseDocument:"))->trigger();
    QCOMPARE(delegate.documentController()->documents().size(), 2);
    TBDocument* browse = delegate.documentController()->documents().last();
    QCOMPARE(delegate.documentController()->typeNameOfDocument(browse), QStringLiteral("Browse"));
    QCOMPARE(delegate.documentController()->documentsOfType(QStringLiteral("Search")), QList<TBDocument*> {document});
    QCOMPARE(delegate.makeNewDocumentOfType(QStringLiteral("Spreadsheet")), nullptr);
}

void tst_TBAppDelegate::windowsAreTitledInTurn()
{
    TBAppDelegate delegate;
    QPointer<TBDocument> first = delegate.makeSearchDocument();
    TBDocument* second = delegate.makeSearchDocument();
    QCOMPARE(first->windowTitle(), QStringLiteral("Tamblin \u2014 Search"));
    QCOMPARE(second->windowTitle(), QStringLiteral("Tamblin \u2014 Search 2"));
    // Each kind of window is numbered on its own.
    QCOMPARE(delegate.makeBrowseDocument()->windowTitle(), QStringLiteral("Tamblin \u2014 Browse"));

    // Ctrl+N is the menu's New Search Window.
    QAction* newWindow = menuAction(second, QStringLiteral("makeSearchDocument:"));
    QCOMPARE(newWindow->shortcut(), QKeySequence(QKeySequence::New));
    newWindow->trigger();
    QCOMPARE(delegate.documentController()->documents().size(), 4);
    QCOMPARE(delegate.documentController()->documents().last()->windowTitle(),
             QStringLiteral("Tamblin \u2014 Search 3"));

    menuAction(first, QStringLiteral("performClose:"))->trigger();
    QTRY_VERIFY(!first);
    QCOMPARE(delegate.documentController()->documents().size(), 3);
    QCOMPARE(delegate.makeSearchDocument()->windowTitle(), QStringLiteral("Tamblin \u2014 Search"));
    QCOMPARE(delegate.makeBrowseDocument()->windowTitle(), QStringLiteral("Tamblin \u2014 Browse 2"));
}

void tst_TBAppDelegate::menusFollowTheWindow()
{
    TBAppDelegate delegate;
    TBDocument* document = delegate.makeSearchDocument();
    QMenuBar* bar = document->menuBar();
    QStringList titles;
    for (QAction* action : bar->actions())
        titles.append(action->text());
    QCOMPARE(titles,
             (QStringList {QStringLiteral("&File"), QStringLiteral("&Edit"), QStringLiteral("&Search"),
                           QStringLiteral("&Help")}));
    QAction* options = menuAction(document, QStringLiteral("searchOptions:"));
    QCOMPARE(options->text(), QStringLiteral("Search Options..."));

    QAction* exportOutput = menuAction(document, QStringLiteral("exportCommandOutput:"));
    QAction* whoami = menuAction(document, QStringLiteral("whoami:"));
    validate(bar);
    QVERIFY(!exportOutput->isEnabled());
    QVERIFY(!whoami->isEnabled()); // no directory
    QVERIFY(options->isEnabled());
    // Output arriving enables the export at once, not only when the menu next opens.
    document->appendOutputText(QStringLiteral("output\n"), true);
    QVERIFY(exportOutput->isEnabled());
    document->clearOutputText();
    QVERIFY(!exportOutput->isEnabled());

    // File > Page Setup… and Print… (Ctrl+P); nothing to print without a directory.
    QAction* pageSetup = menuAction(document, QStringLiteral("runPageLayout:"));
    QAction* print = menuAction(document, QStringLiteral("printDocument:"));
    QCOMPARE(pageSetup->text(), QStringLiteral("Page Setup…"));
    QCOMPARE(print->text(), QStringLiteral("Print…"));
    QCOMPARE(print->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
    validate(bar);
    QVERIFY(pageSetup->isEnabled());
    QVERIFY(!print->isEnabled());
}

void tst_TBAppDelegate::savedSearchesMenu()
{
    m_prefs->setSavedSearchCriteria({});
    TBAppDelegate delegate;
    auto* document = static_cast<TBSearchDocument*>(delegate.makeSearchDocument());
    TBDocument* browse = delegate.makeBrowseDocument();
    auto* menu = document->menuBar()->findChild<QMenu*>(QStringLiteral("savedSearchesMenu"));
    QVERIFY(menu);
    const auto listed = [](QMenu* menu) {
        QStringList titles;
        for (QAction* action : menu->actions()) {
            if (action->objectName() == QLatin1String("useSpecificSearch:"))
                titles << action->text() + QLatin1Char('=') + QString::number(action->data().toInt());
            else if (action->objectName() == QLatin1String("savedSearchesPlaceholder") && action->isVisible())
                titles << action->text();
        }
        return titles;
    };
    QCOMPARE(listed(menu), QStringList {QStringLiteral("No Saved Searches")});

    // Saving from the menu lists the search in every window, by its place in the list.
    TBSearchItemPtr item = document->searchCriteria()->searchItemAtIndex(0);
    item->setSearchAttr(QStringLiteral("sn"));
    item->setSearchText(QStringLiteral("Smith"));
    QAction* save = menuAction(document, QStringLiteral("saveCurrentSearch:"));
    validate(document->menuBar());
    QVERIFY(!save->isEnabled()); // no directory to search yet
    TBDirectoryPtr directory = TBDirectory::directory();
    m_prefs->setDirectories(m_prefs->directories() + QList {directory});
    document->setCurrentDirectoryID(qint64(directory->directoryID()));
    validate(document->menuBar());
    QVERIFY(save->isEnabled());
    save->trigger();
    TBSearchCriteriaPtr other = TBSearchCriteria::searchCriteria(m_prefs->lastSelectedAttribute());
    other->setName(QStringLiteral("Staff & guests"));
    m_prefs->addSearchCriteria(other);
    // A very long name is cut short in the menu.
    TBSearchCriteriaPtr longOne = TBSearchCriteria::searchCriteria(m_prefs->lastSelectedAttribute());
    longOne->setName(QString(300, QLatin1Char('n')));
    m_prefs->addSearchCriteria(longOne);
    const QStringList expected {QStringLiteral("New Search=0"), QStringLiteral("Staff && guests=1"),
                                QString(79, QLatin1Char('n')) + QChar(0x2026) + QStringLiteral("=2")};
    QCOMPARE(listed(menu), expected);
    QCOMPARE(listed(browse->menuBar()->findChild<QMenu*>(QStringLiteral("savedSearchesMenu"))), expected);

    // Choosing one applies it to the search window; a browse window has no use for it.
    item->setSearchText(QStringLiteral("Jones"));
    validate(document->menuBar());
    QAction* first = menu->actions().at(menu->actions().size() - 3);
    QVERIFY(first->isEnabled());
    first->trigger();
    QCOMPARE(document->searchCriteria()->searchItemAtIndex(0)->searchText(), QStringLiteral("Smith"));
    validate(browse->menuBar());
    for (const QString& action :
         {QStringLiteral("search:"), QStringLiteral("saveCurrentSearch:"), QStringLiteral("useSpecificSearch:")})
        QVERIFY2(!menuAction(browse, action)->isEnabled(), qPrintable(action));
    m_prefs->setSavedSearchCriteria({});
}

// Exactly one search window open: that one; none or several (browse windows do not count): a new one.
void tst_TBAppDelegate::savedSearchGoesToTheOnlySearchWindow_data()
{
    QTest::addColumn<int>("searchWindows");
    QTest::addColumn<int>("browseWindows");
    QTest::addColumn<bool>("usesTheOpenOne");
    QTest::newRow("none") << 0 << 1 << false;
    QTest::newRow("one") << 1 << 1 << true;
    QTest::newRow("two") << 2 << 0 << false;
}

void tst_TBAppDelegate::savedSearchGoesToTheOnlySearchWindow()
{
    QFETCH(int, searchWindows);
    QFETCH(int, browseWindows);
    QFETCH(bool, usesTheOpenOne);
    TBAppDelegate delegate;
    TBDocumentController* controller = delegate.documentController();
    for (int i = 0; i < searchWindows; ++i)
        delegate.makeSearchDocument();
    for (int i = 0; i < browseWindows; ++i)
        delegate.makeBrowseDocument();
    const QList<TBDocument*> before = controller->documentsOfType(QStringLiteral("Search"));

    // Used from the saved-searches window, as the user does.
    TBSearchCriteriaPtr saved = TBSearchCriteria::searchCriteria(QStringLiteral("cn"));
    saved->setName(QStringLiteral("Chosen"));
    m_prefs->setSavedSearchCriteria({saved});
    TBSavedSearchesController window;
    window.show();
    window.selectSearchRow(0);
    QTest::mouseClick(window.useSelectedSearchButton(), Qt::LeftButton);

    const QList<TBDocument*> after = controller->documentsOfType(QStringLiteral("Search"));
    QCOMPARE(after.size(), usesTheOpenOne ? 1 : searchWindows + 1);
    auto* used = static_cast<TBSearchDocument*>(usesTheOpenOne ? before.first() : after.last());
    QVERIFY(usesTheOpenOne || !before.contains(used));
    QCOMPARE(used->searchCriteria()->name(), QStringLiteral("Chosen"));
    for (TBDocument* other : before) {
        if (other != used)
            QCOMPARE(static_cast<TBSearchDocument*>(other)->searchCriteria()->name(), QStringLiteral("New Search"));
    }
    m_prefs->setSavedSearchCriteria({});
    m_prefs->setPreviousSearch(TBSearchCriteria::searchCriteria());
}

void tst_TBAppDelegate::savedSearchesWindowIsMadeOnce()
{
    TBAppDelegate delegate;
    auto* document = static_cast<TBSearchDocument*>(delegate.makeSearchDocument());
    auto* menu = document->menuBar()->findChild<QMenu*>(QStringLiteral("savedSearchesMenu"));
    QStringList fixed;
    for (QAction* action : menu->actions())
        fixed << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
    QCOMPARE(fixed,
             QStringList({QStringLiteral("showSavedSearchesWindow:"), QStringLiteral("saveCurrentSearch:"),
                          QStringLiteral("useSelectedSearch:"), QStringLiteral("-"),
                          QStringLiteral("savedSearchesPlaceholder")}));
    QAction* show = menuAction(document, QStringLiteral("showSavedSearchesWindow:"));
    QAction* use = menuAction(document, QStringLiteral("useSelectedSearch:"));
    validate(document->menuBar());
    QVERIFY(!use->isEnabled()); // no window, so nothing selected

    TBSearchCriteriaPtr saved = TBSearchCriteria::searchCriteria(QStringLiteral("cn"));
    saved->setName(QStringLiteral("Picked"));
    m_prefs->addSearchCriteria(saved);
    show->trigger();
    TBSavedSearchesController* window = TBSavedSearchesController::existingController();
    QVERIFY(window && window->isVisible());
    window->close();
    show->trigger(); // brought back, never a second one
    QCOMPARE(TBSavedSearchesController::existingController(), window);
    QVERIFY(window->isVisible());
    int shown = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        shown += widget->objectName() == QLatin1String("TBSavedSearches") && widget->isVisible();
    QCOMPARE(shown, 1);

    // The search window's command takes the search selected there.
    validate(document->menuBar());
    QVERIFY(use->isEnabled());
    use->trigger();
    QCOMPARE(document->searchCriteria()->name(), QStringLiteral("Picked"));
    window->close();
    validate(document->menuBar());
    QVERIFY(!use->isEnabled());
    delete window;
    m_prefs->setSavedSearchCriteria({});
    m_prefs->setPreviousSearch(TBSearchCriteria::searchCriteria());
}

void tst_TBAppDelegate::editItemsActOnTheFocusedWidget()
{
    TBAppDelegate delegate;
    TBDocument* document = delegate.makeSearchDocument();
    QVERIFY(QTest::qWaitForWindowActive(document));
    QAction* cut = menuAction(document, QStringLiteral("cut:"));
    QAction* copy = menuAction(document, QStringLiteral("copy:"));
    QAction* remove = menuAction(document, QStringLiteral("delete:"));
    QAction* selectAll = menuAction(document, QStringLiteral("selectAll:"));

    TBTextView* output = document->commandOutputText();
    document->showOutputText();
    document->appendOutputText(QStringLiteral("keep this, drop that"), true);
    output->setFocus();
    QTRY_COMPARE(document->focusWidget(), static_cast<QWidget*>(output));
    validate(document->menuBar());
    QVERIFY(!cut->isEnabled());
    QVERIFY(!remove->isEnabled());
    QVERIFY(selectAll->isEnabled());

    QTextCursor cursor = output->document()->find(QStringLiteral(", drop that"));
    output->setTextCursor(cursor);
    validate(document->menuBar());
    QVERIFY(cut->isEnabled());
    QVERIFY(copy->isEnabled());
    QVERIFY(remove->isEnabled());
    remove->trigger();
    QCOMPARE(output->plainText(), QStringLiteral("keep this"));

    // A text field: its own selection decides.
    document->showFindBar();
    QLineEdit* field = document->findBar()->findField();
    QTRY_COMPARE(document->focusWidget(), static_cast<QWidget*>(field));
    validate(document->menuBar());
    QVERIFY(!copy->isEnabled());
    QVERIFY(!selectAll->isEnabled());
    field->setText(QStringLiteral("needle"));
    validate(document->menuBar());
    QVERIFY(selectAll->isEnabled());
    selectAll->trigger();
    QCOMPARE(field->selectedText(), QStringLiteral("needle"));
}

void tst_TBAppDelegate::aboutWindow()
{
    TBAppDelegate delegate;
    delegate.showAboutWindow();
    QDialog* window = delegate.aboutWindow();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    auto* build = window->findChild<QLabel*>(QStringLiteral("aboutBuildDateText"));
    QVERIFY(build->text().startsWith(TBAppDelegate::versionString() + QStringLiteral(" - Build date: ")));
    QVERIFY(window->findChild<QWidget*>(QStringLiteral("aboutOpenLDAPButton")));
    QVERIFY(!TBDocument::applicationIcon().pixmap(64, 64).isNull());
    delegate.showAboutWindow();
    QCOMPARE(delegate.aboutWindow(), window); // the same window again
}

void tst_TBAppDelegate::preferencesOpenOneWindow()
{
    TBAppDelegate delegate;
    QVERIFY(delegate.initialize());
    TBDocument* document = delegate.applicationOpenUntitledFile();
    QAction* prefs = menuAction(document, QStringLiteral("showPreferences:"));
    QVERIFY(prefs);
    QCOMPARE(prefs->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
    const auto prefsWindows = [] {
        QList<QWidget*> found;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->objectName() == QLatin1String("Preferences") && widget->isVisible())
                found << widget;
        return found;
    };
    prefs->trigger();
    QCOMPARE(prefsWindows().size(), 1);
    prefs->trigger(); // brought forward, never a second one
    QCOMPARE(prefsWindows().size(), 1);
    prefsWindows().first()->close();
}

void tst_TBAppDelegate::quittingCancelsRunningTools()
{
    QTemporaryDir scratch;
    const QString script = scratch.filePath(QStringLiteral("slow-whoami"));
    QFile file(script);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\nexec sleep 60\n");
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    m_prefs->setPathLDAPWhoami(script);
    TBDirectoryPtr directory = TBDirectory::directory();
    directory->setDirectoryName(QStringLiteral("Sample"));
    directory->setLdapURI(QStringLiteral("ldap://127.0.0.1:1"));
    m_prefs->setDirectories(m_prefs->directories() + QList {directory});
    m_prefs->setCurrentDirectoryID(qint64(directory->directoryID()));

    TBAppDelegate delegate;
    TBDocument* document = delegate.makeSearchDocument();
    document->whoami();
    QVERIFY(document->searcherBusy());
    menuAction(document, QStringLiteral("terminate:"))->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!document->searcherBusy(), 60000);
    QVERIFY(document->commandOutputText()->plainText().contains(QStringLiteral("[Canceled Command]")));
}

QTEST_MAIN(tst_TBAppDelegate)
#include "tst_TBAppDelegate.moc"
