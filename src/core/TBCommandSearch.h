#pragma once

#include "TBCommand.h"

#include <optional>

// The search window's filtered search: the criteria become an RFC 4515 filter (all conditions
// joined by AND) and an attribute request.
class TBCommandSearch : public TBCommand
{
public:
    TBCommandSearch();

    bool setupCommandAndArguments(const TBRunSettings& settings) override;

    // The filter for the criteria: empty for no conditions; nullopt, with errorMessage and
    // errorTitle set, when a condition lacks its attribute or its text.
    std::optional<QString> buildSearchFilter();
    // A condition's text with the filter's special characters escaped as \xx.
    static QString quotedFilterString(const QString& text);
};
