// Geometry is header-only; this unit keeps the one-file-per-header rule and
// checks the header compiles on its own.
#include "wlib/graphics/Geometry.h"
