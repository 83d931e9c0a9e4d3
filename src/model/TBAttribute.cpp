#include "TBAttribute.h"

#include "TBAttributeRegistry.h"
#include "TBPropertyList.h"

#include <algorithm>
#include <atomic>

namespace {

const QString kAttributeID = QStringLiteral("AttributeID");
const QString kAttributeName = QStringLiteral("AttributeName");
const QString kFriendlyName = QStringLiteral("FriendlyName");
const QString kAttributeType = QStringLiteral("AttributeType");
const QString kDefaultAttr = QStringLiteral("DefaultAttr");

// Identifiers are never stored: they only need to be unique and increasing within one run.
std::atomic<qint64> s_nextAttributeID {0};

} // namespace

TBAttribute::TBAttribute()
    : m_attributeID(s_nextAttributeID.fetch_add(1))
{ }

TBAttribute::TBAttribute(const TBAttribute& other)
    : m_attributeID(s_nextAttributeID.fetch_add(1))
    , m_attributeName(other.m_attributeName)
    , m_friendlyName(other.m_friendlyName)
    , m_attributeType(other.m_attributeType)
    , m_defaultAttr(other.m_defaultAttr)
{ }

TBAttributePtr TBAttribute::attribute()
{
    return std::make_shared<TBAttribute>();
}

TBAttributePtr TBAttribute::attributeWithAttribute(const TBAttribute& other)
{
    return std::make_shared<TBAttribute>(other);
}

TBAttributePtr TBAttribute::attributeWithDictionary(const QVariantMap& dict, const TBAttributeRegistry& registry)
{
    auto attr = attribute();
    const QVariant name = dict.value(kAttributeName);
    if (TBPropertyList::isString(name) && registry.attributeExists(name.toString()))
        attr->m_attributeName = name.toString();
    const QVariant friendly = dict.value(kFriendlyName);
    if (TBPropertyList::isString(friendly))
        attr->m_friendlyName = friendly.toString();
    const QVariant type = dict.value(kAttributeType);
    if (TBPropertyList::isNumber(type))
        attr->m_attributeType = type.toLongLong();
    const QVariant flag = dict.value(kDefaultAttr);
    if (TBPropertyList::isNumber(flag))
        attr->m_defaultAttr = flag.toBool();
    return attr;
}

TBAttributePtr TBAttribute::attributeWithArchive(const QByteArray& archive, const TBAttributeRegistry& registry)
{
    const QVariant root = TBPropertyList::fromData(archive);
    if (!TBPropertyList::isDictionary(root))
        return nullptr;
    const QVariantMap map = root.toMap();
    auto attr = attribute();
    // Coder rules: a missing object decodes as nothing, a missing number as 0.
    const QVariant name = map.value(kAttributeName);
    const QString decodedName = TBPropertyList::isString(name) ? name.toString() : QString();
    attr->m_attributeName = registry.attributeExists(decodedName) ? decodedName : QStringLiteral("unknownattribute");
    const QVariant friendly = map.value(kFriendlyName);
    attr->m_friendlyName = TBPropertyList::isString(friendly) ? friendly.toString() : QString();
    const QVariant type = map.value(kAttributeType);
    attr->m_attributeType = TBPropertyList::isNumber(type) ? type.toLongLong() : 0;
    const QVariant flag = map.value(kDefaultAttr);
    attr->m_defaultAttr = TBPropertyList::isNumber(flag) && flag.toBool();
    return attr;
}

QByteArray TBAttribute::archive() const
{
    return TBPropertyList::toXml(dictionaryRepresentation());
}

QVariantMap TBAttribute::dictionaryRepresentation() const
{
    return QVariantMap {
        {kAttributeName, m_attributeName},
        {kFriendlyName, m_friendlyName},
        {kAttributeType, QVariant::fromValue<qint64>(m_attributeType)},
        {kDefaultAttr, m_defaultAttr},
    };
}

QString TBAttribute::description() const
{
    return QStringLiteral("%1: %2\n").arg(kAttributeID).arg(m_attributeID)
        + QStringLiteral("%1: %2\n").arg(kAttributeName, m_attributeName)
        + QStringLiteral("%1: %2\n").arg(kFriendlyName, m_friendlyName)
        + QStringLiteral("%1: %2\n").arg(kAttributeType).arg(m_attributeType)
        + QStringLiteral("%1: %2\n").arg(kDefaultAttr).arg(m_defaultAttr ? 1 : 0);
}

int TBAttribute::compareAttribute(const TBAttribute& other) const
{
    return QString::compare(m_attributeName, other.m_attributeName, Qt::CaseInsensitive);
}

TBAttributeList TBAttribute::attrArrayFromDict(const QVariantMap& dict, qint64 attributeType, bool defaultAttr)
{
    TBAttributeList attrs;
    attrs.reserve(std::max<qsizetype>(8, dict.size()));
    // QVariantMap keeps its keys in plain, case-sensitive order, so identifiers follow that order.
    for (auto it = dict.cbegin(); it != dict.cend(); ++it) {
        auto attr = attribute();
        attr->m_attributeName = it.key();
        const QString friendly = TBPropertyList::isString(it.value()) ? it.value().toString() : QString();
        attr->m_friendlyName = friendly.isEmpty() ? it.key() : friendly;
        attr->m_attributeType = attributeType;
        attr->m_defaultAttr = defaultAttr;
        attrs.append(attr);
    }
    return attrs;
}

QVariantMap TBAttribute::dictFromAttrArray(const TBAttributeList& attrs)
{
    QVariantMap dict;
    for (const auto& attr : attrs) {
        if (attr)
            dict.insert(attr->attributeName(), attr->friendlyName());
    }
    return dict;
}
