#pragma once

#include "TBAttribute.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

class QObject;
class TBUserDefaults;

inline const QString TBPrefsAttributesHaveChangedNotification
    = QStringLiteral("TBPrefsAttributesHaveChangedNotification");

enum TBPrefNotifyAction : qint64 {
    TBPrefNotifyAttributesAdded = 1,
    TBPrefNotifyAttributesRemoved = 2,
    TBPrefNotifyAttributeListsChanged = 3,
};

// What a parse needs of the registry, copied on the main thread so a worker can read it while the
// registry goes on changing: the lower-cased names of the image and of the binary attributes.
struct TBAttributeKinds
{
    QSet<QString> imageNames;
    QSet<QString> binaryNames;

    // By a lower-cased name, as the registry answers (see isImageAttribute).
    bool isImage(const QString& lowerName) const;
    bool isBinary(const QString& lowerName) const;
};

// The attributes the application knows: the shipped lists (with built-in fallbacks), the custom
// lists the user or the search results added, and two name lists, the basic attributes (the short
// attribute menus) and the displayed attribute columns. Lookups ignore case; the two name lists
// compare exactly. Changes post "TBPrefsAttributesHaveChangedNotification" with "PrefNotifyAction"
// (qint64) and "AttributeNames" (QStringList), sent by the owner given here, while canNotify()
// holds. Main thread only.
class TBAttributeRegistry
{
public:
    // store: where the lists are loaded from, saved to, and the table layout a reset removes (may be
    // null). sender: the sender of the change notifications. Neither is owned.
    explicit TBAttributeRegistry(TBUserDefaults* store = nullptr, QObject* sender = nullptr);

    // Folder holding DefaultAttrs.plist and the three other shipped lists (":/defaults" unless a test
    // points it elsewhere); read when the registry loads.
    static void setDefaultListsFolder(const QString& path);
    static QString defaultListsFolder();

    bool canNotify() const { return m_canNotify; }
    void setCanNotify(bool v) { m_canNotify = v; }

    // The lists, read-only: they change through the operations below.
    const TBAttributeList& defaultAttrs() const { return m_defaultAttrs; }
    const TBAttributeList& defaultImageAttrs() const { return m_defaultImageAttrs; }
    const TBAttributeList& defaultBinaryAttrs() const { return m_defaultBinaryAttrs; }
    const TBAttributeList& defaultADTimestampAttrs() const { return m_defaultADTimestampAttrs; }
    const TBAttributeList& customAttrs() const { return m_customAttrs; }
    const TBAttributeList& customImageAttrs() const { return m_customImageAttrs; }
    const TBAttributeList& customBinaryAttrs() const { return m_customBinaryAttrs; }
    // The six lists in the order default text, image, binary, custom text, image, binary.
    QList<const TBAttributeList*> allAttributeArrays() const;
    const QStringList& basicAttributes() const { return m_basicAttributes; }
    const QStringList& displayedAttributeColumns() const { return m_displayedAttributeColumns; }
    // Replace a name list as it stands: no notification.
    void setBasicAttributes(const QStringList& names) { m_basicAttributes = names; }
    void setDisplayedAttributeColumns(const QStringList& names) { m_displayedAttributeColumns = names; }

    TBAttributePtr attributeWithName(const QString& name) const;
    TBAttributePtr attributeWithID(qint64 attributeID) const;
    // Kinds go by the name's own image, binary or AD timestamp definition; a name with options
    // ("jpegPhoto;binary") that has none takes the kind of the name before the first ";". A text
    // definition of the full name (what discovery adds) is no kind of its own. Names, friendly
    // names and the name lists always use the full name.
    bool attributeExists(const QString& name) const;
    QString friendlyNameForAttribute(const QString& name, const QString& missingValue = QString()) const;
    bool isImageAttribute(const QString& name) const;
    bool isBinaryAttribute(const QString& name) const;
    bool isImageOrBinaryAttribute(const QString& name) const;
    bool isADTimeAttribute(const QString& name) const;
    bool isBasicAttribute(const QString& name) const;
    bool isAttributeColumnDisplayedForAttribute(const QString& name) const;
    bool isAttributeColumnHiddenForAttribute(const QString& name) const;
    TBAttributeKinds kinds() const;

    void addAttribute(const TBAttributePtr& attribute);
    // Gives the custom definition with that identifier a new name, friendly name and kind. The object
    // stays the same, so whoever holds it (an entry table's column) follows; it is filed under its
    // kind again, and the name lists keep it where they had it, under the new name. No notification
    // (the preferences window posts its own). False, with nothing changed, when no custom definition
    // has that identifier or the kind is not text, image or binary.
    bool changeAttribute(qint64 attributeID, const QString& name, const QString& friendlyName, qint64 attributeType);
    void addOneAttributeWithName(const QString& name);
    void addMultAttributesWithNames(const QStringList& names);
    void addDiscoveredAttributes(const QSet<QString>& names, bool addDiscovered, bool displayColumns);
    void removeAttribute(const TBAttributePtr& attribute);
    void removeAttributeID(qint64 attributeID);
    void addToBasicAttributes(const QString& name);
    void addMultToBasicAttributes(const QStringList& names);
    void removeFromBasicAttributes(const QString& name);
    void removeMultFromBasicAttributes(const QStringList& names);
    void addToDisplayedAttributeColumns(const QString& name);
    void addMultToDisplayedAttributeColumns(const QStringList& names);
    void removeFromDisplayedAttributeColumns(const QString& name);
    void removeMultFromDisplayedAttributeColumns(const QStringList& names);
    void resetAttributes();
    void loadAttributesFromDefaults(TBUserDefaults* store);
    void saveAttributesToDefaults(TBUserDefaults* store);
    static QStringList tableStateKeys(); // the entry table's saved layout keys that a reset removes

private:
    void postAttributesChanged(qint64 action, const QStringList* names);
    void loadDefaultAttributeLists();

    TBUserDefaults* m_store = nullptr;
    QObject* m_sender = nullptr;
    bool m_canNotify = true;

    TBAttributeList m_defaultAttrs;
    TBAttributeList m_defaultImageAttrs;
    TBAttributeList m_defaultBinaryAttrs;
    TBAttributeList m_defaultADTimestampAttrs;
    TBAttributeList m_customAttrs;
    TBAttributeList m_customImageAttrs;
    TBAttributeList m_customBinaryAttrs;
    QStringList m_basicAttributes;
    QStringList m_displayedAttributeColumns;
};
