#pragma once

#include "TBAttributeRegistry.h" // TBAttributeKinds
#include "TBEntry.h" // defines TBEntryPtr (std::shared_ptr<TBEntry>) and TBEntryList (QList<TBEntryPtr>)

#include <QByteArray>
#include <QByteArrayView>
#include <QSet>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>

// Turns the LDIF that `ldapsearch -LLL` prints into entries. Runs on the searcher's worker thread;
// abortParsing() may be called from any thread and is polled after every line.
class TBParser
{
public:
    // The kinds say which attributes hold pictures and which raw bytes (none by default); the
    // parser keeps its own copy, so the registry may change while it runs.
    TBParser(const QByteArray& data, bool decodeBase64, const TBAttributeKinds& kinds = TBAttributeKinds());
    // The same with the lower-cased image and binary attribute names given.
    TBParser(const QByteArray& data, bool decodeBase64, const QSet<QString>& imageAttributes,
             const QSet<QString>& binaryAttributes);
    ~TBParser();
    TBParser(const TBParser&) = delete;
    TBParser& operator=(const TBParser&) = delete;

    // False only for a hard failure (a continuation line with nothing to continue); callers read
    // parseSuccessful(). No data at all is a successful parse that found no entries.
    bool parse();
    void abortParsing() { m_aborting.store(true); }
    bool aborting() const { return m_aborting.load(); }
    bool parseSuccessful() const { return m_parseSuccessful; }

    const TBEntryList& parsedData() const { return m_parsedData; }
    TBEntryList takeParsedData() { return std::move(m_parsedData); }
    // Lower-cased names of every attribute met.
    const QSet<QString>& returnedAttributeNames() const { return m_returnedAttributeNames; }

    // Lenient base64: characters outside the alphabet are skipped. nullopt only when a "=" stands
    // where no padding can be (see the .cpp).
    static std::optional<QByteArray> decodeBase64String(QByteArrayView text);

private:
    struct State;

    void addLine(QByteArrayView line);

    QByteArray m_data;
    TBAttributeKinds m_kinds;
    std::unique_ptr<State> m_state;
    bool m_decodeBase64 = true;
    std::atomic<bool> m_aborting {false};
    bool m_parseSuccessful = false;
    TBEntryList m_parsedData;
    QSet<QString> m_returnedAttributeNames;
};
