#include "TBCommandSearch.h"
#include "TBTestModel.h"

#include "TBTestSupport.h"

#include <QtTest>

#include <memory>

namespace {

std::shared_ptr<TBCommandSearch> makeSearch(const QList<QStringList>& conditions)
{
    auto dir = TBDirectory::directory();
    dir->setLdapURI(QStringLiteral("ldap://localhost"));
    dir->setStartTLS(2);
    auto cmd = std::make_shared<TBCommandSearch>();
    cmd->setDirectory(dir);
    cmd->setSearchCriteria(TBTestSupport::criteriaFrom(conditions));
    return cmd;
}

} // namespace

class tst_TBCommandSearch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void filter_data();
    void filter();
    void incompleteCondition_data();
    void incompleteCondition();
    void searchBase();
    void attributeRequest_data();
    void attributeRequest();

private:
    // The preferences' part of the run settings.
    TBRunSettings m_preferences;
};

void tst_TBCommandSearch::initTestCase()
{
    TBTestSupport::useScratchConfig();
}

void tst_TBCommandSearch::init()
{
    m_preferences = TBRunSettings();
    m_preferences.pathLDAPSearch = QStringLiteral("/usr/bin/ldapsearch");
    m_preferences.enableDebug = false;
    m_preferences.connectTimeout = 0;
    m_preferences.timeLimit = -1;
    m_preferences.maxHits = -1;
    m_preferences.fetchWhichAttrs = 0;
    m_preferences.basicAttributes = QStringList {"dn", "cn", "sn"};
}

void tst_TBCommandSearch::filter_data()
{
    QTest::addColumn<QList<QStringList>>("conditions");
    QTest::addColumn<QString>("filter");

    QTest::newRow("is") << QList<QStringList> {{"ou", "0", "Sales"}} << "(ou=Sales)";
    QTest::newRow("is similar to") << QList<QStringList> {{"cn", "1", "Jon"}} << "(cn~=Jon)";
    QTest::newRow("contains") << QList<QStringList> {{"cn", "2", "adm"}} << "(cn=*adm*)";
    QTest::newRow("starts with") << QList<QStringList> {{"cn", "3", "adm"}} << "(cn=adm*)";
    QTest::newRow("ends with") << QList<QStringList> {{"cn", "4", "adm"}} << "(cn=*adm)";
    QTest::newRow("exists ignores the text") << QList<QStringList> {{"mail", "5", "a(b"}} << "(mail=*)";
    QTest::newRow("exists without text") << QList<QStringList> {{"mail", "5", ""}} << "(mail=*)";
    QTest::newRow("is missing") << QList<QStringList> {{"mail", "6", ""}} << "(!(mail=*))";
    QTest::newRow("unknown type compares equal") << QList<QStringList> {{"cn", "9", "a"}} << "(cn=a)";
    QTest::newRow("unselected type compares equal") << QList<QStringList> {{"cn", "-1", "a"}} << "(cn=a)";
    QTest::newRow("two joined by AND") << QList<QStringList> {{"ou", "0", "Sales"}, {"l", "0", "Room*"}}
                                       << "(&(ou=Sales)(l=Room\\2a))";
    QTest::newRow("three joined by AND") << QList<QStringList> {{"cn", "3", "a"}, {"sn", "1", "b"}, {"mail", "6", ""}}
                                         << "(&(cn=a*)(sn~=b)(!(mail=*)))";
    QTest::newRow("parentheses escaped") << QList<QStringList> {{"cn", "0", "a(b)c"}} << "(cn=a\\28b\\29c)";
    QTest::newRow("typed escape stays literal") << QList<QStringList> {{"cn", "2", "\\2a"}} << "(cn=*\\5c2a*)";
    QTest::newRow("every special character")
        << QList<QStringList> {{"cn", "0", "\\&()*/=><|~"}} << "(cn=\\5c\\26\\28\\29\\2a\\2f\\3d\\3e\\3c\\7c\\7e)";
    QTest::newRow("NUL escaped") << QList<QStringList> {{"cn", "0", QString(QChar(0)) + "x"}} << "(cn=\\00x)";
    QTest::newRow("other characters untouched") << QList<QStringList> {{"cn", "0", QStringLiteral("a, b+c\"d;é!#$%^'")}}
                                                << QStringLiteral("(cn=a, b+c\"d;é!#$%^')");
    QTest::newRow("no conditions") << QList<QStringList> {} << "";
}

void tst_TBCommandSearch::filter()
{
    QFETCH(QList<QStringList>, conditions);
    QFETCH(QString, filter);

    auto cmd = makeSearch(conditions);
    const std::optional<QString> built = cmd->buildSearchFilter();
    QVERIFY(built.has_value());
    QCOMPARE(*built, filter);

    // The filter is the last argument; without conditions the search asks for every entry.
    QVERIFY(cmd->setupCommandAndArguments(m_preferences.withOptions({})));
    const QString argument = filter.isEmpty() ? QStringLiteral("(objectclass=*)") : filter;
    QCOMPARE(cmd->arguments().last(), argument);
    QVERIFY(cmd->displayCommandString().endsWith(QLatin1Char(' ') + TBCommand::quotedString(argument) + '\n'));
}

void tst_TBCommandSearch::incompleteCondition_data()
{
    QTest::addColumn<QList<QStringList>>("conditions");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message");

    const QString noAttr = QStringLiteral("No search attribute?");
    const QString noAttrText = QStringLiteral("A specified search attribute is missing. (This is actually a bug...)");
    const QString noValue = QStringLiteral("No search values?");
    const QString noValueText
        = QStringLiteral("You haven't specified anything to search for. (This is actually a bug...)");

    QTest::newRow("no attribute") << QList<QStringList> {{"", "0", "x"}} << noAttr << noAttrText;
    QTest::newRow("no attribute, exists") << QList<QStringList> {{"", "5", ""}} << noAttr << noAttrText;
    QTest::newRow("no attribute before no text") << QList<QStringList> {{"", "0", ""}} << noAttr << noAttrText;
    QTest::newRow("no text") << QList<QStringList> {{"cn", "0", ""}} << noValue << noValueText;
    QTest::newRow("second condition without text")
        << QList<QStringList> {{"cn", "0", "a"}, {"sn", "2", ""}} << noValue << noValueText;
}

void tst_TBCommandSearch::incompleteCondition()
{
    QFETCH(QList<QStringList>, conditions);
    QFETCH(QString, title);
    QFETCH(QString, message);

    // A failed build keeps the previous command line; only the messages change.
    auto cmd = makeSearch({{"cn", "0", "a"}});
    QVERIFY(cmd->setupCommandAndArguments(m_preferences.withOptions({})));
    const QStringList args = cmd->arguments();
    const QString display = cmd->displayCommandString();

    cmd->setSearchCriteria(TBTestSupport::criteriaFrom(conditions));
    QVERIFY(!cmd->buildSearchFilter().has_value());
    QVERIFY(!cmd->setupCommandAndArguments(m_preferences.withOptions({})));
    QCOMPARE(cmd->errorTitle(), title);
    QCOMPARE(cmd->errorMessage(), message);
    QCOMPARE(cmd->arguments(), args);
    QCOMPARE(cmd->displayCommandString(), display);

    // The messages do not outlive the fault.
    cmd->setSearchCriteria(TBTestSupport::criteriaFrom({{"cn", "0", "a"}}));
    QVERIFY(cmd->setupCommandAndArguments(m_preferences.withOptions({})));
    QVERIFY(cmd->errorTitle().isEmpty());
    QVERIFY(cmd->errorMessage().isEmpty());
}

void tst_TBCommandSearch::searchBase()
{
    // A base is searched with the tool's default subtree scope; without one there is no "-b".
    auto cmd = makeSearch({{"cn", "0", "a"}});
    cmd->directory()->setSearchBase(QStringLiteral("ou=Sales & Marketing,o=org"));
    QVERIFY(cmd->setupCommandAndArguments(m_preferences.withOptions({})));
    QCOMPARE(cmd->arguments(),
             QStringList({"-LLL", "-H", "ldap://localhost", "-b", "ou=Sales & Marketing,o=org", "-x", "(cn=a)"}));
    QCOMPARE(
        cmd->displayCommandString(),
        QStringLiteral("/usr/bin/ldapsearch -LLL -H ldap://localhost -b 'ou=Sales & Marketing,o=org' -x '(cn=a)'\n"));

    cmd->directory()->setSearchBase(QString());
    QVERIFY(cmd->setupCommandAndArguments(m_preferences.withOptions({})));
    QVERIFY(!cmd->arguments().contains(QStringLiteral("-b")));
    QVERIFY(!cmd->arguments().contains(QStringLiteral("-s")));
}

void tst_TBCommandSearch::attributeRequest_data()
{
    QTest::addColumn<QVariantMap>("options");
    QTest::addColumn<QList<QStringList>>("conditions");
    QTest::addColumn<QStringList>("request");
    QTest::addColumn<QString>("display");

    const QList<QStringList> onCn {{"cn", "0", "a"}};
    QTest::newRow("0: all user attributes") << QVariantMap {{"FetchWhichAttrs", 0}} << onCn << QStringList {} << "";
    QTest::newRow("1: condition attributes, then the basic list")
        << QVariantMap {{"FetchWhichAttrs", 1}} << QList<QStringList> {{"title", "0", "a"}}
        << QStringList {"title", "dn", "cn", "sn"} << " title dn cn sn";
    QTest::newRow("1: basic condition attributes not repeated, others not de-duplicated")
        << QVariantMap {{"FetchWhichAttrs", 1}}
        << QList<QStringList> {{"title", "0", "a"}, {"cn", "0", "b"}, {"title", "2", "c"}}
        << QStringList {"title", "title", "dn", "cn", "sn"} << " title title dn cn sn";
    QTest::newRow("1: names quoted in the display")
        << QVariantMap {{"FetchWhichAttrs", 1}} << QList<QStringList> {{"odd name", "5", ""}}
        << QStringList {"odd name", "dn", "cn", "sn"} << " 'odd name' dn cn sn";
    QTest::newRow("2: operational") << QVariantMap {{"FetchWhichAttrs", 2}} << onCn << QStringList {"+"} << " '+'";
    QTest::newRow("3: user and operational")
        << QVariantMap {{"FetchWhichAttrs", 3}} << onCn << QStringList {"*", "+"} << " '*' '+'";
    QTest::newRow("4: DNs only") << QVariantMap {{"FetchWhichAttrs", 4}} << onCn << QStringList {"1.1"} << " 1.1";
    QTest::newRow("other values: all user attributes")
        << QVariantMap {{"FetchWhichAttrs", 5}} << onCn << QStringList {} << "";
    QTest::newRow("preference when the options lack the key") << QVariantMap {} << onCn << QStringList {"+"} << " '+'";
}

void tst_TBCommandSearch::attributeRequest()
{
    QFETCH(QVariantMap, options);
    QFETCH(QList<QStringList>, conditions);
    QFETCH(QStringList, request);
    QFETCH(QString, display);

    m_preferences.fetchWhichAttrs = 2;
    auto cmd = makeSearch(conditions);
    const QString filter = *cmd->buildSearchFilter();
    QVERIFY(cmd->setupCommandAndArguments(m_preferences.withOptions(options)));
    const QStringList args = cmd->arguments();
    const qsizetype filterAt = args.indexOf(filter);
    QVERIFY(filterAt > 0);
    QCOMPARE(args.mid(filterAt + 1), request);
    QVERIFY2(cmd->displayCommandString().endsWith(TBCommand::quotedString(filter) + display + '\n'),
             qPrintable(cmd->displayCommandString()));
}

QTEST_GUILESS_MAIN(tst_TBCommandSearch)
#include "tst_TBCommandSearch.moc"
