#pragma once

#include "TBAttribute.h"
#include "TBEntry.h"

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// The entry table's rows and columns: row i is entry i of the list, column j shows the attribute
// named by its identifier. Cells are worked out from the entry whenever they are drawn; nothing is
// kept per cell, so a hundred thousand rows cost no more than their entries.
//
// Sorting reorders the entry list itself (exports and copies follow the order shown); columns of
// image and binary attributes cannot be sorted on.
class TBEntryTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // The raw value a column sorts on (the tick count of an AD timestamp, not its date text).
    static constexpr int SortValueRole = Qt::UserRole + 1;
    // The column's attribute name, from headerData().
    static constexpr int IdentifierRole = Qt::UserRole + 2;

    struct Column
    {
        QString identifier; // the attribute name shown
        TBAttributePtr attribute; // the registry's definition, null when it has none
        bool imageOrBinary = false;
        bool adTime = false;
        bool adIdentifier = false; // objectGUID or objectSid: bytes with a readable form
    };

    explicit TBEntryTableModel(QObject* parent = nullptr);

    // Entries
    const TBEntryList& entries() const { return m_entries; }
    // Replaces the rows, sorted on the current sort column.
    void setEntries(const TBEntryList& entries);
    TBEntryPtr entryAtRow(int row) const;
    TBEntryList entriesAtRows(const QList<int>& rows) const;
    // Removes these rows (from the list only); the others keep their order.
    void removeEntriesAtRows(const QList<int>& rows);

    // Columns
    const QList<Column>& columns() const { return m_columns; }
    QString identifierAt(int column) const;
    // The column showing that attribute, case ignored; -1 when none.
    int columnForIdentifier(const QString& identifier) const;
    // Appends a column for the attribute unless one shows it already; false then.
    bool appendColumn(const QString& identifier);
    void removeColumnAt(int column);
    void removeAllColumns();
    void setIdentifierAt(int column, const QString& identifier);
    // Takes the attribute kinds and header titles from the registry again, and redraws every cell
    // (for changes of the registry, of friendly names and of AD date settings).
    void refreshColumns();
    bool isSortable(int column) const;

    // Header title of an attribute: its friendly name when friendly names are on and it has one.
    static QString displayName(const QString& attributeName);

    // The sort applied to the rows, and again to every new list; -1 for none.
    int sortColumn() const;
    Qt::SortOrder sortOrder() const { return m_sortOrder; }
    // Forgets the sort column without reordering (a layout restored before the columns exist).
    void setSortIdentifier(const QString& identifier, Qt::SortOrder order);
    QString sortIdentifier() const { return m_sortIdentifier; }

    // The text a drag of these rows carries (see mimeData()).
    void setDragTextProvider(std::function<QString(const QList<int>&)> provider) { m_dragText = std::move(provider); }

    // Cell texts, the tooltip and whether a cell may be opened, as drawn.
    static QString multipleValuesString() { return QStringLiteral("(multiple values)"); }
    static QString existsString() { return QStringLiteral("(exists)"); }
    static QString imageOrBinaryToolTip();
    QString cellText(int row, int column, bool* placeholder = nullptr) const;
    QString toolTip(int row, int column) const;
    bool canOpenCell(int row, int column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

private:
    Column makeColumn(const QString& identifier) const;
    // The readable form of a single well-formed AD identifier; empty otherwise.
    static QString identifierText(const TBEntry& entry, qsizetype index, const Column& column);
    void sortEntries(TBEntryList& entries) const;
    const TBEntry* entryFor(int row, int column, qsizetype* attributeIndex) const;

    TBEntryList m_entries;
    QList<Column> m_columns;
    QString m_sortIdentifier;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    std::function<QString(const QList<int>&)> m_dragText;
};
