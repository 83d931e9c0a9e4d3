#pragma once

#include "TBEntry.h" // defines TBEntryPtr (std::shared_ptr<TBEntry>) and TBEntryList (QList<TBEntryPtr>)

#include <QByteArray>
#include <QByteArrayView>
#include <QSet>
#include <QString>

#include <atomic>
#include <optional>

// Turns the LDIF that `ldapsearch -LLL` prints into entries. Runs on the searcher's worker thread;
// abortParsing() may be called from any thread and is polled after every line.
class TBParser
{
public:
    TBParser(const QByteArray& data, bool decodeBase64);

    // False only for hard failures (no data, a continuation line with nothing to continue);
    // callers read parseSuccessful().
    bool parse();
    void abortParsing() { m_aborting.store(true); }
    bool aborting() const { return m_aborting.load(); }
    bool parseSuccessful() const { return m_parseSuccessful; }

    const TBEntryList& parsedData() const { return m_parsedData; }
    TBEntryList takeParsedData() { return std::move(m_parsedData); }
    // Lower-cased names of every attribute met.
    const QSet<QString>& returnedAttributeNames() const { return m_returnedAttributeNames; }

    // Lenient base64: characters outside the alphabet are skipped. nullopt only when the result
    // cannot be represented (see the .cpp).
    static std::optional<QByteArray> decodeBase64String(QByteArrayView text);

private:
    QByteArray m_data;
    bool m_decodeBase64 = true;
    std::atomic<bool> m_aborting {false};
    bool m_parseSuccessful = false;
    TBEntryList m_parsedData;
    QSet<QString> m_returnedAttributeNames;
};
