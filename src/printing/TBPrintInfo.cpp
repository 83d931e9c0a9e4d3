#include "TBPrintInfo.h"

#include <QPrinter>

TBPrintInfo TBPrintInfo::sharedPrintInfo()
{
    QPrinter printer;
    TBPrintInfo info;
    info.takePageLayoutFrom(printer);
    return info;
}

void TBPrintInfo::setMarginsFromPreferenceMargins(const QMarginsF& margins)
{
    pageLayout.setUnits(QPageLayout::Point);
    const QMarginsF band = pageLayout.minimumMargins();
    // The margins a layout refuses (larger than the paper allows) would leave the old ones.
    pageLayout.setMode(QPageLayout::FullPageMode);
    pageLayout.setMargins(band + margins);
    pageLayout.setMode(QPageLayout::StandardMode);
}

void TBPrintInfo::takePageLayoutFrom(const QPrinter& printer)
{
    pageLayout = printer.pageLayout();
    pageLayout.setUnits(QPageLayout::Point);
}

void TBPrintInfo::applyTo(QPrinter& printer) const
{
    printer.setFullPage(false);
    printer.setPageLayout(pageLayout);
}
