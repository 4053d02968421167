// Planted: the host stands beside the plugin and must not include its rules.
#pragma once
#include "rules/cis_prefix.h"
