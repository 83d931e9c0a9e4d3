#pragma once

#include "TBCommand.h"
#include "TBDirectory.h"
#include "TBDocumentActions.h"
#include "TBKeychain.h"
#include "TBSearcherController.h"

#include <QIcon>
#include <QImage>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>

class QAction;
class QComboBox;
class QFileDialog;
class QLabel;
class QMessageBox;
class QProgressBar;
class QPushButton;
class QSplitter;
class QStackedWidget;
class QTabBar;
class QVBoxLayout;
class QHBoxLayout;
class TBAuthenticationSheet;
class TBDetailsTextView;
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
// Made in two steps, as a document is: construct, then loadWindow() builds the window (and calls
// the subclass's hooks).
class TBDocument : public QMainWindow, public TBSearcherController
{
    Q_OBJECT
public:
    // A window password equal to this needs no password: the credentials sheet asks for the DN only.
    static const QString noPasswordMarker;
    static constexpr int defaultWidth = 900;
    static constexpr int defaultHeight = 700;

    explicit TBDocument(QWidget* parent = nullptr);
    ~TBDocument() override;

    // Builds the window: the layout, the saved pane sizes, the Details tab, the observers.
    void loadWindow();
    bool isWindowLoaded() const { return m_windowLoaded; }

    static QIcon applicationIcon();
    // The name new windows are titled with.
    static QString defaultDraftName() { return QStringLiteral("Tamblin"); }

    // Documents are never saved to or read from files; both fail with "not implemented" (-4).
    static bool dataOfType(const QString& type, QString* errorText, int* errorCode);

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
    QString simpleID() const { return m_simpleID; }
    void setSimpleID(const QString& v) { m_simpleID = v; }
    QString simplePassword() const { return m_simplePassword; }
    void setSimplePassword(const QString& v) { m_simplePassword = v; }
    bool saveInKeychain() const { return m_saveInKeychain; }
    bool ignoreKeychain() const { return m_ignoreKeychain; }
    bool canceledAuthentication() const { return m_canceledAuthentication; }

    // Options of this window; empty while it follows the preferences.
    QVariantMap searchOptions() const { return m_searchOptions; }
    // The settings the next run uses: the preferences with this window's options applied.
    TBRunSettings runSettings() const;
    void setSearchOptions(const QVariantMap& options) { m_searchOptions = options; }
    QString optionsMenuTitle() const { return m_optionsMenuTitle; }

    // Widgets (also reachable by their object names).
    QComboBox* directoryPopUp() const { return m_directoryPopUp; }
    QSplitter* splitView() const { return m_splitView; }
    QWidget* topSubView() const { return m_topSubView; }
    QWidget* bottomSubView() const { return m_detailsOutputBox; }
    TBDetailsTextView* detailsText() const { return m_detailsText; }
    TBTextView* commandOutputText() const { return m_commandOutputText; }
    TBFindBar* findBar() const { return m_findBar; }
    QMessageBox* messageSheet() const;
    QPushButton* cancelButton() const { return m_cancelButton; }
    QProgressBar* progressIndicator() const { return m_progressIndicator; }

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
    static QString directoryTooltip(const TBDirectory& directory);
    // Enables or disables every pop-up item but the selected one.
    void doThatDirectoryEnableThing(bool enable);

    // Split view
    virtual int subviewTopHeight() const { return 200; }
    virtual void saveSubviewSizes() { }
    virtual void restoreSubviewSizes() { }
    bool bottomCollapsed() const;
    void toggleBottomCollapsed();

    // Text tabs and output
    int currentTabView() const;
    bool canShowDetailsText() const { return currentTabView() != 0; }
    bool canShowOutputText() const { return currentTabView() != 1; }
    void showDetailsText();
    void showOutputText();
    void selectTextTab(int segment);
    void clearOutputText();
    virtual void updateDetailsText();
    void showFindBar();

    // TBSearcherController
    void appendOutputText(const QString& text, bool fixedFont) override;
    void appendOutputData(const QByteArray& data, bool fixedFont) override;
    void appendOutputHorizontalLine() override;
    void searcherOperationFinished() override;

    // Message sheets. A null or empty argument counts as absent; with neither, only a beep.
    // A message raised while another message sheet is up waits for it to close. The sheet keeps
    // its title and text in the properties "messageTitle" and "messageText".
    void displayMessageText(const QString& text, const QString& title);
    void displayMessageText(const QString& text) { displayMessageText(text, QString()); }
    void displayMessageTitle(const QString& title) { displayMessageText(QString(), title); }
    void setTheDeferredMessage(const QString& text, const QString& title);
    void displayTheDeferredMessage();
    void setShowOutputTextAfterSheet(bool v) { m_showOutputTextAfterSheet = v; }
    bool showOutputTextAfterSheet() const { return m_showOutputTextAfterSheet; }

    // Pictures dragged or saved out of the Details text.
    virtual QString draggedFileBaseName() const { return QStringLiteral("Photo"); }
    // The first of "<base>.jpg", "<base> 2.jpg", "<base> 3.jpg", ... not present in the folder.
    static QString freePictureFileName(const QString& folder, const QString& baseName);
    // Writes the picture as JPEG (quality 100) under the first free name; returns the file name,
    // or an empty string when the picture has no JPEG form or cannot be written.
    static QString writePictureToFolder(const QImage& image, const QString& folder, const QString& baseName);
    void startPictureDrag(const QImage& image);
    void savePictureAs(const QImage& image);

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

    // Credentials
    bool needsAuthentication();
    // Looks the password up in the keyring unless told not to, else asks with the sheet; then
    // continues with endSelector (also after a cancelled sheet: it checks canceledAuthentication()).
    void getSimpleCredentials(std::function<void()> endSelector);
    void saveCredentialsInKeychain();
    // The keyring item of a directory's URI and bind DN.
    static TBKeychainItem credentialsKey(const QString& ldapURI, const QString& simpleID);
    TBAuthenticationSheet* authenticationSheet() const;
    bool waitingForKeychain() const { return m_keychainPending; }
    // Bound of each keyring call; after it a lookup counts as "not found" and a store as failed.
    static int keychainTimeoutMs;

    // Running commands
    bool canRunCommand() const;
    bool canWhoami() const { return !documentBusy() && canRunCommand(); }
    void whoami();
    void setupCommand(const TBCommandPtr& command);
    void runCommand();
    bool canCancelSearchOperation() const;
    void cancelSearchOperation();
    // Page setup waits while the window is busy.
    bool canRunPageLayout() const { return !documentBusy(); }

    // The modifier keys held now (tests replace the source).
    static Qt::KeyboardModifiers currentModifiers();
    static void setModifierSource(std::function<Qt::KeyboardModifiers()> source);

Q_SIGNALS:
    // Busy state or text content changed: menus and buttons may need re-validating.
    void validationChanged();

protected:
    // Subclass hooks for building the window.
    virtual QWidget* createHeaderView() { return nullptr; }
    virtual QWidget* createTopSubView();
    // The window's top row, for subclasses that add controls to it.
    QHBoxLayout* topBarLayout() const { return m_topBarLayout; }
    virtual void windowDidLoad() { }

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
    bool eventFilter(QObject* watched, QEvent* event) override;

    void messageSheetEnd();
    void authenticationOK();
    void authenticationCancel();
    void showAuthenticationSheet();

    bool m_shouldSaveSubviewSizes = false;
    QString m_optionsMenuTitle;
    TBCommandPtr m_currentCommand;
    bool m_userCanceled = false;

private:
    void setupUi();
    void windowWillClose();
    void splitViewDidResizeSubviews();

    TBSearcher* m_searcher = nullptr;
    qint64 m_currentDirectoryID = 0;
    qint64 m_lastSearchedDirectoryID = 0;
    bool m_showOutputTextAfterSheet = false;
    QString m_simpleID;
    QString m_simplePassword;
    bool m_ignoreKeychain = false;
    bool m_saveInKeychain = false;
    bool m_canceledAuthentication = false;
    bool m_keychainPending = false;
    std::function<void()> m_authEndSelector;
    QVariantMap m_searchOptions;
    TBDocumentActions m_actions;
    bool m_windowLoaded = false;
    bool m_exporting = false;
    bool m_closed = false;
    QString m_deferredMessageText;
    QString m_deferredMessageTitle;
    QList<std::pair<QString, QString>> m_waitingMessages;
    QList<int> m_sizesBeforeCollapse;

    QWidget* m_central = nullptr;
    QHBoxLayout* m_topBarLayout = nullptr;
    QComboBox* m_directoryPopUp = nullptr;
    QProgressBar* m_progressIndicator = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QSplitter* m_splitView = nullptr;
    QWidget* m_topSubView = nullptr;
    QWidget* m_detailsOutputBox = nullptr;
    QTabBar* m_textSegmentedControl = nullptr;
    QPushButton* m_clearTextButton = nullptr;
    QStackedWidget* m_textTabView = nullptr;
    TBDetailsTextView* m_detailsText = nullptr;
    TBTextView* m_commandOutputText = nullptr;
    TBFindBar* m_findBar = nullptr;
    QPointer<QMessageBox> m_messageSheet;
    QPointer<QFileDialog> m_savePanel;
    QPointer<TBOptionsSheet> m_editOptionsSheet;
    QPointer<TBAuthenticationSheet> m_authenticationSheet;
};
