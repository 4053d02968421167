// Output files on a system where fopen imposes no sharing restriction anyway.
#include "platform/shared_file.h"

#include <string>

namespace tavik {

std::FILE* OpenSharedFile(const char* name, const char* mode) {
    if (name == nullptr || mode == nullptr) {
        return nullptr;
    }
    std::string path(name);
    for (char& c : path) {
        if (c == '\\') {
            c = '/';
        }
    }
    return std::fopen(path.c_str(), mode);
}

}  // namespace tavik
