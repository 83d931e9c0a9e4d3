#pragma once

#include <QColor>

#include <algorithm>
#include <cmath>

namespace TBTestSupport {

// WCAG's contrast ratio of two colours, 1 (the same) to 21 (black on white); text reads well from
// 4.5 on.
inline qreal contrast(const QColor& a, const QColor& b)
{
    const auto luminance = [](const QColor& c) {
        const auto channel = [](qreal v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const qreal x = luminance(a) + 0.05;
    const qreal y = luminance(b) + 0.05;
    return std::max(x, y) / std::min(x, y);
}

} // namespace TBTestSupport
