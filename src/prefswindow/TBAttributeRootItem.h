#pragma once

#include "TBAttributeItem.h"

class TBAttributeGroupItem;

// The outline's invisible root, over the six groups of a registry. The default groups are made
// once: the shipped lists do not change while the application runs.
class TBAttributeRootItem : public TBAttributeItem
{
public:
    explicit TBAttributeRootItem(const TBAttributeRegistry* registry);

    // The first time, the six groups with their children; later, the custom groups' children again.
    void makeChildren() override;
    TBAttributeGroupItem* groupItemForGroup(qint64 group) const;
    const TBAttributeRegistry* registry() const override { return m_registry; }

private:
    const TBAttributeRegistry* m_registry = nullptr;
};
