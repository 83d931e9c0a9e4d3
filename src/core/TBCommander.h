#pragma once

#include "TBCommanderController.h"

#include <QObject>
#include <QProcess>
#include <QSocketNotifier>
#include <QString>
#include <QStringList>
#include <QTimer>

// Runs one external tool at a time with its three standard streams on pipes, hands every chunk of
// standard output and standard error to its controller, writes the controller's answers to the
// tool's standard input, and reports once when the tool has exited and both streams are exhausted.
// It keeps no output itself. Main thread only.
//
// The tool is started in a session of its own, without a controlling terminal: the OpenLDAP tools
// read a prompted password from /dev/tty when they have one, and would hang there when Tamblin
// itself was started from a terminal.
//
// Standard output comes through a pipe of the commander's own rather than QProcess's: a search can
// print tens of megabytes in 4 KiB writes, and waking up for every one of them costs more than the
// search itself. After a small read the commander waits a moment before reading again, so the
// output arrives in large pieces; the end is still reported only when the pipe is empty.
class TBCommander : public QObject
{
    Q_OBJECT
public:
    // The controller is not owned and must outlive the commander (or be cleared first).
    explicit TBCommander(TBCommanderController* controller, QObject* parent = nullptr);
    // Kills a tool that is still running, without telling the controller.
    ~TBCommander() override;

    TBCommanderController* controller() const { return m_controller; }
    void setController(TBCommanderController* controller) { m_controller = controller; }

    // Starts the executable at path with the arguments (no shell is involved). False when a run is
    // already active or the executable cannot be started; the controller is told why through
    // displayMessageText() and the commander stays as it was (idle after a failed start).
    bool runCommandString(const QString& path, const QStringList& arguments = QStringList());
    // Asks a running tool to terminate; its end is reported the usual way. Idle: nothing.
    void terminate();

    // Exit status of the last finished run; -1 from a start until the end is reported. A tool killed
    // by a signal gets 128 + the signal number, as a shell reports it, so that a crash can never be
    // mistaken for one of the statuses that mean success.
    qint64 taskStatus() const { return m_taskStatus; }
    // A run is active (started, end not yet reported).
    bool isRunning() const { return m_task != nullptr; }
    // Process id of the running tool, 0 when idle.
    qint64 processId() const;

private:
    // A pipe for the tool's standard output: [0] ours to read, [1] the tool's. False with errno set.
    bool openOutputPipe(int (&fds)[2]);
    void reportStartFailure(const QString& path, const QString& reason);
    void readOutput();
    // Reads what the output pipe holds now and hands it on; 0 when nothing was there or it ended.
    qsizetype readOutputOnce();
    void pauseOutput();
    void closeOutput();
    void readError();
    void deliver(const QByteArray& chunk, bool isError);
    void taskFinished(int exitCode, QProcess::ExitStatus exitStatus);

    TBCommanderController* m_controller = nullptr;
    QProcess* m_task = nullptr;
    int m_outputFd = -1;
    qsizetype m_fullRead = 0; // a read this large is followed by another at once

    QSocketNotifier* m_outputNotifier = nullptr;
    QTimer m_outputPause;
    qint64 m_taskStatus = -1;
};
