#include "TBSearchItem.h"

#include "TBAttributeRegistry.h"
#include "TBPropertyList.h"

namespace {

const QString kSearchAttr = QStringLiteral("searchAttr");
const QString kSearchType = QStringLiteral("searchType");
const QString kSearchText = QStringLiteral("searchText");
// The older item form spells the type key with a small "t" and may name the attribute freely.
const QString kSpecSearchType = QStringLiteral("searchtype");
const QString kSpecOtherAttr = QStringLiteral("otherAttr");
const QString kUnknownAttribute = QStringLiteral("unknownattribute");

// Pop-ups that show nothing selected hand over -1; anything else outside the menu is reset.
qint64 typeInRange(qint64 type)
{
    return (type < -1 || type > TBSearchTypeIsMissing) ? TBSearchTypeIs : type;
}

} // namespace

TBSearchItem::TBSearchItem(const QString& attribute)
    : m_searchAttr(attribute.isEmpty() ? QStringLiteral("dn") : attribute)
    , m_searchText(QStringLiteral(""))
{ }

TBSearchItemPtr TBSearchItem::searchItem(const QString& attribute)
{
    return std::make_shared<TBSearchItem>(attribute);
}

TBSearchItemPtr TBSearchItem::searchItemWithDictionary(const QVariantMap& dict, const TBAttributeRegistry& registry,
                                                       const QString& defaultAttribute)
{
    auto item = searchItem(defaultAttribute);
    const QVariant attr = dict.value(kSearchAttr);
    if (TBPropertyList::isString(attr) && registry.attributeExists(attr.toString()))
        item->m_searchAttr = attr.toString();
    if (item->m_searchAttr.isEmpty())
        item->m_searchAttr = kUnknownAttribute;
    const QVariant type = dict.value(kSearchType);
    if (TBPropertyList::isNumber(type))
        item->m_searchType = type.toLongLong();
    item->m_searchType = typeInRange(item->m_searchType);
    const QVariant text = dict.value(kSearchText);
    if (TBPropertyList::isString(text))
        item->m_searchText = text.toString();
    return item;
}

TBSearchItemPtr TBSearchItem::searchItemWithSpecDictionary(const QVariantMap& dict, const QString& defaultAttribute)
{
    static const QStringList fixedAttributes {QStringLiteral("sn"), QStringLiteral("cn"), QStringLiteral("ou"),
                                              QStringLiteral("mail")};
    auto item = searchItem(defaultAttribute);
    const QVariant attr = dict.value(kSearchAttr);
    if (TBPropertyList::isNumber(attr)) {
        const qint64 index = attr.toLongLong();
        item->m_searchAttr
            = (index >= 0 && index < fixedAttributes.size()) ? fixedAttributes.at(index) : kUnknownAttribute;
    }
    const QVariant other = dict.value(kSpecOtherAttr);
    if (TBPropertyList::isString(other) && !other.toString().isEmpty())
        item->m_searchAttr = other.toString().toLower();
    const QVariant type = dict.value(kSpecSearchType);
    if (TBPropertyList::isNumber(type))
        item->m_searchType = typeInRange(type.toLongLong());
    const QVariant text = dict.value(kSearchText);
    if (TBPropertyList::isString(text))
        item->m_searchText = text.toString();
    return item;
}

TBSearchItemPtr TBSearchItem::searchItemWithArchive(const QVariantMap& archive, const QString& defaultAttribute)
{
    // Coder rules: a missing text decodes as nothing and a missing number as 0; a value of the wrong
    // kind is ignored and the field keeps its default.
    auto item = searchItem(defaultAttribute);
    if (!archive.contains(kSearchAttr))
        item->m_searchAttr = QString();
    else if (TBPropertyList::isString(archive.value(kSearchAttr)))
        item->m_searchAttr = archive.value(kSearchAttr).toString();
    if (!archive.contains(kSearchType))
        item->m_searchType = 0;
    else if (TBPropertyList::isNumber(archive.value(kSearchType)))
        item->m_searchType = archive.value(kSearchType).toLongLong();
    if (!archive.contains(kSearchText))
        item->m_searchText = QString();
    else if (TBPropertyList::isString(archive.value(kSearchText)))
        item->m_searchText = archive.value(kSearchText).toString();
    return item;
}

QVariantMap TBSearchItem::archiveRepresentation() const
{
    return dictionaryRepresentation();
}

TBSearchItemPtr TBSearchItem::copy() const
{
    // The archive form has every key with its right kind, so no default shows through.
    return searchItemWithArchive(archiveRepresentation(), QString());
}

QVariantMap TBSearchItem::dictionaryRepresentation() const
{
    // Written as strings even when empty, so the plist form always has all three keys.
    return QVariantMap {
        {kSearchAttr, m_searchAttr.isNull() ? QStringLiteral("") : m_searchAttr},
        {kSearchType, QVariant::fromValue<qint64>(m_searchType)},
        {kSearchText, m_searchText.isNull() ? QStringLiteral("") : m_searchText},
    };
}

QString TBSearchItem::description() const
{
    return QStringLiteral("attr:%1 type:%2 text:%3").arg(m_searchAttr, QString::number(m_searchType), m_searchText);
}

QString TBSearchItem::tooltipDescription() const
{
    return conditionText(m_searchAttr);
}

QString TBSearchItem::conditionText(const QString& attribute) const
{
    QString text = attribute + QLatin1Char(' ') + searchTypeAsString();
    if (takesText())
        text += QLatin1Char(' ') + m_searchText;
    return text;
}

QString TBSearchItem::searchTypeAsString() const
{
    return searchTypeAsString(m_searchType);
}

QString TBSearchItem::searchTypeAsString(qint64 searchType)
{
    switch (searchType) {
    case TBSearchTypeIs:
        return QStringLiteral("is");
    case TBSearchTypeIsSimilarTo:
        return QStringLiteral("is similar to");
    case TBSearchTypeContains:
        return QStringLiteral("contains");
    case TBSearchTypeStartsWith:
        return QStringLiteral("starts with");
    case TBSearchTypeEndsWith:
        return QStringLiteral("ends with");
    case TBSearchTypeExists:
        return QStringLiteral("exists");
    case TBSearchTypeIsMissing:
        return QStringLiteral("is missing");
    default:
        return QStringLiteral("unknown search type");
    }
}

QString TBSearchItem::searchAttrAsString(const TBAttributeRegistry& registry) const
{
    const TBAttributePtr attr = registry.attributeWithName(m_searchAttr);
    if (attr && !attr->friendlyName().isEmpty())
        return QStringLiteral("%1 (%2)").arg(attr->friendlyName(), m_searchAttr);
    return m_searchAttr;
}

QString TBSearchItem::anyOrMissingString() const
{
    if (m_searchType == TBSearchTypeExists)
        return QStringLiteral("(exists)");
    if (m_searchType == TBSearchTypeIsMissing)
        return QStringLiteral("(missing)");
    return QStringLiteral("?");
}

bool TBSearchItem::includedInAttrMenus(const TBAttributeRegistry& registry) const
{
    return registry.isBasicAttribute(m_searchAttr);
}

QVariantList TBSearchItem::dictArrayFromSearchItemArray(const TBSearchItemList& items)
{
    QVariantList dicts;
    dicts.reserve(items.size());
    for (const auto& item : items) {
        if (item)
            dicts.append(item->dictionaryRepresentation());
    }
    return dicts;
}

TBSearchItemList TBSearchItem::searchItemArrayFromDictArray(const QVariantList& dicts,
                                                            const TBAttributeRegistry& registry,
                                                            const QString& defaultAttribute)
{
    TBSearchItemList items;
    items.reserve(dicts.size());
    for (const QVariant& dict : dicts)
        items.append(searchItemWithDictionary(TBPropertyList::isDictionary(dict) ? dict.toMap() : QVariantMap(),
                                              registry, defaultAttribute));
    return items;
}

TBSearchItemList TBSearchItem::searchItemArrayFromSpecDictArray(const QVariantList& dicts,
                                                                const QString& defaultAttribute)
{
    TBSearchItemList items;
    items.reserve(dicts.size());
    for (const QVariant& dict : dicts)
        items.append(searchItemWithSpecDictionary(TBPropertyList::isDictionary(dict) ? dict.toMap() : QVariantMap(),
                                                  defaultAttribute));
    return items;
}
