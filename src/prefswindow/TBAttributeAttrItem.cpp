#include "TBAttributeAttrItem.h"

TBAttributeAttrItem::TBAttributeAttrItem(TBAttributeItem* parent, const TBAttributePtr& attribute)
    : TBAttributeItem(parent)
    , m_attribute(attribute)
{
    m_itemType = AttrItem;
    m_itemGroup = parent ? parent->itemGroup() : CustomAttributes;
    m_attributeType = attributeTypeFromItemGroup(m_itemGroup);
}

QString TBAttributeAttrItem::displayedName() const
{
    return m_attribute ? m_attribute->attributeName() : m_name;
}

QString TBAttributeAttrItem::displayedFriendlyName() const
{
    return m_attribute ? m_attribute->friendlyName() : m_friendlyName;
}

bool TBAttributeAttrItem::isDefaultAttr() const
{
    return m_attribute && m_attribute->defaultAttr();
}
