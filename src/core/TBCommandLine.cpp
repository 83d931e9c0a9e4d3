#include "TBCommandLine.h"

#include "TBCommand.h"
#include "TBDirectory.h"

#include <algorithm>
#include <limits>

namespace {

bool isShellSafe(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9')
        || QStringView(u"-._:/%@+=,").contains(c);
}

} // namespace

TBCommandLine::TBCommandLine(const QString& toolPath, const TBRunSettings& settings)
    : m_toolPath(toolPath)
    , m_display(displayWord(toolPath))
    , m_enableDebug(settings.enableDebug)
    // The level counts only while debugging is on.
    , m_debugLevel(settings.enableDebug ? settings.debugLevel : 0)
    , m_connectTimeout(settings.connectTimeout)
    , m_timeLimit(settings.timeLimit)
    , m_maxHits(settings.maxHits)
    , m_pagedResults(settings.pagedResults)
    // The tool takes a positive int; a stored value out of that range would only make it fail.
    , m_pageSize(qBound(qint64(1), settings.pageSize, qint64(std::numeric_limits<int>::max())))
    , m_fetchWhichAttrs(settings.fetchWhichAttrs)
{ }

void TBCommandLine::add(const QString& argument)
{
    m_arguments.append(argument);
    m_display += QLatin1Char(' ') + displayValue(argument);
}

void TBCommandLine::add(const QStringList& arguments)
{
    for (const QString& argument : arguments)
        add(argument);
}

void TBCommandLine::addShown(const QString& argument, const QString& shown)
{
    m_arguments.append(argument);
    m_display += QLatin1Char(' ') + shown;
}

void TBCommandLine::addWildcardAttributeRequest()
{
    if (m_fetchWhichAttrs == 3)
        addShown(QStringLiteral("*"), QStringLiteral("'*'"));
    if (m_fetchWhichAttrs == 2 || m_fetchWhichAttrs == 3)
        addShown(QStringLiteral("+"), QStringLiteral("'+'"));
}

void TBCommandLine::addBare(const QString& argument)
{
    m_arguments.append(argument);
    m_display += QLatin1Char(' ') + displayWord(argument);
}

void TBCommandLine::addDebug()
{
    if (m_enableDebug)
        add({QStringLiteral("-d"), QString::number(m_debugLevel)});
}

void TBCommandLine::addConnectTimeout()
{
    if (m_connectTimeout > 0)
        add({QStringLiteral("-o"), QStringLiteral("nettimeout=%1").arg(m_connectTimeout)});
}

void TBCommandLine::addTimeLimit()
{
    // 0 is passed on: it asks for no limit, which the server may still cap.
    if (m_timeLimit != -1)
        add({QStringLiteral("-l"), QString::number(m_timeLimit)});
}

void TBCommandLine::addSearchPrologue(const TBDirectory& directory, bool withSizeLimit)
{
    addDebug();
    addConnectTimeout();
    addTimeLimit();
    if (withSizeLimit) {
        addSizeLimit();
        addPagedResults();
    }
    addStartTLS(directory);
    addVersion(directory);
    add(QStringLiteral("-LLL"));
    addServer(directory);
}

void TBCommandLine::addSizeLimit()
{
    if (m_maxHits != -1)
        add({QStringLiteral("-z"), QString::number(m_maxHits)});
}

void TBCommandLine::addPagedResults()
{
    // Servers such as Active Directory send at most so many entries per search (1000 by default)
    // unless the client pages; "noprompt" pages on without asking. The size limit still counts
    // every entry of the search.
    if (!m_pagedResults)
        return;
    add(QStringLiteral("-E"));
    // Digits, letters, "=" and "/": the shell reads it as it stands.
    const QString control = QStringLiteral("pr=%1/noprompt").arg(m_pageSize);
    addShown(control, control);
}

void TBCommandLine::addStartTLS(const TBDirectory& directory)
{
    if (directory.startTLS() == 1)
        add(QStringLiteral("-ZZ"));
    else if (directory.startTLS() == 0)
        add(QStringLiteral("-Z"));
}

void TBCommandLine::addVersion(const TBDirectory& directory)
{
    if (directory.ldapVersion() == 1)
        add({QStringLiteral("-P"), QStringLiteral("2")});
}

void TBCommandLine::addServer(const TBDirectory& directory)
{
    add(QStringLiteral("-H"));
    addBare(directory.ldapURI());
}

void TBCommandLine::addBind(const TBDirectory& directory, const QString& bindDN)
{
    const QString dn = bindDN.isEmpty() ? directory.simpleID() : bindDN;
    switch (directory.authentication()) {
    case 0:
        add(QStringLiteral("-x"));
        break;
    case 1:
        add({QStringLiteral("-x"), QStringLiteral("-D"), dn});
        break;
    case 2:
        // The tool prompts for the password; the searcher answers on its standard input.
        add({QStringLiteral("-x"), QStringLiteral("-W"), QStringLiteral("-D"), dn});
        break;
    case 3:
        add({QStringLiteral("-Q"), QStringLiteral("-Y"), saslMechanismText(directory.saslMechanism())});
        if (!directory.saslAuthCID().isEmpty())
            add({QStringLiteral("-U"), directory.saslAuthCID()});
        if (!directory.saslRealm().isEmpty())
            add({QStringLiteral("-R"), directory.saslRealm()});
        if (!directory.saslAuthZID().isEmpty())
            add({QStringLiteral("-X"), directory.saslAuthZID()});
        if (!directory.saslProperties().isEmpty())
            add({QStringLiteral("-O"), directory.saslProperties()});
        break;
    default:
        break;
    }
}

// The stored index stays as it was; the text is the SASL mechanism name the tools accept with -Y
// (Cyrus SASL knows "DIGEST-MD5"; a prefixed name such as SASL_DIGEST_MD5 is no mechanism at all).
QString TBCommandLine::saslMechanismText(quint64 mechanism)
{
    switch (mechanism) {
    case 0:
        return QStringLiteral("GSSAPI");
    case 1:
        return QStringLiteral("KERBEROS_V4");
    case 2:
        return QStringLiteral("DIGEST-MD5");
    case 3:
        return QStringLiteral("CRAM-MD5");
    default:
        return QStringLiteral("UNKNOWN");
    }
}

QString TBCommandLine::displayValue(const QString& value)
{
    return value.isEmpty() ? QStringLiteral("''") : TBCommand::quotedString(value);
}

QString TBCommandLine::displayWord(const QString& word)
{
    if (!word.isEmpty() && std::all_of(word.cbegin(), word.cend(), isShellSafe))
        return word;
    return displayValue(word);
}
