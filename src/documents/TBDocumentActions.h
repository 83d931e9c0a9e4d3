#pragma once

#include <QString>

class QAction;
class QActionGroup;
class QObject;
class TBDocument;

// The menu commands of one window, owned by it. The window connects them to its operations and
// enables them in updateMenuActionState(); the application puts them into the window's menu bar.
// Their object names are the commands' names ("exportCommandOutput:", ...). A command a kind of
// window does not answer stays disabled there.
struct TBDocumentActions
{
    explicit TBDocumentActions(QObject* owner);

    QAction* performClose;
    QAction* exportEntries;
    QAction* exportCommandOutput;
    QAction* runPageLayout;
    QAction* printDocument;
    QAction* cut;
    QAction* copy;
    QAction* del;
    QAction* selectAll;
    QAction* performFindPanelAction;
    QAction* search;
    QAction* whoami;
    QAction* searchOptions;
    QAction* saveCurrentSearch;
    QAction* useSelectedSearch;
    // The saved searches' items ("useSpecificSearch:"), each with its place in the list as data;
    // disabled as a group where the window has no use for them.
    QActionGroup* savedSearches;

    // Connects the commands every window answers to the window's operations; the Edit commands
    // go to the window's focused widget.
    void connectTo(TBDocument* document) const;
    // Enables those commands from the window's can...() queries.
    void update(const TBDocument& document) const;

    QAction* addSavedSearch(const QString& title, int index) const;
    void removeSavedSearches() const;

private:
    QObject* m_owner;
};
