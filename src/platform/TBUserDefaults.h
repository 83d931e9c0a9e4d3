#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

// A typed key-value store with registered fallbacks, kept in memory and written as an XML property
// list. The typed getters are strict: a value of another kind reads as the getter's empty value
// (a stored string "5" is not an integer).
class TBUserDefaults
{
public:
    // The application's store at $XDG_CONFIG_HOME/Tamblin/Tamblin.plist, loaded on first use.
    static TBUserDefaults* standardUserDefaults();
    static QString standardFilePath();
    // Drops the process-wide store so the next call reloads it (tests).
    static void resetStandardUserDefaults();

    // A store backed by the given file, loaded at once. A missing file is an empty store. A file
    // that cannot be read as a dictionary is moved aside as "<name>.corrupt-<yyyyMMdd-hhmmss>"
    // (with "-1", "-2", ... when that name is taken) with a log line; the store then starts empty.
    // When it cannot even be moved, synchronize() refuses to overwrite it.
    explicit TBUserDefaults(const QString& filePath);

    QString filePath() const { return m_filePath; }

    void registerDefaults(const QVariantMap& defaults);

    // The stored value, else the registered default, else an invalid QVariant.
    QVariant objectForKey(const QString& key) const;
    bool hasStoredValue(const QString& key) const { return m_values.contains(key); }

    QString stringForKey(const QString& key) const; // "" when absent or not a string
    qint64 integerForKey(const QString& key) const; // 0 when absent or not a number; a real's whole part
    bool boolForKey(const QString& key) const; // false when absent or not a number
    double doubleForKey(const QString& key) const; // 0 when absent or not a number
    QVariantList arrayForKey(const QString& key) const; // empty when absent or not an array
    QVariantMap dictionaryForKey(const QString& key) const; // empty when absent or not a dictionary
    QByteArray dataForKey(const QString& key) const; // empty when absent or not data
    bool isArray(const QString& key) const; // whether objectForKey holds an array
    bool isDictionary(const QString& key) const;

    // An invalid value removes the key; a value with no property-list form (see TBPropertyList) is
    // not stored, with a log line, so that it cannot make every later synchronize() fail.
    void setObject(const QVariant& value, const QString& key);
    void setString(const QString& value, const QString& key) { setObject(value, key); }
    void setInteger(qint64 value, const QString& key) { setObject(value, key); }
    void setBool(bool value, const QString& key) { setObject(value, key); }
    void setDouble(double value, const QString& key) { setObject(value, key); }
    void removeObjectForKey(const QString& key);

    QVariantMap storedValues() const { return m_values; }

    // Writes every stored value atomically. False (with a log line) when the file cannot be written.
    bool synchronize();

private:
    void load();

    QString m_filePath;
    QVariantMap m_values;
    QVariantMap m_registered;
    bool m_fileKeptUnread = false; // an unreadable file that could not be moved aside
};
