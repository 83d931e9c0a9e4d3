#pragma once

#include "TBCommand.h"
#include "TBCredentials.h"
#include "TBDetailsOutputBox.h"
#include "TBDetailsTextView.h"
#include "TBDirectory.h"
#include "TBDirectoryPopUp.h"
#include "TBDocumentActions.h"
#include "TBDocumentPrinter.h"
#include "TBDocumentUi.h"
#include "TBKeychain.h"
#include "TBMessageQueue.h"
#include "TBModifierKeys.h"
#include "TBPictureFiles.h"
#include "TBSearcherController.h"
#include "TBSplitViewSizes.h"

#include <QIcon>
#include <QImage>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QVariantMap>

#include <functional>

class QFileDialog;
class QHBoxLayout;
class QMessageBox;
class QProgressBar;
class QPushButton;
class QSplitter;
class TBAuthenticationSheet;
class TBFindBar;
class TBOptionsSheet;
class TBSearcher;
class TBTextView;
struct TBNotification;

// The window every document shows: the directory pop-up, a split view whose top pane the
// subclass fills and whose bottom pane holds the Details and Output texts, message sheets, the
// options and credentials sheets, the export of the command output and the busy state. It owns
// the searcher that runs its commands and is that searcher's controller.
//
// The window keeps the operations; helpers do the jobs: TBDirectoryPopUp, TBDetailsOutputBox,
// TBSplitViewSizes, TBMessageQueue, TBCredentials, TBPictureFiles, TBDocumentActions.
//
// Made in two steps, as a document is: construct, then loadWindow() builds the window (and calls
// the subclass's hooks).
class TBDocument : public QMainWindow, public TBSearcherController
{
    Q_OBJECT
public:
    // A window password equal to this needs no password: the credentials sheet asks for the DN only.
    static inline const QString& noPasswordMarker = TBCredentials::noPasswordMarker;
    // Bound of each keyring call; after it a lookup counts as "not found" and a store as failed.
    static inline int& keychainTimeoutMs = TBCredentials::keychainTimeoutMs;
    static constexpr int defaultWidth = 900;
    static constexpr int defaultHeight = 700;

    explicit TBDocument(QWidget* parent = nullptr);
    ~TBDocument() override;

    // Builds the window: the layout, the saved pane sizes, the Details tab, the observers.
    void loadWindow();
    bool isWindowLoaded() const { return m_windowLoaded; }

    static QIcon applicationIcon() { return QIcon(QStringLiteral(":/ui/tamblin.svg")); }
    // The name new windows are titled with.
    static QString defaultDraftName() { return QStringLiteral("Tamblin"); }

    // Documents are never saved to or read from files; both fail with "not implemented" (-4).
    static bool dataOfType(const QString&, QString* errorText, int* errorCode)
    {
        if (errorText)
            *errorText = QStringLiteral("Not implemented");
        if (errorCode)
            *errorCode = -4;
        return false;
    }

    TBSearcher* searcher() const { return m_searcher; }
    TBDirectoryPtr currentDirectory() const;
    qint64 currentDirectoryID() const { return m_currentDirectoryID; }
    void setCurrentDirectoryID(qint64 id) { m_currentDirectoryID = id; }
    qint64 lastSearchedDirectoryID() const { return m_lastSearchedDirectoryID; }
    void setLastSearchedDirectoryID(qint64 id) { m_lastSearchedDirectoryID = id; }
    TBCommandPtr currentCommand() const { return m_currentCommand; }
    bool userCanceled() const { return m_userCanceled; }
    bool documentBusy() const;
    bool searcherBusy() const;
    bool exporting() const { return m_exporting; }

    // Credentials of this window.
    QString simpleID() const { return m_credentials->simpleID(); }
    void setSimpleID(const QString& v) { m_credentials->setSimpleID(v); }
    QString simplePassword() const { return m_credentials->simplePassword(); }
    void setSimplePassword(const QString& v) { m_credentials->setSimplePassword(v); }
    bool saveInKeychain() const { return m_credentials->saveInKeychain(); }
    bool ignoreKeychain() const { return m_credentials->ignoreKeychain(); }
    bool canceledAuthentication() const { return m_credentials->canceledAuthentication(); }

    // Options of this window; empty while it follows the preferences.
    QVariantMap searchOptions() const { return m_searchOptions; }
    // The settings the next run uses: the preferences with this window's options applied.
    TBRunSettings runSettings() const;
    void setSearchOptions(const QVariantMap& options) { m_searchOptions = options; }
    QString optionsMenuTitle() const { return m_optionsMenuTitle; }

    // Widgets (also reachable by their object names).
    TBDirectoryPopUp* directoryPopUp() const { return m_ui.directoryPopUp; }
    QSplitter* splitView() const { return m_ui.splitView; }
    QWidget* topSubView() const { return m_ui.topSubView; }
    QWidget* bottomSubView() const { return m_ui.detailsOutputBox; }
    TBDetailsTextView* detailsText() const
    {
        return m_ui.detailsOutputBox ? m_ui.detailsOutputBox->detailsText() : nullptr;
    }
    TBTextView* commandOutputText() const
    {
        return m_ui.detailsOutputBox ? m_ui.detailsOutputBox->commandOutputText() : nullptr;
    }
    TBFindBar* findBar() const { return m_ui.detailsOutputBox ? m_ui.detailsOutputBox->findBar() : nullptr; }
    QMessageBox* messageSheet() const { return m_messages->messageSheet(); }
    QPushButton* cancelButton() const { return m_ui.cancelButton; }
    QProgressBar* progressIndicator() const { return m_ui.progressIndicator; }

    // The window's menu commands, and their enabling from the can...() queries: run when a menu
    // opens and whenever validationChanged() says the window's state changed. Windows with more
    // commands extend it.
    const TBDocumentActions& menuActions() const { return m_actions; }
    virtual void updateMenuActionState();
    void performClose() { close(); }

    // Notifications
    virtual void terminateNotification();
    virtual void prefsHaveChangedNotification(const TBNotification& notification);
    virtual void prefsDirectoriesHaveChangedNotification(const TBNotification& notification);
    virtual void prefsDirectoriesDeletedNotification(const TBNotification& notification);

    // Directory pop-up
    void updateDirectoryPopUp();
    virtual void selectCurrentDirectory();
    // The user chose the item at index in the pop-up.
    virtual void changeDirectory(int index);
    static QString directoryTooltip(const TBDirectory& directory)
    {
        return TBDirectoryPopUp::directoryTooltip(directory);
    }
    // Enables or disables every pop-up item but the selected one.
    void doThatDirectoryEnableThing(bool enable) { m_ui.directoryPopUp->setOtherItemsEnabled(enable); }

    // Split view
    virtual int subviewTopHeight() const { return 200; }
    virtual void saveSubviewSizes() { }
    virtual void restoreSubviewSizes() { }
    bool bottomCollapsed() const { return m_splitViewSizes && m_splitViewSizes->bottomCollapsed(); }
    void toggleBottomCollapsed() { m_splitViewSizes->toggleBottomCollapsed(); }

    // Text tabs and output
    int currentTabView() const { return m_ui.detailsOutputBox ? m_ui.detailsOutputBox->currentTabView() : 0; }
    bool canShowDetailsText() const { return currentTabView() != 0; }
    bool canShowOutputText() const { return currentTabView() != 1; }
    void showDetailsText() { m_ui.detailsOutputBox->showDetailsText(); }
    void showOutputText() { m_ui.detailsOutputBox->showOutputText(); }
    void showNewOutputText() { m_ui.detailsOutputBox->showNewOutputText(); }
    void selectTextTab(int segment) { m_ui.detailsOutputBox->selectTextTab(segment); }
    void clearOutputText();
    virtual void updateDetailsText();
    void showFindBar() { m_ui.detailsOutputBox->showFindBar(); }

    // TBSearcherController
    void appendOutputText(const QString& text, bool fixedFont) override;
    void appendOutputData(const QByteArray& data, bool fixedFont) override;
    void appendOutputHorizontalLine() override;
    void searcherOperationFinished() override;

    // Message sheets (TBMessageQueue): a null or empty argument counts as absent; with neither,
    // only a beep. A message raised while another sheet is up waits for it to close.
    void displayMessageText(const QString& text, const QString& title) { m_messages->displayMessageText(text, title); }
    void displayMessageText(const QString& text) { displayMessageText(text, QString()); }
    void displayMessageTitle(const QString& title) { displayMessageText(QString(), title); }
    void setTheDeferredMessage(const QString& text, const QString& title)
    {
        m_messages->setTheDeferredMessage(text, title);
    }
    void displayTheDeferredMessage() { m_messages->displayTheDeferredMessage(); }
    void setShowOutputTextAfterSheet(bool v) { m_showOutputTextAfterSheet = v; }
    bool showOutputTextAfterSheet() const { return m_showOutputTextAfterSheet; }

    // Pictures dragged or saved out of the Details text (TBPictureFiles).
    virtual QString draggedFileBaseName() const { return QStringLiteral("Photo"); }
    static QString freePictureFileName(const QString& folder, const QString& baseName)
    {
        return TBPictureFiles::freePictureFileName(folder, baseName);
    }
    static QString writePictureToFolder(const QImage& image, const QString& folder, const QString& baseName)
    {
        return TBPictureFiles::writePictureToFolder(image, folder, baseName);
    }
    void startPictureDrag(const QImage& image)
    {
        TBPictureFiles::startPictureDrag(image, draggedFileBaseName(), detailsText());
    }
    void savePictureAs(const QImage& image)
    {
        TBPictureFiles::savePictureAs(image, draggedFileBaseName(), this, m_messages);
    }

    // Export of the command output
    bool canExportCommandOutput() const;
    void exportCommandOutput();
    // Export of the window's entries; windows that have entries to export override both.
    virtual bool canExportEntries() const { return false; }
    virtual void exportEntries() { }
    // Writes the output as UTF-8 plain text, atomically. On failure stores the deferred message.
    bool exportCommandOutputToPath(const QString& path);
    QFileDialog* savePanel() const;

    // Options sheet
    bool canSearchOptions() const { return !documentBusy(); }
    void openSearchOptions();
    virtual QVariantMap getDefaultOptions() const;
    void updateOptionsMenu();
    TBOptionsSheet* editOptionsSheet() const;

    // Credentials (TBCredentials)
    bool needsAuthentication();
    // Looks the password up in the keyring unless told not to, else asks with the sheet; then
    // continues with endSelector (also after a cancelled sheet: it checks canceledAuthentication()).
    void getSimpleCredentials(std::function<void()> endSelector)
    {
        m_credentials->getSimpleCredentials(std::move(endSelector));
    }
    void saveCredentialsInKeychain() { m_credentials->saveCredentialsInKeychain(); }
    // The keyring item of a directory's URI and bind DN.
    static TBKeychainItem credentialsKey(const QString& ldapURI, const QString& simpleID)
    {
        return TBCredentials::credentialsKey(ldapURI, simpleID);
    }
    TBAuthenticationSheet* authenticationSheet() const { return m_credentials->authenticationSheet(); }
    bool waitingForKeychain() const { return m_credentials->waitingForKeychain(); }

    // Running commands
    bool canRunCommand() const;
    bool canWhoami() const { return !documentBusy() && canRunCommand(); }
    void whoami();
    void setupCommand(const TBCommandPtr& command);
    void runCommand();
    bool canCancelSearchOperation() const;
    void cancelSearchOperation();
    // Printing (TBDocumentPrinter). Page set-up waits while the window is busy.
    bool canRunPageLayout() const { return !documentBusy(); }
    void runPageLayout();
    const TBPrintInfo& thePrintInfo() { return m_printer->thePrintInfo(); }
    void setThePrintInfo(const TBPrintInfo& printInfo) { m_printer->setThePrintInfo(printInfo); }
    // A page set-up sheet or a print job is under way.
    bool printing() const { return m_printer->printing(); }
    virtual bool canPrintDocument() const;
    void printDocument();
    // Whether the choice (0 selected details, 1 all details, 2 command output) is printable now.
    virtual bool canPrintWhat(qint64 choice) const;
    void printPreviewUpdateNotification(const TBNotification& notification);
    void updatePrintTextView() { m_printer->updatePrintTextView(); }
    TBDocumentPrinter* documentPrinter() const { return m_printer; }
    // Fill the printed texts of the job (TBDocumentPrinter::texts()).
    virtual void updateSummaryInfoForPrinting();
    virtual void updateDetailsSelectedForPrinting();
    virtual void updateDetailsAllForPrinting();
    void updateCommandOutputForPrinting();

    // The modifier keys held now (tests replace the source).
    static Qt::KeyboardModifiers currentModifiers() { return TBModifierKeys::current(); }
    static void setModifierSource(std::function<Qt::KeyboardModifiers()> source)
    {
        TBModifierKeys::setSource(std::move(source));
    }

Q_SIGNALS:
    // Busy state or text content changed: menus and buttons may need re-validating.
    void validationChanged();

protected:
    // Subclass hooks for building the window.
    virtual QWidget* createHeaderView() { return nullptr; }
    virtual QWidget* createTopSubView();
    // The window's top row, for subclasses that add controls to it.
    QHBoxLayout* topBarLayout() const { return m_ui.topBarLayout; }
    virtual void windowDidLoad() { }
    TBSplitViewSizes* splitViewSizes() const { return m_splitViewSizes; }

    // Busy appearance while a command runs and after it ended.
    virtual void commandDidStart();
    virtual void commandDidEnd();
    void restoreAfterRun(bool afterCancel);
    void whoamiCommandFinished();
    // A command other than who-am-I ended with status 0 (the search and browse windows take
    // their entries here).
    virtual void commandSucceeded(const TBCommandPtr&) { }

    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

    void messageSheetEnd();

    bool m_shouldSaveSubviewSizes = false;
    QString m_optionsMenuTitle;
    TBCommandPtr m_currentCommand;
    bool m_userCanceled = false;

private:
    void setupUi();
    void windowWillClose();
    void splitViewDidResizeSubviews();
    void showWaiting(bool waiting);
    void printingDidChange();

    TBSearcher* m_searcher = nullptr;
    TBMessageQueue* m_messages = nullptr;
    TBCredentials* m_credentials = nullptr;
    TBDocumentPrinter* m_printer = nullptr;
    qint64 m_currentDirectoryID = 0;
    qint64 m_lastSearchedDirectoryID = 0;
    bool m_showOutputTextAfterSheet = false;
    QVariantMap m_searchOptions;
    TBDocumentActions m_actions;
    bool m_windowLoaded = false;
    bool m_exporting = false;
    bool m_closed = false;

    TBDocumentUi m_ui;
    TBSplitViewSizes* m_splitViewSizes = nullptr;
    QPointer<QFileDialog> m_savePanel;
    QPointer<TBOptionsSheet> m_editOptionsSheet;
};
