#pragma once

#include "TBPrefsTab.h"

// The "Attributes" tab, the place for editing the registry's attribute definitions and their basic
// and column choices (an outline, its table controller, an edit sheet). Its page is empty so far;
// the two switches for discovered attributes are on the "General" tab.
class TBPrefsAttributesTab : public TBPrefsTab
{
    Q_OBJECT
public:
    explicit TBPrefsAttributesTab(QWidget* parent = nullptr);
};
