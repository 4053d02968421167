// Planted for the layer check: a rule that reaches up into the plugin.
#pragma once

#include "plugin/contest_state.h"
