#pragma once

#include <QList>
#include <QString>

#include <memory>

class TBAttributeItem;
class TBAttributeRegistry;
using TBAttributeItemPtr = std::shared_ptr<TBAttributeItem>;

// A row of the attributes outline: the root (0), one of its six groups (1), an attribute (2), or
// the "None Defined" row of an empty group (3). An item owns its children; its parent outlives it.
class TBAttributeItem
{
public:
    enum ItemType : qint64 { RootItem = 0, GroupItem = 1, AttrItem = 2, NoneItem = 3 };
    // The six groups, in outline order: the default lists, then the custom ones.
    enum Group : qint64 {
        DefaultAttributes = 0,
        DefaultImageAttributes = 1,
        DefaultBinaryAttributes = 2,
        CustomAttributes = 3,
        CustomImageAttributes = 4,
        CustomBinaryAttributes = 5,
        NumberOfGroups = 6,
    };

    explicit TBAttributeItem(TBAttributeItem* parent = nullptr);
    // The three numbers, the parent and the same children.
    TBAttributeItem(const TBAttributeItem& other);
    TBAttributeItem& operator=(const TBAttributeItem&) = delete;
    virtual ~TBAttributeItem();

    static TBAttributeItemPtr attributeItemWithParent(TBAttributeItem* parent);
    static TBAttributeItemPtr attributeItemWithAttributeItem(const TBAttributeItem& other);

    // The kind of attribute a group holds (groups outside 1 to 5 give text), and the custom group of
    // a kind (text for any kind but image and binary).
    static qint64 attributeTypeFromItemGroup(qint64 group);
    static qint64 itemGroupFromAttributeType(qint64 attributeType);
    // "Default Attributes" ... "Custom Binary Attributes"; "Unknown Group?" outside 0 to 5.
    static QString groupTitle(qint64 group);

    qint64 itemType() const { return m_itemType; }
    qint64 itemGroup() const { return m_itemGroup; }
    qint64 attributeType() const { return m_attributeType; }
    TBAttributeItem* parent() const { return m_parent; }

    qsizetype numberOfChildren() const { return m_children.size(); }
    TBAttributeItem* childAtIndex(qsizetype index) const;
    qsizetype indexForChild(const TBAttributeItem* child) const; // by identity; -1 when absent
    const QList<TBAttributeItemPtr>& children() const { return m_children; }

    virtual QString displayedName() const { return QString(); }
    virtual QString displayedFriendlyName() const { return QString(); }
    virtual void makeChildren() { }
    virtual bool isDefaultAttr() const { return false; }
    // Where the groups read their lists: the root's registry.
    virtual const TBAttributeRegistry* registry() const;
    QString description() const;

protected:
    qint64 m_itemType = -1;
    qint64 m_itemGroup = -1;
    qint64 m_attributeType = -2;
    TBAttributeItem* m_parent = nullptr;
    QList<TBAttributeItemPtr> m_children;
};
