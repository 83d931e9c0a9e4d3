#pragma once

#include <QList>
#include <QString>
#include <QVariantMap>

#include <memory>

class TBAttribute;
class TBAttributeRegistry;
using TBAttributePtr = std::shared_ptr<TBAttribute>;
using TBAttributeList = QList<TBAttributePtr>;

enum TBAttributeType : qint64 {
    TBAttributeTypeText = 0,
    TBAttributeTypeImage = 1,
    TBAttributeTypeBinary = 2,
    TBAttributeTypeADTimestamp = 3,
};

// One attribute definition: LDAP name, friendly name and the kind of value it carries.
class TBAttribute
{
public:
    TBAttribute(); // next identifier, defaults
    TBAttribute(const TBAttribute& other); // next identifier, the other's fields
    TBAttribute& operator=(const TBAttribute&) = delete;

    static TBAttributePtr attribute();
    static TBAttributePtr attributeWithAttribute(const TBAttribute& other);
    // The stored forms keep a name only when the registry knows it.
    static TBAttributePtr attributeWithDictionary(const QVariantMap& dict, const TBAttributeRegistry& registry);
    static TBAttributePtr attributeWithArchive(const QByteArray& archive, const TBAttributeRegistry& registry);
    QByteArray archive() const;
    QVariantMap dictionaryRepresentation() const;
    QString description() const;

    // Case-insensitive comparison of the names: <0, 0, >0.
    int compareAttribute(const TBAttribute& other) const;

    static TBAttributeList attrArrayFromDict(const QVariantMap& dict, qint64 attributeType, bool defaultAttr);
    static QVariantMap dictFromAttrArray(const TBAttributeList& attrs);

    qint64 attributeID() const { return m_attributeID; }
    const QString& attributeName() const { return m_attributeName; }
    void setAttributeName(const QString& v) { m_attributeName = v; }
    QString friendlyName() const { return m_friendlyName; }
    void setFriendlyName(const QString& v) { m_friendlyName = v; }
    qint64 attributeType() const { return m_attributeType; }
    void setAttributeType(qint64 v) { m_attributeType = v; }
    bool defaultAttr() const { return m_defaultAttr; }
    void setDefaultAttr(bool v) { m_defaultAttr = v; }

private:
    qint64 m_attributeID;
    QString m_attributeName = QStringLiteral("newattribute");
    QString m_friendlyName = QStringLiteral("New Attribute");
    qint64 m_attributeType = TBAttributeTypeText;
    bool m_defaultAttr = false;
};
