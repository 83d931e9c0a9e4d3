#include "TBDocumentActions.h"

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>

namespace {

QAction* makeAction(QObject* owner, const QString& title, const QString& name,
                    const QKeySequence& shortcut = QKeySequence())
{
    auto* action = new QAction(title, owner);
    action->setObjectName(name);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    return action;
}

} // namespace

TBDocumentActions::TBDocumentActions(QObject* owner)
    : performClose(
        makeAction(owner, QObject::tr("Close"), QStringLiteral("performClose:"), QKeySequence(Qt::CTRL | Qt::Key_W)))
    , exportEntries(makeAction(owner, QObject::tr("Export…"), QStringLiteral("exportEntries:"),
                               QKeySequence(Qt::CTRL | Qt::Key_E)))
    , exportCommandOutput(
          makeAction(owner, QObject::tr("Export Command Output…"), QStringLiteral("exportCommandOutput:")))
    , cut(makeAction(owner, QObject::tr("Cut"), QStringLiteral("cut:"), QKeySequence::Cut))
    , copy(makeAction(owner, QObject::tr("Copy"), QStringLiteral("copy:"), QKeySequence::Copy))
    , del(makeAction(owner, QObject::tr("Delete"), QStringLiteral("delete:")))
    , selectAll(makeAction(owner, QObject::tr("Select All"), QStringLiteral("selectAll:"), QKeySequence::SelectAll))
    , performFindPanelAction(
          makeAction(owner, QObject::tr("Find…"), QStringLiteral("performFindPanelAction:"), QKeySequence::Find))
    , search(makeAction(owner, QObject::tr("Search"), QStringLiteral("search:")))
    , whoami(makeAction(owner, QObject::tr("Who Am I?"), QStringLiteral("whoami:")))
    , searchOptions(makeAction(owner, QObject::tr("Options..."), QStringLiteral("searchOptions:")))
    , saveCurrentSearch(makeAction(owner, QObject::tr("Save Current Search"), QStringLiteral("saveCurrentSearch:"),
                                   QKeySequence(Qt::CTRL | Qt::Key_S)))
    , savedSearches(new QActionGroup(owner))
    , m_owner(owner)
{
    savedSearches->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
    // Until the window says it answers them.
    for (QAction* action : {search, saveCurrentSearch})
        action->setEnabled(false);
    savedSearches->setEnabled(false);
}

QAction* TBDocumentActions::addSavedSearch(const QString& title, int index) const
{
    QString text = title;
    text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    QAction* action = makeAction(m_owner, text, QStringLiteral("useSpecificSearch:"));
    action->setData(index);
    savedSearches->addAction(action);
    return action;
}

void TBDocumentActions::removeSavedSearches() const
{
    const QList<QAction*> actions = savedSearches->actions();
    for (QAction* action : actions)
        delete action;
}
