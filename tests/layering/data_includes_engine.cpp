// Must fail to compile: the data layer cannot see the engine's headers.
#include "engine/expr/variant.h"
int layering_violation_probe() { return 0; }
