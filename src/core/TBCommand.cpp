#include "TBCommand.h"

#include "TBCommandLine.h"

namespace {

// Characters that make a POSIX shell read a word differently; a value holding any of them is
// single-quoted in display lines. "!" is history expansion in the interactive shell the line is
// pasted into.
constexpr char16_t kShellSpecialCharacters[] = {
    u' ', u'\t', u'~', u'`', u'#', u'$',  u'&', u'*', u'(', u')', u'\\', u'|',
    u'[', u']',  u'{', u'}', u';', u'\'', u'"', u'<', u'>', u'/', u'?',  u'!',
};

bool needsQuoting(const QString& text)
{
    for (const QChar c : text) {
        // A line break would end the command; other control characters are quoted along with it.
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return true;
        for (const char16_t special : kShellSpecialCharacters) {
            if (c.unicode() == special)
                return true;
        }
    }
    return false;
}

} // namespace

TBCommand::TBCommand()
    : m_simpleID(QStringLiteral(""))
    , m_simplePassword(QStringLiteral(""))
    , m_errorTitle(QStringLiteral(""))
    , m_errorMessage(QStringLiteral(""))
{ }

bool TBCommand::setupCommandAndArguments(const TBRunSettings& settings)
{
    Q_UNUSED(settings);
    // Only the subclasses know a tool; the base answers with a command that can never do harm.
    m_commandString = QStringLiteral("/usr/bin/false");
    m_arguments = QStringList();
    m_displayCommandString = QStringLiteral("Error - invalid TBCommand");
    m_errorTitle = QStringLiteral("Implementation Error");
    m_errorMessage = QStringLiteral("TBCommand subclass didn't override setupCommandAndArguments");
    return false;
}

QString TBCommand::quotedString(const QString& text)
{
    if (text.isEmpty())
        return QStringLiteral("");
    if (!needsQuoting(text))
        return text;
    QString quoted = text;
    // Inside single quotes nothing is special but the quote itself: close, escape it, reopen.
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

bool TBCommand::checkDirectory()
{
    m_errorTitle = QStringLiteral("");
    m_errorMessage = QStringLiteral("");
    if (!m_directory)
        m_errorMessage = QStringLiteral("Directory == nil?");
    return m_errorMessage.isEmpty();
}

bool TBCommand::checkDn(const QString& operation)
{
    if (m_dn.isEmpty())
        m_errorMessage = QStringLiteral("Tried to %1 but dn is missing").arg(operation);
    return m_errorMessage.isEmpty();
}

bool TBCommand::checkLdapURI()
{
    if (m_directory->ldapURI().isEmpty())
        m_errorMessage = QStringLiteral("Directory is missing LDAPURI");
    return m_errorMessage.isEmpty();
}

void TBCommand::adoptCommandLine(const TBCommandLine& line, const TBRunSettings& settings)
{
    m_commandString = line.toolPath();
    m_arguments = line.arguments();
    m_displayCommandString = line.displayLine();
    m_runSettings = settings;
}
