#include "TBPrefsDirectoriesTab.h"

#include "TBDirectoryTableController.h"
#include "TBEditDirectorySheet.h"
#include "TBNotificationCenter.h"
#include "TBPreferences.h"
#include "TBPropertyList.h"
#include "TBUserDefaults.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QVBoxLayout>
#include <QtDebug>

#include <algorithm>

namespace {

const QString kDirectoryID = QStringLiteral("DirectoryID");
const QString kCurrentDirectoryID = QStringLiteral("CurrentDirectoryID");
const QString kUniqueNameHint = QStringLiteral("Please enter a unique name for this directory.");

} // namespace

TBPrefsDirectoriesTab::TBPrefsDirectoriesTab(QWidget* parent)
    : TBPrefsTab(QStringLiteral("Directories"), parent)
{
    auto* hint = new QLabel(tr("Every window lists the directories in this order. Drag a row to move it; "
                               "right-click it for more commands."));
    hint->setWordWrap(true);

    m_directoriesTable = new QTableView;
    m_directoriesTable->setObjectName(QStringLiteral("directoriesTable"));
    m_directoryTableController = new TBDirectoryTableController(this);
    m_directoryTableController->setObjectName(QStringLiteral("directoryTableController"));
    m_directoryTableController->setDirectoriesTable(m_directoriesTable);

    m_directoryAddButton = makeButton(QStringLiteral("directoryAddButton"), tr("Add…"));
    m_directoryAddButton->setToolTip(
        tr("Add a directory. Hold Alt, or press Ctrl+D in the list, to duplicate the selected one."));
    connect(m_directoryAddButton, &QPushButton::clicked, this, &TBPrefsDirectoriesTab::addDirectory);
    m_directoryEdtButton = makeButton(QStringLiteral("directoryEdtButton"), tr("Edit…"));
    connect(m_directoryEdtButton, &QPushButton::clicked, this, [this] { edtDirectory(m_directoryEdtButton); });
    m_directoryDelButton = makeButton(QStringLiteral("directoryDelButton"), tr("Delete"));
    m_directoryDelButton->setToolTip(
        tr("Delete the selected directories. Hold Alt, or press Shift+Delete in the list, to skip the question."));
    connect(m_directoryDelButton, &QPushButton::clicked, this, &TBPrefsDirectoriesTab::delDirectory);
    m_importDirectoriesButton = makeButton(QStringLiteral("importDirectoriesButton"), tr("Import…"));
    connect(m_importDirectoriesButton, &QPushButton::clicked, this, &TBPrefsDirectoriesTab::importDirectories);
    m_exportDirectoriesButton = makeButton(QStringLiteral("exportDirectoriesButton"), tr("Export…"));
    connect(m_exportDirectoriesButton, &QPushButton::clicked, this, &TBPrefsDirectoriesTab::exportDirectories);

    // The menu's commands, with their shortcuts while the table has the focus.
    m_directoriesMenu = new QMenu(this);
    m_directoriesMenu->setObjectName(QStringLiteral("directoriesMenu"));
    QMenu* menu = m_directoriesMenu;
    connect(addTableCommand(menu, m_directoriesTable, QStringLiteral("addDirectoryAction"), tr("Add…")),
            &QAction::triggered, this, &TBPrefsDirectoriesTab::newDirectory);
    m_duplicateDirectoryAction = addTableCommand(menu, m_directoriesTable, QStringLiteral("duplicateDirectoryAction"),
                                                 tr("Duplicate"), {QKeySequence(Qt::CTRL | Qt::Key_D)});
    connect(m_duplicateDirectoryAction, &QAction::triggered, this, &TBPrefsDirectoriesTab::duplicateDirectory);
    m_editDirectoryAction
        = addTableCommand(menu, m_directoriesTable, QStringLiteral("editDirectoryAction"), tr("Edit…"));
    connect(m_editDirectoryAction, &QAction::triggered, this, [this] { edtDirectory(m_editDirectoryAction); });
    m_deleteDirectoryAction
        = addTableCommand(menu, m_directoriesTable, QStringLiteral("deleteDirectoryAction"), tr("Delete…"),
                          {QKeySequence(Qt::Key_Delete), QKeySequence(Qt::Key_Backspace)});
    connect(m_deleteDirectoryAction, &QAction::triggered, this, [this] { deleteSelectedDirectories(true); });
    m_deleteWithoutAskingAction
        = addTableCommand(menu, m_directoriesTable, QStringLiteral("deleteDirectoriesWithoutAskingAction"),
                          tr("Delete Without Asking"), {QKeySequence(Qt::SHIFT | Qt::Key_Delete)});
    connect(m_deleteWithoutAskingAction, &QAction::triggered, this, [this] { deleteSelectedDirectories(false); });
    setTableMenu(m_directoriesTable, [this] { return directoriesMenu(); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_directoryAddButton);
    buttons->addWidget(m_directoryEdtButton);
    buttons->addWidget(m_directoryDelButton);
    buttons->addStretch();
    buttons->addWidget(m_importDirectoriesButton);
    buttons->addWidget(m_exportDirectoriesButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->addWidget(hint);
    layout->addWidget(m_directoriesTable, 1);
    layout->addLayout(buttons);

    connect(m_directoriesTable, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        m_clickedRow = index.row();
        edtDirectory(m_directoriesTable);
        m_clickedRow = -1;
    });
    connect(m_directoriesTable->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TBPrefsDirectoriesTab::updateDirectoryButtons);
    m_directoryTableController->reloadData();
    if (!prefs()->directories().isEmpty()) {
        const qsizetype row = prefs()->directoryIndexWithID(prefs()->currentDirectoryID());
        selectDirectoryRow(row < 0 ? 0 : row);
    }
    updateDirectoryButtons();
    TBNotificationCenter::defaultCenter()->addObserver(
        this, TBPrefsDirectoriesDeletedNotification,
        [this](const TBNotification&) { prefsDirectoriesDeletedNotification(); });
}

void TBPrefsDirectoriesTab::selectDirectoryRow(qsizetype row)
{
    if (row < 0 || row >= m_directoryTableController->rowCount())
        return;
    m_directoriesTable->selectRow(int(row));
    m_directoriesTable->scrollTo(m_directoryTableController->index(int(row), 0));
}

QList<int> TBPrefsDirectoriesTab::selectedDirectoryRows() const
{
    QList<int> rows;
    for (const QModelIndex& index : m_directoriesTable->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TBPrefsDirectoriesTab::updateDirectoryButtons()
{
    const qsizetype selected = selectedDirectoryRows().size();
    m_directoryAddButton->setEnabled(true);
    m_importDirectoriesButton->setEnabled(true);
    m_directoryDelButton->setEnabled(selected > 0);
    m_directoryEdtButton->setEnabled(selected == 1);
    m_exportDirectoriesButton->setEnabled(!prefs()->directories().isEmpty());
    m_duplicateDirectoryAction->setEnabled(selected == 1);
    m_editDirectoryAction->setEnabled(selected == 1);
    m_deleteDirectoryAction->setEnabled(selected > 0);
    m_deleteWithoutAskingAction->setEnabled(selected > 0);
}

QMenu* TBPrefsDirectoriesTab::directoriesMenu()
{
    updateDirectoryButtons();
    return m_directoriesMenu;
}

void TBPrefsDirectoriesTab::addDirectory()
{
    if ((currentModifiers() & Qt::AltModifier) && selectedDirectoryRows().size() == 1)
        duplicateDirectory();
    else
        newDirectory();
}

void TBPrefsDirectoriesTab::newDirectory()
{
    if (m_editingDirectory)
        return; // the sheet is already up
    m_editingDirectory = TBDirectory::directory(prefs()->directories());
    m_editingDirectoryID = -2;
    openEditSheet();
}

void TBPrefsDirectoriesTab::duplicateDirectory()
{
    const QList<int> rows = selectedDirectoryRows();
    const QList<TBDirectoryPtr>& list = prefs()->directories();
    if (m_editingDirectory || rows.size() != 1 || !list.at(rows.first()))
        return;
    const TBDirectoryPtr original = list.at(rows.first());
    m_editingDirectory = TBDirectory::directoryWithDirectory(*original);
    m_editingDirectory->setDirectoryName(QStringLiteral("Copy of %1").arg(original->directoryName()));
    m_editingDirectory->updateDirectoryID(list);
    m_editingDirectoryID = -2;
    openEditSheet();
}

void TBPrefsDirectoriesTab::edtDirectory(QObject* sender)
{
    if (m_editingDirectory)
        return;
    int row = -1;
    if (sender == m_directoriesTable) {
        row = m_clickedRow;
    } else if (sender == m_directoryEdtButton || sender == m_directoryTableController
               || sender == m_editDirectoryAction) {
        const QList<int> rows = selectedDirectoryRows();
        const int current = m_directoriesTable->currentIndex().row();
        row = rows.contains(current) ? current : (rows.isEmpty() ? -1 : rows.last());
    } else {
        return;
    }
    const QList<TBDirectoryPtr>& list = prefs()->directories();
    if (row < 0 || row >= list.size() || !list.at(row))
        return;
    m_editingDirectory = TBDirectory::directoryWithDirectory(*list.at(row));
    m_editingDirectoryID = qint64(m_editingDirectory->directoryID());
    openEditSheet();
}

void TBPrefsDirectoriesTab::openEditSheet()
{
    if (!m_editDirectorySheet) {
        m_editDirectorySheet = new TBEditDirectorySheet(window());
        connect(m_editDirectorySheet, &TBEditDirectorySheet::okClicked, this, &TBPrefsDirectoriesTab::editDirectoryOK);
        connect(m_editDirectorySheet, &QDialog::rejected, this, &TBPrefsDirectoriesTab::editDirectoryCancel);
    }
    m_editDirectorySheet->updateEditDirectoryUI(*m_editingDirectory);
    m_editDirectorySheet->open();
}

bool TBPrefsDirectoriesTab::directoryNameIsUnique(const QString& name, qint64 ignoringID) const
{
    for (const TBDirectoryPtr& directory : prefs()->directories()) {
        if (directory && qint64(directory->directoryID()) != ignoringID && directory->directoryName() == name)
            return false;
    }
    return true;
}

bool TBPrefsDirectoriesTab::directoryInfoValid()
{
    TBEditDirectorySheet* sheet = m_editDirectorySheet;
    auto refuse = [this, sheet](QLineEdit* field, const QString& text, const QString& informative) {
        sheet->focusServerField(field);
        alert(sheet, false, text, informative)->open();
        return false;
    };
    const QString name = sheet->editDirectoryNameTextField()->text();
    if (name.isEmpty())
        return refuse(sheet->editDirectoryNameTextField(), QStringLiteral("\"Directory Name\" value is missing."),
                      kUniqueNameHint);
    if (!directoryNameIsUnique(name, m_editingDirectoryID))
        return refuse(sheet->editDirectoryNameTextField(),
                      QStringLiteral("There is already a directory named \"%1\".").arg(name), kUniqueNameHint);
    const QString uri = sheet->editDirectoryLDAPURITextField()->text();
    if (uri.isEmpty() || uri == QStringLiteral("ldap://"))
        return refuse(sheet->editDirectoryLDAPURITextField(), QStringLiteral("\"LDAP URI\" value is missing."),
                      QStringLiteral("Please specify the LDAP URI for this directory.\n"
                                     "(for example ldap://ldap.example.com:389)"));
    return true;
}

void TBPrefsDirectoriesTab::editDirectoryOK()
{
    if (!m_editingDirectory || !m_editDirectorySheet || !directoryInfoValid())
        return;
    TBPreferences* p = prefs();
    m_editDirectorySheet->storeInto(*m_editingDirectory);

    const qint64 savedID = qint64(m_editingDirectory->directoryID());
    if (p->currentDirectoryID() == 0) {
        p->setCurrentDirectoryID(savedID);
        if (p->store())
            p->store()->setInteger(savedID, kCurrentDirectoryID);
    }
    // The store saves the list and announces the change.
    const qsizetype index = p->directoryIndexWithID(m_editingDirectoryID);
    if (index < 0)
        p->addDirectory(m_editingDirectory, window());
    else
        p->replaceDirectoryAtIndex(index, m_editingDirectory, window());

    m_editDirectorySheet->done(QDialog::Accepted);
    m_directoriesTable->setFocus();
    m_directoriesTable->clearSelection();
    m_directoryTableController->reloadData();
    selectDirectoryRow(p->directoryIndexWithID(savedID));
    updateDirectoryButtons();

    m_editingDirectory.reset();
    m_editingDirectoryID = -2;
}

void TBPrefsDirectoriesTab::editDirectoryCancel()
{
    if (m_editDirectorySheet && m_editDirectorySheet->isVisible())
        m_editDirectorySheet->done(QDialog::Rejected);
    m_editingDirectory.reset();
    m_editingDirectoryID = -2;
}

void TBPrefsDirectoriesTab::delDirectory()
{
    deleteSelectedDirectories(!(currentModifiers() & Qt::AltModifier));
}

void TBPrefsDirectoriesTab::deleteSelectedDirectories(bool ask)
{
    const QList<int> rows = selectedDirectoryRows();
    if (rows.isEmpty())
        return;
    if (!ask) {
        deleteDirectoriesAtRows(rows);
        return;
    }
    const QList<TBDirectoryPtr>& list = prefs()->directories();
    const QString informative = rows.size() == 1 && list.at(rows.first())
        ? QStringLiteral("Are you sure you want to delete the directory \"%1\"?")
              .arg(list.at(rows.first())->directoryName())
        : QStringLiteral("Are you sure you want to delete the selected directories?");
    confirm(window(), true, QStringLiteral("Really delete?"), informative, QStringLiteral("Delete"),
            QStringLiteral("deleteButton"), this, [this, rows] { deleteDirectoriesAtRows(rows); });
}

void TBPrefsDirectoriesTab::deleteDirectoriesAtRows(const QList<int>& rows)
{
    QList<qsizetype> indexes;
    for (int row : rows)
        indexes.append(row);
    // The store saves the list and announces the deletion, on which the table reloads.
    prefs()->deleteDirectoriesAtIndexes(indexes);
    if (!prefs()->canNotify())
        prefsDirectoriesDeletedNotification();
}

void TBPrefsDirectoriesTab::prefsDirectoriesDeletedNotification()
{
    m_directoriesTable->clearSelection();
    m_directoryTableController->reloadData();
    m_directoriesTable->scrollToTop();
    updateDirectoryButtons();
}

// ---------------------------------------------------------------- export and import

void TBPrefsDirectoriesTab::exportDirectories()
{
    if (m_exportingDirectories)
        return;
    m_exportingDirectories = true;

    auto* panel = new QFileDialog(window(), tr("Export Directories"));
    panel->setObjectName(QStringLiteral("exportSavePanel"));
    panel->setOption(QFileDialog::DontUseNativeDialog); // it carries the export choice below
    panel->setAcceptMode(QFileDialog::AcceptSave);
    panel->setFileMode(QFileDialog::AnyFile);
    panel->setNameFilter(tr("Property lists (*.plist)"));
    panel->setDefaultSuffix(QStringLiteral("plist"));
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    panel->setDirectory(QDir(documents).exists() ? documents : QDir::homePath());
    panel->selectFile(QStringLiteral("Tamblin Directories.plist"));

    auto* extras = new QWidget(panel);
    extras->setObjectName(QStringLiteral("exportDirectoriesExtras"));
    auto* extrasLayout = new QHBoxLayout(extras);
    extrasLayout->setContentsMargins(0, 0, 0, 0);
    auto* whatPopUp = new QComboBox(extras);
    whatPopUp->setObjectName(QStringLiteral("exportDirectoriesExportWhatPopUp"));
    whatPopUp->addItems({tr("All directories"), tr("Selected directories")});
    whatPopUp->setCurrentIndex(prefs()->exportWhichDirectories() == 0 ? 0 : 1);
    connect(whatPopUp, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0)
            return;
        prefs()->setExportWhichDirectories(index);
        savePreferences();
    });
    extrasLayout->addWidget(new QLabel(tr("Export:"), extras));
    extrasLayout->addWidget(whatPopUp);
    extrasLayout->addStretch();
    if (auto* grid = qobject_cast<QGridLayout*>(panel->layout()))
        grid->addWidget(extras, grid->rowCount(), 0, 1, grid->columnCount());

    panel->setWindowModality(Qt::WindowModal);
    connect(panel, &QFileDialog::finished, this, [this, panel](int result) { finishExport(panel, result); });
    panel->open();
}

void TBPrefsDirectoriesTab::finishExport(QFileDialog* panel, int result)
{
    const QStringList files = panel->selectedFiles();
    panel->hide();
    panel->deleteLater();
    m_exportingDirectories = false;
    if (result != QDialog::Accepted || files.isEmpty())
        return;
    QString error;
    if (!exportDirectoriesToURL(files.first(), &error) && !error.isEmpty())
        alert(window(), true, tr("Could not export directories."), error)->open();
}

bool TBPrefsDirectoriesTab::exportDirectoriesToURL(const QString& path, QString* error)
{
    const QList<TBDirectoryPtr>& list = prefs()->directories();
    QList<int> rows;
    if (prefs()->exportWhichDirectories() != 0) {
        rows = selectedDirectoryRows();
    } else {
        for (int i = 0; i < list.size(); ++i)
            rows.append(i);
    }
    if (rows.isEmpty())
        return false;
    QVariantList array;
    for (int row : rows) {
        if (row >= list.size() || !list.at(row))
            continue;
        // The stored directories keep their identifiers; the file carries 0 so an import draws new ones.
        QVariantMap dict = list.at(row)->dictionaryRepresentation();
        dict.insert(kDirectoryID, qint64(0));
        array.append(dict);
    }
    QString reason;
    if (TBPropertyList::writeFile(path, array, &reason))
        return true;
    qWarning("Could not export directories to %s: %s", qPrintable(path), qPrintable(reason));
    if (error)
        *error = reason.isEmpty() ? tr("The file could not be written.") : reason;
    return false;
}

void TBPrefsDirectoriesTab::importDirectories()
{
    if (m_exportingDirectories)
        return;
    m_exportingDirectories = true;

    auto* panel = new QFileDialog(window(), tr("Import Directories"));
    panel->setObjectName(QStringLiteral("importOpenPanel"));
    panel->setOption(QFileDialog::DontUseNativeDialog);
    panel->setAcceptMode(QFileDialog::AcceptOpen);
    panel->setFileMode(QFileDialog::ExistingFile);
    panel->setNameFilter(tr("Property lists (*.plist)"));
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    panel->setDirectory(QDir(documents).exists() ? documents : QDir::homePath());

    panel->setWindowModality(Qt::WindowModal);
    connect(panel, &QFileDialog::finished, this, [this, panel](int result) { finishImport(panel, result); });
    panel->open();
}

void TBPrefsDirectoriesTab::finishImport(QFileDialog* panel, int result)
{
    const QStringList files = panel->selectedFiles();
    panel->hide();
    panel->deleteLater();
    m_exportingDirectories = false;
    if (result == QDialog::Accepted && !files.isEmpty())
        importDirectoriesFromURL(files.first());
}

void TBPrefsDirectoriesTab::showImportError()
{
    alert(window(), true, QStringLiteral("Could not import directories."),
          QStringLiteral("Has the plist file been edited? If so, it may be corrupt."))
        ->open();
}

bool TBPrefsDirectoriesTab::importDirectoriesFromURL(const QString& path)
{
    QString reason;
    const std::optional<QList<TBDirectoryPtr>> imported
        = TBDirectory::directoriesFromPropertyList(TBPropertyList::readFile(path, &reason), prefs()->directories());
    if (!imported) {
        qWarning("Could not import directories from %s%s%s", qPrintable(path), reason.isEmpty() ? "" : ": ",
                 qPrintable(reason));
        showImportError();
        return false;
    }
    if (imported->isEmpty())
        return true;

    const QList<int> selected = selectedDirectoryRows();
    // The store saves the list and announces the change.
    prefs()->addDirectories(*imported, window());

    m_directoryTableController->reloadData();
    for (int row : selected)
        m_directoriesTable->selectionModel()->select(m_directoryTableController->index(row, 0),
                                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    updateDirectoryButtons();
    return true;
}
