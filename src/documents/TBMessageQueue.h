#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <utility>

class QMessageBox;
class QWidget;

// A window's message sheets: one sheet at a time, a message raised while one is up waits for it
// to close; and the deferred message that code running under another panel (an export's save
// panel) leaves to be shown once that panel has closed.
class TBMessageQueue : public QObject
{
    Q_OBJECT
public:
    explicit TBMessageQueue(QWidget* window);

    // A null or empty argument counts as absent; with neither, only a beep. The sheet keeps its
    // title and text in the properties "messageTitle" and "messageText".
    void displayMessageText(const QString& text, const QString& title);
    QMessageBox* messageSheet() const;

    void setTheDeferredMessage(const QString& text, const QString& title);
    void displayTheDeferredMessage();

Q_SIGNALS:
    // A sheet was dismissed (before the next waiting one opens).
    void messageSheetEnded();

private:
    QWidget* m_window;
    QPointer<QMessageBox> m_messageSheet;
    QList<std::pair<QString, QString>> m_waitingMessages;
    QString m_deferredMessageText;
    QString m_deferredMessageTitle;
};
