#include "TBEditDirectorySheet.h"

#include "TBDirectory.h"
#include "TBTestSupport.h"

#include <QComboBox>
#include <QLineEdit>
#include <QStackedWidget>
#include <QTabWidget>
#include <QtTest>

#include <memory>

class tst_TBEditDirectorySheet : public QObject
{
    Q_OBJECT

    static TBDirectoryPtr fullDirectory()
    {
        return TBDirectory::directoryWithDictionary({
            {QStringLiteral("DirectoryName"), QStringLiteral("Corp")},
            {QStringLiteral("LDAPURI"), QStringLiteral("ldaps://ldap.corp.example:636 ldap://[::1]")},
            {QStringLiteral("SearchBase"), QStringLiteral("dc=corp,dc=example")},
            {QStringLiteral("StartTLS"), qint64(1)},
            {QStringLiteral("LDAPVersion"), qint64(1)},
            {QStringLiteral("Authentication"), qint64(3)},
            {QStringLiteral("SimpleID"), QStringLiteral("cn=admin,dc=corp")},
            {QStringLiteral("SASLMechanism"), qint64(2)},
            {QStringLiteral("SASLAuthCID"), QStringLiteral("alice")},
            {QStringLiteral("SASLRealm"), QStringLiteral("CORP EXAMPLE")}, // not what the field lets one type
            {QStringLiteral("SASLAuthZID"), QStringLiteral("u:bob")},
            {QStringLiteral("SASLProperties"), QStringLiteral("minssf=56")},
        });
    }

private Q_SLOTS:
    void initTestCase() { TBTestSupport::useScratchConfig(); }

    // Loading and storing gives back every field, including a stored text the field would refuse.
    void roundTripsEveryField()
    {
        TBEditDirectorySheet sheet;
        const TBDirectoryPtr original = fullDirectory();
        sheet.updateEditDirectoryUI(*original);
        QCOMPARE(sheet.editDirectoryTabView()->currentWidget()->objectName(), QStringLiteral("Server"));

        TBDirectory stored;
        sheet.storeInto(stored);
        QVariantMap expected = original->dictionaryRepresentation();
        QVariantMap actual = stored.dictionaryRepresentation();
        expected.remove(QStringLiteral("DirectoryID"));
        actual.remove(QStringLiteral("DirectoryID"));
        QCOMPARE(actual, expected);

        // Pop-ups store the index of the chosen item.
        sheet.editDirectoryStartTLSPopUp()->setCurrentIndex(2);
        sheet.editDirectoryLDAPVersionPopUp()->setCurrentIndex(0);
        sheet.editDirectoryAuthenticationPopUp()->setCurrentIndex(1);
        sheet.editDirectorySASLMechanismPopUp()->setCurrentIndex(3);
        sheet.editDirectorySimpleIDTextField()->setText(QStringLiteral("cn=x"));
        sheet.storeInto(stored);
        QCOMPARE(stored.startTLS(), 2u);
        QCOMPARE(stored.ldapVersion(), 0u);
        QCOMPARE(stored.authentication(), 1u);
        QCOMPARE(stored.saslMechanism(), 3u);
        QCOMPARE(stored.simpleID(), QStringLiteral("cn=x"));
    }

    void authenticationTabFollowsMethod_data()
    {
        QTest::addColumn<qint64>("method");
        QTest::addColumn<QString>("tab");
        QTest::newRow("anonymous") << qint64(0) << QStringLiteral("Anonymous");
        QTest::newRow("simple") << qint64(1) << QStringLiteral("Simple");
        QTest::newRow("simple with password") << qint64(2) << QStringLiteral("Simple");
        QTest::newRow("SASL") << qint64(3) << QStringLiteral("SASL");
        QTest::newRow("unknown") << qint64(7) << QStringLiteral("Anonymous");
    }
    void authenticationTabFollowsMethod()
    {
        QFETCH(qint64, method);
        QFETCH(QString, tab);
        TBEditDirectorySheet sheet;
        TBDirectoryPtr directory = TBDirectory::directory();
        directory->setAuthentication(quint64(method));
        sheet.updateEditDirectoryUI(*directory);
        QCOMPARE(sheet.currentAuthenticationTab(), tab);
        QVERIFY(sheet.editDirectoryAuthenticationTabView()->currentWidget()->isAncestorOf(
                    sheet.editDirectorySimpleIDTextField())
                == (tab == QStringLiteral("Simple")));

        // Choosing in the pop-up switches the form at once.
        sheet.editDirectoryAuthenticationPopUp()->setCurrentIndex(3);
        QCOMPARE(sheet.currentAuthenticationTab(), QStringLiteral("SASL"));
        QVERIFY(sheet.editDirectoryAuthenticationTabView()->currentWidget()->isAncestorOf(
            sheet.editDirectorySASLRealmTextField()));
        sheet.editDirectoryAuthenticationPopUp()->setCurrentIndex(0);
        QCOMPARE(sheet.currentAuthenticationTab(), QStringLiteral("Anonymous"));
    }

    // Values without an item (from an edited settings file) are kept unless the user picks one.
    void valuesWithoutItemSurvive()
    {
        TBEditDirectorySheet sheet;
        TBDirectoryPtr directory = TBDirectory::directory();
        directory->setStartTLS(7);
        directory->setAuthentication(9);
        sheet.updateEditDirectoryUI(*directory);
        TBDirectory stored;
        sheet.storeInto(stored);
        QCOMPARE(stored.startTLS(), 7u);
        QCOMPARE(stored.authentication(), 9u);

        sheet.editDirectoryStartTLSPopUp()->setCurrentIndex(1);
        sheet.storeInto(stored);
        QCOMPARE(stored.startTLS(), 1u);
    }
};

QTEST_MAIN(tst_TBEditDirectorySheet)
#include "tst_TBEditDirectorySheet.moc"
