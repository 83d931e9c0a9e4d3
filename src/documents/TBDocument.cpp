#include "TBDocument.h"

#include "TBAuthenticationSheet.h"
#include "TBCommandWhoami.h"
#include "TBDetailsTextView.h"
#include "TBEditCommands.h"
#include "TBFindBar.h"
#include "TBFonts.h"
#include "TBKeychainClient.h"
#include "TBNotificationCenter.h"
#include "TBOptionsSheet.h"
#include "TBPreferences.h"
#include "TBRichText.h"
#include "TBSearcher.h"
#include "TBTextView.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDrag>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QShowEvent>
#include <QSplitter>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

const QString TBDocument::noPasswordMarker = QStringLiteral("***no_password_required***");
int TBDocument::keychainTimeoutMs = 5000;

namespace {

std::function<Qt::KeyboardModifiers()>& modifierSource()
{
    static std::function<Qt::KeyboardModifiers()> source;
    return source;
}

const QString kDirectoryID = QStringLiteral("DirectoryID");

// Folder for pictures dragged out of the Details text; lives as long as the application.
QString dragFolder()
{
    static QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/tamblin-drag-XXXXXX"));
    return folder.isValid() ? folder.path() : QString();
}

} // namespace

QIcon TBDocument::applicationIcon()
{
    return QIcon(QStringLiteral(":/ui/tamblin.svg"));
}

TBDocument::TBDocument(QWidget* parent)
    : QMainWindow(parent)
    , m_optionsMenuTitle(QStringLiteral("Options..."))
    , m_actions(this)
{
    setAttribute(Qt::WA_DeleteOnClose);
    // A new window opens on the directory last chosen in any window.
    m_currentDirectoryID = TBPreferences::sharedPreferences()->currentDirectoryID();
    m_searcher = new TBSearcher(this, this);

    connect(m_actions.performClose, &QAction::triggered, this, &TBDocument::performClose);
    connect(m_actions.exportEntries, &QAction::triggered, this, &TBDocument::exportEntries);
    connect(m_actions.exportCommandOutput, &QAction::triggered, this, &TBDocument::exportCommandOutput);
    const std::pair<QAction*, TBEditCommands::Command> editCommands[] = {
        {m_actions.cut, TBEditCommands::Cut},
        {m_actions.copy, TBEditCommands::Copy},
        {m_actions.del, TBEditCommands::Delete},
        {m_actions.selectAll, TBEditCommands::SelectAll},
    };
    // The Edit commands act on whichever widget has the focus.
    for (const auto& [action, command] : editCommands)
        connect(action, &QAction::triggered, this,
                [this, command] { TBEditCommands::perform(focusWidget(), command); });
    connect(m_actions.performFindPanelAction, &QAction::triggered, this, &TBDocument::showFindBar);
    connect(m_actions.whoami, &QAction::triggered, this, &TBDocument::whoami);
    connect(m_actions.searchOptions, &QAction::triggered, this, &TBDocument::openSearchOptions);
    connect(this, &TBDocument::validationChanged, this, &TBDocument::updateMenuActionState);
}

TBDocument::~TBDocument()
{
    // The searcher calls back into this window; it must go while the window is still whole.
    delete m_searcher;
    m_searcher = nullptr;
}

bool TBDocument::dataOfType(const QString&, QString* errorText, int* errorCode)
{
    if (errorText)
        *errorText = QStringLiteral("Not implemented");
    if (errorCode)
        *errorCode = -4;
    return false;
}

void TBDocument::loadWindow()
{
    if (m_windowLoaded)
        return;
    setupUi();
    m_windowLoaded = true;
    // The pane sizes are restored when the window first shows, once its layout has real sizes.
    showDetailsText();

    TBNotificationCenter* center = TBNotificationCenter::defaultCenter();
    center->addObserver(this, TBPrefsHaveChangedNotification,
                        [this](const TBNotification& n) { prefsHaveChangedNotification(n); });
    center->addObserver(this, TBPrefsDirectoriesHaveChangedNotification,
                        [this](const TBNotification& n) { prefsDirectoriesHaveChangedNotification(n); });
    center->addObserver(this, TBPrefsDirectoriesDeletedNotification,
                        [this](const TBNotification& n) { prefsDirectoriesDeletedNotification(n); });
    if (QCoreApplication::instance())
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, &TBDocument::terminateNotification);

    updateDirectoryPopUp();
    selectCurrentDirectory();
    windowDidLoad();
    updateOptionsMenu();
    updateMenuActionState();
}

QWidget* TBDocument::createTopSubView()
{
    return new QWidget;
}

void TBDocument::setupUi()
{
    resize(defaultWidth, defaultHeight);
    setWindowTitle(defaultDraftName());

    m_central = new QWidget(this);
    // Only a width here: the window's least height follows its contents, so that rows added above
    // the split view grow a short window instead of squeezing the panes below their minimums.
    m_central->setMinimumWidth(540);
    auto* layout = new QVBoxLayout(m_central);
    layout->setContentsMargins(10, 8, 10, 8);
    layout->setSpacing(6);

    m_topBarLayout = new QHBoxLayout;
    m_topBarLayout->setSpacing(8);
    auto* directoryLabel = new QLabel(tr("Directory:"), m_central);
    m_directoryPopUp = new QComboBox(m_central);
    m_directoryPopUp->setObjectName(QStringLiteral("directoryPopUp"));
    m_directoryPopUp->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_directoryPopUp->setMinimumContentsLength(24);
    directoryLabel->setBuddy(m_directoryPopUp);
    connect(m_directoryPopUp, &QComboBox::activated, this, &TBDocument::changeDirectory);

    m_progressIndicator = new QProgressBar(m_central);
    m_progressIndicator->setObjectName(QStringLiteral("progressIndicator"));
    m_progressIndicator->setRange(0, 1);
    m_progressIndicator->setTextVisible(false);
    m_progressIndicator->setFixedWidth(90);
    m_progressIndicator->setMaximumHeight(12);
    // Keeps its place in the row while hidden, so the buttons do not jump.
    QSizePolicy keep = m_progressIndicator->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    m_progressIndicator->setSizePolicy(keep);
    m_progressIndicator->hide();

    m_cancelButton = new QPushButton(tr("Cancel"), m_central);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    m_cancelButton->setEnabled(false);
    m_cancelButton->hide();
    connect(m_cancelButton, &QPushButton::clicked, this, &TBDocument::cancelSearchOperation);

    m_topBarLayout->addWidget(directoryLabel);
    m_topBarLayout->addWidget(m_directoryPopUp);
    m_topBarLayout->addStretch(1);
    m_topBarLayout->addWidget(m_progressIndicator);
    m_topBarLayout->addWidget(m_cancelButton);
    layout->addLayout(m_topBarLayout);

    if (QWidget* header = createHeaderView())
        layout->addWidget(header);

    m_splitView = new QSplitter(Qt::Vertical, m_central);
    m_splitView->setObjectName(QStringLiteral("splitView"));
    m_splitView->setChildrenCollapsible(false);
    m_splitView->setHandleWidth(7);

    m_topSubView = createTopSubView();
    m_topSubView->setObjectName(QStringLiteral("topSubView"));
    m_topSubView->setMinimumHeight(subviewTopHeight());

    m_detailsOutputBox = new QWidget;
    m_detailsOutputBox->setObjectName(QStringLiteral("detailsOutputBox"));
    // Expanded, the bottom pane is never less than 100 high; it may collapse completely.
    m_detailsOutputBox->setMinimumHeight(100);
    auto* boxLayout = new QVBoxLayout(m_detailsOutputBox);
    boxLayout->setContentsMargins(0, 2, 0, 0);
    boxLayout->setSpacing(0);

    auto* tabRow = new QHBoxLayout;
    tabRow->setSpacing(6);
    m_textSegmentedControl = new QTabBar(m_detailsOutputBox);
    m_textSegmentedControl->setObjectName(QStringLiteral("textSegmentedControl"));
    m_textSegmentedControl->setDocumentMode(true);
    m_textSegmentedControl->setDrawBase(false);
    m_textSegmentedControl->setExpanding(false);
    m_textSegmentedControl->addTab(tr("Details"));
    m_textSegmentedControl->addTab(tr("Output"));
    connect(m_textSegmentedControl, &QTabBar::tabBarClicked, this, &TBDocument::selectTextTab);

    m_clearTextButton = new QPushButton(tr("Clear Output"), m_detailsOutputBox);
    m_clearTextButton->setObjectName(QStringLiteral("clearTextButton"));
    m_clearTextButton->setToolTip(tr("Remove all text from the Output tab"));
    m_clearTextButton->setEnabled(false);
    connect(m_clearTextButton, &QPushButton::clicked, this, &TBDocument::clearOutputText);
    tabRow->addWidget(m_textSegmentedControl);
    tabRow->addStretch(1);
    tabRow->addWidget(m_clearTextButton);
    boxLayout->addLayout(tabRow);

    m_textTabView = new QStackedWidget(m_detailsOutputBox);
    m_textTabView->setObjectName(QStringLiteral("textTabView"));
    auto* detailsPage = new QWidget;
    detailsPage->setObjectName(QStringLiteral("Details"));
    auto* outputPage = new QWidget;
    outputPage->setObjectName(QStringLiteral("Output"));
    m_detailsText = new TBDetailsTextView(detailsPage);
    m_detailsText->setObjectName(QStringLiteral("detailsText"));
    m_commandOutputText = new TBTextView(outputPage);
    m_commandOutputText->setObjectName(QStringLiteral("commandOutputText"));
    for (auto [page, view] : {std::pair<QWidget*, TBTextView*>(detailsPage, m_detailsText),
                              std::pair<QWidget*, TBTextView*>(outputPage, m_commandOutputText)}) {
        auto* pageLayout = new QVBoxLayout(page);
        pageLayout->setContentsMargins(0, 0, 0, 0);
        pageLayout->addWidget(view);
        connect(view, &TBTextView::findRequested, this, &TBDocument::showFindBar);
    }
    m_textTabView->addWidget(detailsPage);
    m_textTabView->addWidget(outputPage);
    boxLayout->addWidget(m_textTabView, 1);
    connect(m_detailsText, &TBDetailsTextView::pictureDragRequested, this, &TBDocument::startPictureDrag);
    connect(m_detailsText, &TBDetailsTextView::savePictureRequested, this, &TBDocument::savePictureAs);
    connect(m_commandOutputText->document(), &QTextDocument::contentsChanged, this, [this] {
        m_clearTextButton->setEnabled(!m_commandOutputText->isEmpty());
        Q_EMIT validationChanged();
    });

    m_findBar = new TBFindBar(m_detailsOutputBox);
    boxLayout->addWidget(m_findBar);

    m_splitView->addWidget(m_topSubView);
    m_splitView->addWidget(m_detailsOutputBox);
    m_splitView->setCollapsible(0, false);
    m_splitView->setCollapsible(1, true);
    // A growing window gives its height to the top pane; see resizeEvent for shrinking.
    m_splitView->setStretchFactor(0, 1);
    m_splitView->setStretchFactor(1, 0);
    m_splitView->setSizes({defaultHeight - 300, 220});
    m_splitView->handle(1)->installEventFilter(this);
    connect(m_splitView, &QSplitter::splitterMoved, this, &TBDocument::splitViewDidResizeSubviews);
    layout->addWidget(m_splitView, 1);

    setCentralWidget(m_central);
}

QMessageBox* TBDocument::messageSheet() const
{
    return m_messageSheet;
}

QFileDialog* TBDocument::savePanel() const
{
    return m_savePanel;
}

TBOptionsSheet* TBDocument::editOptionsSheet() const
{
    return m_editOptionsSheet;
}

TBAuthenticationSheet* TBDocument::authenticationSheet() const
{
    return m_authenticationSheet;
}

TBDirectoryPtr TBDocument::currentDirectory() const
{
    return TBPreferences::sharedPreferences()->directoryWithID(m_currentDirectoryID);
}

bool TBDocument::searcherBusy() const
{
    return m_searcher && m_searcher->busy();
}

bool TBDocument::documentBusy() const
{
    return m_exporting || searcherBusy();
}

void TBDocument::updateMenuActionState()
{
    // Shortcuts fire without a menu opening: each command's slot checks its query again as well.
    m_actions.exportEntries->setEnabled(canExportEntries());
    m_actions.exportCommandOutput->setEnabled(canExportCommandOutput());
    QWidget* focus = focusWidget();
    m_actions.cut->setEnabled(TBEditCommands::canPerform(focus, TBEditCommands::Cut));
    m_actions.copy->setEnabled(TBEditCommands::canPerform(focus, TBEditCommands::Copy));
    m_actions.del->setEnabled(TBEditCommands::canPerform(focus, TBEditCommands::Delete));
    m_actions.selectAll->setEnabled(TBEditCommands::canPerform(focus, TBEditCommands::SelectAll));
    m_actions.whoami->setEnabled(canWhoami());
    m_actions.searchOptions->setEnabled(canSearchOptions());
}

// Window

void TBDocument::closeEvent(QCloseEvent* event)
{
    // A window cannot be closed while a tool runs, an export is under way or a keyring call waits.
    if (documentBusy() || m_keychainPending) {
        event->ignore();
        QApplication::beep();
        return;
    }
    windowWillClose();
    QMainWindow::closeEvent(event);
}

void TBDocument::windowWillClose()
{
    if (m_closed)
        return;
    m_closed = true;
    delete m_searcher;
    m_searcher = nullptr;
}

void TBDocument::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        updateOptionsMenu();
    QMainWindow::changeEvent(event);
}

void TBDocument::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_windowLoaded && !m_shouldSaveSubviewSizes && !event->spontaneous()) {
        restoreSubviewSizes();
        m_shouldSaveSubviewSizes = true;
    }
}

void TBDocument::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (m_shouldSaveSubviewSizes)
        saveSubviewSizes();
}

bool TBDocument::eventFilter(QObject* watched, QEvent* event)
{
    if (m_splitView && watched == m_splitView->handle(1) && event->type() == QEvent::MouseButtonDblClick) {
        toggleBottomCollapsed();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// Notifications

void TBDocument::terminateNotification()
{
    if (searcherBusy())
        m_searcher->cancelOperation();
}

void TBDocument::prefsHaveChangedNotification(const TBNotification&) { }

void TBDocument::prefsDirectoriesHaveChangedNotification(const TBNotification& notification)
{
    updateDirectoryPopUp();
    TBPreferences* prefs = TBPreferences::sharedPreferences();
    if (m_currentDirectoryID == 0 && !prefs->directories().isEmpty())
        m_currentDirectoryID = qint64(prefs->directories().first()->directoryID());
    selectCurrentDirectory();
    const QVariant edited = notification.userInfo.value(kDirectoryID);
    if (edited.isValid() && edited.toLongLong() == m_lastSearchedDirectoryID)
        m_lastSearchedDirectoryID = 0;
}

void TBDocument::prefsDirectoriesDeletedNotification(const TBNotification& notification)
{
    const bool anyLeft = !TBPreferences::sharedPreferences()->directories().isEmpty();
    const QVariantList deleted = notification.userInfo.value(kDirectoryID).toList();
    for (const QVariant& value : deleted) {
        const qint64 id = value.toLongLong();
        if (id == m_currentDirectoryID)
            m_currentDirectoryID = anyLeft ? -1 : 0;
        if (id == m_lastSearchedDirectoryID)
            m_lastSearchedDirectoryID = -1;
    }
    updateDirectoryPopUp();
    selectCurrentDirectory();
}

// Directory pop-up

QString TBDocument::directoryTooltip(const TBDirectory& directory)
{
    // No-break spaces keep the search base on one line in the tooltip.
    QString base = directory.searchBase();
    base.replace(QLatin1Char(' '), QChar(QChar::Nbsp));
    return QStringLiteral("%1\n%2").arg(directory.ldapURI(), base);
}

void TBDocument::updateDirectoryPopUp()
{
    if (!m_directoryPopUp)
        return;
    const QSignalBlocker blocker(m_directoryPopUp);
    m_directoryPopUp->clear();
    auto* model = qobject_cast<QStandardItemModel*>(m_directoryPopUp->model());
    const QList<TBDirectoryPtr>& directories = TBPreferences::sharedPreferences()->directories();
    if (directories.isEmpty()) {
        m_directoryPopUp->addItem(QStringLiteral("None Defined"));
        if (model)
            model->item(0)->setEnabled(false);
        m_directoryPopUp->setEnabled(false);
        return;
    }
    for (const TBDirectoryPtr& directory : directories) {
        const QString name = directory->directoryName().isEmpty() ? QStringLiteral("Error - Missing Directory Name")
                                                                  : directory->directoryName();
        m_directoryPopUp->addItem(name);
        m_directoryPopUp->setItemData(m_directoryPopUp->count() - 1, directoryTooltip(*directory), Qt::ToolTipRole);
    }
    if (m_currentDirectoryID == -1) {
        m_directoryPopUp->insertSeparator(m_directoryPopUp->count());
        m_directoryPopUp->addItem(QStringLiteral("Directory Deleted"));
        if (model)
            model->item(m_directoryPopUp->count() - 1)->setEnabled(false);
    }
    m_directoryPopUp->setEnabled(true);
}

void TBDocument::selectCurrentDirectory()
{
    if (!m_directoryPopUp)
        return;
    TBPreferences* prefs = TBPreferences::sharedPreferences();
    qsizetype index = -1;
    if (m_currentDirectoryID == 0)
        index = 0;
    else if (m_currentDirectoryID == -1)
        index = prefs->directories().size() + 1;
    else
        index = prefs->directoryIndexWithID(m_currentDirectoryID);
    const QSignalBlocker blocker(m_directoryPopUp);
    m_directoryPopUp->setCurrentIndex(int(index < m_directoryPopUp->count() ? index : -1));
    const TBDirectoryPtr directory = currentDirectory();
    m_directoryPopUp->setToolTip(m_currentDirectoryID > 0 && directory && index >= 0 ? directoryTooltip(*directory)
                                                                                     : QString());
}

void TBDocument::changeDirectory(int index)
{
    TBPreferences* prefs = TBPreferences::sharedPreferences();
    if (index < 0 || index >= prefs->directories().size())
        return;
    if (m_currentDirectoryID == -1) {
        // Leaving the deleted state: drop the separator and "Directory Deleted".
        const QSignalBlocker blocker(m_directoryPopUp);
        while (m_directoryPopUp->count() > prefs->directories().size())
            m_directoryPopUp->removeItem(m_directoryPopUp->count() - 1);
        m_directoryPopUp->setCurrentIndex(index);
    }
    const TBDirectoryPtr directory = prefs->directories().at(index);
    m_directoryPopUp->setToolTip(directoryTooltip(*directory));
    m_currentDirectoryID = qint64(directory->directoryID());
    prefs->setCurrentDirectoryID(m_currentDirectoryID);
    m_simpleID.clear();
    m_simplePassword.clear();
    Q_EMIT validationChanged();
}

void TBDocument::doThatDirectoryEnableThing(bool enable)
{
    auto* model = qobject_cast<QStandardItemModel*>(m_directoryPopUp->model());
    if (!model)
        return;
    const int selected = m_directoryPopUp->currentIndex();
    const int directories = int(TBPreferences::sharedPreferences()->directories().size());
    for (int i = 0; i < m_directoryPopUp->count(); ++i) {
        if (i == selected)
            continue;
        // The placeholder items stay disabled whatever the state.
        const bool placeholder = i >= directories;
        if (QStandardItem* item = model->item(i))
            item->setEnabled(enable && !placeholder);
    }
}

// Split view

bool TBDocument::bottomCollapsed() const
{
    return m_splitView && m_splitView->sizes().value(1) == 0;
}

void TBDocument::toggleBottomCollapsed()
{
    const QList<int> sizes = m_splitView->sizes();
    const int total = sizes.value(0) + sizes.value(1);
    if (bottomCollapsed()) {
        int bottom = m_sizesBeforeCollapse.value(1, 220);
        bottom = qBound(100, bottom, qMax(100, total - subviewTopHeight()));
        m_splitView->setSizes({total - bottom, bottom});
    } else {
        m_sizesBeforeCollapse = sizes;
        m_splitView->setSizes({total, 0});
    }
    splitViewDidResizeSubviews();
}

void TBDocument::splitViewDidResizeSubviews()
{
    if (m_shouldSaveSubviewSizes && !bottomCollapsed())
        saveSubviewSizes();
}

// Text tabs and output

int TBDocument::currentTabView() const
{
    if (!m_textTabView || !m_textTabView->currentWidget())
        return 0;
    const QString identifier = m_textTabView->currentWidget()->objectName();
    return identifier == QLatin1String("Output") ? 1 : 0;
}

void TBDocument::showDetailsText()
{
    m_textTabView->setCurrentIndex(0);
    m_textSegmentedControl->setCurrentIndex(0);
    m_findBar->setTextView(m_detailsText);
    Q_EMIT validationChanged();
}

void TBDocument::showOutputText()
{
    m_textTabView->setCurrentIndex(1);
    m_textSegmentedControl->setCurrentIndex(1);
    m_findBar->setTextView(m_commandOutputText);
    Q_EMIT validationChanged();
}

void TBDocument::selectTextTab(int segment)
{
    if (segment == 0)
        showDetailsText();
    else if (segment == 1)
        showOutputText();
    else
        QApplication::beep();
}

void TBDocument::showFindBar()
{
    m_findBar->setTextView(currentTabView() == 1 ? static_cast<TBTextView*>(m_commandOutputText) : m_detailsText);
    m_findBar->showAndFocus();
}

void TBDocument::clearOutputText()
{
    m_commandOutputText->clearText();
    Q_EMIT validationChanged();
}

void TBDocument::updateDetailsText()
{
    m_detailsText->clearText();
    m_detailsText->appendText(QStringLiteral("-"));
}

void TBDocument::appendOutputText(const QString& text, bool fixedFont)
{
    m_commandOutputText->appendText(text, fixedFont ? TBFonts::displayFixedFontAttributes() : QTextCharFormat());
}

void TBDocument::appendOutputData(const QByteArray& data, bool fixedFont)
{
    m_commandOutputText->appendUtf8(data, fixedFont ? TBFonts::displayFixedFontAttributes() : QTextCharFormat());
}

void TBDocument::appendOutputHorizontalLine()
{
    m_commandOutputText->appendHorizontalLine();
}

void TBDocument::searcherOperationFinished()
{
    setTheDeferredMessage(m_searcher->errorText(), m_searcher->errorTitle());
    const qint64 status = m_searcher->taskStatus();
    const bool canceled = m_userCanceled;
    if (status == 0 && m_currentCommand) {
        saveCredentialsInKeychain();
        if (m_currentCommand->commandType() == TBCommandTypeWhoami)
            whoamiCommandFinished();
        else
            commandSucceeded(m_currentCommand);
    }
    if (status != 0 && !canceled) {
        // A wrong password is forgotten so the next run asks again, with the DN filled in.
        if (status == 49)
            m_simplePassword.clear();
        m_showOutputTextAfterSheet = true;
    }
    restoreAfterRun(canceled);
    displayTheDeferredMessage();
}

// Message sheets

void TBDocument::displayMessageText(const QString& text, const QString& title)
{
    const bool hasText = !text.isEmpty();
    const bool hasTitle = !title.isEmpty();
    if (!hasText && !hasTitle) {
        QApplication::beep();
        return;
    }
    if (m_messageSheet) {
        m_waitingMessages.append({text, title});
        return;
    }
    auto* sheet = new QMessageBox(this);
    sheet->setWindowModality(Qt::WindowModal);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->setWindowTitle(hasTitle ? title : defaultDraftName());
    sheet->setIconPixmap(applicationIcon().pixmap(48, 48));
    // The heading in bold; the texts come from tools and servers, so they are never read as markup.
    const auto heading = [](const QString& line) { return QStringLiteral("<b>%1</b>").arg(line.toHtmlEscaped()); };
    if (hasText && hasTitle) {
        sheet->setObjectName(QStringLiteral("message1Sheet"));
        sheet->setTextFormat(Qt::RichText);
        sheet->setText(heading(title));
        sheet->setInformativeText(text);
    } else if (hasText) {
        sheet->setObjectName(QStringLiteral("message2Sheet"));
        sheet->setTextFormat(Qt::PlainText);
        sheet->setText(text);
    } else {
        sheet->setObjectName(QStringLiteral("message3Sheet"));
        sheet->setTextFormat(Qt::RichText);
        sheet->setText(heading(title));
    }
    sheet->setProperty("messageTitle", title);
    sheet->setProperty("messageText", text);
    if (auto* informative = sheet->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
        informative->setTextFormat(Qt::PlainText);
    // Wide enough that a sentence of advice does not become a narrow column.
    if (auto* grid = qobject_cast<QGridLayout*>(sheet->layout()))
        grid->addItem(new QSpacerItem(420, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), grid->rowCount(), 0, 1,
                      grid->columnCount());
    // Long texts (a tool's answer, an error) stay selectable for copying.
    sheet->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPushButton* ok = sheet->addButton(QMessageBox::Ok);
    ok->setObjectName(QStringLiteral("messageSheetOK"));
    m_messageSheet = sheet;
    connect(sheet, &QMessageBox::finished, this, [this, sheet] {
        if (m_messageSheet == sheet)
            m_messageSheet = nullptr;
        messageSheetEnd();
    });
    sheet->open();
}

void TBDocument::messageSheetEnd()
{
    if (m_showOutputTextAfterSheet) {
        showOutputText();
        m_showOutputTextAfterSheet = false;
    }
    if (!m_waitingMessages.isEmpty()) {
        const auto [text, title] = m_waitingMessages.takeFirst();
        // After the closing sheet has gone, or the new one would open under it.
        QTimer::singleShot(0, this, [this, text, title] { displayMessageText(text, title); });
    }
}

void TBDocument::setTheDeferredMessage(const QString& text, const QString& title)
{
    m_deferredMessageText = text;
    m_deferredMessageTitle = title;
}

void TBDocument::displayTheDeferredMessage()
{
    if (m_deferredMessageText.isEmpty() && m_deferredMessageTitle.isEmpty())
        return;
    const QString text = m_deferredMessageText;
    const QString title = m_deferredMessageTitle;
    m_deferredMessageText.clear();
    m_deferredMessageTitle.clear();
    displayMessageText(text, title);
}

// Pictures

QString TBDocument::freePictureFileName(const QString& folder, const QString& baseName)
{
    const QDir dir(folder);
    QString name = QStringLiteral("%1.jpg").arg(baseName);
    for (qint64 counter = 2; dir.exists(name); ++counter)
        name = QStringLiteral("%1 %2.jpg").arg(baseName).arg(counter);
    return name;
}

QString TBDocument::writePictureToFolder(const QImage& image, const QString& folder, const QString& baseName)
{
    if (image.isNull())
        return QString();
    const QByteArray jpeg = TBRichText::jpegData(image);
    if (jpeg.isEmpty())
        return QString();
    const QString name = freePictureFileName(folder, baseName);
    QSaveFile file(QDir(folder).filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(jpeg) != jpeg.size() || !file.commit())
        return QString();
    return name;
}

void TBDocument::startPictureDrag(const QImage& image)
{
    // Each drag gets a folder of its own, so the file keeps the plain name "Photo.jpg".
    const QString root = dragFolder();
    if (root.isEmpty() || image.isNull())
        return;
    QTemporaryDir folder(root + QStringLiteral("/drag-XXXXXX"));
    if (!folder.isValid())
        return;
    folder.setAutoRemove(false);
    const QString name = writePictureToFolder(image, folder.path(), draggedFileBaseName());
    if (name.isEmpty())
        return;
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(QDir(folder.path()).filePath(name))});
    data->setImageData(image);
    auto* drag = new QDrag(m_detailsText);
    drag->setMimeData(data);
    drag->setPixmap(QPixmap::fromImage(image.scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    drag->exec(Qt::CopyAction);
}

void TBDocument::savePictureAs(const QImage& image)
{
    if (image.isNull())
        return;
    QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    auto* panel = new QFileDialog(this, tr("Save Picture"));
    panel->setObjectName(QStringLiteral("savePicturePanel"));
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setAcceptMode(QFileDialog::AcceptSave);
    panel->setWindowModality(Qt::WindowModal);
    panel->setDefaultSuffix(QStringLiteral("jpg"));
    panel->setNameFilter(tr("JPEG pictures (*.jpg *.jpeg)"));
    panel->setDirectory(folder);
    panel->selectFile(freePictureFileName(folder, draggedFileBaseName()));
    connect(panel, &QFileDialog::fileSelected, this, [this, image](const QString& path) {
        const QByteArray jpeg = TBRichText::jpegData(image);
        QSaveFile file(path);
        if (jpeg.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(jpeg) != jpeg.size() || !file.commit()) {
            setTheDeferredMessage(QStringLiteral("%1\n(Error code: %2)").arg(file.errorString()).arg(int(file.error())),
                                  tr("Could not save picture"));
        }
    });
    connect(panel, &QFileDialog::finished, this, [this] { displayTheDeferredMessage(); });
    panel->open();
}

// Export of the command output

bool TBDocument::canExportCommandOutput() const
{
    return !documentBusy() && m_commandOutputText && !m_commandOutputText->isEmpty();
}

void TBDocument::exportCommandOutput()
{
    if (!canExportCommandOutput())
        return;
    m_exporting = true;
    Q_EMIT validationChanged();
    auto* panel = new QFileDialog(this, tr("Export Command Output"));
    panel->setObjectName(QStringLiteral("savePanel"));
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setAcceptMode(QFileDialog::AcceptSave);
    panel->setWindowModality(Qt::WindowModal);
    panel->setDefaultSuffix(QStringLiteral("txt"));
    panel->setNameFilter(tr("Text files (*.txt)"));
    panel->selectFile(QStringLiteral("Command Output.txt"));
    m_savePanel = panel;
    connect(panel, &QFileDialog::finished, this, [this, panel](int result) {
        if (result == QDialog::Accepted && !panel->selectedFiles().isEmpty())
            exportCommandOutputToPath(panel->selectedFiles().constFirst());
        m_exporting = false;
        m_savePanel = nullptr;
        Q_EMIT validationChanged();
        displayTheDeferredMessage();
    });
    panel->open();
}

bool TBDocument::exportCommandOutputToPath(const QString& path)
{
    const QByteArray text = m_commandOutputText->plainText().toUtf8();
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit())
        return true;
    setTheDeferredMessage(QStringLiteral("%1\n(Error code: %2)").arg(file.errorString()).arg(int(file.error())),
                          QStringLiteral("Could not write text"));
    return false;
}

// Options

void TBDocument::openSearchOptions()
{
    if (!canSearchOptions() || m_editOptionsSheet)
        return;
    QString title = m_optionsMenuTitle;
    if (title.endsWith(QLatin1String("...")))
        title.chop(3);
    auto* sheet = new TBOptionsSheet(
        title, [this] { return getDefaultOptions(); }, this);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->setTempSearchOptions(m_searchOptions.isEmpty() ? getDefaultOptions() : m_searchOptions);
    sheet->updateOptionsSheetUI();
    m_editOptionsSheet = sheet;
    connect(sheet, &QDialog::accepted, this, [this, sheet] {
        m_searchOptions = sheet->tempSearchOptions();
        updateDetailsText();
    });
    sheet->open();
}

TBRunSettings TBDocument::runSettings() const
{
    return TBPreferences::sharedPreferences()->runSettings(m_searchOptions);
}

QVariantMap TBDocument::getDefaultOptions() const
{
    const TBPreferences* prefs = TBPreferences::sharedPreferences();
    return QVariantMap {
        {QStringLiteral("FetchWhichAttrs"), prefs->fetchWhichAttrs()},
        {QStringLiteral("MaxHits"), prefs->maxHits()},
        {QStringLiteral("TimeLimit"), prefs->timeLimit()},
        {QStringLiteral("ConnectTimeout"), prefs->connectTimeout()},
        {QStringLiteral("DecodeBase64"), prefs->decodeBase64()},
        {QStringLiteral("DiscardOutput"), prefs->discardOutput()},
        {QStringLiteral("EnableDebug"), prefs->enableDebug()},
        {QStringLiteral("DebugLevel"), prefs->debugLevel()},
        {QStringLiteral("AutoAddDiscoveredAttributes"), prefs->autoAddDiscoveredAttributes()},
        {QStringLiteral("AutoDisplayAttributeColumns"), prefs->autoDisplayAttributeColumns()},
    };
}

void TBDocument::updateOptionsMenu()
{
    m_actions.searchOptions->setText(m_optionsMenuTitle);
}

// Credentials

Qt::KeyboardModifiers TBDocument::currentModifiers()
{
    if (modifierSource())
        return modifierSource()();
    return QGuiApplication::queryKeyboardModifiers();
}

void TBDocument::setModifierSource(std::function<Qt::KeyboardModifiers()> source)
{
    modifierSource() = std::move(source);
}

TBKeychainItem TBDocument::credentialsKey(const QString& ldapURI, const QString& simpleID)
{
    return TBKeychain::itemForURI(ldapURI, simpleID);
}

bool TBDocument::needsAuthentication()
{
    const TBDirectoryPtr directory = currentDirectory();
    if (!directory) {
        displayMessageText(
            QStringLiteral("Could not find directory for currentDirectoryID %1").arg(m_currentDirectoryID),
            QStringLiteral("Internal Error"));
        return false;
    }
    const quint64 authentication = directory->authentication();
    if (authentication == 0 || authentication == 3 || directory->ldapURI().isEmpty())
        return false;
    m_ignoreKeychain = false;
    if (currentModifiers() & Qt::AltModifier) {
        // Alt while starting a command always asks.
        m_ignoreKeychain = true;
        return true;
    }
    if (authentication == 1)
        return m_simpleID.isEmpty();
    if (authentication == 2)
        return m_simpleID.isEmpty() || m_simplePassword.isEmpty();
    return false;
}

void TBDocument::getSimpleCredentials(std::function<void()> endSelector)
{
    if (m_simpleID.isEmpty() || m_simplePassword == noPasswordMarker)
        m_ignoreKeychain = true;
    m_canceledAuthentication = false;
    m_authEndSelector = std::move(endSelector);
    const TBDirectoryPtr directory = currentDirectory();
    if (m_ignoreKeychain || !directory) {
        showAuthenticationSheet();
        return;
    }
    // The keyring may take its time (a locked keyring asks to be unlocked): wait for it without
    // blocking the window, and give up after a bound.
    m_keychainPending = true;
    m_progressIndicator->setRange(0, 0);
    m_progressIndicator->show();
    Q_EMIT validationChanged();
    const TBKeychainItem key = credentialsKey(directory->ldapURI(), m_simpleID);
    TBKeychainClient::findPassword(key, keychainTimeoutMs, this, [this](const QString& password) {
        m_keychainPending = false;
        m_progressIndicator->hide();
        m_progressIndicator->setRange(0, 1);
        Q_EMIT validationChanged();
        if (!password.isEmpty()) {
            m_simplePassword = password;
            if (m_authEndSelector)
                std::exchange(m_authEndSelector, nullptr)();
            return;
        }
        showAuthenticationSheet();
    });
}

void TBDocument::showAuthenticationSheet()
{
    const TBDirectoryPtr directory = currentDirectory();
    QString server;
    if (directory)
        server = QStringLiteral("%1 (%2)").arg(directory->directoryName(), directory->ldapURI());
    auto* sheet = new TBAuthenticationSheet(this);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->prepare(m_simpleID, m_simplePassword == noPasswordMarker, server);
    m_authenticationSheet = sheet;
    connect(sheet, &QDialog::accepted, this, &TBDocument::authenticationOK);
    connect(sheet, &QDialog::rejected, this, &TBDocument::authenticationCancel);
    sheet->open();
    sheet->activateWindow();
}

void TBDocument::authenticationOK()
{
    TBAuthenticationSheet* sheet = m_authenticationSheet;
    if (!sheet)
        return;
    const QString previousID = m_simpleID;
    m_simpleID = sheet->idText();
    if (!sheet->passwordHidden())
        m_simplePassword = sheet->passwordText();
    // Only the DN the window already had (the directory's) gets its password stored.
    m_saveInKeychain = sheet->useKeychain() && m_simpleID == previousID;
    m_authenticationSheet = nullptr;
    if (m_authEndSelector)
        std::exchange(m_authEndSelector, nullptr)();
}

void TBDocument::authenticationCancel()
{
    m_canceledAuthentication = true;
    m_authenticationSheet = nullptr;
    if (m_authEndSelector)
        std::exchange(m_authEndSelector, nullptr)();
}

void TBDocument::saveCredentialsInKeychain()
{
    if (!m_saveInKeychain || m_simpleID.isEmpty() || m_simplePassword.isEmpty())
        return;
    const TBDirectoryPtr directory = currentDirectory();
    if (!directory)
        return;
    TBKeychainClient::storePassword(credentialsKey(directory->ldapURI(), m_simpleID), m_simplePassword,
                                    keychainTimeoutMs);
}

// Running commands

bool TBDocument::canRunCommand() const
{
    return !documentBusy() && !m_currentCommand && !m_keychainPending && m_currentDirectoryID != 0
        && m_currentDirectoryID != -1;
}

bool TBDocument::canCancelSearchOperation() const
{
    return !m_exporting && searcherBusy();
}

void TBDocument::whoami()
{
    if (!canWhoami())
        return;
    auto command = std::make_shared<TBCommandWhoami>();
    clearOutputText();
    setupCommand(command);
}

void TBDocument::setupCommand(const TBCommandPtr& command)
{
    if (!command) {
        displayMessageText(QStringLiteral("Could not create command object"), QStringLiteral("Internal Error"));
        return;
    }
    const TBDirectoryPtr directory = currentDirectory();
    if (!directory) {
        displayMessageText(
            QStringLiteral("Could not find directory for currentDirectoryID %1").arg(m_currentDirectoryID),
            QStringLiteral("Internal Error"));
        return;
    }
    if (m_simpleID.isEmpty())
        m_simpleID = directory->simpleID();
    m_currentCommand = command;
    command->setSimpleID(m_simpleID);
    command->setSimplePassword(m_simplePassword);
    m_canceledAuthentication = false;
    Q_EMIT validationChanged();
    if (!needsAuthentication()) {
        runCommand();
        return;
    }
    getSimpleCredentials([this] { runCommand(); });
}

void TBDocument::runCommand()
{
    if (!m_currentCommand) {
        displayMessageText(QStringLiteral("Missing command object"), QStringLiteral("Internal Error"));
        return;
    }
    if (m_canceledAuthentication) {
        m_currentCommand.reset();
        Q_EMIT validationChanged();
        return;
    }
    const TBCommandPtr command = m_currentCommand;
    command->setSimpleID(m_simpleID);
    command->setSimplePassword(m_simplePassword);
    command->setDirectory(currentDirectory());
    const bool showOnly = currentModifiers() & Qt::ControlModifier;
    // Resolved once: the command carries these settings to the searcher and the parser.
    if (!command->setupCommandAndArguments(runSettings())) {
        if (!command->errorMessage().isEmpty())
            displayMessageText(command->errorMessage(), QStringLiteral("Could not run command"));
        m_currentCommand.reset();
        Q_EMIT validationChanged();
        return;
    }
    appendOutputText(QStringLiteral("\nCommand:\n\n"), false);
    appendOutputText(command->displayCommandString(), true);
    if (showOnly) {
        // Ctrl shows the command without running it.
        showOutputText();
        m_currentCommand.reset();
        Q_EMIT validationChanged();
        return;
    }
    if (!m_searcher->runCommand(*command)) {
        m_currentCommand.reset();
        // The tool could not be started (missing or not executable): say so rather than nothing.
        const QString why = m_searcher->errorText();
        if (!why.isEmpty()) {
            m_showOutputTextAfterSheet = true;
            displayMessageText(why, QStringLiteral("Could not run command"));
        }
        Q_EMIT validationChanged();
        return;
    }
    commandDidStart();
    Q_EMIT validationChanged();
}

void TBDocument::commandDidStart()
{
    doThatDirectoryEnableThing(false);
    m_cancelButton->setEnabled(true);
    m_cancelButton->show();
    m_progressIndicator->setRange(0, 0);
    m_progressIndicator->show();
}

void TBDocument::commandDidEnd()
{
    m_userCanceled = false;
    m_cancelButton->setEnabled(false);
    m_cancelButton->hide();
    Q_EMIT validationChanged();
}

void TBDocument::restoreAfterRun(bool afterCancel)
{
    m_progressIndicator->hide();
    m_progressIndicator->setRange(0, 1);
    m_currentCommand.reset();
    if (afterCancel) {
        // The Cancel button stays (disabled) a moment, so a second click cannot hit Search.
        QTimer::singleShot(1000, this, [this] { commandDidEnd(); });
    } else {
        commandDidEnd();
    }
    m_userCanceled = false;
    doThatDirectoryEnableThing(true);
    Q_EMIT validationChanged();
}

void TBDocument::cancelSearchOperation()
{
    if (!canCancelSearchOperation())
        return;
    m_cancelButton->setEnabled(false);
    m_userCanceled = true;
    m_searcher->cancelOperation();
}

void TBDocument::whoamiCommandFinished()
{
    QString answer = QString::fromUtf8(m_searcher->outputData());
    while (answer.endsWith(QLatin1Char('\n')) || answer.endsWith(QLatin1Char('\r')))
        answer.chop(1);
    setTheDeferredMessage(answer, QStringLiteral("Who am I? Response:"));
}
