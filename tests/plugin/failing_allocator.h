// Lets a test make every allocation fail, the plugin's included: the library's
// operator new binds to the one this program defines.
#pragma once

#include <atomic>

extern std::atomic<bool> failAllocations;
