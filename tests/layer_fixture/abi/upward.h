// Planted for the layer check: the exports' declarations reaching up into the platform.
#pragma once

#include "platform/user_interface.h"
