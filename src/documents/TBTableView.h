#pragma once

#include "TBEditCommands.h"

#include <QModelIndexList>
#include <QPixmap>
#include <QTableView>

class QKeyEvent;
class TBTableView;

// What a table's delegate may take over from its table. Every hook is optional: a delegate says
// which ones it answers in tableViewHooks(), and the table only offers those.
class TBTableViewDelegate
{
public:
    enum Hook {
        CutRows = 0x01,
        CopyRows = 0x02,
        PasteRows = 0x04,
        DeleteRows = 0x08,
        EnterKey = 0x10,
        DragImage = 0x20,
    };
    Q_DECLARE_FLAGS(Hooks, Hook)

    virtual ~TBTableViewDelegate() = default;

    virtual Hooks tableViewHooks() const = 0;
    virtual void cutSelectedRowsInTableView(TBTableView*) { }
    virtual void copySelectedRowsInTableView(TBTableView*) { }
    virtual void pasteSelectedRowsInTableView(TBTableView*) { }
    virtual void deleteSelectedRowsInTableView(TBTableView*) { }
    // Return or Enter; false lets the table handle the key as usual.
    virtual bool tableViewHandlesEnterKey(TBTableView*, QKeyEvent*) { return false; }
    virtual QPixmap dragImageForTableView(TBTableView*, const QList<int>& /*rows*/) { return QPixmap(); }
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TBTableViewDelegate::Hooks)

// The table of every list in the application: whole rows are selected, and the edit commands
// (cut, copy, paste, delete) and Return go to the table's delegate when it answers them.
//
// The edit commands have matching can...() queries, so the Edit menu can enable and perform them
// on whichever table has the focus.
class TBTableView : public QTableView, public TBEditCommands
{
    Q_OBJECT
public:
    explicit TBTableView(QWidget* parent = nullptr);

    TBTableViewDelegate* tableDelegate() const { return m_delegate; }
    // Not owned; the delegate outlives the table or clears itself first.
    void setTableDelegate(TBTableViewDelegate* delegate) { m_delegate = delegate; }

    // Selected rows, ascending.
    QList<int> selectedRows() const;
    bool hasSelection() const;
    int numberOfRows() const;

    // Modifier keys of the event being handled (a key press routed to a command), else those
    // held now.
    Qt::KeyboardModifiers eventModifiers() const;

    bool canCut() const override;
    bool canCopy() const override;
    bool canPaste() const;
    bool canDelete() const override;
    bool canSelectAll() const override;
    bool canSelectNone() const;

public Q_SLOTS:
    void cut() override;
    void copy() override;
    void paste();
    void del() override;
    void selectAll() override;
    void selectNone();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;

private:
    bool answers(TBTableViewDelegate::Hook hook) const;

    TBTableViewDelegate* m_delegate = nullptr;
    Qt::KeyboardModifiers m_eventModifiers;
    bool m_inEvent = false;
};
