#include "TBDocument.h"

#include "TBCommandWhoami.h"
#include "TBFileWriter.h"
#include "TBFonts.h"
#include "TBNotificationCenter.h"
#include "TBOptionsSheet.h"
#include "TBPreferences.h"
#include "TBPrintPanelAccessoryController.h"
#include "TBSavePanel.h"
#include "TBSearcher.h"
#include "TBTextView.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

namespace {

const QString kDirectoryID = QStringLiteral("DirectoryID");

} // namespace

TBDocument::TBDocument(QWidget* parent)
    : QMainWindow(parent)
    , m_optionsMenuTitle(QStringLiteral("Options..."))
    , m_actions(this)
{
    setAttribute(Qt::WA_DeleteOnClose);
    // A new window opens on the directory last chosen in any window.
    m_currentDirectoryID = TBPreferences::sharedPreferences()->currentDirectoryID();
    m_searcher = new TBSearcher(this, this);
    m_messages = new TBMessageQueue(this);
    connect(m_messages, &TBMessageQueue::messageSheetEnded, this, &TBDocument::messageSheetEnd);
    m_credentials = new TBCredentials(this, [this] { return currentDirectory(); });
    connect(m_credentials, &TBCredentials::waitingForKeychainChanged, this, &TBDocument::showWaiting);
    m_printer = new TBDocumentPrinter(this);
    connect(m_printer, &TBDocumentPrinter::printingChanged, this, &TBDocument::printingDidChange);

    m_actions.connectTo(this);
    connect(this, &TBDocument::validationChanged, this, &TBDocument::updateMenuActionState);
}

TBDocument::~TBDocument()
{
    // The searcher calls back into this window; it must go while the window is still whole.
    delete m_searcher;
    m_searcher = nullptr;
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
    center->addObserver(this, TBPrintPreviewUpdateNotification,
                        [this](const TBNotification& n) { printPreviewUpdateNotification(n); });
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
    m_ui.setupTopBar(this);
    connect(m_ui.directoryPopUp, &QComboBox::activated, this, &TBDocument::changeDirectory);
    connect(m_ui.cancelButton, &QPushButton::clicked, this, &TBDocument::cancelSearchOperation);
    // The subclass's hooks may add to the top row.
    m_ui.addHeader(createHeaderView());
    QWidget* top = createTopSubView();
    m_ui.setupSplitView(top, subviewTopHeight(), defaultHeight - 300, 220);

    connect(m_ui.detailsOutputBox, &TBDetailsOutputBox::textTabChanged, this, &TBDocument::validationChanged);
    connect(m_ui.detailsOutputBox, &TBDetailsOutputBox::outputChanged, this, &TBDocument::validationChanged);
    connect(detailsText(), &TBDetailsTextView::pictureDragRequested, this, &TBDocument::startPictureDrag);
    connect(detailsText(), &TBDetailsTextView::savePictureRequested, this, &TBDocument::savePictureAs);
    m_splitViewSizes = new TBSplitViewSizes(m_ui.splitView, [this] { return subviewTopHeight(); });
    connect(m_splitViewSizes, &TBSplitViewSizes::subviewsResized, this, &TBDocument::splitViewDidResizeSubviews);
    setCentralWidget(m_ui.central);
}

QFileDialog* TBDocument::savePanel() const
{
    return m_savePanel;
}

TBOptionsSheet* TBDocument::editOptionsSheet() const
{
    return m_editOptionsSheet;
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
    return m_exporting || searcherBusy() || printing();
}

void TBDocument::updateMenuActionState()
{
    m_actions.update(*this);
}

// Window

void TBDocument::closeEvent(QCloseEvent* event)
{
    // A window cannot be closed while a tool runs, an export is under way or a keyring call waits.
    if (documentBusy() || waitingForKeychain()) {
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

void TBDocument::updateDirectoryPopUp()
{
    if (m_ui.directoryPopUp)
        m_ui.directoryPopUp->updateDirectories(m_currentDirectoryID == -1);
}

void TBDocument::selectCurrentDirectory()
{
    if (m_ui.directoryPopUp)
        m_ui.directoryPopUp->selectDirectory(m_currentDirectoryID);
}

void TBDocument::changeDirectory(int index)
{
    const TBDirectoryPtr directory = m_ui.directoryPopUp->directoryChosen(index, m_currentDirectoryID == -1);
    if (!directory)
        return;
    m_currentDirectoryID = qint64(directory->directoryID());
    TBPreferences::sharedPreferences()->setCurrentDirectoryID(m_currentDirectoryID);
    setSimpleID(QString());
    setSimplePassword(QString());
    Q_EMIT validationChanged();
}

// Split view

void TBDocument::splitViewDidResizeSubviews()
{
    if (m_shouldSaveSubviewSizes && !bottomCollapsed())
        saveSubviewSizes();
}

// Text tabs and output

void TBDocument::clearOutputText()
{
    commandOutputText()->clearText();
    Q_EMIT validationChanged();
}

void TBDocument::updateDetailsText()
{
    detailsText()->clearText();
    detailsText()->appendText(QStringLiteral("-"));
}

void TBDocument::appendOutputText(const QString& text, bool fixedFont)
{
    commandOutputText()->appendText(text, fixedFont ? TBFonts::displayFixedFontAttributes() : QTextCharFormat());
}

void TBDocument::appendOutputData(const QByteArray& data, bool fixedFont)
{
    commandOutputText()->appendUtf8(data, fixedFont ? TBFonts::displayFixedFontAttributes() : QTextCharFormat());
}

void TBDocument::appendOutputHorizontalLine()
{
    commandOutputText()->appendHorizontalLine();
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
            setSimplePassword(QString());
        m_showOutputTextAfterSheet = true;
    }
    restoreAfterRun(canceled);
    displayTheDeferredMessage();
}

// Message sheets

void TBDocument::messageSheetEnd()
{
    if (m_showOutputTextAfterSheet) {
        showNewOutputText();
        m_showOutputTextAfterSheet = false;
    }
}

// Pictures

// Export of the command output

bool TBDocument::canExportCommandOutput() const
{
    return !documentBusy() && commandOutputText() && !commandOutputText()->isEmpty();
}

void TBDocument::exportCommandOutput()
{
    if (!canExportCommandOutput())
        return;
    m_exporting = true;
    Q_EMIT validationChanged();
    QFileDialog* panel = TBSavePanel::make(this, tr("Export Command Output"), QStringLiteral("savePanel"),
                                           QStringLiteral("txt"), {tr("Text files (*.txt)")});
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
    TBFileError error;
    if (TBFileWriter::write(path, commandOutputText()->plainText().toUtf8(), &error))
        return true;
    setTheDeferredMessage(error.messageText(), QStringLiteral("Could not write text"));
    return false;
}

// Options

void TBDocument::openSearchOptions()
{
    if (!canSearchOptions() || m_editOptionsSheet)
        return;
    m_editOptionsSheet = TBOptionsSheet::openOn(
        this, m_optionsMenuTitle, m_searchOptions, [this] { return getDefaultOptions(); },
        [this](const QVariantMap& options) {
            m_searchOptions = options;
            updateDetailsText();
        });
}

TBRunSettings TBDocument::runSettings() const
{
    return TBPreferences::sharedPreferences()->runSettings(m_searchOptions);
}

QVariantMap TBDocument::getDefaultOptions() const
{
    return TBOptionsSheet::preferenceOptions();
}

void TBDocument::updateOptionsMenu()
{
    m_actions.searchOptions->setText(m_optionsMenuTitle);
}

// Credentials

bool TBDocument::needsAuthentication()
{
    const TBDirectoryPtr directory = currentDirectory();
    if (!directory) {
        displayMessageText(
            QStringLiteral("Could not find directory for currentDirectoryID %1").arg(m_currentDirectoryID),
            QStringLiteral("Internal Error"));
        return false;
    }
    return m_credentials->needsAuthentication(*directory, currentModifiers());
}

void TBDocument::showWaiting(bool waiting)
{
    m_ui.showProgress(waiting);
    Q_EMIT validationChanged();
}

// Running commands

bool TBDocument::canRunCommand() const
{
    return !documentBusy() && !m_currentCommand && !waitingForKeychain() && m_currentDirectoryID != 0
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
    if (simpleID().isEmpty())
        setSimpleID(directory->simpleID());
    m_currentCommand = command;
    command->setSimpleID(simpleID());
    command->setSimplePassword(simplePassword());
    m_credentials->setCanceledAuthentication(false);
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
    if (canceledAuthentication()) {
        m_currentCommand.reset();
        Q_EMIT validationChanged();
        return;
    }
    const TBCommandPtr command = m_currentCommand;
    command->setSimpleID(simpleID());
    command->setSimplePassword(simplePassword());
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
        showNewOutputText();
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
    m_ui.showCancel(true);
    m_ui.showProgress(true);
}

void TBDocument::commandDidEnd()
{
    m_userCanceled = false;
    m_ui.showCancel(false);
    Q_EMIT validationChanged();
}

void TBDocument::restoreAfterRun(bool afterCancel)
{
    m_ui.showProgress(false);
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
    m_ui.cancelButton->setEnabled(false);
    m_userCanceled = true;
    m_searcher->cancelOperation();
}

// Printing

void TBDocument::runPageLayout()
{
    if (canRunPageLayout())
        m_printer->runPageLayout();
}

bool TBDocument::canPrintWhat(qint64 choice) const
{
    return choice == TBPrintPanelAccessoryController::printCommandOutput && !runSettings().discardOutput
        && commandOutputText() && !commandOutputText()->isEmpty();
}

bool TBDocument::canPrintDocument() const
{
    if (m_currentDirectoryID == 0 || documentBusy())
        return false;
    for (qint64 choice = TBPrintPanelAccessoryController::printDetailsSelected;
         choice <= TBPrintPanelAccessoryController::printCommandOutput; ++choice) {
        if (canPrintWhat(choice))
            return true;
    }
    return false;
}

void TBDocument::printDocument()
{
    if (canPrintDocument())
        m_printer->printDocument();
}

void TBDocument::printPreviewUpdateNotification(const TBNotification& notification)
{
    // Another window's print options are that window's business: its text may be large.
    const auto* accessory = qobject_cast<const TBPrintPanelAccessoryController*>(notification.sender);
    if (accessory && accessory->document() != this)
        return;
    updatePrintTextView();
}

void TBDocument::updateSummaryInfoForPrinting()
{
    m_printer->texts().summaryInfoForPrinting = TBRichText();
}

void TBDocument::updateDetailsSelectedForPrinting()
{
    m_printer->texts().detailsSelectedForPrinting = TBRichText::fromDocument(*detailsText()->document());
}

void TBDocument::updateDetailsAllForPrinting()
{
    m_printer->texts().detailsAllForPrinting = TBRichText::fromDocument(*detailsText()->document());
}

void TBDocument::updateCommandOutputForPrinting()
{
    // The output starts with a blank line before each command; a page need not.
    QString output = commandOutputText()->plainText();
    qsizetype start = 0;
    while (start < output.size() && output.at(start) == QLatin1Char('\n'))
        ++start;
    TBRichText text;
    text.append(output.mid(start), TBFonts::printFixedFontAttributes());
    m_printer->texts().commandOutputForPrinting = text;
}

void TBDocument::printingDidChange()
{
    // The window looks busy while the job paints; the dialogs themselves are window-modal.
    m_ui.showProgress(m_printer->jobRunning());
    doThatDirectoryEnableThing(!printing());
    Q_EMIT validationChanged();
}

void TBDocument::whoamiCommandFinished()
{
    QString answer = QString::fromUtf8(m_searcher->outputData());
    while (answer.endsWith(QLatin1Char('\n')) || answer.endsWith(QLatin1Char('\r')))
        answer.chop(1);
    setTheDeferredMessage(answer, QStringLiteral("Who am I? Response:"));
}
