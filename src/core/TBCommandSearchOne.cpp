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

bool TBCommandSearchOne::setupCommandAndArguments(const QVariantMap& options)
{
    m_errorTitle = QStringLiteral("");
    m_errorMessage = QStringLiteral("");
    if (!m_directory) {
        m_errorMessage = QStringLiteral("Directory == nil?");
        return false;
    }
    if (m_dn.isEmpty()) {
        m_errorMessage = QStringLiteral("Tried to searchone but dn is missing");
        return false;
    }
    if (m_directory->ldapURI().isEmpty()) {
        m_errorMessage = QStringLiteral("Directory is missing LDAPURI");
        return false;
    }

    // One entry: no size limit needed.
    TBCommandLine line(TBCommandLine::searchToolPath(), options);
    line.addSearchPrologue(*m_directory, false);
    line.add({QStringLiteral("-b"), m_dn, QStringLiteral("-s"), QStringLiteral("base")});
    line.addBind(*m_directory, m_simpleID);
    line.add(QStringLiteral("(objectclass=*)"));
    // Without a request the tool returns all user attributes.
    switch (line.fetchWhichAttrs()) {
    case 3:
        line.addShown(QStringLiteral("*"), QStringLiteral("'*'"));
        line.addShown(QStringLiteral("+"), QStringLiteral("'+'"));
        break;
    case 2:
        line.addShown(QStringLiteral("+"), QStringLiteral("'+'"));
        break;
    default:
        break;
    }

    m_commandString = line.toolPath();
    m_arguments = line.arguments();
    m_displayCommandString = line.displayLine();
    m_searchOptions = options;
    return true;
}
