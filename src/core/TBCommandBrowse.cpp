#include "TBCommandBrowse.h"

#include "TBCommandLine.h"

TBCommandBrowse::TBCommandBrowse()
{
    m_commandType = TBCommandTypeBrowse;
    m_shouldParse = true;
    m_directory.reset();
    m_dn = QStringLiteral("");
}

bool TBCommandBrowse::setupCommandAndArguments(const QVariantMap& options)
{
    m_errorTitle = QStringLiteral("");
    m_errorMessage = QStringLiteral("");
    if (!m_directory) {
        m_errorMessage = QStringLiteral("Directory == nil?");
        return false;
    }
    if (m_dn.isEmpty()) {
        m_errorMessage = QStringLiteral("Tried to browse but dn is missing");
        return false;
    }
    if (m_directory->ldapURI().isEmpty()) {
        m_errorMessage = QStringLiteral("Directory is missing LDAPURI");
        return false;
    }

    TBCommandLine line(TBCommandLine::searchToolPath(), options);
    line.addSearchPrologue(*m_directory, true);
    line.add({QStringLiteral("-b"), m_dn, QStringLiteral("-s"), QStringLiteral("one")});
    line.addBind(*m_directory, m_simpleID);
    // The listing needs only the children's DNs: "1.1" requests no attributes.
    line.add({QStringLiteral("(objectclass=*)"), QStringLiteral("1.1")});

    m_commandString = line.toolPath();
    m_arguments = line.arguments();
    m_displayCommandString = line.displayLine();
    m_searchOptions = options;
    return true;
}
