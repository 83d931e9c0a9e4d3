#include "TBPrefsController.h"

#include "TBPreferences.h"
#include "TBPrefsGeneralTab.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QPointer>
#include <QStackedWidget>
#include <QStyle>
#include <QToolBar>

namespace {

const QString kGeneral = QStringLiteral("General");
const QString kDirectories = QStringLiteral("Directories");
const QString kAttributes = QStringLiteral("Attributes");

TBPreferences* prefs()
{
    return TBPreferences::sharedPreferences();
}

QPointer<TBPrefsController> s_sharedController;

} // namespace

void TBPrefsController::showPreferencesWindow()
{
    if (!s_sharedController) {
        s_sharedController = new TBPrefsController;
        // Closing only hides the window; it goes when the application quits, after committing.
        if (QCoreApplication* app = QCoreApplication::instance())
            connect(app, &QCoreApplication::aboutToQuit, s_sharedController.data(), &QObject::deleteLater);
    }
    s_sharedController->show();
    s_sharedController->raise();
    s_sharedController->activateWindow();
}

TBPrefsController* TBPrefsController::existingController()
{
    return s_sharedController.data();
}

TBPrefsController::TBPrefsController(QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Preferences"));
    setWindowTitle(tr("Preferences"));
    setContextMenuPolicy(Qt::PreventContextMenu); // the toolbar is not customisable

    m_prefsTabView = new QStackedWidget(this);
    m_prefsTabView->setObjectName(QStringLiteral("prefsTabView"));
    m_prefsTabView->addWidget(m_generalTab = new TBPrefsGeneralTab);
    m_prefsTabView->addWidget(m_directoriesTab = new TBPrefsDirectoriesTab);
    m_prefsTabView->addWidget(m_attributesTab = new TBPrefsAttributesTab);
    setCentralWidget(m_prefsTabView);
    buildToolbar();
    addWindowCommands();

    QString tab = prefs()->prefToolbar();
    if (!TBPreferences::toolbarIdentifiers().contains(tab))
        tab = kGeneral;
    if (QAction* item = toolbarItem(tab))
        item->setChecked(true);
    if (QWidget* page = m_prefsTabView->findChild<QWidget*>(tab, Qt::FindDirectChildrenOnly))
        m_prefsTabView->setCurrentWidget(page);

    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &TBPrefsController::commitEditing);
    resize(720, 600); // room for the attributes outline's four columns
}

TBPrefsController::~TBPrefsController() = default;

void TBPrefsController::buildToolbar()
{
    m_toolbar = addToolBar(tr("Preferences"));
    m_toolbar->setObjectName(QStringLiteral("toolbar"));
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->toggleViewAction()->setVisible(false);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolbar->setIconSize(QSize(32, 32));
    m_toolbarGroup = new QActionGroup(this);
    m_toolbarGroup->setExclusive(true);

    const QList<std::pair<QString, QStyle::StandardPixmap>> items {
        {kGeneral, QStyle::SP_FileDialogDetailedView},
        {kDirectories, QStyle::SP_DirIcon},
        {kAttributes, QStyle::SP_FileDialogListView},
    };
    const QStringList labels {tr("General"), tr("Directories"), tr("Attributes")};
    for (qsizetype i = 0; i < items.size(); ++i) {
        const QString identifier = items.at(i).first;
        QAction* item = m_toolbar->addAction(style()->standardIcon(items.at(i).second), labels.at(i));
        item->setObjectName(identifier + QStringLiteral("ToolbarItem"));
        item->setData(identifier);
        item->setCheckable(true);
        m_toolbarGroup->addAction(item);
        connect(item, &QAction::triggered, this, [this, identifier] { toolbarClicked(identifier); });
    }
}

void TBPrefsController::addWindowCommands()
{
    // The window has no menu bar, so the usual window keys are its own; the sheets it opens are
    // windows of their own and keep Escape for themselves.
    m_closeAction = new QAction(tr("Close"), this);
    m_closeAction->setObjectName(QStringLiteral("performClose:"));
    m_closeAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_W), QKeySequence(Qt::Key_Escape)});
    connect(m_closeAction, &QAction::triggered, this, &QWidget::close);
    m_quitAction = new QAction(tr("Quit"), this);
    m_quitAction->setObjectName(QStringLiteral("terminate:"));
    m_quitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(m_quitAction, &QAction::triggered, this, &TBPrefsController::quitRequested);
    addActions({m_closeAction, m_quitAction});
}

QAction* TBPrefsController::toolbarItem(const QString& identifier) const
{
    for (QAction* item : m_toolbarGroup->actions()) {
        if (item->data().toString() == identifier)
            return item;
    }
    return nullptr;
}

void TBPrefsController::toolbarClicked(const QString& identifier)
{
    QWidget* page = m_prefsTabView->findChild<QWidget*>(identifier, Qt::FindDirectChildrenOnly);
    if (!page || !TBPreferences::toolbarIdentifiers().contains(identifier))
        return;
    m_prefsTabView->setCurrentWidget(page);
    if (QAction* item = toolbarItem(identifier))
        item->setChecked(true);
    prefs()->setPrefToolbar(identifier);
    prefs()->savePrefs();
}

QString TBPrefsController::currentTab() const
{
    return m_prefsTabView->currentWidget() ? m_prefsTabView->currentWidget()->objectName() : QString();
}

void TBPrefsController::commitEditing()
{
    for (int i = 0; i < m_prefsTabView->count(); ++i) {
        if (auto* tab = qobject_cast<TBPrefsTab*>(m_prefsTabView->widget(i)))
            tab->commitEditing();
    }
}

void TBPrefsController::closeEvent(QCloseEvent* event)
{
    commitEditing();
    QMainWindow::closeEvent(event);
}

void TBPrefsController::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow())
        commitEditing();
    QMainWindow::changeEvent(event);
}
