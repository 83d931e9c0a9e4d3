#include "TBAttributeItem.h"

TBAttributeItem::TBAttributeItem(TBAttributeItem* parent)
    : m_parent(parent)
{ }

TBAttributeItem::TBAttributeItem(const TBAttributeItem& other)
    : m_itemType(other.m_itemType)
    , m_itemGroup(other.m_itemGroup)
    , m_attributeType(other.m_attributeType)
    , m_parent(other.m_parent)
    , m_children(other.m_children)
{ }

TBAttributeItem::~TBAttributeItem() = default;

TBAttributeItemPtr TBAttributeItem::attributeItemWithParent(TBAttributeItem* parent)
{
    return std::make_shared<TBAttributeItem>(parent);
}

TBAttributeItemPtr TBAttributeItem::attributeItemWithAttributeItem(const TBAttributeItem& other)
{
    return std::make_shared<TBAttributeItem>(other);
}

qint64 TBAttributeItem::attributeTypeFromItemGroup(qint64 group)
{
    switch (group) {
    case DefaultImageAttributes:
    case CustomImageAttributes:
        return 1;
    case DefaultBinaryAttributes:
    case CustomBinaryAttributes:
        return 2;
    default:
        return 0;
    }
}

qint64 TBAttributeItem::itemGroupFromAttributeType(qint64 attributeType)
{
    if (attributeType == 1)
        return CustomImageAttributes;
    if (attributeType == 2)
        return CustomBinaryAttributes;
    return CustomAttributes;
}

QString TBAttributeItem::groupTitle(qint64 group)
{
    switch (group) {
    case DefaultAttributes:
        return QStringLiteral("Default Attributes");
    case DefaultImageAttributes:
        return QStringLiteral("Default Image Attributes");
    case DefaultBinaryAttributes:
        return QStringLiteral("Default Binary Attributes");
    case CustomAttributes:
        return QStringLiteral("Custom Attributes");
    case CustomImageAttributes:
        return QStringLiteral("Custom Image Attributes");
    case CustomBinaryAttributes:
        return QStringLiteral("Custom Binary Attributes");
    default:
        return QStringLiteral("Unknown Group?");
    }
}

TBAttributeItem* TBAttributeItem::childAtIndex(qsizetype index) const
{
    return index >= 0 && index < m_children.size() ? m_children.at(index).get() : nullptr;
}

qsizetype TBAttributeItem::indexForChild(const TBAttributeItem* child) const
{
    for (qsizetype i = 0; i < m_children.size(); ++i) {
        if (m_children.at(i).get() == child)
            return i;
    }
    return -1;
}

const TBAttributeRegistry* TBAttributeItem::registry() const
{
    return m_parent ? m_parent->registry() : nullptr;
}

QString TBAttributeItem::description() const
{
    return QStringLiteral("itemType:      %1\n").arg(m_itemType)
        + QStringLiteral("itemGroup:     %1\n").arg(m_itemGroup)
        + QStringLiteral("attributeType: %1").arg(m_attributeType);
}
