#pragma once

#include <QColor>
#include <QPalette>

// The colour of secondary text in the windows (placeholders such as "(multiple values)" and
// "n/a", the build line of the about window), taken from the palette in use so that it reads on
// a light desktop and a dark one alike. Printing keeps the fixed gray of TBFonts.
class TBTextColors
{
public:
    // Between the palette's text and base colours, nearer the text: plainly secondary, and with
    // enough contrast against the base to read.
    static QColor placeholderTextColor(const QPalette& palette);
    // The same for the application's palette, which the views use.
    static QColor placeholderTextColor();
};
