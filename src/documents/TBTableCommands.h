#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

#include <functional>

class QAbstractScrollArea;
class QAction;
class QMenu;
class QMessageBox;
class QObject;
class QPushButton;
class QWidget;

// What the windows that edit a list (the preferences tabs, the saved-searches window) share: their
// alerts, their buttons and the context menu of their table.
class TBTableCommands
{
public:
    // A window-modal alert on parent, warning or critical style, deleted once closed; the caller
    // adds buttons and opens it.
    static QMessageBox* alert(QWidget* parent, bool critical, const QString& text, const QString& informative);
    // Opens the alert with a confirming button (first and default; its object name `confirmName`) and
    // "Cancel"; `confirmed` runs when the confirming button is clicked, while `context` lives.
    static QMessageBox* confirm(QWidget* parent, bool critical, const QString& text, const QString& informative,
                                const QString& confirmTitle, const QString& confirmName, QObject* context,
                                std::function<void()> confirmed);
    // A push button that Return in a field does not press.
    static QPushButton* makeButton(const QString& name, const QString& title);
    // A command of a table's context menu, its shortcuts working while the table has the focus; the
    // caller connects it. The menu holds the commands that Alt changes, for window managers that take
    // Alt-clicks.
    static QAction* addTableCommand(QMenu* menu, QWidget* table, const QString& name, const QString& title,
                                    const QList<QKeySequence>& shortcuts = {});
    // Right-clicking the table pops up the menu that `menu` returns, brought up to date.
    static void setTableMenu(QAbstractScrollArea* table, std::function<QMenu*()> menu);
};
