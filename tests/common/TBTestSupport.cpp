#include "TBTestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QtDebug>

namespace TBTestSupport {

QString sourceDir()
{
    const QByteArray env = qgetenv("TB_SOURCE_DIR");
    return env.isEmpty() ? QStringLiteral(TB_SOURCE_DIR) : QString::fromLocal8Bit(env);
}

QString sampleDir()
{
    const QByteArray env = qgetenv("TB_SAMPLE_DIR");
    return env.isEmpty() ? QStringLiteral(TB_SAMPLE_DIR) : QString::fromLocal8Bit(env);
}

QString sampleURI()
{
    QFile file(sampleDir() + QStringLiteral("/uri"));
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning("No sample slapd: %s is missing", qPrintable(file.fileName()));
        return QString();
    }
    return QString::fromUtf8(file.readAll()).trimmed();
}

QString useScratchConfig()
{
    static QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/config");
    QDir().mkpath(path);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(path));
    return path;
}

bool realPartsRequired()
{
    return qEnvironmentVariable("TB_REQUIRE_REAL_PARTS") == QLatin1String("1")
        || qEnvironmentVariable("CI").compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

QVariantMap plistReadByPython(const QString& path, QString* error)
{
    QProcess python;
    python.start(
        QStringLiteral("/usr/bin/python3"),
        {QStringLiteral("-c"),
         QStringLiteral("import json, plistlib, sys\n"
                        "d = plistlib.load(open(sys.argv[1], 'rb'))\n"
                        "assert isinstance(d, dict), type(d)\n"
                        "json.dump(d, sys.stdout, default=lambda o: o.hex() if isinstance(o, bytes) else str(o))\n"),
         path});
    if (!python.waitForFinished(30000) || python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0) {
        if (error)
            *error = QString::fromUtf8(python.readAllStandardError()) + python.errorString();
        return {};
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(python.readAllStandardOutput(), &parseError);
    if (error)
        *error = parseError.error == QJsonParseError::NoError ? QString() : parseError.errorString();
    return document.toVariant().toMap();
}

} // namespace TBTestSupport
