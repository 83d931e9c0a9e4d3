#include "TBAppDelegate.h"
#include "TBDocument.h"
#include "TBLog.h"
#include "TBSessionBusProbe.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // Before QApplication: building it already asks the session bus (theme, accessibility).
    TBSessionBusProbe::avoidSilentBus();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tamblin"));
    QApplication::setApplicationVersion(TBAppDelegate::versionString());
    QApplication::setDesktopFileName(QStringLiteral("tamblin"));
    QApplication::setWindowIcon(TBDocument::applicationIcon());

    TBAppDelegate delegate;
    if (!delegate.initialize())
        return 1;
    if (delegate.applicationOpenUntitledFile())
        TBLog(QStringLiteral("Tamblin %1 started").arg(TBAppDelegate::versionString()));
    return app.exec();
}
