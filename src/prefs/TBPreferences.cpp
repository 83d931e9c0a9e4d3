#include "TBPreferences.h"

#include "TBLog.h"
#include "TBNotificationCenter.h"
#include "TBPropertyList.h"
#include "TBUserDefaults.h"

#include <QCoreApplication>
#include <QMutex>
#include <QRecursiveMutex>

#include <algorithm>
#include <atomic>
#include <variant>

// ---------------------------------------------------------------------------------------------
// User-defaults keys. The scalar settings are the table in settings(); every key with a property
// has the property's name with a capital first letter.

namespace {

const QString kDirectories = QStringLiteral("Directories");
const QString kSavedSearchCriteria = QStringLiteral("SavedSearchCriteria");
const QString kSavedSearches = QStringLiteral("SavedSearches"); // older name, read only
const QString kPreviousSearch = QStringLiteral("PreviousSearch");
const QString kCustomAttributes = QStringLiteral("CustomAttributes");
const QString kCustomImageAttributes = QStringLiteral("CustomImageAttributes");
const QString kCustomBinaryAttributes = QStringLiteral("CustomBinaryAttributes");
const QString kBasicAttributes = QStringLiteral("BasicAttributes");
const QString kDisplayedAttributeColumns = QStringLiteral("DisplayedAttributeColumns");

const QString kDirectoryIDInfo = QStringLiteral("DirectoryID");
const QString kPrefNotifyAction = QStringLiteral("PrefNotifyAction");
const QString kAttributeNames = QStringLiteral("AttributeNames");

const QString kNewSearch = QStringLiteral("New Search");
const QString kUnknownAttribute = QStringLiteral("unknownattribute");

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

// The singleton. Creation and the first load hold the lock; a call made by that load (records ask
// the store about identifiers and names) gets the object being loaded.
QRecursiveMutex s_sharedLock;
std::atomic<TBPreferences*> s_shared {nullptr};
TBPreferences* s_creating = nullptr;
TBUserDefaults* s_sharedStore = nullptr;

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

// ---------------------------------------------------------------------------------------------
// The key table of the scalar settings.

struct TBPreferences::Setting
{
    using Member = std::variant<QString TBPreferences::*, qint64 TBPreferences::*, bool TBPreferences::*,
                                double TBPreferences::*>;
    QString key;
    Member member;
    QVariant defaultValue;
    bool writtenAsInteger = false; // a boolean stored as the integer 0 or 1
};

const std::vector<TBPreferences::Setting>& TBPreferences::settings()
{
    using P = TBPreferences;
    static const std::vector<Setting> table {
        {QStringLiteral("PathLDAPSearch"), &P::m_pathLDAPSearch, QStringLiteral("/usr/bin/ldapsearch")},
        {QStringLiteral("PathLDAPWhoami"), &P::m_pathLDAPWhoami, QStringLiteral("/usr/bin/ldapwhoami")},
        {QStringLiteral("PasswordPrompt"), &P::m_passwordPrompt, QStringLiteral("Enter LDAP Password: ")},
        {QStringLiteral("CurrentDirectoryID"), &P::m_currentDirectoryID, qint64(0)},
        {QStringLiteral("FetchWhichAttrs"), &P::m_fetchWhichAttrs, qint64(0)},
        {QStringLiteral("MaxHits"), &P::m_maxHits, qint64(100)},
        {QStringLiteral("TimeLimit"), &P::m_timeLimit, qint64(60)},
        {QStringLiteral("ShowFriendlyAttrs"), &P::m_showFriendlyAttrs, true},
        {QStringLiteral("DecodeBase64"), &P::m_decodeBase64, true},
        {QStringLiteral("DiscardOutput"), &P::m_discardOutput, false},
        {QStringLiteral("ConnectTimeout"), &P::m_connectTimeout, qint64(10)},
        {QStringLiteral("EnableDebug"), &P::m_enableDebug, false},
        {QStringLiteral("DebugLevel"), &P::m_debugLevel, qint64(0)},
        {QStringLiteral("InterpretADTimestamps"), &P::m_interpretADTimestamps, true},
        {QStringLiteral("ADTimestampDateFormat"), &P::m_adTimestampDateFormat, qint64(1)},
        {QStringLiteral("ADTimestampTimeFormat"), &P::m_adTimestampTimeFormat, qint64(1)},
        {QStringLiteral("DefaultSearchTopHeight"), &P::m_defaultSearchTopHeight, qint64(-1)},
        {QStringLiteral("DefaultSearchBottomHeight"), &P::m_defaultSearchBottomHeight, qint64(-1)},
        {QStringLiteral("DefaultBrowseTopHeight"), &P::m_defaultBrowseTopHeight, qint64(-1)},
        {QStringLiteral("DefaultBrowseBottomHeight"), &P::m_defaultBrowseBottomHeight, qint64(-1)},
        {QStringLiteral("ExportFileFormat"), &P::m_exportFileFormat, qint64(0)},
        {QStringLiteral("ExportSelectedRowsOnly"), &P::m_exportSelectedRowsOnly, false},
        {QStringLiteral("ExportIncludeAttrNames"), &P::m_exportIncludeAttrNames, true},
        {QStringLiteral("ExportVisibleColumnsOnly"), &P::m_exportVisibleColumnsOnly, false},
        {QStringLiteral("PrintWhat"), &P::m_printWhat, qint64(0)},
        {QStringLiteral("PrintSummaryInfo"), &P::m_printSummaryInfo, false},
        {QStringLiteral("PrintLeftMargin"), &P::m_printLeftMargin, 72.0},
        {QStringLiteral("PrintRightMargin"), &P::m_printRightMargin, 72.0},
        {QStringLiteral("PrintTopMargin"), &P::m_printTopMargin, 72.0},
        {QStringLiteral("PrintBottomMargin"), &P::m_printBottomMargin, 72.0},
        {QStringLiteral("PrefToolbar"), &P::m_prefToolbar, QStringLiteral("Directories")},
        {QStringLiteral("PrefTableDefaultAttrsExpanded"), &P::m_prefTableDefaultAttrsExpanded, false},
        {QStringLiteral("PrefTableDefaultImageAttrsExpanded"), &P::m_prefTableDefaultImageAttrsExpanded, false},
        {QStringLiteral("PrefTableDefaultBinaryAttrsExpanded"), &P::m_prefTableDefaultBinaryAttrsExpanded, false},
        {QStringLiteral("PrefTableCustomAttrsExpanded"), &P::m_prefTableCustomAttrsExpanded, true},
        {QStringLiteral("PrefTableCustomImageAttrsExpanded"), &P::m_prefTableCustomImageAttrsExpanded, true},
        {QStringLiteral("PrefTableCustomBinaryAttrsExpanded"), &P::m_prefTableCustomBinaryAttrsExpanded, true},
        {QStringLiteral("ExportWhichDirectories"), &P::m_exportWhichDirectories, qint64(0)},
        {QStringLiteral("AutoAddDiscoveredAttributes"), &P::m_autoAddDiscoveredAttributes, true},
        {QStringLiteral("AutoDisplayAttributeColumns"), &P::m_autoDisplayAttributeColumns, true, true},
        {QStringLiteral("LastSelectedAttribute"), &P::m_lastSelectedAttribute, QStringLiteral("dn")},
    };
    return table;
}

// ---------------------------------------------------------------------------------------------
// Lifecycle

TBPreferences* TBPreferences::sharedPreferences()
{
    if (TBPreferences* prefs = s_shared.load(std::memory_order_acquire))
        return prefs;
    QMutexLocker locker(&s_sharedLock);
    if (TBPreferences* prefs = s_shared.load(std::memory_order_acquire))
        return prefs;
    if (s_creating)
        return s_creating;
    s_creating = new TBPreferences(s_sharedStore ? s_sharedStore : TBUserDefaults::standardUserDefaults());
    s_creating->loadPrefs();
    TBPreferences* prefs = s_creating;
    s_creating = nullptr;
    s_shared.store(prefs, std::memory_order_release);
    return prefs;
}

void TBPreferences::resetSharedPreferences(TBUserDefaults* store)
{
    QMutexLocker locker(&s_sharedLock);
    delete s_shared.exchange(nullptr);
    s_sharedStore = store;
}

void TBPreferences::setDefaultListsFolder(const QString& path)
{
    s_defaultListsFolder = path;
}

QString TBPreferences::defaultListsFolder()
{
    return s_defaultListsFolder;
}

TBPreferences::TBPreferences(TBUserDefaults* store, QObject* parent)
    : QObject(parent)
    , m_store(store)
{
    applySettingDefaults();
    defaultPrefs();
    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &TBPreferences::terminateNotification);
    m_canNotify = true;
}

TBPreferences::~TBPreferences() = default;

void TBPreferences::applySettingDefaults()
{
    for (const Setting& s : settings()) {
        std::visit(
            [this, &s](auto member) {
                using T = std::remove_reference_t<decltype(this->*member)>;
                this->*member = s.defaultValue.template value<T>();
            },
            s.member);
    }
}

void TBPreferences::defaultPrefs()
{
    if (!m_store)
        return;
    QVariantMap defaults;
    for (const Setting& s : settings())
        defaults.insert(s.key, s.defaultValue);
    m_store->registerDefaults(defaults);
}

void TBPreferences::loadPrefs()
{
    if (!m_store)
        return;
    loadDirectoriesFromDefaults(m_store);
    loadAttributesFromDefaults(m_store);
    loadSavedSearchCriteriaFromDefaults(m_store);

    const QVariant previous = m_store->objectForKey(kPreviousSearch);
    m_previousSearch = TBSearchCriteria::searchCriteriaWithDictionary(
        TBPropertyList::isDictionary(previous) ? previous.toMap() : QVariantMap());

    // Every scalar: a stored value of the wrong kind is ignored and the setting keeps its default.
    for (const Setting& s : settings()) {
        const QVariant stored = m_store->objectForKey(s.key);
        std::visit(
            [this, &s, &stored](auto member) {
                using T = std::remove_reference_t<decltype(this->*member)>;
                const bool rightKind
                    = std::is_same_v<T, QString> ? TBPropertyList::isString(stored) : TBPropertyList::isNumber(stored);
                this->*member = (rightKind ? stored : s.defaultValue).template value<T>();
            },
            s.member);
    }

    if (directoryIndexWithID(m_currentDirectoryID) == -1)
        m_currentDirectoryID = 0;
    if (m_currentDirectoryID == 0 && !m_directories.isEmpty())
        m_currentDirectoryID = static_cast<qint64>(m_directories.first()->directoryID());
    if (!attributeExists(m_lastSelectedAttribute))
        m_lastSelectedAttribute = kUnknownAttribute;
    if (!toolbarIdentifiers().contains(m_prefToolbar))
        m_prefToolbar = QStringLiteral("General");
}

void TBPreferences::savePrefs()
{
    if (!m_store)
        return;
    saveDirectoriesToDefaults(m_store);
    saveAttributesToDefaults(m_store);
    saveSavedSearchCriteriaToDefaults(m_store);
    if (m_previousSearch)
        m_store->setObject(m_previousSearch->dictionaryRepresentation(), kPreviousSearch);
    for (const Setting& s : settings()) {
        std::visit(
            [this, &s](auto member) {
                using T = std::remove_reference_t<decltype(this->*member)>;
                if constexpr (std::is_same_v<T, bool>) {
                    if (s.writtenAsInteger)
                        m_store->setInteger(this->*member ? 1 : 0, s.key);
                    else
                        m_store->setBool(this->*member, s.key);
                } else {
                    m_store->setObject(QVariant::fromValue<T>(this->*member), s.key);
                }
            },
            s.member);
    }
    m_store->synchronize();
}

void TBPreferences::saveUserData()
{
    if (!m_store)
        return;
    saveDirectoriesToDefaults(m_store);
    saveSavedSearchCriteriaToDefaults(m_store);
    m_store->synchronize();
}

QStringList TBPreferences::toolbarIdentifiers()
{
    return {QStringLiteral("General"), QStringLiteral("Directories"), QStringLiteral("Attributes")};
}

void TBPreferences::terminateNotification()
{
    // The preferences window, once it exists, commits the field being edited here before saving.
    savePrefs();
}

// ---------------------------------------------------------------------------------------------
// Directories

qsizetype TBPreferences::directoryIndexWithID(qint64 directoryID) const
{
    if (directoryID < 1)
        return -1;
    for (qsizetype i = 0; i < m_directories.size(); ++i) {
        if (m_directories.at(i) && m_directories.at(i)->directoryID() == static_cast<quint64>(directoryID))
            return i;
    }
    return -1;
}

TBDirectoryPtr TBPreferences::directoryWithID(qint64 directoryID) const
{
    const qsizetype index = directoryIndexWithID(directoryID);
    return index == -1 ? nullptr : m_directories.at(index);
}

TBDirectoryPtr TBPreferences::currentDirectory() const
{
    return directoryWithID(m_currentDirectoryID);
}

qsizetype TBPreferences::directoryIndexWithName(const QString& name) const
{
    for (qsizetype i = 0; i < m_directories.size(); ++i) {
        if (m_directories.at(i) && m_directories.at(i)->directoryName() == name)
            return i;
    }
    return -1;
}

void TBPreferences::deleteDirectoryAtIndex(qsizetype index)
{
    deleteDirectoriesAtIndexes({index});
}

void TBPreferences::deleteDirectoriesAtIndexes(const QList<qsizetype>& indexes)
{
    QList<qsizetype> sorted;
    for (qsizetype index : indexes) {
        if (index >= 0 && index < m_directories.size() && !sorted.contains(index))
            sorted.append(index);
    }
    if (sorted.isEmpty())
        return;
    std::sort(sorted.begin(), sorted.end());

    QVariantList deletedIDs;
    for (qsizetype index : sorted) {
        const qint64 id = static_cast<qint64>(m_directories.at(index)->directoryID());
        if (id == m_currentDirectoryID)
            m_currentDirectoryID = 0;
        deletedIDs.append(QVariant::fromValue<qint64>(id));
    }
    for (auto it = sorted.crbegin(); it != sorted.crend(); ++it)
        m_directories.removeAt(*it);
    if (m_directories.isEmpty())
        m_currentDirectoryID = 0;

    saveUserData();
    if (m_canNotify)
        TBNotificationCenter::defaultCenter()->post(TBPrefsDirectoriesDeletedNotification, this,
                                                    {{kDirectoryIDInfo, deletedIDs}});
}

void TBPreferences::loadDirectoriesFromDefaults(TBUserDefaults* store)
{
    if (!store)
        return;
    const QVariant stored = store->objectForKey(kDirectories);
    // All records are built before the list is installed: names in one array are checked only
    // against the list that was there before.
    QList<TBDirectoryPtr> dirs
        = TBDirectory::dirArrayFromDictArray(TBPropertyList::isArray(stored) ? stored.toList() : QVariantList());
    m_directories = dirs;
}

void TBPreferences::saveDirectoriesToDefaults(TBUserDefaults* store)
{
    if (!store)
        return;
    store->setObject(TBDirectory::dictArrayFromDirArray(m_directories), kDirectories);
}

// ---------------------------------------------------------------------------------------------
// Saved searches

TBSearchCriteriaPtr TBPreferences::searchCriteriaAtIndex(qsizetype index) const
{
    if (index < 0 || index >= m_savedSearchCriteria.size())
        return nullptr;
    return m_savedSearchCriteria.at(index);
}

void TBPreferences::addSearchCriteria(const TBSearchCriteriaPtr& criteria)
{
    if (!criteria)
        return;
    TBSearchCriteriaPtr stored = criteria->copy();
    if (stored->name().isEmpty())
        stored->setName(kNewSearch);
    m_savedSearchCriteria.append(stored);
    saveUserData();
    if (m_canNotify)
        TBNotificationCenter::defaultCenter()->post(TBSavedSearchesHaveChangedNotification, this);
}

void TBPreferences::replaceSearchCriteriaAtIndex(qsizetype index, const TBSearchCriteriaPtr& criteria)
{
    if (!criteria || index < 0 || index >= m_savedSearchCriteria.size())
        return;
    m_savedSearchCriteria[index] = criteria;
    saveUserData();
    if (m_canNotify)
        TBNotificationCenter::defaultCenter()->post(TBSavedSearchesHaveChangedNotification, this);
}

void TBPreferences::deleteSearchCriteriaAtIndex(qsizetype index)
{
    if (index < 0 || index >= m_savedSearchCriteria.size())
        return;
    m_savedSearchCriteria.removeAt(index);
    saveUserData();
    if (m_canNotify)
        TBNotificationCenter::defaultCenter()->post(TBSavedSearchesHaveChangedNotification, this);
}

void TBPreferences::loadSavedSearchCriteriaFromDefaults(TBUserDefaults* store)
{
    if (!store)
        return;
    QVariant stored = store->objectForKey(kSavedSearchCriteria);
    if (!TBPropertyList::isArray(stored))
        stored = store->objectForKey(kSavedSearches);
    m_savedSearchCriteria.clear();
    if (!TBPropertyList::isArray(stored))
        return;
    for (const QVariant& element : stored.toList()) {
        if (TBPropertyList::isDictionary(element))
            m_savedSearchCriteria.append(TBSearchCriteria::searchCriteriaWithDictionary(element.toMap()));
    }
}

void TBPreferences::saveSavedSearchCriteriaToDefaults(TBUserDefaults* store)
{
    if (!store)
        return;
    QVariantList dicts;
    dicts.reserve(m_savedSearchCriteria.size());
    for (const auto& criteria : m_savedSearchCriteria) {
        if (criteria)
            dicts.append(criteria->dictionaryRepresentation());
    }
    store->setObject(dicts, kSavedSearchCriteria);
}

// ---------------------------------------------------------------------------------------------
// Attribute registry

QList<TBAttributeList*> TBPreferences::allAttributeArrays()
{
    return {&m_defaultAttrs, &m_defaultImageAttrs, &m_defaultBinaryAttrs,
            &m_customAttrs,  &m_customImageAttrs,  &m_customBinaryAttrs};
}

TBAttributePtr TBPreferences::attributeWithName(const QString& name) const
{
    // Last list first, so a custom definition hides a default one of the same name.
    for (const TBAttributeList* list : {&m_customBinaryAttrs, &m_customImageAttrs, &m_customAttrs,
                                        &m_defaultBinaryAttrs, &m_defaultImageAttrs, &m_defaultAttrs}) {
        if (const TBAttributePtr* attr = findByName(*list, name))
            return *attr;
    }
    return nullptr;
}

TBAttributePtr TBPreferences::attributeWithID(qint64 attributeID) const
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

bool TBPreferences::attributeExists(const QString& name) const
{
    for (const TBAttributeList* list : {&m_customBinaryAttrs, &m_customImageAttrs, &m_customAttrs,
                                        &m_defaultBinaryAttrs, &m_defaultImageAttrs, &m_defaultAttrs}) {
        if (findByName(*list, name))
            return true;
    }
    return false;
}

QString TBPreferences::friendlyNameForAttribute(const QString& name, const QString& missingValue) const
{
    for (const TBAttributeList* list : {&m_customBinaryAttrs, &m_customImageAttrs, &m_customAttrs,
                                        &m_defaultBinaryAttrs, &m_defaultImageAttrs, &m_defaultAttrs}) {
        if (const TBAttributePtr* attr = findByName(*list, name))
            return (*attr)->friendlyName();
    }
    return missingValue.isNull() ? QStringLiteral("") : missingValue;
}

bool TBPreferences::isImageAttribute(const QString& name) const
{
    return findByName(m_customImageAttrs, name) || findByName(m_defaultImageAttrs, name);
}

bool TBPreferences::isBinaryAttribute(const QString& name) const
{
    return findByName(m_customBinaryAttrs, name) || findByName(m_defaultBinaryAttrs, name);
}

bool TBPreferences::isImageOrBinaryAttribute(const QString& name) const
{
    return isImageAttribute(name) || isBinaryAttribute(name);
}

bool TBPreferences::isADTimeAttribute(const QString& name) const
{
    return findByName(m_defaultADTimestampAttrs, name) != nullptr;
}

bool TBPreferences::isBasicAttribute(const QString& name) const
{
    return m_basicAttributes.contains(name);
}

bool TBPreferences::isAttributeColumnDisplayedForAttribute(const QString& name) const
{
    return m_displayedAttributeColumns.contains(name);
}

bool TBPreferences::isAttributeColumnHiddenForAttribute(const QString& name) const
{
    return !isAttributeColumnDisplayedForAttribute(name);
}

void TBPreferences::addAttribute(const TBAttributePtr& attribute)
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

void TBPreferences::addOneAttributeWithName(const QString& name)
{
    addMultAttributesWithNames({name});
}

void TBPreferences::addMultAttributesWithNames(const QStringList& names)
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

void TBPreferences::addDiscoveredAttributes(const QSet<QString>& names)
{
    addDiscoveredAttributes(names, m_autoAddDiscoveredAttributes, m_autoDisplayAttributeColumns);
}

void TBPreferences::addDiscoveredAttributes(const QSet<QString>& names, bool addDiscovered, bool displayColumns)
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

void TBPreferences::removeAttribute(const TBAttributePtr& attribute)
{
    if (attribute)
        removeAttributeID(attribute->attributeID());
}

void TBPreferences::removeAttributeID(qint64 attributeID)
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

void TBPreferences::addToBasicAttributes(const QString& name)
{
    addMultToBasicAttributes({name});
}

void TBPreferences::addMultToBasicAttributes(const QStringList& names)
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

void TBPreferences::removeFromBasicAttributes(const QString& name)
{
    removeMultFromBasicAttributes({name});
}

void TBPreferences::removeMultFromBasicAttributes(const QStringList& names)
{
    qsizetype removed = 0;
    for (const QString& name : names)
        removed += m_basicAttributes.removeAll(name);
    if (removed > 0)
        postAttributesChanged(TBPrefNotifyAttributeListsChanged, &names);
}

void TBPreferences::addToDisplayedAttributeColumns(const QString& name)
{
    addMultToDisplayedAttributeColumns({name});
}

void TBPreferences::addMultToDisplayedAttributeColumns(const QStringList& names)
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

void TBPreferences::removeFromDisplayedAttributeColumns(const QString& name)
{
    removeMultFromDisplayedAttributeColumns({name});
}

void TBPreferences::removeMultFromDisplayedAttributeColumns(const QStringList& names)
{
    qsizetype removed = 0;
    for (const QString& name : names)
        removed += m_displayedAttributeColumns.removeAll(name);
    if (removed > 0)
        postAttributesChanged(TBPrefNotifyAttributeListsChanged, &names);
}

void TBPreferences::resetAttributes()
{
    m_basicAttributes = fallbackBasicAttributes();
    m_displayedAttributeColumns = fallbackDisplayedAttributeColumns();
    if (m_store) {
        for (const QString& key : tableStateKeys())
            m_store->removeObjectForKey(key);
    }
    postAttributesChanged(TBPrefNotifyAttributesRemoved, nullptr);
}

QStringList TBPreferences::tableStateKeys()
{
    return {QStringLiteral("NSTableView Hidden Columns EntryTable"),
            QStringLiteral("NSTableView Hidden v2 Columns EntryTable"),
            QStringLiteral("NSTableView Columns EntryTable"),
            QStringLiteral("NSTableView Columns v2 EntryTable"),
            QStringLiteral("NSTableView Sort Ordering EntryTable"),
            QStringLiteral("NSTableView Sort Ordering v2 EntryTable")};
}

void TBPreferences::loadDefaultAttributeLists()
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

void TBPreferences::loadAttributesFromDefaults(TBUserDefaults* store)
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

void TBPreferences::saveAttributesToDefaults(TBUserDefaults* store)
{
    if (!store)
        return;
    store->setObject(TBAttribute::dictFromAttrArray(m_customAttrs), kCustomAttributes);
    store->setObject(TBAttribute::dictFromAttrArray(m_customImageAttrs), kCustomImageAttributes);
    store->setObject(TBAttribute::dictFromAttrArray(m_customBinaryAttrs), kCustomBinaryAttributes);
    store->setObject(variantList(m_basicAttributes), kBasicAttributes);
    store->setObject(variantList(m_displayedAttributeColumns), kDisplayedAttributeColumns);
}

void TBPreferences::postAttributesChanged(qint64 action, const QStringList* names)
{
    if (!m_canNotify)
        return;
    QVariantMap info {{kPrefNotifyAction, QVariant::fromValue<qint64>(action)}};
    if (names)
        info.insert(kAttributeNames, *names);
    TBNotificationCenter::defaultCenter()->post(TBPrefsAttributesHaveChangedNotification, this, info);
}
