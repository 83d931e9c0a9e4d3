#include "TBPrefsAttributesTab.h"

#include <QVBoxLayout>

TBPrefsAttributesTab::TBPrefsAttributesTab(QWidget* parent)
    : TBPrefsTab(QStringLiteral("Attributes"), parent)
{
    new QVBoxLayout(this);
}
