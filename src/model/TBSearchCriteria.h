#pragma once

#include "TBSearchItem.h"

#include <QByteArray>
#include <QString>
#include <QVariantMap>

#include <memory>

class TBSearchCriteria;
using TBSearchCriteriaPtr = std::shared_ptr<TBSearchCriteria>;

// A named, ordered list of conditions, all joined by AND. defaultAttribute is the attribute a new
// condition starts with (see TBSearchItem).
class TBSearchCriteria
{
public:
    explicit TBSearchCriteria(const QString& defaultAttribute = QString()); // "New Search" with one default item

    static TBSearchCriteriaPtr searchCriteria(const QString& defaultAttribute = QString());
    // Same name, a copy of each item.
    static TBSearchCriteriaPtr searchCriteriaWithSearchCriteria(const TBSearchCriteria& other);
    static TBSearchCriteriaPtr searchCriteriaWithDictionary(const QVariantMap& dict,
                                                            const TBAttributeRegistry& registry,
                                                            const QString& defaultAttribute);
    TBSearchCriteriaPtr copy() const; // deep copy: shares no item with this one

    // Archive form (drag data under "searchCriteriaDragType"): an XML property list of the keys
    // "name" and "searchItems" (each item with "searchAttr", "searchType", "searchText").
    static TBSearchCriteriaPtr searchCriteriaWithArchive(const QByteArray& archive, const QString& defaultAttribute);
    QByteArray archive() const;

    QVariantMap dictionaryRepresentation() const;
    QString description() const;
    QString tooltipDescription() const;

    qsizetype numSearchItems() const { return m_searchItems.size(); }
    TBSearchItemPtr searchItemAtIndex(qsizetype index) const; // null outside the list
    void insertSearchItem(const TBSearchItemPtr& item, qsizetype index);
    void removeSearchItemAtIndex(qsizetype index);

    QString name() const { return m_name; }
    void setName(const QString& v) { m_name = v; }
    const TBSearchItemList& searchItems() const { return m_searchItems; }
    void setSearchItems(const TBSearchItemList& v) { m_searchItems = v; }

private:
    QString m_name = QStringLiteral("New Search");
    TBSearchItemList m_searchItems;
};
