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
    // Saves the directory list and the saved searches at once, so a crash cannot lose them.
    void saveUserData();
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

    // Directories. Deleting posts "TBPrefsDirectoriesDeletedNotification" with "DirectoryID", a
    // QVariantList of the deleted identifiers (qint64), and saves the list.
    QList<TBDirectoryPtr>& directories() { return m_directories; }
    const QList<TBDirectoryPtr>& directories() const { return m_directories; }
    void setDirectories(const QList<TBDirectoryPtr>& v) { m_directories = v; }
    qsizetype directoryIndexWithID(qint64 directoryID) const;
    TBDirectoryPtr directoryWithID(qint64 directoryID) const;
    TBDirectoryPtr currentDirectory() const;
    qsizetype directoryIndexWithName(const QString& name) const;
    void deleteDirectoryAtIndex(qsizetype index);
    void deleteDirectoriesAtIndexes(const QList<qsizetype>& indexes);
    void loadDirectoriesFromDefaults(TBUserDefaults* store);
    void saveDirectoriesToDefaults(TBUserDefaults* store);

    // Saved searches and the previous search. Adding, replacing and deleting post
    // "TBSavedSearchesHaveChangedNotification" and save the list.
    QList<TBSearchCriteriaPtr>& savedSearchCriteria() { return m_savedSearchCriteria; }
    TBSearchCriteriaPtr searchCriteriaAtIndex(qsizetype index) const;
    void addSearchCriteria(const TBSearchCriteriaPtr& criteria);
    void replaceSearchCriteriaAtIndex(qsizetype index, const TBSearchCriteriaPtr& criteria);
    void deleteSearchCriteriaAtIndex(qsizetype index);
    void loadSavedSearchCriteriaFromDefaults(TBUserDefaults* store);
    void saveSavedSearchCriteriaToDefaults(TBUserDefaults* store);
    TBSearchCriteriaPtr previousSearch() const { return m_previousSearch; }
    void setPreviousSearch(const TBSearchCriteriaPtr& v) { m_previousSearch = v; }

    // The attribute registry, and its operations forwarded for the windows. Its notifications are
    // sent by this object.
    TBAttributeRegistry& registry() { return m_registry; }
    const TBAttributeRegistry& registry() const { return m_registry; }
    TBAttributeList& defaultAttrs() { return m_registry.defaultAttrs(); }
    TBAttributeList& defaultImageAttrs() { return m_registry.defaultImageAttrs(); }
    TBAttributeList& defaultBinaryAttrs() { return m_registry.defaultBinaryAttrs(); }
    TBAttributeList& defaultADTimestampAttrs() { return m_registry.defaultADTimestampAttrs(); }
    TBAttributeList& customAttrs() { return m_registry.customAttrs(); }
    TBAttributeList& customImageAttrs() { return m_registry.customImageAttrs(); }
    TBAttributeList& customBinaryAttrs() { return m_registry.customBinaryAttrs(); }
    QList<TBAttributeList*> allAttributeArrays() { return m_registry.allAttributeArrays(); }
    QStringList& basicAttributes() { return m_registry.basicAttributes(); }
    QStringList& displayedAttributeColumns() { return m_registry.displayedAttributeColumns(); }

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

    // Settings (user-defaults key = the property name with a capital first letter, see the .cpp)
    QString pathLDAPSearch() const { return m_pathLDAPSearch; }
    void setPathLDAPSearch(const QString& v) { m_pathLDAPSearch = v; }
    QString pathLDAPWhoami() const { return m_pathLDAPWhoami; }
    void setPathLDAPWhoami(const QString& v) { m_pathLDAPWhoami = v; }
    QString passwordPrompt() const { return m_passwordPrompt; }
    void setPasswordPrompt(const QString& v) { m_passwordPrompt = v; }
    qint64 currentDirectoryID() const { return m_currentDirectoryID; }
    void setCurrentDirectoryID(qint64 v) { m_currentDirectoryID = v; }
    qint64 fetchWhichAttrs() const { return m_fetchWhichAttrs; }
    void setFetchWhichAttrs(qint64 v) { m_fetchWhichAttrs = v; }
    qint64 maxHits() const { return m_maxHits; }
    void setMaxHits(qint64 v) { m_maxHits = v; }
    qint64 timeLimit() const { return m_timeLimit; }
    void setTimeLimit(qint64 v) { m_timeLimit = v; }
    bool showFriendlyAttrs() const { return m_showFriendlyAttrs; }
    void setShowFriendlyAttrs(bool v) { m_showFriendlyAttrs = v; }
    bool decodeBase64() const { return m_decodeBase64; }
    void setDecodeBase64(bool v) { m_decodeBase64 = v; }
    bool discardOutput() const { return m_discardOutput; }
    void setDiscardOutput(bool v) { m_discardOutput = v; }
    qint64 connectTimeout() const { return m_connectTimeout; }
    void setConnectTimeout(qint64 v) { m_connectTimeout = v; }
    bool enableDebug() const { return m_enableDebug; }
    void setEnableDebug(bool v) { m_enableDebug = v; }
    qint64 debugLevel() const { return m_debugLevel; }
    void setDebugLevel(qint64 v) { m_debugLevel = v; }
    bool interpretADTimestamps() const { return m_interpretADTimestamps; }
    void setInterpretADTimestamps(bool v) { m_interpretADTimestamps = v; }
    qint64 adTimestampDateFormat() const { return m_adTimestampDateFormat; }
    void setAdTimestampDateFormat(qint64 v) { m_adTimestampDateFormat = v; }
    qint64 adTimestampTimeFormat() const { return m_adTimestampTimeFormat; }
    void setAdTimestampTimeFormat(qint64 v) { m_adTimestampTimeFormat = v; }
    qint64 defaultSearchTopHeight() const { return m_defaultSearchTopHeight; }
    void setDefaultSearchTopHeight(qint64 v) { m_defaultSearchTopHeight = v; }
    qint64 defaultSearchBottomHeight() const { return m_defaultSearchBottomHeight; }
    void setDefaultSearchBottomHeight(qint64 v) { m_defaultSearchBottomHeight = v; }
    qint64 defaultBrowseTopHeight() const { return m_defaultBrowseTopHeight; }
    void setDefaultBrowseTopHeight(qint64 v) { m_defaultBrowseTopHeight = v; }
    qint64 defaultBrowseBottomHeight() const { return m_defaultBrowseBottomHeight; }
    void setDefaultBrowseBottomHeight(qint64 v) { m_defaultBrowseBottomHeight = v; }
    qint64 exportFileFormat() const { return m_exportFileFormat; }
    void setExportFileFormat(qint64 v) { m_exportFileFormat = v; }
    bool exportSelectedRowsOnly() const { return m_exportSelectedRowsOnly; }
    void setExportSelectedRowsOnly(bool v) { m_exportSelectedRowsOnly = v; }
    bool exportIncludeAttrNames() const { return m_exportIncludeAttrNames; }
    void setExportIncludeAttrNames(bool v) { m_exportIncludeAttrNames = v; }
    bool exportVisibleColumnsOnly() const { return m_exportVisibleColumnsOnly; }
    void setExportVisibleColumnsOnly(bool v) { m_exportVisibleColumnsOnly = v; }
    qint64 printWhat() const { return m_printWhat; }
    void setPrintWhat(qint64 v) { m_printWhat = v; }
    bool printSummaryInfo() const { return m_printSummaryInfo; }
    void setPrintSummaryInfo(bool v) { m_printSummaryInfo = v; }
    double printLeftMargin() const { return m_printLeftMargin; }
    void setPrintLeftMargin(double v) { m_printLeftMargin = v; }
    double printRightMargin() const { return m_printRightMargin; }
    void setPrintRightMargin(double v) { m_printRightMargin = v; }
    double printTopMargin() const { return m_printTopMargin; }
    void setPrintTopMargin(double v) { m_printTopMargin = v; }
    double printBottomMargin() const { return m_printBottomMargin; }
    void setPrintBottomMargin(double v) { m_printBottomMargin = v; }
    QString prefToolbar() const { return m_prefToolbar; }
    void setPrefToolbar(const QString& v) { m_prefToolbar = v; }
    bool prefTableDefaultAttrsExpanded() const { return m_prefTableDefaultAttrsExpanded; }
    void setPrefTableDefaultAttrsExpanded(bool v) { m_prefTableDefaultAttrsExpanded = v; }
    bool prefTableDefaultImageAttrsExpanded() const { return m_prefTableDefaultImageAttrsExpanded; }
    void setPrefTableDefaultImageAttrsExpanded(bool v) { m_prefTableDefaultImageAttrsExpanded = v; }
    bool prefTableDefaultBinaryAttrsExpanded() const { return m_prefTableDefaultBinaryAttrsExpanded; }
    void setPrefTableDefaultBinaryAttrsExpanded(bool v) { m_prefTableDefaultBinaryAttrsExpanded = v; }
    bool prefTableCustomAttrsExpanded() const { return m_prefTableCustomAttrsExpanded; }
    void setPrefTableCustomAttrsExpanded(bool v) { m_prefTableCustomAttrsExpanded = v; }
    bool prefTableCustomImageAttrsExpanded() const { return m_prefTableCustomImageAttrsExpanded; }
    void setPrefTableCustomImageAttrsExpanded(bool v) { m_prefTableCustomImageAttrsExpanded = v; }
    bool prefTableCustomBinaryAttrsExpanded() const { return m_prefTableCustomBinaryAttrsExpanded; }
    void setPrefTableCustomBinaryAttrsExpanded(bool v) { m_prefTableCustomBinaryAttrsExpanded = v; }
    qint64 exportWhichDirectories() const { return m_exportWhichDirectories; }
    void setExportWhichDirectories(qint64 v) { m_exportWhichDirectories = v; }
    bool autoAddDiscoveredAttributes() const { return m_autoAddDiscoveredAttributes; }
    void setAutoAddDiscoveredAttributes(bool v) { m_autoAddDiscoveredAttributes = v; }
    bool autoDisplayAttributeColumns() const { return m_autoDisplayAttributeColumns; }
    void setAutoDisplayAttributeColumns(bool v) { m_autoDisplayAttributeColumns = v; }
    QString lastSelectedAttribute() const { return m_lastSelectedAttribute; }
    void setLastSelectedAttribute(const QString& v) { m_lastSelectedAttribute = v; }

private:
    struct Setting;
    static const std::vector<Setting>& settings();
    void applySettingDefaults();
    void terminateNotification();

    TBUserDefaults* m_store = nullptr;
    bool m_canNotify = false;

    QList<TBDirectoryPtr> m_directories;
    QList<TBSearchCriteriaPtr> m_savedSearchCriteria;
    TBSearchCriteriaPtr m_previousSearch;

    TBAttributeRegistry m_registry;

    QString m_pathLDAPSearch;
    QString m_pathLDAPWhoami;
    QString m_passwordPrompt;
    qint64 m_currentDirectoryID = 0;
    qint64 m_fetchWhichAttrs = 0;
    qint64 m_maxHits = 0;
    qint64 m_timeLimit = 0;
    bool m_showFriendlyAttrs = false;
    bool m_decodeBase64 = false;
    bool m_discardOutput = false;
    qint64 m_connectTimeout = 0;
    bool m_enableDebug = false;
    qint64 m_debugLevel = 0;
    bool m_interpretADTimestamps = false;
    qint64 m_adTimestampDateFormat = 0;
    qint64 m_adTimestampTimeFormat = 0;
    qint64 m_defaultSearchTopHeight = 0;
    qint64 m_defaultSearchBottomHeight = 0;
    qint64 m_defaultBrowseTopHeight = 0;
    qint64 m_defaultBrowseBottomHeight = 0;
    qint64 m_exportFileFormat = 0;
    bool m_exportSelectedRowsOnly = false;
    bool m_exportIncludeAttrNames = false;
    bool m_exportVisibleColumnsOnly = false;
    qint64 m_printWhat = 0;
    bool m_printSummaryInfo = false;
    double m_printLeftMargin = 0.0;
    double m_printRightMargin = 0.0;
    double m_printTopMargin = 0.0;
    double m_printBottomMargin = 0.0;
    QString m_prefToolbar;
    bool m_prefTableDefaultAttrsExpanded = false;
    bool m_prefTableDefaultImageAttrsExpanded = false;
    bool m_prefTableDefaultBinaryAttrsExpanded = false;
    bool m_prefTableCustomAttrsExpanded = false;
    bool m_prefTableCustomImageAttrsExpanded = false;
    bool m_prefTableCustomBinaryAttrsExpanded = false;
    qint64 m_exportWhichDirectories = 0;
    bool m_autoAddDiscoveredAttributes = false;
    bool m_autoDisplayAttributeColumns = false;
    QString m_lastSelectedAttribute;
};
