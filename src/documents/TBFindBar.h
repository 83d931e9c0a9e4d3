#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;
class QLineEdit;
class QToolButton;
class TBTextView;

// A find bar under a text pane: type, then Return for the next match, Shift+Return for the
// previous one; Escape or the close button hides it.
class TBFindBar : public QWidget
{
    Q_OBJECT
public:
    explicit TBFindBar(QWidget* parent = nullptr);

    void setTextView(TBTextView* view);
    TBTextView* textView() const { return m_view; }
    QLineEdit* findField() const { return m_field; }

public Q_SLOTS:
    void showAndFocus();
    bool findNext();
    bool findPrevious();
    void closeBar();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool find(bool backwards);

    QPointer<TBTextView> m_view;
    QLineEdit* m_field = nullptr;
    QToolButton* m_previous = nullptr;
    QToolButton* m_next = nullptr;
    QLabel* m_status = nullptr;
};
