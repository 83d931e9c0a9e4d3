// The sample directory's facts that other tests rely on, checked with the real ldapsearch.

#include "TBTestSupport.h"

#include <QImage>
#include <QMultiMap>
#include <QProcess>
#include <QtTest>

#include <algorithm>

namespace {

struct Run
{
    int exitCode = -1;
    QByteArray output;
    QByteArray error;
};

Run ldapsearch(const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LDAPNOINIT"), QStringLiteral("1")); // ignore ~/.ldaprc and ldap.conf
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(
        QStringLiteral("/usr/bin/ldapsearch"),
        QStringList {QStringLiteral("-x"), QStringLiteral("-LLL"), QStringLiteral("-H"), TBTestSupport::sampleURI()}
            + arguments);
    Run run;
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.output = process.readAllStandardOutput();
    run.error = process.readAllStandardError();
    return run;
}

int countEntries(const QByteArray& output)
{
    int count = 0;
    for (const QByteArray& line : output.split('\n')) {
        if (line.startsWith("dn:"))
            ++count;
    }
    return count;
}

// The values of each entry, by attribute description as it came, base64 decoded; lines unfolded.
QMap<QByteArray, QMultiMap<QByteArray, QByteArray>> entriesByDN(const QByteArray& output)
{
    QList<QByteArray> lines;
    for (const QByteArray& line : output.split('\n')) {
        if (line.startsWith(' ') && !lines.isEmpty())
            lines.last() += line.mid(1);
        else if (!line.startsWith('#'))
            lines.append(line);
    }
    QMap<QByteArray, QMultiMap<QByteArray, QByteArray>> entries;
    QByteArray dn;
    for (const QByteArray& line : std::as_const(lines)) {
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) {
            dn.clear();
            continue;
        }
        const QByteArray name = line.left(colon);
        const bool base64 = line.mid(colon + 1).startsWith(':');
        const QByteArray text = line.mid(colon + (base64 ? 3 : 2));
        const QByteArray value = base64 ? QByteArray::fromBase64(text) : text;
        if (name == "dn")
            dn = value;
        else
            entries[dn].insert(name, value);
    }
    return entries;
}

} // namespace

class tst_SampleDirectory : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void exitStatus_data();
    void exitStatus();
    void outputForms();
    void pagedOutput();
    void activeDirectoryValues();
};

void tst_SampleDirectory::initTestCase()
{
    QVERIFY2(!TBTestSupport::sampleURI().isEmpty(), "the sample slapd is not running");
}

void tst_SampleDirectory::exitStatus_data()
{
    using namespace TBTestSupport;
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("entries");

    const QString people = QStringLiteral("ou=People,") + sampleBase;
    const QString all = QStringLiteral("(objectClass=*)");
    const QString noAttributes = QStringLiteral("1.1");
    const QStringList asReader {QStringLiteral("-D"), sampleReaderDN, QStringLiteral("-w"), sampleReaderPassword};
    const QStringList asPager {QStringLiteral("-D"), samplePagerDN, QStringLiteral("-w"), samplePagerPassword};
    const QStringList bigChildren {
        QStringLiteral("-b"), QStringLiteral("ou=Big,") + sampleBase, QStringLiteral("-s"), QStringLiteral("one"), all,
        noAttributes};
    auto paged = [](const char* size) {
        return QStringList {QStringLiteral("-E"), QStringLiteral("pr=%1/noprompt").arg(QLatin1String(size))};
    };

    QTest::newRow("anonymous reads the base")
        << QStringList {QStringLiteral("-b"), sampleBase, QStringLiteral("-s"), QStringLiteral("base"), all} << 0 << 1;
    QTest::newRow("alice binds") << QStringList {QStringLiteral("-D"), sampleAliceDN,          QStringLiteral("-w"),
                                                 sampleAlicePassword,  QStringLiteral("-b"),   sampleAliceDN,
                                                 QStringLiteral("-s"), QStringLiteral("base"), all}
                                 << 0 << 1;
    QTest::newRow("admin binds and sees everything") << QStringList {QStringLiteral("-D"),
                                                                     sampleAdminDN,
                                                                     QStringLiteral("-w"),
                                                                     sampleAdminPassword,
                                                                     QStringLiteral("-b"),
                                                                     sampleBase,
                                                                     all,
                                                                     noAttributes}
                                                     << 0 << -1;
    QTest::newRow("ou=Big lists 10000 children anonymously") << QStringList {
        QStringLiteral("-b"), QStringLiteral("ou=Big,") + sampleBase, QStringLiteral("-s"), QStringLiteral("one"), all,
        noAttributes} << 0 << 10000;
    QTest::newRow("reader within its limits")
        << asReader + QStringList {QStringLiteral("-b"), sampleBase, QStringLiteral("(uid=alice)"), noAttributes} << 0
        << 1;
    QTest::newRow("size limit: -z 5") << QStringList {QStringLiteral("-z"),
                                                      QStringLiteral("5"),
                                                      QStringLiteral("-b"),
                                                      people,
                                                      QStringLiteral("(objectClass=inetOrgPerson)"),
                                                      noAttributes}
                                      << 4 << 5;
    QTest::newRow("admin limit: reader searches everything")
        << asReader + QStringList {QStringLiteral("-b"), sampleBase, all, noAttributes} << 11 << 0;
    // Active Directory's page size: 1000 entries without paging, all of them with it.
    QTest::newRow("pager without paging stops at 1000") << asPager + bigChildren << 4 << 1000;
    QTest::newRow("pager pages through 10000") << asPager + paged("1000") + bigChildren << 0 << 10000;
    QTest::newRow("pager with small pages") << asPager + paged("300") + bigChildren << 0 << 10000;
    QTest::newRow("pager: a page above 1000 is refused") << asPager + paged("1001") + bigChildren << 11 << 0;
    QTest::newRow("pager: -z still limits a paged search")
        << asPager + paged("1000") + QStringList {QStringLiteral("-z"), QStringLiteral("1500")} + bigChildren << 4
        << 1500;
    // The reader's candidate limit holds for paged searches too.
    QTest::newRow("reader cannot page past its limit") << asReader + paged("1000") + bigChildren << 11 << 0;
    QTest::newRow("wrong password")
        << QStringList {QStringLiteral("-D"),           sampleAliceDN,          QStringLiteral("-w"),
                        QStringLiteral("not-alice-pw"), QStringLiteral("-b"),   sampleBase,
                        QStringLiteral("-s"),           QStringLiteral("base"), all}
        << 49 << 0;
    QTest::newRow("bad filter") << QStringList {QStringLiteral("-b"), sampleBase, QStringLiteral("(cn=a")} << 249 << 0;
}

void tst_SampleDirectory::exitStatus()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(int, entries);

    const Run run = ldapsearch(arguments);
    QVERIFY2(run.exitCode == exitCode,
             qPrintable(QStringLiteral("exit %1, stderr: %2").arg(run.exitCode).arg(QString::fromUtf8(run.error))));
    if (entries >= 0)
        QCOMPARE(countEntries(run.output), entries);
}

// What the application's parser and renderer are tested against: base64 values, folded lines,
// pictures, several values of one attribute, and no passwords for anonymous readers.
void tst_SampleDirectory::outputForms()
{
    const Run run = ldapsearch({QStringLiteral("-b"), QStringLiteral("ou=People,") + TBTestSupport::sampleBase,
                                QStringLiteral("(|(uid=alice)(uid=tyamada))")});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(countEntries(run.output), 2);

    const QList<QByteArray> lines = run.output.split('\n');
    auto count = [&lines](const char* prefix) {
        return int(std::count_if(lines.cbegin(), lines.cend(),
                                 [prefix](const QByteArray& line) { return line.startsWith(prefix); }));
    };
    QCOMPARE(count("cn:: "), 1); // 山田 太郎
    QVERIFY(count(" ") >= 5); // alice's description and the pictures are folded
    QCOMPARE(count("mail: "), 4); // alice has three
    QCOMPARE(count("jpegPhoto:: "), 1);
    QCOMPARE(count("thumbnailPhoto:: "), 1);
    QCOMPARE(count("objectGUID:: "), 1);
    QCOMPARE(count("userCertificate;binary:: "), 1);
    QCOMPARE(count("accountExpires: 9223372036854775807"), 1);
    QCOMPARE(count("userPassword"), 0);
}

// Paging adds comment lines between the pages, even with -LLL; the last one has no cookie.
void tst_SampleDirectory::pagedOutput()
{
    using namespace TBTestSupport;
    const Run run = ldapsearch({QStringLiteral("-D"), samplePagerDN, QStringLiteral("-w"), samplePagerPassword,
                                QStringLiteral("-E"), QStringLiteral("pr=1000/noprompt"), QStringLiteral("-b"),
                                QStringLiteral("ou=Big,") + sampleBase, QStringLiteral("-s"), QStringLiteral("one"),
                                QStringLiteral("(objectClass=*)"), QStringLiteral("1.1")});
    QCOMPARE(run.exitCode, 0);
    QStringList comments;
    for (const QByteArray& line : run.output.split('\n')) {
        if (line.startsWith('#'))
            comments.append(QString::fromLatin1(line));
    }
    QCOMPARE(comments.size(), 10);
    for (const QString& comment : std::as_const(comments))
        QVERIFY2(comment.startsWith(QLatin1String("# pagedresults: cookie=")), qPrintable(comment));
    QCOMPARE(comments.last(), QStringLiteral("# pagedresults: cookie="));
}

// The values that the Active Directory handling is tested against: identifiers of the right
// and the wrong length, "never" dates, attribute options, a group that arrives as a range.
void tst_SampleDirectory::activeDirectoryValues()
{
    using namespace TBTestSupport;
    const QString filter
        = QStringLiteral("(|(uid=alice)(uid=bob)(uid=mallory)(uid=znunez)(cn=Administrators)(cn=Devices))");
    const Run run = ldapsearch({QStringLiteral("-b"), sampleBase, filter});
    QCOMPARE(run.exitCode, 0);
    const auto entries = entriesByDN(run.output);
    QCOMPARE(entries.size(), 6);
    const auto alice = entries.value("uid=alice,ou=People,dc=tamblin,dc=test");
    const auto bob = entries.value("uid=bob,ou=People,dc=tamblin,dc=test");
    const auto mallory = entries.value("uid=mallory,ou=People,dc=tamblin,dc=test");
    const auto znunez = entries.value("uid=znunez,ou=People,dc=tamblin,dc=test");
    const auto administrators = entries.value("cn=Administrators,ou=Groups,dc=tamblin,dc=test");
    const auto devices = entries.value("cn=Devices,ou=Groups,dc=tamblin,dc=test");

    // S-1-5-21-1004336348-1177238915-682003330-1104: revision 1, five sub-authorities, authority 5
    // (48 bits, big-endian), then 21, 1004336348, 1177238915, 682003330 and 1104 (32 bits, little-endian).
    QCOMPARE(alice.value("objectGUID").toHex(), QByteArray("0f1e2d3c4b5a69788796a5b4c3d2e1f0"));
    QCOMPARE(alice.value("objectSid").toHex(),
             QByteArray("0105"
                        "000000000005"
                        "15000000"
                        "dcf4dc3b"
                        "833d2b46"
                        "828ba628"
                        "50040000"));
    QCOMPARE(administrators.value("objectSid").toHex().right(8), QByteArray("20020000")); // ...-544
    QCOMPARE(mallory.value("objectGUID").size(), 15);
    QCOMPARE(mallory.value("objectSid").size(), 24); // announces five sub-authorities, holds four
    QCOMPARE(alice.value("accountExpires"), QByteArray("9223372036854775807"));
    QCOMPARE(bob.value("accountExpires"), QByteArray("0"));

    // Attribute options as they came: a picture and a certificate with ";binary".
    QVERIFY(!znunez.contains("thumbnailLogo"));
    QCOMPARE(QImage::fromData(znunez.value("thumbnailLogo;binary")).size(), QSize(48, 48));
    QVERIFY(!znunez.value("userCertificate;binary").isEmpty());
    QCOMPARE(alice.count("userCertificate;binary"), 1);

    // The first range of a large group, and nothing else of its members.
    QCOMPARE(devices.count("member;range=0-1499"), 1500);
    QVERIFY(!devices.contains("member"));
    const QList<QByteArray> members = devices.values("member;range=0-1499");
    QVERIFY(members.contains("cn=item00001,ou=Big,dc=tamblin,dc=test"));
    QVERIFY(members.contains("cn=item01500,ou=Big,dc=tamblin,dc=test"));
}

QTEST_GUILESS_MAIN(tst_SampleDirectory)
#include "tst_SampleDirectory.moc"
