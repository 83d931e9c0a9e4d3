#include "TBCommandBrowse.h"

#include "TBCommandLine.h"

TBCommandBrowse::TBCommandBrowse()
{
    m_commandType = TBCommandTypeBrowse;
    m_shouldParse = true;
    m_directory.reset();
    m_dn = QStringLiteral("");
}

bool TBCommandBrowse::setupCommandAndArguments(const TBRunSettings& settings)
{
    if (!checkDirectory() || !checkDn(QStringLiteral("browse")) || !checkLdapURI())
        return false;

    TBCommandLine line(settings.searchToolPath(), settings);
    line.addSearchPrologue(*m_directory, true);
    line.add({QStringLiteral("-b"), m_dn, QStringLiteral("-s"), QStringLiteral("one")});
    line.addBind(*m_directory, m_simpleID);
    // The listing needs only the children's DNs: "1.1" requests no attributes.
    line.add({QStringLiteral("(objectclass=*)"), QStringLiteral("1.1")});

    adoptCommandLine(line, settings);
    return true;
}
