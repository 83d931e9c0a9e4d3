#include "TBAttributeNoneItem.h"

TBAttributeNoneItem::TBAttributeNoneItem(TBAttributeItem* parent)
    : TBAttributeItem(parent)
{
    m_itemType = NoneItem;
    m_itemGroup = parent ? parent->itemGroup() : -1;
    m_attributeType = parent ? attributeTypeFromItemGroup(m_itemGroup) : -2;
}
