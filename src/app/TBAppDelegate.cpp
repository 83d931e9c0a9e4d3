#include "TBAppDelegate.h"

#include "TBBrowseDocument.h"
#include "TBDocument.h"
#include "TBDocumentController.h"
#include "TBFonts.h"
#include "TBLog.h"
#include "TBNotificationCenter.h"
#include "TBPreferences.h"
#include "TBPrefsController.h"
#include "TBSearchDocument.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMetaMethod>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

TBAppDelegate* s_sharedDelegate = nullptr;

const QString kSearchType = QStringLiteral("Search");
const QString kBrowseType = QStringLiteral("Browse");

struct EditAction
{
    QString action;
    const char* method; // performs it
    const char* query; // whether it can be performed
};

const EditAction kEditActions[] = {
    {QStringLiteral("cut:"), "cut()", "canCut()"},
    {QStringLiteral("copy:"), "copy()", "canCopy()"},
    {QStringLiteral("delete:"), "del()", "canDelete()"},
    {QStringLiteral("selectAll:"), "selectAll()", "canSelectAll()"},
};

const EditAction* editAction(const QString& name)
{
    for (const EditAction& action : kEditActions) {
        if (action.action == name)
            return &action;
    }
    return nullptr;
}

bool hasMethod(const QObject* object, const char* signature)
{
    return object->metaObject()->indexOfMethod(QMetaObject::normalizedSignature(signature).constData()) >= 0;
}

} // namespace

TBAppDelegate::TBAppDelegate(QObject* parent)
    : QObject(parent)
    , m_documentController(new TBDocumentController(this))
{
    s_sharedDelegate = this;
    m_documentController->registerDocumentType(kSearchType, [] { return new TBSearchDocument; });
    m_documentController->registerDocumentType(kBrowseType, [] { return new TBBrowseDocument; });
    connect(m_documentController, &TBDocumentController::documentAdded, this, &TBAppDelegate::installMainMenu);
    TBNotificationCenter::defaultCenter()->addObserver(
        this, TBSavedSearchesHaveChangedNotification, [this](const TBNotification&) {
            for (TBDocument* document : m_documentController->documents())
                updateSavedSearchesMenu(document);
        });
}

TBAppDelegate::~TBAppDelegate()
{
    delete m_aboutWindow;
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

// Menus

QAction* TBAppDelegate::addAction(QMenu* menu, TBDocument* document, const QString& title, const QString& actionName,
                                  const QKeySequence& shortcut)
{
    auto* action = new QAction(title, document);
    action->setObjectName(actionName);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    QPointer<TBDocument> target = document;
    // The connection ends with the action, so the action is there whenever this runs.
    connect(action, &QAction::triggered, this, [this, target, action, actionName] {
        if (target)
            perform(target, actionName, action->data().isValid() ? action->data().toInt() : -1);
    });
    menu->addAction(action);
    return action;
}

void TBAppDelegate::installMainMenu(TBDocument* document)
{
    QMenuBar* bar = document->menuBar();
    bar->clear();

    QMenu* file = bar->addMenu(tr("&File"));
    addAction(file, document, tr("New Search Window"), QStringLiteral("makeSearchDocument:"), QKeySequence::New);
    if (m_documentController->hasDocumentType(kBrowseType))
        addAction(file, document, tr("New Browse Window"), QStringLiteral("makeBrowseDocument:"),
                  QKeySequence(Qt::CTRL | Qt::Key_B));
    file->addSeparator();
    addAction(file, document, tr("Close"), QStringLiteral("performClose:"), QKeySequence(Qt::CTRL | Qt::Key_W));
    file->addSeparator();
    addAction(file, document, tr("Export…"), QStringLiteral("exportEntries:"), QKeySequence(Qt::CTRL | Qt::Key_E));
    addAction(file, document, tr("Export Command Output…"), QStringLiteral("exportCommandOutput:"));
    file->addSeparator();
    QAction* quit
        = addAction(file, document, tr("Quit"), QStringLiteral("terminate:"), QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setMenuRole(QAction::QuitRole);

    QMenu* edit = bar->addMenu(tr("&Edit"));
    addAction(edit, document, tr("Cut"), QStringLiteral("cut:"), QKeySequence::Cut);
    addAction(edit, document, tr("Copy"), QStringLiteral("copy:"), QKeySequence::Copy);
    addAction(edit, document, tr("Delete"), QStringLiteral("delete:"));
    addAction(edit, document, tr("Select All"), QStringLiteral("selectAll:"), QKeySequence::SelectAll);
    edit->addSeparator();
    addAction(edit, document, tr("Find…"), QStringLiteral("performFindPanelAction:"), QKeySequence::Find);
    edit->addSeparator();
    QAction* prefs = addAction(edit, document, tr("Preferences…"), QStringLiteral("showPreferences:"),
                               QKeySequence(Qt::CTRL | Qt::Key_Comma));
    prefs->setMenuRole(QAction::PreferencesRole);

    QMenu* search = bar->addMenu(tr("&Search"));
    addAction(search, document, tr("Search"), QStringLiteral("search:"));
    addAction(search, document, tr("Who Am I?"), QStringLiteral("whoami:"));
    search->addSeparator();
    QAction* options = addAction(search, document, document->optionsMenuTitle(), QStringLiteral("searchOptions:"));
    document->setSearchOptionsMenuItem(options);
    search->addSeparator();
    QMenu* saved = search->addMenu(tr("Saved Searches"));
    saved->setObjectName(QStringLiteral("savedSearchesMenu"));
    addAction(saved, document, tr("Save Current Search"), QStringLiteral("saveCurrentSearch:"),
              QKeySequence(Qt::CTRL | Qt::Key_S));
    saved->addSeparator();
    QAction* placeholder = saved->addAction(tr("No Saved Searches"));
    placeholder->setObjectName(QStringLiteral("savedSearchesPlaceholder"));
    placeholder->setEnabled(false);
    updateSavedSearchesMenu(document);

    QMenu* help = bar->addMenu(tr("&Help"));
    QAction* about = addAction(help, document, tr("About Tamblin"), QStringLiteral("showAboutWindow:"));
    about->setMenuRole(QAction::AboutRole);

    QPointer<TBDocument> target = document;
    for (QMenu* menu : {file, edit, search, saved, help}) {
        connect(menu, &QMenu::aboutToShow, this, [this, target] {
            if (target)
                validateMenus(target);
        });
    }
    connect(document, &TBDocument::validationChanged, this, [this, target] {
        if (target)
            validateMenus(target);
    });
    validateMenus(document);
}

QAction* TBAppDelegate::menuAction(TBDocument* document, const QString& actionName)
{
    return document ? document->findChild<QAction*>(actionName, Qt::FindDirectChildrenOnly) : nullptr;
}

void TBAppDelegate::validateMenus(TBDocument* document)
{
    for (QAction* action : document->findChildren<QAction*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!action->objectName().endsWith(QLatin1Char(':')))
            continue;
        action->setEnabled(validateMenuItem(document, action->objectName()));
    }
}

bool TBAppDelegate::validateMenuItem(TBDocument* document, const QString& actionName) const
{
    if (editAction(actionName))
        return validateEditAction(document->focusWidget(), actionName);
    return document->validateUserInterfaceItem(actionName);
}

void TBAppDelegate::perform(TBDocument* document, const QString& actionName, int tag)
{
    // Shortcuts may fire between two validations: every action checks again.
    if (!validateMenuItem(document, actionName))
        return;
    if (actionName == QLatin1String("makeSearchDocument:"))
        makeSearchDocument();
    else if (actionName == QLatin1String("makeBrowseDocument:"))
        makeBrowseDocument();
    else if (actionName == QLatin1String("performClose:"))
        document->close();
    else if (actionName == QLatin1String("exportEntries:"))
        document->exportEntries();
    else if (actionName == QLatin1String("exportCommandOutput:"))
        document->exportCommandOutput();
    else if (actionName == QLatin1String("terminate:"))
        terminate();
    else if (editAction(actionName))
        performEditAction(document->focusWidget(), actionName);
    else if (actionName == QLatin1String("performFindPanelAction:"))
        document->showFindBar();
    else if (actionName == QLatin1String("whoami:"))
        document->whoami();
    else if (actionName == QLatin1String("searchOptions:"))
        document->openSearchOptions();
    else if (actionName == QLatin1String("showAboutWindow:"))
        showAboutWindow();
    else if (actionName == QLatin1String("showPreferences:"))
        TBPrefsController::showPreferencesWindow();
    else if (auto* searchDocument = dynamic_cast<TBSearchDocument*>(document)) {
        if (actionName == QLatin1String("search:"))
            searchDocument->search();
        else if (actionName == QLatin1String("saveCurrentSearch:"))
            searchDocument->saveCurrentSearch();
        else if (actionName == QLatin1String("useSpecificSearch:"))
            searchDocument->useSpecificSearch(tag);
    }
}

void TBAppDelegate::updateSavedSearchesMenu(TBDocument* document)
{
    auto* menu = document->menuBar()->findChild<QMenu*>(QStringLiteral("savedSearchesMenu"));
    TBPreferences* prefs = TBPreferences::sharedPreferences();
    if (!menu || !prefs)
        return;
    const QList<TBSearchCriteriaPtr>& list = prefs->savedSearchCriteria();
    for (QAction* action : menu->actions()) {
        if (action->objectName() == QLatin1String("useSpecificSearch:"))
            delete action;
        else if (action->objectName() == QLatin1String("savedSearchesPlaceholder"))
            action->setVisible(list.isEmpty());
    }
    // One item per saved search, tagged with its place in the list.
    for (qsizetype index = 0; index < list.size(); ++index) {
        QString title = list.at(index)->name();
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* action = addAction(menu, document, title, QStringLiteral("useSpecificSearch:"));
        action->setData(int(index));
        action->setEnabled(validateMenuItem(document, action->objectName()));
    }
}

bool TBAppDelegate::validateEditAction(QWidget* target, const QString& actionName)
{
    const EditAction* action = editAction(actionName);
    if (!target || !action)
        return false;
    if (hasMethod(target, action->query)) {
        bool can = false;
        const QByteArray name = QByteArray(action->query).chopped(2);
        QMetaObject::invokeMethod(target, name.constData(), Qt::DirectConnection, Q_RETURN_ARG(bool, can));
        return can;
    }
    if (auto* line = qobject_cast<QLineEdit*>(target)) {
        const bool secret = line->echoMode() != QLineEdit::Normal;
        if (actionName == QLatin1String("selectAll:"))
            return !line->text().isEmpty();
        if (actionName == QLatin1String("copy:"))
            return line->hasSelectedText() && !secret;
        if (actionName == QLatin1String("cut:"))
            return line->hasSelectedText() && !secret && !line->isReadOnly();
        return line->hasSelectedText() && !line->isReadOnly();
    }
    return false;
}

void TBAppDelegate::performEditAction(QWidget* target, const QString& actionName)
{
    const EditAction* action = editAction(actionName);
    if (!target || !action || !hasMethod(target, action->method))
        return;
    const QByteArray name = QByteArray(action->method).chopped(2);
    QMetaObject::invokeMethod(target, name.constData(), Qt::DirectConnection);
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
        gray.setColor(QPalette::WindowText, TBFonts::grayTextColor());
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
