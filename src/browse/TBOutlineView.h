#pragma once

#include "TBEditCommands.h"

#include <QTreeView>

class QKeyEvent;
class TBOutlineView;

// What an outline's delegate may take over from its outline. The row commands are optional: a
// delegate says which ones it answers in outlineViewHooks(), and the outline only offers those.
class TBOutlineViewDelegate
{
public:
    enum Hook {
        CutRows = 0x01,
        CopyRows = 0x02,
        PasteRows = 0x04,
        DeleteRows = 0x08,
        EnterKey = 0x10,
    };
    Q_DECLARE_FLAGS(Hooks, Hook)

    virtual ~TBOutlineViewDelegate() = default;

    virtual Hooks outlineViewHooks() const { return {}; }
    virtual void cutSelectedRowsInOutlineView(TBOutlineView*) { }
    virtual void copySelectedRowsInOutlineView(TBOutlineView*) { }
    virtual void pasteSelectedRowsInOutlineView(TBOutlineView*) { }
    virtual void deleteSelectedRowsInOutlineView(TBOutlineView*) { }
    virtual bool outlineViewHandlesEnterKey(TBOutlineView*, QKeyEvent*) { return false; }

    // False keeps the item collapsed (the delegate may expand it later itself).
    virtual bool outlineViewShouldExpandItem(TBOutlineView*, const QModelIndex&) { return true; }
    // False leaves the selection as it is.
    virtual bool outlineViewShouldSelectItem(TBOutlineView*, const QModelIndex&) { return true; }
    virtual void outlineViewSelectionDidChange(TBOutlineView*) { }
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TBOutlineViewDelegate::Hooks)

// The browse window's tree. Expanding and selecting ask the delegate first, whichever way they
// are asked for (mouse, keys, code); the edit commands and Return go to the delegate when it
// answers them, as in the application's tables.
class TBOutlineView : public QTreeView, public TBEditCommands
{
    Q_OBJECT
public:
    explicit TBOutlineView(QWidget* parent = nullptr);

    TBOutlineViewDelegate* outlineDelegate() const { return m_delegate; }
    // Not owned; the delegate outlives the outline or clears itself first.
    void setOutlineDelegate(TBOutlineViewDelegate* delegate) { m_delegate = delegate; }
    void setModel(QAbstractItemModel* model) override;

    // The first selected index (column 0); invalid when nothing is selected.
    QModelIndex selectedIndex() const;
    int numberOfSelectedRows() const;
    // The height of one row, for sizing the pane.
    int rowHeight() const;

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
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;

private:
    bool answers(TBOutlineViewDelegate::Hook hook) const;
    void itemExpanded(const QModelIndex& index);

    TBOutlineViewDelegate* m_delegate = nullptr;
};
