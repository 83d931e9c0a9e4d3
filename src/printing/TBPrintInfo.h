#pragma once

#include <QMarginsF>
#include <QPageLayout>
#include <QString>
#include <QVariantMap>

class QPrinter;

// The page set-up of a window's printing: the paper, its orientation and margins, and the
// print choices of the last job (a dictionary under the keys below, stored as numbers).
struct TBPrintInfo
{
    static inline const QString printWhatKey = QStringLiteral("TBPrintWhat");
    static inline const QString summaryInfoKey = QStringLiteral("TBSummaryInfo");
    static inline const QString leftMarginKey = QStringLiteral("TBLeftMargin");
    static inline const QString topMarginKey = QStringLiteral("TBTopMargin");
    static inline const QString rightMarginKey = QStringLiteral("TBRightMargin");
    static inline const QString bottomMarginKey = QStringLiteral("TBBottomMargin");

    // What a printer offers before the user chose anything: its default paper.
    static TBPrintInfo sharedPrintInfo();

    // The margins become the printer's unprintable band plus these margins (in points).
    void setMarginsFromPreferenceMargins(const QMarginsF& margins);
    // The paper, orientation and margins from a printer, or onto one.
    void takePageLayoutFrom(const QPrinter& printer);
    void applyTo(QPrinter& printer) const;

    bool operator==(const TBPrintInfo& other) const
    {
        return pageLayout == other.pageLayout && dictionary == other.dictionary;
    }

    QPageLayout pageLayout;
    QVariantMap dictionary;
};
