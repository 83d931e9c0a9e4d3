#include "TBAttributeItem.h"

#include "TBAttributeAttrItem.h"
#include "TBAttributeGroupItem.h"
#include "TBAttributeNoneItem.h"
#include "TBAttributeRegistry.h"
#include "TBAttributeRootItem.h"
#include "TBTestSupport.h"

#include <QtTest>

// The outline's items: the root over the six groups, attribute rows and "None Defined" rows.
class tst_TBAttributeItem : public QObject
{
    Q_OBJECT

    static TBAttributePtr custom(const QString& name, qint64 kind)
    {
        auto attribute = TBAttribute::attribute();
        attribute->setAttributeName(name);
        attribute->setAttributeType(kind);
        return attribute;
    }

private Q_SLOTS:
    void initTestCase() { TBTestSupport::useScratchConfig(); }

    void groupsAndKinds_data()
    {
        QTest::addColumn<qint64>("group");
        QTest::addColumn<qint64>("kind");
        QTest::addColumn<QString>("title");
        QTest::newRow("0") << qint64(0) << qint64(0) << "Default Attributes";
        QTest::newRow("1") << qint64(1) << qint64(1) << "Default Image Attributes";
        QTest::newRow("2") << qint64(2) << qint64(2) << "Default Binary Attributes";
        QTest::newRow("3") << qint64(3) << qint64(0) << "Custom Attributes";
        QTest::newRow("4") << qint64(4) << qint64(1) << "Custom Image Attributes";
        QTest::newRow("5") << qint64(5) << qint64(2) << "Custom Binary Attributes";
        QTest::newRow("-1") << qint64(-1) << qint64(0) << "Unknown Group?";
        QTest::newRow("6") << qint64(6) << qint64(0) << "Unknown Group?";
    }
    void groupsAndKinds()
    {
        QFETCH(qint64, group);
        QFETCH(qint64, kind);
        QFETCH(QString, title);
        QCOMPARE(TBAttributeItem::attributeTypeFromItemGroup(group), kind);
        QCOMPARE(TBAttributeItem::groupTitle(group), title);
        TBAttributeGroupItem item(nullptr, group);
        QCOMPARE(item.displayedName(), title);
        QCOMPARE(item.attributeType(), kind);
        // Without a registry, or outside the six, a group has no list and shows "None Defined".
        QVERIFY(!item.prefsArray());
        item.makeChildren();
        QCOMPARE(item.numberOfChildren(), 1);
        QCOMPARE(item.childAtIndex(0)->displayedName(), QStringLiteral("None Defined"));
    }

    void customGroupOfEachKind()
    {
        QCOMPARE(TBAttributeItem::itemGroupFromAttributeType(0), 3);
        QCOMPARE(TBAttributeItem::itemGroupFromAttributeType(1), 4);
        QCOMPARE(TBAttributeItem::itemGroupFromAttributeType(2), 5);
        QCOMPARE(TBAttributeItem::itemGroupFromAttributeType(3), 3);
        QCOMPARE(TBAttributeItem::itemGroupFromAttributeType(-7), 3);
    }

    void rootMakesTheOutline()
    {
        TBAttributeRegistry registry;
        registry.loadAttributesFromDefaults(nullptr);
        const TBAttributePtr badge = custom(QStringLiteral("badgePhoto"), 1);
        registry.addAttribute(badge);
        TBAttributeRootItem root(&registry);
        QCOMPARE(root.itemType(), 0);
        root.makeChildren();
        QCOMPARE(root.numberOfChildren(), 6);

        // Each group lists its registry list in order; an empty one has a single none row.
        const QList<const TBAttributeList*> lists = registry.allAttributeArrays();
        for (qint64 group = 0; group < 6; ++group) {
            TBAttributeGroupItem* item = root.groupItemForGroup(group);
            QCOMPARE(root.indexForChild(item), group);
            QCOMPARE(item->prefsArray(), lists.at(group));
            QVERIFY(item->childrenMatchPrefsArray());
            if (lists.at(group)->isEmpty()) {
                QCOMPARE(item->numberOfChildren(), 1);
                const TBAttributeItem* none = item->childAtIndex(0);
                QCOMPARE(none->itemType(), 3);
                QCOMPARE(none->itemGroup(), group);
                QCOMPARE(none->attributeType(), TBAttributeItem::attributeTypeFromItemGroup(group));
                continue;
            }
            QCOMPARE(item->numberOfChildren(), lists.at(group)->size());
            for (qsizetype i = 0; i < item->numberOfChildren(); ++i) {
                const auto* row = static_cast<const TBAttributeAttrItem*>(item->childAtIndex(i));
                QCOMPARE(row->itemType(), 2);
                QCOMPARE(row->attribute(), lists.at(group)->at(i));
                QCOMPARE(row->isDefaultAttr(), group < 3);
                QCOMPARE(row->parent(), item);
            }
        }
        QCOMPARE(static_cast<const TBAttributeAttrItem*>(root.groupItemForGroup(4)->childAtIndex(0))->attribute(),
                 badge);

        // Later calls remake the custom groups only.
        const TBAttributeItem* firstDefault = root.groupItemForGroup(0)->childAtIndex(0);
        const TBAttributeItemPtr firstBadge = root.groupItemForGroup(4)->children().first(); // kept alive
        registry.addAttribute(custom(QStringLiteral("colour"), 0));
        QVERIFY(!root.groupItemForGroup(3)->childrenMatchPrefsArray());
        root.makeChildren();
        QCOMPARE(root.groupItemForGroup(0)->childAtIndex(0), firstDefault);
        QVERIFY(root.groupItemForGroup(4)->childAtIndex(0) != firstBadge.get());
        QCOMPARE(root.groupItemForGroup(3)->childAtIndex(0)->displayedName(), QStringLiteral("colour"));
        QVERIFY(root.groupItemForGroup(3)->childrenMatchPrefsArray());
        QCOMPARE(root.indexForChild(firstDefault), -1); // not a child of the root
        QVERIFY(!root.childAtIndex(6));
    }

    void attributeRowTexts()
    {
        // Without an attribute: its own texts; without a parent: a custom text attribute.
        TBAttributeAttrItem loose;
        QCOMPARE(loose.displayedName(), QStringLiteral("newattribute"));
        QCOMPARE(loose.displayedFriendlyName(), QStringLiteral("New Attribute"));
        QCOMPARE(loose.itemGroup(), 3);
        QCOMPARE(loose.attributeType(), 0);
        QVERIFY(!loose.isDefaultAttr());
        QCOMPARE(loose.description(), QStringLiteral("itemType:      2\nitemGroup:     3\nattributeType: 0"));

        TBAttributeGroupItem binary(nullptr, 2);
        const TBAttributePtr guid = custom(QStringLiteral("objectGUID"), 2);
        guid->setFriendlyName(QStringLiteral("GUID"));
        guid->setDefaultAttr(true);
        TBAttributeAttrItem row(&binary, guid);
        QCOMPARE(row.displayedName(), QStringLiteral("objectGUID"));
        QCOMPARE(row.displayedFriendlyName(), QStringLiteral("GUID"));
        QCOMPARE(row.itemGroup(), 2);
        QCOMPARE(row.attributeType(), 2);
        QVERIFY(row.isDefaultAttr());
    }

    void copySharesTheChildren()
    {
        TBAttributeGroupItem group(nullptr, 5);
        group.makeChildren();
        const TBAttributeItemPtr copy = TBAttributeItem::attributeItemWithAttributeItem(group);
        QCOMPARE(copy->itemType(), 1);
        QCOMPARE(copy->itemGroup(), 5);
        QCOMPARE(copy->attributeType(), 2);
        QCOMPARE(copy->childAtIndex(0), group.childAtIndex(0));

        const TBAttributeItemPtr plain = TBAttributeItem::attributeItemWithParent(&group);
        QCOMPARE(plain->parent(), &group);
        QCOMPARE(plain->description(), QStringLiteral("itemType:      -1\nitemGroup:     -1\nattributeType: -2"));
        QCOMPARE(plain->numberOfChildren(), 0);
        QVERIFY(!plain->childAtIndex(0));
        QVERIFY(plain->displayedName().isNull());
    }
};

QTEST_GUILESS_MAIN(tst_TBAttributeItem)
#include "tst_TBAttributeItem.moc"
