#pragma once

#include "TBCommand.h"

// Asks the server which identity the bind resulted in (ldapwhoami).
class TBCommandWhoami : public TBCommand
{
public:
    TBCommandWhoami();

    bool setupCommandAndArguments(const TBRunSettings& settings) override;
};
