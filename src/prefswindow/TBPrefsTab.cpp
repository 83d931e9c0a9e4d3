#include "TBPrefsTab.h"

#include "TBPreferences.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QMessageBox>
#include <QSpacerItem>

TBPrefsTab::ModifierSource TBPrefsTab::s_modifierSource;

TBPrefsTab::TBPrefsTab(const QString& identifier, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(identifier);
}

void TBPrefsTab::setModifierSource(ModifierSource source)
{
    s_modifierSource = std::move(source);
}

Qt::KeyboardModifiers TBPrefsTab::currentModifiers()
{
    return s_modifierSource ? s_modifierSource() : QGuiApplication::queryKeyboardModifiers();
}

TBPreferences* TBPrefsTab::prefs()
{
    return TBPreferences::sharedPreferences();
}

void TBPrefsTab::savePreferences()
{
    prefs()->savePrefs();
}

QMessageBox* TBPrefsTab::alert(QWidget* parent, bool critical, const QString& text, const QString& informative)
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
