#include "TBAppDelegate.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tamblin"));
    QApplication::setApplicationVersion(TBAppDelegate::versionString());
    QApplication::setDesktopFileName(QStringLiteral("tamblin"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/ui/tamblin.svg")));

    TBAppDelegate delegate;
    if (!delegate.initialize())
        return 1;
    delegate.applicationOpenUntitledFile();
    return app.exec();
}
