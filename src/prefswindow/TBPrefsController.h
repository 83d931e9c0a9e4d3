#pragma once

#include "TBDirectory.h"

#include <QList>
#include <QMainWindow>

#include <functional>

class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QFileDialog;
class QLineEdit;
class QMessageBox;
class QPushButton;
class QStackedWidget;
class QTableView;
class QToolBar;
class TBDirectoryTableController;
class TBEditDirectorySheet;

// The preferences window: a toolbar switching between the "General", "Directories" and
// "Attributes" tabs. Every change goes into the preferences at once, is written to the settings
// file and is announced, so open windows follow and a crash loses nothing.
class TBPrefsController : public QMainWindow
{
    Q_OBJECT
public:
    using ModifierSource = std::function<Qt::KeyboardModifiers()>;

    // The one preferences window of the application: created on first use, then brought forward.
    static void showPreferencesWindow();
    static TBPrefsController* existingController();

    explicit TBPrefsController(QWidget* parent = nullptr);
    ~TBPrefsController() override;

    // Modifier keys of the current event (Alt duplicates and skips confirmations); tests replace it.
    static void setModifierSource(ModifierSource source);
    Qt::KeyboardModifiers currentModifiers() const;

    // Window and toolbar.
    void toolbarClicked(const QString& identifier);
    QString currentTab() const;
    QAction* toolbarItem(const QString& identifier) const;

    // General tab.
    void controlValueChanged(QObject* sender);
    // Clamps one number field (nullptr: all four) into its range and shows the result; with
    // updatePrefs, also stores the fields, saves and announces the change once.
    void validateTextField(QLineEdit* field, bool updatePrefs);
    // A field's integer: optional "-" and digits; too large values saturate, anything else is 0.
    static qint64 integerValue(const QString& text);

    // Directories tab.
    void addDirectory();
    void delDirectory();
    // sender: the table (a double-click on m_clickedRow), the edit button or the table
    // controller (Return); any other sender does nothing.
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

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct NumberField;
    void buildToolbar();
    QWidget* buildGeneralTab();
    QWidget* buildDirectoriesTab();
    QWidget* buildAttributesTab();
    void loadGeneralControls();
    void awakeDirectories();
    void storeNumberField(QLineEdit* field);
    void savePreferences();
    void postPrefsChanged(const QString& changedPref);
    void openEditSheet();
    void selectDirectoryRow(qsizetype row);
    void prefsDirectoriesDeletedNotification();
    void deleteDirectoriesAtRows(const QList<int>& rows);
    QMessageBox* alert(QWidget* parent, bool critical, const QString& text, const QString& informative);
    void showImportError();
    void finishExport(QFileDialog* panel, int result);
    void finishImport(QFileDialog* panel, int result);
    QCheckBox* addCheckbox(const QString& name, const QString& title);

    static ModifierSource s_modifierSource;

    QToolBar* m_toolbar = nullptr;
    QActionGroup* m_toolbarGroup = nullptr;
    QStackedWidget* m_prefsTabView = nullptr;

    QComboBox* m_fetchAttributesPopUp = nullptr;
    QLineEdit* m_maxHitsTextField = nullptr;
    QLineEdit* m_timeLimitTextField = nullptr;
    QLineEdit* m_connectTimeoutTextField = nullptr;
    QCheckBox* m_showFriendlyAttrsCheckbox = nullptr;
    QCheckBox* m_decodeBase64Checkbox = nullptr;
    QCheckBox* m_discardOutputCheckbox = nullptr;
    QCheckBox* m_enableDebugCheckbox = nullptr;
    QLineEdit* m_debugLevelTextField = nullptr;
    QCheckBox* m_autoAddDiscoverdAttributesCheckbox = nullptr;
    QCheckBox* m_attributeColumnsAutoDisplayCheckbox = nullptr;

    QTableView* m_directoriesTable = nullptr;
    QPushButton* m_directoryAddButton = nullptr;
    QPushButton* m_directoryDelButton = nullptr;
    QPushButton* m_directoryEdtButton = nullptr;
    QPushButton* m_importDirectoriesButton = nullptr;
    QPushButton* m_exportDirectoriesButton = nullptr;
    TBDirectoryTableController* m_directoryTableController = nullptr;
    TBEditDirectorySheet* m_editDirectorySheet = nullptr;

    TBDirectoryPtr m_editingDirectory;
    qint64 m_editingDirectoryID = -2;
    bool m_exportingDirectories = false;
    int m_clickedRow = -1;
};
