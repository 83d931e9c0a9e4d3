#include "TBCommandSearch.h"

#include "TBCommandLine.h"

#include <algorithm>

TBCommandSearch::TBCommandSearch()
{
    m_commandType = TBCommandTypeSearch;
    m_shouldParse = true;
    m_directory.reset();
    m_searchCriteria.reset();
}

std::optional<QString> TBCommandSearch::buildSearchFilter()
{
    if (!m_searchCriteria)
        return QString();

    TBSearchItemList items;
    for (const TBSearchItemPtr& item : m_searchCriteria->searchItems()) {
        if (item)
            items.append(item);
    }

    QString filter;
    if (items.size() >= 2)
        filter += QStringLiteral("(&");
    for (const TBSearchItemPtr& item : items) {
        const qint64 type = item->searchType();
        const bool presence = type == TBSearchTypeExists || type == TBSearchTypeIsMissing;
        QString text = presence ? QStringLiteral("*") : item->searchText();
        if (item->searchAttr().isEmpty()) {
            m_errorMessage = QStringLiteral("A specified search attribute is missing. (This is actually a bug...)");
            m_errorTitle = QStringLiteral("No search attribute?");
            return std::nullopt;
        }
        if (text.isEmpty()) {
            m_errorMessage
                = QStringLiteral("You haven't specified anything to search for. (This is actually a bug...)");
            m_errorTitle = QStringLiteral("No search values?");
            return std::nullopt;
        }
        if (!presence)
            text = quotedFilterString(text);

        filter += QLatin1Char('(');
        if (type == TBSearchTypeIsMissing)
            filter += QStringLiteral("!(");
        filter += item->searchAttr();
        if (type == TBSearchTypeIsSimilarTo)
            filter += QLatin1Char('~');
        filter += QLatin1Char('=');
        if (type == TBSearchTypeContains || type == TBSearchTypeEndsWith)
            filter += QLatin1Char('*');
        filter += text;
        if (type == TBSearchTypeContains || type == TBSearchTypeStartsWith)
            filter += QLatin1Char('*');
        if (type == TBSearchTypeIsMissing)
            filter += QLatin1Char(')');
        filter += QLatin1Char(')');
    }
    if (items.size() >= 2)
        filter += QLatin1Char(')');
    return filter;
}

QString TBCommandSearch::quotedFilterString(const QString& text)
{
    // Wildcards come only from the search type, so a typed "*" is matched literally. The backslash
    // goes first so the backslashes of the other replacements stay intact. NUL would cut the
    // argument short, so it is escaped too.
    static const QString special = QStringLiteral("\\&()*/=><|~") + QChar(u'\0');
    if (std::none_of(text.cbegin(), text.cend(), [](QChar c) { return special.contains(c); }))
        return text;

    QString escaped;
    escaped.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (special.contains(c))
            escaped += QStringLiteral("\\%1").arg(uint(c.unicode()), 2, 16, QLatin1Char('0'));
        else
            escaped += c;
    }
    return escaped;
}

bool TBCommandSearch::setupCommandAndArguments(const TBRunSettings& settings)
{
    if (!checkDirectory())
        return false;
    if (!m_searchCriteria) {
        m_errorMessage = QStringLiteral("searchCriteria == nil?");
        return false;
    }
    const std::optional<QString> filter = buildSearchFilter();
    if (!filter)
        return false;
    if (!checkLdapURI())
        return false;

    TBCommandLine line(settings.searchToolPath(), settings);
    line.addSearchPrologue(*m_directory, true);
    // No "-s": the tool's default subtree scope.
    if (!m_directory->searchBase().isEmpty())
        line.add({QStringLiteral("-b"), m_directory->searchBase()});
    line.addBind(*m_directory, m_simpleID);
    // No conditions match every entry. An empty argument would not be taken as a filter by the tool
    // and would vanish when the display line is pasted into a shell, so say so explicitly.
    line.add(filter->isEmpty() ? QStringLiteral("(objectclass=*)") : *filter);

    switch (line.fetchWhichAttrs()) {
    case 1: {
        // The condition attributes the basic list lacks, then the basic list; not de-duplicated.
        for (const TBSearchItemPtr& item : m_searchCriteria->searchItems()) {
            if (item && !settings.basicAttributes.contains(item->searchAttr()))
                line.add(item->searchAttr());
        }
        line.add(settings.basicAttributes);
        break;
    }
    case 2:
    case 3:
        line.addWildcardAttributeRequest();
        break;
    case 4:
        line.add(QStringLiteral("1.1"));
        break;
    default:
        break;
    }

    adoptCommandLine(line, settings);
    return true;
}
