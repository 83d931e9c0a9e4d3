#include "TBSearchCriteria.h"

#include "TBAttributeRegistry.h"
#include "TBPropertyList.h"

#include <QtTest>

namespace {

QVariantMap item(const QString& attr, qint64 type, const QString& text)
{
    return {{QStringLiteral("searchAttr"), attr},
            {QStringLiteral("searchType"), type},
            {QStringLiteral("searchText"), text}};
}

QVariantMap specDict(qint64 attr, qint64 type, const QString& text)
{
    return {{QStringLiteral("searchAttr"), attr},
            {QStringLiteral("searchtype"), type},
            {QStringLiteral("searchText"), text}};
}

// "attr/type/text" of every item, for compact comparisons.
QStringList summary(const TBSearchCriteria& criteria)
{
    QStringList lines;
    for (const auto& i : criteria.searchItems())
        lines.append(
            QStringLiteral("%1/%2/%3").arg(i->searchAttr(), QString::number(i->searchType()), i->searchText()));
    return lines;
}

} // namespace

class tst_TBSearchCriteria : public QObject
{
    Q_OBJECT

    TBAttributeRegistry m_registry;
    // What the windows hand over as the last selected attribute.
    const QString m_lastSelected = QStringLiteral("uid");

private Q_SLOTS:
    void initTestCase() { m_registry.loadAttributesFromDefaults(nullptr); }

    void fromDictionary_data()
    {
        QTest::addColumn<QVariantMap>("dict");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("items");

        const QString name = QStringLiteral("name");
        const QString items = QStringLiteral("searchItems");
        const QString specs = QStringLiteral("searchSpecs");
        QTest::newRow("nothing") << QVariantMap {} << QStringLiteral("New Search")
                                 << QStringList {QStringLiteral("uid/0/")};
        QTest::newRow("empty name, no items") << QVariantMap {{name, QStringLiteral("")}}
                                              << QStringLiteral("New Search") << QStringList {QStringLiteral("uid/0/")};
        QTest::newRow("name as number") << QVariantMap {{name, qint64(3)}} << QStringLiteral("New Search")
                                        << QStringList {QStringLiteral("uid/0/")};
        QTest::newRow("items") << QVariantMap {{name, QStringLiteral("People")},
                                               {items,
                                                QVariantList {item(QStringLiteral("cn"), 2, QStringLiteral("ann")),
                                                              item(QStringLiteral("mail"), 5, QString())}}}
                               << QStringLiteral("People")
                               << QStringList {QStringLiteral("cn/2/ann"), QStringLiteral("mail/5/")};
        QTest::newRow("older searchSpecs items")
            << QVariantMap {{specs,
                             QVariantList {specDict(0, 3, QStringLiteral("Sm")), specDict(9, 12, QStringLiteral("x"))}}}
            << QStringLiteral("New Search")
            << QStringList {QStringLiteral("sn/3/Sm"), QStringLiteral("unknownattribute/0/x")};
        QTest::newRow("items win over specs")
            << QVariantMap {{specs, QVariantList {specDict(0, 3, QStringLiteral("Sm"))}},
                            {items, QVariantList {item(QStringLiteral("ou"), 4, QStringLiteral("Sales"))}}}
            << QStringLiteral("New Search") << QStringList {QStringLiteral("ou/4/Sales")};
        QTest::newRow("empty item list") << QVariantMap {{items, QVariantList {}}} << QStringLiteral("New Search")
                                         << QStringList {};
        QTest::newRow("items not a list") << QVariantMap {{items, QStringLiteral("cn")}} << QStringLiteral("New Search")
                                          << QStringList {QStringLiteral("uid/0/")};
    }

    void fromDictionary()
    {
        QFETCH(QVariantMap, dict);
        QFETCH(QString, name);
        QFETCH(QStringList, items);
        const auto criteria = TBSearchCriteria::searchCriteriaWithDictionary(dict, m_registry, m_lastSelected);
        QCOMPARE(criteria->name(), name);
        QCOMPARE(summary(*criteria), items);

        // The current form is all that is written, and it reads back to the same criteria as long as
        // the registry knows every attribute.
        const QVariantMap written = criteria->dictionaryRepresentation();
        QCOMPARE(written.keys(), (QStringList {QStringLiteral("name"), QStringLiteral("searchItems")}));
        for (const auto& i : criteria->searchItems()) {
            if (!m_registry.attributeExists(i->searchAttr()))
                return;
        }
        const auto again = TBSearchCriteria::searchCriteriaWithDictionary(written, m_registry, m_lastSelected);
        QCOMPARE(again->name(), name);
        QCOMPARE(summary(*again), items);
    }

    void archive_data()
    {
        QTest::addColumn<QVariant>("root");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("items");

        const QString items = QStringLiteral("searchItems");
        const QString specs = QStringLiteral("searchSpecs");
        QTest::newRow("items") << QVariant(
            QVariantMap {{QStringLiteral("name"), QStringLiteral("Saved")},
                         {items, QVariantList {item(QStringLiteral("cn"), 1, QStringLiteral("x"))}}})
                               << QStringLiteral("Saved") << QStringList {QStringLiteral("cn/1/x")};
        QTest::newRow("items under the older key")
            << QVariant(QVariantMap {{specs, QVariantList {item(QStringLiteral("sn"), 3, QStringLiteral("S"))}}})
            << QString() << QStringList {QStringLiteral("sn/3/S")};
        QTest::newRow("older-form items under the older key")
            << QVariant(QVariantMap {{specs, QVariantList {specDict(3, 2, QStringLiteral("@x"))}}}) << QString()
            << QStringList {QStringLiteral("mail/2/@x")};
        QTest::newRow("missing item keys decode as empty and 0")
            << QVariant(QVariantMap {{items, QVariantList {QVariantMap {}}}}) << QString()
            << QStringList {QStringLiteral("/0/")};
        QTest::newRow("no item list") << QVariant(QVariantMap {{QStringLiteral("name"), QStringLiteral("Bare")}})
                                      << QStringLiteral("Bare") << QStringList {};
    }

    void archive()
    {
        QFETCH(QVariant, root);
        QFETCH(QString, name);
        QFETCH(QStringList, items);
        const auto criteria = TBSearchCriteria::searchCriteriaWithArchive(TBPropertyList::toXml(root), m_lastSelected);
        QVERIFY(criteria);
        QCOMPARE(criteria->name(), name);
        QCOMPARE(summary(*criteria), items);

        const auto again = TBSearchCriteria::searchCriteriaWithArchive(criteria->archive(), m_lastSelected);
        QVERIFY(again);
        QCOMPARE(again->name(), name);
        QCOMPARE(summary(*again), items);
    }

    void archiveGarbage_data()
    {
        QTest::addColumn<QByteArray>("data");

        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not a plist") << QByteArray("searchCriteriaDragType");
        QTest::newRow("truncated") << TBSearchCriteria().archive().left(60);
        QTest::newRow("array root") << TBPropertyList::toXml(QVariantList {1, 2});
        QTest::newRow("name not text") << TBPropertyList::toXml(QVariantMap {{QStringLiteral("name"), qint64(1)}});
        QTest::newRow("items not a list")
            << TBPropertyList::toXml(QVariantMap {{QStringLiteral("searchItems"), QStringLiteral("cn")}});
        QTest::newRow("item not a dictionary") << TBPropertyList::toXml(
            QVariantMap {{QStringLiteral("searchItems"), QVariantList {QStringLiteral("cn")}}});
    }

    void archiveGarbage()
    {
        QFETCH(QByteArray, data);
        QVERIFY(!TBSearchCriteria::searchCriteriaWithArchive(data, m_lastSelected));
    }

    void copyIsDeep()
    {
        const auto source = TBSearchCriteria::searchCriteriaWithDictionary(
            {{QStringLiteral("name"), QStringLiteral("Two")},
             {QStringLiteral("searchItems"),
              QVariantList {item(QStringLiteral("cn"), 2, QStringLiteral("a")),
                            item(QStringLiteral("sn"), 3, QStringLiteral("b"))}}},
            m_registry, m_lastSelected);
        for (const auto& copy : {source->copy(), TBSearchCriteria::searchCriteriaWithSearchCriteria(*source)}) {
            QCOMPARE(copy->dictionaryRepresentation(), source->dictionaryRepresentation());
            copy->searchItemAtIndex(0)->setSearchText(QStringLiteral("changed"));
            copy->removeSearchItemAtIndex(1);
            QCOMPARE(summary(*source), (QStringList {QStringLiteral("cn/2/a"), QStringLiteral("sn/3/b")}));
        }
    }

    void editingTheList()
    {
        TBSearchCriteria criteria(m_lastSelected);
        QCOMPARE(criteria.name(), QStringLiteral("New Search"));
        QCOMPARE(criteria.numSearchItems(), 1);
        auto second = TBSearchItem::searchItem(m_lastSelected);
        second->setSearchAttr(QStringLiteral("cn"));
        criteria.insertSearchItem(second, 1); // at the end
        criteria.insertSearchItem(second, 5); // outside: ignored
        criteria.insertSearchItem(nullptr, 0);
        QCOMPARE(criteria.numSearchItems(), 2);
        QCOMPARE(criteria.searchItemAtIndex(1), second);
        QVERIFY(!criteria.searchItemAtIndex(2));
        QVERIFY(!criteria.searchItemAtIndex(-1));
        criteria.removeSearchItemAtIndex(7);
        criteria.removeSearchItemAtIndex(0);
        QCOMPARE(criteria.numSearchItems(), 1);
        QCOMPARE(criteria.searchItemAtIndex(0), second);
    }

    void tooltipDescription()
    {
        const auto criteria = TBSearchCriteria::searchCriteriaWithDictionary(
            {{QStringLiteral("name"), QStringLiteral("Admins")},
             {QStringLiteral("searchItems"),
              QVariantList {item(QStringLiteral("cn"), 2, QStringLiteral("adm")),
                            item(QStringLiteral("mail"), 5, QStringLiteral("ignored"))}}},
            m_registry, m_lastSelected);
        QCOMPARE(criteria->tooltipDescription(), QStringLiteral("Admins\n- cn contains adm\n- mail exists"));
        QVERIFY(criteria->description().contains(QStringLiteral("Admins")));
    }
};

QTEST_GUILESS_MAIN(tst_TBSearchCriteria)
#include "tst_TBSearchCriteria.moc"
