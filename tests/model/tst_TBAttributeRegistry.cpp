#include "TBAttributeRegistry.h"

#include "TBNotificationCenter.h"
#include "TBPropertyList.h"
#include "TBTestSupport.h"
#include "TBUserDefaults.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// The attribute registry: the shipped lists, the built-in fallbacks, the custom lists and the two
// name lists, with their change notifications.
class tst_TBAttributeRegistry : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<TBUserDefaults> m_store;
    std::unique_ptr<TBAttributeRegistry> m_registry;
    QObject m_owner; // the sender of the change notifications
    QObject m_observer;
    QList<QVariantMap> m_notifications; // the userInfo of each change notification

    QString storePath() const { return m_dir.filePath(QStringLiteral("Tamblin.plist")); }

    // A folder where no list exists, so that every built-in table applies.
    QString builtinOnlyFolder() const { return m_dir.filePath(QStringLiteral("no-lists")); }

    // A registry loaded from a settings file holding exactly `stored`.
    TBAttributeRegistry* registryWithStored(const QVariantMap& stored, bool builtinOnly = false)
    {
        m_registry.reset();
        m_store.reset();
        QFile::remove(storePath());
        if (!stored.isEmpty() && !TBPropertyList::writeFile(storePath(), stored))
            qFatal("Could not write the settings fixture");
        m_store = std::make_unique<TBUserDefaults>(storePath());
        if (builtinOnly)
            expectFallbackLines({QStringLiteral("DefaultAttrs.plist"), QStringLiteral("DefaultImageAttrs.plist"),
                                 QStringLiteral("DefaultBinaryAttrs.plist"), QStringLiteral("DefaultADTimeAttrs")});
        return loadedRegistry(builtinOnly ? builtinOnlyFolder() : QStringLiteral(":/defaults"));
    }

    // A registry over m_store with the shipped lists read from `folder`.
    TBAttributeRegistry* loadedRegistry(const QString& folder)
    {
        TBAttributeRegistry::setDefaultListsFolder(folder);
        m_registry = std::make_unique<TBAttributeRegistry>(m_store.get(), &m_owner);
        m_registry->loadAttributesFromDefaults(m_store.get());
        TBAttributeRegistry::setDefaultListsFolder(QStringLiteral(":/defaults"));
        m_notifications.clear();
        return m_registry.get();
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
                                                               QCOMPARE(n.sender, &m_owner);
                                                               m_notifications.append(n.userInfo);
                                                           });
    }

    void cleanupTestCase() { TBAttributeRegistry::setDefaultListsFolder(QStringLiteral(":/defaults")); }

    void shippedListsLoad()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral("missing or corrupt")));
        TBAttributeRegistry* registry = registryWithStored({});
        QVERIFY(registry->defaultAttrs().size() > 50);
        QVERIFY(registry->defaultImageAttrs().size() >= 3);
        QVERIFY(registry->defaultBinaryAttrs().size() >= 11);
        QVERIFY(registry->defaultADTimestampAttrs().size() >= 9);
        for (const auto* list : registry->allAttributeArrays().mid(0, 3)) {
            for (const auto& attr : *list) {
                QVERIFY(attr->defaultAttr());
                QVERIFY2(!attr->friendlyName().isEmpty(), qPrintable(attr->attributeName()));
            }
        }
        // Every shipped name is written in small letters, except the one the built-in table spells so.
        for (const auto* list : {&registry->defaultAttrs(), &registry->defaultImageAttrs(),
                                 &registry->defaultBinaryAttrs(), &registry->defaultADTimestampAttrs()}) {
            for (const auto& attr : *list) {
                if (attr->attributeName() != QStringLiteral("lastLogonTimestamp"))
                    QCOMPARE(attr->attributeName(), attr->attributeName().toLower());
            }
        }
        // Each timestamp also has a text definition, so it has a friendly name and can be searched.
        for (const auto& attr : registry->defaultADTimestampAttrs())
            QVERIFY2(registry->attributeExists(attr->attributeName()), qPrintable(attr->attributeName()));
        QCOMPARE(registry->basicAttributes(),
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
        TBAttributeRegistry* registry = registryWithStored({}, builtinOnly);
        QCOMPARE(registry->attributeExists(name), exists);
        QCOMPARE(registry->isImageAttribute(name), image);
        QCOMPARE(registry->isBinaryAttribute(name), binary);
        QCOMPARE(registry->isImageOrBinaryAttribute(name), image || binary);
        QCOMPARE(registry->isADTimeAttribute(name), adTime);
        QCOMPARE(registry->friendlyNameForAttribute(name), friendly.isNull() ? QStringLiteral("") : friendly);
        QCOMPARE(registry->friendlyNameForAttribute(name, QStringLiteral("?")),
                 friendly.isNull() ? QStringLiteral("?") : friendly);
        if (exists)
            QCOMPARE(registry->attributeWithID(registry->attributeWithName(name)->attributeID()),
                     registry->attributeWithName(name));
    }

    // Attribute options: a name without a kind of its own takes its base name's, in the registry and
    // in the copy a parse reads; friendly names keep to the full name.
    void kindsByBaseName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("image");
        QTest::addColumn<bool>("binary");
        QTest::addColumn<bool>("adTime");

        QTest::newRow("jpegPhoto;binary, discovered as text")
            << QStringLiteral("jpegPhoto;binary") << true << false << false;
        QTest::newRow("thumbnailPhoto;binary") << QStringLiteral("thumbnailPhoto;binary") << true << false << false;
        QTest::newRow("userCertificate;binary") << QStringLiteral("userCertificate;binary") << false << true << false;
        QTest::newRow("OBJECTGUID;BINARY") << QStringLiteral("OBJECTGUID;BINARY") << false << true << false;
        QTest::newRow("accountExpires;x-y") << QStringLiteral("accountExpires;x-y") << false << false << true;
        QTest::newRow("own binary definition wins over an image base")
            << QStringLiteral("thumbnailPhoto;x-raw") << false << true << false;
        QTest::newRow("own image definition wins over a binary base")
            << QStringLiteral("objectGUID;x-picture") << true << false << false;
        QTest::newRow("text base") << QStringLiteral("cn;lang-de") << false << false << false;
        QTest::newRow("ranged text") << QStringLiteral("member;range=0-1499") << false << false << false;
        QTest::newRow("no base name") << QStringLiteral(";binary") << false << false << false;
        QTest::newRow("plain jpegPhoto") << QStringLiteral("jpegPhoto") << true << false << false;
    }

    void kindsByBaseName()
    {
        QFETCH(QString, name);
        QFETCH(bool, image);
        QFETCH(bool, binary);
        QFETCH(bool, adTime);
        TBAttributeRegistry* registry = registryWithStored(
            {{QStringLiteral("CustomAttributes"),
              QVariantMap {{QStringLiteral("jpegphoto;binary"), QStringLiteral("jpegphoto;binary")}}},
             {QStringLiteral("CustomImageAttributes"),
              QVariantMap {{QStringLiteral("objectguid;x-picture"), QStringLiteral("")}}},
             {QStringLiteral("CustomBinaryAttributes"),
              QVariantMap {{QStringLiteral("thumbnailphoto;x-raw"), QStringLiteral("Raw")}}}});
        QCOMPARE(registry->isImageAttribute(name), image);
        QCOMPARE(registry->isBinaryAttribute(name), binary);
        QCOMPARE(registry->isADTimeAttribute(name), adTime);
        const TBAttributeKinds kinds = registry->kinds();
        QCOMPARE(kinds.isImage(name.toLower()), image);
        QCOMPARE(kinds.isBinary(name.toLower()), binary);
        if (!registry->attributeExists(name))
            QCOMPARE(registry->friendlyNameForAttribute(name), QStringLiteral(""));
    }

    void builtinNameLists()
    {
        TBAttributeRegistry* registry = registryWithStored({}, true);
        const QStringList expected {QStringLiteral("dn"), QStringLiteral("cn"), QStringLiteral("sn"),
                                    QStringLiteral("ou"), QStringLiteral("mail")};
        // "objectclass" is dropped from the basic list: no built-in table defines it.
        QCOMPARE(registry->basicAttributes(), expected);
        QCOMPARE(registry->displayedAttributeColumns(), expected);
        QCOMPARE(namesOf(registry->defaultADTimestampAttrs()),
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

        m_registry.reset();
        m_store = std::make_unique<TBUserDefaults>(storePath());
        expectFallbackLines({QStringLiteral("DefaultImageAttrs.plist"), QStringLiteral("DefaultBinaryAttrs.plist"),
                             QStringLiteral("DefaultADTimeAttrs")});
        TBAttributeRegistry* registry = loadedRegistry(folder);

        QCOMPARE(namesOf(registry->defaultAttrs()), QStringList {QStringLiteral("uid")});
        QCOMPARE(namesOf(registry->defaultImageAttrs()),
                 (QStringList {QStringLiteral("jpegphoto"), QStringLiteral("photo")}));
        QCOMPARE(namesOf(registry->defaultBinaryAttrs()),
                 (QStringList {QStringLiteral("objectguid"), QStringLiteral("objectsid")}));
        QCOMPARE(registry->defaultADTimestampAttrs().size(), 6);
        // Only the names some list defines survive in the name lists.
        QCOMPARE(registry->basicAttributes(), QStringList {});
    }

    void customDefinitions()
    {
        TBAttributeRegistry* registry = registryWithStored(
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
        QCOMPARE(namesOf(registry->customAttrs()),
                 (QStringList {QStringLiteral("alpha"), QStringLiteral("Beta"), QStringLiteral("zeta")}));
        QCOMPARE(registry->friendlyNameForAttribute(QStringLiteral("ZETA")), QStringLiteral("zeta"));
        QVERIFY(!registry->customAttrs().first()->defaultAttr());
        QVERIFY(registry->isImageAttribute(QStringLiteral("badgephoto")));
        QVERIFY(registry->customBinaryAttrs().isEmpty());
        QCOMPARE(registry->basicAttributes(), (QStringList {QStringLiteral("cn"), QStringLiteral("Beta")}));
        QCOMPARE(registry->displayedAttributeColumns().size(), 5); // empty stored list: the fallback

        registry->saveAttributesToDefaults(m_store.get());
        m_store->synchronize();
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
        TBAttributeRegistry* registry = registryWithStored({}, true);
        auto custom = TBAttribute::attribute();
        custom->setAttributeName(QStringLiteral("CN"));
        custom->setFriendlyName(QStringLiteral("Common Name"));
        registry->addAttribute(custom);
        QCOMPARE(registry->friendlyNameForAttribute(QStringLiteral("cn")), QStringLiteral("Common Name"));
        QCOMPARE(registry->attributeWithName(QStringLiteral("cn")), custom);
        QVERIFY(m_notifications.isEmpty()); // the preferences window posts its own

        registry->removeAttribute(custom);
        QCOMPARE(registry->friendlyNameForAttribute(QStringLiteral("cn")), QStringLiteral("Full Name"));
        QCOMPARE(m_notifications.size(), 1);
        QCOMPARE(m_notifications.first().value(QStringLiteral("PrefNotifyAction")), QVariant(qint64(2)));
        QCOMPARE(m_notifications.first().value(QStringLiteral("AttributeNames")).toStringList(),
                 QStringList {QStringLiteral("CN")});

        // Default definitions are never removed.
        m_notifications.clear();
        const TBAttributePtr builtin = registry->attributeWithName(QStringLiteral("cn"));
        registry->removeAttributeID(builtin->attributeID());
        registry->removeAttributeID(-42);
        QCOMPARE(registry->attributeWithName(QStringLiteral("cn")), builtin);
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
        TBAttributeRegistry* registry = registryWithStored({}, true);
        auto attr = TBAttribute::attribute();
        attr->setAttributeName(QStringLiteral("extra"));
        attr->setAttributeType(kind);
        if (list < 0)
            QTest::ignoreMessage(QtWarningMsg,
                                 qPrintable(QStringLiteral("Tried to add unknown attribute type %1").arg(kind)));
        registry->addAttribute(attr);
        const QList<const TBAttributeList*> lists = registry->allAttributeArrays();
        for (int i = 0; i < lists.size(); ++i)
            QCOMPARE(lists.at(i)->contains(attr), i == list);
        QCOMPARE(registry->attributeExists(QStringLiteral("EXTRA")), list >= 0);
    }

    void changeAttribute_data()
    {
        QTest::addColumn<QString>("target"); // the definition whose identifier is given
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("kind");
        QTest::addColumn<bool>("changed");
        QTest::addColumn<QStringList>("text"); // the custom text names afterwards
        QTest::addColumn<QStringList>("basic");

        const QStringList before {QStringLiteral("alpha"), QStringLiteral("beta")};
        const QStringList basic {QStringLiteral("cn"), QStringLiteral("alpha"), QStringLiteral("beta")};
        QTest::newRow("renamed, same place in the lists")
            << "alpha"
            << "omega" << qint64(0) << true << QStringList {QStringLiteral("beta"), QStringLiteral("omega")}
            << QStringList {QStringLiteral("cn"), QStringLiteral("omega"), QStringLiteral("beta")};
        QTest::newRow("friendly name only, order kept") << "alpha"
                                                        << "alpha" << qint64(0) << true << before << basic;
        QTest::newRow("only the case of the name")
            << "beta"
            << "BETA" << qint64(0) << true << QStringList {QStringLiteral("alpha"), QStringLiteral("BETA")}
            << QStringList {QStringLiteral("cn"), QStringLiteral("alpha"), QStringLiteral("BETA")};
        QTest::newRow("made an image") << "alpha"
                                       << "alpha" << qint64(1) << true << QStringList {QStringLiteral("beta")} << basic;
        QTest::newRow("a default definition") << "cn"
                                              << "other" << qint64(0) << false << before << basic;
        QTest::newRow("no such identifier") << ""
                                            << "other" << qint64(0) << false << before << basic;
        QTest::newRow("timestamp kind refused, nothing lost") << "alpha"
                                                              << "other" << qint64(3) << false << before << basic;
    }

    // Editing a custom definition in the preferences window.
    void changeAttribute()
    {
        QFETCH(QString, target);
        QFETCH(QString, name);
        QFETCH(qint64, kind);
        QFETCH(bool, changed);
        QFETCH(QStringList, text);
        QFETCH(QStringList, basic);
        TBAttributeRegistry* registry = registryWithStored(
            {{QStringLiteral("CustomAttributes"),
              QVariantMap {{QStringLiteral("alpha"), QStringLiteral("A")},
                           {QStringLiteral("beta"), QStringLiteral("B")}}},
             {QStringLiteral("BasicAttributes"),
              QVariantList {QStringLiteral("cn"), QStringLiteral("alpha"), QStringLiteral("beta")}},
             {QStringLiteral("DisplayedAttributeColumns"), QVariantList {QStringLiteral("alpha")}}},
            true);
        const TBAttributePtr held = registry->attributeWithName(target);
        const qint64 id = held ? held->attributeID() : -42;
        QCOMPARE(registry->changeAttribute(id, name, QStringLiteral("Changed"), kind), changed);

        QCOMPARE(namesOf(registry->customAttrs()), text);
        QCOMPARE(registry->basicAttributes(), basic);
        QVERIFY(m_notifications.isEmpty());
        if (!changed) {
            if (held)
                QCOMPARE(registry->attributeWithID(id), held);
            return;
        }
        // The same object, found under its new name and kind.
        QCOMPARE(registry->attributeWithID(id), held);
        QCOMPARE(registry->attributeWithName(name), held);
        QCOMPARE(held->friendlyName(), QStringLiteral("Changed"));
        QCOMPARE(registry->isImageAttribute(name), kind == 1);
        QCOMPARE(registry->displayedAttributeColumns().contains(name), target == QStringLiteral("alpha"));
        if (name.compare(target, Qt::CaseInsensitive) != 0)
            QVERIFY(!registry->attributeExists(target));
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
        TBAttributeRegistry* registry = registryWithStored({}, true);
        registry->addMultAttributesWithNames(names);
        QCOMPARE(namesOf(registry->customAttrs()), added);
        for (const auto& attr : registry->customAttrs()) {
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

        TBAttributeRegistry* registry = registryWithStored({}, true);
        registry->removeFromDisplayedAttributeColumns(QStringLiteral("cn"));
        const QStringList base = registry->displayedAttributeColumns();
        registry->addDiscoveredAttributes(discovered, addDiscovered, displayColumns);
        QCOMPARE(namesOf(registry->customAttrs()), custom);
        QCOMPARE(registry->displayedAttributeColumns(), base + newColumns);
    }

    void nameLists()
    {
        TBAttributeRegistry* registry = registryWithStored({}, true);
        QVERIFY(registry->isBasicAttribute(QStringLiteral("cn")));
        QVERIFY(!registry->isBasicAttribute(QStringLiteral("CN")));

        registry->addMultToBasicAttributes({QStringLiteral("cn"), QStringLiteral("uid")});
        QCOMPARE(registry->basicAttributes().count(QStringLiteral("cn")), 1);
        QVERIFY(registry->isBasicAttribute(QStringLiteral("uid")));
        registry->addToBasicAttributes(QStringLiteral("uid")); // already there: nothing posted
        registry->removeMultFromBasicAttributes({QStringLiteral("uid"), QStringLiteral("nothere")});
        registry->removeFromBasicAttributes(QStringLiteral("nothere"));

        QVERIFY(registry->isAttributeColumnDisplayedForAttribute(QStringLiteral("mail")));
        QVERIFY(registry->isAttributeColumnHiddenForAttribute(QStringLiteral("Mail")));
        registry->removeFromDisplayedAttributeColumns(QStringLiteral("mail"));
        QVERIFY(registry->isAttributeColumnHiddenForAttribute(QStringLiteral("mail")));
        registry->addMultToDisplayedAttributeColumns({QStringLiteral("mail")});

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
        for (const QString& key : TBAttributeRegistry::tableStateKeys())
            stored.insert(key, QByteArray("layout"));
        stored.insert(QStringLiteral("MaxHits"), qint64(5));
        TBAttributeRegistry* registry = registryWithStored(stored, true);
        QCOMPARE(registry->basicAttributes(), QStringList {QStringLiteral("uid")});

        registry->resetAttributes();
        QCOMPARE(registry->basicAttributes(),
                 (QStringList {QStringLiteral("dn"), QStringLiteral("cn"), QStringLiteral("sn"), QStringLiteral("ou"),
                               QStringLiteral("mail"), QStringLiteral("objectclass")}));
        QCOMPARE(registry->displayedAttributeColumns().size(), 5);
        QCOMPARE(namesOf(registry->customAttrs()), QStringList {QStringLiteral("uid")});
        for (const QString& key : TBAttributeRegistry::tableStateKeys())
            QVERIFY2(!m_store->objectForKey(key).isValid(), qPrintable(key));
        QVERIFY(m_store->objectForKey(QStringLiteral("MaxHits")).isValid());
        QCOMPARE(m_notifications.size(), 1);
        QCOMPARE(m_notifications.first().value(QStringLiteral("PrefNotifyAction")), QVariant(qint64(2)));
        QVERIFY(!m_notifications.first().contains(QStringLiteral("AttributeNames")));

        registry->setCanNotify(false);
        registry->resetAttributes();
        registry->addOneAttributeWithName(QStringLiteral("newone"));
        QCOMPARE(m_notifications.size(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_TBAttributeRegistry)
#include "tst_TBAttributeRegistry.moc"
