#pragma once

#include <QValidator>
#include <QVariant>

// Integer entry: empty, or an optional leading "-" followed by digits. A refused keystroke beeps.
// Range checks are not its business: the preferences window clamps when editing ends.
class TBNumberFormatter : public QValidator
{
    Q_OBJECT
public:
    explicit TBNumberFormatter(QObject* parent = nullptr);

    State validate(QString& input, int& pos) const override;
    static bool isAcceptable(const QString& text);

    // The text a field shows for a value: a number's digits, a string as it is, null for anything else.
    static QString stringForObjectValue(const QVariant& value);
};
