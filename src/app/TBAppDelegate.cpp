#include "TBAppDelegate.h"

#include "TBBrowseDocument.h"
#include "TBDocument.h"
#include "TBDocumentController.h"
#include "TBLog.h"
#include "TBNotificationCenter.h"
#include "TBPreferences.h"
#include "TBPrefsController.h"
#include "TBSavedSearchesController.h"
#include "TBSearchDocument.h"
#include "TBTextColors.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

TBAppDelegate* s_sharedDelegate = nullptr;

const QString kSearchType = QStringLiteral("Search");
const QString kBrowseType = QStringLiteral("Browse");

} // namespace

TBAppDelegate::TBAppDelegate(QObject* parent)
    : QObject(parent)
    , m_documentController(new TBDocumentController(this))
{
    s_sharedDelegate = this;
    m_documentController->registerDocumentType(kSearchType, [] { return new TBSearchDocument; });
    m_documentController->registerDocumentType(kBrowseType, [] { return new TBBrowseDocument; });
    connect(m_documentController, &TBDocumentController::documentAdded, this, &TBAppDelegate::installMainMenu);
    TBSavedSearchesController::setDocumentSource([this] { return documentForSavedSearch(); });
}

TBAppDelegate::~TBAppDelegate()
{
    delete m_aboutWindow;
    TBSavedSearchesController::setDocumentSource({});
    // Windows go before the delegate whose menus they use.
    delete m_documentController;
    m_documentController = nullptr;
    if (s_sharedDelegate == this)
        s_sharedDelegate = nullptr;
}

TBAppDelegate* TBAppDelegate::sharedDelegate()
{
    return s_sharedDelegate;
}

bool TBAppDelegate::initialize()
{
    if (!TBPreferences::sharedPreferences()) {
        TBLog(QStringLiteral("Could not create preferences object!"));
        return false;
    }
    return true;
}

TBDocument* TBAppDelegate::applicationOpenUntitledFile()
{
    return makeSearchDocument();
}

TBDocument* TBAppDelegate::makeSearchDocument()
{
    return makeNewDocumentOfType(kSearchType);
}

TBDocument* TBAppDelegate::makeBrowseDocument()
{
    return makeNewDocumentOfType(kBrowseType);
}

TBDocument* TBAppDelegate::makeNewDocumentOfType(const QString& typeName)
{
    TBDocument* document = m_documentController->makeUntitledDocumentOfType(typeName);
    if (!document)
        return nullptr;
    document->show();
    document->raise();
    document->activateWindow();
    return document;
}

void TBAppDelegate::terminate()
{
    // Quitting never waits for a tool: running ones are cancelled, and the windows go with the
    // application.
    for (TBDocument* document : m_documentController->documents())
        document->terminateNotification();
    QCoreApplication::exit(0);
}

void TBAppDelegate::showPreferencesWindow()
{
    TBPrefsController::showPreferencesWindow();
    // Ctrl+Q in the preferences window quits as the menu's Quit does.
    if (TBPrefsController* window = TBPrefsController::existingController())
        connect(window, &TBPrefsController::quitRequested, this, &TBAppDelegate::terminate, Qt::UniqueConnection);
}

void TBAppDelegate::showSavedSearchesWindow()
{
    TBSavedSearchesController::showSavedSearchesWindow();
}

TBSearchDocument* TBAppDelegate::documentForSavedSearch()
{
    const QList<TBDocument*> open = m_documentController->documentsOfType(kSearchType);
    if (open.size() == 1)
        return qobject_cast<TBSearchDocument*>(open.first());
    return qobject_cast<TBSearchDocument*>(makeSearchDocument());
}

// Menus

QAction* TBAppDelegate::addApplicationAction(QMenu* menu, TBDocument* document, const QString& title,
                                             const QString& name, const QKeySequence& shortcut)
{
    auto* action = new QAction(title, document);
    action->setObjectName(name);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    menu->addAction(action);
    return action;
}

void TBAppDelegate::installMainMenu(TBDocument* document)
{
    const TBDocumentActions& actions = document->menuActions();
    QMenuBar* bar = document->menuBar();
    bar->clear();

    QMenu* file = bar->addMenu(tr("&File"));
    QAction* newSearch = addApplicationAction(file, document, tr("New Search Window"),
                                              QStringLiteral("makeSearchDocument:"), QKeySequence::New);
    connect(newSearch, &QAction::triggered, this, &TBAppDelegate::makeSearchDocument);
    if (m_documentController->hasDocumentType(kBrowseType)) {
        QAction* newBrowse
            = addApplicationAction(file, document, tr("New Browse Window"), QStringLiteral("makeBrowseDocument:"),
                                   QKeySequence(Qt::CTRL | Qt::Key_B));
        connect(newBrowse, &QAction::triggered, this, &TBAppDelegate::makeBrowseDocument);
    }
    file->addSeparator();
    file->addAction(actions.performClose);
    file->addSeparator();
    file->addAction(actions.exportEntries);
    file->addAction(actions.exportCommandOutput);
    file->addSeparator();
    file->addAction(actions.runPageLayout);
    file->addAction(actions.printDocument);
    file->addSeparator();
    QAction* quit = addApplicationAction(file, document, tr("Quit"), QStringLiteral("terminate:"),
                                         QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, this, &TBAppDelegate::terminate);

    QMenu* edit = bar->addMenu(tr("&Edit"));
    edit->addActions({actions.cut, actions.copy, actions.del, actions.selectAll});
    edit->addSeparator();
    edit->addAction(actions.performFindPanelAction);
    edit->addSeparator();
    QAction* prefs = addApplicationAction(edit, document, tr("Preferences…"), QStringLiteral("showPreferences:"),
                                          QKeySequence(Qt::CTRL | Qt::Key_Comma));
    prefs->setMenuRole(QAction::PreferencesRole);
    connect(prefs, &QAction::triggered, this, &TBAppDelegate::showPreferencesWindow);

    QMenu* search = bar->addMenu(tr("&Search"));
    search->addActions({actions.search, actions.whoami});
    search->addSeparator();
    search->addAction(actions.searchOptions);
    search->addSeparator();
    QMenu* saved = search->addMenu(tr("Saved Searches"));
    saved->setObjectName(QStringLiteral("savedSearchesMenu"));
    QAction* showSaved
        = addApplicationAction(saved, document, tr("Show Saved Searches"), QStringLiteral("showSavedSearchesWindow:"),
                               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    connect(showSaved, &QAction::triggered, this, &TBAppDelegate::showSavedSearchesWindow);
    saved->addAction(actions.saveCurrentSearch);
    saved->addAction(actions.useSelectedSearch);
    saved->addSeparator();
    QAction* placeholder = saved->addAction(tr("No Saved Searches"));
    placeholder->setObjectName(QStringLiteral("savedSearchesPlaceholder"));
    placeholder->setEnabled(false);
    updateSavedSearchesMenu(document, saved, placeholder);
    // The menu goes with its window, and its observer with it.
    TBNotificationCenter::defaultCenter()->addObserver(saved, TBSavedSearchesHaveChangedNotification,
                                                       [this, document, saved, placeholder](const TBNotification&) {
                                                           updateSavedSearchesMenu(document, saved, placeholder);
                                                       });

    QMenu* help = bar->addMenu(tr("&Help"));
    QAction* about = addApplicationAction(help, document, tr("About Tamblin"), QStringLiteral("showAboutWindow:"));
    about->setMenuRole(QAction::AboutRole);
    connect(about, &QAction::triggered, this, &TBAppDelegate::showAboutWindow);

    for (QMenu* menu : {file, edit, search, saved, help})
        connect(menu, &QMenu::aboutToShow, document, &TBDocument::updateMenuActionState);
    document->updateMenuActionState();
}

void TBAppDelegate::updateSavedSearchesMenu(TBDocument* document, QMenu* menu, QAction* placeholder)
{
    TBPreferences* prefs = TBPreferences::sharedPreferences();
    if (!prefs)
        return;
    const TBDocumentActions& actions = document->menuActions();
    actions.removeSavedSearches();
    const QList<TBSearchCriteriaPtr>& list = prefs->savedSearchCriteria();
    placeholder->setVisible(list.isEmpty());
    // One item per saved search, tagged with its place in the list.
    for (qsizetype index = 0; index < list.size(); ++index)
        menu->addAction(actions.addSavedSearch(list.at(index)->name(), int(index)));
}

// About window

void TBAppDelegate::showAboutWindow()
{
    if (!m_aboutWindow) {
        auto* window = new QDialog;
        window->setObjectName(QStringLiteral("aboutWindow"));
        window->setWindowTitle(tr("About Tamblin"));
        auto* icon = new QLabel(window);
        icon->setPixmap(TBDocument::applicationIcon().pixmap(96, 96));
        icon->setAlignment(Qt::AlignCenter);
        // Without the SVG plugin the icon cannot be drawn: no empty band then.
        icon->setVisible(!icon->pixmap().isNull());
        auto* name = new QLabel(QStringLiteral("<h2>Tamblin</h2>"), window);
        name->setAlignment(Qt::AlignCenter);
        auto* summary = new QLabel(tr("Search and browse LDAP directories, Active Directory included,\n"
                                      "with the OpenLDAP tools ldapsearch and ldapwhoami."),
                                   window);
        summary->setAlignment(Qt::AlignCenter);
        m_aboutBuildDateText = new QLabel(window);
        m_aboutBuildDateText->setObjectName(QStringLiteral("aboutBuildDateText"));
        m_aboutBuildDateText->setAlignment(Qt::AlignCenter);
        m_aboutBuildDateText->setText(QStringLiteral("%1 - Build date: %2 (%3)")
                                          .arg(versionString(), QStringLiteral(__DATE__), QStringLiteral(__TIME__)));
        QPalette gray = m_aboutBuildDateText->palette();
        gray.setColor(QPalette::WindowText, TBTextColors::placeholderTextColor(gray));
        m_aboutBuildDateText->setPalette(gray);
        m_aboutOpenLDAPButton = new QPushButton(tr("OpenLDAP Project…"), window);
        m_aboutOpenLDAPButton->setObjectName(QStringLiteral("aboutOpenLDAPButton"));
        m_aboutOpenLDAPButton->setToolTip(openLDAPURL());
        connect(m_aboutOpenLDAPButton, &QPushButton::clicked, this, &TBAppDelegate::openOpenLDAPURL);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, window);
        buttons->addButton(m_aboutOpenLDAPButton, QDialogButtonBox::ActionRole);
        connect(buttons, &QDialogButtonBox::rejected, window, &QDialog::close);

        auto* layout = new QVBoxLayout(window);
        layout->setContentsMargins(24, 20, 24, 16);
        layout->addWidget(icon);
        layout->addWidget(name);
        layout->addWidget(summary);
        layout->addSpacing(8);
        layout->addWidget(m_aboutBuildDateText);
        layout->addSpacing(12);
        layout->addWidget(buttons);
        layout->setSizeConstraint(QLayout::SetFixedSize);
        m_aboutWindow = window;
    }
    m_aboutWindow->show();
    m_aboutWindow->raise();
    m_aboutWindow->activateWindow();
}

QDialog* TBAppDelegate::aboutWindow() const
{
    return m_aboutWindow;
}

void TBAppDelegate::openOpenLDAPURL()
{
    QDesktopServices::openUrl(QUrl(openLDAPURL()));
}
