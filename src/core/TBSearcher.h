#pragma once

#include "TBCommanderController.h"
#include "TBEntry.h"
#include "TBRunSettings.h"
#include "TBSearcherController.h"

#include <QByteArray>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <utility>

class QThread;
class QThreadPool;
class TBCommand;
class TBCommander;
class TBParser;

// Runs one built command for a window: starts the tool through its TBCommander, collects standard
// output and standard error, answers the tool's password prompt once, copies the output into the
// window's Output text, judges the exit status, parses the output into entries on a worker thread
// and tells the window when the whole operation is over. One operation at a time.
//
// Everything but the parse happens on the main thread. The parse runs on a pool of width one and
// hands back to the main thread synchronously: the worker waits until the main thread has taken
// the results. A large output is parsed in pieces cut at blank lines while the tool still runs, so
// the parse overlaps the search; the pieces count only when the tool ends with a status worth
// parsing, exactly as if the whole output had been parsed at the end. Destroying the searcher mid-operation is safe: it
// kills the tool, aborts the parse, releases a worker waiting for the hand-back and waits for the pool, without calling
// the window.
class TBSearcher : public QObject, public TBCommanderController
{
    Q_OBJECT
public:
    // Where the parse of the current operation stands (for diagnostics and tests).
    enum ParsePhase { ParseIdle, ParseQueued, Parsing, ParseHandingBack };

    // The controller is not owned and must outlive the searcher.
    explicit TBSearcher(TBSearcherController* controller, QObject* parent = nullptr);
    ~TBSearcher() override;

    TBSearcherController* controller() const { return m_controller; }

    // Starts the command's tool with what the command knows: its run settings (output discarding,
    // base64 decoding, the prompt, the attribute kinds), its password and whether its output is
    // parsed. False when busy or when the tool could not be started; then errorTitle() and
    // errorText() say why when there is something to say.
    bool runCommand(const TBCommand& command);
    // The same for a tool and arguments given directly; a non-empty password answers the prompt.
    bool runCommandString(const QString& path, const QStringList& arguments,
                          const TBRunSettings& settings = TBRunSettings(), const QString& password = QString(),
                          bool shouldParse = true);
    // A tool runs or its output is being parsed.
    bool busy() const { return m_runningCommand || m_parsingOutput; }
    // Terminates a running tool, else aborts a running parse, else does nothing.
    void cancelOperation();
    void clearResults();

    // Whether needle's bytes occur anywhere in haystack.
    static bool dataContainsData(QByteArrayView haystack, QByteArrayView needle);
    // The password prompt the current (or last) run looks for.
    QByteArray promptBytes() const { return m_prompt; }

    // TBCommanderController
    QByteArray receivedOutputData(const QByteArray& data) override;
    QByteArray receivedErrorData(const QByteArray& data) override;
    void commandFinished(TBCommander* commander) override;
    void displayMessageText(const QString& text) override;

    TBCommander* commander() const { return m_commander.get(); }
    // Standard output of the current or last run (restarted after the password prompt) and
    // standard error (with "<password sent>" after the prompt).
    const QByteArray& outputData() const { return m_outputData; }
    const QByteArray& errorData() const { return m_errorData; }
    // Exit status of the last run; 4 and 11 of a parsed command count as 0 (see the flags below).
    qint64 taskStatus() const { return m_taskStatus; }
    QString errorTitle() const { return m_errorTitle; }
    QString errorText() const { return m_errorText; }
    const TBEntryList& results() const { return m_results; }
    TBEntryList takeResults() { return std::exchange(m_results, TBEntryList()); }
    const QSet<QString>& returnedAttributeNames() const { return m_returnedAttributeNames; }

    bool runningCommand() const { return m_runningCommand; }
    bool parsingOutput() const { return m_parsingOutput; }
    bool userCanceled() const { return m_userCanceled; }
    bool needPassword() const { return m_needPassword; }
    bool sentPassword() const { return m_sentPassword; }
    bool decodeBase64() const { return m_decodeBase64; }
    bool discardOutput() const { return m_discardOutput; }
    bool shouldParse() const { return m_shouldParse; }
    bool maxHitsExceeded() const { return m_maxHitsExceeded; }
    bool adminLimitExceeded() const { return m_adminLimitExceeded; }

    // The width-one pool the parses run on (made on first use).
    QThreadPool* operationQueue();
    ParsePhase parsePhase() const { return m_parsePhase.load(); }
    // The thread the last parse ran on; null before the first parse.
    QThread* lastParseThread() const { return m_parseThread.load(); }

private:
    struct ParseJob;

    QByteArray passwordLine() const;
    void noteOutputForParse();
    void queueSegment(const QByteArray& segment, bool last);
    void abandonJob();
    void parseSegment(const std::shared_ptr<ParseJob>& job, const std::shared_ptr<TBParser>& parser, bool last);
    void parseFinished(const std::shared_ptr<ParseJob>& job);
    static void releaseJob(ParseJob& job);

    TBSearcherController* m_controller = nullptr;
    std::unique_ptr<TBCommander> m_commander;
    std::unique_ptr<QThreadPool> m_operationQueue;
    std::shared_ptr<ParseJob> m_job; // the parse of the current run, begun while the tool runs
    bool m_parseWhileRunning = false;
    qsizetype m_parsedUpTo = 0; // output before this offset is queued for parsing
    qsizetype m_lastBoundary = 0; // just past the last blank line seen in the output
    qsizetype m_scannedUpTo = 0; // output before this offset has been searched for blank lines

    QByteArray m_outputData;
    QByteArray m_errorData;
    qint64 m_taskStatus = 0;
    QString m_errorTitle;
    QString m_errorText;
    TBEntryList m_results;
    QSet<QString> m_returnedAttributeNames;
    QString m_simplePassword;
    QByteArray m_prompt;
    TBAttributeKinds m_attributeKinds;

    bool m_runningCommand = false;
    bool m_parsingOutput = false;
    bool m_userCanceled = false;
    bool m_needPassword = false;
    bool m_sentPassword = false;
    bool m_decodeBase64 = false;
    bool m_discardOutput = false;
    bool m_shouldParse = false;
    bool m_maxHitsExceeded = false;
    bool m_adminLimitExceeded = false;

    std::atomic<ParsePhase> m_parsePhase {ParseIdle};
    std::atomic<QThread*> m_parseThread {nullptr};
};
