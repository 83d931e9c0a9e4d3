#pragma once

#include "TBCommand.h"

// Reads one entry with base scope on dn: the browse window's details of the selected node.
class TBCommandSearchOne : public TBCommand
{
public:
    TBCommandSearchOne();

    bool setupCommandAndArguments(const TBRunSettings& settings) override;
};
