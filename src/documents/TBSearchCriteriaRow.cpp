#include "TBSearchCriteriaRow.h"

#include "TBSearchItem.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QToolButton>

TBSearchCriteriaRow::TBSearchCriteriaRow(QWidget* parent)
    : QWidget(parent)
    , m_attrPopUp(new QComboBox(this))
    , m_typePopUp(new QComboBox(this))
    , m_dataField(new QLineEdit(this))
    , m_addButton(new QToolButton(this))
    , m_delButton(new QToolButton(this))
{
    setObjectName(QStringLiteral("Search"));
    m_attrPopUp->setObjectName(QStringLiteral("attrPopUp"));
    m_typePopUp->setObjectName(QStringLiteral("typePopUp"));
    m_dataField->setObjectName(QStringLiteral("dataField"));
    m_addButton->setObjectName(QStringLiteral("addButton"));
    m_delButton->setObjectName(QStringLiteral("delButton"));

    m_attrPopUp->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_attrPopUp->setMinimumContentsLength(12);
    m_attrPopUp->setMaxVisibleItems(24);
    for (qint64 type = TBSearchTypeIs; type <= TBSearchTypeIsMissing; ++type)
        m_typePopUp->addItem(TBSearchItem::searchTypeAsString(type), type);
    m_typePopUp->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_dataField->setClearButtonEnabled(true);
    m_dataField->setMinimumWidth(160);
    // A field hidden for "exists" and "is missing" keeps its room, so the buttons stay put.
    QSizePolicy fieldPolicy = m_dataField->sizePolicy();
    fieldPolicy.setRetainSizeWhenHidden(true);
    m_dataField->setSizePolicy(fieldPolicy);

    m_addButton->setText(QStringLiteral("+"));
    m_addButton->setToolTip(tr("Add a condition below this one"));
    m_delButton->setText(QStringLiteral("\u2212"));
    m_delButton->setToolTip(tr("Remove this condition"));
    for (QToolButton* button : {m_addButton, m_delButton}) {
        button->setAutoRaise(false);
        button->setFocusPolicy(Qt::NoFocus);
        button->setFixedWidth(28);
    }

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 3, 6, 3);
    layout->setSpacing(6);
    layout->addWidget(m_attrPopUp);
    layout->addWidget(m_typePopUp);
    layout->addWidget(m_dataField, 1);
    layout->addSpacing(4);
    layout->addWidget(m_addButton);
    layout->addWidget(m_delButton);
    setFixedHeight(sizeHint().height());
}

void TBSearchCriteriaRow::mousePressEvent(QMouseEvent* event)
{
    event->accept();
}
