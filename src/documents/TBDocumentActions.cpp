#include "TBDocumentActions.h"

#include "TBDocument.h"
#include "TBEditCommands.h"

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
    , runPageLayout(makeAction(owner, QObject::tr("Page Setup…"), QStringLiteral("runPageLayout:")))
    , printDocument(makeAction(owner, QObject::tr("Print…"), QStringLiteral("printDocument:"), QKeySequence::Print))
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
    , useSelectedSearch(makeAction(owner, QObject::tr("Use Selected Search"), QStringLiteral("useSelectedSearch:"),
                                   QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_U)))
    , savedSearches(new QActionGroup(owner))
    , m_owner(owner)
{
    savedSearches->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
    // Until the window says it answers them.
    for (QAction* action : {search, saveCurrentSearch, useSelectedSearch})
        action->setEnabled(false);
    savedSearches->setEnabled(false);
}

void TBDocumentActions::connectTo(TBDocument* document) const
{
    QObject::connect(performClose, &QAction::triggered, document, &TBDocument::performClose);
    QObject::connect(exportEntries, &QAction::triggered, document, &TBDocument::exportEntries);
    QObject::connect(exportCommandOutput, &QAction::triggered, document, &TBDocument::exportCommandOutput);
    QObject::connect(runPageLayout, &QAction::triggered, document, &TBDocument::runPageLayout);
    QObject::connect(printDocument, &QAction::triggered, document, &TBDocument::printDocument);
    const std::pair<QAction*, TBEditCommands::Command> editCommands[] = {
        {cut, TBEditCommands::Cut},
        {copy, TBEditCommands::Copy},
        {del, TBEditCommands::Delete},
        {selectAll, TBEditCommands::SelectAll},
    };
    for (const auto& [action, command] : editCommands) {
        QObject::connect(action, &QAction::triggered, document,
                         [document, command] { TBEditCommands::perform(document->focusWidget(), command); });
    }
    QObject::connect(performFindPanelAction, &QAction::triggered, document, &TBDocument::showFindBar);
    QObject::connect(whoami, &QAction::triggered, document, &TBDocument::whoami);
    QObject::connect(searchOptions, &QAction::triggered, document, &TBDocument::openSearchOptions);
}

void TBDocumentActions::update(const TBDocument& document) const
{
    // Shortcuts fire without a menu opening: each command's slot checks its query again as well.
    exportEntries->setEnabled(document.canExportEntries());
    exportCommandOutput->setEnabled(document.canExportCommandOutput());
    runPageLayout->setEnabled(document.canRunPageLayout());
    printDocument->setEnabled(document.canPrintDocument());
    const QWidget* focus = document.focusWidget();
    cut->setEnabled(TBEditCommands::canPerform(focus, TBEditCommands::Cut));
    copy->setEnabled(TBEditCommands::canPerform(focus, TBEditCommands::Copy));
    del->setEnabled(TBEditCommands::canPerform(focus, TBEditCommands::Delete));
    selectAll->setEnabled(TBEditCommands::canPerform(focus, TBEditCommands::SelectAll));
    whoami->setEnabled(document.canWhoami());
    searchOptions->setEnabled(document.canSearchOptions());
}

QAction* TBDocumentActions::addSavedSearch(const QString& title, int index) const
{
    // A name of any length keeps the menu usable; the saved-searches window shows it whole.
    constexpr qsizetype longestTitle = 80;
    QString text = title.size() > longestTitle ? title.left(longestTitle - 1) + QChar(0x2026) : title;
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
