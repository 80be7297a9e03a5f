// The global options record.
#include "rules/Options.h"

TOptions Options;

void ResetOptions()
{
    Options = TOptions();
}
