#pragma once

// Helpers shared by the benchmark programs.

#include "TBParser.h"

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>

#include <sys/resource.h>
#include <unistd.h>

namespace bench {

// Before the application object: the shipped defaults and attribute lists (settings in the
// scratch folder, never the user's), and no display needed.
inline void useScratchSettings(const QTemporaryDir& config)
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

inline QString env(const char* name)
{
    return QString::fromLocal8Bit(qgetenv(name));
}

// CPU time of this process (all threads) or of its waited-for children, in nanoseconds.
inline qint64 cpuNow(int who = RUSAGE_SELF)
{
    struct rusage usage
    {
    };
    getrusage(who, &usage);
    return (qint64(usage.ru_utime.tv_sec) + usage.ru_stime.tv_sec) * 1000000000
        + (qint64(usage.ru_utime.tv_usec) + usage.ru_stime.tv_usec) * 1000;
}

inline double peakRssMB()
{
    struct rusage usage
    {
    };
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// Wall time of `ldapsearch arguments > /dev/null`, the password (if any) written to its standard
// input as the searcher does; -1 when the tool fails.
inline qint64 runRawLdapsearch(const QString& tool, const QStringList& arguments, const QString& password)
{
    QProcess process;
    process.setProgram(tool);
    process.setArguments(arguments);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    // Same as Tamblin's tool: no terminal, so -W reads the password from standard input.
    process.setChildProcessModifier([] { ::setsid(); });
    QElapsedTimer clock;
    clock.start();
    process.start();
    if (!process.waitForStarted(-1))
        return -1;
    if (!password.isEmpty())
        process.write(QString(password + QLatin1Char('\n')).toUtf8());
    process.waitForFinished(-1);
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0 ? clock.nsecsElapsed() : -1;
}

// The entries of a saved ldapsearch output; none when the file cannot be read.
inline TBEntryList parsedEntries(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    TBParser parser(file.readAll(), true);
    parser.parse();
    return parser.takeParsedData();
}

// Notes when the event loop last turned and the longest gap between two turns.
class StallMeter : public QObject
{
public:
    StallMeter()
    {
        m_timer.setInterval(2);
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
    }
    void start()
    {
        m_clock.start();
        m_last = 0;
        m_longest = 0;
        m_timer.start();
    }
    qint64 stop()
    {
        m_timer.stop();
        return std::max(m_longest, m_clock.nsecsElapsed() - m_last);
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

inline double ms(qint64 ns)
{
    return double(ns) / 1e6;
}

} // namespace bench
