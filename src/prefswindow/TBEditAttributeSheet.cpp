#include "TBEditAttributeSheet.h"

#include "TBAttribute.h"
#include "TBAttributeFormatter.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TBEditAttributeSheet::TBEditAttributeSheet(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("editAttributeSheet"));
    setWindowTitle(tr("Attribute"));
    setWindowModality(Qt::WindowModal);

    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("editAttributeName"));
    m_name->setValidator(new TBAttributeFormatter(m_name));
    m_name->setMinimumWidth(280);
    m_name->setPlaceholderText(QStringLiteral("employeeNumber"));
    m_friendlyName = new QLineEdit(this);
    m_friendlyName->setObjectName(QStringLiteral("editAttributeFriendlyName"));
    m_friendlyName->setPlaceholderText(QStringLiteral("Employee Number"));
    m_typePopUp = new QComboBox(this);
    m_typePopUp->setObjectName(QStringLiteral("editAttributeTypePopUp"));
    // In the order of the kinds 0, 1, 2.
    m_typePopUp->addItems({tr("Text"), tr("Image"), tr("Binary")});

    auto* nameHint
        = new QLabel(tr("The LDAP name: letters, digits, - and _, starting with a letter; options after ;"), this);
    nameHint->setEnabled(false);
    auto* typeHint = new QLabel(tr("How the values of later searches are read."), this);
    typeHint->setEnabled(false);

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    form->setRowWrapPolicy(QFormLayout::DontWrapRows);
    auto addRow = [form](const QString& title, QWidget* field) {
        auto* label = new QLabel(title);
        label->setBuddy(field);
        form->addRow(label, field);
    };
    addRow(tr("Attribute &name:"), m_name);
    form->addRow(QString(), nameHint);
    addRow(tr("&Friendly name:"), m_friendlyName);
    addRow(tr("&Kind:"), m_typePopUp);
    form->addRow(QString(), typeHint);

    auto* buttons = new QDialogButtonBox(this);
    m_cancelButton = buttons->addButton(QDialogButtonBox::Cancel);
    m_cancelButton->setObjectName(QStringLiteral("editAttributeCancelButton"));
    m_okButton = buttons->addButton(QDialogButtonBox::Ok);
    m_okButton->setObjectName(QStringLiteral("editAttributeOKButton"));
    m_okButton->setDefault(true);
    connect(m_okButton, &QPushButton::clicked, this, &TBEditAttributeSheet::okClicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetMinimumSize);
}

void TBEditAttributeSheet::updateEditAttributeUI(const TBAttribute& attribute)
{
    m_name->setText(attribute.attributeName());
    m_friendlyName->setText(attribute.friendlyName());
    const qint64 type = attribute.attributeType();
    m_typePopUp->setCurrentIndex(type >= 0 && type < m_typePopUp->count() ? int(type) : -1);
    m_loadedType = type;
    focusNameField();
}

QString TBEditAttributeSheet::attributeName() const
{
    return m_name->text();
}

QString TBEditAttributeSheet::friendlyName() const
{
    // Never null, so the stored friendly name is at least the empty string.
    return m_friendlyName->text().isNull() ? QStringLiteral("") : m_friendlyName->text();
}

qint64 TBEditAttributeSheet::attributeType() const
{
    return m_typePopUp->currentIndex() < 0 ? m_loadedType : m_typePopUp->currentIndex();
}

void TBEditAttributeSheet::focusNameField()
{
    m_name->setFocus();
    m_name->selectAll();
}
