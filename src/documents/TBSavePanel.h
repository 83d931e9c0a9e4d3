#pragma once

#include <QString>
#include <QStringList>

class QFileDialog;
class QWidget;

// The save panels the windows open: a window-modal sheet that deletes itself when closed,
// suggesting a file name with a suffix and offering the given file types.
class TBSavePanel
{
public:
    static QFileDialog* make(QWidget* window, const QString& title, const QString& objectName,
                             const QString& defaultSuffix, const QStringList& nameFilters);
};
