// The system's own words for an error code, for messages that say why.
#pragma once

#include <string>

namespace tavik {

// Text of a GetLastError code on Windows, of an errno value elsewhere, without the
// line end and full stop Windows puts after it.
std::string SystemMessage(unsigned long code);

}  // namespace tavik
