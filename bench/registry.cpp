// Attribute registry lookups over the shipped lists: the parser asks whether every attribute line
// is a picture or binary attribute, and rendering asks for a friendly name per value.

#include "TBPreferences.h"
#include "TBUserDefaults.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // A private settings file, so only the shipped lists and no user definitions are searched.
    QTemporaryDir dir;
    TBUserDefaults store(dir.filePath(QStringLiteral("Tamblin.plist")));
    TBPreferences::resetSharedPreferences(&store);
    const TBPreferences* prefs = TBPreferences::sharedPreferences();

    // Names as ldapsearch prints them for a typical person entry.
    const QStringList names {QStringLiteral("dn"),          QStringLiteral("objectClass"),
                             QStringLiteral("cn"),          QStringLiteral("sn"),
                             QStringLiteral("givenName"),   QStringLiteral("mail"),
                             QStringLiteral("uid"),         QStringLiteral("telephoneNumber"),
                             QStringLiteral("description"), QStringLiteral("jpegPhoto")};
    const int rounds = 200000;
    const double lookups = double(rounds) * names.size();

    QElapsedTimer timer;
    timer.start();
    qint64 hits = 0;
    for (int i = 0; i < rounds; ++i) {
        for (const QString& name : names)
            hits += prefs->isImageAttribute(name) || prefs->isBinaryAttribute(name);
    }
    const double kindNs = double(timer.nsecsElapsed()) / lookups;

    timer.restart();
    qint64 length = 0;
    for (int i = 0; i < rounds; ++i) {
        for (const QString& name : names)
            length += prefs->friendlyNameForAttribute(name).size();
    }
    const double friendlyNs = double(timer.nsecsElapsed()) / lookups;

    printf("registry_image_or_binary_lookup: %.0f ns\n", kindNs);
    printf("registry_friendly_name_lookup: %.0f ns\n", friendlyNs);
    return hits > 0 && length > 0 ? 0 : 1;
}
