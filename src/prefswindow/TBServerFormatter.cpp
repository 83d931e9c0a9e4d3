#include "TBServerFormatter.h"

#include <QApplication>

TBServerFormatter::TBServerFormatter(QObject* parent)
    : QValidator(parent)
{ }

bool TBServerFormatter::isAcceptable(const QString& text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool alnum = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9');
        if (!alnum && u != u'-' && u != u'.' && u != u'/' && u != u':' && u != u'_')
            return false;
    }
    return true;
}

QValidator::State TBServerFormatter::validate(QString& input, int& /*pos*/) const
{
    if (isAcceptable(input))
        return Acceptable;
    QApplication::beep();
    return Invalid;
}
