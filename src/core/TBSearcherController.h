#pragma once

#include <QByteArray>
#include <QString>

// What a TBSearcher tells the window that owns it; what a run needs comes with the command. Every
// call is made on the main thread.
class TBSearcherController
{
public:
    virtual ~TBSearcherController() = default;

    // The operation is over: read the searcher's taskStatus, errorTitle, errorText, results,
    // returnedAttributeNames and userCanceled.
    virtual void searcherOperationFinished() = 0;

    virtual void appendOutputText(const QString& text, bool fixedFont) = 0;
    // Raw tool output, shown as UTF-8 text.
    virtual void appendOutputData(const QByteArray& data, bool fixedFont) = 0;
    virtual void appendOutputHorizontalLine() = 0;
};
