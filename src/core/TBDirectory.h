#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <memory>
#include <optional>

class TBDirectory;
using TBDirectoryPtr = std::shared_ptr<TBDirectory>;

// One configured LDAP server. Held by shared pointer: the preferences' list, the editors' copies
// and the commands refer to records, not values. No password is ever part of the record.
//
// Identifiers and names are kept apart from those of a directory list ("taken") where one is given:
// a fresh identifier is one no directory of the list has, a name that one of them has gets " 2",
// " 3", ... appended.
class TBDirectory
{
public:
    // Defaults; draws a fresh identifier.
    explicit TBDirectory(const QList<TBDirectoryPtr>& taken = QList<TBDirectoryPtr>());
    TBDirectory(const TBDirectory& other); // field-by-field copy, identifier included (after drawing one)
    TBDirectory& operator=(const TBDirectory& other) = default;

    static TBDirectoryPtr directory(const QList<TBDirectoryPtr>& taken = QList<TBDirectoryPtr>());
    static TBDirectoryPtr directoryWithDirectory(const TBDirectory& other);
    static TBDirectoryPtr directoryWithDictionary(const QVariantMap& dict,
                                                  const QList<TBDirectoryPtr>& taken = QList<TBDirectoryPtr>());
    // The archive form: the same keys, written as an XML property list.
    static TBDirectoryPtr directoryWithArchive(const QByteArray& archive);
    QByteArray archive() const;

    // Applies the dictionary's keys to this record.
    void initWithDictionary(const QVariantMap& dict, const QList<TBDirectoryPtr>& taken = QList<TBDirectoryPtr>());
    QVariantMap dictionaryRepresentation() const;

    static QVariantList dictArrayFromDirArray(const QList<TBDirectoryPtr>& dirs);
    // Every record is checked against the taken list only, not against the others of the array.
    static QList<TBDirectoryPtr> dirArrayFromDictArray(const QVariantList& dicts,
                                                       const QList<TBDirectoryPtr>& taken = QList<TBDirectoryPtr>());

    // The records of an exported directories file, a property list whose root is an array of directory
    // dictionaries: new directories for the list `taken`, each with a fresh identifier (never the
    // file's) and a name kept apart from those of `taken` and of the records before it. std::nullopt
    // when the root is no such array (an element that is no dictionary refuses the whole file).
    static std::optional<QList<TBDirectoryPtr>>
    directoriesFromPropertyList(const QVariant& root, const QList<TBDirectoryPtr>& taken = QList<TBDirectoryPtr>());

    static quint64 uniqueDirectoryID(const QList<TBDirectoryPtr>& taken = QList<TBDirectoryPtr>());
    static QString uniqueDirectoryNameFromName(const QString& name,
                                               const QList<TBDirectoryPtr>& taken = QList<TBDirectoryPtr>());
    void updateDirectoryID(const QList<TBDirectoryPtr>& taken = QList<TBDirectoryPtr>())
    {
        m_directoryID = uniqueDirectoryID(taken);
    }
    // Forgets the identifier counter so the next draw starts at the current time again (tests).
    static void resetIdentifierCounter();

    QString description() const;

    quint64 directoryID() const { return m_directoryID; }
    void setDirectoryID(quint64 v) { m_directoryID = v; }
    QString directoryName() const { return m_directoryName; }
    void setDirectoryName(const QString& v) { m_directoryName = v; }
    QString ldapURI() const { return m_ldapURI; }
    void setLdapURI(const QString& v) { m_ldapURI = v; }
    QString searchBase() const { return m_searchBase; }
    void setSearchBase(const QString& v) { m_searchBase = v; }
    quint64 startTLS() const { return m_startTLS; }
    void setStartTLS(quint64 v) { m_startTLS = v; }
    quint64 ldapVersion() const { return m_ldapVersion; }
    void setLdapVersion(quint64 v) { m_ldapVersion = v; }
    quint64 authentication() const { return m_authentication; }
    void setAuthentication(quint64 v) { m_authentication = v; }
    QString simpleID() const { return m_simpleID; }
    void setSimpleID(const QString& v) { m_simpleID = v; }
    quint64 saslMechanism() const { return m_saslMechanism; }
    void setSaslMechanism(quint64 v) { m_saslMechanism = v; }
    QString saslAuthCID() const { return m_saslAuthCID; }
    void setSaslAuthCID(const QString& v) { m_saslAuthCID = v; }
    QString saslRealm() const { return m_saslRealm; }
    void setSaslRealm(const QString& v) { m_saslRealm = v; }
    QString saslAuthZID() const { return m_saslAuthZID; }
    void setSaslAuthZID(const QString& v) { m_saslAuthZID = v; }
    QString saslProperties() const { return m_saslProperties; }
    void setSaslProperties(const QString& v) { m_saslProperties = v; }

private:
    quint64 m_directoryID = 0;
    QString m_directoryName;
    QString m_ldapURI;
    QString m_searchBase;
    quint64 m_startTLS = 0;
    quint64 m_ldapVersion = 0;
    quint64 m_authentication = 0;
    QString m_simpleID;
    quint64 m_saslMechanism = 0;
    QString m_saslAuthCID;
    QString m_saslRealm;
    QString m_saslAuthZID;
    QString m_saslProperties;
};
