#include "TBEntryItem.h"

#include <QTest>

// The browse tree's node: real nodes against the placeholder, ordering of children, and what
// the details show before and after a read.
class tst_TBEntryItem : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void realNodeAndPlaceholder();
    void sortChildren_data();
    void sortChildren();
    void infoFollowsTheRead();
};

void tst_TBEntryItem::realNodeAndPlaceholder()
{
    TBEntryItem root(QStringLiteral("dc=tamblin,dc=test"), QStringLiteral("Sample"));
    QVERIFY(!root.isLeaf());
    QCOMPARE(root.numberOfChildren(), 0);
    QVERIFY(!root.haveBrowsed());
    QVERIFY(!root.haveSearched());
    QVERIFY(!root.parent());
    QCOMPARE(root.displayedName(), QStringLiteral("Sample"));
    // An empty DN is still a real node (a directory whose search base is the root DSE).
    TBEntryItem empty(QStringLiteral(""), QStringLiteral("x"));
    QVERIFY(!empty.isLeaf());

    TBEntryItem* child
        = TBEntryItem::makeChild(QStringLiteral("ou=Empty,dc=tamblin,dc=test"), QStringLiteral("ou=Empty"), &root);
    QCOMPARE(root.numberOfChildren(), 1);
    QCOMPARE(root.childAtIndex(0), child);
    QVERIFY(!root.childAtIndex(1));
    QVERIFY(!root.childAtIndex(-1));
    QCOMPARE(child->parent(), &root);

    child->addChild(TBEntryItem::placeholder());
    TBEntryItem* placeholder = child->childAtIndex(0);
    QVERIFY(placeholder);
    QVERIFY(placeholder->isLeaf());
    QCOMPARE(placeholder->numberOfChildren(), qsizetype(-1));
    QCOMPARE(placeholder->dn(), QString());
    QCOMPARE(placeholder->displayedName(), QStringLiteral("n/a"));
    QVERIFY(placeholder->haveBrowsed());
    QVERIFY(placeholder->haveSearched());
    QVERIFY(!placeholder->info());
    QCOMPARE(placeholder->infoWithoutAttachments().plainText(), QStringLiteral("Info not fetched?"));
    // Nothing hangs below a leaf.
    QVERIFY(!TBEntryItem::makeChild(QStringLiteral("cn=x"), QStringLiteral("cn=x"), placeholder));
    placeholder->addChild(std::make_unique<TBEntryItem>(QStringLiteral("cn=y"), QStringLiteral("cn=y")));
    QCOMPARE(placeholder->numberOfChildren(), qsizetype(-1));
    QVERIFY(!placeholder->childAtIndex(0));
}

void tst_TBEntryItem::sortChildren_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("sorted");

    QTest::newRow("case first") << QStringList {"b", "B", "a"} << QStringList {"B", "a", "b"};
    QTest::newRow("prefixes and digits") << QStringList {"cn=item10", "cn=item2", "cn=item1", "cn=item"}
                                         << QStringList {"cn=item", "cn=item1", "cn=item10", "cn=item2"};
    QTest::newRow("accents after ascii") << QStringList {"ou=Zürich", "ou=Zurich", "ou=Ångström"}
                                         << QStringList {"ou=Zurich", "ou=Zürich", "ou=Ångström"};
}

void tst_TBEntryItem::sortChildren()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, sorted);
    TBEntryItem root(QStringLiteral("dc=test"), QStringLiteral("test"));
    for (const QString& name : names)
        TBEntryItem::makeChild(name + QStringLiteral(",dc=test"), name, &root);
    root.sortChildren();
    QStringList got;
    for (int i = 0; i < root.numberOfChildren(); ++i) {
        // The row a child reports is where it now stands: the tree's model finds parents by it.
        QCOMPARE(root.childAtIndex(i)->row(), i);
        got.append(root.childAtIndex(i)->name());
    }
    QCOMPARE(got, sorted);
}

void tst_TBEntryItem::infoFollowsTheRead()
{
    TBEntryItem item(QStringLiteral("uid=alice,ou=People,dc=tamblin,dc=test"), QStringLiteral("uid=alice"));
    QVERIFY(item.info());
    QCOMPARE(item.info()->plainText(), QStringLiteral("Info not fetched?"));

    TBEntryPtr entry = TBEntry::entry();
    entry->setDn(item.dn());
    entry->addAttribute(QStringLiteral("uid"), QStringLiteral("alice"));
    item.setEntry(entry);
    // An entry alone is not enough: the read must have finished.
    QCOMPARE(item.info()->plainText(), QStringLiteral("Info not fetched?"));
    item.setHaveSearched(true);
    QVERIFY(item.info()->plainText().contains(QStringLiteral("alice")));
    QVERIFY(item.infoWithoutAttachments().plainText().contains(QStringLiteral("alice")));

    // A forced re-read clears the entry until the new one arrives.
    item.setEntry(nullptr);
    QCOMPARE(item.info()->plainText(), QStringLiteral("Info not fetched?"));
}

QTEST_MAIN(tst_TBEntryItem)
#include "tst_TBEntryItem.moc"
