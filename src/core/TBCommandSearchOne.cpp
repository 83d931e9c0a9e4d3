#include "TBCommandSearchOne.h"

#include "TBCommandLine.h"

TBCommandSearchOne::TBCommandSearchOne()
{
    m_commandType = TBCommandTypeSearchOne;
    m_shouldParse = true;
    m_dn = QString();
    m_directory.reset();
    m_searchCriteria.reset();
}

bool TBCommandSearchOne::setupCommandAndArguments(const TBRunSettings& settings)
{
    if (!checkDirectory() || !checkDn(QStringLiteral("searchone")) || !checkLdapURI())
        return false;

    // One entry: no size limit needed.
    TBCommandLine line(settings.searchToolPath(), settings);
    line.addSearchPrologue(*m_directory, false);
    line.add({QStringLiteral("-b"), m_dn, QStringLiteral("-s"), QStringLiteral("base")});
    line.addBind(*m_directory, m_simpleID);
    line.add(QStringLiteral("(objectclass=*)"));
    // Without a request the tool returns all user attributes.
    line.addWildcardAttributeRequest();

    adoptCommandLine(line, settings);
    return true;
}
