#include "TBSavePanel.h"

#include <QFileDialog>

QFileDialog* TBSavePanel::make(QWidget* window, const QString& title, const QString& objectName,
                               const QString& defaultSuffix, const QStringList& nameFilters)
{
    auto* panel = new QFileDialog(window, title);
    panel->setObjectName(objectName);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setAcceptMode(QFileDialog::AcceptSave);
    panel->setWindowModality(Qt::WindowModal);
    panel->setDefaultSuffix(defaultSuffix);
    panel->setNameFilters(nameFilters);
    return panel;
}
