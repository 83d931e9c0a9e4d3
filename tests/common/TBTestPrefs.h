#pragma once

#include "TBPreferences.h"
#include "TBPropertyList.h"
#include "TBTestSupport.h"
#include "TBUserDefaults.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>

// The shared preferences of a test, over a settings file of its own (for the tests of the prefs
// library and above). Each call of prefsWith() starts again from exactly what it is given.
class TBTestPrefs
{
public:
    TBTestPrefs()
    {
        if (!m_dir.isValid())
            qFatal("No temporary folder for the settings file");
    }
    ~TBTestPrefs() { TBPreferences::resetSharedPreferences(nullptr); }
    TBTestPrefs(const TBTestPrefs&) = delete;
    TBTestPrefs& operator=(const TBTestPrefs&) = delete;

    QString storePath() const { return m_dir.filePath(QStringLiteral("Tamblin.plist")); }
    // Another file in the same private folder.
    QString filePath(const QString& name) const { return m_dir.filePath(name); }
    TBUserDefaults* store() const { return m_store.get(); }

    TBPreferences* prefsWith(const QVariantMap& stored)
    {
        TBPreferences::resetSharedPreferences(nullptr);
        m_store.reset();
        QFile::remove(storePath());
        if (!stored.isEmpty() && !TBPropertyList::writeFile(storePath(), stored))
            qFatal("Could not write the settings fixture");
        m_store = std::make_unique<TBUserDefaults>(storePath());
        TBPreferences::resetSharedPreferences(m_store.get());
        return TBPreferences::sharedPreferences();
    }

    // The preferences of the next run: the settings file read again.
    TBPreferences* reopened()
    {
        TBPreferences::resetSharedPreferences(nullptr);
        m_store = std::make_unique<TBUserDefaults>(storePath());
        TBPreferences::resetSharedPreferences(m_store.get());
        return TBPreferences::sharedPreferences();
    }

    // The settings file as the next run, and as another reader, would read it.
    TBUserDefaults onDisk() const { return TBUserDefaults(storePath()); }
    QVariantMap readByPython() const
    {
        QString error;
        const QVariantMap read = TBTestSupport::plistReadByPython(storePath(), &error);
        if (read.isEmpty())
            qWarning("plistlib did not read %s: %s", qPrintable(storePath()), qPrintable(error));
        return read;
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<TBUserDefaults> m_store;
};
