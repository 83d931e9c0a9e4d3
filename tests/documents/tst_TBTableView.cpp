#include "TBTableView.h"

#include <QKeyEvent>
#include <QStandardItemModel>
#include <QTest>

namespace {

// Records what the table hands over.
class Delegate : public TBTableViewDelegate
{
public:
    Hooks hooks;
    bool handlesEnter = true;
    QStringList calls;

    Hooks tableViewHooks() const override { return hooks; }
    void cutSelectedRowsInTableView(TBTableView*) override { calls.append(QStringLiteral("cut")); }
    void copySelectedRowsInTableView(TBTableView* table) override
    {
        calls.append(table->eventModifiers().testFlag(Qt::AltModifier) ? QStringLiteral("alt-copy")
                                                                       : QStringLiteral("copy"));
    }
    void pasteSelectedRowsInTableView(TBTableView*) override { calls.append(QStringLiteral("paste")); }
    void deleteSelectedRowsInTableView(TBTableView*) override { calls.append(QStringLiteral("delete")); }
    bool tableViewHandlesEnterKey(TBTableView*, QKeyEvent* event) override
    {
        calls.append(event->key() == Qt::Key_Enter ? QStringLiteral("enter") : QStringLiteral("return"));
        return handlesEnter;
    }
};

} // namespace

// The table routes edit commands and Return to its delegate, and only offers what the delegate answers.
class tst_TBTableView : public QObject
{
    Q_OBJECT

    QStandardItemModel m_model {3, 2};

private Q_SLOTS:
    void commandsFollowTheDelegate_data()
    {
        QTest::addColumn<int>("hooks");
        QTest::addColumn<bool>("selection");
        QTest::addColumn<QStringList>("calls");

        const int all = TBTableViewDelegate::CutRows | TBTableViewDelegate::CopyRows | TBTableViewDelegate::PasteRows
            | TBTableViewDelegate::DeleteRows;
        QTest::newRow("all, selection") << all << true << QStringList({"cut", "copy", "alt-copy", "paste", "delete"});
        // Paste needs no selection; the others do.
        QTest::newRow("all, no selection") << all << false << QStringList {"paste"};
        QTest::newRow("copy and delete only") << int(TBTableViewDelegate::CopyRows | TBTableViewDelegate::DeleteRows)
                                              << true << QStringList({"copy", "alt-copy", "delete"});
        QTest::newRow("none") << 0 << true << QStringList();
    }

    void commandsFollowTheDelegate()
    {
        QFETCH(int, hooks);
        QFETCH(bool, selection);
        QFETCH(QStringList, calls);

        Delegate delegate;
        delegate.hooks = TBTableViewDelegate::Hooks(hooks);
        TBTableView table;
        table.setModel(&m_model);
        table.setTableDelegate(&delegate);
        if (selection)
            table.selectRow(1);
        QCOMPARE(table.canCopy(), selection && (hooks & TBTableViewDelegate::CopyRows));
        QCOMPARE(table.canPaste(), bool(hooks & TBTableViewDelegate::PasteRows));

        QTest::keyClick(&table, Qt::Key_X, Qt::ControlModifier);
        QTest::keyClick(&table, Qt::Key_C, Qt::ControlModifier);
        QTest::keyClick(&table, Qt::Key_C, Qt::ControlModifier | Qt::AltModifier);
        QTest::keyClick(&table, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(&table, Qt::Key_Delete);
        QCOMPARE(delegate.calls, calls);
    }

    void returnGoesToTheDelegate()
    {
        Delegate delegate;
        TBTableView table;
        table.setModel(&m_model);
        table.setTableDelegate(&delegate);
        table.setCurrentIndex(m_model.index(0, 0));

        // Without the hook the table keeps the keys.
        QTest::keyClick(&table, Qt::Key_Return);
        QVERIFY(delegate.calls.isEmpty());

        delegate.hooks = TBTableViewDelegate::EnterKey;
        QTest::keyClick(&table, Qt::Key_Return);
        QTest::keyClick(&table, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(delegate.calls, QStringList({"return", "enter"}));
        // A delegate that declines leaves the key to the table.
        delegate.handlesEnter = false;
        QTest::keyClick(&table, Qt::Key_Return);
        QCOMPARE(delegate.calls.size(), 3);
    }

    void selectAllAndNone()
    {
        TBTableView table;
        QStandardItemModel empty;
        table.setModel(&empty);
        QVERIFY(!table.canSelectAll());

        table.setModel(&m_model);
        QVERIFY(table.canSelectAll());
        QVERIFY(!table.canSelectNone());
        QTest::keyClick(&table, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(table.selectedRows(), QList<int>({0, 1, 2}));
        QVERIFY(table.canSelectNone());
        table.selectNone();
        QVERIFY(!table.hasSelection());
    }
};

QTEST_MAIN(tst_TBTableView)
#include "tst_TBTableView.moc"
