#pragma once

#include <QList>
#include <QObject>

#include <functional>
#include <optional>

class QSplitter;
class QWidget;
class TBPreferences;

// The heights of a window's two panes: the bottom pane collapses and comes back on a double click
// on the divider, and each kind of window keeps its pane heights in the preferences, under its
// own keys, to open with them next time.
class TBSplitViewSizes : public QObject
{
    Q_OBJECT
public:
    // Where a kind of window keeps its heights, and which stored height means "none yet".
    struct Keys
    {
        qint64 (TBPreferences::*top)() const;
        void (TBPreferences::*setTop)(qint64);
        qint64 (TBPreferences::*bottom)() const;
        void (TBPreferences::*setBottom)(qint64);
        bool (*unset)(qint64 height);
    };
    struct Heights
    {
        qint64 top = 0;
        qint64 bottom = 0;
    };

    // leastTopHeight: the top pane's minimum, which an expanded bottom pane leaves it.
    TBSplitViewSizes(QSplitter* splitView, std::function<int()> leastTopHeight);

    bool bottomCollapsed() const;
    void toggleBottomCollapsed();

    static std::optional<Heights> storedHeights(const Keys& keys);
    static void storeHeights(const Keys& keys, const Heights& heights);
    // Gives the panes these heights, growing the window first when they do not fit in it.
    void applyHeights(QWidget* window, const Heights& heights);

Q_SIGNALS:
    // The divider was dragged, or the bottom pane collapsed or came back.
    void subviewsResized();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QSplitter* m_splitView;
    std::function<int()> m_leastTopHeight;
    QList<int> m_sizesBeforeCollapse;
};
