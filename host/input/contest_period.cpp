#include "host/input/contest_period.h"

#include "host/input/ascii_text.h"

namespace tavik::host {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Matches text against a pattern where '9' stands for any digit.
bool Fits(std::string_view text, std::string_view pattern) {
    if (text.size() != pattern.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (pattern[i] == '9' ? !IsDigit(text[i]) : text[i] != pattern[i]) return false;
    return true;
}

}  // namespace

std::optional<double> ParsePeriodTime(std::string_view text) {
    text = TrimBlanks(text);
    std::string date;
    std::string time;
    if (Fits(text, "9999-99-99 99:99")) {
        date = std::string(text.substr(0, 4)) + std::string(text.substr(5, 2)) +
               std::string(text.substr(8, 2));
        time = std::string(text.substr(11, 2)) + std::string(text.substr(14, 2));
    } else if (Fits(text, "99999999 9999")) {
        date = text.substr(0, 8);
        time = text.substr(9, 4);
    } else {
        return std::nullopt;
    }
    return ParseAdifDateTime(date, time);
}

}  // namespace tavik::host
