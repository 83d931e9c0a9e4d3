#include "TBCommander.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// A read of at least this much, or of half the pipe if the pipe is smaller, means the tool is
// writing faster than we read: read again at once.
constexpr qsizetype FullRead = 256 * 1024;
// Otherwise wait this long first, so the next read collects many of the tool's small writes.
constexpr int OutputPauseMs = 1;

} // namespace

TBCommander::TBCommander(TBCommanderController* controller, QObject* parent)
    : QObject(parent)
    , m_controller(controller)
{
    m_outputPause.setSingleShot(true);
    m_outputPause.setTimerType(Qt::PreciseTimer);
    m_outputPause.setInterval(OutputPauseMs);
    connect(&m_outputPause, &QTimer::timeout, this, [this] {
        if (m_outputNotifier)
            m_outputNotifier->setEnabled(true);
    });
}

TBCommander::~TBCommander()
{
    closeOutput();
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
            m_controller->displayMessageText(
                QStringLiteral("Could not run the command: another command is still running."));
        return false;
    }

    int outputPipe[2];
    if (!openOutputPipe(outputPipe)) {
        reportStartFailure(path, qt_error_string(errno));
        return false;
    }

    auto* task = new QProcess(this);
    task->setInputChannelMode(QProcess::ManagedInputChannel);
    task->setStandardOutputFile(QProcess::nullDevice());
    // Only async-signal-safe calls may run between fork and exec. The modifier runs after the
    // standard streams are in place, so the output pipe replaces the null device; dup2 clears the
    // close-on-exec flag on the copy.
    const int outputWriteFd = outputPipe[1];
    task->setChildProcessModifier([outputWriteFd] {
        ::setsid();
        ::dup2(outputWriteFd, STDOUT_FILENO);
    });
    task->setProgram(path);
    task->setArguments(arguments);

    m_taskStatus = -1;
    task->start(QIODevice::ReadWrite);
    // Returns as soon as the exec has either happened or failed; it never waits for the tool's work.
    const bool started = task->waitForStarted(-1);
    // Only the tool may hold the writing end, or the pipe would never reach its end.
    ::close(outputPipe[1]);
    if (!started) {
        ::close(outputPipe[0]);
        const QString reason = task->errorString();
        delete task;
        m_taskStatus = -1;
        reportStartFailure(path, reason);
        return false;
    }

    m_task = task;
    m_outputFd = outputPipe[0];
    m_outputNotifier = new QSocketNotifier(m_outputFd, QSocketNotifier::Read, this);
    connect(m_outputNotifier, &QSocketNotifier::activated, this, &TBCommander::readOutput);
    connect(task, &QProcess::readyReadStandardError, this, &TBCommander::readError);
    connect(task, &QProcess::finished, this, &TBCommander::taskFinished);
    return true;
}

bool TBCommander::openOutputPipe(int (&fds)[2])
{
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    // Started with some standard stream closed, the pipe may have been given number 0, 1 or 2, where
    // the child's own streams go and would replace it: move it above them.
    for (int& fd : fds) {
        if (fd <= STDERR_FILENO) {
            const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
            if (moved >= 0) {
                ::close(fd);
                fd = moved;
            }
        }
    }
    // The tool writes blocking, as it would to a terminal; only our end reads without waiting.
    ::fcntl(fds[1], F_SETFL, ::fcntl(fds[1], F_GETFL) & ~O_NONBLOCK);
    // A roomier pipe lets the tool run on while we wait between reads. It is a request the system
    // may refuse (a user over the pipe-memory limit gets the default 64 KiB), so ask what we got.
    ::fcntl(fds[0], F_SETPIPE_SZ, 1 << 20);
    const int pipeSize = ::fcntl(fds[0], F_GETPIPE_SZ);
    m_fullRead = qBound(qsizetype(1), qsizetype(pipeSize > 0 ? pipeSize / 2 : 4096), FullRead);
    return true;
}

void TBCommander::reportStartFailure(const QString& path, const QString& reason)
{
    if (m_controller)
        m_controller->displayMessageText(QStringLiteral("Could not run %1: %2").arg(path, reason));
}

void TBCommander::terminate()
{
    if (m_task && m_task->state() != QProcess::NotRunning)
        m_task->terminate();
}

void TBCommander::readOutput()
{
    if (readOutputOnce() < m_fullRead && m_outputNotifier)
        pauseOutput();
}

qsizetype TBCommander::readOutputOnce()
{
    while (m_outputFd >= 0) {
        int available = 0;
        if (::ioctl(m_outputFd, FIONREAD, &available) != 0 || available <= 0)
            available = 4096; // still read: only a read tells the end from nothing yet
        QByteArray chunk(available, Qt::Uninitialized);
        const ssize_t got = ::read(m_outputFd, chunk.data(), size_t(chunk.size()));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && errno == EAGAIN)
            return 0;
        if (got <= 0) {
            // The end of the stream (or a failed pipe): nothing more will come.
            closeOutput();
            return 0;
        }
        chunk.truncate(got);
        deliver(chunk, false);
        return got;
    }
    return 0;
}

void TBCommander::pauseOutput()
{
    m_outputNotifier->setEnabled(false);
    m_outputPause.start();
}

void TBCommander::closeOutput()
{
    m_outputPause.stop();
    if (m_outputNotifier) {
        // Often called from the notifier's own signal: stop it now, delete it once that returns.
        m_outputNotifier->setEnabled(false);
        m_outputNotifier->disconnect(this);
        m_outputNotifier->deleteLater();
        m_outputNotifier = nullptr;
    }
    if (m_outputFd >= 0)
        ::close(m_outputFd);
    m_outputFd = -1;
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

    // The tool has exited, so everything it wrote is in the pipes now. Read the output pipe until
    // it is empty: to its end, or until only a program the tool left behind still holds it open.
    // QProcess has drained standard error already; whatever it still buffers is the last of it.
    while (m_outputFd >= 0 && readOutputOnce() > 0) { }
    closeOutput();
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
