// Where the running program is, to find the plugin beside it.
#pragma once

#include <string>

namespace tavik::host {

// Full path of the running executable; "" when the system cannot tell.
std::string ExecutablePath();

}  // namespace tavik::host
