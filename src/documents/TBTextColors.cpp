#include "TBTextColors.h"

#include <QGuiApplication>

QColor TBTextColors::placeholderTextColor(const QPalette& palette)
{
    const QColor text = palette.color(QPalette::Active, QPalette::Text);
    const QColor base = palette.color(QPalette::Active, QPalette::Base);
    constexpr qreal towardText = 0.6;
    const auto mix = [](qreal a, qreal b) { return a * towardText + b * (1 - towardText); };
    return QColor::fromRgbF(float(mix(text.redF(), base.redF())), float(mix(text.greenF(), base.greenF())),
                            float(mix(text.blueF(), base.blueF())));
}

QColor TBTextColors::placeholderTextColor()
{
    return placeholderTextColor(QGuiApplication::palette());
}
