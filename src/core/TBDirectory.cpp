#include "TBDirectory.h"

#include "TBPropertyList.h"

#include <QDateTime>

namespace {

const QString kDirectoryID = QStringLiteral("DirectoryID");
const QString kDirectoryName = QStringLiteral("DirectoryName");
const QString kLDAPURI = QStringLiteral("LDAPURI");
const QString kSearchBase = QStringLiteral("SearchBase");
const QString kStartTLS = QStringLiteral("StartTLS");
const QString kLDAPVersion = QStringLiteral("LDAPVersion");
const QString kAuthentication = QStringLiteral("Authentication");
const QString kSimpleID = QStringLiteral("SimpleID");
const QString kSASLMechanism = QStringLiteral("SASLMechanism");
const QString kSASLAuthCID = QStringLiteral("SASLAuthCID");
const QString kSASLRealm = QStringLiteral("SASLRealm");
const QString kSASLAuthZID = QStringLiteral("SASLAuthZID");
const QString kSASLProperties = QStringLiteral("SASLProperties");

// -1 until the first draw of the run, which starts at the current time in seconds.
qint64 s_directoryIDCounter = -1;

QVariant number(quint64 value)
{
    return QVariant::fromValue<qint64>(static_cast<qint64>(value));
}

QString text(const QString& value)
{
    return value.isNull() ? QStringLiteral("") : value;
}

bool identifierTaken(const QList<TBDirectoryPtr>& taken, qint64 directoryID)
{
    // 0 and below name no directory, whatever a record may carry.
    if (directoryID < 1)
        return false;
    for (const TBDirectoryPtr& dir : taken) {
        if (dir && dir->directoryID() == static_cast<quint64>(directoryID))
            return true;
    }
    return false;
}

bool nameTaken(const QList<TBDirectoryPtr>& taken, const QString& name)
{
    for (const TBDirectoryPtr& dir : taken) {
        if (dir && dir->directoryName() == name)
            return true;
    }
    return false;
}

} // namespace

TBDirectory::TBDirectory(const QList<TBDirectoryPtr>& taken)
    : m_directoryID(uniqueDirectoryID(taken))
    , m_directoryName(QStringLiteral("New Directory"))
    , m_ldapURI(QStringLiteral("ldap://"))
    , m_searchBase(QStringLiteral(""))
    , m_simpleID(QStringLiteral(""))
    , m_saslAuthCID(QStringLiteral(""))
    , m_saslRealm(QStringLiteral(""))
    , m_saslAuthZID(QStringLiteral(""))
    , m_saslProperties(QStringLiteral(""))
{ }

TBDirectory::TBDirectory(const TBDirectory& other)
    : TBDirectory()
{
    // The copy is the same directory: after drawing (and discarding) an identifier it takes every
    // field, the identifier included.
    *this = other;
}

TBDirectoryPtr TBDirectory::directory(const QList<TBDirectoryPtr>& taken)
{
    return std::make_shared<TBDirectory>(taken);
}

TBDirectoryPtr TBDirectory::directoryWithDirectory(const TBDirectory& other)
{
    return std::make_shared<TBDirectory>(other);
}

TBDirectoryPtr TBDirectory::directoryWithDictionary(const QVariantMap& dict, const QList<TBDirectoryPtr>& taken)
{
    auto dir = directory(taken);
    dir->initWithDictionary(dict, taken);
    return dir;
}

void TBDirectory::initWithDictionary(const QVariantMap& dict, const QList<TBDirectoryPtr>& taken)
{
    auto readNumber = [&dict](const QString& key, quint64* field) {
        const QVariant v = dict.value(key);
        if (TBPropertyList::isNumber(v))
            *field = static_cast<quint64>(v.toLongLong());
    };
    auto readText = [&dict](const QString& key, QString* field) {
        const QVariant v = dict.value(key);
        if (TBPropertyList::isString(v))
            *field = v.toString();
    };

    const QVariant id = dict.value(kDirectoryID);
    if (TBPropertyList::isNumber(id)) {
        m_directoryID = static_cast<quint64>(id.toLongLong());
        if (m_directoryID == 0)
            m_directoryID = uniqueDirectoryID(taken);
    }
    const QVariant name = dict.value(kDirectoryName);
    if (TBPropertyList::isString(name))
        m_directoryName = uniqueDirectoryNameFromName(name.toString(), taken);
    readText(kLDAPURI, &m_ldapURI);
    readText(kSearchBase, &m_searchBase);
    readNumber(kStartTLS, &m_startTLS);
    readNumber(kLDAPVersion, &m_ldapVersion);
    readNumber(kAuthentication, &m_authentication);
    readText(kSimpleID, &m_simpleID);
    readNumber(kSASLMechanism, &m_saslMechanism);
    readText(kSASLAuthCID, &m_saslAuthCID);
    readText(kSASLRealm, &m_saslRealm);
    readText(kSASLAuthZID, &m_saslAuthZID);
    readText(kSASLProperties, &m_saslProperties);
}

QVariantMap TBDirectory::dictionaryRepresentation() const
{
    return QVariantMap {
        {kDirectoryID, number(m_directoryID)},
        {kDirectoryName, text(m_directoryName)},
        {kLDAPURI, text(m_ldapURI)},
        {kSearchBase, text(m_searchBase)},
        {kStartTLS, number(m_startTLS)},
        {kLDAPVersion, number(m_ldapVersion)},
        {kAuthentication, number(m_authentication)},
        {kSimpleID, text(m_simpleID)},
        {kSASLMechanism, number(m_saslMechanism)},
        {kSASLAuthCID, text(m_saslAuthCID)},
        {kSASLRealm, text(m_saslRealm)},
        {kSASLAuthZID, text(m_saslAuthZID)},
        {kSASLProperties, text(m_saslProperties)},
    };
}

TBDirectoryPtr TBDirectory::directoryWithArchive(const QByteArray& archive)
{
    const QVariant root = TBPropertyList::fromData(archive);
    if (!TBPropertyList::isDictionary(root))
        return nullptr;
    const QVariantMap map = root.toMap();
    auto dir = directory();
    // Coder rules: a missing number decodes as 0 and a missing text as nothing.
    auto decodeNumber = [&map](const QString& key) -> quint64 {
        const QVariant v = map.value(key);
        return TBPropertyList::isNumber(v) ? static_cast<quint64>(v.toLongLong()) : 0;
    };
    auto decodeText = [&map](const QString& key) {
        const QVariant v = map.value(key);
        return TBPropertyList::isString(v) ? v.toString() : QString();
    };
    // Identifier 0 means "no directory" everywhere, so a record never takes it: keep the fresh one.
    if (const quint64 id = decodeNumber(kDirectoryID))
        dir->m_directoryID = id;
    dir->m_directoryName = decodeText(kDirectoryName);
    dir->m_ldapURI = decodeText(kLDAPURI);
    dir->m_searchBase = decodeText(kSearchBase);
    dir->m_startTLS = decodeNumber(kStartTLS);
    dir->m_ldapVersion = decodeNumber(kLDAPVersion);
    dir->m_authentication = decodeNumber(kAuthentication);
    dir->m_simpleID = decodeText(kSimpleID);
    dir->m_saslMechanism = decodeNumber(kSASLMechanism);
    dir->m_saslAuthCID = decodeText(kSASLAuthCID);
    dir->m_saslRealm = decodeText(kSASLRealm);
    dir->m_saslAuthZID = decodeText(kSASLAuthZID);
    dir->m_saslProperties = decodeText(kSASLProperties);
    return dir;
}

QByteArray TBDirectory::archive() const
{
    return TBPropertyList::toXml(dictionaryRepresentation());
}

QVariantList TBDirectory::dictArrayFromDirArray(const QList<TBDirectoryPtr>& dirs)
{
    QVariantList dicts;
    dicts.reserve(dirs.size());
    for (const auto& dir : dirs) {
        if (dir)
            dicts.append(dir->dictionaryRepresentation());
    }
    return dicts;
}

QList<TBDirectoryPtr> TBDirectory::dirArrayFromDictArray(const QVariantList& dicts, const QList<TBDirectoryPtr>& taken)
{
    QList<TBDirectoryPtr> dirs;
    dirs.reserve(dicts.size());
    for (const QVariant& dict : dicts) {
        // A stray non-dictionary element is no directory at all; do not invent one for it.
        if (TBPropertyList::isDictionary(dict))
            dirs.append(directoryWithDictionary(dict.toMap(), taken));
    }
    return dirs;
}

std::optional<QList<TBDirectoryPtr>> TBDirectory::directoriesFromPropertyList(const QVariant& root,
                                                                              const QList<TBDirectoryPtr>& taken)
{
    if (!TBPropertyList::isArray(root))
        return std::nullopt;
    const QVariantList dicts = root.toList();
    for (const QVariant& dict : dicts) {
        if (!TBPropertyList::isDictionary(dict))
            return std::nullopt;
    }
    // One at a time, so names and identifiers are unique among the new records too.
    QList<TBDirectoryPtr> all = taken;
    QList<TBDirectoryPtr> directories;
    for (const QVariant& dict : dicts) {
        TBDirectoryPtr directory = directoryWithDictionary(dict.toMap(), all);
        directory->updateDirectoryID(all);
        all.append(directory);
        directories.append(directory);
    }
    return directories;
}

quint64 TBDirectory::uniqueDirectoryID(const QList<TBDirectoryPtr>& taken)
{
    if (s_directoryIDCounter == -1)
        s_directoryIDCounter = QDateTime::currentSecsSinceEpoch();
    else
        ++s_directoryIDCounter;
    while (identifierTaken(taken, s_directoryIDCounter))
        ++s_directoryIDCounter;
    return static_cast<quint64>(s_directoryIDCounter);
}

QString TBDirectory::uniqueDirectoryNameFromName(const QString& name, const QList<TBDirectoryPtr>& taken)
{
    if (!nameTaken(taken, name))
        return name;
    for (qint64 n = 2;; ++n) {
        const QString candidate = QStringLiteral("%1 %2").arg(name, QString::number(n));
        if (!nameTaken(taken, candidate))
            return candidate;
    }
}

void TBDirectory::resetIdentifierCounter()
{
    s_directoryIDCounter = -1;
}

QString TBDirectory::description() const
{
    auto numberLine = [](const QString& key, quint64 value) {
        return QStringLiteral("%1: %2\n").arg(key).arg(static_cast<qint64>(value));
    };
    auto textLine = [](const QString& key, const QString& value) { return QStringLiteral("%1: %2\n").arg(key, value); };
    return numberLine(kDirectoryID, m_directoryID) + textLine(kDirectoryName, m_directoryName)
        + textLine(kLDAPURI, m_ldapURI) + textLine(kSearchBase, m_searchBase) + numberLine(kStartTLS, m_startTLS)
        + numberLine(kLDAPVersion, m_ldapVersion) + numberLine(kAuthentication, m_authentication)
        + textLine(kSimpleID, m_simpleID) + numberLine(kSASLMechanism, m_saslMechanism)
        + textLine(kSASLAuthCID, m_saslAuthCID) + textLine(kSASLRealm, m_saslRealm)
        + textLine(kSASLAuthZID, m_saslAuthZID) + textLine(kSASLProperties, m_saslProperties);
}
