#include "TBOtherAttributeSheet.h"

#include "TBPreferences.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TBOtherAttributeSheet::TBOtherAttributeSheet(QWidget* parent)
    : QDialog(parent)
    , m_popUp(new QComboBox(this))
{
    setObjectName(QStringLiteral("otherAttrSheet"));
    setWindowTitle(tr("Other Attribute"));
    setWindowModality(Qt::WindowModal);
    m_popUp->setObjectName(QStringLiteral("otherAttrPopUpButton"));
    m_popUp->setMaxVisibleItems(24);
    m_popUp->setSizeAdjustPolicy(QComboBox::AdjustToContents);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_okButton = buttons->button(QDialogButtonBox::Ok);
    m_okButton->setObjectName(QStringLiteral("otherAttrOKButton"));
    m_cancelButton = buttons->button(QDialogButtonBox::Cancel);
    m_cancelButton->setObjectName(QStringLiteral("otherAttrCancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 14);
    layout->setSpacing(12);
    layout->addWidget(new QLabel(tr("Search on this attribute:"), this));
    layout->addWidget(m_popUp);
    layout->addWidget(buttons);
    setMinimumWidth(360);
    updateOtherAttrPopupButton();
}

void TBOtherAttributeSheet::updateOtherAttrPopupButton()
{
    TBPreferences* prefs = TBPreferences::sharedPreferences();
    m_popUp->clear();
    for (const TBAttributeList* list : prefs->allAttributeArrays()) {
        if (!list || list->isEmpty())
            continue;
        if (m_popUp->count() > 0)
            m_popUp->insertSeparator(m_popUp->count());
        for (const TBAttributePtr& attribute : *list) {
            if (!attribute)
                continue;
            const QString friendly = attribute->friendlyName();
            const QString title = friendly.isEmpty()
                ? attribute->attributeName()
                : QStringLiteral("%1 (%2)").arg(attribute->attributeName(), friendly);
            m_popUp->addItem(title, attribute->attributeID());
        }
    }
}

bool TBOtherAttributeSheet::selectAttributeNamed(const QString& name)
{
    const TBAttributePtr attribute = TBPreferences::sharedPreferences()->attributeWithName(name);
    const int index = attribute ? m_popUp->findData(attribute->attributeID()) : -1;
    if (index < 0)
        return false;
    m_popUp->setCurrentIndex(index);
    return true;
}

qint64 TBOtherAttributeSheet::selectedAttributeID() const
{
    const QVariant tag = m_popUp->currentData();
    return tag.isValid() ? tag.toLongLong() : -1;
}

QString TBOtherAttributeSheet::selectedAttributeName() const
{
    const TBAttributePtr attribute = TBPreferences::sharedPreferences()->attributeWithID(selectedAttributeID());
    return attribute ? attribute->attributeName() : QString();
}
