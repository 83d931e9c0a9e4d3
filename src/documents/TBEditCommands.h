#pragma once

class QWidget;

// The Edit menu's Cut, Copy, Delete and Select All as a widget answers them. The text panes, the
// tables and the browse outline implement it; a window sends the menu's commands to its focused
// widget through canPerform() and perform(), which answer for Qt's line edits too.
class TBEditCommands
{
public:
    enum Command { Cut, Copy, Delete, SelectAll };

    virtual ~TBEditCommands() = default;

    virtual bool canCut() const = 0;
    virtual bool canCopy() const = 0;
    virtual bool canDelete() const = 0;
    virtual bool canSelectAll() const = 0;
    virtual void cut() = 0;
    virtual void copy() = 0;
    virtual void del() = 0;
    virtual void selectAll() = 0;

    // Whether the widget can perform the command now; false for none and for a widget without
    // edit commands.
    static bool canPerform(const QWidget* widget, Command command);
    // Performs the command when the widget can.
    static void perform(QWidget* widget, Command command);
};
