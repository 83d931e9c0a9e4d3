#pragma once

#include <QKeySequence>
#include <QObject>
#include <QPointer>
#include <QString>

class QAction;
class QDialog;
class QLabel;
class QMenu;
class QMenuBar;
class QPushButton;
class QWidget;
class TBDocument;
class TBDocumentController;

// The application: makes sure the preferences exist before any window, opens a search window at
// launch, makes new windows, gives each window its menu bar, shows the about window and quits.
//
// Menu items are enabled by the window's validateUserInterfaceItem() (by action name, e.g.
// "exportCommandOutput:") each time a menu opens, and whenever the window's state changes so the
// shortcuts follow. The Edit items act on the focused widget: they call its cut(), copy(), del()
// or selectAll() and ask its canCut(), canCopy(), canDelete(), canSelectAll() when it has them.
class TBAppDelegate : public QObject
{
    Q_OBJECT
public:
    static QString versionString() { return QStringLiteral("0.1.0"); }
    static QString openLDAPURL() { return QStringLiteral("https://www.openldap.org/"); }

    explicit TBAppDelegate(QObject* parent = nullptr);
    ~TBAppDelegate() override;

    // The one delegate of the application (the most recently made).
    static TBAppDelegate* sharedDelegate();

    // Creates the preferences store; false (with a log line) when there is none.
    bool initialize();
    // At launch without windows: a new search window.
    TBDocument* applicationOpenUntitledFile();

    TBDocumentController* documentController() const { return m_documentController; }
    TBDocument* makeSearchDocument();
    TBDocument* makeBrowseDocument();
    // Creates, registers and shows a new untitled document of the type.
    TBDocument* makeNewDocumentOfType(const QString& typeName);

    void showAboutWindow();
    QDialog* aboutWindow() const;
    void openOpenLDAPURL();
    // Cancels running tools and ends the application.
    void terminate();

    // The menu bar of a document window and the items in it by action name.
    void installMainMenu(TBDocument* document);
    static QAction* menuAction(TBDocument* document, const QString& actionName);
    // Re-validates every item of the document's menus.
    void validateMenus(TBDocument* document);
    bool validateMenuItem(TBDocument* document, const QString& actionName) const;

    // Edit commands on a widget ("cut:", "copy:", "delete:", "selectAll:").
    static bool validateEditAction(QWidget* target, const QString& actionName);
    static void performEditAction(QWidget* target, const QString& actionName);

private:
    QAction* addAction(QMenu* menu, TBDocument* document, const QString& title, const QString& actionName,
                       const QKeySequence& shortcut = QKeySequence());
    void perform(TBDocument* document, const QString& actionName, int tag = -1);
    // Lists the saved searches at the end of the window's Saved Searches menu.
    void updateSavedSearchesMenu(TBDocument* document);

    TBDocumentController* m_documentController = nullptr;
    QPointer<QDialog> m_aboutWindow;
    QLabel* m_aboutBuildDateText = nullptr;
    QPushButton* m_aboutOpenLDAPButton = nullptr;
};
