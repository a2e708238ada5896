// A model source that reaches up into the rules: the layer check refuses it.
#include "rules/rules.h"
