#include "demoencoders.h"
