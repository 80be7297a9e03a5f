// The options record.
#include "rules/Options.h"

void ResetOptions(TOptions& options)
{
    options = TOptions();
}
