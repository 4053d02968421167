#include <cstring>

#include "platform/system_message.h"

namespace tavik {

std::string SystemMessage(unsigned long code) {
    // strerror says "Unknown error N" itself for a code it does not know.
    return std::strerror(static_cast<int>(code));
}

}  // namespace tavik
