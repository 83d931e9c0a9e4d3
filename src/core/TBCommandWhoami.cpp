#include "TBCommandWhoami.h"

#include "TBCommandLine.h"

TBCommandWhoami::TBCommandWhoami()
{
    m_commandType = TBCommandTypeWhoami;
    m_shouldParse = false;
    m_directory.reset();
}

bool TBCommandWhoami::setupCommandAndArguments(const TBRunSettings& settings)
{
    if (!checkDirectory() || !checkLdapURI())
        return false;

    // ldapwhoami reads no entries: no protocol version, LDIF form or limits.
    TBCommandLine line(settings.whoamiToolPath(), settings);
    line.addConnectTimeout();
    line.addDebug();
    line.addStartTLS(*m_directory);
    line.addServer(*m_directory);
    line.addBind(*m_directory, m_simpleID);

    adoptCommandLine(line, settings);
    return true;
}
