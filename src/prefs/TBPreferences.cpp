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
// User-defaults keys. The scalar settings are the rows of TBPreferencesSettings.h.

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
// The key table of the scalar settings, read from TBPreferencesSettings.h.

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
    static const std::vector<Setting> table = [] {
        std::vector<Setting> rows;
#define TB_SETTING(Type, name, Name, key, defaultValue) \
    rows.push_back({QStringLiteral(key), &TBPreferences::m_##name, QVariant::fromValue<Type>(defaultValue)})
#define TB_SETTING_WRITTEN_AS_INTEGER(Type, name, Name, key, defaultValue) \
    rows.push_back({QStringLiteral(key), &TBPreferences::m_##name, QVariant::fromValue<Type>(defaultValue), true})
#include "TBPreferencesSettings.h"
#undef TB_SETTING_WRITTEN_AS_INTEGER
#undef TB_SETTING
        return rows;
    }();
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
    defaultPrefs();
    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &TBPreferences::terminateNotification);
    setCanNotify(true);
}

TBPreferences::~TBPreferences() = default;

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

void TBPreferences::addDirectory(const TBDirectoryPtr& directory, QObject* sender)
{
    if (!directory)
        return;
    m_directories.append(directory);
    directoriesChanged(sender, {{kDirectoryIDInfo, qint64(-2)}});
}

void TBPreferences::replaceDirectoryAtIndex(qsizetype index, const TBDirectoryPtr& directory, QObject* sender)
{
    if (!directory || index < 0 || index >= m_directories.size())
        return;
    m_directories[index] = directory;
    directoriesChanged(sender, {{kDirectoryIDInfo, qint64(directory->directoryID())}});
}

void TBPreferences::addDirectories(const QList<TBDirectoryPtr>& directories, QObject* sender)
{
    QList<TBDirectoryPtr> added = directories;
    added.removeAll(nullptr);
    if (added.isEmpty())
        return;
    m_directories.append(added);
    directoriesChanged(sender);
}

void TBPreferences::moveDirectory(qsizetype from, qsizetype to, QObject* sender)
{
    if (from < 0 || from >= m_directories.size() || to < 0 || to >= m_directories.size())
        return;
    m_directories.move(from, to);
    directoriesChanged(sender);
}

void TBPreferences::directoriesChanged(QObject* sender, const QVariantMap& userInfo)
{
    saveUserData();
    if (m_canNotify)
        TBNotificationCenter::defaultCenter()->post(TBPrefsDirectoriesHaveChangedNotification, sender ? sender : this,
                                                    userInfo);
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
    savedSearchesChanged();
}

void TBPreferences::replaceSearchCriteriaAtIndex(qsizetype index, const TBSearchCriteriaPtr& criteria)
{
    if (!criteria || index < 0 || index >= m_savedSearchCriteria.size())
        return;
    m_savedSearchCriteria[index] = criteria;
    savedSearchesChanged();
}

void TBPreferences::deleteSearchCriteriaAtIndex(qsizetype index)
{
    if (index < 0 || index >= m_savedSearchCriteria.size())
        return;
    m_savedSearchCriteria.removeAt(index);
    savedSearchesChanged();
}

void TBPreferences::moveSearchCriteria(qsizetype from, qsizetype to, QObject* sender)
{
    if (from < 0 || from >= m_savedSearchCriteria.size() || to < 0 || to >= m_savedSearchCriteria.size())
        return;
    m_savedSearchCriteria.move(from, to);
    savedSearchesChanged(sender);
}

void TBPreferences::savedSearchesChanged(QObject* sender)
{
    saveUserData();
    if (m_canNotify)
        TBNotificationCenter::defaultCenter()->post(TBSavedSearchesHaveChangedNotification, sender ? sender : this);
}

TBSearchCriteriaPtr TBPreferences::selectedSearchCriteria() const
{
    return m_selectedSearchCriteriaSource ? m_selectedSearchCriteriaSource() : TBSearchCriteriaPtr();
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
