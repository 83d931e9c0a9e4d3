#include "TBSearchItem.h"

#include "TBAttributeRegistry.h"

#include <QtTest>

class tst_TBSearchItem : public QObject
{
    Q_OBJECT

    TBAttributeRegistry m_registry;
    // What the windows hand over as the last selected attribute.
    QString m_lastSelected;

    static QVariantMap item(const QVariant& attr, const QVariant& type, const QVariant& text)
    {
        QVariantMap dict;
        if (attr.isValid())
            dict.insert(QStringLiteral("searchAttr"), attr);
        if (type.isValid())
            dict.insert(QStringLiteral("searchType"), type);
        if (text.isValid())
            dict.insert(QStringLiteral("searchText"), text);
        return dict;
    }

private Q_SLOTS:
    void initTestCase() { m_registry.loadAttributesFromDefaults(nullptr); }

    void init() { m_lastSelected = QStringLiteral("mail"); }

    void defaultAttributeIsLastSelected_data()
    {
        QTest::addColumn<QString>("lastSelected");
        QTest::addColumn<QString>("expected");

        QTest::newRow("last selected") << QStringLiteral("uid") << QStringLiteral("uid");
        QTest::newRow("none selected") << QString() << QStringLiteral("dn");
    }

    void defaultAttributeIsLastSelected()
    {
        QFETCH(QString, lastSelected);
        QFETCH(QString, expected);
        TBSearchItem item(lastSelected);
        QCOMPARE(item.searchAttr(), expected);
        QCOMPARE(item.searchType(), qint64(TBSearchTypeIs));
        QCOMPARE(item.searchText(), QStringLiteral(""));
    }

    void fromDictionary_data()
    {
        QTest::addColumn<QVariantMap>("dict");
        QTest::addColumn<QString>("attr");
        QTest::addColumn<qint64>("type");
        QTest::addColumn<QString>("text");

        QTest::newRow("complete") << item(QStringLiteral("cn"), qint64(2), QStringLiteral("adm"))
                                  << QStringLiteral("cn") << qint64(2) << QStringLiteral("adm");
        QTest::newRow("known in other case") << item(QStringLiteral("CN"), qint64(3), QVariant())
                                             << QStringLiteral("CN") << qint64(3) << QStringLiteral("");
        QTest::newRow("unknown attribute keeps last selected")
            << item(QStringLiteral("nosuchattribute"), qint64(1), QStringLiteral("x")) << QStringLiteral("mail")
            << qint64(1) << QStringLiteral("x");
        QTest::newRow("type -1 kept") << item(QStringLiteral("sn"), qint64(-1), QVariant()) << QStringLiteral("sn")
                                      << qint64(-1) << QStringLiteral("");
        QTest::newRow("type -2 reset") << item(QStringLiteral("sn"), qint64(-2), QVariant()) << QStringLiteral("sn")
                                       << qint64(0) << QStringLiteral("");
        QTest::newRow("type 7 reset") << item(QStringLiteral("sn"), qint64(7), QVariant()) << QStringLiteral("sn")
                                      << qint64(0) << QStringLiteral("");
        QTest::newRow("type 6 kept") << item(QStringLiteral("sn"), qint64(6), QVariant()) << QStringLiteral("sn")
                                     << qint64(6) << QStringLiteral("");
        QTest::newRow("wrong kinds ignored") << item(qint64(1), QStringLiteral("2"), qint64(3))
                                             << QStringLiteral("mail") << qint64(0) << QStringLiteral("");
        QTest::newRow("empty") << QVariantMap() << QStringLiteral("mail") << qint64(0) << QStringLiteral("");
    }

    void fromDictionary()
    {
        QFETCH(QVariantMap, dict);
        QFETCH(QString, attr);
        QFETCH(qint64, type);
        QFETCH(QString, text);
        const auto result = TBSearchItem::searchItemWithDictionary(dict, m_registry, m_lastSelected);
        QCOMPARE(result->searchAttr(), attr);
        QCOMPARE(result->searchType(), type);
        QCOMPARE(result->searchText(), text);
        // The dictionary form reads back to the same item.
        const auto again
            = TBSearchItem::searchItemWithDictionary(result->dictionaryRepresentation(), m_registry, m_lastSelected);
        QCOMPARE(again->dictionaryRepresentation(), result->dictionaryRepresentation());
    }

    void fromSpecDictionary_data()
    {
        QTest::addColumn<QVariantMap>("dict");
        QTest::addColumn<QString>("attr");
        QTest::addColumn<qint64>("type");
        QTest::addColumn<QString>("text");

        const QString attr = QStringLiteral("searchAttr");
        const QString other = QStringLiteral("otherAttr");
        const QString type = QStringLiteral("searchtype");
        const QString text = QStringLiteral("searchText");
        QTest::newRow("0 is sn") << QVariantMap {{attr, qint64(0)}, {type, qint64(3)}, {text, QStringLiteral("Sm")}}
                                 << QStringLiteral("sn") << qint64(3) << QStringLiteral("Sm");
        QTest::newRow("1 is cn") << QVariantMap {{attr, qint64(1)}} << QStringLiteral("cn") << qint64(0)
                                 << QStringLiteral("");
        QTest::newRow("2 is ou") << QVariantMap {{attr, qint64(2)}} << QStringLiteral("ou") << qint64(0)
                                 << QStringLiteral("");
        QTest::newRow("3 is mail") << QVariantMap {{attr, qint64(3)}} << QStringLiteral("mail") << qint64(0)
                                   << QStringLiteral("");
        QTest::newRow("7 is unknown") << QVariantMap {{attr, qint64(7)}} << QStringLiteral("unknownattribute")
                                      << qint64(0) << QStringLiteral("");
        QTest::newRow("other attribute lower-cased, type 9 reset")
            << QVariantMap {{attr, qint64(2)}, {other, QStringLiteral("TelephoneNumber")}, {type, qint64(9)}}
            << QStringLiteral("telephonenumber") << qint64(0) << QStringLiteral("");
        QTest::newRow("empty other attribute ignored") << QVariantMap {{attr, qint64(1)}, {other, QStringLiteral("")}}
                                                       << QStringLiteral("cn") << qint64(0) << QStringLiteral("");
        QTest::newRow("capital T is not the type key")
            << QVariantMap {{attr, qint64(1)}, {QStringLiteral("searchType"), qint64(2)}} << QStringLiteral("cn")
            << qint64(0) << QStringLiteral("");
        QTest::newRow("attribute as text ignored")
            << QVariantMap {{attr, QStringLiteral("cn")}} << QStringLiteral("mail") << qint64(0) << QStringLiteral("");
    }

    void fromSpecDictionary()
    {
        QFETCH(QVariantMap, dict);
        QFETCH(QString, attr);
        QFETCH(qint64, type);
        QFETCH(QString, text);
        const auto result = TBSearchItem::searchItemWithSpecDictionary(dict, m_lastSelected);
        QCOMPARE(result->searchAttr(), attr);
        QCOMPARE(result->searchType(), type);
        QCOMPARE(result->searchText(), text);
    }

    void texts_data()
    {
        QTest::addColumn<qint64>("type");
        QTest::addColumn<QString>("typeText");
        QTest::addColumn<QString>("tooltip");
        QTest::addColumn<QString>("anyOrMissing");

        QTest::newRow("is") << qint64(0) << QStringLiteral("is") << QStringLiteral("cn is Ann") << QStringLiteral("?");
        QTest::newRow("similar") << qint64(1) << QStringLiteral("is similar to")
                                 << QStringLiteral("cn is similar to Ann") << QStringLiteral("?");
        QTest::newRow("contains") << qint64(2) << QStringLiteral("contains") << QStringLiteral("cn contains Ann")
                                  << QStringLiteral("?");
        QTest::newRow("starts") << qint64(3) << QStringLiteral("starts with") << QStringLiteral("cn starts with Ann")
                                << QStringLiteral("?");
        QTest::newRow("ends") << qint64(4) << QStringLiteral("ends with") << QStringLiteral("cn ends with Ann")
                              << QStringLiteral("?");
        QTest::newRow("exists, text not shown")
            << qint64(5) << QStringLiteral("exists") << QStringLiteral("cn exists") << QStringLiteral("(exists)");
        QTest::newRow("missing, text not shown") << qint64(6) << QStringLiteral("is missing")
                                                 << QStringLiteral("cn is missing") << QStringLiteral("(missing)");
        QTest::newRow("nothing selected") << qint64(-1) << QStringLiteral("unknown search type")
                                          << QStringLiteral("cn unknown search type Ann") << QStringLiteral("?");
    }

    void texts()
    {
        QFETCH(qint64, type);
        QFETCH(QString, typeText);
        QFETCH(QString, tooltip);
        QFETCH(QString, anyOrMissing);
        TBSearchItem item(m_lastSelected);
        item.setSearchAttr(QStringLiteral("cn"));
        item.setSearchType(type);
        item.setSearchText(QStringLiteral("Ann"));
        QCOMPARE(item.searchTypeAsString(), typeText);
        QCOMPARE(item.tooltipDescription(), tooltip);
        QCOMPARE(item.anyOrMissingString(), anyOrMissing);
        QCOMPARE(item.description(), QStringLiteral("attr:cn type:%1 text:Ann").arg(type));
    }

    void registryTexts_data()
    {
        QTest::addColumn<QString>("attr");
        QTest::addColumn<QString>("asString");
        QTest::addColumn<bool>("inMenus");

        QTest::newRow("friendly name") << QStringLiteral("cn") << QStringLiteral("Full Name (cn)") << true;
        QTest::newRow("found in other case, not in menus")
            << QStringLiteral("CN") << QStringLiteral("Full Name (CN)") << false;
        QTest::newRow("unknown") << QStringLiteral("nosuchattribute") << QStringLiteral("nosuchattribute") << false;
    }

    void registryTexts()
    {
        QFETCH(QString, attr);
        QFETCH(QString, asString);
        QFETCH(bool, inMenus);
        TBSearchItem item(m_lastSelected);
        item.setSearchAttr(attr);
        QCOMPARE(item.searchAttrAsString(m_registry), asString);
        QCOMPARE(item.includedInAttrMenus(m_registry), inMenus);
        QCOMPARE(TBSearchItem::changeMeString(), QStringLiteral("Change me!"));
    }

    void copyIsIndependent()
    {
        auto source = TBSearchItem::searchItemWithDictionary(
            item(QStringLiteral("sn"), qint64(4), QStringLiteral("son")), m_registry, m_lastSelected);
        auto copy = source->copy();
        QCOMPARE(copy->dictionaryRepresentation(), source->dictionaryRepresentation());
        copy->setSearchText(QStringLiteral("changed"));
        QCOMPARE(source->searchText(), QStringLiteral("son"));
    }

    void arrayConversions()
    {
        const QVariantList dicts {item(QStringLiteral("cn"), qint64(0), QStringLiteral("a")),
                                  item(QStringLiteral("sn"), qint64(5), QStringLiteral(""))};
        const TBSearchItemList items = TBSearchItem::searchItemArrayFromDictArray(dicts, m_registry, m_lastSelected);
        QCOMPARE(items.size(), 2);
        QCOMPARE(TBSearchItem::dictArrayFromSearchItemArray(items), dicts);
        const TBSearchItemList specItems = TBSearchItem::searchItemArrayFromSpecDictArray(
            {QVariantMap {{QStringLiteral("searchAttr"), qint64(3)}}, QVariantMap {}}, m_lastSelected);
        QCOMPARE(specItems.size(), 2);
        QCOMPARE(specItems.at(0)->searchAttr(), QStringLiteral("mail"));
    }
};

QTEST_GUILESS_MAIN(tst_TBSearchItem)
#include "tst_TBSearchItem.moc"
