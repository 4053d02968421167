#include "base/replace_all.h"

namespace tavik {

std::string ReplaceAll(std::string_view source, std::string_view search,
                       std::string_view replacement) {
    if (search.empty() || search == replacement) return std::string(source);
    std::string result;
    result.reserve(source.size());
    size_t from = 0;
    for (size_t at = source.find(search); at != std::string_view::npos;
         at = source.find(search, from)) {
        result.append(source, from, at - from);
        result.append(replacement);
        from = at + search.size();
    }
    result.append(source, from);
    return result;
}

}  // namespace tavik
