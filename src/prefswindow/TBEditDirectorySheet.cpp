#include "TBEditDirectorySheet.h"

#include "TBDirectory.h"
#include "TBServerFormatter.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const QString kServerTab = QStringLiteral("Server");
const QString kAnonymousTab = QStringLiteral("Anonymous");
const QString kSimpleTab = QStringLiteral("Simple");
const QString kSASLTab = QStringLiteral("SASL");

QLineEdit* lineEdit(QWidget* parent, const QString& name, const QString& placeholder = QString())
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setPlaceholderText(placeholder);
    field->setMinimumWidth(300);
    return field;
}

QComboBox* popUp(QWidget* parent, const QString& name, const QStringList& items)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->addItems(items);
    return box;
}

QFormLayout* formLayout(QWidget* page)
{
    auto* form = new QFormLayout(page);
    form->setContentsMargins(0, 0, 0, 0);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    form->setRowWrapPolicy(QFormLayout::DontWrapRows);
    return form;
}

// The pop-ups hold the record's value as their index. A stored value with no item (from an edited
// settings file) shows no selection and is written back unchanged unless the user picks an item.
void selectIndex(QComboBox* box, quint64 value)
{
    box->setCurrentIndex(value < quint64(box->count()) ? int(value) : -1);
}

quint64 indexOr(const QComboBox* box, quint64 keep)
{
    return box->currentIndex() < 0 ? keep : quint64(box->currentIndex());
}

} // namespace

TBEditDirectorySheet::TBEditDirectorySheet(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("editDirectorySheet"));
    setWindowTitle(tr("Directory"));
    setWindowModality(Qt::WindowModal);

    m_tabView = new QTabWidget(this);
    m_tabView->setObjectName(QStringLiteral("editDirectoryTabView"));
    m_tabView->addTab(makeServerTab(), tr("Server"));
    m_tabView->addTab(makeAuthenticationTab(), tr("Authentication"));

    auto* buttons = new QDialogButtonBox(this);
    m_cancelButton = buttons->addButton(QDialogButtonBox::Cancel);
    m_cancelButton->setObjectName(QStringLiteral("editDirectoryCancelButton"));
    m_okButton = buttons->addButton(QDialogButtonBox::Ok);
    m_okButton->setObjectName(QStringLiteral("editDirectoryOKButton"));
    m_okButton->setDefault(true);
    connect(m_okButton, &QPushButton::clicked, this, &TBEditDirectorySheet::okClicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    // One label column for every form of both tabs, so the fields line up whichever form shows.
    int labelWidth = 0;
    for (const QLabel* label : std::as_const(m_labels))
        labelWidth = qMax(labelWidth, label->sizeHint().width());
    for (QLabel* label : std::as_const(m_labels))
        label->setMinimumWidth(labelWidth);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabView);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetMinimumSize);
}

void TBEditDirectorySheet::addRow(QFormLayout* form, const QString& title, QWidget* field)
{
    auto* label = new QLabel(title);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setBuddy(field);
    m_labels.append(label);
    form->addRow(label, field);
}

QWidget* TBEditDirectorySheet::makeServerTab()
{
    auto* page = new QWidget;
    page->setObjectName(kServerTab);
    QFormLayout* form = formLayout(page);
    form->setContentsMargins(12, 12, 12, 12);

    m_name = lineEdit(page, QStringLiteral("editDirectoryNameTextField"));
    m_ldapURI
        = lineEdit(page, QStringLiteral("editDirectoryLDAPURITextField"), QStringLiteral("ldap://ldap.example.com"));
    m_ldapURI->setToolTip(tr("One or more LDAP URIs separated by blanks, e.g. ldap://ldap.example.com:389"));
    m_searchBase
        = lineEdit(page, QStringLiteral("editDirectorySearchBaseTextField"), QStringLiteral("dc=example,dc=com"));
    // Items stand in the order of the record's values.
    m_startTLS
        = popUp(page, QStringLiteral("editDirectoryStartTLSPopUp"),
                {tr("Use StartTLS when the server offers it"), tr("Require StartTLS"), tr("Do not use StartTLS")});
    m_ldapVersion = popUp(page, QStringLiteral("editDirectoryLDAPVersionPopUp"), {tr("LDAP v3"), tr("LDAP v2")});

    addRow(form, tr("&Name:"), m_name);
    addRow(form, tr("LDAP &URI:"), m_ldapURI);
    addRow(form, tr("Search &base:"), m_searchBase);
    addRow(form, tr("&StartTLS:"), m_startTLS);
    addRow(form, tr("&Protocol:"), m_ldapVersion);
    return page;
}

QWidget* TBEditDirectorySheet::makeAuthenticationTab()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("Authentication"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(12);

    auto* topWidget = new QWidget(page);
    QFormLayout* top = formLayout(topWidget);
    m_authentication
        = popUp(page, QStringLiteral("editDirectoryAuthenticationPopUp"),
                {tr("Anonymous"), tr("Simple bind, no password"), tr("Simple bind with password"), tr("SASL")});
    connect(m_authentication, &QComboBox::currentIndexChanged, this,
            &TBEditDirectorySheet::editDirectoryChangedAuthentication);
    addRow(top, tr("Bind &method:"), m_authentication);
    layout->addWidget(topWidget);

    m_authTabView = new QStackedWidget(page);
    m_authTabView->setObjectName(QStringLiteral("editDirectoryAuthenticationTabView"));

    auto* anonymous = new QWidget;
    anonymous->setObjectName(kAnonymousTab);
    QFormLayout* anonymousForm = formLayout(anonymous);
    auto* spacer = new QLabel(anonymous);
    m_labels.append(spacer);
    anonymousForm->addRow(spacer, new QLabel(tr("The tools bind without a name or password."), anonymous));

    auto* simple = new QWidget;
    simple->setObjectName(kSimpleTab);
    QFormLayout* simpleForm = formLayout(simple);
    m_simpleID = lineEdit(simple, QStringLiteral("editDirectorySimpleIDTextField"),
                          QStringLiteral("cn=admin,dc=example,dc=com"));
    addRow(simpleForm, tr("Bind &DN:"), m_simpleID);

    auto* sasl = new QWidget;
    sasl->setObjectName(kSASLTab);
    QFormLayout* saslForm = formLayout(sasl);
    m_saslMechanism = popUp(sasl, QStringLiteral("editDirectorySASLMechanismPopUp"),
                            {QStringLiteral("GSSAPI"), QStringLiteral("Kerberos V4"), QStringLiteral("DIGEST-MD5"),
                             QStringLiteral("CRAM-MD5")});
    m_saslAuthC = lineEdit(sasl, QStringLiteral("editDirectorySASLAuthCTextField"));
    m_saslRealm = lineEdit(sasl, QStringLiteral("editDirectorySASLRealmTextField"), QStringLiteral("EXAMPLE.COM"));
    m_saslRealm->setValidator(new TBServerFormatter(m_saslRealm));
    m_saslAuthZ = lineEdit(sasl, QStringLiteral("editDirectorySASLAuthZTextField"));
    m_saslProps = lineEdit(sasl, QStringLiteral("editDirectorySASLPropsTextField"), QStringLiteral("minssf=56"));
    addRow(saslForm, tr("Mec&hanism:"), m_saslMechanism);
    addRow(saslForm, tr("Authentication &ID:"), m_saslAuthC);
    addRow(saslForm, tr("&Realm:"), m_saslRealm);
    addRow(saslForm, tr("Authori&zation ID:"), m_saslAuthZ);
    addRow(saslForm, tr("Securit&y properties:"), m_saslProps);

    m_authTabView->addWidget(anonymous);
    m_authTabView->addWidget(simple);
    m_authTabView->addWidget(sasl);
    layout->addWidget(m_authTabView);
    layout->addStretch();
    return page;
}

QString TBEditDirectorySheet::authenticationTabForMethod(qint64 method)
{
    if (method == 1 || method == 2)
        return kSimpleTab;
    if (method == 3)
        return kSASLTab;
    return kAnonymousTab;
}

QString TBEditDirectorySheet::currentAuthenticationTab() const
{
    return m_authTabView->currentWidget() ? m_authTabView->currentWidget()->objectName() : QString();
}

void TBEditDirectorySheet::editDirectoryChangedAuthentication()
{
    const QString tab = authenticationTabForMethod(m_authentication->currentIndex());
    if (QWidget* page = m_authTabView->findChild<QWidget*>(tab, Qt::FindDirectChildrenOnly))
        m_authTabView->setCurrentWidget(page);
}

void TBEditDirectorySheet::updateEditDirectoryUI(const TBDirectory& directory)
{
    m_name->setText(directory.directoryName());
    m_ldapURI->setText(directory.ldapURI());
    m_searchBase->setText(directory.searchBase());
    selectIndex(m_startTLS, directory.startTLS());
    selectIndex(m_ldapVersion, directory.ldapVersion());
    selectIndex(m_authentication, directory.authentication());
    m_simpleID->setText(directory.simpleID());
    selectIndex(m_saslMechanism, directory.saslMechanism());
    m_saslAuthC->setText(directory.saslAuthCID());
    m_saslRealm->setText(directory.saslRealm());
    m_saslAuthZ->setText(directory.saslAuthZID());
    m_saslProps->setText(directory.saslProperties());
    m_loadedStartTLS = directory.startTLS();
    m_loadedLDAPVersion = directory.ldapVersion();
    m_loadedAuthentication = directory.authentication();
    m_loadedSASLMechanism = directory.saslMechanism();

    m_tabView->setCurrentIndex(0);
    editDirectoryChangedAuthentication();
    m_name->setFocus();
    m_name->selectAll();
}

void TBEditDirectorySheet::storeInto(TBDirectory& directory) const
{
    directory.setDirectoryName(m_name->text());
    directory.setLdapURI(m_ldapURI->text());
    directory.setSearchBase(m_searchBase->text());
    directory.setStartTLS(indexOr(m_startTLS, m_loadedStartTLS));
    directory.setLdapVersion(indexOr(m_ldapVersion, m_loadedLDAPVersion));
    directory.setAuthentication(indexOr(m_authentication, m_loadedAuthentication));
    directory.setSimpleID(m_simpleID->text());
    directory.setSaslMechanism(indexOr(m_saslMechanism, m_loadedSASLMechanism));
    directory.setSaslAuthCID(m_saslAuthC->text());
    directory.setSaslRealm(m_saslRealm->text());
    directory.setSaslAuthZID(m_saslAuthZ->text());
    directory.setSaslProperties(m_saslProps->text());
}

void TBEditDirectorySheet::focusServerField(QLineEdit* field)
{
    m_tabView->setCurrentIndex(0);
    field->setFocus();
    field->selectAll();
}
