#include "TBSearchCriteria.h"

#include "TBPropertyList.h"

#include <QDebug>

namespace {

const QString kName = QStringLiteral("name");
const QString kSearchItems = QStringLiteral("searchItems");
const QString kSearchSpecs = QStringLiteral("searchSpecs");
const QString kNewSearch = QStringLiteral("New Search");

// Items of an archive: dictionaries only; anything else makes the archive unusable.
bool archivedItems(const QVariant& value, const QString& defaultAttribute, TBSearchItemList* items)
{
    if (!TBPropertyList::isArray(value))
        return false;
    const QVariantList list = value.toList();
    items->clear();
    items->reserve(list.size());
    for (const QVariant& element : list) {
        if (!TBPropertyList::isDictionary(element))
            return false;
        const QVariantMap map = element.toMap();
        // Archives older than "searchItems" may carry items in the older searchSpecs form (a numbered attribute,
        // "searchtype"); read those by that form's rules rather than losing their attribute and type.
        const bool specForm = TBPropertyList::isNumber(map.value(QStringLiteral("searchAttr")))
            || map.contains(QStringLiteral("searchtype"));
        items->append(specForm ? TBSearchItem::searchItemWithSpecDictionary(map, defaultAttribute)
                               : TBSearchItem::searchItemWithArchive(map, defaultAttribute));
    }
    return true;
}

} // namespace

TBSearchCriteria::TBSearchCriteria(const QString& defaultAttribute)
{
    m_searchItems.reserve(4);
    m_searchItems.append(TBSearchItem::searchItem(defaultAttribute));
}

TBSearchCriteriaPtr TBSearchCriteria::searchCriteria(const QString& defaultAttribute)
{
    return std::make_shared<TBSearchCriteria>(defaultAttribute);
}

TBSearchCriteriaPtr TBSearchCriteria::searchCriteriaWithSearchCriteria(const TBSearchCriteria& other)
{
    return other.copy();
}

TBSearchCriteriaPtr TBSearchCriteria::searchCriteriaWithDictionary(const QVariantMap& dict,
                                                                   const TBAttributeRegistry& registry,
                                                                   const QString& defaultAttribute)
{
    auto criteria = searchCriteria(defaultAttribute);
    const QVariant name = dict.value(kName);
    if (TBPropertyList::isString(name))
        criteria->m_name = name.toString();
    if (criteria->m_name.isEmpty())
        criteria->m_name = kNewSearch;
    const QVariant specs = dict.value(kSearchSpecs);
    if (TBPropertyList::isArray(specs))
        criteria->m_searchItems = TBSearchItem::searchItemArrayFromSpecDictArray(specs.toList(), defaultAttribute);
    const QVariant items = dict.value(kSearchItems);
    if (TBPropertyList::isArray(items))
        criteria->m_searchItems
            = TBSearchItem::searchItemArrayFromDictArray(items.toList(), registry, defaultAttribute);
    return criteria;
}

TBSearchCriteriaPtr TBSearchCriteria::copy() const
{
    auto criteria = searchCriteria();
    criteria->m_name = m_name;
    criteria->m_searchItems.clear();
    for (const auto& item : m_searchItems) {
        if (item)
            criteria->m_searchItems.append(item->copy());
    }
    return criteria;
}

TBSearchCriteriaPtr TBSearchCriteria::searchCriteriaWithArchive(const QByteArray& archive,
                                                                const QString& defaultAttribute)
{
    if (archive.isEmpty())
        return nullptr;
    const QVariant root = TBPropertyList::fromData(archive);
    if (!TBPropertyList::isDictionary(root))
        return nullptr;
    const QVariantMap map = root.toMap();
    auto criteria = searchCriteria(defaultAttribute);
    // Coder rules: a missing name decodes as nothing; without "searchItems" the older "searchSpecs"
    // list is taken; without either the list is empty.
    criteria->m_name.clear();
    if (map.contains(kName)) {
        if (!TBPropertyList::isString(map.value(kName)))
            return nullptr;
        criteria->m_name = map.value(kName).toString();
    }
    criteria->m_searchItems.clear();
    const QString itemsKey = map.contains(kSearchItems) ? kSearchItems : kSearchSpecs;
    if (map.contains(itemsKey) && !archivedItems(map.value(itemsKey), defaultAttribute, &criteria->m_searchItems))
        return nullptr;
    return criteria;
}

QByteArray TBSearchCriteria::archive() const
{
    QVariantList items;
    items.reserve(m_searchItems.size());
    for (const auto& item : m_searchItems) {
        if (item)
            items.append(item->archiveRepresentation());
    }
    return TBPropertyList::toXml(
        QVariantMap {{kName, m_name.isNull() ? QStringLiteral("") : m_name}, {kSearchItems, items}});
}

QVariantMap TBSearchCriteria::dictionaryRepresentation() const
{
    return QVariantMap {{kName, m_name.isNull() ? QStringLiteral("") : m_name},
                        {kSearchItems, TBSearchItem::dictArrayFromSearchItemArray(m_searchItems)}};
}

QString TBSearchCriteria::description() const
{
    QString text;
    QDebug(&text).nospace() << dictionaryRepresentation();
    return text;
}

QString TBSearchCriteria::tooltipDescription() const
{
    QString text = m_name;
    for (const auto& item : m_searchItems) {
        if (item)
            text += QStringLiteral("\n- ") + item->tooltipDescription();
    }
    return text;
}

TBSearchItemPtr TBSearchCriteria::searchItemAtIndex(qsizetype index) const
{
    if (index < 0 || index >= m_searchItems.size())
        return nullptr;
    return m_searchItems.at(index);
}

void TBSearchCriteria::insertSearchItem(const TBSearchItemPtr& item, qsizetype index)
{
    if (!item || index < 0 || index > m_searchItems.size())
        return;
    m_searchItems.insert(index, item);
}

void TBSearchCriteria::removeSearchItemAtIndex(qsizetype index)
{
    if (index < 0 || index >= m_searchItems.size())
        return;
    m_searchItems.removeAt(index);
}
