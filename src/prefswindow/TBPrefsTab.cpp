#include "TBPrefsTab.h"

#include "TBModifierKeys.h"
#include "TBPreferences.h"

TBPrefsTab::TBPrefsTab(const QString& identifier, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(identifier);
}

void TBPrefsTab::setModifierSource(ModifierSource source)
{
    TBModifierKeys::setSource(std::move(source));
}

Qt::KeyboardModifiers TBPrefsTab::currentModifiers()
{
    return TBModifierKeys::current();
}

TBPreferences* TBPrefsTab::prefs()
{
    return TBPreferences::sharedPreferences();
}

void TBPrefsTab::savePreferences()
{
    prefs()->savePrefs();
}
