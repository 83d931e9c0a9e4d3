#include "TBPreferences.h"

#include "TBNotificationCenter.h"
#include "TBPropertyList.h"
#include "TBTestSupport.h"
#include "TBUserDefaults.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// The attribute registry of the preferences store: the shipped lists, the built-in fallbacks, the
// custom lists and the two name lists, with their change notifications.
class tst_TBAttributeRegistry : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<TBUserDefaults> m_store;
    QObject m_observer;
    QList<QVariantMap> m_notifications; // the userInfo of each change notification

    QString storePath() const { return m_dir.filePath(QStringLiteral("Tamblin.plist")); }

    // A folder where no list exists, so that every built-in table applies.
    QString builtinOnlyFolder() const { return m_dir.filePath(QStringLiteral("no-lists")); }

    TBPreferences* prefsWithStored(const QVariantMap& stored, bool builtinOnly = false)
    {
        TBPreferences::resetSharedPreferences(nullptr);
        m_store.reset();
        QFile::remove(storePath());
        if (!stored.isEmpty() && !TBPropertyList::writeFile(storePath(), stored))
            qFatal("Could not write the settings fixture");
        m_store = std::make_unique<TBUserDefaults>(storePath());
        TBPreferences::resetSharedPreferences(m_store.get());
        TBPreferences::setDefaultListsFolder(builtinOnly ? builtinOnlyFolder() : QStringLiteral(":/defaults"));
        if (builtinOnly)
            expectFallbackLines({QStringLiteral("DefaultAttrs.plist"), QStringLiteral("DefaultImageAttrs.plist"),
                                 QStringLiteral("DefaultBinaryAttrs.plist"), QStringLiteral("DefaultADTimeAttrs")});
        TBPreferences* prefs = TBPreferences::sharedPreferences();
        TBPreferences::setDefaultListsFolder(QStringLiteral(":/defaults"));
        m_notifications.clear();
        return prefs;
    }

    static void expectFallbackLines(const QStringList& files)
    {
        for (const QString& file : files)
            QTest::ignoreMessage(
                QtWarningMsg, qPrintable(file + QStringLiteral(" file missing or corrupt. Using minimal defaults.")));
    }

    static QStringList namesOf(const TBAttributeList& list)
    {
        QStringList names;
        for (const auto& attr : list)
            names.append(attr->attributeName());
        return names;
    }

private Q_SLOTS:
    void initTestCase()
    {
        TBTestSupport::useScratchConfig();
        QVERIFY(m_dir.isValid());
        TBNotificationCenter::defaultCenter()->addObserver(&m_observer, TBPrefsAttributesHaveChangedNotification,
                                                           [this](const TBNotification& n) {
                                                               QCOMPARE(n.sender, TBPreferences::sharedPreferences());
                                                               m_notifications.append(n.userInfo);
                                                           });
    }

    void cleanupTestCase()
    {
        TBPreferences::setDefaultListsFolder(QStringLiteral(":/defaults"));
        TBPreferences::resetSharedPreferences(nullptr);
    }

    void shippedListsLoad()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral("missing or corrupt")));
        TBPreferences* prefs = prefsWithStored({});
        QVERIFY(prefs->defaultAttrs().size() > 50);
        QVERIFY(prefs->defaultImageAttrs().size() >= 3);
        QVERIFY(prefs->defaultBinaryAttrs().size() >= 11);
        QVERIFY(prefs->defaultADTimestampAttrs().size() >= 9);
        for (const auto* list : prefs->allAttributeArrays().mid(0, 3)) {
            for (const auto& attr : *list) {
                QVERIFY(attr->defaultAttr());
                QVERIFY2(!attr->friendlyName().isEmpty(), qPrintable(attr->attributeName()));
            }
        }
        // Every shipped name is written in small letters, except the one the built-in table spells so.
        for (const auto* list : {&prefs->defaultAttrs(), &prefs->defaultImageAttrs(), &prefs->defaultBinaryAttrs(),
                                 &prefs->defaultADTimestampAttrs()}) {
            for (const auto& attr : *list) {
                if (attr->attributeName() != QStringLiteral("lastLogonTimestamp"))
                    QCOMPARE(attr->attributeName(), attr->attributeName().toLower());
            }
        }
        // Each timestamp also has a text definition, so it has a friendly name and can be searched.
        for (const auto& attr : prefs->defaultADTimestampAttrs())
            QVERIFY2(prefs->attributeExists(attr->attributeName()), qPrintable(attr->attributeName()));
        QCOMPARE(prefs->basicAttributes(),
                 (QStringList {QStringLiteral("dn"), QStringLiteral("cn"), QStringLiteral("sn"), QStringLiteral("ou"),
                               QStringLiteral("mail"), QStringLiteral("objectclass")}));
    }

    void lookups_data()
    {
        QTest::addColumn<bool>("builtinOnly");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<bool>("image");
        QTest::addColumn<bool>("binary");
        QTest::addColumn<bool>("adTime");
        QTest::addColumn<QString>("friendly");

        QTest::newRow("built-in: CN") << true << QStringLiteral("CN") << true << false << false << false
                                      << QStringLiteral("Full Name");
        QTest::newRow("built-in: JPEGPHOTO")
            << true << QStringLiteral("JPEGPHOTO") << true << true << false << false << QStringLiteral("JPEG Photo");
        QTest::newRow("built-in: objectGUID")
            << true << QStringLiteral("objectGUID") << true << false << true << false << QStringLiteral("objectguid");
        QTest::newRow("built-in: accountexpires is only a timestamp")
            << true << QStringLiteral("accountexpires") << false << false << false << true << QString();
        QTest::newRow("built-in: LASTLOGONTIMESTAMP")
            << true << QStringLiteral("LASTLOGONTIMESTAMP") << false << false << false << true << QString();
        QTest::newRow("built-in: objectclass")
            << true << QStringLiteral("objectclass") << false << false << false << false << QString();
        QTest::newRow("built-in: thumbnailPhoto")
            << true << QStringLiteral("thumbnailPhoto") << false << false << false << false << QString();
        QTest::newRow("shipped: thumbnailPhoto") << false << QStringLiteral("thumbnailPhoto") << true << true << false
                                                 << false << QStringLiteral("Thumbnail Photo");
        QTest::newRow("shipped: userCertificate") << false << QStringLiteral("userCertificate") << true << false << true
                                                  << false << QStringLiteral("User Certificate");
        QTest::newRow("shipped: mS-DS-ConsistencyGuid") << false << QStringLiteral("mS-DS-ConsistencyGuid") << true
                                                        << false << true << false << QStringLiteral("Consistency GUID");
        QTest::newRow("shipped: pwdLastSet") << false << QStringLiteral("pwdLastSet") << true << false << false << true
                                             << QStringLiteral("Password Last Set");
        QTest::newRow("shipped: msDS-UserPasswordExpiryTimeComputed")
            << false << QStringLiteral("msDS-UserPasswordExpiryTimeComputed") << true << false << false << true
            << QStringLiteral("Password Expiry Time");
        QTest::newRow("shipped: whenCreated is no tick count")
            << false << QStringLiteral("whenCreated") << true << false << false << false
            << QStringLiteral("When Created");
        QTest::newRow("shipped: uidNumber")
            << false << QStringLiteral("uidNumber") << true << false << false << false << QStringLiteral("UID Number");
        QTest::newRow("shipped: sAMAccountName") << false << QStringLiteral("sAMAccountName") << true << false << false
                                                 << false << QStringLiteral("Account Name");
        QTest::newRow("shipped: unknown")
            << false << QStringLiteral("nosuchattribute") << false << false << false << false << QString();
    }

    void lookups()
    {
        QFETCH(bool, builtinOnly);
        QFETCH(QString, name);
        QFETCH(bool, exists);
        QFETCH(bool, image);
        QFETCH(bool, binary);
        QFETCH(bool, adTime);
        QFETCH(QString, friendly);
        TBPreferences* prefs = prefsWithStored({}, builtinOnly);
        QCOMPARE(prefs->attributeExists(name), exists);
        QCOMPARE(prefs->isImageAttribute(name), image);
        QCOMPARE(prefs->isBinaryAttribute(name), binary);
        QCOMPARE(prefs->isImageOrBinaryAttribute(name), image || binary);
        QCOMPARE(prefs->isADTimeAttribute(name), adTime);
        QCOMPARE(prefs->friendlyNameForAttribute(name), friendly.isNull() ? QStringLiteral("") : friendly);
        QCOMPARE(prefs->friendlyNameForAttribute(name, QStringLiteral("?")),
                 friendly.isNull() ? QStringLiteral("?") : friendly);
        if (exists)
            QCOMPARE(prefs->attributeWithID(prefs->attributeWithName(name)->attributeID()),
                     prefs->attributeWithName(name));
    }

    void builtinNameLists()
    {
        TBPreferences* prefs = prefsWithStored({}, true);
        const QStringList expected {QStringLiteral("dn"), QStringLiteral("cn"), QStringLiteral("sn"),
                                    QStringLiteral("ou"), QStringLiteral("mail")};
        // "objectclass" is dropped from the basic list: no built-in table defines it.
        QCOMPARE(prefs->basicAttributes(), expected);
        QCOMPARE(prefs->displayedAttributeColumns(), expected);
        QCOMPARE(namesOf(prefs->defaultADTimestampAttrs()),
                 (QStringList {QStringLiteral("accountexpires"), QStringLiteral("badpasswordtime"),
                               QStringLiteral("lastLogonTimestamp"), QStringLiteral("lastlogoff"),
                               QStringLiteral("lastlogon"), QStringLiteral("pwdlastset")}));
    }

    void missingAndCorruptLists()
    {
        // One list good, one missing, one corrupt, one of the wrong shape.
        const QString folder = m_dir.filePath(QStringLiteral("mixed"));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(TBPropertyList::writeFile(folder + QStringLiteral("/DefaultAttrs.plist"),
                                          QVariantMap {{QStringLiteral("uid"), QStringLiteral("User")}}));
        QFile corrupt(folder + QStringLiteral("/DefaultBinaryAttrs.plist"));
        QVERIFY(corrupt.open(QIODevice::WriteOnly));
        corrupt.write("<?xml version=\"1.0\"?><plist><dict><key>objectguid</key>");
        corrupt.close();
        QVERIFY(TBPropertyList::writeFile(folder + QStringLiteral("/DefaultADTimeAttrs.plist"),
                                          QVariantList {QStringLiteral("pwdlastset")}));

        TBPreferences::resetSharedPreferences(nullptr);
        m_store = std::make_unique<TBUserDefaults>(storePath());
        TBPreferences::resetSharedPreferences(m_store.get());
        TBPreferences::setDefaultListsFolder(folder);
        expectFallbackLines({QStringLiteral("DefaultImageAttrs.plist"), QStringLiteral("DefaultBinaryAttrs.plist"),
                             QStringLiteral("DefaultADTimeAttrs")});
        TBPreferences* prefs = TBPreferences::sharedPreferences();
        TBPreferences::setDefaultListsFolder(QStringLiteral(":/defaults"));

        QCOMPARE(namesOf(prefs->defaultAttrs()), QStringList {QStringLiteral("uid")});
        QCOMPARE(namesOf(prefs->defaultImageAttrs()),
                 (QStringList {QStringLiteral("jpegphoto"), QStringLiteral("photo")}));
        QCOMPARE(namesOf(prefs->defaultBinaryAttrs()),
                 (QStringList {QStringLiteral("objectguid"), QStringLiteral("objectsid")}));
        QCOMPARE(prefs->defaultADTimestampAttrs().size(), 6);
        // Only the names some list defines survive in the name lists.
        QCOMPARE(prefs->basicAttributes(), QStringList {});
        QCOMPARE(prefs->lastSelectedAttribute(), QStringLiteral("unknownattribute"));
    }

    void customDefinitions()
    {
        TBPreferences* prefs = prefsWithStored(
            {{QStringLiteral("CustomAttributes"),
              QVariantMap {{QStringLiteral("zeta"), QStringLiteral("")},
                           {QStringLiteral("Beta"), QStringLiteral("B")},
                           {QStringLiteral("alpha"), QStringLiteral("A")}}},
             {QStringLiteral("CustomImageAttributes"),
              QVariantMap {{QStringLiteral("badgePhoto"), QStringLiteral("Badge")}}},
             {QStringLiteral("CustomBinaryAttributes"), QStringLiteral("not a dictionary")},
             {QStringLiteral("BasicAttributes"),
              QVariantList {QStringLiteral("cn"), QStringLiteral("gone"), qint64(4), QStringLiteral("Beta")}},
             {QStringLiteral("DisplayedAttributeColumns"), QVariantList {}}},
            true);
        // Custom lists are kept in case-insensitive order.
        QCOMPARE(namesOf(prefs->customAttrs()),
                 (QStringList {QStringLiteral("alpha"), QStringLiteral("Beta"), QStringLiteral("zeta")}));
        QCOMPARE(prefs->friendlyNameForAttribute(QStringLiteral("ZETA")), QStringLiteral("zeta"));
        QVERIFY(!prefs->customAttrs().first()->defaultAttr());
        QVERIFY(prefs->isImageAttribute(QStringLiteral("badgephoto")));
        QVERIFY(prefs->customBinaryAttrs().isEmpty());
        QCOMPARE(prefs->basicAttributes(), (QStringList {QStringLiteral("cn"), QStringLiteral("Beta")}));
        QCOMPARE(prefs->displayedAttributeColumns().size(), 5); // empty stored list: the fallback

        prefs->savePrefs();
        const QVariantMap disk = TBUserDefaults(storePath()).storedValues();
        QCOMPARE(disk.value(QStringLiteral("CustomAttributes")).toMap().value(QStringLiteral("zeta")),
                 QVariant(QStringLiteral("zeta")));
        QCOMPARE(disk.value(QStringLiteral("CustomImageAttributes")).toMap().size(), 1);
        QCOMPARE(disk.value(QStringLiteral("BasicAttributes")),
                 QVariant(QVariantList {QStringLiteral("cn"), QStringLiteral("Beta")}));
        QVERIFY(!disk.contains(QStringLiteral("DefaultAttrs")));
    }

    void customHidesDefault()
    {
        TBPreferences* prefs = prefsWithStored({}, true);
        auto custom = TBAttribute::attribute();
        custom->setAttributeName(QStringLiteral("CN"));
        custom->setFriendlyName(QStringLiteral("Common Name"));
        prefs->addAttribute(custom);
        QCOMPARE(prefs->friendlyNameForAttribute(QStringLiteral("cn")), QStringLiteral("Common Name"));
        QCOMPARE(prefs->attributeWithName(QStringLiteral("cn")), custom);
        QVERIFY(m_notifications.isEmpty()); // the preferences window posts its own

        prefs->removeAttribute(custom);
        QCOMPARE(prefs->friendlyNameForAttribute(QStringLiteral("cn")), QStringLiteral("Full Name"));
        QCOMPARE(m_notifications.size(), 1);
        QCOMPARE(m_notifications.first().value(QStringLiteral("PrefNotifyAction")), QVariant(qint64(2)));
        QCOMPARE(m_notifications.first().value(QStringLiteral("AttributeNames")).toStringList(),
                 QStringList {QStringLiteral("CN")});

        // Default definitions are never removed.
        m_notifications.clear();
        const TBAttributePtr builtin = prefs->attributeWithName(QStringLiteral("cn"));
        prefs->removeAttributeID(builtin->attributeID());
        prefs->removeAttributeID(-42);
        QCOMPARE(prefs->attributeWithName(QStringLiteral("cn")), builtin);
        QVERIFY(m_notifications.isEmpty());
    }

    void addAttributeOfEachKind_data()
    {
        QTest::addColumn<qint64>("kind");
        QTest::addColumn<int>("list"); // index into allAttributeArrays, -1 = refused

        QTest::newRow("text") << qint64(0) << 3;
        QTest::newRow("image") << qint64(1) << 4;
        QTest::newRow("binary") << qint64(2) << 5;
        QTest::newRow("timestamp refused") << qint64(3) << -1;
        QTest::newRow("unknown refused") << qint64(9) << -1;
    }

    void addAttributeOfEachKind()
    {
        QFETCH(qint64, kind);
        QFETCH(int, list);
        TBPreferences* prefs = prefsWithStored({}, true);
        auto attr = TBAttribute::attribute();
        attr->setAttributeName(QStringLiteral("extra"));
        attr->setAttributeType(kind);
        if (list < 0)
            QTest::ignoreMessage(QtWarningMsg,
                                 qPrintable(QStringLiteral("Tried to add unknown attribute type %1").arg(kind)));
        prefs->addAttribute(attr);
        const QList<const TBAttributeList*> lists = prefs->allAttributeArrays();
        for (int i = 0; i < lists.size(); ++i)
            QCOMPARE(lists.at(i)->contains(attr), i == list);
        QCOMPARE(prefs->attributeExists(QStringLiteral("EXTRA")), list >= 0);
    }

    void addByName_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("added"); // empty = no notification

        QTest::newRow("all known") << QStringList {QStringLiteral("cn"), QStringLiteral("MAIL")} << QStringList {};
        QTest::newRow("one new among known")
            << QStringList {QStringLiteral("cn"), QStringLiteral("employeeNumber"), QStringLiteral("sn")}
            << QStringList {QStringLiteral("employeeNumber")};
        QTest::newRow("repeated and empty names")
            << QStringList {QStringLiteral("roomNumber"), QStringLiteral(""), QStringLiteral("ROOMNUMBER")}
            << QStringList {QStringLiteral("roomNumber")};
    }

    void addByName()
    {
        QFETCH(QStringList, names);
        QFETCH(QStringList, added);
        TBPreferences* prefs = prefsWithStored({}, true);
        prefs->addMultAttributesWithNames(names);
        QCOMPARE(namesOf(prefs->customAttrs()), added);
        for (const auto& attr : prefs->customAttrs()) {
            QCOMPARE(attr->friendlyName(), attr->attributeName());
            QCOMPARE(attr->attributeType(), qint64(TBAttributeTypeText));
        }
        if (added.isEmpty()) {
            QVERIFY(m_notifications.isEmpty());
            return;
        }
        QCOMPARE(m_notifications.size(), 1);
        QCOMPARE(m_notifications.first().value(QStringLiteral("PrefNotifyAction")), QVariant(qint64(1)));
        QCOMPARE(m_notifications.first().value(QStringLiteral("AttributeNames")).toStringList(), added);
    }

    void discoveredAttributes_data()
    {
        QTest::addColumn<bool>("addDiscovered");
        QTest::addColumn<bool>("displayColumns");
        QTest::addColumn<QStringList>("custom");
        QTest::addColumn<QStringList>("newColumns");

        QTest::newRow("add and show") << true << true << QStringList {QStringLiteral("title"), QStringLiteral("uid")}
                                      << QStringList {QStringLiteral("cn"), QStringLiteral("title"),
                                                      QStringLiteral("uid")};
        QTest::newRow("add only") << true << false << QStringList {QStringLiteral("title"), QStringLiteral("uid")}
                                  << QStringList {};
        QTest::newRow("show without adding does nothing") << false << true << QStringList {} << QStringList {};
    }

    void discoveredAttributes()
    {
        QFETCH(bool, addDiscovered);
        QFETCH(bool, displayColumns);
        QFETCH(QStringList, custom);
        QFETCH(QStringList, newColumns);
        const QSet<QString> discovered {QStringLiteral("uid"), QStringLiteral("cn"), QStringLiteral("title")};

        TBPreferences* prefs = prefsWithStored({}, true);
        prefs->removeFromDisplayedAttributeColumns(QStringLiteral("cn"));
        const QStringList base = prefs->displayedAttributeColumns();
        prefs->addDiscoveredAttributes(discovered, addDiscovered, displayColumns);
        QCOMPARE(namesOf(prefs->customAttrs()), custom);
        QCOMPARE(prefs->displayedAttributeColumns(), base + newColumns);

        // The short form follows the two preferences.
        prefs = prefsWithStored({}, true);
        prefs->removeFromDisplayedAttributeColumns(QStringLiteral("cn"));
        prefs->setAutoAddDiscoveredAttributes(addDiscovered);
        prefs->setAutoDisplayAttributeColumns(displayColumns);
        prefs->addDiscoveredAttributes(discovered);
        QCOMPARE(namesOf(prefs->customAttrs()), custom);
        QCOMPARE(prefs->displayedAttributeColumns(), base + newColumns);
    }

    void nameLists()
    {
        TBPreferences* prefs = prefsWithStored({}, true);
        QVERIFY(prefs->isBasicAttribute(QStringLiteral("cn")));
        QVERIFY(!prefs->isBasicAttribute(QStringLiteral("CN")));

        prefs->addMultToBasicAttributes({QStringLiteral("cn"), QStringLiteral("uid")});
        QCOMPARE(prefs->basicAttributes().count(QStringLiteral("cn")), 1);
        QVERIFY(prefs->isBasicAttribute(QStringLiteral("uid")));
        prefs->addToBasicAttributes(QStringLiteral("uid")); // already there: nothing posted
        prefs->removeMultFromBasicAttributes({QStringLiteral("uid"), QStringLiteral("nothere")});
        prefs->removeFromBasicAttributes(QStringLiteral("nothere"));

        QVERIFY(prefs->isAttributeColumnDisplayedForAttribute(QStringLiteral("mail")));
        QVERIFY(prefs->isAttributeColumnHiddenForAttribute(QStringLiteral("Mail")));
        prefs->removeFromDisplayedAttributeColumns(QStringLiteral("mail"));
        QVERIFY(prefs->isAttributeColumnHiddenForAttribute(QStringLiteral("mail")));
        prefs->addMultToDisplayedAttributeColumns({QStringLiteral("mail")});

        // Each effective change posts action 3 naming every given name.
        const QList<QStringList> expected {{QStringLiteral("cn"), QStringLiteral("uid")},
                                           {QStringLiteral("uid"), QStringLiteral("nothere")},
                                           {QStringLiteral("mail")},
                                           {QStringLiteral("mail")}};
        QCOMPARE(m_notifications.size(), expected.size());
        for (qsizetype i = 0; i < expected.size(); ++i) {
            QCOMPARE(m_notifications.at(i).value(QStringLiteral("PrefNotifyAction")), QVariant(qint64(3)));
            QCOMPARE(m_notifications.at(i).value(QStringLiteral("AttributeNames")).toStringList(), expected.at(i));
        }
    }

    void resetAttributes()
    {
        QVariantMap stored {
            {QStringLiteral("CustomAttributes"), QVariantMap {{QStringLiteral("uid"), QStringLiteral("User")}}},
            {QStringLiteral("BasicAttributes"), QVariantList {QStringLiteral("uid")}}};
        for (const QString& key : TBPreferences::tableStateKeys())
            stored.insert(key, QByteArray("layout"));
        stored.insert(QStringLiteral("MaxHits"), qint64(5));
        TBPreferences* prefs = prefsWithStored(stored, true);
        QCOMPARE(prefs->basicAttributes(), QStringList {QStringLiteral("uid")});

        prefs->resetAttributes();
        QCOMPARE(prefs->basicAttributes(),
                 (QStringList {QStringLiteral("dn"), QStringLiteral("cn"), QStringLiteral("sn"), QStringLiteral("ou"),
                               QStringLiteral("mail"), QStringLiteral("objectclass")}));
        QCOMPARE(prefs->displayedAttributeColumns().size(), 5);
        QCOMPARE(namesOf(prefs->customAttrs()), QStringList {QStringLiteral("uid")});
        for (const QString& key : TBPreferences::tableStateKeys())
            QVERIFY2(!m_store->objectForKey(key).isValid(), qPrintable(key));
        QVERIFY(m_store->objectForKey(QStringLiteral("MaxHits")).isValid());
        QCOMPARE(m_notifications.size(), 1);
        QCOMPARE(m_notifications.first().value(QStringLiteral("PrefNotifyAction")), QVariant(qint64(2)));
        QVERIFY(!m_notifications.first().contains(QStringLiteral("AttributeNames")));

        prefs->setCanNotify(false);
        prefs->resetAttributes();
        prefs->addOneAttributeWithName(QStringLiteral("newone"));
        QCOMPARE(m_notifications.size(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_TBAttributeRegistry)
#include "tst_TBAttributeRegistry.moc"
