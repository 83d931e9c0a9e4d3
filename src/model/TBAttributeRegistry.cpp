#include "TBAttributeRegistry.h"

#include "TBLog.h"
#include "TBNotificationCenter.h"
#include "TBPropertyList.h"
#include "TBUserDefaults.h"

#include <algorithm>

namespace {

const QString kCustomAttributes = QStringLiteral("CustomAttributes");
const QString kCustomImageAttributes = QStringLiteral("CustomImageAttributes");
const QString kCustomBinaryAttributes = QStringLiteral("CustomBinaryAttributes");
const QString kBasicAttributes = QStringLiteral("BasicAttributes");
const QString kDisplayedAttributeColumns = QStringLiteral("DisplayedAttributeColumns");
const QString kPrefNotifyAction = QStringLiteral("PrefNotifyAction");
const QString kAttributeNames = QStringLiteral("AttributeNames");

// Built-in attribute tables, used when a shipped list is missing or unreadable.
struct DefaultList
{
    QString resource;
    QString logLine;
    QVariantMap fallback;
};

const DefaultList& defaultList(qint64 kind)
{
    static const DefaultList lists[] = {
        {QStringLiteral("DefaultAttrs"),
         QStringLiteral("DefaultAttrs.plist file missing or corrupt. Using minimal defaults."),
         {{QStringLiteral("dn"), QStringLiteral("Distinguished Name")},
          {QStringLiteral("ou"), QStringLiteral("Organizational Unit")},
          {QStringLiteral("sn"), QStringLiteral("Last Name")},
          {QStringLiteral("cn"), QStringLiteral("Full Name")},
          {QStringLiteral("mail"), QStringLiteral("Email")}}},
        {QStringLiteral("DefaultImageAttrs"),
         QStringLiteral("DefaultImageAttrs.plist file missing or corrupt. Using minimal defaults."),
         {{QStringLiteral("jpegphoto"), QStringLiteral("JPEG Photo")},
          {QStringLiteral("photo"), QStringLiteral("Photo")}}},
        {QStringLiteral("DefaultBinaryAttrs"),
         QStringLiteral("DefaultBinaryAttrs.plist file missing or corrupt. Using minimal defaults."),
         {{QStringLiteral("objectguid"), QStringLiteral("")}, {QStringLiteral("objectsid"), QStringLiteral("")}}},
        {QStringLiteral("DefaultADTimeAttrs"),
         QStringLiteral("DefaultADTimeAttrs file missing or corrupt. Using minimal defaults."),
         {{QStringLiteral("accountexpires"), QStringLiteral("Account Expires")},
          {QStringLiteral("badpasswordtime"), QStringLiteral("Bad Password Time")},
          {QStringLiteral("lastlogoff"), QStringLiteral("Last Logoff")},
          {QStringLiteral("lastlogon"), QStringLiteral("Last Logon")},
          {QStringLiteral("lastLogonTimestamp"), QStringLiteral("Last Logon Timestamp")},
          {QStringLiteral("pwdlastset"), QStringLiteral("Password Last Set")}}},
    };
    return lists[kind];
}

const QStringList& fallbackBasicAttributes()
{
    static const QStringList names {QStringLiteral("dn"), QStringLiteral("cn"),   QStringLiteral("sn"),
                                    QStringLiteral("ou"), QStringLiteral("mail"), QStringLiteral("objectclass")};
    return names;
}

const QStringList& fallbackDisplayedAttributeColumns()
{
    static const QStringList names {QStringLiteral("dn"), QStringLiteral("cn"), QStringLiteral("sn"),
                                    QStringLiteral("ou"), QStringLiteral("mail")};
    return names;
}

QString s_defaultListsFolder = QStringLiteral(":/defaults");

// The parser asks about every attribute line, so the scan stays cheap: no reference counting, and
// names of another length are skipped before the case-insensitive comparison (which compares code
// unit by code unit, so it never matches names of different lengths).
const TBAttributePtr* findByName(const TBAttributeList& list, const QString& name)
{
    const qsizetype length = name.size();
    for (const auto& attr : list) {
        if (!attr)
            continue;
        const QString& candidate = attr->attributeName();
        if (candidate.size() == length && QString::compare(candidate, name, Qt::CaseInsensitive) == 0)
            return &attr;
    }
    return nullptr;
}

// Whether a name has a kind: its own definition of that kind, or, when it has no definition of
// the other kind and carries options, its base name's.
template<typename Has, typename HasOther>
bool hasKind(const QString& name, Has has, HasOther hasOther)
{
    if (has(name))
        return true;
    const qsizetype semicolon = name.indexOf(u';');
    if (semicolon <= 0 || hasOther(name))
        return false;
    return has(name.left(semicolon));
}

void sortByName(TBAttributeList& list)
{
    std::stable_sort(list.begin(), list.end(),
                     [](const TBAttributePtr& a, const TBAttributePtr& b) { return a->compareAttribute(*b) < 0; });
}

QStringList stringsOf(const QVariant& value)
{
    QStringList names;
    if (!TBPropertyList::isArray(value))
        return names;
    for (const QVariant& element : value.toList()) {
        if (TBPropertyList::isString(element))
            names.append(element.toString());
    }
    return names;
}

// Property lists know arrays, not string lists.
QVariantList variantList(const QStringList& names)
{
    QVariantList list;
    list.reserve(names.size());
    for (const QString& name : names)
        list.append(name);
    return list;
}

} // namespace

TBAttributeRegistry::TBAttributeRegistry(TBUserDefaults* store, QObject* sender)
    : m_store(store)
    , m_sender(sender)
{ }

void TBAttributeRegistry::setDefaultListsFolder(const QString& path)
{
    s_defaultListsFolder = path;
}

QString TBAttributeRegistry::defaultListsFolder()
{
    return s_defaultListsFolder;
}

QList<const TBAttributeList*> TBAttributeRegistry::allAttributeArrays() const
{
    return {&m_defaultAttrs, &m_defaultImageAttrs, &m_defaultBinaryAttrs,
            &m_customAttrs,  &m_customImageAttrs,  &m_customBinaryAttrs};
}

TBAttributePtr TBAttributeRegistry::attributeWithName(const QString& name) const
{
    // Last list first, so a custom definition hides a default one of the same name.
    for (const TBAttributeList* list : {&m_customBinaryAttrs, &m_customImageAttrs, &m_customAttrs,
                                        &m_defaultBinaryAttrs, &m_defaultImageAttrs, &m_defaultAttrs}) {
        if (const TBAttributePtr* attr = findByName(*list, name))
            return *attr;
    }
    return nullptr;
}

TBAttributePtr TBAttributeRegistry::attributeWithID(qint64 attributeID) const
{
    for (const TBAttributeList* list : {&m_customBinaryAttrs, &m_customImageAttrs, &m_customAttrs,
                                        &m_defaultBinaryAttrs, &m_defaultImageAttrs, &m_defaultAttrs}) {
        for (const auto& attr : *list) {
            if (attr && attr->attributeID() == attributeID)
                return attr;
        }
    }
    return nullptr;
}

bool TBAttributeRegistry::attributeExists(const QString& name) const
{
    for (const TBAttributeList* list : {&m_customBinaryAttrs, &m_customImageAttrs, &m_customAttrs,
                                        &m_defaultBinaryAttrs, &m_defaultImageAttrs, &m_defaultAttrs}) {
        if (findByName(*list, name))
            return true;
    }
    return false;
}

QString TBAttributeRegistry::friendlyNameForAttribute(const QString& name, const QString& missingValue) const
{
    for (const TBAttributeList* list : {&m_customBinaryAttrs, &m_customImageAttrs, &m_customAttrs,
                                        &m_defaultBinaryAttrs, &m_defaultImageAttrs, &m_defaultAttrs}) {
        if (const TBAttributePtr* attr = findByName(*list, name))
            return (*attr)->friendlyName();
    }
    return missingValue.isNull() ? QStringLiteral("") : missingValue;
}

bool TBAttributeRegistry::isImageAttribute(const QString& name) const
{
    return hasKind(
        name,
        [this](const QString& n) { return findByName(m_customImageAttrs, n) || findByName(m_defaultImageAttrs, n); },
        [this](const QString& n) { return findByName(m_customBinaryAttrs, n) || findByName(m_defaultBinaryAttrs, n); });
}

bool TBAttributeRegistry::isBinaryAttribute(const QString& name) const
{
    return hasKind(
        name,
        [this](const QString& n) { return findByName(m_customBinaryAttrs, n) || findByName(m_defaultBinaryAttrs, n); },
        [this](const QString& n) { return findByName(m_customImageAttrs, n) || findByName(m_defaultImageAttrs, n); });
}

bool TBAttributeRegistry::isImageOrBinaryAttribute(const QString& name) const
{
    return isImageAttribute(name) || isBinaryAttribute(name);
}

bool TBAttributeRegistry::isADTimeAttribute(const QString& name) const
{
    return hasKind(
        name, [this](const QString& n) { return findByName(m_defaultADTimestampAttrs, n) != nullptr; },
        [this](const QString& n) { return isImageOrBinaryAttribute(n); });
}

bool TBAttributeKinds::isImage(const QString& lowerName) const
{
    return hasKind(
        lowerName, [this](const QString& n) { return imageNames.contains(n); },
        [this](const QString& n) { return binaryNames.contains(n); });
}

bool TBAttributeKinds::isBinary(const QString& lowerName) const
{
    return hasKind(
        lowerName, [this](const QString& n) { return binaryNames.contains(n); },
        [this](const QString& n) { return imageNames.contains(n); });
}

TBAttributeKinds TBAttributeRegistry::kinds() const
{
    auto lowerCased = [](const TBAttributeList& first, const TBAttributeList& second) {
        QSet<QString> names;
        for (const TBAttributeList* list : {&first, &second}) {
            for (const TBAttributePtr& attribute : *list) {
                if (attribute)
                    names.insert(attribute->attributeName().toLower());
            }
        }
        return names;
    };
    return {lowerCased(m_customImageAttrs, m_defaultImageAttrs), lowerCased(m_customBinaryAttrs, m_defaultBinaryAttrs)};
}

bool TBAttributeRegistry::isBasicAttribute(const QString& name) const
{
    return m_basicAttributes.contains(name);
}

bool TBAttributeRegistry::isAttributeColumnDisplayedForAttribute(const QString& name) const
{
    return m_displayedAttributeColumns.contains(name);
}

bool TBAttributeRegistry::isAttributeColumnHiddenForAttribute(const QString& name) const
{
    return !isAttributeColumnDisplayedForAttribute(name);
}

void TBAttributeRegistry::addAttribute(const TBAttributePtr& attribute)
{
    if (!attribute)
        return;
    TBAttributeList* list = nullptr;
    switch (attribute->attributeType()) {
    case TBAttributeTypeText:
        list = &m_customAttrs;
        break;
    case TBAttributeTypeImage:
        list = &m_customImageAttrs;
        break;
    case TBAttributeTypeBinary:
        list = &m_customBinaryAttrs;
        break;
    default:
        TBLog(QStringLiteral("Tried to add unknown attribute type %1").arg(attribute->attributeType()));
        return;
    }
    list->append(attribute);
    sortByName(*list);
}

bool TBAttributeRegistry::changeAttribute(qint64 attributeID, const QString& name, const QString& friendlyName,
                                          qint64 attributeType)
{
    if (attributeType != TBAttributeTypeText && attributeType != TBAttributeTypeImage
        && attributeType != TBAttributeTypeBinary)
        return false;
    TBAttributePtr attribute;
    for (TBAttributeList* list : {&m_customAttrs, &m_customImageAttrs, &m_customBinaryAttrs}) {
        const auto it = std::find_if(list->begin(), list->end(), [attributeID](const TBAttributePtr& a) {
            return a->attributeID() == attributeID;
        });
        if (it != list->end()) {
            attribute = *it;
            list->erase(it);
            break;
        }
    }
    if (!attribute)
        return false;
    const QString oldName = attribute->attributeName();
    attribute->setAttributeName(name);
    attribute->setFriendlyName(friendlyName);
    attribute->setAttributeType(attributeType);
    addAttribute(attribute);

    // In place rather than at the end, so the attribute menus keep their order.
    for (QStringList* names : {&m_basicAttributes, &m_displayedAttributeColumns}) {
        const qsizetype at = names->indexOf(oldName);
        if (at < 0 || oldName == name)
            continue;
        names->removeAll(oldName);
        if (!names->contains(name))
            names->insert(std::min(at, names->size()), name);
    }
    return true;
}

void TBAttributeRegistry::addOneAttributeWithName(const QString& name)
{
    addMultAttributesWithNames({name});
}

void TBAttributeRegistry::addMultAttributesWithNames(const QStringList& names)
{
    QStringList added;
    for (const QString& name : names) {
        // An empty name is no attribute; it would only make a blank menu item.
        if (name.isEmpty() || attributeExists(name))
            continue;
        auto attr = TBAttribute::attribute();
        attr->setAttributeName(name);
        attr->setFriendlyName(name);
        attr->setAttributeType(TBAttributeTypeText);
        attr->setDefaultAttr(false);
        m_customAttrs.append(attr);
        added.append(name);
    }
    if (added.isEmpty())
        return;
    sortByName(m_customAttrs);
    postAttributesChanged(TBPrefNotifyAttributesAdded, &added);
}

void TBAttributeRegistry::addDiscoveredAttributes(const QSet<QString>& names, bool addDiscovered, bool displayColumns)
{
    if (!addDiscovered || names.isEmpty())
        return;
    // A set has no order; sorting keeps the notification and the new columns reproducible.
    QStringList sorted(names.cbegin(), names.cend());
    sorted.sort();
    addMultAttributesWithNames(sorted);
    if (displayColumns)
        addMultToDisplayedAttributeColumns(sorted);
}

void TBAttributeRegistry::removeAttribute(const TBAttributePtr& attribute)
{
    if (attribute)
        removeAttributeID(attribute->attributeID());
}

void TBAttributeRegistry::removeAttributeID(qint64 attributeID)
{
    const TBAttributePtr attr = attributeWithID(attributeID);
    if (!attr)
        return;
    qsizetype removed = 0;
    for (TBAttributeList* list : {&m_customAttrs, &m_customImageAttrs, &m_customBinaryAttrs}) {
        removed += list->removeIf([attributeID](const TBAttributePtr& a) { return a->attributeID() == attributeID; });
    }
    if (removed == 0)
        return;
    const QStringList names {attr->attributeName()};
    postAttributesChanged(TBPrefNotifyAttributesRemoved, &names);
}

void TBAttributeRegistry::addToBasicAttributes(const QString& name)
{
    addMultToBasicAttributes({name});
}

void TBAttributeRegistry::addMultToBasicAttributes(const QStringList& names)
{
    bool changed = false;
    for (const QString& name : names) {
        if (!m_basicAttributes.contains(name)) {
            m_basicAttributes.append(name);
            changed = true;
        }
    }
    if (changed)
        postAttributesChanged(TBPrefNotifyAttributeListsChanged, &names);
}

void TBAttributeRegistry::removeFromBasicAttributes(const QString& name)
{
    removeMultFromBasicAttributes({name});
}

void TBAttributeRegistry::removeMultFromBasicAttributes(const QStringList& names)
{
    qsizetype removed = 0;
    for (const QString& name : names)
        removed += m_basicAttributes.removeAll(name);
    if (removed > 0)
        postAttributesChanged(TBPrefNotifyAttributeListsChanged, &names);
}

void TBAttributeRegistry::addToDisplayedAttributeColumns(const QString& name)
{
    addMultToDisplayedAttributeColumns({name});
}

void TBAttributeRegistry::addMultToDisplayedAttributeColumns(const QStringList& names)
{
    bool changed = false;
    for (const QString& name : names) {
        if (!m_displayedAttributeColumns.contains(name)) {
            m_displayedAttributeColumns.append(name);
            changed = true;
        }
    }
    if (changed)
        postAttributesChanged(TBPrefNotifyAttributeListsChanged, &names);
}

void TBAttributeRegistry::removeFromDisplayedAttributeColumns(const QString& name)
{
    removeMultFromDisplayedAttributeColumns({name});
}

void TBAttributeRegistry::removeMultFromDisplayedAttributeColumns(const QStringList& names)
{
    qsizetype removed = 0;
    for (const QString& name : names)
        removed += m_displayedAttributeColumns.removeAll(name);
    if (removed > 0)
        postAttributesChanged(TBPrefNotifyAttributeListsChanged, &names);
}

void TBAttributeRegistry::resetAttributes()
{
    m_basicAttributes = fallbackBasicAttributes();
    m_displayedAttributeColumns = fallbackDisplayedAttributeColumns();
    if (m_store) {
        for (const QString& key : tableStateKeys())
            m_store->removeObjectForKey(key);
    }
    postAttributesChanged(TBPrefNotifyAttributesRemoved, nullptr);
}

QStringList TBAttributeRegistry::tableStateKeys()
{
    return {QStringLiteral("NSTableView Hidden Columns EntryTable"),
            QStringLiteral("NSTableView Hidden v2 Columns EntryTable"),
            QStringLiteral("NSTableView Columns EntryTable"),
            QStringLiteral("NSTableView Columns v2 EntryTable"),
            QStringLiteral("NSTableView Sort Ordering EntryTable"),
            QStringLiteral("NSTableView Sort Ordering v2 EntryTable")};
}

void TBAttributeRegistry::loadDefaultAttributeLists()
{
    TBAttributeList* lists[]
        = {&m_defaultAttrs, &m_defaultImageAttrs, &m_defaultBinaryAttrs, &m_defaultADTimestampAttrs};
    for (qint64 kind = TBAttributeTypeText; kind <= TBAttributeTypeADTimestamp; ++kind) {
        const DefaultList& list = defaultList(kind);
        const QVariant root = TBPropertyList::readFile(s_defaultListsFolder + QLatin1Char('/') + list.resource
                                                       + QStringLiteral(".plist"));
        QVariantMap dict;
        if (TBPropertyList::isDictionary(root)) {
            dict = root.toMap();
        } else {
            TBLog(list.logLine);
            dict = list.fallback;
        }
        *lists[kind] = TBAttribute::attrArrayFromDict(dict, kind, true);
    }
}

void TBAttributeRegistry::loadAttributesFromDefaults(TBUserDefaults* store)
{
    loadDefaultAttributeLists();
    if (store) {
        const QVariant text = store->objectForKey(kCustomAttributes);
        const QVariant image = store->objectForKey(kCustomImageAttributes);
        const QVariant binary = store->objectForKey(kCustomBinaryAttributes);
        auto customList = [](const QVariant& stored, qint64 kind) {
            TBAttributeList list = TBAttribute::attrArrayFromDict(
                TBPropertyList::isDictionary(stored) ? stored.toMap() : QVariantMap(), kind, false);
            sortByName(list);
            return list;
        };
        m_customAttrs = customList(text, TBAttributeTypeText);
        m_customImageAttrs = customList(image, TBAttributeTypeImage);
        m_customBinaryAttrs = customList(binary, TBAttributeTypeBinary);
    }

    auto knownNames = [this](QStringList names, const QStringList& fallback) {
        if (names.isEmpty())
            names = fallback;
        names.removeIf([this](const QString& name) { return !attributeExists(name); });
        return names;
    };
    const QStringList basic = store ? stringsOf(store->objectForKey(kBasicAttributes)) : QStringList();
    m_basicAttributes = knownNames(basic, fallbackBasicAttributes());
    const QStringList columns = store ? stringsOf(store->objectForKey(kDisplayedAttributeColumns)) : QStringList();
    m_displayedAttributeColumns = knownNames(columns, fallbackDisplayedAttributeColumns());
}

void TBAttributeRegistry::saveAttributesToDefaults(TBUserDefaults* store)
{
    if (!store)
        return;
    store->setObject(TBAttribute::dictFromAttrArray(m_customAttrs), kCustomAttributes);
    store->setObject(TBAttribute::dictFromAttrArray(m_customImageAttrs), kCustomImageAttributes);
    store->setObject(TBAttribute::dictFromAttrArray(m_customBinaryAttrs), kCustomBinaryAttributes);
    store->setObject(variantList(m_basicAttributes), kBasicAttributes);
    store->setObject(variantList(m_displayedAttributeColumns), kDisplayedAttributeColumns);
}

void TBAttributeRegistry::postAttributesChanged(qint64 action, const QStringList* names)
{
    if (!m_canNotify)
        return;
    QVariantMap info {{kPrefNotifyAction, QVariant::fromValue<qint64>(action)}};
    if (names)
        info.insert(kAttributeNames, *names);
    TBNotificationCenter::defaultCenter()->post(TBPrefsAttributesHaveChangedNotification, m_sender, info);
}
