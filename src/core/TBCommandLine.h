#pragma once

#include "TBRunSettings.h"

#include <QString>
#include <QStringList>

class TBDirectory;

// The argument vector and the display line of one tool run, built side by side: every argument
// is appended to both, so the line always shows exactly what the tool receives and pastes into a
// POSIX shell as the same command. The options come from the run's settings.
class TBCommandLine
{
public:
    TBCommandLine(const QString& toolPath, const TBRunSettings& settings);

    bool enableDebug() const { return m_enableDebug; }
    qint64 debugLevel() const { return m_debugLevel; }
    qint64 connectTimeout() const { return m_connectTimeout; }
    qint64 timeLimit() const { return m_timeLimit; }
    qint64 maxHits() const { return m_maxHits; }
    bool pagedResults() const { return m_pagedResults; }
    qint64 pageSize() const { return m_pageSize; }
    qint64 fetchWhichAttrs() const { return m_fetchWhichAttrs; }

    // One argument; the display shows it through quotedString.
    void add(const QString& argument);
    void add(const QStringList& arguments);
    // One argument with a fixed display fragment, which must read back as the argument in a shell.
    void addShown(const QString& argument, const QString& shown);

    // The attribute requests that name no attribute: "'*' '+'" for 3, "'+'" for 2, else nothing.
    void addWildcardAttributeRequest();

    void addDebug(); // "-d level" when debugging is on
    void addConnectTimeout(); // "-o nettimeout=n" when n > 0
    void addTimeLimit(); // "-l n" unless n is -1
    void addSizeLimit(); // "-z n" unless n is -1
    void addPagedResults(); // "-E pr=n/noprompt" when paging is on
    void addStartTLS(const TBDirectory& directory);
    void addVersion(const TBDirectory& directory);
    void addServer(const TBDirectory& directory); // "-H uri"; the caller has checked the URI
    // The options every ldapsearch line starts with, in their fixed order, up to and including "-H uri";
    // the read of one entry asks for one entry and leaves the size limit and paging out.
    void addSearchPrologue(const TBDirectory& directory, bool withSizeLimit);
    // The bind options; bindDN replaces the directory's bind DN when not empty. Never a password.
    void addBind(const TBDirectory& directory, const QString& bindDN);

    QString toolPath() const { return m_toolPath; }
    QStringList arguments() const { return m_arguments; }
    QString displayLine() const { return m_display + QLatin1Char('\n'); }

    static QString saslMechanismText(quint64 mechanism);

    // A value as the display shows it: quotedString, but an empty value still shows as '' so
    // the shell keeps it as an argument.
    static QString displayValue(const QString& value);
    // A path or URI: shown bare when the shell reads it as it stands (the usual case, slashes and
    // all), otherwise quoted like any value.
    static QString displayWord(const QString& word);

private:
    void addBare(const QString& argument);

    QString m_toolPath;
    QStringList m_arguments;
    QString m_display;

    bool m_enableDebug = false;
    qint64 m_debugLevel = 0;
    qint64 m_connectTimeout = 0;
    qint64 m_timeLimit = -1;
    qint64 m_maxHits = -1;
    bool m_pagedResults = false;
    qint64 m_pageSize = 500;
    qint64 m_fetchWhichAttrs = 0;
};
