#pragma once

#include "TBEntry.h"
#include "TBExport.h"
#include "TBRunSettings.h"
#include "TBSearchCriteria.h"
#include "TBTableView.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QVariantMap>

class QAction;
class QMenu;
class TBEntryTableModel;
struct TBNotification;

// Drives the search window's entry table: one row per entry, one column per attribute. It makes
// the columns (from the basic and displayed attributes, then from what searches return), keeps
// their titles and hidden states in line with the attribute registry, offers the columns menu on
// the header, remembers column order, widths and the sort column in the user defaults, and
// answers the table's copy, delete and drag of rows.
//
// The table's model is ours; the window takes the rows back with entries() after the controller
// reorders (sort) or removes (delete) them.
class TBEntryTableController : public QObject, public TBTableViewDelegate
{
    Q_OBJECT
public:
    static constexpr int defaultColumnWidth = 120;
    static constexpr int minimumColumnWidth = 80;
    static constexpr int maximumColumnWidth = 200;
    // The width a new column gets: its name and sort mark fit, between the default and the maximum.
    int fittingColumnWidth(int column) const;

    // Serves the given table (the window's "entryTable") from now on.
    explicit TBEntryTableController(TBTableView* tableView, QObject* parent = nullptr);
    ~TBEntryTableController() override;

    TBTableView* tableView() const { return m_tableView; }
    TBEntryTableModel* model() const { return m_model; }
    // Shown as the header's context menu.
    QMenu* entryTableColumnsMenu() const { return m_columnsMenu; }

    // Rows
    const TBEntryList& entries() const;
    // New results: deselects, sorts them on the table's sort column, shows them.
    void setEntries(const TBEntryList& entries);
    QList<int> selectedRows() const;
    TBEntryList selectedEntries() const;

    // Columns
    void initAttributeColumns();
    // After a search: columns for the returned attribute names the registry knows (adding them
    // to the registry first when the discovery switches of the run's settings say so), then visible
    // columns for the attributes searched on.
    void addAttributeColumns(const QSet<QString>& returnedAttributeNames, const TBRunSettings& settings,
                             const TBSearchCriteriaPtr& criteria);
    bool addTableColumnForAttribute(const QString& name);
    void updateAttributeColumns();
    void initAttributesColumnsMenu();
    void updateAttributesColumnsMenu();
    void hideAllAttributeColumns();
    void showAllAttributeColumns();
    void toggleAttributeColumnHiddenState(QAction* item);
    void showDNAttributeColumn();
    int numberOfVisibleColumns() const;
    bool isColumnHidden(const QString& identifier) const;
    // Attribute names of the columns in on-screen order, all or only the visible ones.
    QStringList columnIdentifiers(bool visibleOnly = false) const;
    QList<TBExportColumn> exportColumns() const;

    // Text for copy and drag: the visible columns, tab-delimited, after a header line when asked.
    QString pasteboardDataFromRows(const QList<int>& rows, bool includeHeader) const;
    // Puts the selected rows on the clipboard; the header line when Alt is held. Beeps when the
    // clipboard refuses the text.
    bool copySelectedRows(Qt::KeyboardModifiers modifiers);
    // Removes the selected rows from the results (the directory is not touched).
    void deleteSelectedRows();

    // Writes all rows, or the selected ones, in a format of TBExport to path; the delimited
    // formats take the columns in on-screen order, the hidden ones only when visibleColumnsOnly
    // is off. False with the message for the user when the file could not be made or written.
    bool exportEntriesToPath(qint64 format, bool selectedRowsOnly, bool includeAttrNames, bool visibleColumnsOnly,
                             const QString& path, TBExportMessage* message) const;

    // Column order, widths and sort column, kept under this user-defaults key (one of
    // TBPreferences::tableStateKeys(), so resetting the attributes forgets the layout).
    static QString tableStateKey();
    void saveTableState();
    void restoreTableState();

    // TBTableViewDelegate
    Hooks tableViewHooks() const override { return CopyRows | DeleteRows; }
    void copySelectedRowsInTableView(TBTableView* tableView) override;
    void deleteSelectedRowsInTableView(TBTableView* tableView) override;

Q_SIGNALS:
    // The selection changed: the window shows the selected entries' details.
    void selectionChanged();
    // The rows were reordered or some removed; entries() holds them in table order.
    void entriesChanged();
    // Rows were removed by Delete: the window updates its entry count.
    void rowsDeleted();

private:
    void setColumnHidden(int column, bool hidden);
    QString menuTitleForColumn(int column) const;
    QAction* menuItemForColumn(int column) const;
    void sortIndicatorChanged(int section, Qt::SortOrder order);
    void updateSortIndicator();
    void prefsHaveChanged(const TBNotification& notification);
    void attributesHaveChanged(const TBNotification& notification);
    // Columns for the displayed attributes that have none yet.
    void addDisplayedAttributeColumns();
    void applyColumnLayout();

    QPointer<TBTableView> m_tableView;
    TBEntryTableModel* m_model = nullptr;
    QMenu* m_columnsMenu = nullptr;
    QAction* m_hideAllItem = nullptr;
    QAction* m_showAllItem = nullptr;
    int m_layoutGuard = 0; // > 0 while the controller itself changes the header
};
