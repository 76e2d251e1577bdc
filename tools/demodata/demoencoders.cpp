#include "demoencoders.h"
// Filled in by the demo data work.
