#include "TBUserDefaults.h"

#include "TBLog.h"
#include "TBPropertyList.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QStandardPaths>

#include <cmath>
#include <limits>
#include <memory>

namespace {

QMutex s_standardMutex;
std::unique_ptr<TBUserDefaults> s_standard;

QVariantMap asMap(const QVariant& v)
{
    if (v.metaType().id() == QMetaType::QVariantHash) {
        QVariantMap map;
        const QVariantHash hash = v.toHash();
        for (auto it = hash.constBegin(); it != hash.constEnd(); ++it)
            map.insert(it.key(), it.value());
        return map;
    }
    return v.toMap();
}

} // namespace

TBUserDefaults* TBUserDefaults::standardUserDefaults()
{
    QMutexLocker lock(&s_standardMutex);
    if (!s_standard)
        s_standard = std::make_unique<TBUserDefaults>(standardFilePath());
    return s_standard.get();
}

QString TBUserDefaults::standardFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Tamblin/Tamblin.plist");
}

void TBUserDefaults::resetStandardUserDefaults()
{
    QMutexLocker lock(&s_standardMutex);
    s_standard.reset();
}

TBUserDefaults::TBUserDefaults(const QString& filePath)
    : m_filePath(filePath)
{
    load();
}

void TBUserDefaults::load()
{
    m_values.clear();
    m_fileKeptUnread = false;
    if (!QFileInfo::exists(m_filePath))
        return;

    QString error;
    const QVariant root = TBPropertyList::readFile(m_filePath, &error);
    if (TBPropertyList::isDictionary(root)) {
        m_values = asMap(root);
        return;
    }
    if (root.isValid())
        error = QStringLiteral("%1: the top level is not a dictionary").arg(m_filePath);

    // Keep the unreadable file for the user; never overwrite an earlier one kept aside.
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    const QString base = m_filePath + QStringLiteral(".corrupt-") + stamp;
    QString aside = base;
    for (int n = 1; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = base + QLatin1Char('-') + QString::number(n);
    if (QFile::rename(m_filePath, aside)) {
        TBLog(QStringLiteral("Settings could not be read (%1); kept aside as %2, starting with empty settings")
                  .arg(error, aside));
    } else {
        m_fileKeptUnread = true;
        TBLog(
            QStringLiteral("Settings could not be read (%1) nor moved aside; they will not be overwritten").arg(error));
    }
}

void TBUserDefaults::registerDefaults(const QVariantMap& defaults)
{
    m_registered.insert(defaults);
}

QVariant TBUserDefaults::objectForKey(const QString& key) const
{
    const auto stored = m_values.constFind(key);
    if (stored != m_values.constEnd())
        return stored.value();
    return m_registered.value(key);
}

QString TBUserDefaults::stringForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    return TBPropertyList::isString(v) ? v.toString() : QString(QLatin1String(""));
}

qint64 TBUserDefaults::integerForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    if (TBPropertyList::isInteger(v)) {
        if (v.metaType().id() == QMetaType::ULongLong || v.metaType().id() == QMetaType::ULong) {
            const quint64 value = v.toULongLong();
            return value > quint64(std::numeric_limits<qint64>::max()) ? std::numeric_limits<qint64>::max()
                                                                       : qint64(value);
        }
        return v.toLongLong();
    }
    if (TBPropertyList::isNumber(v)) {
        // A real counts by its whole part, kept within range.
        const double value = v.toDouble();
        if (std::isnan(value))
            return 0;
        if (value >= 9223372036854775807.0)
            return std::numeric_limits<qint64>::max();
        if (value <= -9223372036854775808.0)
            return std::numeric_limits<qint64>::min();
        return qint64(value);
    }
    return 0;
}

bool TBUserDefaults::boolForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    if (TBPropertyList::isInteger(v))
        return integerForKey(key) != 0;
    if (TBPropertyList::isNumber(v))
        return v.toDouble() != 0.0;
    return false;
}

double TBUserDefaults::doubleForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    return TBPropertyList::isNumber(v) ? v.toDouble() : 0.0;
}

QVariantList TBUserDefaults::arrayForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    return TBPropertyList::isArray(v) ? v.toList() : QVariantList();
}

QVariantMap TBUserDefaults::dictionaryForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    return TBPropertyList::isDictionary(v) ? asMap(v) : QVariantMap();
}

QByteArray TBUserDefaults::dataForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    return TBPropertyList::isData(v) ? v.toByteArray() : QByteArray();
}

bool TBUserDefaults::isArray(const QString& key) const
{
    return TBPropertyList::isArray(objectForKey(key));
}

bool TBUserDefaults::isDictionary(const QString& key) const
{
    return TBPropertyList::isDictionary(objectForKey(key));
}

void TBUserDefaults::setObject(const QVariant& value, const QString& key)
{
    if (!value.isValid()) {
        removeObjectForKey(key);
        return;
    }
    // A value that cannot be written would make every later synchronize() fail.
    QString error;
    if (!TBPropertyList::hasPropertyListForm(value, &error)) {
        TBLog(QStringLiteral("Settings: not storing \"%1\": %2").arg(key, error));
        return;
    }
    m_values.insert(key, value);
}

void TBUserDefaults::removeObjectForKey(const QString& key)
{
    m_values.remove(key);
}

bool TBUserDefaults::synchronize()
{
    if (m_fileKeptUnread) {
        TBLog(QStringLiteral("Settings not saved: %1 could not be read and is left as it was").arg(m_filePath));
        return false;
    }
    const QString folder = QFileInfo(m_filePath).absolutePath();
    if (!QDir().mkpath(folder)) {
        TBLog(QStringLiteral("Settings not saved: cannot create the folder %1").arg(folder));
        return false;
    }
    QString error;
    if (!TBPropertyList::writeFile(m_filePath, m_values, &error)) {
        TBLog(QStringLiteral("Settings not saved: %1").arg(error));
        return false;
    }
    return true;
}
