#include "TBTableCommands.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QGridLayout>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>

QMessageBox* TBTableCommands::alert(QWidget* parent, bool critical, const QString& text, const QString& informative)
{
    auto* box = new QMessageBox(parent);
    box->setObjectName(QStringLiteral("alert"));
    box->setIcon(critical ? QMessageBox::Critical : QMessageBox::Warning);
    box->setWindowTitle(QGuiApplication::applicationDisplayName());
    box->setText(text);
    box->setInformativeText(informative);
    box->setWindowModality(Qt::WindowModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // Wide enough that the informative text does not wrap into a narrow column.
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout()))
        grid->addItem(new QSpacerItem(380, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                      grid->columnCount());
    return box;
}

QMessageBox* TBTableCommands::confirm(QWidget* parent, bool critical, const QString& text, const QString& informative,
                                      const QString& confirmTitle, const QString& confirmName, QObject* context,
                                      std::function<void()> confirmed)
{
    QMessageBox* box = alert(parent, critical, text, informative);
    QPushButton* confirmButton = box->addButton(confirmTitle, QMessageBox::AcceptRole);
    confirmButton->setObjectName(confirmName);
    QPushButton* cancelButton = box->addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    box->setDefaultButton(confirmButton);
    box->setEscapeButton(cancelButton);
    QObject::connect(box, &QMessageBox::finished, context, [box, confirmButton, confirmed] {
        if (box->clickedButton() == confirmButton)
            confirmed();
    });
    box->open();
    return box;
}

QPushButton* TBTableCommands::makeButton(const QString& name, const QString& title)
{
    auto* button = new QPushButton(title);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QAction* TBTableCommands::addTableCommand(QMenu* menu, QWidget* table, const QString& name, const QString& title,
                                          const QList<QKeySequence>& shortcuts)
{
    auto* command = new QAction(title, menu);
    command->setObjectName(name);
    command->setShortcuts(shortcuts);
    command->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    menu->addAction(command);
    table->addAction(command);
    return command;
}

void TBTableCommands::setTableMenu(QAbstractScrollArea* table, std::function<QMenu*()> menu)
{
    table->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(table, &QWidget::customContextMenuRequested, table, [table, menu](const QPoint& position) {
        menu()->popup(table->viewport()->mapToGlobal(position));
    });
}
