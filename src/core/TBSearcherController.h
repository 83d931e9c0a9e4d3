#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantMap>

// What a TBSearcher asks of and tells the window that owns it. Every call is made on the main thread.
class TBSearcherController
{
public:
    virtual ~TBSearcherController() = default;

    // Whether the running command's standard output is LDIF to be parsed into entries.
    virtual bool shouldParse() = 0;
    // Per-run parameters: "password" (a non-empty QString), "DecodeBase64" and "DiscardOutput"
    // (booleans). Missing keys fall back to the preferences; an empty map means none.
    virtual QVariantMap getSearchParameters() = 0;
    // The operation is over: read the searcher's taskStatus, errorTitle, errorText, results,
    // returnedAttributeNames and userCanceled.
    virtual void searcherOperationFinished() = 0;

    virtual void appendOutputText(const QString& text, bool fixedFont) = 0;
    // Raw tool output, shown as UTF-8 text.
    virtual void appendOutputData(const QByteArray& data, bool fixedFont) = 0;
    virtual void appendOutputHorizontalLine() = 0;
};
