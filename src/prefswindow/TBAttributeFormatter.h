#pragma once

#include <QValidator>

// Attribute-name entry: empty, or an ASCII letter followed by ASCII letters, digits, "-" and "_".
// Any other character, a leading digit included, refuses the edit with a beep.
class TBAttributeFormatter : public QValidator
{
    Q_OBJECT
public:
    explicit TBAttributeFormatter(QObject* parent = nullptr);

    State validate(QString& input, int& pos) const override;
    static bool isAcceptable(const QString& text);
};
