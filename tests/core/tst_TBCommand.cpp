#include "TBCommand.h"

#include "TBTestSupport.h"

#include <QtTest>

class tst_TBCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { TBTestSupport::useScratchConfig(); }

    void quotedString_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        QTest::newRow("null") << QString() << QString();
        QTest::newRow("empty") << QStringLiteral("") << QString();
        QTest::newRow("plain DN") << QStringLiteral("cn=admin,o=org") << QStringLiteral("cn=admin,o=org");
        QTest::newRow("DN with dots and digits")
            << QStringLiteral("uid=j.doe42,dc=example,dc=com") << QStringLiteral("uid=j.doe42,dc=example,dc=com");
        QTest::newRow("blank and ampersand")
            << QStringLiteral("ou=Sales & Marketing") << QStringLiteral("'ou=Sales & Marketing'");
        QTest::newRow("single quote inside") << QStringLiteral("it's here") << QStringLiteral("'it'\\''s here'");
        QTest::newRow("only a single quote") << QStringLiteral("'") << QStringLiteral("''\\'''");
        QTest::newRow("two single quotes") << QStringLiteral("a''b") << QStringLiteral("'a'\\'''\\''b'");
        QTest::newRow("slash in an ou") << QStringLiteral("ou=R/D,o=org") << QStringLiteral("'ou=R/D,o=org'");
        QTest::newRow("filter") << QStringLiteral("(cn=*adm*)") << QStringLiteral("'(cn=*adm*)'");
        QTest::newRow("non-ASCII letters")
            << QStringLiteral("cn=Jürgen Müller") << QStringLiteral("'cn=Jürgen Müller'");
        QTest::newRow("non-ASCII without specials") << QStringLiteral("cn=Jürgen") << QStringLiteral("cn=Jürgen");

        // Each of the characters that makes a shell read a word differently forces quotes alone.
        const QString specials = QStringLiteral(" \t~`#$&*()\\|[]{};\"<>/?");
        for (const QChar c : specials) {
            const QString text = QStringLiteral("a") + c + QStringLiteral("b");
            QTest::addRow("special U+%04x", c.unicode()) << text << (QLatin1Char('\'') + text + QLatin1Char('\''));
        }
        // Characters a DN or a filter value commonly holds that are not in the set stay bare.
        for (const QChar c : QStringLiteral("=,.-_+:@")) {
            const QString text = QStringLiteral("a") + c + QStringLiteral("b");
            QTest::addRow("plain U+%04x", c.unicode()) << text << text;
        }
    }

    void quotedString()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const QString quoted = TBCommand::quotedString(text);
        QCOMPARE(quoted, expected);
        QVERIFY(!quoted.isNull());
    }

    void baseCommandRefusesToBuild()
    {
        TBCommand command;
        QCOMPARE(command.commandType(), qint64(TBCommandTypeNone));
        QVERIFY(!command.shouldParse());
        QVERIFY(!command.directory());
        QVERIFY(!command.searchCriteria());
        QCOMPARE(command.simpleID(), QStringLiteral(""));
        QCOMPARE(command.errorMessage(), QStringLiteral(""));

        QVERIFY(!command.setupCommandAndArguments(TBRunSettings().withOptions({{QStringLiteral("MaxHits"), 5}})));
        QCOMPARE(command.errorTitle(), QStringLiteral("Implementation Error"));
        QCOMPARE(command.errorMessage(), QStringLiteral("TBCommand subclass didn't override setupCommandAndArguments"));
        QCOMPARE(command.commandString(), QStringLiteral("/usr/bin/false"));
        QVERIFY(command.arguments().isEmpty());
        QCOMPARE(command.displayCommandString(), QStringLiteral("Error - invalid TBCommand"));
    }
};

QTEST_GUILESS_MAIN(tst_TBCommand)
#include "tst_TBCommand.moc"
