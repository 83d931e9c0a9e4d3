#include "TBDetailsOutputBox.h"

#include "TBDetailsTextView.h"
#include "TBFindBar.h"
#include "TBTextView.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

TBDetailsOutputBox::TBDetailsOutputBox(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("detailsOutputBox"));
    // Expanded, the bottom pane is never less than 100 high; it may collapse completely.
    setMinimumHeight(100);
    auto* boxLayout = new QVBoxLayout(this);
    boxLayout->setContentsMargins(0, 2, 0, 0);
    boxLayout->setSpacing(0);

    auto* tabRow = new QHBoxLayout;
    tabRow->setSpacing(6);
    m_textSegmentedControl = new QTabBar(this);
    m_textSegmentedControl->setObjectName(QStringLiteral("textSegmentedControl"));
    m_textSegmentedControl->setDocumentMode(true);
    m_textSegmentedControl->setDrawBase(false);
    m_textSegmentedControl->setExpanding(false);
    m_textSegmentedControl->addTab(tr("Details"));
    m_textSegmentedControl->addTab(tr("Output"));
    connect(m_textSegmentedControl, &QTabBar::tabBarClicked, this, &TBDetailsOutputBox::selectTextTab);

    m_clearTextButton = new QPushButton(tr("Clear Output"), this);
    m_clearTextButton->setObjectName(QStringLiteral("clearTextButton"));
    m_clearTextButton->setToolTip(tr("Remove all text from the Output tab"));
    m_clearTextButton->setEnabled(false);
    tabRow->addWidget(m_textSegmentedControl);
    tabRow->addStretch(1);
    tabRow->addWidget(m_clearTextButton);
    boxLayout->addLayout(tabRow);

    m_textTabView = new QStackedWidget(this);
    m_textTabView->setObjectName(QStringLiteral("textTabView"));
    auto* detailsPage = new QWidget;
    detailsPage->setObjectName(QStringLiteral("Details"));
    auto* outputPage = new QWidget;
    outputPage->setObjectName(QStringLiteral("Output"));
    m_detailsText = new TBDetailsTextView(detailsPage);
    m_detailsText->setObjectName(QStringLiteral("detailsText"));
    m_commandOutputText = new TBTextView(outputPage);
    m_commandOutputText->setObjectName(QStringLiteral("commandOutputText"));
    for (auto [page, view] : {std::pair<QWidget*, TBTextView*>(detailsPage, m_detailsText),
                              std::pair<QWidget*, TBTextView*>(outputPage, m_commandOutputText)}) {
        auto* pageLayout = new QVBoxLayout(page);
        pageLayout->setContentsMargins(0, 0, 0, 0);
        pageLayout->addWidget(view);
        connect(view, &TBTextView::findRequested, this, &TBDetailsOutputBox::showFindBar);
    }
    m_textTabView->addWidget(detailsPage);
    m_textTabView->addWidget(outputPage);
    boxLayout->addWidget(m_textTabView, 1);
    connect(m_clearTextButton, &QPushButton::clicked, m_commandOutputText, &TBTextView::clearText);
    connect(m_commandOutputText->document(), &QTextDocument::contentsChanged, this, [this] {
        m_clearTextButton->setEnabled(!m_commandOutputText->isEmpty());
        Q_EMIT outputChanged();
    });

    m_findBar = new TBFindBar(this);
    boxLayout->addWidget(m_findBar);
}

int TBDetailsOutputBox::currentTabView() const
{
    if (!m_textTabView->currentWidget())
        return 0;
    return m_textTabView->currentWidget()->objectName() == QLatin1String("Output") ? 1 : 0;
}

void TBDetailsOutputBox::showDetailsText()
{
    m_textTabView->setCurrentIndex(0);
    m_textSegmentedControl->setCurrentIndex(0);
    m_findBar->setTextView(m_detailsText);
    Q_EMIT textTabChanged();
}

void TBDetailsOutputBox::showOutputText()
{
    m_textTabView->setCurrentIndex(1);
    m_textSegmentedControl->setCurrentIndex(1);
    m_findBar->setTextView(m_commandOutputText);
    Q_EMIT textTabChanged();
}

void TBDetailsOutputBox::showNewOutputText()
{
    showOutputText();
    m_commandOutputText->scrollToEnd();
}

void TBDetailsOutputBox::selectTextTab(int segment)
{
    if (segment == 0)
        showDetailsText();
    else if (segment == 1)
        showOutputText();
    else
        QApplication::beep();
}

void TBDetailsOutputBox::showFindBar()
{
    m_findBar->setTextView(currentTabView() == 1 ? m_commandOutputText : static_cast<TBTextView*>(m_detailsText));
    m_findBar->showAndFocus();
}
