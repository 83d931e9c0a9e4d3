#include "TBCommander.h"

#include <fcntl.h>
#include <unistd.h>

TBCommander::TBCommander(TBCommanderController* controller, QObject* parent)
    : QObject(parent)
    , m_controller(controller)
{ }

TBCommander::~TBCommander()
{
    if (m_task) {
        m_task->disconnect(this);
        if (m_task->state() != QProcess::NotRunning) {
            m_task->kill();
            m_task->waitForFinished(-1);
        }
        delete m_task;
        m_task = nullptr;
    }
}

qint64 TBCommander::processId() const
{
    return m_task ? m_task->processId() : 0;
}

bool TBCommander::runCommandString(const QString& path, const QStringList& arguments)
{
    if (m_task) {
        if (m_controller)
            m_controller->displayMessageText(QStringLiteral("TBCommander: Tried to runCommand, but task != nil!"));
        return false;
    }

    auto* task = new QProcess(this);
    task->setProcessChannelMode(QProcess::SeparateChannels);
    task->setInputChannelMode(QProcess::ManagedInputChannel);
    // Only async-signal-safe calls may run between fork and exec. A large search prints tens of
    // megabytes: a roomier output pipe lets the tool run on instead of waiting for every 64 KiB to
    // be read (the size is a hint; the system may refuse it).
    task->setChildProcessModifier([] {
        ::setsid();
        ::fcntl(STDOUT_FILENO, F_SETPIPE_SZ, 1 << 20);
    });
    task->setProgram(path);
    task->setArguments(arguments);

    m_taskStatus = -1;
    task->start(QIODevice::ReadWrite);
    // Returns as soon as the exec has either happened or failed; it never waits for the tool's work.
    if (!task->waitForStarted(-1)) {
        const QString reason = task->errorString();
        delete task;
        m_taskStatus = -1;
        if (m_controller)
            m_controller->displayMessageText(QStringLiteral("TBCommander: Could not run %1: %2").arg(path, reason));
        return false;
    }

    m_task = task;
    connect(task, &QProcess::readyReadStandardOutput, this, &TBCommander::readOutput);
    connect(task, &QProcess::readyReadStandardError, this, &TBCommander::readError);
    connect(task, &QProcess::finished, this, &TBCommander::taskFinished);
    return true;
}

void TBCommander::terminate()
{
    if (m_task && m_task->state() != QProcess::NotRunning)
        m_task->terminate();
}

void TBCommander::readOutput()
{
    if (m_task)
        deliver(m_task->readAllStandardOutput(), false);
}

void TBCommander::readError()
{
    if (m_task)
        deliver(m_task->readAllStandardError(), true);
}

void TBCommander::deliver(const QByteArray& chunk, bool isError)
{
    if (chunk.isEmpty() || !m_controller)
        return;
    const QByteArray answer
        = isError ? m_controller->receivedErrorData(chunk) : m_controller->receivedOutputData(chunk);
    if (!answer.isEmpty() && m_task && m_task->state() == QProcess::Running)
        m_task->write(answer);
}

void TBCommander::taskFinished(int exitCode, QProcess::ExitStatus exitStatus)
{
    QProcess* task = m_task;
    if (!task || sender() != task)
        return;

    // QProcess drains both pipes before it reports the exit; whatever it still buffers is the last
    // of each stream.
    deliver(task->readAllStandardOutput(), false);
    deliver(task->readAllStandardError(), true);

    m_taskStatus = exitStatus == QProcess::NormalExit ? exitCode : 128 + exitCode;

    // Become idle before telling the controller, which may start the next run from its callback.
    // The process object is still emitting this signal, so it is only scheduled for deletion.
    task->disconnect(this);
    task->setParent(nullptr);
    task->deleteLater();
    m_task = nullptr;

    if (m_controller)
        m_controller->commandFinished(this);
}
