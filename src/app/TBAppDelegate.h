#pragma once

#include "TBVersion.h"

#include <QKeySequence>
#include <QObject>
#include <QPointer>
#include <QString>

class QAction;
class QDialog;
class QLabel;
class QMenu;
class QPushButton;
class TBDocument;
class TBDocumentController;
class TBSearchDocument;

// The application: makes sure the preferences exist before any window, opens a search window at
// launch, makes new windows, gives each window its menu bar, shows the about window and quits.
//
// Each window has its own menu bar: the window's commands (TBDocumentActions, enabled by the
// window) and the application's (new windows, preferences, about, quit), which are owned by the
// window too so that they go with it.
class TBAppDelegate : public QObject
{
    Q_OBJECT
public:
    static QString versionString() { return QStringLiteral(TB_VERSION_STRING); }
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

    void showPreferencesWindow();
    // The one saved-searches window, made on first use.
    void showSavedSearchesWindow();
    // The search window a saved search goes to: the only one open, else (none or several) a new one.
    TBSearchDocument* documentForSavedSearch();

    // The menu bar of a document window.
    void installMainMenu(TBDocument* document);

private:
    // One of the application's commands in a window's menu.
    QAction* addApplicationAction(QMenu* menu, TBDocument* document, const QString& title, const QString& name,
                                  const QKeySequence& shortcut = QKeySequence());
    // Lists the saved searches at the end of the window's Saved Searches menu.
    void updateSavedSearchesMenu(TBDocument* document, QMenu* menu, QAction* placeholder);

    TBDocumentController* m_documentController = nullptr;
    QPointer<QDialog> m_aboutWindow;
    QLabel* m_aboutBuildDateText = nullptr;
    QPushButton* m_aboutOpenLDAPButton = nullptr;
};
