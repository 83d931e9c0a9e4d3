#include "TBFindBar.h"

#include "TBTextView.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>

TBFindBar::TBFindBar(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("findBar"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 2, 0, 0);
    layout->setSpacing(4);

    auto* label = new QLabel(tr("Find:"), this);
    m_field = new QLineEdit(this);
    m_field->setObjectName(QStringLiteral("findField"));
    m_field->setClearButtonEnabled(true);
    m_field->setPlaceholderText(tr("Search in this text"));
    m_field->installEventFilter(this);
    label->setBuddy(m_field);

    m_previous = new QToolButton(this);
    m_previous->setObjectName(QStringLiteral("findPreviousButton"));
    m_previous->setArrowType(Qt::UpArrow);
    m_previous->setToolTip(tr("Previous match (Shift+Return)"));
    m_next = new QToolButton(this);
    m_next->setObjectName(QStringLiteral("findNextButton"));
    m_next->setArrowType(Qt::DownArrow);
    m_next->setToolTip(tr("Next match (Return)"));
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("findStatus"));
    auto* done = new QToolButton(this);
    done->setObjectName(QStringLiteral("findDoneButton"));
    done->setText(tr("Done"));
    done->setAutoRaise(true);

    layout->addWidget(label);
    layout->addWidget(m_field, 1);
    layout->addWidget(m_previous);
    layout->addWidget(m_next);
    layout->addWidget(m_status);
    layout->addWidget(done);

    connect(m_field, &QLineEdit::returnPressed, this, &TBFindBar::findNext);
    connect(m_field, &QLineEdit::textChanged, m_status, &QLabel::clear);
    connect(m_previous, &QToolButton::clicked, this, &TBFindBar::findPrevious);
    connect(m_next, &QToolButton::clicked, this, &TBFindBar::findNext);
    connect(done, &QToolButton::clicked, this, &TBFindBar::closeBar);
    hide();
}

void TBFindBar::setTextView(TBTextView* view)
{
    m_view = view;
    m_status->clear();
}

void TBFindBar::showAndFocus()
{
    show();
    m_field->setFocus(Qt::ShortcutFocusReason);
    m_field->selectAll();
}

bool TBFindBar::findNext()
{
    return find(false);
}

bool TBFindBar::findPrevious()
{
    return find(true);
}

bool TBFindBar::find(bool backwards)
{
    if (!m_view || m_field->text().isEmpty())
        return false;
    const bool found = m_view->findText(m_field->text(), backwards);
    m_status->setText(found ? QString() : tr("Not found"));
    if (!found)
        QApplication::beep();
    return found;
}

void TBFindBar::closeBar()
{
    hide();
    m_status->clear();
    if (m_view)
        m_view->setFocus(Qt::OtherFocusReason);
}

bool TBFindBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_field && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) {
            closeBar();
            return true;
        }
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && (key->modifiers() & Qt::ShiftModifier)) {
            findPrevious();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
