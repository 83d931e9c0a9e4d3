#include "TBSearcher.h"

#include "TBCommand.h"
#include "TBCommander.h"
#include "TBParser.h"

#include <QMetaObject>
#include <QMetaType>
#include <QMutex>
#include <QMutexLocker>
#include <QThread>
#include <QThreadPool>
#include <QVariant>
#include <QWaitCondition>

namespace {

// Output is parsed while the tool runs in pieces of about this size, each cut after a blank line.
constexpr qsizetype segmentSize = 2 * 1024 * 1024;

// Output of a large search runs to tens of megabytes in chunks of a pipe's size: grow in doubling
// steps so the collection stays linear.
void appendChunk(QByteArray& buffer, const QByteArray& chunk)
{
    const qsizetype needed = buffer.size() + chunk.size();
    if (needed > buffer.capacity())
        buffer.reserve(qMax(needed, buffer.capacity() * 2));
    buffer.append(chunk);
}

// The prompt may arrive split over chunks: search only the new chunk plus the prompt's length
// before it, never the whole buffer again. Returns the offset just past the prompt, or -1.
qsizetype findPromptEnd(const QByteArray& buffer, qsizetype previousSize, const QByteArray& prompt)
{
    const qsizetype from = qMax<qsizetype>(0, previousSize - (prompt.size() - 1));
    const qsizetype at = buffer.indexOf(prompt, from);
    return at < 0 ? -1 : at + prompt.size();
}

} // namespace

// The parse of one run, shared by the main thread and the worker. The output is parsed in pieces:
// each is cut just after a blank line, where an entry ends and a parser starts afresh, so the pieces
// give the same entries as one parse of the whole. The last piece comes when the tool has ended;
// the worker then posts the hand-back and waits on `released`. The main thread releases it once it
// has taken the results, and so does a searcher being destroyed, which is why the wait is not a
// blocking queued call: nothing could release that one while the main thread waits for the pool.
struct TBSearcher::ParseJob
{
    // Main thread only: the parser of every piece, to abort them.
    std::vector<std::weak_ptr<TBParser>> parsers;
    // Worker only until the hand-back has been posted.
    TBEntryList entries;
    QSet<QString> names;
    bool successful = true;

    QMutex mutex;
    QWaitCondition condition;
    bool released = false;

    void abort()
    {
        for (const std::weak_ptr<TBParser>& weak : parsers) {
            if (const std::shared_ptr<TBParser> parser = weak.lock())
                parser->abortParsing();
        }
    }
};

TBSearcher::TBSearcher(TBSearcherController* controller, QObject* parent)
    : QObject(parent)
    , m_controller(controller)
    , m_prompt(TBRunSettings().promptBytes())
{ }

TBSearcher::~TBSearcher()
{
    // The commander goes first: it kills a running tool without calling back.
    m_commander.reset();
    if (m_job) {
        m_job->abort();
        releaseJob(*m_job);
        m_job.reset();
    }
    if (m_operationQueue)
        m_operationQueue->waitForDone();
    // A hand-back still posted to this object is dropped with it, unrun.
}

bool TBSearcher::dataContainsData(QByteArrayView haystack, QByteArrayView needle)
{
    return haystack.indexOf(needle) >= 0;
}

QThreadPool* TBSearcher::operationQueue()
{
    if (!m_operationQueue) {
        m_operationQueue = std::make_unique<QThreadPool>();
        m_operationQueue->setMaxThreadCount(1);
    }
    return m_operationQueue.get();
}

bool TBSearcher::runCommand(const TBCommand& command)
{
    return runCommandString(command.commandString(), command.arguments(), command.runSettings(),
                            command.simplePassword(), command.shouldParse());
}

bool TBSearcher::runCommandString(const QString& path, const QStringList& arguments, const TBRunSettings& settings,
                                  const QString& password, bool shouldParse)
{
    if (busy())
        return false;
    if (!m_commander)
        m_commander = std::make_unique<TBCommander>(this);

    m_simplePassword = password;
    m_decodeBase64 = settings.decodeBase64;
    m_discardOutput = settings.discardOutput;
    m_prompt = settings.promptBytes();
    m_attributeKinds = settings.attributeKinds;
    m_shouldParse = shouldParse;

    m_userCanceled = false;
    m_errorText.clear();
    m_errorTitle.clear();
    m_sentPassword = false;
    m_maxHitsExceeded = false;
    m_adminLimitExceeded = false;
    m_needPassword = !m_simplePassword.isEmpty();

    m_outputData = QByteArray();
    m_outputData.reserve(1000);
    m_errorData = QByteArray();
    m_errorData.reserve(1000);

    abandonJob();
    m_parseWhileRunning = m_shouldParse;
    m_parsedUpTo = 0;
    m_lastBoundary = 0;
    m_scannedUpTo = 0;

    if (!m_commander->runCommandString(path, arguments)) {
        // The commander has put the reason into errorText.
        m_errorTitle = QStringLiteral("Could not run the command");
        m_taskStatus = -1;
        m_simplePassword.clear();
        m_needPassword = false;
        return false;
    }
    m_runningCommand = true;
    return true;
}

void TBSearcher::cancelOperation()
{
    if (m_runningCommand) {
        if (m_commander)
            m_commander->terminate();
        m_userCanceled = true;
    } else if (m_parsingOutput && m_job) {
        m_job->abort();
        m_userCanceled = true;
    }
}

void TBSearcher::clearResults()
{
    m_results = TBEntryList();
    m_returnedAttributeNames = QSet<QString>();
}

void TBSearcher::displayMessageText(const QString& text)
{
    m_errorText = text;
}

QByteArray TBSearcher::passwordLine() const
{
    return QString(m_simplePassword + QLatin1Char('\n')).toUtf8();
}

QByteArray TBSearcher::receivedOutputData(const QByteArray& data)
{
    const qsizetype previousSize = m_outputData.size();
    appendChunk(m_outputData, data);
    if (!m_needPassword || m_sentPassword) {
        noteOutputForParse();
        return QByteArray();
    }
    // Until the prompt has been answered, nothing here is known to be LDIF.
    const qsizetype promptEnd = findPromptEnd(m_outputData, previousSize, m_prompt);
    if (promptEnd < 0)
        return QByteArray();

    if (!m_discardOutput && m_controller) {
        m_controller->appendOutputHorizontalLine();
        m_controller->appendOutputData(m_outputData.first(promptEnd), true);
        m_controller->appendOutputText(QStringLiteral("<password sent>\n"), true);
    }
    // The prompt and what came before it are not LDIF; anything after it is kept.
    m_outputData = m_outputData.sliced(promptEnd);
    m_sentPassword = true;
    noteOutputForParse();
    return passwordLine();
}

// Keeps track of the last blank line in the output and queues the output up to it for parsing once
// there is enough of it. Each byte is scanned once.
void TBSearcher::noteOutputForParse()
{
    if (!m_parseWhileRunning)
        return;
    const qsizetype from = qMax(m_parsedUpTo, m_scannedUpTo - 1);
    const qsizetype at = QByteArrayView(m_outputData).sliced(from).lastIndexOf(QByteArrayView("\n\n"));
    if (at >= 0)
        m_lastBoundary = from + at + 2;
    m_scannedUpTo = m_outputData.size();
    if (m_lastBoundary - m_parsedUpTo >= segmentSize) {
        queueSegment(m_outputData.sliced(m_parsedUpTo, m_lastBoundary - m_parsedUpTo), false);
        m_parsedUpTo = m_lastBoundary;
    }
}

void TBSearcher::queueSegment(const QByteArray& segment, bool last)
{
    if (!m_job)
        m_job = std::make_shared<ParseJob>();
    auto parser = std::make_shared<TBParser>(segment, m_decodeBase64, m_attributeKinds);
    m_job->parsers.push_back(parser);
    operationQueue()->start([this, job = m_job, parser, last] { parseSegment(job, parser, last); });
}

// The output parsed so far is of no use (the tool failed, or its output is not parsed).
void TBSearcher::abandonJob()
{
    if (!m_job)
        return;
    m_job->abort();
    m_job.reset();
}

QByteArray TBSearcher::receivedErrorData(const QByteArray& data)
{
    const qsizetype previousSize = m_errorData.size();
    appendChunk(m_errorData, data);
    if (!m_needPassword || m_sentPassword)
        return QByteArray();
    const qsizetype promptEnd = findPromptEnd(m_errorData, previousSize, m_prompt);
    if (promptEnd < 0)
        return QByteArray();

    m_errorData.insert(promptEnd, "<password sent>\n");
    m_sentPassword = true;
    return passwordLine();
}

void TBSearcher::commandFinished(TBCommander* commander)
{
    if (!commander || commander != m_commander.get()) {
        displayMessageText(QStringLiteral("Received commandFinished but sender != commander"));
        return;
    }

    if (m_controller) {
        if (!m_outputData.isEmpty()) {
            m_controller->appendOutputHorizontalLine();
            if (m_discardOutput)
                m_controller->appendOutputData(QByteArrayLiteral("[Output Discarded]\n"), true);
            else
                m_controller->appendOutputData(m_outputData, true);
        }
        if (m_userCanceled)
            m_controller->appendOutputText(QStringLiteral("[Canceled Command]\n"), true);
        if (!m_errorData.isEmpty()) {
            m_controller->appendOutputHorizontalLine();
            m_controller->appendOutputText(QStringLiteral("stderr:\n\n"), false);
            m_controller->appendOutputData(m_errorData, true);
        }
    }

    m_runningCommand = false;
    m_simplePassword.clear(); // only needed while the tool runs
    m_taskStatus = commander->taskStatus();

    if (m_shouldParse) {
        if (m_taskStatus == 4) {
            m_maxHitsExceeded = true;
            m_taskStatus = 0;
        } else if (m_taskStatus == 11) {
            m_adminLimitExceeded = true;
            m_taskStatus = 0;
        }
        if (m_taskStatus == 0) {
            // Output that came before an unanswered prompt was never parsed; all of it is now.
            if (m_needPassword && !m_sentPassword)
                abandonJob();
            const qsizetype from = m_job ? m_parsedUpTo : 0;
            m_results = TBEntryList();
            m_parsingOutput = true;
            m_parsePhase = ParseQueued;
            queueSegment(from == 0 ? m_outputData : m_outputData.sliced(from), true);
            return; // the controller hears of the end after the parse
        }
    }
    abandonJob();

    if (m_taskStatus != 0 && !m_userCanceled) {
        m_errorTitle = QStringLiteral("Command returned an error (%1)").arg(m_taskStatus);
        if (m_taskStatus == 49)
            m_errorText = QStringLiteral(
                "Error 49 usually means the password was incorrect. If your password is stored in your keyring, "
                "press the Alt key when searching. Tamblin will ignore your keyring and you will be prompted to "
                "enter your password instead.");
        else
            m_errorText = QStringLiteral("More details may be in the Output text.");
    }
    if (m_controller)
        m_controller->searcherOperationFinished();
}

// Worker thread.
void TBSearcher::parseSegment(const std::shared_ptr<ParseJob>& job, const std::shared_ptr<TBParser>& parser, bool last)
{
    m_parseThread = QThread::currentThread();
    if (last)
        m_parsePhase = Parsing;
    if (job->successful) {
        parser->parse();
        if (!parser->parseSuccessful()) {
            job->successful = false;
        } else {
            if (job->entries.isEmpty())
                job->entries = parser->takeParsedData();
            else
                job->entries.append(parser->takeParsedData());
            job->names.unite(parser->returnedAttributeNames());
        }
    }
    if (!last)
        return; // this piece of the output goes with its parser, off the main thread

    m_parsePhase = ParseHandingBack;
    QMetaObject::invokeMethod(
        this, [this, job] { parseFinished(job); }, Qt::QueuedConnection);
    QMutexLocker lock(&job->mutex);
    while (!job->released)
        job->condition.wait(&job->mutex);
}

void TBSearcher::releaseJob(ParseJob& job)
{
    QMutexLocker lock(&job.mutex);
    job.released = true;
    job.condition.wakeAll();
}

void TBSearcher::parseFinished(const std::shared_ptr<ParseJob>& job)
{
    if (job != m_job) {
        releaseJob(*job);
        return;
    }
    m_job.reset();
    m_parsingOutput = false;
    m_parsePhase = ParseIdle;

    if (job->successful) {
        const qsizetype count = job->entries.size();
        if (m_adminLimitExceeded) {
            m_errorText = QStringLiteral(
                "The server responded with an \"admin limit exceeded\" error. The search may have been too \"resource "
                "intensive\" on the server.");
            m_errorTitle = QStringLiteral("Admin Limit Exceeded");
        } else if (m_maxHitsExceeded) {
            m_errorTitle = QStringLiteral("Server Returned \"Size Limit Exceeded\" Error");
            if (count > 0)
                m_errorText = QStringLiteral(
                    "There were more matches than the \"Max # Hits\" value. You can increase this value (temporarily "
                    "via Search Options or permanently via Preferences) to retrieve all of the matches.");
            else
                m_errorText = QStringLiteral(
                    "There were no matches to your query but the server responded with a \"size limit exceeded\" "
                    "error. The search may have been too \"resource intensive\" on the server.");
        }
        m_results = std::move(job->entries);
        m_returnedAttributeNames = std::move(job->names);
    } else if (m_userCanceled) {
        if (m_controller)
            m_controller->appendOutputText(QStringLiteral("[Canceled Parse]\n"), true);
    } else {
        // Showing no entries and no message would pass a failure off as an empty result.
        m_errorTitle = QStringLiteral("Could not read the command output");
        m_errorText = QStringLiteral("The output is not in the expected LDIF form, so no entries are shown. "
                                     "More details may be in the Output text.");
    }

    releaseJob(*job);
    if (m_controller)
        m_controller->searcherOperationFinished();
}
