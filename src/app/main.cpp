#include "TBAppDelegate.h"
#include "TBDocument.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tamblin"));
    QApplication::setApplicationVersion(TBAppDelegate::versionString());
    QApplication::setDesktopFileName(QStringLiteral("tamblin"));
    QApplication::setWindowIcon(TBDocument::applicationIcon());

    TBAppDelegate delegate;
    if (!delegate.initialize())
        return 1;
    delegate.applicationOpenUntitledFile();
    return app.exec();
}
