#pragma once

#include "TBDirectory.h"
#include "TBPrefsTab.h"

#include <QList>

class QAction;
class QFileDialog;
class QMenu;
class QPushButton;
class QTableView;
class TBDirectoryTableController;
class TBEditDirectorySheet;

// The "Directories" tab: the directory list in a table that reorders by dragging, the sheet that
// edits one directory, and export to and import from a property-list file.
class TBPrefsDirectoriesTab : public TBPrefsTab
{
    Q_OBJECT
public:
    explicit TBPrefsDirectoriesTab(QWidget* parent = nullptr);

    // The add button: a new directory, or with Alt a copy of the one selected.
    void addDirectory();
    void newDirectory();
    // A copy named "Copy of <name>" of the one selected directory; nothing without one.
    void duplicateDirectory();
    // The delete button: asks first, unless Alt is held.
    void delDirectory();
    void deleteSelectedDirectories(bool ask);
    // sender: the table (a double-click on m_clickedRow), the edit button, the menu's edit command
    // or the table controller (Return); any other sender does nothing.
    void edtDirectory(QObject* sender);
    void editDirectoryOK();
    void editDirectoryCancel();
    void exportDirectories();
    void importDirectories();
    void updateDirectoryButtons();
    bool directoryInfoValid();
    bool directoryNameIsUnique(const QString& name, qint64 ignoringID) const;
    // Writes the chosen directories with identifier 0; false (with the reason) when the file cannot be written.
    bool exportDirectoriesToURL(const QString& path, QString* error = nullptr);
    // Appends the file's directories with fresh identifiers; false (list unchanged) for a bad file.
    bool importDirectoriesFromURL(const QString& path);

    TBDirectoryPtr editingDirectory() const { return m_editingDirectory; }
    qint64 editingDirectoryID() const { return m_editingDirectoryID; }
    bool exportingDirectories() const { return m_exportingDirectories; }
    TBEditDirectorySheet* editDirectorySheet() const { return m_editDirectorySheet; }
    TBDirectoryTableController* directoryTableController() const { return m_directoryTableController; }
    QTableView* directoriesTable() const { return m_directoriesTable; }
    QList<int> selectedDirectoryRows() const;
    // The table's context menu, made up to date for the current selection.
    QMenu* directoriesMenu();

private:
    void openEditSheet();
    void selectDirectoryRow(qsizetype row);
    void prefsDirectoriesDeletedNotification();
    void deleteDirectoriesAtRows(const QList<int>& rows);
    void showImportError();
    void finishExport(QFileDialog* panel, int result);
    void finishImport(QFileDialog* panel, int result);

    QTableView* m_directoriesTable = nullptr;
    QPushButton* m_directoryAddButton = nullptr;
    QPushButton* m_directoryDelButton = nullptr;
    QPushButton* m_directoryEdtButton = nullptr;
    QPushButton* m_importDirectoriesButton = nullptr;
    QPushButton* m_exportDirectoriesButton = nullptr;
    TBDirectoryTableController* m_directoryTableController = nullptr;
    TBEditDirectorySheet* m_editDirectorySheet = nullptr;
    QMenu* m_directoriesMenu = nullptr;
    QAction* m_duplicateDirectoryAction = nullptr;
    QAction* m_editDirectoryAction = nullptr;
    QAction* m_deleteDirectoryAction = nullptr;
    QAction* m_deleteWithoutAskingAction = nullptr;

    TBDirectoryPtr m_editingDirectory;
    qint64 m_editingDirectoryID = -2;
    bool m_exportingDirectories = false;
    int m_clickedRow = -1;
};
