#include "TBModifierKeys.h"

#include <QGuiApplication>

namespace {

std::function<Qt::KeyboardModifiers()>& modifierSource()
{
    static std::function<Qt::KeyboardModifiers()> source;
    return source;
}

} // namespace

Qt::KeyboardModifiers TBModifierKeys::current()
{
    if (modifierSource())
        return modifierSource()();
    return QGuiApplication::queryKeyboardModifiers();
}

void TBModifierKeys::setSource(std::function<Qt::KeyboardModifiers()> source)
{
    modifierSource() = std::move(source);
}
