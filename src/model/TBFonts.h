#pragma once

#include <QColor>
#include <QTextCharFormat>
#include <QTextOption>

#include <atomic>

// The shared text styles: character formats for entry text, tool output, printing and table
// placeholders, and the two tab layouts. One instance per process; each style is made on first
// request and kept. Needs a QGuiApplication (the fonts come from the platform theme).
class TBFonts
{
public:
    static TBFonts* sharedInstance();

    // Screen: the user's general font at its default size, its bold form, and the fixed-pitch font.
    static const QTextCharFormat& displayFontAttributes();
    static const QTextCharFormat& displayBoldFontAttributes();
    static const QTextCharFormat& displayFixedFontAttributes();
    // Printing: the general font at 10 points, bold at 10 points, fixed-pitch at 9 points.
    static const QTextCharFormat& printFontAttributes();
    static const QTextCharFormat& printBoldFontAttributes();
    static const QTextCharFormat& printFixedFontAttributes();
    // The general font at its default size in light gray (placeholders) or red (warnings).
    static const QTextCharFormat& grayFontAttributes();
    static const QTextCharFormat& redFontAttributes();
    // No explicit tab stops, a default tab interval of 36 (18) points, lines not wrapped.
    static const QTextOption& halfInchTabAttributes();
    static const QTextOption& quarterInchTabAttributes();

    static QColor grayTextColor();
    static QColor redTextColor();

    TBFonts(const TBFonts&) = delete;
    TBFonts& operator=(const TBFonts&) = delete;

private:
    TBFonts();
    struct Styles;
    const Styles& styles();

    std::atomic<Styles*> m_styles {nullptr};
};
