#include "TBRunSettings.h"

#include "TBPropertyList.h"

#include <cmath>
#include <limits>

namespace {

bool isFloating(const QVariant& value)
{
    return value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float;
}

} // namespace

TBRunSettings TBRunSettings::withOptions(const QVariantMap& options) const
{
    TBRunSettings run = *this;
    if (options.isEmpty())
        return run;
    run.fetchWhichAttrs = integerOption(options, QStringLiteral("FetchWhichAttrs"), fetchWhichAttrs);
    run.maxHits = integerOption(options, QStringLiteral("MaxHits"), maxHits);
    run.timeLimit = integerOption(options, QStringLiteral("TimeLimit"), timeLimit);
    run.pagedResults = boolOption(options, QStringLiteral("PagedResults"), pagedResults);
    run.pageSize = integerOption(options, QStringLiteral("PageSize"), pageSize);
    run.connectTimeout = integerOption(options, QStringLiteral("ConnectTimeout"), connectTimeout);
    run.enableDebug = boolOption(options, QStringLiteral("EnableDebug"), enableDebug);
    run.debugLevel = integerOption(options, QStringLiteral("DebugLevel"), debugLevel);
    run.decodeBase64 = boolOption(options, QStringLiteral("DecodeBase64"), decodeBase64);
    run.discardOutput = boolOption(options, QStringLiteral("DiscardOutput"), discardOutput);
    run.autoAddDiscoveredAttributes
        = boolOption(options, QStringLiteral("AutoAddDiscoveredAttributes"), autoAddDiscoveredAttributes);
    run.autoDisplayAttributeColumns
        = boolOption(options, QStringLiteral("AutoDisplayAttributeColumns"), autoDisplayAttributeColumns);
    return run;
}

QString TBRunSettings::searchToolPath() const
{
    return pathLDAPSearch.isEmpty() ? QStringLiteral("/usr/bin/ldapsearch") : pathLDAPSearch;
}

QString TBRunSettings::whoamiToolPath() const
{
    return pathLDAPWhoami.isEmpty() ? QStringLiteral("/usr/bin/ldapwhoami") : pathLDAPWhoami;
}

QByteArray TBRunSettings::promptBytes() const
{
    return passwordPrompt.isEmpty() ? QByteArrayLiteral("Enter LDAP Password: ") : passwordPrompt.toUtf8();
}

bool TBRunSettings::boolOption(const QVariantMap& options, const QString& key, bool fallback)
{
    const auto it = options.constFind(key);
    if (it == options.cend() || !TBPropertyList::isNumber(*it))
        return fallback;
    return isFloating(*it) ? it->toDouble() != 0.0 : it->toLongLong() != 0;
}

qint64 TBRunSettings::integerOption(const QVariantMap& options, const QString& key, qint64 fallback)
{
    const auto it = options.constFind(key);
    if (it == options.cend() || !TBPropertyList::isNumber(*it))
        return fallback;
    if (isFloating(*it)) {
        // Whole part, like any integer reading of a number; out of range or NaN counts as wrong kind.
        const double d = std::trunc(it->toDouble());
        if (!(d >= double(std::numeric_limits<qint64>::min()) && d < double(std::numeric_limits<qint64>::max())))
            return fallback;
        return qint64(d);
    }
    return it->toLongLong();
}
