// The simulator's calls: the call list, which calls are in the CIS and what they send,
// and how an operator busts a call.
#include <fstream>
#include <string_view>

#include "bench/contest_sim.h"

namespace tavik::bench {

const SimBand kSimBands[5] = {
    {"80M", 3580, 3590}, {"40M", 7040, 7045}, {"20M", 14070, 14073},
    {"15M", 21070, 21073}, {"10M", 28120, 28123},
};

const char* TruthName(Truth truth) {
    switch (truth) {
    case Truth::kOk: return "ok";
    case Truth::kNil: return "nil";
    case Truth::kBustedCall: return "busted-call";
    case Truth::kBustedExchange: return "busted-exchange";
    case Truth::kDupe: return "dupe";
    }
    return "?";
}

namespace {

bool IsLetter(char c) { return c >= 'A' && c <= 'Z'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// prefix of 1 to 3 letters or digits, a digit, a suffix of 1 to 4 letters: the calls
// that need no country file to place.
bool IsPlainCall(std::string_view call) {
    std::size_t letters = 0;
    while (letters < call.size() && IsLetter(call[call.size() - 1 - letters])) ++letters;
    if (letters < 1 || letters > 4 || letters + 2 > call.size()) return false;
    const std::size_t digit = call.size() - letters - 1;
    if (!IsDigit(call[digit]) || digit > 3) return false;
    for (std::size_t i = 0; i < digit; ++i)
        if (!IsLetter(call[i]) && !IsDigit(call[i])) return false;
    return true;
}

// The regional control numbers of samples/make_sample.py; EY and EZ are our own.
struct Region {
    const char* numbers[8];
    std::uint32_t count;
};
constexpr Region kEuropeanRussia{
    {"0103", "0114", "0121", "0129", "0138", "0147", "0156", "0163"}, 8};
constexpr Region kAsiaticRussia{{"0905", "0912", "0919", "0926", "0933"}, 5};
constexpr Region kKaliningrad{{"0201"}, 1};
constexpr Region kUkraine{{"1201", "1206", "1211", "1218"}, 4};
constexpr Region kBelarus{{"1401", "1403", "1405"}, 3};
constexpr Region kKazakhstan{{"1601", "1604"}, 2};
constexpr Region kGeorgia{{"2001"}, 1};
constexpr Region kMoldova{{"1801"}, 1};
constexpr Region kKyrgyzstan{{"2201"}, 1};
constexpr Region kArmenia{{"2301"}, 1};
constexpr Region kAzerbaijan{{"2401"}, 1};
constexpr Region kUzbekistan{{"2501"}, 1};
constexpr Region kTajikistan{{"2601"}, 1};
constexpr Region kTurkmenistan{{"2701"}, 1};

const Region* RegionOf(std::string_view call) {
    if (call.size() < 2) return nullptr;
    const char a = call[0], b = call[1];
    if (a == 'R' || (a == 'U' && b >= 'A' && b <= 'I')) {
        const std::size_t digit = call.find_first_of("0123456789");
        if (digit == std::string_view::npos) return &kEuropeanRussia;
        const char d = call[digit];
        if (d == '8' || d == '9' || d == '0') return &kAsiaticRussia;
        const char after = digit + 1 < call.size() ? call[digit + 1] : ' ';
        if (d == '2' && (after == 'F' || after == 'K')) return &kKaliningrad;
        return &kEuropeanRussia;
    }
    if (a == 'U' && b >= 'J' && b <= 'M') return &kUzbekistan;
    if (a == 'U' && b >= 'N' && b <= 'Q') return &kKazakhstan;
    if ((a == 'U' && b >= 'R' && b <= 'Z') || (a == 'E' && b >= 'M' && b <= 'O'))
        return &kUkraine;
    if (a == 'E' && b >= 'U' && b <= 'W') return &kBelarus;
    if (a == '4' && (b == 'J' || b == 'K')) return &kAzerbaijan;
    if (a == '4' && b == 'L') return &kGeorgia;
    if (a == 'E') {
        switch (b) {
        case 'K': return &kArmenia;
        case 'R': return &kMoldova;
        case 'X': return &kKyrgyzstan;
        case 'Y': return &kTajikistan;
        case 'Z': return &kTurkmenistan;
        }
    }
    return nullptr;
}

char RandomLike(char c, SimRng& rng) {
    if (IsDigit(c)) return static_cast<char>('0' + rng.Below(10));
    return static_cast<char>('A' + rng.Below(26));
}

}  // namespace

std::vector<std::string> ReadScpCalls(const std::string& path) {
    std::vector<std::string> calls;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        for (char& c : line)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (!line.empty() && line[0] != '#' && IsPlainCall(line)) calls.push_back(line);
    }
    return calls;
}

bool IsCisCall(const std::string& call) { return RegionOf(call) != nullptr; }

std::string CisNumber(const std::string& call, SimRng& rng) {
    const Region* region = RegionOf(call);
    if (!region) return "0000";
    return region->numbers[rng.Below(region->count)];
}

std::string MutateCall(const std::string& call, SimRng& rng) {
    for (;;) {
        std::string bust = call;
        const std::uint32_t at = rng.Below(static_cast<std::uint32_t>(call.size()));
        switch (rng.Below(4)) {
        case 0: bust[at] = RandomLike(call[at], rng); break;
        case 1: bust.insert(bust.begin() + at + 1, RandomLike('A', rng)); break;
        case 2:
            if (call.size() > 3) bust.erase(at, 1);
            break;
        default:
            if (at + 1 < call.size()) std::swap(bust[at], bust[at + 1]);
            break;
        }
        if (bust != call) return bust;
    }
}

}  // namespace tavik::bench
