#include "TBCommandWhoami.h"

#include "TBCommandLine.h"

TBCommandWhoami::TBCommandWhoami()
{
    m_commandType = TBCommandTypeWhoami;
    m_shouldParse = false;
    m_directory.reset();
}

bool TBCommandWhoami::setupCommandAndArguments(const QVariantMap& options)
{
    m_errorTitle = QStringLiteral("");
    m_errorMessage = QStringLiteral("");
    if (!m_directory) {
        m_errorMessage = QStringLiteral("Directory == nil?");
        return false;
    }
    if (m_directory->ldapURI().isEmpty()) {
        m_errorMessage = QStringLiteral("Directory is missing LDAPURI");
        return false;
    }

    // ldapwhoami reads no entries: no protocol version, LDIF form or limits.
    TBCommandLine line(TBCommandLine::whoamiToolPath(), options);
    line.addConnectTimeout();
    line.addDebug();
    line.addStartTLS(*m_directory);
    line.addServer(*m_directory);
    line.addBind(*m_directory, m_simpleID);

    m_commandString = line.toolPath();
    m_arguments = line.arguments();
    m_displayCommandString = line.displayLine();
    m_searchOptions = options;
    return true;
}
