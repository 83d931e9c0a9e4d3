#include "TBCommandLine.h"
#include "TBTestModel.h"

#include "TBCommandBrowse.h"
#include "TBCommandSearch.h"
#include "TBCommandSearchOne.h"
#include "TBCommandWhoami.h"
#include "TBTestSupport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <memory>

// The four tool commands share their option assembly; these tests drive it through the real
// command classes.
namespace {

enum Kind { Search, SearchOne, Browse, Whoami };
const QList<Kind> kAllKinds {Search, SearchOne, Browse, Whoami};
const char* kindName(Kind kind)
{
    static const char* names[] = {"search", "searchone", "browse", "whoami"};
    return names[kind];
}

// Directory fields by their dictionary keys.
TBDirectoryPtr makeDirectory(const QVariantMap& fields)
{
    auto dir = TBDirectory::directory();
    dir->setLdapURI(fields.value(QStringLiteral("LDAPURI"), QStringLiteral("ldap://localhost")).toString());
    dir->setSearchBase(fields.value(QStringLiteral("SearchBase")).toString());
    dir->setStartTLS(fields.value(QStringLiteral("StartTLS"), 2).toULongLong());
    dir->setLdapVersion(fields.value(QStringLiteral("LDAPVersion"), 0).toULongLong());
    dir->setAuthentication(fields.value(QStringLiteral("Authentication"), 0).toULongLong());
    dir->setSimpleID(fields.value(QStringLiteral("SimpleID")).toString());
    dir->setSaslMechanism(fields.value(QStringLiteral("SASLMechanism"), 0).toULongLong());
    dir->setSaslAuthCID(fields.value(QStringLiteral("SASLAuthCID")).toString());
    dir->setSaslRealm(fields.value(QStringLiteral("SASLRealm")).toString());
    dir->setSaslAuthZID(fields.value(QStringLiteral("SASLAuthZID")).toString());
    dir->setSaslProperties(fields.value(QStringLiteral("SASLProperties")).toString());
    return dir;
}

TBCommandPtr makeCommand(Kind kind, const TBDirectoryPtr& dir, const QString& dn = QStringLiteral("ou=people,o=org"),
                         const TBSearchCriteriaPtr& criteria = TBTestSupport::criteriaFrom({{"cn", "0", "x"}}))
{
    TBCommandPtr cmd;
    switch (kind) {
    case Search:
        cmd = std::make_shared<TBCommandSearch>();
        cmd->setSearchCriteria(criteria);
        break;
    case SearchOne:
        cmd = std::make_shared<TBCommandSearchOne>();
        cmd->setDn(dn);
        break;
    case Browse:
        cmd = std::make_shared<TBCommandBrowse>();
        cmd->setDn(dn);
        break;
    case Whoami:
        cmd = std::make_shared<TBCommandWhoami>();
        break;
    }
    cmd->setDirectory(dir);
    return cmd;
}

// The preferences' part of the run settings, which the tests change.
TBRunSettings& preferences()
{
    static TBRunSettings settings;
    return settings;
}

// The tool settings the tests change, by their user-defaults keys.
void applySettings(const QVariantMap& settings)
{
    TBRunSettings& prefs = preferences();
    prefs = TBRunSettings();
    prefs.pathLDAPSearch = settings.value(QStringLiteral("PathLDAPSearch"), "/usr/bin/ldapsearch").toString();
    prefs.pathLDAPWhoami = settings.value(QStringLiteral("PathLDAPWhoami"), "/usr/bin/ldapwhoami").toString();
    prefs.enableDebug = settings.value(QStringLiteral("EnableDebug"), false).toBool();
    prefs.debugLevel = settings.value(QStringLiteral("DebugLevel"), 0).toLongLong();
    prefs.connectTimeout = settings.value(QStringLiteral("ConnectTimeout"), 10).toLongLong();
    prefs.timeLimit = settings.value(QStringLiteral("TimeLimit"), 30).toLongLong();
    prefs.maxHits = settings.value(QStringLiteral("MaxHits"), 100).toLongLong();
    prefs.fetchWhichAttrs = settings.value(QStringLiteral("FetchWhichAttrs"), 0).toLongLong();
}

// The settings of one run: the preferences with a window's options applied.
TBRunSettings runWith(const QVariantMap& options)
{
    return preferences().withOptions(options);
}

// The run settings: everything before the first of the transport, format and server options.
QStringList leadingOptions(const QStringList& args)
{
    static const QStringList stops {"-Z", "-ZZ", "-P", "-LLL", "-H"};
    QStringList lead;
    for (const QString& a : args) {
        if (stops.contains(a))
            break;
        lead << a;
    }
    return lead;
}

// The bind options: after the server, the search base or the scope, up to the filter.
QStringList bindOptions(const QStringList& args)
{
    qsizetype from = args.indexOf(QStringLiteral("-H")) + 2;
    const qsizetype scope = args.indexOf(QStringLiteral("-s"));
    if (scope >= 0)
        from = scope + 2;
    else if (args.indexOf(QStringLiteral("-b")) >= 0)
        from = args.indexOf(QStringLiteral("-b")) + 2;
    QStringList bind;
    for (qsizetype i = from; i < args.size() && !args.at(i).startsWith(QLatin1Char('(')); ++i)
        bind << args.at(i);
    return bind;
}

} // namespace

class tst_TBCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void workedExamples_data();
    void workedExamples();
    void runSettings_data();
    void runSettings();
    void whoamiOmitsSearchOptions();
    void pagedResults_data();
    void pagedResults();
    void transport_data();
    void transport();
    void bind_data();
    void bind();
    void passwordNeverShown();
    void preconditions_data();
    void preconditions();
    void displayValue_data();
    void displayValue();
    void shellRoundTrip_data();
    void shellRoundTrip();

private:
    QTemporaryDir m_dir;
    QString m_printArgv;
};

void tst_TBCommandLine::initTestCase()
{
    TBTestSupport::useScratchConfig();
    QVERIFY(m_dir.isValid());

    // Stands in for the tools in the shell round trip: prints its arguments NUL-separated. Its
    // folder name needs quoting, so the tool path's own display is tested too.
    const QString binDir = m_dir.filePath(QStringLiteral("tool dir's bin"));
    QVERIFY(QDir().mkpath(binDir));
    const QString source = m_dir.filePath(QStringLiteral("printargv.c"));
    QFile file(source);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#include <stdio.h>\n"
               "int main(int argc, char** argv) {\n"
               "    for (int i = 1; i < argc; i++) { fputs(argv[i], stdout); putchar(0); }\n"
               "    return 0;\n"
               "}\n");
    file.close();
    m_printArgv = binDir + QStringLiteral("/printargv");
    QCOMPARE(QProcess::execute(QStringLiteral("cc"), {QStringLiteral("-o"), m_printArgv, source}), 0);
}

void tst_TBCommandLine::init()
{
    applySettings({});
}

void tst_TBCommandLine::workedExamples_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QVariantMap>("directory");
    QTest::addColumn<QVariantMap>("settings");
    QTest::addColumn<QString>("dn");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("display");

    const QString admin = QStringLiteral("cn=admin,o=org");

    QTest::newRow("search, simple bind with password")
        << int(Search)
        << QVariantMap {{"SearchBase", "ou=people,o=org"}, {"StartTLS", 0}, {"Authentication", 2}, {"SimpleID", admin}}
        << QVariantMap {{"ConnectTimeout", 10}, {"TimeLimit", 30}, {"MaxHits", 100}} << QString()
        << QStringList {"-o", "nettimeout=10",   "-l", "30", "-z", "100", "-Z",        "-LLL", "-H", "ldap://localhost",
                        "-b", "ou=people,o=org", "-x", "-W", "-D", admin, "(cn=*adm*)"}
        << QStringLiteral("/usr/bin/ldapsearch -o nettimeout=10 -l 30 -z 100 -Z -LLL -H ldap://localhost -b "
                          "ou=people,o=org -x -W -D cn=admin,o=org '(cn=*adm*)'\n");

    // The listing's filter is quoted like every other value, so the line runs when pasted.
    QTest::newRow("browse, anonymous, version 2")
        << int(Browse) << QVariantMap {{"StartTLS", 2}, {"LDAPVersion", 1}, {"Authentication", 0}}
        << QVariantMap {{"ConnectTimeout", 0}, {"TimeLimit", 0}, {"MaxHits", -1}} << QStringLiteral("ou=people,o=org")
        << QStringList {"-l",
                        "0",
                        "-P",
                        "2",
                        "-LLL",
                        "-H",
                        "ldap://localhost",
                        "-b",
                        "ou=people,o=org",
                        "-s",
                        "one",
                        "-x",
                        "(objectclass=*)",
                        "1.1"}
        << QStringLiteral("/usr/bin/ldapsearch -l 0 -P 2 -LLL -H ldap://localhost -b ou=people,o=org -s one -x "
                          "'(objectclass=*)' 1.1\n");

    QTest::newRow("read one entry, SASL")
        << int(SearchOne)
        << QVariantMap {{"StartTLS", 1}, {"Authentication", 3}, {"SASLMechanism", 2}, {"SASLAuthCID", "tester"}}
        << QVariantMap {{"ConnectTimeout", 0}, {"TimeLimit", -1}, {"FetchWhichAttrs", 3}}
        << QStringLiteral("cn=Test User,ou=people,o=org") << QStringList {"-ZZ",        "-LLL",
                                                                          "-H",         "ldap://localhost",
                                                                          "-b",         "cn=Test User,ou=people,o=org",
                                                                          "-s",         "base",
                                                                          "-Q",         "-Y",
                                                                          "DIGEST-MD5", "-U",
                                                                          "tester",     "(objectclass=*)",
                                                                          "*",          "+"}
        << QStringLiteral("/usr/bin/ldapsearch -ZZ -LLL -H ldap://localhost -b 'cn=Test User,ou=people,o=org' -s "
                          "base -Q -Y DIGEST-MD5 -U tester '(objectclass=*)' '*' '+'\n");

    QTest::newRow("who am I, debug")
        << int(Whoami) << QVariantMap {{"StartTLS", 0}, {"Authentication", 1}, {"SimpleID", admin}}
        << QVariantMap {{"ConnectTimeout", 5}, {"EnableDebug", true}, {"DebugLevel", 1}} << QString()
        << QStringList {"-o", "nettimeout=5", "-d", "1", "-Z", "-H", "ldap://localhost", "-x", "-D", admin}
        << QStringLiteral("/usr/bin/ldapwhoami -o nettimeout=5 -d 1 -Z -H ldap://localhost -x -D cn=admin,o=org\n");
}

void tst_TBCommandLine::workedExamples()
{
    QFETCH(int, kind);
    QFETCH(QVariantMap, directory);
    QFETCH(QVariantMap, settings);
    QFETCH(QString, dn);
    QFETCH(QStringList, arguments);
    QFETCH(QString, display);

    applySettings(settings);
    auto cmd = makeCommand(Kind(kind), makeDirectory(directory), dn, TBTestSupport::criteriaFrom({{"cn", "2", "adm"}}));
    QVERIFY2(cmd->setupCommandAndArguments(runWith({})), qPrintable(cmd->errorMessage()));
    QCOMPARE(cmd->commandString(), QString(kind == Whoami ? "/usr/bin/ldapwhoami" : "/usr/bin/ldapsearch"));
    QCOMPARE(cmd->arguments(), arguments);
    QCOMPARE(cmd->displayCommandString(), display);
}

void tst_TBCommandLine::runSettings_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QVariantMap>("settings");
    QTest::addColumn<QVariantMap>("options");
    QTest::addColumn<QStringList>("leading");

    // Expected options as debug, timeout, time limit, size limit; each command takes its own in its own order.
    struct Row
    {
        const char* name;
        QVariantMap settings;
        QVariantMap options;
        QStringList debug, timeout, time, size;
    };
    const QVariantMap debugOn {{"EnableDebug", true}, {"DebugLevel", 2}};
    const QStringList prefTimeout {"-o", "nettimeout=10"}, prefTime {"-l", "30"}, prefSize {"-z", "100"};
    const QList<Row> rows {
        {"preferences", {}, {}, {}, prefTimeout, prefTime, prefSize},
        {"options win",
         {},
         {{"EnableDebug", true}, {"DebugLevel", 7}, {"ConnectTimeout", 5}, {"TimeLimit", 0}, {"MaxHits", 0}},
         {"-d", "7"},
         {"-o", "nettimeout=5"},
         {"-l", "0"},
         {"-z", "0"}},
        {"absent keys keep preferences", debugOn, {{"MaxHits", 5}}, {"-d", "2"}, prefTimeout, prefTime, {"-z", "5"}},
        {"values of the wrong kind are ignored",
         debugOn,
         {{"EnableDebug", "NO"},
          {"DebugLevel", "7"},
          {"ConnectTimeout", "5"},
          {"TimeLimit", QVariantList {1}},
          {"MaxHits", QVariant()}},
         {"-d", "2"},
         prefTimeout,
         prefTime,
         prefSize},
        {"other number kinds are numbers",
         {},
         {{"EnableDebug", 1}, {"DebugLevel", 3u}, {"TimeLimit", qint64(45)}, {"MaxHits", 25.0}},
         {"-d", "3"},
         prefTimeout,
         {"-l", "45"},
         {"-z", "25"}},
        {"debug switched off by the options", debugOn, {{"EnableDebug", false}}, {}, prefTimeout, prefTime, prefSize},
        {"debug level alone does not switch debug on", {}, {{"DebugLevel", 4}}, {}, prefTimeout, prefTime, prefSize},
        {"no timeout at 0, no limits at -1",
         {},
         {{"ConnectTimeout", 0}, {"TimeLimit", -1}, {"MaxHits", -1}},
         {},
         {},
         {},
         {}},
        {"negative timeout dropped, other negative limits passed on",
         {},
         {{"ConnectTimeout", -3}, {"TimeLimit", -5}, {"MaxHits", -2}},
         {},
         {},
         {"-l", "-5"},
         {"-z", "-2"}},
    };
    for (const Row& row : rows) {
        for (Kind kind : kAllKinds) {
            QStringList leading;
            switch (kind) {
            case Whoami:
                leading << row.timeout << row.debug;
                break;
            case SearchOne:
                leading << row.debug << row.timeout << row.time;
                break;
            default:
                leading << row.debug << row.timeout << row.time << row.size;
            }
            QTest::addRow("%s: %s", row.name, kindName(kind)) << int(kind) << row.settings << row.options << leading;
        }
    }
}

void tst_TBCommandLine::runSettings()
{
    QFETCH(int, kind);
    QFETCH(QVariantMap, settings);
    QFETCH(QVariantMap, options);
    QFETCH(QStringList, leading);

    applySettings(settings);
    auto cmd = makeCommand(Kind(kind), makeDirectory({}));
    QVERIFY2(cmd->setupCommandAndArguments(runWith(options)), qPrintable(cmd->errorMessage()));
    QCOMPARE(leadingOptions(cmd->arguments()), leading);
}

void tst_TBCommandLine::whoamiOmitsSearchOptions()
{
    applySettings({{"TimeLimit", 0}, {"MaxHits", 0}, {"FetchWhichAttrs", 3}});
    auto cmd = makeCommand(Whoami, makeDirectory({{"LDAPVersion", 1}, {"StartTLS", 1}}));
    QVERIFY(cmd->setupCommandAndArguments(runWith({{"TimeLimit", 10}, {"MaxHits", 10}})));
    for (const char* option : {"-P", "-LLL", "-l", "-z", "*", "+"})
        QVERIFY2(!cmd->arguments().contains(QLatin1String(option)), option);
    QCOMPARE(cmd->arguments(), QStringList({"-o", "nettimeout=10", "-ZZ", "-H", "ldap://localhost", "-x"}));
}

// Paging follows the size limit in the vector and in the display line; reading one entry and
// who-am-I never page.
void tst_TBCommandLine::pagedResults_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("preference");
    QTest::addColumn<QVariantMap>("options");
    QTest::addColumn<QStringList>("leading");

    const QStringList before {"-o", "nettimeout=10", "-l", "30", "-z", "100"};
    const QStringList paged500 = before + QStringList {"-E", "pr=500/noprompt"};
    QTest::newRow("preference on: search") << int(Search) << true << QVariantMap() << paged500;
    QTest::newRow("preference on: browse") << int(Browse) << true << QVariantMap() << paged500;
    QTest::newRow("preference on: read one entry")
        << int(SearchOne) << true << QVariantMap() << QStringList {"-o", "nettimeout=10", "-l", "30"};
    QTest::newRow("preference on: who am I")
        << int(Whoami) << true << QVariantMap() << QStringList {"-o", "nettimeout=10"};
    QTest::newRow("options turn it on with their page size")
        << int(Search) << false << QVariantMap {{"PagedResults", true}, {"PageSize", 1000}}
        << before + QStringList {"-E", "pr=1000/noprompt"};
    QTest::newRow("options turn it off") << int(Browse) << true << QVariantMap {{"PagedResults", false}} << before;
    QTest::newRow("a page size alone does not page")
        << int(Search) << false << QVariantMap {{"PageSize", 20}} << before;
    QTest::newRow("a page size of the wrong kind is ignored")
        << int(Search) << true << QVariantMap {{"PageSize", "20"}} << paged500;
    QTest::newRow("no page below 1") << int(Search) << true << QVariantMap {{"PageSize", 0}}
                                     << before + QStringList {"-E", "pr=1/noprompt"};
    QTest::newRow("without a size limit") << int(Search) << true << QVariantMap {{"MaxHits", -1}}
                                          << QStringList {"-o", "nettimeout=10", "-l", "30", "-E", "pr=500/noprompt"};
}

void tst_TBCommandLine::pagedResults()
{
    QFETCH(int, kind);
    QFETCH(bool, preference);
    QFETCH(QVariantMap, options);
    QFETCH(QStringList, leading);

    applySettings({});
    preferences().pagedResults = preference;
    auto cmd = makeCommand(Kind(kind), makeDirectory({}));
    QVERIFY2(cmd->setupCommandAndArguments(runWith(options)), qPrintable(cmd->errorMessage()));
    QCOMPARE(leadingOptions(cmd->arguments()), leading);
    const QString tool = kind == Whoami ? QStringLiteral("/usr/bin/ldapwhoami") : QStringLiteral("/usr/bin/ldapsearch");
    QVERIFY2(cmd->displayCommandString().startsWith(tool + QLatin1Char(' ') + leading.join(QLatin1Char(' '))
                                                    + QStringLiteral(" -")),
             qPrintable(cmd->displayCommandString()));
}

void tst_TBCommandLine::transport_data()
{
    QTest::addColumn<int>("startTLS");
    QTest::addColumn<int>("version");
    QTest::addColumn<QStringList>("searchTransport");
    QTest::addColumn<QStringList>("whoamiTransport");

    QTest::newRow("try StartTLS") << 0 << 0 << QStringList {"-Z"} << QStringList {"-Z"};
    QTest::newRow("require StartTLS, version 2") << 1 << 1 << QStringList {"-ZZ", "-P", "2"} << QStringList {"-ZZ"};
    QTest::newRow("no StartTLS") << 2 << 0 << QStringList {} << QStringList {};
    QTest::newRow("out-of-range values add nothing") << 7 << 5 << QStringList {} << QStringList {};
}

void tst_TBCommandLine::transport()
{
    QFETCH(int, startTLS);
    QFETCH(int, version);
    QFETCH(QStringList, searchTransport);
    QFETCH(QStringList, whoamiTransport);

    for (Kind kind : kAllKinds) {
        auto cmd = makeCommand(kind, makeDirectory({{"StartTLS", startTLS}, {"LDAPVersion", version}}));
        QVERIFY(cmd->setupCommandAndArguments(runWith({})));
        const QStringList args = cmd->arguments();
        const qsizetype from = leadingOptions(args).size();
        const qsizetype to = args.indexOf(kind == Whoami ? QStringLiteral("-H") : QStringLiteral("-LLL"));
        QCOMPARE(args.mid(from, to - from), kind == Whoami ? whoamiTransport : searchTransport);
    }
}

void tst_TBCommandLine::bind_data()
{
    QTest::addColumn<QVariantMap>("directory");
    QTest::addColumn<QString>("commandBindDN");
    QTest::addColumn<QStringList>("bind");

    const QString admin = QStringLiteral("cn=admin,o=org");
    const QString alice = QStringLiteral("uid=alice,ou=people,o=org");
    QTest::newRow("anonymous") << QVariantMap {{"Authentication", 0}, {"SimpleID", admin}} << QString()
                               << QStringList {"-x"};
    QTest::newRow("simple") << QVariantMap {{"Authentication", 1}, {"SimpleID", admin}} << QString()
                            << QStringList {"-x", "-D", admin};
    QTest::newRow("simple, password prompted") << QVariantMap {{"Authentication", 2}, {"SimpleID", admin}} << QString()
                                               << QStringList {"-x", "-W", "-D", admin};
    QTest::newRow("command's bind DN wins")
        << QVariantMap {{"Authentication", 2}, {"SimpleID", admin}} << alice << QStringList {"-x", "-W", "-D", alice};
    QTest::newRow("SASL, mechanism only")
        << QVariantMap {{"Authentication", 3}, {"SimpleID", admin}} << alice << QStringList {"-Q", "-Y", "GSSAPI"};
    QTest::newRow("SASL, every identity in order")
        << QVariantMap {{"Authentication", 3},    {"SASLMechanism", 3},    {"SASLAuthCID", "u"},
                        {"SASLRealm", "EXAMPLE"}, {"SASLAuthZID", "dn:x"}, {"SASLProperties", "minssf=56"}}
        << QString()
        << QStringList {"-Q", "-Y", "CRAM-MD5", "-U", "u", "-R", "EXAMPLE", "-X", "dn:x", "-O", "minssf=56"};
    QTest::newRow("SASL, Kerberos 4") << QVariantMap {{"Authentication", 3}, {"SASLMechanism", 1}} << QString()
                                      << QStringList {"-Q", "-Y", "KERBEROS_V4"};
    QTest::newRow("SASL, unknown mechanism") << QVariantMap {{"Authentication", 3}, {"SASLMechanism", 4}} << QString()
                                             << QStringList {"-Q", "-Y", "UNKNOWN"};
    QTest::newRow("unknown method binds not at all")
        << QVariantMap {{"Authentication", 4}, {"SimpleID", admin}} << QString() << QStringList {};
}

void tst_TBCommandLine::bind()
{
    QFETCH(QVariantMap, directory);
    QFETCH(QString, commandBindDN);
    QFETCH(QStringList, bind);

    for (Kind kind : kAllKinds) {
        auto cmd = makeCommand(kind, makeDirectory(directory));
        cmd->setSimpleID(commandBindDN);
        QVERIFY(cmd->setupCommandAndArguments(runWith({})));
        QCOMPARE(bindOptions(cmd->arguments()), bind);
    }
}

void tst_TBCommandLine::passwordNeverShown()
{
    const QString password = QStringLiteral("pw-8f3a");
    for (Kind kind : kAllKinds) {
        for (int auth = 0; auth <= 3; ++auth) {
            auto dir = makeDirectory({{"Authentication", auth},
                                      {"SimpleID", "cn=admin,o=org"},
                                      {"SASLAuthCID", "u"},
                                      {"SASLRealm", "r"},
                                      {"SASLAuthZID", "z"},
                                      {"SASLProperties", "p"}});
            auto cmd = makeCommand(kind, dir);
            cmd->setSimplePassword(password);
            QVERIFY(cmd->setupCommandAndArguments(runWith({{"EnableDebug", true}})));
            QVERIFY(!cmd->arguments().join(QLatin1Char('\n')).contains(password));
            QVERIFY(!cmd->displayCommandString().contains(password));
            QCOMPARE(cmd->simplePassword(), password); // carried along for the searcher
        }
    }
}

void tst_TBCommandLine::preconditions_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("message");

    for (Kind kind : kAllKinds) {
        QTest::addRow("%s: no directory", kindName(kind)) << int(kind) << "directory"
                                                          << "Directory == nil?";
        QTest::addRow("%s: no URI", kindName(kind)) << int(kind) << "uri"
                                                    << "Directory is missing LDAPURI";
    }
    QTest::newRow("searchone: no dn") << int(SearchOne) << "dn"
                                      << "Tried to searchone but dn is missing";
    QTest::newRow("searchone: null dn") << int(SearchOne) << "null dn"
                                        << "Tried to searchone but dn is missing";
    QTest::newRow("browse: no dn") << int(Browse) << "dn"
                                   << "Tried to browse but dn is missing";
    QTest::newRow("searchone: no dn, no URI") << int(SearchOne) << "dn uri"
                                              << "Tried to searchone but dn is missing";
    QTest::newRow("browse: no directory, no dn") << int(Browse) << "directory dn"
                                                 << "Directory == nil?";
    QTest::newRow("search: no criteria") << int(Search) << "criteria"
                                         << "searchCriteria == nil?";
}

void tst_TBCommandLine::preconditions()
{
    QFETCH(int, kind);
    QFETCH(QString, fault);
    QFETCH(QString, message);

    // A failed build keeps the command line of the previous build.
    auto dir = makeDirectory({});
    auto cmd = makeCommand(Kind(kind), dir);
    QVERIFY(cmd->setupCommandAndArguments(runWith({})));
    const QString path = cmd->commandString();
    const QStringList args = cmd->arguments();
    const QString display = cmd->displayCommandString();

    if (fault.contains(QLatin1String("uri")))
        dir->setLdapURI(QString());
    if (fault.contains(QLatin1String("dn")))
        cmd->setDn(fault.startsWith(QLatin1String("null")) ? QString() : QStringLiteral(""));
    if (fault.contains(QLatin1String("directory")))
        cmd->setDirectory(nullptr);
    if (fault == QLatin1String("criteria"))
        cmd->setSearchCriteria(nullptr);

    QVERIFY(!cmd->setupCommandAndArguments(runWith({})));
    QCOMPARE(cmd->errorMessage(), message);
    QVERIFY(cmd->errorTitle().isEmpty());
    QCOMPARE(cmd->commandString(), path);
    QCOMPARE(cmd->arguments(), args);
    QCOMPARE(cmd->displayCommandString(), display);
}

void tst_TBCommandLine::displayValue_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("asValue");
    QTest::addColumn<QString>("asWord");

    QTest::newRow("plain DN") << "cn=admin,o=org"
                              << "cn=admin,o=org"
                              << "cn=admin,o=org";
    QTest::newRow("empty") << ""
                           << "''"
                           << "''";
    QTest::newRow("URI") << "ldap://localhost:389/"
                         << "'ldap://localhost:389/'"
                         << "ldap://localhost:389/";
    QTest::newRow("tool path") << "/usr/bin/ldapsearch"
                               << "'/usr/bin/ldapsearch'"
                               << "/usr/bin/ldapsearch";
    QTest::newRow("two URIs") << "ldap://a ldap://b"
                              << "'ldap://a ldap://b'"
                              << "'ldap://a ldap://b'";
    QTest::newRow("IPv6 URI") << "ldap://[::1]:389"
                              << "'ldap://[::1]:389'"
                              << "'ldap://[::1]:389'";
    QTest::newRow("path with a quote") << "/opt/it's/ldapsearch"
                                       << "'/opt/it'\\''s/ldapsearch'"
                                       << "'/opt/it'\\''s/ldapsearch'";
    // An interactive shell expands "!" even in the middle of a word.
    QTest::newRow("exclamation mark") << "cn=Hey!x,o=org"
                                      << "'cn=Hey!x,o=org'"
                                      << "'cn=Hey!x,o=org'";
    QTest::newRow("line feed") << "cn=a\nb"
                               << "'cn=a\nb'"
                               << "'cn=a\nb'";
    QTest::newRow("carriage return") << "cn=a\rb"
                                     << "'cn=a\rb'"
                                     << "'cn=a\rb'";
    QTest::newRow("escape and delete") << "a\x1b\x7f"
                                       << "'a\x1b\x7f'"
                                       << "'a\x1b\x7f'";
    QTest::newRow("non-ASCII letters") << QStringLiteral("cn=Zoë") << QStringLiteral("cn=Zoë")
                                       << QStringLiteral("cn=Zoë");
}

void tst_TBCommandLine::displayValue()
{
    QFETCH(QString, value);
    QFETCH(QString, asValue);
    QFETCH(QString, asWord);

    QCOMPARE(TBCommandLine::displayValue(value), asValue);
    QCOMPARE(TBCommandLine::displayWord(value), asWord);
}

void tst_TBCommandLine::shellRoundTrip_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("authentication");
    QTest::addColumn<QString>("value");

    QString printable;
    for (char16_t c = 0x20; c < 0x7f; ++c)
        printable += QChar(c);
    QString reversed = printable;
    std::reverse(reversed.begin(), reversed.end());
    const QList<std::pair<const char*, QString>> values {
        {"printable ASCII", printable},
        {"printable ASCII reversed", reversed},
        {"single quotes", QStringLiteral("'it''s'")},
        {"substitutions", QStringLiteral("$(echo x) `id` ${HOME} $1")},
        {"globs", QStringLiteral("* ? [a-z] ~ ~root")},
        {"backslashes", QStringLiteral("\\ \\\\ \\' \\n")},
        {"history and comment", QStringLiteral("!! !x #c")},
        {"blanks around", QStringLiteral("  a\tb  ")},
        {"leading dash", QStringLiteral("-x")},
        {"line breaks", QStringLiteral("a\nb\r\nc\r")},
        {"control characters", QStringLiteral("\x01\x07\x1b[0m\x7f")},
        {"non-ASCII", QStringLiteral("Zoë 東京 😀")},
        {"empty", QString()},
    };
    for (Kind kind : kAllKinds) {
        for (int auth : {2, 3}) {
            for (const auto& [name, value] : values)
                QTest::addRow("%s, bind %d: %s", kindName(kind), auth, name) << int(kind) << auth << value;
        }
    }
}

void tst_TBCommandLine::shellRoundTrip()
{
    QFETCH(int, kind);
    QFETCH(int, authentication);
    QFETCH(QString, value);

    // The value goes everywhere a user-supplied text can go; fields that must not be empty get a stand-in.
    const QString nonEmpty = value.isEmpty() ? QStringLiteral("x") : value;
    applySettings({{"PathLDAPSearch", m_printArgv}, {"PathLDAPWhoami", m_printArgv}, {"EnableDebug", true}});
    preferences().basicAttributes = QStringList {"dn", value};
    auto dir = makeDirectory({{"LDAPURI", nonEmpty},
                              {"SearchBase", value},
                              {"StartTLS", 0},
                              {"Authentication", authentication},
                              {"SimpleID", value},
                              {"SASLAuthCID", value},
                              {"SASLRealm", value},
                              {"SASLAuthZID", value},
                              {"SASLProperties", value}});
    auto cmd = makeCommand(Kind(kind), dir, nonEmpty,
                           TBTestSupport::criteriaFrom({{nonEmpty, "2", nonEmpty}, {nonEmpty, "5", ""}}));
    QVERIFY2(cmd->setupCommandAndArguments(runWith({{"FetchWhichAttrs", 1}})), qPrintable(cmd->errorMessage()));

    QProcess shell;
    shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), cmd->displayCommandString()});
    QVERIFY(shell.waitForFinished(-1));
    QCOMPARE(shell.readAllStandardError(), QByteArray());
    QCOMPARE(shell.exitCode(), 0);
    QStringList received;
    for (const QByteArray& arg : shell.readAllStandardOutput().split('\0'))
        received << QString::fromUtf8(arg);
    received.removeLast(); // after the last terminator
    QCOMPARE(received, cmd->arguments());
}

QTEST_GUILESS_MAIN(tst_TBCommandLine)
#include "tst_TBCommandLine.moc"
