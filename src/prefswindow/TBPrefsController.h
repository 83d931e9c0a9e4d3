#pragma once

#include "TBDirectory.h"
#include "TBPrefsAttributesTab.h"
#include "TBPrefsDirectoriesTab.h"
#include "TBPrefsTab.h"

#include <QList>
#include <QMainWindow>

class QAction;
class QActionGroup;
class QStackedWidget;
class QTableView;
class QToolBar;
class QTreeView;
class TBAttributeTableController;
class TBDirectoryTableController;
class TBEditAttributeSheet;
class TBEditDirectorySheet;
class TBPrefsGeneralTab;

// The preferences window: a toolbar switching between the "General", "Directories" and
// "Attributes" tabs, each a TBPrefsTab of its own. The tab shown last is remembered.
class TBPrefsController : public QMainWindow
{
    Q_OBJECT
public:
    using ModifierSource = TBPrefsTab::ModifierSource;

    // The one preferences window of the application: created on first use, then brought forward.
    static void showPreferencesWindow();
    static TBPrefsController* existingController();

    explicit TBPrefsController(QWidget* parent = nullptr);
    ~TBPrefsController() override;

    // Modifier keys of the current event (Alt duplicates and skips confirmations); tests replace it.
    static void setModifierSource(ModifierSource source) { TBPrefsTab::setModifierSource(std::move(source)); }
    Qt::KeyboardModifiers currentModifiers() const { return TBPrefsTab::currentModifiers(); }

    // Window and toolbar.
    void toolbarClicked(const QString& identifier);
    QString currentTab() const;
    QAction* toolbarItem(const QString& identifier) const;
    // Stores what any tab still has being typed.
    void commitEditing();

    // Ctrl+W and Escape close the window; Ctrl+Q asks the application to quit (quitRequested).
    QAction* closeAction() const { return m_closeAction; }
    QAction* quitAction() const { return m_quitAction; }

    TBPrefsGeneralTab* generalTab() const { return m_generalTab; }
    TBPrefsDirectoriesTab* directoriesTab() const { return m_directoriesTab; }
    TBPrefsAttributesTab* attributesTab() const { return m_attributesTab; }

    // The Directories tab's operations.
    void addDirectory() { m_directoriesTab->addDirectory(); }
    void edtDirectory(QObject* sender) { m_directoriesTab->edtDirectory(sender); }
    void exportDirectories() { m_directoriesTab->exportDirectories(); }
    void importDirectories() { m_directoriesTab->importDirectories(); }
    bool exportDirectoriesToURL(const QString& path, QString* error = nullptr)
    {
        return m_directoriesTab->exportDirectoriesToURL(path, error);
    }
    bool importDirectoriesFromURL(const QString& path) { return m_directoriesTab->importDirectoriesFromURL(path); }
    TBDirectoryPtr editingDirectory() const { return m_directoriesTab->editingDirectory(); }
    qint64 editingDirectoryID() const { return m_directoriesTab->editingDirectoryID(); }
    bool exportingDirectories() const { return m_directoriesTab->exportingDirectories(); }
    TBEditDirectorySheet* editDirectorySheet() const { return m_directoriesTab->editDirectorySheet(); }
    TBDirectoryTableController* directoryTableController() const
    {
        return m_directoriesTab->directoryTableController();
    }
    QTableView* directoriesTable() const { return m_directoriesTab->directoriesTable(); }
    QList<int> selectedDirectoryRows() const { return m_directoriesTab->selectedDirectoryRows(); }

    // The Attributes tab's operations.
    void addAttribute() { m_attributesTab->addAttribute(); }
    void delAttribute() { m_attributesTab->delAttribute(); }
    void edtAttribute(QObject* sender) { m_attributesTab->edtAttribute(sender); }
    void resetAttributes() { m_attributesTab->resetAttributes(); }
    TBAttributePtr editingAttribute() const { return m_attributesTab->editingAttribute(); }
    qint64 editingAttributeID() const { return m_attributesTab->editingAttributeID(); }
    TBEditAttributeSheet* editAttributeSheet() const { return m_attributesTab->editAttributeSheet(); }
    TBAttributeTableController* attributeTableController() const { return m_attributesTab->attributeTableController(); }
    QTreeView* attributesTable() const { return m_attributesTab->attributesTable(); }

Q_SIGNALS:
    void quitRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildToolbar();
    void addWindowCommands();

    QToolBar* m_toolbar = nullptr;
    QAction* m_closeAction = nullptr;
    QAction* m_quitAction = nullptr;
    QActionGroup* m_toolbarGroup = nullptr;
    QStackedWidget* m_prefsTabView = nullptr;
    TBPrefsGeneralTab* m_generalTab = nullptr;
    TBPrefsDirectoriesTab* m_directoriesTab = nullptr;
    TBPrefsAttributesTab* m_attributesTab = nullptr;
};
