#include "TBAttributeFormatter.h"

#include <QApplication>

TBAttributeFormatter::TBAttributeFormatter(QObject* parent)
    : QValidator(parent)
{ }

bool TBAttributeFormatter::isAcceptable(const QString& text)
{
    bool inOptions = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        const bool letter = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z');
        const bool digit = u >= u'0' && u <= u'9';
        if (i == 0) {
            if (!letter)
                return false;
        } else if (u == u';') {
            inOptions = true;
        } else if (!(letter || digit || u == u'-'
                     || u == u'_'
                     // AD's ranged retrieval: "member;range=0-1499", "member;range=1500-*".
                     || (inOptions && (u == u'=' || u == u'*')))) {
            return false;
        }
    }
    return true;
}

QValidator::State TBAttributeFormatter::validate(QString& input, int& /*pos*/) const
{
    if (isAcceptable(input))
        return Acceptable;
    QApplication::beep();
    return Invalid;
}
