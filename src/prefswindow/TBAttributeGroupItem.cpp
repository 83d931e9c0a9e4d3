#include "TBAttributeGroupItem.h"

#include "TBAttributeAttrItem.h"
#include "TBAttributeNoneItem.h"
#include "TBAttributeRegistry.h"

TBAttributeGroupItem::TBAttributeGroupItem(TBAttributeItem* parent, qint64 group)
    : TBAttributeItem(parent)
{
    m_itemType = GroupItem;
    m_itemGroup = group;
    m_attributeType = attributeTypeFromItemGroup(group);
}

const TBAttributeList* TBAttributeGroupItem::prefsArray() const
{
    const TBAttributeRegistry* attributes = registry();
    if (!attributes || m_itemGroup < 0 || m_itemGroup >= NumberOfGroups)
        return nullptr;
    return attributes->allAttributeArrays().at(m_itemGroup);
}

void TBAttributeGroupItem::makeChildren()
{
    m_children.clear();
    const TBAttributeList* list = prefsArray();
    if (!list || list->isEmpty()) {
        m_children.append(std::make_shared<TBAttributeNoneItem>(this));
        return;
    }
    m_children.reserve(list->size());
    for (const TBAttributePtr& attribute : *list)
        m_children.append(std::make_shared<TBAttributeAttrItem>(this, attribute));
}

qsizetype TBAttributeGroupItem::numberOfChildrenToMake() const
{
    const TBAttributeList* list = prefsArray();
    return list && !list->isEmpty() ? list->size() : 1;
}

bool TBAttributeGroupItem::childrenMatchPrefsArray() const
{
    const TBAttributeList* list = prefsArray();
    if (!list || list->isEmpty())
        return m_children.size() == 1 && m_children.first()->itemType() == NoneItem;
    if (m_children.size() != list->size())
        return false;
    for (qsizetype i = 0; i < list->size(); ++i) {
        const auto* item = dynamic_cast<const TBAttributeAttrItem*>(m_children.at(i).get());
        if (!item || item->attribute() != list->at(i))
            return false;
    }
    return true;
}
