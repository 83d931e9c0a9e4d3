#pragma once

#include "TBTableCommands.h"

#include <QKeySequence>
#include <QList>
#include <QWidget>

#include <functional>

class QAbstractScrollArea;
class QAction;
class QMenu;
class QMessageBox;
class QPushButton;
class TBPreferences;

// One tab of the preferences window; its objectName is its toolbar identifier ("General",
// "Directories", "Attributes"). Every change goes into the preferences at once, is written to the
// settings file and is announced, so open windows follow and a crash loses nothing.
class TBPrefsTab : public QWidget
{
    Q_OBJECT
public:
    using ModifierSource = std::function<Qt::KeyboardModifiers()>;

    explicit TBPrefsTab(const QString& identifier, QWidget* parent = nullptr);

    // Stores what is still being typed; the window calls it when it closes or goes to the back, and
    // when the application quits.
    virtual void commitEditing() { }

    // Modifier keys of the current event (Alt duplicates and skips confirmations); tests replace it.
    static void setModifierSource(ModifierSource source);
    static Qt::KeyboardModifiers currentModifiers();

protected:
    static TBPreferences* prefs();
    // Writes every setting to the settings file.
    static void savePreferences();
    // The shared helpers of list editors (TBTableCommands).
    static QMessageBox* alert(QWidget* parent, bool critical, const QString& text, const QString& informative)
    {
        return TBTableCommands::alert(parent, critical, text, informative);
    }
    static QMessageBox* confirm(QWidget* parent, bool critical, const QString& text, const QString& informative,
                                const QString& confirmTitle, const QString& confirmName, QObject* context,
                                std::function<void()> confirmed)
    {
        return TBTableCommands::confirm(parent, critical, text, informative, confirmTitle, confirmName, context,
                                        std::move(confirmed));
    }
    static QPushButton* makeButton(const QString& name, const QString& title)
    {
        return TBTableCommands::makeButton(name, title);
    }
    static QAction* addTableCommand(QMenu* menu, QWidget* table, const QString& name, const QString& title,
                                    const QList<QKeySequence>& shortcuts = {})
    {
        return TBTableCommands::addTableCommand(menu, table, name, title, shortcuts);
    }
    static void setTableMenu(QAbstractScrollArea* table, std::function<QMenu*()> menu)
    {
        TBTableCommands::setTableMenu(table, std::move(menu));
    }
};
