// Planted: the reading layer must not reach up into the command line.
#pragma once
#include "host/cli/options.h"
