#pragma once

#include "TBAttributeRegistry.h"
#include "TBDirectory.h"
#include "TBEntryRendering.h"
#include "TBRunSettings.h"
#include "TBSearchCriteria.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <type_traits>
#include <vector>

class TBUserDefaults;

// Notification names and their user-info keys.
inline const QString TBPrefsHaveChangedNotification = QStringLiteral("TBPrefsHaveChangedNotification");
inline const QString TBPrefsDirectoriesHaveChangedNotification
    = QStringLiteral("TBPrefsDirectoriesHaveChangedNotification");
inline const QString TBPrefsDirectoriesDeletedNotification = QStringLiteral("TBPrefsDirectoriesDeletedNotification");
inline const QString TBSavedSearchesHaveChangedNotification = QStringLiteral("TBSavedSearchesHaveChangedNotification");
inline const QString TBPrintPreviewUpdateNotification = QStringLiteral("TBPrintPreviewUpdateNotification");

// The one object holding every persistent setting: tool paths, directories, limits, display and
// export choices, saved searches, the previous search and the attribute registry. Main thread only.
// Setting a property neither saves nor notifies; the user's own data (directories, saved searches)
// is saved by the operations that change it, everything at termination.
class TBPreferences : public QObject
{
    Q_OBJECT
public:
    // Created and loaded on first call; the standard user defaults unless a store was set for tests.
    static TBPreferences* sharedPreferences();
    // Tests: replaces the singleton with a fresh one over the given store (nullptr = the standard store).
    // The next sharedPreferences() call creates and loads it. The store is not owned: keep it alive.
    static void resetSharedPreferences(TBUserDefaults* store = nullptr);
    // The folder of the shipped attribute lists (see TBAttributeRegistry).
    static void setDefaultListsFolder(const QString& path) { TBAttributeRegistry::setDefaultListsFolder(path); }
    static QString defaultListsFolder() { return TBAttributeRegistry::defaultListsFolder(); }

    explicit TBPreferences(TBUserDefaults* store, QObject* parent = nullptr);
    ~TBPreferences() override;

    TBUserDefaults* store() const { return m_store; }
    void defaultPrefs();
    void loadPrefs();
    void savePrefs();
    static QStringList toolbarIdentifiers();

    // The settings of one run: these preferences with a window's options applied (the options
    // dictionary is read by TBRunSettings::withOptions and nowhere else).
    TBRunSettings runSettings(const QVariantMap& options = QVariantMap()) const;
    TBADDateStyle adDateStyle() const;
    // The registry and the date style, for rendering entries.
    TBRenderingContext renderingContext() const;

    bool canNotify() const { return m_canNotify; }
    void setCanNotify(bool v)
    {
        m_canNotify = v;
        m_registry.setCanNotify(v);
    }

    // Directories, in the order every window lists them. The operations below change the list, save
    // the user data at once and post their notice while canNotify() holds; `sender` is the notice's
    // sender, this store unless given. setDirectories neither saves nor notifies.
    const QList<TBDirectoryPtr>& directories() const { return m_directories; }
    void setDirectories(const QList<TBDirectoryPtr>& v) { m_directories = v; }
    qsizetype directoryIndexWithID(qint64 directoryID) const;
    TBDirectoryPtr directoryWithID(qint64 directoryID) const;
    TBDirectoryPtr currentDirectory() const;
    qsizetype directoryIndexWithName(const QString& name) const;
    // Append one directory, or replace the one at an index; each posts
    // "TBPrefsDirectoriesHaveChangedNotification" with "DirectoryID" (qint64): the directory's
    // identifier, or -2 for an added one.
    void addDirectory(const TBDirectoryPtr& directory, QObject* sender = nullptr);
    void replaceDirectoryAtIndex(qsizetype index, const TBDirectoryPtr& directory, QObject* sender = nullptr);
    // Appends the directories in order (an import); posts "TBPrefsDirectoriesHaveChangedNotification"
    // once, without user info. Nothing happens for an empty list.
    void addDirectories(const QList<TBDirectoryPtr>& directories, QObject* sender = nullptr);
    // Moves the directory at `from` so that it stands at `to`; posts
    // "TBPrefsDirectoriesHaveChangedNotification" without user info.
    void moveDirectory(qsizetype from, qsizetype to, QObject* sender = nullptr);
    // Posts "TBPrefsDirectoriesDeletedNotification" with "DirectoryID", a QVariantList of the
    // deleted identifiers (qint64), sent by this store.
    void deleteDirectoryAtIndex(qsizetype index);
    void deleteDirectoriesAtIndexes(const QList<qsizetype>& indexes);
    void loadDirectoriesFromDefaults(TBUserDefaults* store);
    void saveDirectoriesToDefaults(TBUserDefaults* store);

    // Saved searches and the previous search. Adding, replacing and deleting post
    // "TBSavedSearchesHaveChangedNotification" and save the list; setSavedSearchCriteria neither
    // saves nor notifies.
    const QList<TBSearchCriteriaPtr>& savedSearchCriteria() const { return m_savedSearchCriteria; }
    void setSavedSearchCriteria(const QList<TBSearchCriteriaPtr>& v) { m_savedSearchCriteria = v; }
    TBSearchCriteriaPtr searchCriteriaAtIndex(qsizetype index) const;
    void addSearchCriteria(const TBSearchCriteriaPtr& criteria);
    void replaceSearchCriteriaAtIndex(qsizetype index, const TBSearchCriteriaPtr& criteria);
    void deleteSearchCriteriaAtIndex(qsizetype index);
    // Moves the saved search at `from` so that it stands at `to`; the notice's sender is `sender`,
    // this store unless given.
    void moveSearchCriteria(qsizetype from, qsizetype to, QObject* sender = nullptr);
    // The saved search selected in the saved-searches window while it is shown, else null. The
    // window, once made, answers it through the source it sets.
    TBSearchCriteriaPtr selectedSearchCriteria() const;
    void setSelectedSearchCriteriaSource(std::function<TBSearchCriteriaPtr()> source)
    {
        m_selectedSearchCriteriaSource = std::move(source);
    }
    void loadSavedSearchCriteriaFromDefaults(TBUserDefaults* store);
    void saveSavedSearchCriteriaToDefaults(TBUserDefaults* store);
    TBSearchCriteriaPtr previousSearch() const { return m_previousSearch; }
    void setPreviousSearch(const TBSearchCriteriaPtr& v) { m_previousSearch = v; }

    // The attribute registry, and its operations forwarded for the windows. Its notifications are
    // sent by this object.
    TBAttributeRegistry& registry() { return m_registry; }
    const TBAttributeRegistry& registry() const { return m_registry; }
    const TBAttributeList& defaultAttrs() const { return m_registry.defaultAttrs(); }
    const TBAttributeList& defaultImageAttrs() const { return m_registry.defaultImageAttrs(); }
    const TBAttributeList& defaultBinaryAttrs() const { return m_registry.defaultBinaryAttrs(); }
    const TBAttributeList& defaultADTimestampAttrs() const { return m_registry.defaultADTimestampAttrs(); }
    const TBAttributeList& customAttrs() const { return m_registry.customAttrs(); }
    const TBAttributeList& customImageAttrs() const { return m_registry.customImageAttrs(); }
    const TBAttributeList& customBinaryAttrs() const { return m_registry.customBinaryAttrs(); }
    QList<const TBAttributeList*> allAttributeArrays() const { return m_registry.allAttributeArrays(); }
    const QStringList& basicAttributes() const { return m_registry.basicAttributes(); }
    const QStringList& displayedAttributeColumns() const { return m_registry.displayedAttributeColumns(); }

    TBAttributePtr attributeWithName(const QString& name) const { return m_registry.attributeWithName(name); }
    TBAttributePtr attributeWithID(qint64 attributeID) const { return m_registry.attributeWithID(attributeID); }
    bool attributeExists(const QString& name) const { return m_registry.attributeExists(name); }
    QString friendlyNameForAttribute(const QString& name, const QString& missingValue = QString()) const
    {
        return m_registry.friendlyNameForAttribute(name, missingValue);
    }
    bool isImageAttribute(const QString& name) const { return m_registry.isImageAttribute(name); }
    bool isBinaryAttribute(const QString& name) const { return m_registry.isBinaryAttribute(name); }
    bool isImageOrBinaryAttribute(const QString& name) const { return m_registry.isImageOrBinaryAttribute(name); }
    bool isADTimeAttribute(const QString& name) const { return m_registry.isADTimeAttribute(name); }
    bool isBasicAttribute(const QString& name) const { return m_registry.isBasicAttribute(name); }
    bool isAttributeColumnDisplayedForAttribute(const QString& name) const
    {
        return m_registry.isAttributeColumnDisplayedForAttribute(name);
    }
    bool isAttributeColumnHiddenForAttribute(const QString& name) const
    {
        return m_registry.isAttributeColumnHiddenForAttribute(name);
    }

    void addAttribute(const TBAttributePtr& attribute) { m_registry.addAttribute(attribute); }
    bool changeAttribute(qint64 attributeID, const QString& name, const QString& friendlyName, qint64 attributeType)
    {
        return m_registry.changeAttribute(attributeID, name, friendlyName, attributeType);
    }
    void addOneAttributeWithName(const QString& name) { m_registry.addOneAttributeWithName(name); }
    void addMultAttributesWithNames(const QStringList& names) { m_registry.addMultAttributesWithNames(names); }
    // With the preferences' own auto-add and auto-display choices.
    void addDiscoveredAttributes(const QSet<QString>& names)
    {
        m_registry.addDiscoveredAttributes(names, m_autoAddDiscoveredAttributes, m_autoDisplayAttributeColumns);
    }
    void addDiscoveredAttributes(const QSet<QString>& names, bool addDiscovered, bool displayColumns)
    {
        m_registry.addDiscoveredAttributes(names, addDiscovered, displayColumns);
    }
    void removeAttribute(const TBAttributePtr& attribute) { m_registry.removeAttribute(attribute); }
    void removeAttributeID(qint64 attributeID) { m_registry.removeAttributeID(attributeID); }
    void addToBasicAttributes(const QString& name) { m_registry.addToBasicAttributes(name); }
    void addMultToBasicAttributes(const QStringList& names) { m_registry.addMultToBasicAttributes(names); }
    void removeFromBasicAttributes(const QString& name) { m_registry.removeFromBasicAttributes(name); }
    void removeMultFromBasicAttributes(const QStringList& names) { m_registry.removeMultFromBasicAttributes(names); }
    void addToDisplayedAttributeColumns(const QString& name) { m_registry.addToDisplayedAttributeColumns(name); }
    void addMultToDisplayedAttributeColumns(const QStringList& names)
    {
        m_registry.addMultToDisplayedAttributeColumns(names);
    }
    void removeFromDisplayedAttributeColumns(const QString& name)
    {
        m_registry.removeFromDisplayedAttributeColumns(name);
    }
    void removeMultFromDisplayedAttributeColumns(const QStringList& names)
    {
        m_registry.removeMultFromDisplayedAttributeColumns(names);
    }
    void resetAttributes() { m_registry.resetAttributes(); }
    void loadAttributesFromDefaults(TBUserDefaults* store) { m_registry.loadAttributesFromDefaults(store); }
    void saveAttributesToDefaults(TBUserDefaults* store) { m_registry.saveAttributesToDefaults(store); }
    static QStringList tableStateKeys() { return TBAttributeRegistry::tableStateKeys(); }

    // The settings: an accessor pair for each row of TBPreferencesSettings.h (`maxHits()` and
    // `setMaxHits()` for "MaxHits"), which also gives the user-defaults key and the default. A setter
    // takes numbers and flags by value, texts by reference.
    template<typename T>
    using SettingArgument = std::conditional_t<std::is_scalar_v<T>, T, const T&>;
#define TB_SETTING(Type, name, Name, key, defaultValue) \
    Type name() const                                   \
    {                                                   \
        return m_##name;                                \
    }                                                   \
    void set##Name(SettingArgument<Type> v)             \
    {                                                   \
        m_##name = v;                                   \
    }
#define TB_SETTING_WRITTEN_AS_INTEGER TB_SETTING
#include "TBPreferencesSettings.h"
#undef TB_SETTING_WRITTEN_AS_INTEGER
#undef TB_SETTING

private:
    struct Setting;
    static const std::vector<Setting>& settings();
    void terminateNotification();
    // Saves the directory list and the saved searches at once, so a crash cannot lose them.
    void saveUserData();
    void directoriesChanged(QObject* sender, const QVariantMap& userInfo = QVariantMap());
    void savedSearchesChanged(QObject* sender = nullptr);

    TBUserDefaults* m_store = nullptr;
    bool m_canNotify = false;

    QList<TBDirectoryPtr> m_directories;
    QList<TBSearchCriteriaPtr> m_savedSearchCriteria;
    TBSearchCriteriaPtr m_previousSearch;
    std::function<TBSearchCriteriaPtr()> m_selectedSearchCriteriaSource;

    TBAttributeRegistry m_registry;

#define TB_SETTING(Type, name, Name, key, defaultValue) Type m_##name = defaultValue
#define TB_SETTING_WRITTEN_AS_INTEGER TB_SETTING
#include "TBPreferencesSettings.h"
#undef TB_SETTING_WRITTEN_AS_INTEGER
#undef TB_SETTING
};
