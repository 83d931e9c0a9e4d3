#include "TBAuthenticationSheet.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedLayout>
#include <QVBoxLayout>

TBAuthenticationSheet::TBAuthenticationSheet(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("authenticationSheet"));
    setWindowTitle(tr("Authentication"));
    setWindowModality(Qt::WindowModal);

    auto* heading = new QLabel(tr("<b>This directory needs a bind DN and password.</b>"), this);
    m_server = new QLabel(this);
    m_server->setObjectName(QStringLiteral("authenticationServer"));
    m_server->setTextFormat(Qt::PlainText);
    m_server->setWordWrap(true);

    m_id = new QLineEdit(this);
    m_id->setObjectName(QStringLiteral("authenticationID"));
    m_id->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 48);
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("authenticationPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    m_passwordUnused = new QLineEdit(tr("Not required"), this);
    m_passwordUnused->setObjectName(QStringLiteral("authenticationPasswordUnused"));
    m_passwordUnused->setEnabled(false);

    auto* passwordHolder = new QWidget(this);
    auto* stack = new QStackedLayout(passwordHolder);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->addWidget(m_password);
    stack->addWidget(m_passwordUnused);

    m_useKeychain = new QCheckBox(tr("Remember this password in my keyring"), this);
    m_useKeychain->setObjectName(QStringLiteral("authenticationUseKeychainCheckbox"));

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->addRow(tr("Bind DN:"), m_id);
    m_passwordLabel = new QLabel(tr("Password:"), this);
    form->addRow(m_passwordLabel, passwordHolder);
    form->addRow(QString(), m_useKeychain);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setObjectName(QStringLiteral("authenticationCancel"));
    m_ok = buttons->addButton(QDialogButtonBox::Ok);
    m_ok->setObjectName(QStringLiteral("authenticationOK"));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(m_server);
    layout->addSpacing(8);
    layout->addLayout(form);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_id, &QLineEdit::textChanged, this, &TBAuthenticationSheet::controlTextDidChange);
    connect(m_password, &QLineEdit::textChanged, this, &TBAuthenticationSheet::controlTextDidChange);
}

void TBAuthenticationSheet::prepare(const QString& simpleID, bool idOnly, const QString& serverText)
{
    m_server->setText(serverText);
    m_server->setVisible(!serverText.isEmpty());
    m_id->setText(simpleID);
    auto* stack = static_cast<QStackedLayout*>(m_password->parentWidget()->layout());
    if (idOnly) {
        m_password->setText(QStringLiteral("unused"));
        stack->setCurrentWidget(m_passwordUnused);
        m_useKeychain->setChecked(false);
        m_useKeychain->setEnabled(false);
        m_id->setFocus();
    } else {
        m_password->clear();
        stack->setCurrentWidget(m_password);
        m_useKeychain->setChecked(false);
        m_useKeychain->setEnabled(true);
        if (simpleID.isEmpty())
            m_id->setFocus();
        else
            m_password->setFocus();
    }
    // In the DN-only form the hidden password field holds "unused", so OK follows the DN.
    m_ok->setEnabled(idOnly && !simpleID.isEmpty());
}

QString TBAuthenticationSheet::idText() const
{
    return m_id->text();
}

QString TBAuthenticationSheet::passwordText() const
{
    return m_password->text();
}

bool TBAuthenticationSheet::passwordHidden() const
{
    return m_password->isHidden();
}

bool TBAuthenticationSheet::useKeychain() const
{
    return m_useKeychain->isChecked();
}

void TBAuthenticationSheet::controlTextDidChange()
{
    m_ok->setEnabled(!m_id->text().isEmpty() && !m_password->text().isEmpty());
}
