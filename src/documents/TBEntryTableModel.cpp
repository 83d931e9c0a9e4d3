#include "TBEntryTableModel.h"

#include "TBADValues.h"
#include "TBPreferences.h"
#include "TBTextColors.h"

#include <QMimeData>

#include <algorithm>
#include <limits>
#include <numeric>
#include <vector>

namespace {

const QString kPlainText = QStringLiteral("text/plain");

QString valueText(const TBValue& value)
{
    switch (value.kind()) {
    case TBValue::Text:
        return value.text();
    case TBValue::Picture:
        return QStringLiteral("<image data>");
    case TBValue::Bytes:
        return QStringLiteral("<binary data>");
    case TBValue::Null:
        break;
    }
    return QString();
}

} // namespace

TBEntryTableModel::TBEntryTableModel(QObject* parent)
    : QAbstractTableModel(parent)
{ }

// Entries

void TBEntryTableModel::setEntries(const TBEntryList& entries)
{
    // Rows are removed and inserted rather than reset, so the header keeps its sections' order,
    // widths and hidden states.
    if (!m_entries.isEmpty()) {
        beginRemoveRows(QModelIndex(), 0, int(m_entries.size()) - 1);
        m_entries.clear();
        endRemoveRows();
    }
    TBEntryList sorted = entries;
    sorted.removeAll(TBEntryPtr());
    sortEntries(sorted);
    if (sorted.isEmpty())
        return;
    beginInsertRows(QModelIndex(), 0, int(sorted.size()) - 1);
    m_entries = std::move(sorted);
    endInsertRows();
}

TBEntryPtr TBEntryTableModel::entryAtRow(int row) const
{
    return row >= 0 && row < m_entries.size() ? m_entries.at(row) : TBEntryPtr();
}

TBEntryList TBEntryTableModel::entriesAtRows(const QList<int>& rows) const
{
    TBEntryList list;
    list.reserve(rows.size());
    for (int row : rows) {
        if (TBEntryPtr entry = entryAtRow(row))
            list.append(entry);
    }
    return list;
}

void TBEntryTableModel::removeEntriesAtRows(const QList<int>& rows)
{
    QList<int> sorted = rows;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    // From the bottom up, one block of adjacent rows at a time.
    qsizetype i = sorted.size() - 1;
    while (i >= 0) {
        const int last = sorted.at(i);
        int first = last;
        while (i > 0 && sorted.at(i - 1) == first - 1)
            first = sorted.at(--i);
        --i;
        if (first < 0 || last >= m_entries.size())
            continue;
        beginRemoveRows(QModelIndex(), first, last);
        m_entries.remove(first, last - first + 1);
        endRemoveRows();
    }
}

// Columns

TBEntryTableModel::Column TBEntryTableModel::makeColumn(const QString& identifier) const
{
    const TBPreferences* prefs = TBPreferences::sharedPreferences();
    Column column;
    column.identifier = identifier;
    column.attribute = prefs->attributeWithName(identifier);
    column.imageOrBinary = prefs->isImageOrBinaryAttribute(identifier);
    column.adTime = prefs->isADTimeAttribute(identifier);
    column.adIdentifier = TBADIsIdentifierAttribute(identifier);
    return column;
}

QString TBEntryTableModel::identifierAt(int column) const
{
    return column >= 0 && column < m_columns.size() ? m_columns.at(column).identifier : QString();
}

int TBEntryTableModel::columnForIdentifier(const QString& identifier) const
{
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns.at(i).identifier.compare(identifier, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

bool TBEntryTableModel::appendColumn(const QString& identifier)
{
    if (identifier.isEmpty() || columnForIdentifier(identifier) >= 0)
        return false;
    const int column = int(m_columns.size());
    beginInsertColumns(QModelIndex(), column, column);
    m_columns.append(makeColumn(identifier));
    endInsertColumns();
    return true;
}

void TBEntryTableModel::removeColumnAt(int column)
{
    if (column < 0 || column >= m_columns.size())
        return;
    beginRemoveColumns(QModelIndex(), column, column);
    m_columns.removeAt(column);
    endRemoveColumns();
}

void TBEntryTableModel::removeAllColumns()
{
    if (m_columns.isEmpty())
        return;
    beginRemoveColumns(QModelIndex(), 0, int(m_columns.size()) - 1);
    m_columns.clear();
    endRemoveColumns();
}

void TBEntryTableModel::setIdentifierAt(int column, const QString& identifier)
{
    if (column < 0 || column >= m_columns.size() || identifier.isEmpty())
        return;
    if (m_sortIdentifier.compare(m_columns.at(column).identifier, Qt::CaseInsensitive) == 0)
        m_sortIdentifier = identifier;
    m_columns[column] = makeColumn(identifier);
    Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
    if (!m_entries.isEmpty())
        Q_EMIT dataChanged(index(0, column), index(int(m_entries.size()) - 1, column));
}

void TBEntryTableModel::refreshColumns()
{
    for (Column& column : m_columns)
        column = makeColumn(column.identifier);
    if (m_columns.isEmpty())
        return;
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, int(m_columns.size()) - 1);
    if (!m_entries.isEmpty())
        Q_EMIT dataChanged(index(0, 0), index(int(m_entries.size()) - 1, int(m_columns.size()) - 1));
}

bool TBEntryTableModel::isSortable(int column) const
{
    return column >= 0 && column < m_columns.size() && !m_columns.at(column).imageOrBinary;
}

QString TBEntryTableModel::displayName(const QString& attributeName)
{
    const TBPreferences* prefs = TBPreferences::sharedPreferences();
    if (prefs->showFriendlyAttrs()) {
        const QString friendly = prefs->friendlyNameForAttribute(attributeName);
        if (!friendly.isEmpty())
            return friendly;
    }
    return attributeName;
}

// Sorting

int TBEntryTableModel::sortColumn() const
{
    return m_sortIdentifier.isEmpty() ? -1 : columnForIdentifier(m_sortIdentifier);
}

void TBEntryTableModel::setSortIdentifier(const QString& identifier, Qt::SortOrder order)
{
    m_sortIdentifier = identifier;
    m_sortOrder = order;
}

void TBEntryTableModel::sort(int column, Qt::SortOrder order)
{
    if (!isSortable(column))
        return;
    m_sortIdentifier = m_columns.at(column).identifier;
    m_sortOrder = order;
    if (m_entries.size() < 2)
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QList<int> oldRows;
    if (!before.isEmpty()) {
        // Remember where each entry was, so open editors and the current cell follow it.
        QHash<const TBEntry*, int> rowOf;
        for (int row = 0; row < m_entries.size(); ++row)
            rowOf.insert(m_entries.at(row).get(), row);
        sortEntries(m_entries);
        QList<int> newRowOf(m_entries.size());
        for (int row = 0; row < m_entries.size(); ++row)
            newRowOf[rowOf.value(m_entries.at(row).get())] = row;
        QModelIndexList after;
        after.reserve(before.size());
        for (const QModelIndex& index : before)
            after.append(this->index(newRowOf.at(index.row()), index.column()));
        changePersistentIndexList(before, after);
    } else {
        sortEntries(m_entries);
    }
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TBEntryTableModel::sortEntries(TBEntryList& entries) const
{
    const int column = sortColumn();
    if (!isSortable(column) || entries.size() < 2)
        return;
    const QString& name = m_columns.at(column).identifier;
    const bool descending = m_sortOrder == Qt::DescendingOrder;
    const qsizetype count = entries.size();
    std::vector<qsizetype> order(count);
    std::iota(order.begin(), order.end(), 0);

    // Keys are made once per entry; an entry without the attribute sorts first when ascending.
    if (m_columns.at(column).adTime) {
        std::vector<qint64> keys(count, std::numeric_limits<qint64>::min());
        // Both of AD's "never" come after every date.
        const bool zeroMeansNever = TBADTimestampMeansNever(name, 0);
        for (qsizetype i = 0; i < count; ++i) {
            const TBValue value = entries.at(i)->valueForAttribute(name);
            if (value.isText())
                keys[i] = TBADTimestampValue(value.text());
            if (keys[i] == 0 && zeroMeansNever)
                keys[i] = TBADTimestampNever;
        }
        std::stable_sort(order.begin(), order.end(),
                         [&](qsizetype a, qsizetype b) { return descending ? keys[b] < keys[a] : keys[a] < keys[b]; });
    } else {
        // Case does not separate "alice" from "Bob"; equal keys keep their order.
        std::vector<QString> keys(count);
        for (qsizetype i = 0; i < count; ++i)
            keys[i] = valueText(entries.at(i)->valueForAttribute(name)).toCaseFolded();
        std::stable_sort(order.begin(), order.end(),
                         [&](qsizetype a, qsizetype b) { return descending ? keys[b] < keys[a] : keys[a] < keys[b]; });
    }
    TBEntryList sorted;
    sorted.reserve(count);
    for (qsizetype i : order)
        sorted.append(std::move(entries[i]));
    entries = std::move(sorted);
}

// Cells

const TBEntry* TBEntryTableModel::entryFor(int row, int column, qsizetype* attributeIndex) const
{
    if (row < 0 || row >= m_entries.size() || column < 0 || column >= m_columns.size())
        return nullptr;
    const TBEntry* entry = m_entries.at(row).get();
    const qsizetype index = entry->indexOfAttribute(m_columns.at(column).identifier);
    if (index < 0)
        return nullptr;
    *attributeIndex = index;
    return entry;
}

QString TBEntryTableModel::cellText(int row, int column, bool* placeholder) const
{
    if (placeholder)
        *placeholder = false;
    qsizetype index = -1;
    const TBEntry* entry = entryFor(row, column, &index);
    if (!entry)
        return QString();
    const Column& info = m_columns.at(column);
    const TBValue first = entry->valueAtIndex(index);
    // Raw bytes in a text attribute have no text to show either.
    if (info.imageOrBinary || (!first.isText() && !info.adTime)) {
        const QString readable = identifierText(*entry, index, info);
        if (!readable.isEmpty())
            return readable;
        if (placeholder)
            *placeholder = true;
        return existsString();
    }
    if (info.adTime && TBPreferences::sharedPreferences()->interpretADTimestamps())
        return TBADAttributeTimestampToString(info.identifier, first.text(),
                                              TBPreferences::sharedPreferences()->adDateStyle());
    if (entry->numValuesAtIndex(index) > 1) {
        if (placeholder)
            *placeholder = true;
        return multipleValuesString();
    }
    return valueText(first);
}

QString TBEntryTableModel::imageOrBinaryToolTip()
{
    return QStringLiteral("An image or binary value exists but can't be displayed in the table. "
                          "Look in \u201CDetails\u201D below.");
}

QString TBEntryTableModel::toolTip(int row, int column) const
{
    qsizetype index = -1;
    const TBEntry* entry = entryFor(row, column, &index);
    if (column < 0 || column >= m_columns.size() || row < 0 || row >= m_entries.size())
        return QString();
    const Column& info = m_columns.at(column);
    if (entry && info.imageOrBinary) {
        // The cell shows the identifier, which its width may cut short.
        const QString readable = identifierText(*entry, index, info);
        if (!readable.isEmpty())
            return readable;
    }
    if (info.imageOrBinary)
        return imageOrBinaryToolTip();
    if (!entry)
        return QString();
    if (info.adTime) {
        const QString raw = valueText(entry->valueAtIndex(index));
        const TBADDateStyle style = TBPreferences::sharedPreferences()->adDateStyle();
        return style.interpret ? raw : TBADAttributeTimestampToString(info.identifier, raw, style);
    }
    const qsizetype count = entry->numValuesAtIndex(index);
    const QString rangeNote = TBAttributeRangeNote(entry->attributeAt(index), count);
    if (count < 2)
        return rangeNote.isEmpty() ? QString() : QLatin1Char('(') + rangeNote + QLatin1Char(')');
    const QList<TBValue> values = entry->valuesAtIndex(index);
    QString text;
    if (!rangeNote.isEmpty())
        text += QLatin1Char('(') + rangeNote + QStringLiteral(")\n\n");
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0)
            text += QLatin1Char('\n');
        text += QString::number(i + 1) + QStringLiteral(") ") + valueText(values.at(i));
        const qsizetype remaining = values.size() - (i + 1);
        if (i + 1 >= 3 && remaining > 1) {
            text += QStringLiteral("\n\nPlus %1 more values. Look in \u201CDetails\u201D below.").arg(remaining);
            break;
        }
    }
    return text;
}

bool TBEntryTableModel::canOpenCell(int row, int column) const
{
    qsizetype index = -1;
    const TBEntry* entry = entryFor(row, column, &index);
    if (!entry || entry->numValuesAtIndex(index) != 1)
        return false;
    const Column& info = m_columns.at(column);
    if (info.imageOrBinary)
        return !identifierText(*entry, index, info).isEmpty(); // so it can be selected and copied
    return entry->valueAtIndex(index).isText();
}

QString TBEntryTableModel::identifierText(const TBEntry& entry, qsizetype index, const Column& column)
{
    if (!column.adIdentifier || entry.numValuesAtIndex(index) != 1)
        return QString();
    const TBValue value = entry.valueAtIndex(index);
    return value.isBytes() ? TBADIdentifierToString(column.identifier, value.bytes()) : QString();
}

// Model

int TBEntryTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

int TBEntryTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant TBEntryTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return cellText(index.row(), index.column());
    case Qt::ForegroundRole: {
        bool placeholder = false;
        cellText(index.row(), index.column(), &placeholder);
        return placeholder ? QVariant(TBTextColors::placeholderTextColor()) : QVariant();
    }
    case Qt::ToolTipRole: {
        const QString tip = toolTip(index.row(), index.column());
        return tip.isEmpty() ? QVariant() : QVariant(tip);
    }
    case SortValueRole: {
        qsizetype attribute = -1;
        const TBEntry* entry = entryFor(index.row(), index.column(), &attribute);
        return entry ? QVariant(valueText(entry->valueAtIndex(attribute))) : QVariant();
    }
    default:
        return QVariant();
    }
}

QVariant TBEntryTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    const QString& identifier = m_columns.at(section).identifier;
    switch (role) {
    case Qt::DisplayRole:
        return displayName(identifier);
    case Qt::ToolTipRole: {
        // The whole name, however narrow the column, with the attribute's LDAP name.
        const QString shown = displayName(identifier);
        return shown == identifier ? identifier : QStringLiteral("%1 (%2)").arg(shown, identifier);
    }
    case IdentifierRole:
        return identifier;
    default:
        return QVariant();
    }
}

Qt::ItemFlags TBEntryTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled;
    // An open cell lets its text be selected and copied; nothing is written back.
    if (canOpenCell(index.row(), index.column()))
        flags |= Qt::ItemIsEditable;
    return flags;
}

QStringList TBEntryTableModel::mimeTypes() const
{
    return {kPlainText};
}

QMimeData* TBEntryTableModel::mimeData(const QModelIndexList& indexes) const
{
    QList<int> rows;
    rows.reserve(indexes.size());
    for (const QModelIndex& index : indexes) {
        if (index.isValid())
            rows.append(index.row());
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    auto* data = new QMimeData;
    data->setText(m_dragText ? m_dragText(rows) : QString());
    return data;
}
