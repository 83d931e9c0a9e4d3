#pragma once

#include "TBAttribute.h"
#include "TBAttributeItem.h"

// One of the six groups of the outline, titled after its group; its children are its registry
// list's attributes in list order, or one "None Defined" row when the list is empty.
class TBAttributeGroupItem : public TBAttributeItem
{
public:
    TBAttributeGroupItem(TBAttributeItem* parent, qint64 group);

    QString displayedName() const override { return groupTitle(m_itemGroup); }
    // Empties the children and makes them again from the list.
    void makeChildren() override;
    void removeChildren() { m_children.clear(); }
    // The children makeChildren() would make: at least one.
    qsizetype numberOfChildrenToMake() const;
    // Whether the children show the list as it is now (same attributes, same order).
    bool childrenMatchPrefsArray() const;
    // The group's registry list; null for an unknown group or without a registry.
    const TBAttributeList* prefsArray() const;
};
