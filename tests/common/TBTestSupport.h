#pragma once

#include <QString>

// Shared by the tests: where the sample slapd of this test run listens, who can bind to it, and
// private folders so no test touches the user's settings.
namespace TBTestSupport {

// The sample directory's fixed facts (sample/README.md describes its data).
inline const QString sampleBase = QStringLiteral("dc=tamblin,dc=test");
inline const QString sampleAdminDN = QStringLiteral("cn=admin,dc=tamblin,dc=test"); // rootdn, no limits
inline const QString sampleAdminPassword = QStringLiteral("admin-pw");
inline const QString sampleReaderDN = QStringLiteral("cn=reader,dc=tamblin,dc=test"); // ordinary user, server limits apply
inline const QString sampleReaderPassword = QStringLiteral("reader-pw");
inline const QString sampleAliceDN = QStringLiteral("uid=alice,ou=People,dc=tamblin,dc=test");
inline const QString sampleAlicePassword = QStringLiteral("alice-pw");

// "ldap://127.0.0.1:<port>" of the slapd started by the CTest fixture; empty (with a warning) when none runs.
QString sampleURI();
QString sourceDir();
QString sampleDir();

// Points $XDG_CONFIG_HOME (and $HOME's config) at a fresh temporary folder for this test process.
// Returns the folder.
QString useScratchConfig();

} // namespace TBTestSupport
