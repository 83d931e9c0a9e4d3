#pragma once

#include "TBAttributeItem.h"

// The row of an empty group: "None Defined", shown gray and never selected.
class TBAttributeNoneItem : public TBAttributeItem
{
public:
    explicit TBAttributeNoneItem(TBAttributeItem* parent);

    QString displayedName() const override { return QStringLiteral("None Defined"); }
};
