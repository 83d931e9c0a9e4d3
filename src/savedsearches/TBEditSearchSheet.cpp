#include "TBEditSearchSheet.h"

#include "TBFonts.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TBEditSearchSheet::TBEditSearchSheet(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("editSearchSheet"));
    setWindowTitle(tr("Edit Saved Search"));
    setWindowModality(Qt::WindowModal);

    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("editSearchName"));
    m_name->setMinimumWidth(320);

    m_scrollView = new QFrame(this);
    m_scrollView->setObjectName(QStringLiteral("editSearchScrollView"));
    m_scrollView->setFrameShape(QFrame::StyledPanel);
    // Room for a search text of some length beside the two pop-ups.
    m_scrollView->setMinimumWidth(600);
    m_scrollLayout = new QVBoxLayout(m_scrollView);
    m_scrollLayout->setContentsMargins(0, 0, 0, 0);

    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("editSearchProblemField"));
    QPalette gray = m_problem->palette();
    gray.setColor(QPalette::WindowText, TBFonts::grayTextColor());
    m_problem->setPalette(gray);

    auto* buttons = new QDialogButtonBox(this);
    m_okButton = buttons->addButton(QDialogButtonBox::Ok);
    m_okButton->setObjectName(QStringLiteral("editSearchOKButton"));
    m_cancelButton = buttons->addButton(QDialogButtonBox::Cancel);
    m_cancelButton->setObjectName(QStringLiteral("editSearchCancelButton"));
    // Return in a condition's field is the criteria table's; OK is pressed through the owner.
    m_okButton->setAutoDefault(false);
    m_cancelButton->setAutoDefault(false);
    connect(m_okButton, &QPushButton::clicked, this, &TBEditSearchSheet::okClicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &TBEditSearchSheet::cancelClicked);

    auto* form = new QFormLayout;
    form->addRow(tr("Name:"), m_name);
    auto* conditions = new QLabel(tr("Entries that match all of these conditions:"), this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 12);
    layout->addLayout(form);
    layout->addSpacing(6);
    layout->addWidget(conditions);
    layout->addWidget(m_scrollView);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);
    // The sheet is as tall as its conditions need: one row step more or less per row.
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TBEditSearchSheet::setSearchTable(QWidget* table)
{
    m_table = table;
    table->setParent(m_scrollView);
    m_scrollLayout->addWidget(table);
}

void TBEditSearchSheet::setProblemText(const QString& text)
{
    // The line keeps its place, so the sheet does not jump while the user types.
    m_problem->setText(text.isEmpty() ? QStringLiteral(" ") : text);
}

QString TBEditSearchSheet::problemText() const
{
    return m_problem->text().trimmed();
}

void TBEditSearchSheet::reject()
{
    Q_EMIT cancelClicked();
}
