#include "TBSplitViewSizes.h"

#include "TBPreferences.h"

#include <QEvent>
#include <QSplitter>

TBSplitViewSizes::TBSplitViewSizes(QSplitter* splitView, std::function<int()> leastTopHeight)
    : QObject(splitView)
    , m_splitView(splitView)
    , m_leastTopHeight(std::move(leastTopHeight))
{
    m_splitView->handle(1)->installEventFilter(this);
    connect(m_splitView, &QSplitter::splitterMoved, this, &TBSplitViewSizes::subviewsResized);
}

bool TBSplitViewSizes::bottomCollapsed() const
{
    return m_splitView->sizes().value(1) == 0;
}

void TBSplitViewSizes::toggleBottomCollapsed()
{
    const QList<int> sizes = m_splitView->sizes();
    const int total = sizes.value(0) + sizes.value(1);
    if (bottomCollapsed()) {
        int bottom = m_sizesBeforeCollapse.value(1, 220);
        bottom = qBound(100, bottom, qMax(100, total - m_leastTopHeight()));
        m_splitView->setSizes({total - bottom, bottom});
    } else {
        m_sizesBeforeCollapse = sizes;
        m_splitView->setSizes({total, 0});
    }
    Q_EMIT subviewsResized();
}

bool TBSplitViewSizes::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_splitView->handle(1) && event->type() == QEvent::MouseButtonDblClick) {
        toggleBottomCollapsed();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

std::optional<TBSplitViewSizes::Heights> TBSplitViewSizes::storedHeights(const Keys& keys)
{
    const TBPreferences* prefs = TBPreferences::sharedPreferences();
    const Heights heights {(prefs->*keys.top)(), (prefs->*keys.bottom)()};
    if (keys.unset(heights.top) || keys.unset(heights.bottom))
        return std::nullopt;
    return heights;
}

void TBSplitViewSizes::storeHeights(const Keys& keys, const Heights& heights)
{
    TBPreferences* prefs = TBPreferences::sharedPreferences();
    (prefs->*keys.setTop)(heights.top);
    (prefs->*keys.setBottom)(heights.bottom);
}

void TBSplitViewSizes::applyHeights(QWidget* window, const Heights& heights)
{
    const QList<int> sizes = m_splitView->sizes();
    const int extra = int(heights.top + heights.bottom) - (sizes.value(0) + sizes.value(1));
    if (extra > 0)
        window->resize(window->width(), window->height() + extra);
    m_splitView->setSizes({int(heights.top), int(heights.bottom)});
}
