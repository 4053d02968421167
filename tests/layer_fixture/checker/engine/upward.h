// Planted: the cross-check knows no reader.
#pragma once
#include "host/input/log_reader.h"
