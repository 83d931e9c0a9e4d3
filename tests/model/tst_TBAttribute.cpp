#include "TBAttribute.h"

#include "TBAttributeRegistry.h"
#include "TBPropertyList.h"

#include <QtTest>

class tst_TBAttribute : public QObject
{
    Q_OBJECT

    // The registry decides which names the dictionary and archive forms accept.
    TBAttributeRegistry m_registry;

private Q_SLOTS:
    void initTestCase()
    {
        m_registry.loadAttributesFromDefaults(nullptr);
        QVERIFY(m_registry.attributeExists(QStringLiteral("cn")));
    }

    void defaultsAndIdentifiers()
    {
        TBAttribute a;
        TBAttribute b;
        QCOMPARE(b.attributeID(), a.attributeID() + 1);
        QCOMPARE(a.attributeName(), QStringLiteral("newattribute"));
        QCOMPARE(a.friendlyName(), QStringLiteral("New Attribute"));
        QCOMPARE(a.attributeType(), qint64(TBAttributeTypeText));
        QVERIFY(!a.defaultAttr());

        a.setAttributeName(QStringLiteral("mail"));
        a.setFriendlyName(QStringLiteral("Email"));
        a.setAttributeType(TBAttributeTypeImage);
        a.setDefaultAttr(true);
        const auto copy = TBAttribute::attributeWithAttribute(a);
        QVERIFY(copy->attributeID() > b.attributeID());
        QCOMPARE(copy->dictionaryRepresentation(), a.dictionaryRepresentation());
    }

    void attrArrayFromDict_data()
    {
        QTest::addColumn<QVariantMap>("dict");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("friendlyNames");

        QTest::newRow("empty friendly name") << QVariantMap {{QStringLiteral("sn"), QStringLiteral("")},
                                                             {QStringLiteral("cn"), QStringLiteral("Full Name")}}
                                             << QStringList {QStringLiteral("cn"), QStringLiteral("sn")}
                                             << QStringList {QStringLiteral("Full Name"), QStringLiteral("sn")};
        QTest::newRow("capitals sort first")
            << QVariantMap {{QStringLiteral("mail"), QStringLiteral("a")},
                            {QStringLiteral("Mail"), QStringLiteral("b")},
                            {QStringLiteral("Zeta"), QStringLiteral("c")}}
            << QStringList {QStringLiteral("Mail"), QStringLiteral("Zeta"), QStringLiteral("mail")}
            << QStringList {QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("a")};
        QTest::newRow("friendly name not a string")
            << QVariantMap {{QStringLiteral("uid"), qint64(3)}} << QStringList {QStringLiteral("uid")}
            << QStringList {QStringLiteral("uid")};
        QTest::newRow("empty") << QVariantMap {} << QStringList {} << QStringList {};
    }

    void attrArrayFromDict()
    {
        QFETCH(QVariantMap, dict);
        QFETCH(QStringList, names);
        QFETCH(QStringList, friendlyNames);

        const TBAttributeList attrs = TBAttribute::attrArrayFromDict(dict, TBAttributeTypeBinary, true);
        QCOMPARE(attrs.size(), names.size());
        for (qsizetype i = 0; i < attrs.size(); ++i) {
            QCOMPARE(attrs.at(i)->attributeName(), names.at(i));
            QCOMPARE(attrs.at(i)->friendlyName(), friendlyNames.at(i));
            QCOMPARE(attrs.at(i)->attributeType(), qint64(TBAttributeTypeBinary));
            QVERIFY(attrs.at(i)->defaultAttr());
            if (i > 0)
                QCOMPARE(attrs.at(i)->attributeID(), attrs.at(i - 1)->attributeID() + 1);
        }

        // Back to the stored form and again: the same names and friendly names, new identifiers.
        QVariantMap expected;
        for (qsizetype i = 0; i < names.size(); ++i)
            expected.insert(names.at(i), friendlyNames.at(i));
        const QVariantMap stored = TBAttribute::dictFromAttrArray(attrs);
        QCOMPARE(stored, expected);
        const TBAttributeList again = TBAttribute::attrArrayFromDict(stored, TBAttributeTypeText, false);
        QCOMPARE(TBAttribute::dictFromAttrArray(again), expected);
        if (!again.isEmpty())
            QVERIFY(again.first()->attributeID() > attrs.last()->attributeID());
    }

    void dictFromAttrArrayLaterWins()
    {
        auto first = TBAttribute::attribute();
        first->setAttributeName(QStringLiteral("cn"));
        first->setFriendlyName(QStringLiteral("First"));
        auto second = TBAttribute::attributeWithAttribute(*first);
        second->setFriendlyName(QStringLiteral("Second"));
        QCOMPARE(TBAttribute::dictFromAttrArray({first, second}),
                 (QVariantMap {{QStringLiteral("cn"), QStringLiteral("Second")}}));
    }

    void compareAttribute_data()
    {
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("right");
        QTest::addColumn<int>("sign");

        QTest::newRow("case only") << QStringLiteral("mail") << QStringLiteral("MAIL") << 0;
        QTest::newRow("ascending ignoring case") << QStringLiteral("Alpha") << QStringLiteral("beta") << -1;
        QTest::newRow("descending ignoring case") << QStringLiteral("zeta") << QStringLiteral("Beta") << 1;
    }

    void compareAttribute()
    {
        QFETCH(QString, left);
        QFETCH(QString, right);
        QFETCH(int, sign);
        TBAttribute a;
        a.setAttributeName(left);
        TBAttribute b;
        b.setAttributeName(right);
        const int result = a.compareAttribute(b);
        QCOMPARE((result > 0) - (result < 0), sign);
    }

    void fromDictionary_data()
    {
        QTest::addColumn<QVariantMap>("dict");
        QTest::addColumn<QVariantMap>("expected");

        const QString name = QStringLiteral("AttributeName");
        const QString friendly = QStringLiteral("FriendlyName");
        const QString type = QStringLiteral("AttributeType");
        const QString flag = QStringLiteral("DefaultAttr");
        QTest::newRow("known name") << QVariantMap {{name, QStringLiteral("mail")},
                                                    {friendly, QStringLiteral("E-mail")},
                                                    {type, qint64(1)},
                                                    {flag, true}}
                                    << QVariantMap {{name, QStringLiteral("mail")},
                                                    {friendly, QStringLiteral("E-mail")},
                                                    {type, qint64(1)},
                                                    {flag, true}};
        QTest::newRow("unknown name") << QVariantMap {{name, QStringLiteral("nosuchattribute")}}
                                      << QVariantMap {{name, QStringLiteral("newattribute")},
                                                      {friendly, QStringLiteral("New Attribute")},
                                                      {type, qint64(0)},
                                                      {flag, false}};
        QTest::newRow("wrong kinds ignored") << QVariantMap {{name, qint64(5)},
                                                             {friendly, qint64(6)},
                                                             {type, QStringLiteral("2")},
                                                             {flag, QStringLiteral("1")}}
                                             << QVariantMap {{name, QStringLiteral("newattribute")},
                                                             {friendly, QStringLiteral("New Attribute")},
                                                             {type, qint64(0)},
                                                             {flag, false}};
    }

    void fromDictionary()
    {
        QFETCH(QVariantMap, dict);
        QFETCH(QVariantMap, expected);
        QCOMPARE(TBAttribute::attributeWithDictionary(dict, m_registry)->dictionaryRepresentation(), expected);
    }

    void archive()
    {
        TBAttribute a;
        a.setAttributeName(QStringLiteral("jpegPhoto"));
        a.setFriendlyName(QStringLiteral("Photo"));
        a.setAttributeType(TBAttributeTypeImage);
        a.setDefaultAttr(true);
        const auto decoded = TBAttribute::attributeWithArchive(a.archive(), m_registry);
        QVERIFY(decoded);
        QCOMPARE(decoded->dictionaryRepresentation(), a.dictionaryRepresentation());
        QVERIFY(decoded->attributeID() != a.attributeID());

        a.setAttributeName(QStringLiteral("nosuchattribute"));
        QCOMPARE(TBAttribute::attributeWithArchive(a.archive(), m_registry)->attributeName(),
                 QStringLiteral("unknownattribute"));
        QVERIFY(!TBAttribute::attributeWithArchive(QByteArray("<plist><dict>"), m_registry));
        QVERIFY(!TBAttribute::attributeWithArchive(QByteArray(), m_registry));
    }

    void description()
    {
        TBAttribute a;
        a.setAttributeName(QStringLiteral("cn"));
        a.setFriendlyName(QStringLiteral("Full Name"));
        a.setDefaultAttr(true);
        QCOMPARE(a.description(),
                 QStringLiteral("AttributeID: %1\nAttributeName: cn\nFriendlyName: Full Name\n"
                                "AttributeType: 0\nDefaultAttr: 1\n")
                     .arg(a.attributeID()));
    }
};

QTEST_GUILESS_MAIN(tst_TBAttribute)
#include "tst_TBAttribute.moc"
