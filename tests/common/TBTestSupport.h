#pragma once

#include <QFile>
#include <QString>
#include <QVariantMap>
#include <QtTest>

// Shared by the tests: where the sample slapd of this test run listens, who can bind to it, and
// private folders so no test touches the user's settings.
namespace TBTestSupport {

// The sample directory's fixed facts (sample/README.md describes its data).
inline const QString sampleBase = QStringLiteral("dc=tamblin,dc=test");
inline const QString sampleAdminDN = QStringLiteral("cn=admin,dc=tamblin,dc=test"); // rootdn, no limits
inline const QString sampleAdminPassword = QStringLiteral("admin-pw");
inline const QString sampleReaderDN
    = QStringLiteral("cn=reader,dc=tamblin,dc=test"); // ordinary user, server limits apply
inline const QString sampleReaderPassword = QStringLiteral("reader-pw");
// Limited as Active Directory limits everyone: 1000 entries per search unless paged, pages of
// at most 1000.
inline const QString samplePagerDN = QStringLiteral("cn=pager,dc=tamblin,dc=test");
inline const QString samplePagerPassword = QStringLiteral("pager-pw");
inline const QString sampleAliceDN = QStringLiteral("uid=alice,ou=People,dc=tamblin,dc=test");
inline const QString sampleAlicePassword = QStringLiteral("alice-pw");

// "ldap://127.0.0.1:<port>" of the slapd started by the CTest fixture; empty (with a warning) when none runs.
QString sampleURI();
QString sourceDir();
QString sampleDir();

// Points $XDG_CONFIG_HOME (and $HOME's config) at a fresh temporary folder for this test process.
// Returns the folder.
QString useScratchConfig();

// True when a missing real part (slapd, a tool, a reader, the keyring, a font) must fail the test
// instead of skipping it: under scripts/test (TB_REQUIRE_REAL_PARTS=1) and on CI (CI=true).
bool realPartsRequired();

// A property-list file as an independent reader sees it: Python's plistlib loads it and hands it
// over as JSON (data as hexadecimal text). Empty, with the reason in *error, when python3 is
// missing or the file does not load.
QVariantMap plistReadByPython(const QString& path, QString* error = nullptr);
inline bool pythonAvailable()
{
    return QFile::exists(QStringLiteral("/usr/bin/python3"));
}

} // namespace TBTestSupport

// Leaves the test function when a real part is missing: a failure naming the Debian package that
// provides it under scripts/test and CI, where a skip would hide a missing dependency; a skip when a
// developer runs one test binary by hand. A macro because QSKIP and QFAIL return from the caller.
#define TB_REQUIRE(condition, package, what)                                                                          \
    do {                                                                                                              \
        if (!(condition)) {                                                                                           \
            if (TBTestSupport::realPartsRequired())                                                                   \
                QFAIL(qPrintable(QStringLiteral("%1 is missing: install the Debian package %2 (scripts/install-deps " \
                                                "installs it)")                                                       \
                                     .arg(QStringLiteral(what), QStringLiteral(package))));                           \
            QSKIP(qPrintable(QStringLiteral("%1 is missing (Debian package %2)")                                      \
                                 .arg(QStringLiteral(what), QStringLiteral(package))));                               \
        }                                                                                                             \
    } while (false)

// The sample slapd of this test run (the CTest fixture starts it).
#define TB_REQUIRE_SAMPLE_SLAPD(uri) TB_REQUIRE(!(uri).isEmpty(), "slapd", "The sample slapd")
