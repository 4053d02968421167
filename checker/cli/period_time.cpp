#include "checker/cli/period_time.h"

#include <string>

#include "host/ascii_text.h"
#include "host/qso_mapping.h"

namespace tavik::check {

namespace {

// Matches text against a pattern where '9' stands for any digit.
bool Fits(std::string_view text, std::string_view pattern) {
    if (text.size() != pattern.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (pattern[i] == '9' ? !digit : text[i] != pattern[i]) return false;
    }
    return true;
}

}  // namespace

std::optional<double> ParsePeriodTime(std::string_view text) {
    text = host::TrimBlanks(text);
    std::string date;
    std::string time;
    if (Fits(text, "9999-99-99 99:99")) {
        date.append(text.substr(0, 4)).append(text.substr(5, 2)).append(text.substr(8, 2));
        time.append(text.substr(11, 2)).append(text.substr(14, 2));
    } else if (Fits(text, "99999999 9999")) {
        date = text.substr(0, 8);
        time = text.substr(9, 4);
    } else {
        return std::nullopt;
    }
    return host::ParseAdifDateTime(date, time);
}

}  // namespace tavik::check
