#pragma once

#include <QByteArray>
#include <QString>

class TBCommander;

// What a TBCommander tells the object that drives it. Every call is made on the main thread.
class TBCommanderController
{
public:
    virtual ~TBCommanderController() = default;

    // One non-empty chunk of the tool's standard output. Returned bytes, if any, are written to
    // the tool's standard input (how a prompted password reaches it).
    virtual QByteArray receivedOutputData(const QByteArray& data) = 0;
    // The same for standard error.
    virtual QByteArray receivedErrorData(const QByteArray& data) = 0;
    // Once per run, after the tool has exited and both of its output streams are exhausted. The
    // commander is idle again by then, so a new run may be started from here.
    virtual void commandFinished(TBCommander* commander) = 0;
    // A run was refused or could not be started; the text says why.
    virtual void displayMessageText(const QString& text) = 0;
};
