#include "TBAttributeRootItem.h"

#include "TBAttributeGroupItem.h"

TBAttributeRootItem::TBAttributeRootItem(const TBAttributeRegistry* registry)
    : m_registry(registry)
{
    m_itemType = RootItem;
}

void TBAttributeRootItem::makeChildren()
{
    if (m_children.isEmpty()) {
        for (qint64 group = DefaultAttributes; group < NumberOfGroups; ++group) {
            auto item = std::make_shared<TBAttributeGroupItem>(this, group);
            item->makeChildren();
            m_children.append(item);
        }
        return;
    }
    for (qint64 group = CustomAttributes; group < NumberOfGroups; ++group) {
        if (TBAttributeGroupItem* item = groupItemForGroup(group))
            item->makeChildren();
    }
}

TBAttributeGroupItem* TBAttributeRootItem::groupItemForGroup(qint64 group) const
{
    return static_cast<TBAttributeGroupItem*>(childAtIndex(group));
}
