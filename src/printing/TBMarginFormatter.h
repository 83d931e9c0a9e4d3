#pragma once

#include <QString>
#include <QValidator>
#include <QVariant>

// Shows a page margin, kept in points, in centimetres or inches ("2.54 cm", "1 in") and reads
// what the user types back into points, clamped to the margins a page may have. As the field's
// validator it refuses, with a beep, any character that cannot be part of such a text.
class TBMarginFormatter : public QValidator
{
    Q_OBJECT
public:
    static constexpr double minimumMargin = 0.0;
    static constexpr double maximumMargin = 144.0;

    explicit TBMarginFormatter(QObject* parent = nullptr);

    bool metric() const { return m_metric; }
    void setMetric(bool metric) { m_metric = metric; }
    // Whether the user's locale measures in centimetres.
    static bool localeUsesMetricSystem();

    // "%.3g cm" or "%.3g in" of a margin in points.
    static QString stringForMargin(double points, bool metric);
    // A number's display text; a null string for anything else.
    QString stringForObjectValue(const QVariant& value) const;
    // The leading number of the text in the unit, in points, clamped; a text without one is 0.
    double getObjectValue(const QString& text) const;
    // Only digits, blanks, "." and the letters of the unit word.
    bool isPartialStringValid(const QString& text) const;

    State validate(QString& input, int& pos) const override;

private:
    bool m_metric = false;
};
