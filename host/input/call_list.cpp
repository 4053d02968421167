#include "host/input/call_list.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "host/input/ascii_text.h"

namespace tavik::host {

CallList::CallList(std::vector<std::string> calls) : calls_(std::move(calls)) {
    for (std::string& call : calls_) call = UpperAscii(call);
    // The log's calls come sorted already.
    if (!std::is_sorted(calls_.begin(), calls_.end())) std::sort(calls_.begin(), calls_.end());
    calls_.erase(std::unique(calls_.begin(), calls_.end()), calls_.end());
}

Result<CallList> CallList::Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return Failure{FailureKind::kInput, path + ": " + std::strerror(errno)};
    std::vector<std::string> calls;
    for (std::string line; std::getline(in, line);) {
        const std::string_view call = TrimBlanks(line);  // CR LF files too
        if (call.empty() || call.front() == '#') continue;
        calls.emplace_back(call);
    }
    if (in.bad()) return Failure{FailureKind::kInput, path + ": read error"};
    return CallList(std::move(calls));
}

std::vector<std::string> CallList::Holding(std::string_view text, std::size_t most) const {
    std::vector<std::string> found;
    if (text.empty()) return found;
    // Those that begin with the text lie together in the sorted list.
    auto it = std::lower_bound(calls_.begin(), calls_.end(), text,
                               [](const std::string& call, std::string_view t) { return call < t; });
    for (; it != calls_.end() && found.size() < most && it->compare(0, text.size(), text) == 0; ++it)
        found.push_back(*it);
    for (auto call = calls_.begin(); call != calls_.end() && found.size() < most; ++call) {
        const std::size_t at = call->find(text);
        if (at != std::string::npos && at > 0) found.push_back(*call);
    }
    return found;
}

}  // namespace tavik::host
