// The global options record.
#include "store/Options.h"

TOptions Options;

void ResetOptions()
{
    Options = TOptions();
}
