#pragma once

#include <QValidator>

// Single-line server text (host names, realms): ASCII letters and digits and "-", ".", "/", ":",
// "_" only. Anything else (blanks, "=", "%", non-ASCII) refuses the edit with a beep.
class TBServerFormatter : public QValidator
{
    Q_OBJECT
public:
    explicit TBServerFormatter(QObject* parent = nullptr);

    State validate(QString& input, int& pos) const override;
    static bool isAcceptable(const QString& text);
};
