#pragma once

#include "TBAttributeRegistry.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantMap>

// The settings one run of a tool uses, resolved once, before the command is built, from the
// preferences and the window's options; the command carries them to the searcher and the parser.
// Nothing below the windows reads the preferences itself. The defaults are the preferences' defaults.
struct TBRunSettings
{
    QString pathLDAPSearch = QStringLiteral("/usr/bin/ldapsearch");
    QString pathLDAPWhoami = QStringLiteral("/usr/bin/ldapwhoami");
    QString passwordPrompt = QStringLiteral("Enter LDAP Password: ");
    qint64 fetchWhichAttrs = 0;
    qint64 maxHits = 100;
    qint64 timeLimit = 60;
    // Paged results (searches and listings ask for pages of pageSize entries until all came).
    bool pagedResults = false;
    qint64 pageSize = 500;
    qint64 connectTimeout = 10;
    bool enableDebug = false;
    qint64 debugLevel = 0;
    bool decodeBase64 = true;
    bool discardOutput = false;
    bool autoAddDiscoveredAttributes = true;
    bool autoDisplayAttributeColumns = true;
    // The attributes a search requests with "FetchWhichAttrs" 1 (the registry's basic attributes).
    QStringList basicAttributes;
    // What the parser makes pictures and raw bytes of.
    TBAttributeKinds attributeKinds;

    // These settings with a window's options applied. The options dictionary is keyed like the
    // user defaults ("MaxHits", "DecodeBase64", ...); a key holding a number (a boolean, an integer
    // or a floating-point number, as a property list has them) overrides the setting, any other
    // kind of value is ignored and the setting stays.
    TBRunSettings withOptions(const QVariantMap& options) const;

    // The tools' paths, or their usual places when empty.
    QString searchToolPath() const;
    QString whoamiToolPath() const;
    // The prompt to answer, as the tools print it (UTF-8); the usual one when empty.
    QByteArray promptBytes() const;

    // The one reading of an options dictionary: the key's number, else the fallback. A boolean reads
    // as not zero; a floating-point number as an integer by its whole part (out of range or NaN
    // counts as the wrong kind).
    static bool boolOption(const QVariantMap& options, const QString& key, bool fallback);
    static qint64 integerOption(const QVariantMap& options, const QString& key, qint64 fallback);
};
