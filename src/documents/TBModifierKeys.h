#pragma once

#include <Qt>

#include <functional>

// The modifier keys held now (Alt, Ctrl, Shift change what a command does), from the system or
// from a source that tests set.
class TBModifierKeys
{
public:
    static Qt::KeyboardModifiers current();
    // An empty source goes back to the system's.
    static void setSource(std::function<Qt::KeyboardModifiers()> source);
};
