#include "TBDocumentUi.h"

#include "TBDetailsOutputBox.h"
#include "TBDirectoryPopUp.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

void TBDocumentUi::setupTopBar(QMainWindow* window)
{
    central = new QWidget(window);
    // Only a width here: the window's least height follows its contents, so that rows added above
    // the split view grow a short window instead of squeezing the panes below their minimums.
    central->setMinimumWidth(540);
    layout = new QVBoxLayout(central);
    layout->setContentsMargins(10, 8, 10, 8);
    layout->setSpacing(6);

    topBarLayout = new QHBoxLayout;
    topBarLayout->setSpacing(8);
    auto* directoryLabel = new QLabel(QObject::tr("Directory:"), central);
    directoryPopUp = new TBDirectoryPopUp(central);
    directoryLabel->setBuddy(directoryPopUp);

    progressIndicator = new QProgressBar(central);
    progressIndicator->setObjectName(QStringLiteral("progressIndicator"));
    progressIndicator->setRange(0, 1);
    progressIndicator->setTextVisible(false);
    progressIndicator->setFixedWidth(90);
    progressIndicator->setMaximumHeight(12);
    // Keeps its place in the row while hidden, so the buttons do not jump.
    QSizePolicy keep = progressIndicator->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    progressIndicator->setSizePolicy(keep);
    progressIndicator->hide();

    cancelButton = new QPushButton(QObject::tr("Cancel"), central);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    cancelButton->setEnabled(false);
    cancelButton->hide();

    topBarLayout->addWidget(directoryLabel);
    topBarLayout->addWidget(directoryPopUp);
    topBarLayout->addStretch(1);
    topBarLayout->addWidget(progressIndicator);
    topBarLayout->addWidget(cancelButton);
    layout->addLayout(topBarLayout);
}

void TBDocumentUi::addHeader(QWidget* header)
{
    if (header)
        layout->addWidget(header);
}

void TBDocumentUi::setupSplitView(QWidget* top, int topHeight, int initialTop, int initialBottom)
{
    splitView = new QSplitter(Qt::Vertical, central);
    splitView->setObjectName(QStringLiteral("splitView"));
    splitView->setChildrenCollapsible(false);
    splitView->setHandleWidth(7);

    topSubView = top;
    topSubView->setObjectName(QStringLiteral("topSubView"));
    topSubView->setMinimumHeight(topHeight);
    detailsOutputBox = new TBDetailsOutputBox;

    splitView->addWidget(topSubView);
    splitView->addWidget(detailsOutputBox);
    splitView->setCollapsible(0, false);
    splitView->setCollapsible(1, true);
    // A growing window gives its height to the top pane; the window's resize rules do the rest.
    splitView->setStretchFactor(0, 1);
    splitView->setStretchFactor(1, 0);
    splitView->setSizes({initialTop, initialBottom});
    layout->addWidget(splitView, 1);
}

void TBDocumentUi::showProgress(bool busy)
{
    progressIndicator->setRange(0, busy ? 0 : 1);
    progressIndicator->setVisible(busy);
}

void TBDocumentUi::showCancel(bool shown)
{
    cancelButton->setEnabled(shown);
    cancelButton->setVisible(shown);
}
