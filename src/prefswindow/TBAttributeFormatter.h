#pragma once

#include <QValidator>

// Attribute-name entry: empty, or an ASCII letter followed by ASCII letters, digits, "-" and "_",
// then any options, each after a ";" ("userCertificate;binary"; in options also "=" and "*", for
// AD's "member;range=0-1499"), as search results name attributes. Any other character, a leading
// digit included, refuses the edit with a beep.
class TBAttributeFormatter : public QValidator
{
    Q_OBJECT
public:
    explicit TBAttributeFormatter(QObject* parent = nullptr);

    State validate(QString& input, int& pos) const override;
    static bool isAcceptable(const QString& text);
};
