#pragma once

#include "TBDirectory.h"
#include "TBRunSettings.h"
#include "TBSearchCriteria.h"

#include <QString>
#include <QStringList>

#include <memory>

class TBCommand;
class TBCommandLine;
using TBCommandPtr = std::shared_ptr<TBCommand>;

enum TBCommandType : qint64 {
    TBCommandTypeNone = 0,
    TBCommandTypeSearch = 1,
    TBCommandTypeSearchOne = 2,
    TBCommandTypeBrowse = 3,
    TBCommandTypeWhoami = 4,
};

// One tool run, described before it starts. Subclasses fill in the command line.
class TBCommand
{
public:
    TBCommand();
    virtual ~TBCommand() = default;

    // Builds commandString, arguments and displayCommandString from the directory and the run's
    // settings, which the command then keeps for the searcher. On failure returns false, sets
    // errorMessage (and sometimes errorTitle) and leaves the command fields unchanged.
    virtual bool setupCommandAndArguments(const TBRunSettings& settings);

    // Quotes a value for a display line that pastes into a POSIX shell.
    static QString quotedString(const QString& text);

    qint64 commandType() const { return m_commandType; }
    bool shouldParse() const { return m_shouldParse; }
    TBDirectoryPtr directory() const { return m_directory; }
    void setDirectory(const TBDirectoryPtr& v) { m_directory = v; }
    TBSearchCriteriaPtr searchCriteria() const { return m_searchCriteria; }
    void setSearchCriteria(const TBSearchCriteriaPtr& v) { m_searchCriteria = v; }
    QString dn() const { return m_dn; }
    void setDn(const QString& v) { m_dn = v; }
    QString simpleID() const { return m_simpleID; }
    void setSimpleID(const QString& v) { m_simpleID = v; }
    QString simplePassword() const { return m_simplePassword; }
    void setSimplePassword(const QString& v) { m_simplePassword = v; }
    // The settings of the last successful build.
    const TBRunSettings& runSettings() const { return m_runSettings; }
    QString commandString() const { return m_commandString; }
    QStringList arguments() const { return m_arguments; }
    QString displayCommandString() const { return m_displayCommandString; }
    QString errorTitle() const { return m_errorTitle; }
    QString errorMessage() const { return m_errorMessage; }

protected:
    // The preconditions shared by the commands, each false with errorMessage set. The first clears
    // the error fields of a previous attempt.
    bool checkDirectory();
    bool checkDn(const QString& operation);
    bool checkLdapURI();
    // The line becomes this command: tool, arguments and display line.
    void adoptCommandLine(const TBCommandLine& line, const TBRunSettings& settings);

    qint64 m_commandType = TBCommandTypeNone;
    bool m_shouldParse = false;
    TBDirectoryPtr m_directory;
    TBSearchCriteriaPtr m_searchCriteria;
    QString m_dn;
    QString m_simpleID;
    QString m_simplePassword;
    TBRunSettings m_runSettings;
    QString m_commandString;
    QStringList m_arguments;
    QString m_displayCommandString;
    QString m_errorTitle;
    QString m_errorMessage;
};
