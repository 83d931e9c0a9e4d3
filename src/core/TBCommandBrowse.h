#pragma once

#include "TBCommand.h"

// Lists the children of dn, names only (one-level scope, no attributes): expands a browse node.
class TBCommandBrowse : public TBCommand
{
public:
    TBCommandBrowse();

    bool setupCommandAndArguments(const TBRunSettings& settings) override;
};
