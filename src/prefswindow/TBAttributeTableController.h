#pragma once

#include "TBAttributeItem.h"

#include <QAbstractItemModel>
#include <QList>
#include <QPointer>
#include <QTreeView>

#include <memory>

class TBAttributeAttrItem;
class TBAttributeGroupItem;
class TBAttributeRootItem;
class TBPrefsAttributesTab;

// Model of the attributes outline: the six groups of the attribute registry with their rows, in
// the columns "Attribute Name", "Friendly Name", "Basic Attribute" and "Show Column" (check boxes,
// on attribute rows only). Only attribute rows can be selected. A click in a check-box column
// toggles every selected row the same way, without changing the selection; Space toggles the box
// of the current cell; Return edits the current row. Groups remember whether they are expanded.
class TBAttributeTableController : public QAbstractItemModel
{
    Q_OBJECT
public:
    enum Column {
        AttributeNameColumn = 0,
        FriendlyNameColumn = 1,
        BasicAttributeColumn = 2,
        ShowColumnColumn = 3,
        NumberOfColumns = 4,
    };
    // Longer names are cut for display: a name from a server can be of any length.
    static constexpr qsizetype maximumShownLength = 256;

    explicit TBAttributeTableController(TBPrefsAttributesTab* attributesTab);
    ~TBAttributeTableController() override;

    // Sets up the outline for this model and expands the groups whose preference says so.
    void setAttributesTable(QTreeView* table);
    QTreeView* attributesTable() const { return m_attributesTable; }
    TBAttributeRootItem* rootAttrItem() const { return m_rootAttrItem.get(); }

    TBAttributeItem* itemForIndex(const QModelIndex& index) const;
    QModelIndex indexForItem(const TBAttributeItem* item, int column = 0) const;

    // Makes the custom groups' rows again where their lists changed and redraws every row.
    void reloadCustomAttributes();
    TBAttributeGroupItem* groupItemForGroup(qint64 group) const;
    // The custom group of a kind.
    TBAttributeGroupItem* groupItemForAttributeType(qint64 attributeType) const;
    // Expands the group and remembers it; numbers outside 0 to 5 are ignored.
    void expandAttributeItemGroup(qint64 group);
    void toggleAttributeItemGroup(qint64 group);
    bool isGroupExpanded(qint64 group) const;
    // Selects the first visible row of the attribute with that identifier and scrolls to it.
    void selectItemWithAttributeID(qint64 attributeID, bool extendSelection);

    // The selected attribute rows, top to bottom.
    QList<TBAttributeAttrItem*> selectedAttributeItems() const;
    bool anySelectedItemIsDeletable() const;
    bool selectedItemIsDeletable() const;
    bool selectedItemIsEditable() const;

    // The tool tip of a "Basic Attribute" box.
    static QString basicAttributeToolTip(const QString& name, bool basic);
    // A name as shown: cut to maximumShownLength, isolated when it could turn the text around it.
    static QString shownName(const QString& name);

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

Q_SIGNALS:
    void selectionChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Shows each group expanded or collapsed as its preference says.
    void applyExpandedStates();
    void groupExpansionChanged(const QModelIndex& index, bool expanded);
    void redrawAll();
    // The attribute row of a check-box cell at a point of the viewport; invalid elsewhere.
    QModelIndex checkBoxCellAt(const QPoint& position) const;
    bool isAttributeRow(const QModelIndex& index) const;
    bool isChecked(const TBAttributeAttrItem* item, int column) const;

    TBPrefsAttributesTab* m_attributesTab = nullptr;
    QPointer<QTreeView> m_attributesTable;
    std::unique_ptr<TBAttributeRootItem> m_rootAttrItem;
    int m_applyingStates = 0; // > 0 while expansions come from the preferences, not the user
};
