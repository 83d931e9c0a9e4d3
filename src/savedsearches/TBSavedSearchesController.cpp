#include "TBSavedSearchesController.h"

#include "TBEditSearchSheet.h"
#include "TBModifierKeys.h"
#include "TBNotificationCenter.h"
#include "TBPreferences.h"
#include "TBSavedSearchesTableController.h"
#include "TBSearchCriteriaRow.h"
#include "TBSearchCriteriaTableController.h"
#include "TBSearchDocument.h"
#include "TBTableCommands.h"
#include "TBTableView.h"

#include <QAction>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPointer<TBSavedSearchesController> s_sharedController;

TBSavedSearchesController::DocumentSource& documentSource()
{
    static TBSavedSearchesController::DocumentSource source;
    return source;
}

TBPreferences* prefs()
{
    return TBPreferences::sharedPreferences();
}

} // namespace

void TBSavedSearchesController::setDocumentSource(DocumentSource source)
{
    documentSource() = std::move(source);
}

void TBSavedSearchesController::showSavedSearchesWindow()
{
    if (!s_sharedController) {
        s_sharedController = new TBSavedSearchesController;
        // Closing only hides the window; it goes when the application quits.
        if (QCoreApplication* app = QCoreApplication::instance())
            connect(app, &QCoreApplication::aboutToQuit, s_sharedController.data(), &QObject::deleteLater);
    }
    s_sharedController->show();
    s_sharedController->raise();
    s_sharedController->activateWindow();
}

TBSavedSearchesController* TBSavedSearchesController::existingController()
{
    return s_sharedController.data();
}

TBSavedSearchesController::TBSavedSearchesController(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("TBSavedSearches"));
    setWindowTitle(tr("Saved Searches"));
    if (!s_sharedController)
        s_sharedController = this;

    auto* hint = new QLabel(tr("Double-click a search or press Return to use it in a search window, or drag it onto "
                               "a search window's conditions. Drag a row to move it; right-click it for more "
                               "commands."));
    hint->setWordWrap(true);

    m_savedSearchesTable = new TBTableView;
    m_savedSearchesTable->setObjectName(QStringLiteral("savedSearchesTable"));
    m_tableController = new TBSavedSearchesTableController(this);
    m_tableController->setObjectName(QStringLiteral("savedSearchesTableController"));
    m_tableController->setSavedSearchesTable(m_savedSearchesTable);

    m_addSearchButton = TBTableCommands::makeButton(QStringLiteral("addSearchButton"), tr("Add…"));
    m_addSearchButton->setToolTip(
        tr("Add a saved search. Hold Alt, or press Ctrl+D in the list, to duplicate the selected one."));
    connect(m_addSearchButton, &QPushButton::clicked, this, &TBSavedSearchesController::addSearchCriteria);
    m_edtSearchButton = TBTableCommands::makeButton(QStringLiteral("edtSearchButton"), tr("Edit…"));
    connect(m_edtSearchButton, &QPushButton::clicked, this, [this] { edtSearchCriteria(m_edtSearchButton); });
    m_delSearchButton = TBTableCommands::makeButton(QStringLiteral("delSearchButton"), tr("Delete"));
    m_delSearchButton->setToolTip(
        tr("Delete the selected search. Hold Alt, or press Shift+Delete in the list, to skip the question."));
    connect(m_delSearchButton, &QPushButton::clicked, this, &TBSavedSearchesController::delSearchCriteria);
    m_useSelectedSearchButton
        = TBTableCommands::makeButton(QStringLiteral("useSelectedSearchButton"), tr("Use in Search Window"));
    connect(m_useSelectedSearchButton, &QPushButton::clicked, this, &TBSavedSearchesController::useSelectedSearch);

    // The menu's commands, with their shortcuts while the table has the focus.
    m_savedSearchesMenu = new QMenu(this);
    m_savedSearchesMenu->setObjectName(QStringLiteral("savedSearchesMenu"));
    QMenu* menu = m_savedSearchesMenu;
    QWidget* table = m_savedSearchesTable;
    m_useAction = TBTableCommands::addTableCommand(menu, table, QStringLiteral("useSelectedSearchAction"),
                                                   tr("Use in Search Window"));
    connect(m_useAction, &QAction::triggered, this, &TBSavedSearchesController::useSelectedSearch);
    menu->addSeparator();
    connect(TBTableCommands::addTableCommand(menu, table, QStringLiteral("addSearchAction"), tr("Add…"),
                                             {QKeySequence(Qt::CTRL | Qt::Key_N)}),
            &QAction::triggered, this, &TBSavedSearchesController::newSearchCriteria);
    m_duplicateAction = TBTableCommands::addTableCommand(menu, table, QStringLiteral("duplicateSearchAction"),
                                                         tr("Duplicate"), {QKeySequence(Qt::CTRL | Qt::Key_D)});
    connect(m_duplicateAction, &QAction::triggered, this, &TBSavedSearchesController::duplicateSearchCriteria);
    m_editAction = TBTableCommands::addTableCommand(menu, table, QStringLiteral("editSearchAction"), tr("Edit…"),
                                                    {QKeySequence(Qt::CTRL | Qt::Key_I)});
    connect(m_editAction, &QAction::triggered, this, [this] { edtSearchCriteria(m_editAction); });
    m_deleteAction = TBTableCommands::addTableCommand(menu, table, QStringLiteral("deleteSearchAction"), tr("Delete…"),
                                                      {QKeySequence(Qt::Key_Delete), QKeySequence(Qt::Key_Backspace)});
    connect(m_deleteAction, &QAction::triggered, this, [this] { deleteSelectedSearch(true); });
    m_deleteWithoutAskingAction
        = TBTableCommands::addTableCommand(menu, table, QStringLiteral("deleteSearchWithoutAskingAction"),
                                           tr("Delete Without Asking"), {QKeySequence(Qt::SHIFT | Qt::Key_Delete)});
    connect(m_deleteWithoutAskingAction, &QAction::triggered, this, [this] { deleteSelectedSearch(false); });
    TBTableCommands::setTableMenu(m_savedSearchesTable, [this] { return savedSearchesMenu(); });

    // The window has no menu bar: closing it works from the keyboard too.
    auto* close = new QAction(tr("Close"), this);
    close->setObjectName(QStringLiteral("performClose:"));
    close->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_W), QKeySequence(Qt::Key_Escape)});
    close->setShortcutContext(Qt::WindowShortcut);
    connect(close, &QAction::triggered, this, &QWidget::close);
    addAction(close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_addSearchButton);
    buttons->addWidget(m_edtSearchButton);
    buttons->addWidget(m_delSearchButton);
    buttons->addStretch();
    buttons->addWidget(m_useSelectedSearchButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 14);
    layout->addWidget(hint);
    layout->addWidget(m_savedSearchesTable, 1);
    layout->addLayout(buttons);
    resize(520, 380);

    connect(m_savedSearchesTable, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        selectSearchRow(index.row());
        useSelectedSearch();
    });
    connect(m_savedSearchesTable->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TBSavedSearchesController::updateSavedSearchButtons);

    m_tableController->reloadData();
    if (m_tableController->rowCount() > 0)
        selectSearchRow(0);
    updateSavedSearchButtons();
    TBNotificationCenter* center = TBNotificationCenter::defaultCenter();
    center->addObserver(this, TBSavedSearchesHaveChangedNotification,
                        [this](const TBNotification&) { savedSearchesHaveChangedNotification(); });
    center->addObserver(this, TBPrefsAttributesHaveChangedNotification,
                        [this](const TBNotification&) { prefsAttributesHaveChangedNotification(); });
    QPointer<TBSavedSearchesController> self(this);
    m_prefs = prefs();
    m_prefs->setSelectedSearchCriteriaSource(
        [self] { return self ? self->selectedSearchCriteria() : TBSearchCriteriaPtr(); });
}

TBSavedSearchesController::~TBSavedSearchesController()
{
    // Only the store this window answered for, if it is still there.
    if (m_prefs)
        m_prefs->setSelectedSearchCriteriaSource({});
    // The criteria table's rows go with the sheet; the table controller must not reach this owner.
    if (m_searchTableController)
        m_searchTableController->setOwner(nullptr);
}

// The list

int TBSavedSearchesController::selectedRow() const
{
    const QList<int> rows = m_savedSearchesTable->selectedRows();
    return rows.isEmpty() ? -1 : rows.first();
}

void TBSavedSearchesController::selectSearchRow(int row)
{
    if (row < 0 || row >= m_tableController->rowCount())
        return;
    m_savedSearchesTable->selectRow(row);
    m_savedSearchesTable->scrollTo(m_tableController->index(row, TBSavedSearchesTableController::NameColumn));
}

TBSearchCriteriaPtr TBSavedSearchesController::selectedSearchCriteria() const
{
    if (!isVisible())
        return nullptr;
    return prefs()->searchCriteriaAtIndex(selectedRow());
}

void TBSavedSearchesController::updateSavedSearchButtons()
{
    const bool selected = selectedRow() >= 0;
    m_addSearchButton->setEnabled(true);
    for (QWidget* button : {m_delSearchButton, m_edtSearchButton, m_useSelectedSearchButton})
        button->setEnabled(selected);
    for (QAction* command : {m_duplicateAction, m_editAction, m_deleteAction, m_deleteWithoutAskingAction, m_useAction})
        command->setEnabled(selected);
}

QMenu* TBSavedSearchesController::savedSearchesMenu()
{
    updateSavedSearchButtons();
    return m_savedSearchesMenu;
}

void TBSavedSearchesController::savedSearchesHaveChangedNotification()
{
    const int row = selectedRow();
    m_tableController->reloadData();
    // A search added in a search window leaves the selection where it was.
    selectSearchRow(row);
    updateSavedSearchButtons();
}

void TBSavedSearchesController::prefsAttributesHaveChangedNotification()
{
    if (m_searchTableController && m_editingSearchCriteria)
        m_searchTableController->reloadData();
    const int row = selectedRow();
    m_tableController->reloadData();
    selectSearchRow(row);
}

void TBSavedSearchesController::addSearchCriteria()
{
    if ((TBModifierKeys::current() & Qt::AltModifier) && selectedRow() >= 0)
        duplicateSearchCriteria();
    else
        newSearchCriteria();
}

void TBSavedSearchesController::newSearchCriteria()
{
    if (m_editingSearchCriteria)
        return; // the sheet is already up
    m_editingSearchCriteria = TBSearchCriteria::searchCriteria(prefs()->lastSelectedAttribute());
    m_editingSearchIndex = -1;
    openEditSheet();
}

void TBSavedSearchesController::duplicateSearchCriteria()
{
    const TBSearchCriteriaPtr original = prefs()->searchCriteriaAtIndex(selectedRow());
    if (m_editingSearchCriteria || !original)
        return;
    m_editingSearchCriteria = original->copy();
    m_editingSearchCriteria->setName(QStringLiteral("Copy of %1").arg(original->name()));
    m_editingSearchIndex = -1;
    openEditSheet();
}

void TBSavedSearchesController::edtSearchCriteria(QObject* sender)
{
    if (m_editingSearchCriteria)
        return;
    if (sender != m_edtSearchButton && sender != m_editAction && sender != this)
        return;
    const int row = selectedRow();
    const TBSearchCriteriaPtr original = prefs()->searchCriteriaAtIndex(row);
    if (!original)
        return;
    m_editingSearchCriteria = TBSearchCriteria::searchCriteriaWithSearchCriteria(*original);
    m_editingSearchIndex = row;
    openEditSheet();
}

void TBSavedSearchesController::delSearchCriteria()
{
    deleteSelectedSearch(!(TBModifierKeys::current() & Qt::AltModifier));
}

void TBSavedSearchesController::deleteSelectedSearch(bool ask)
{
    const int row = selectedRow();
    const TBSearchCriteriaPtr criteria = prefs()->searchCriteriaAtIndex(row);
    if (!criteria)
        return;
    auto deleteIt = [this, criteria] {
        // The list may have changed while the question was up; the search itself goes.
        const qsizetype index = prefs()->savedSearchCriteria().indexOf(criteria);
        if (index < 0)
            return;
        prefs()->deleteSearchCriteriaAtIndex(index);
        m_tableController->reloadData();
        m_savedSearchesTable->clearSelection();
        updateSavedSearchButtons();
    };
    if (!ask) {
        deleteIt();
        return;
    }
    TBTableCommands::confirm(
        this, false, QStringLiteral("Really delete?"),
        QStringLiteral("Are you sure you want to delete the search \"%1\"? This action cannot be undone.")
            .arg(criteria->name()),
        QStringLiteral("Delete"), QStringLiteral("deleteButton"), this, deleteIt);
}

void TBSavedSearchesController::useSelectedSearch()
{
    const TBSearchCriteriaPtr criteria = prefs()->searchCriteriaAtIndex(selectedRow());
    if (!criteria || !documentSource())
        return;
    TBSearchDocument* document = documentSource()();
    if (!document)
        return;
    document->applySearchCriteria(criteria);
    document->raise();
    document->activateWindow();
}

// The edit sheet

void TBSavedSearchesController::openEditSheet()
{
    if (!m_editSearchSheet) {
        m_editSearchSheet = new TBEditSearchSheet(this);
        m_searchTableController = new TBSearchCriteriaTableController(this, m_editSearchSheet, this);
        m_searchTableController->setObjectName(QStringLiteral("searchTableController"));
        m_searchTableController->setExternalView(true);
        m_editSearchSheet->setSearchTable(m_searchTableController->tableView());
        m_searchTableController->tableView()->setObjectName(QStringLiteral("editSearchTable"));
        connect(m_editSearchSheet, &TBEditSearchSheet::okClicked, this, &TBSavedSearchesController::editSearchOK);
        connect(m_editSearchSheet, &TBEditSearchSheet::cancelClicked, this,
                &TBSavedSearchesController::editSearchCancel);
        connect(m_editSearchSheet->editSearchName(), &QLineEdit::textEdited, this,
                &TBSavedSearchesController::updateEditSearchOKButton);
        connect(m_editSearchSheet->editSearchName(), &QLineEdit::returnPressed, this,
                &TBSavedSearchesController::editSearchOK);
        connect(m_searchTableController, &TBSearchCriteriaTableController::numberOfRowsChanged, this, [this] {
            updateSearchTextNextKeyViews();
            updateEditSearchOKButton();
        });
        connect(m_searchTableController, &TBSearchCriteriaTableController::otherAttributeSheetClosed, this, [this] {
            updateSearchTextNextKeyViews();
            updateEditSearchOKButton();
        });
    }
    // Loading the sheet: the name, one row per condition (the sheet grows with them).
    m_editSearchSheet->editSearchName()->setText(m_editingSearchCriteria->name());
    m_searchTableController->reloadData();
    updateSearchTextNextKeyViews();
    updateEditSearchOKButton();
    m_editSearchSheet->open();
    selectSearchTextForRow(-1);
}

void TBSavedSearchesController::closeEditSheet()
{
    if (m_editSearchSheet && m_editSearchSheet->isVisible())
        m_editSearchSheet->done(QDialog::Rejected);
    m_editingSearchCriteria.reset();
    m_editingSearchIndex = -1;
    // The sheet is laid out for one row again when it next opens.
    if (m_searchTableController)
        m_searchTableController->reloadData();
    m_savedSearchesTable->setFocus();
}

QString TBSavedSearchesController::searchInfoProblem() const
{
    if (!m_editingSearchCriteria || !m_editSearchSheet)
        return tr("There is no search to save.");
    if (m_editSearchSheet->editSearchName()->text().isEmpty())
        return tr("Please enter a name for this search.");
    for (const TBSearchItemPtr& item : m_editingSearchCriteria->searchItems()) {
        if (item && item->takesText() && item->searchText().isEmpty())
            return tr("Please enter a text for every condition that needs one.");
    }
    return QString();
}

bool TBSavedSearchesController::searchInfoValid() const
{
    return searchInfoProblem().isEmpty();
}

void TBSavedSearchesController::updateEditSearchOKButton()
{
    if (!m_editSearchSheet)
        return;
    const QString problem = m_editingSearchCriteria ? searchInfoProblem() : QString();
    m_editSearchSheet->editSearchOKButton()->setEnabled(problem.isEmpty() && m_editingSearchCriteria);
    m_editSearchSheet->setProblemText(problem);
}

void TBSavedSearchesController::updateSearchTextNextKeyViews()
{
    if (!m_editSearchSheet || !m_editingSearchCriteria)
        return;
    // Tab goes from the name to the first condition that takes text, then through the conditions.
    QLineEdit* name = m_editSearchSheet->editSearchName();
    for (int row = 0; row < m_searchTableController->numberOfRows(); ++row) {
        const TBSearchItemPtr item = m_editingSearchCriteria->searchItemAtIndex(row);
        if (item && item->takesText()) {
            QWidget::setTabOrder(name, m_searchTableController->rowView(row)->dataField());
            return;
        }
    }
}

void TBSavedSearchesController::editSearchOK()
{
    if (!m_editingSearchCriteria || !searchInfoValid())
        return;
    const TBSearchCriteriaPtr edited = m_editingSearchCriteria;
    edited->setName(m_editSearchSheet->editSearchName()->text());
    const qint64 index = m_editingSearchIndex;
    closeEditSheet();
    // The store saves the list and announces it; the table reloads on the notice.
    if (index < 0) {
        prefs()->addSearchCriteria(edited);
        m_tableController->reloadData();
        selectSearchRow(m_tableController->rowCount() - 1);
    } else {
        prefs()->replaceSearchCriteriaAtIndex(index, edited);
        m_tableController->reloadData();
        selectSearchRow(int(index));
    }
    updateSavedSearchButtons();
}

void TBSavedSearchesController::editSearchCancel()
{
    closeEditSheet();
}

// The criteria table's owner

TBSearchCriteriaPtr TBSavedSearchesController::criteriaForController(TBSearchCriteriaTableController*)
{
    return m_editingSearchCriteria;
}

void TBSavedSearchesController::useCriteriaFromController(const TBSearchCriteriaPtr&)
{
    // A saved search dropped on the sheet's conditions changes nothing.
}

void TBSavedSearchesController::searchItemEnter(QLineEdit*)
{
    editSearchOK();
}

void TBSavedSearchesController::searchItemTextDidChange(QLineEdit* field)
{
    m_searchTableController->applyTextField(field);
    updateEditSearchOKButton();
}

void TBSavedSearchesController::changedAttrPopUp(QComboBox* popUp)
{
    m_searchTableController->applyAttrPopUp(popUp);
    updateSearchTextNextKeyViews();
    updateEditSearchOKButton();
}

void TBSavedSearchesController::changedTypePopUp(QComboBox* popUp)
{
    m_searchTableController->applyTypePopUp(popUp);
    updateSearchTextNextKeyViews();
    updateEditSearchOKButton();
}

void TBSavedSearchesController::addSearchItem(QAbstractButton* button)
{
    m_searchTableController->applyAddButton(button);
}

void TBSavedSearchesController::delSearchItem(QAbstractButton* button)
{
    m_searchTableController->applyDelButton(button);
}

void TBSavedSearchesController::selectSearchTextForRow(int row)
{
    if (row < 0) {
        if (m_editSearchSheet) {
            m_editSearchSheet->editSearchName()->setFocus(Qt::TabFocusReason);
            m_editSearchSheet->editSearchName()->selectAll();
        }
        return;
    }
    m_searchTableController->selectSearchTextForRow(row);
}
