#pragma once

#include <QWidget>

class QPushButton;
class QStackedWidget;
class QTabBar;
class TBDetailsTextView;
class TBFindBar;
class TBTextView;

// The bottom pane of a window's split view: the Details and Output tabs (identifiers "Details"
// and "Output") with their text panes, the Clear Output button, and the find bar, which searches
// the pane shown.
class TBDetailsOutputBox : public QWidget
{
    Q_OBJECT
public:
    explicit TBDetailsOutputBox(QWidget* parent = nullptr);

    TBDetailsTextView* detailsText() const { return m_detailsText; }
    TBTextView* commandOutputText() const { return m_commandOutputText; }
    TBFindBar* findBar() const { return m_findBar; }

    // 0 while Details shows, 1 while Output shows.
    int currentTabView() const;
    void showDetailsText();
    void showOutputText();
    // Shows the Output tab scrolled to its end, where the command just run and its output are.
    void showNewOutputText();
    // The tab bar's segment: 0 Details, 1 Output, anything else only a beep.
    void selectTextTab(int segment);
    void showFindBar();

Q_SIGNALS:
    void textTabChanged();
    // The output was appended to or cleared.
    void outputChanged();

private:
    QTabBar* m_textSegmentedControl = nullptr;
    QPushButton* m_clearTextButton = nullptr;
    QStackedWidget* m_textTabView = nullptr;
    TBDetailsTextView* m_detailsText = nullptr;
    TBTextView* m_commandOutputText = nullptr;
    TBFindBar* m_findBar = nullptr;
};
