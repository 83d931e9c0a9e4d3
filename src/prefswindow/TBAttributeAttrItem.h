#pragma once

#include "TBAttribute.h"
#include "TBAttributeItem.h"

// An attribute row. Without an attribute it shows its own texts, "newattribute" and "New
// Attribute". Without a parent it stands for a custom text attribute.
class TBAttributeAttrItem : public TBAttributeItem
{
public:
    explicit TBAttributeAttrItem(TBAttributeItem* parent = nullptr, const TBAttributePtr& attribute = nullptr);

    const TBAttributePtr& attribute() const { return m_attribute; }
    void setAttribute(const TBAttributePtr& attribute) { m_attribute = attribute; }
    const QString& name() const { return m_name; }
    void setName(const QString& name) { m_name = name; }
    const QString& friendlyName() const { return m_friendlyName; }
    void setFriendlyName(const QString& friendlyName) { m_friendlyName = friendlyName; }

    QString displayedName() const override;
    QString displayedFriendlyName() const override;
    bool isDefaultAttr() const override;

private:
    TBAttributePtr m_attribute;
    QString m_name = QStringLiteral("newattribute");
    QString m_friendlyName = QStringLiteral("New Attribute");
};
