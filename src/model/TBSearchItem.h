#pragma once

#include <QList>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <memory>

class TBAttributeRegistry;
class TBSearchItem;
using TBSearchItemPtr = std::shared_ptr<TBSearchItem>;
using TBSearchItemList = QList<TBSearchItemPtr>;

enum TBSearchType : qint64 {
    TBSearchTypeIs = 0,
    TBSearchTypeIsSimilarTo = 1,
    TBSearchTypeContains = 2,
    TBSearchTypeStartsWith = 3,
    TBSearchTypeEndsWith = 4,
    TBSearchTypeExists = 5,
    TBSearchTypeIsMissing = 6,
};

// One condition of a search: attribute, comparison and text.
//
// A new condition starts with the attribute it is given (the windows give the last selected
// attribute), or "dn" when that is empty; the readers of the stored forms start from the same
// default. Which names exist and their friendly names come from the registry passed in.
class TBSearchItem
{
public:
    explicit TBSearchItem(const QString& attribute = QString()); // type 0, text ""

    static TBSearchItemPtr searchItem(const QString& attribute = QString());
    // The attribute is taken only when the registry knows it; otherwise defaultAttribute stays.
    static TBSearchItemPtr searchItemWithDictionary(const QVariantMap& dict, const TBAttributeRegistry& registry,
                                                    const QString& defaultAttribute);
    static TBSearchItemPtr searchItemWithSpecDictionary(const QVariantMap& dict, const QString& defaultAttribute);
    // Decoded archive keys.
    static TBSearchItemPtr searchItemWithArchive(const QVariantMap& archive, const QString& defaultAttribute);
    QVariantMap archiveRepresentation() const;
    TBSearchItemPtr copy() const; // deep copy through the archive form

    QVariantMap dictionaryRepresentation() const;
    QString description() const;
    QString tooltipDescription() const;
    // Whether the comparison needs a text: all but "exists" and "is missing".
    bool takesText() const { return m_searchType != TBSearchTypeExists && m_searchType != TBSearchTypeIsMissing; }
    // "attribute comparison text" (no text where none is taken), the attribute as given.
    QString conditionText(const QString& attribute) const;
    QString searchTypeAsString() const;
    static QString searchTypeAsString(qint64 searchType);
    // "Friendly Name (attr)", or the attribute alone when it has no friendly name.
    QString searchAttrAsString(const TBAttributeRegistry& registry) const;
    QString anyOrMissingString() const;
    static QString changeMeString() { return QStringLiteral("Change me!"); }
    bool includedInAttrMenus(const TBAttributeRegistry& registry) const;

    static QVariantList dictArrayFromSearchItemArray(const TBSearchItemList& items);
    static TBSearchItemList searchItemArrayFromDictArray(const QVariantList& dicts, const TBAttributeRegistry& registry,
                                                         const QString& defaultAttribute);
    static TBSearchItemList searchItemArrayFromSpecDictArray(const QVariantList& dicts,
                                                             const QString& defaultAttribute);

    QString searchAttr() const { return m_searchAttr; }
    void setSearchAttr(const QString& v) { m_searchAttr = v; }
    qint64 searchType() const { return m_searchType; }
    void setSearchType(qint64 v) { m_searchType = v; }
    QString searchText() const { return m_searchText; }
    void setSearchText(const QString& v) { m_searchText = v; }

private:
    QString m_searchAttr;
    qint64 m_searchType = TBSearchTypeIs;
    QString m_searchText;
};
