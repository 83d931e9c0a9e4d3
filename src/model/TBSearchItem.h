#pragma once

#include <QList>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <memory>

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
class TBSearchItem
{
public:
    TBSearchItem(); // attribute = the last selected attribute (or "dn"), type 0, text ""

    static TBSearchItemPtr searchItem();
    static TBSearchItemPtr searchItemWithDictionary(const QVariantMap& dict);
    static TBSearchItemPtr searchItemWithSpecDictionary(const QVariantMap& dict);
    static TBSearchItemPtr searchItemWithArchive(const QVariantMap& archive); // decoded archive keys
    QVariantMap archiveRepresentation() const;
    TBSearchItemPtr copy() const; // deep copy through the archive form

    QVariantMap dictionaryRepresentation() const;
    QString description() const;
    QString tooltipDescription() const;
    QString searchTypeAsString() const;
    static QString searchTypeAsString(qint64 searchType);
    QString searchAttrAsString() const;
    QString anyOrMissingString() const;
    static QString changeMeString() { return QStringLiteral("Change me!"); }
    bool includedInAttrMenus() const;

    static QVariantList dictArrayFromSearchItemArray(const TBSearchItemList& items);
    static TBSearchItemList searchItemArrayFromDictArray(const QVariantList& dicts);
    static TBSearchItemList searchItemArrayFromSpecDictArray(const QVariantList& dicts);

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
