#include "TBPreferences.h"

#include "TBLog.h"
#include "TBNotificationCenter.h"
#include "TBPropertyList.h"
#include "TBUserDefaults.h"

#include <QCoreApplication>
#include <QMutex>

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

const QString kDirectoryIDInfo = QStringLiteral("DirectoryID");

const QString kNewSearch = QStringLiteral("New Search");
const QString kUnknownAttribute = QStringLiteral("unknownattribute");

// The singleton, for the windows. Creation and the first load hold the lock, so a second caller waits
// for the loaded object; nothing that the load runs asks for the singleton.
QMutex s_sharedLock;
std::atomic<TBPreferences*> s_shared {nullptr};
TBUserDefaults* s_sharedStore = nullptr;

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
    auto* prefs = new TBPreferences(s_sharedStore ? s_sharedStore : TBUserDefaults::standardUserDefaults());
    prefs->loadPrefs();
    s_shared.store(prefs, std::memory_order_release);
    return prefs;
}

void TBPreferences::resetSharedPreferences(TBUserDefaults* store)
{
    QMutexLocker locker(&s_sharedLock);
    delete s_shared.exchange(nullptr);
    s_sharedStore = store;
}

TBPreferences::TBPreferences(TBUserDefaults* store, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_registry(store, this)
{
    applySettingDefaults();
    defaultPrefs();
    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &TBPreferences::terminateNotification);
    setCanNotify(true);
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
        TBPropertyList::isDictionary(previous) ? previous.toMap() : QVariantMap(), m_registry, m_lastSelectedAttribute);

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

TBRunSettings TBPreferences::runSettings(const QVariantMap& options) const
{
    TBRunSettings settings;
    settings.pathLDAPSearch = m_pathLDAPSearch;
    settings.pathLDAPWhoami = m_pathLDAPWhoami;
    settings.passwordPrompt = m_passwordPrompt;
    settings.fetchWhichAttrs = m_fetchWhichAttrs;
    settings.maxHits = m_maxHits;
    settings.timeLimit = m_timeLimit;
    settings.connectTimeout = m_connectTimeout;
    settings.enableDebug = m_enableDebug;
    settings.debugLevel = m_debugLevel;
    settings.decodeBase64 = m_decodeBase64;
    settings.discardOutput = m_discardOutput;
    settings.autoAddDiscoveredAttributes = m_autoAddDiscoveredAttributes;
    settings.autoDisplayAttributeColumns = m_autoDisplayAttributeColumns;
    settings.basicAttributes = m_registry.basicAttributes();
    settings.attributeKinds = m_registry.kinds();
    return settings.withOptions(options);
}

TBADDateStyle TBPreferences::adDateStyle() const
{
    return {m_interpretADTimestamps, m_adTimestampDateFormat, m_adTimestampTimeFormat};
}

TBRenderingContext TBPreferences::renderingContext() const
{
    return {&m_registry, adDateStyle()};
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
    QList<TBDirectoryPtr> dirs = TBDirectory::dirArrayFromDictArray(
        TBPropertyList::isArray(stored) ? stored.toList() : QVariantList(), m_directories);
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
            m_savedSearchCriteria.append(
                TBSearchCriteria::searchCriteriaWithDictionary(element.toMap(), m_registry, m_lastSelectedAttribute));
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
