#include "TBLog.h"

#include <QtDebug>

void TBLog(const QString& message)
{
    // Keep each call on one line so a message cannot forge further log lines.
    QString line = message;
    line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    qWarning("%s", qUtf8Printable(line));
}
