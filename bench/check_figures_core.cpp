#include "bench/check_figures_core.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>

namespace tavik::bench {

namespace {

constexpr const char* kTruths[] = {"ok", "nil", "busted-call", "busted-exchange", "dupe"};
constexpr const char* kVerdicts[] = {"ok",  "unique",        "dupe",    "nil", "busted-call",
                                     "busted-exchange", "out-of-period", "refused"};

struct TruthRow {
    std::string truth, detail;
    bool visible = false;
    bool seen = false;
};

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t at = 0;
    for (std::size_t tab; (tab = line.find('\t', at)) != std::string::npos; at = tab + 1)
        fields.push_back(line.substr(at, tab - at));
    fields.push_back(line.substr(at, line.size() - at - (!line.empty() && line.back() == '\r')));
    return fields;
}

template <std::size_t N>
bool OneOf(const std::string& value, const char* const (&names)[N]) {
    return std::find(std::begin(names), std::end(names), value) != std::end(names);
}

bool Header(std::istream& in, const std::vector<std::string>& names) {
    std::string line;
    if (!std::getline(in, line)) return false;
    const std::vector<std::string> fields = Fields(line);
    return fields.size() >= names.size() && std::equal(names.begin(), names.end(), fields.begin());
}

std::string ReadTruth(std::istream& in, std::unordered_map<std::string, TruthRow>& rows) {
    if (!Header(in, {"log", "line", "truth", "detail", "visible"}))
        return "truth: the header is not log, line, truth, detail, visible";
    std::string line;
    for (std::size_t number = 2; std::getline(in, line); ++number) {
        const std::vector<std::string> f = Fields(line);
        const std::string where = "truth line " + std::to_string(number);
        if (f.size() != 5) return where + ": " + std::to_string(f.size()) + " fields, not 5";
        if (!OneOf(f[2], kTruths)) return where + ": unknown truth '" + f[2] + "'";
        if (f[4] != "0" && f[4] != "1") return where + ": visible is '" + f[4] + "', not 0 or 1";
        TruthRow& row = rows[f[0] + '\t' + f[1]];
        if (!row.truth.empty()) return where + ": log " + f[0] + " line " + f[1] + " twice";
        row = TruthRow{f[2], f[3], f[4] == "1", false};
    }
    return "";
}

struct Counts {
    std::size_t ok = 0, removed = 0, faults = 0, found = 0, right = 0, busts = 0, named = 0,
                dupes = 0, dupesRemoved = 0;

    void Add(const TruthRow& truth, const std::string& verdict, const std::string& detail) {
        const bool removes = verdict != "ok" && verdict != "unique";
        if (truth.truth == "ok") {
            ++ok;
            removed += removes;
            return;
        }
        if (truth.truth == "dupe") {
            ++dupes;
            dupesRemoved += removes;
        }
        if (!truth.visible) return;
        ++faults;
        found += removes;
        right += verdict == truth.truth;
        if (truth.truth == "busted-call" || truth.truth == "busted-exchange") {
            ++busts;
            named += verdict == truth.truth && detail == truth.detail;
        }
    }
};

std::string ReadVerdicts(std::istream& in, std::unordered_map<std::string, TruthRow>& rows,
                         Counts& counts) {
    if (!Header(in, {"log", "line", "verdict", "detail"}))
        return "qsos: the header is not log, line, verdict, detail";
    std::string line;
    for (std::size_t number = 2; std::getline(in, line); ++number) {
        const std::vector<std::string> f = Fields(line);
        const std::string where = "qsos line " + std::to_string(number);
        if (f.size() < 4) return where + ": " + std::to_string(f.size()) + " fields, not 4";
        if (!OneOf(f[2], kVerdicts)) return where + ": unknown verdict '" + f[2] + "'";
        const auto row = rows.find(f[0] + '\t' + f[1]);
        const std::string place = ": log " + f[0] + " line " + f[1];
        if (row == rows.end()) return where + place + " is not in the truth";
        if (row->second.seen) return where + place + " twice";
        row->second.seen = true;
        counts.Add(row->second, f[2], f[3]);
    }
    for (const auto& [key, row] : rows) {
        if (row.seen) continue;
        const std::size_t tab = key.find('\t');
        return "qsos: no verdict for log " + key.substr(0, tab) + " line " + key.substr(tab + 1);
    }
    return "";
}

}  // namespace

bool Figure::Met() const {
    const double percent = 100.0 * static_cast<double>(count);
    const double goal = goalPercent * static_cast<double>(whole);
    return whole == 0 || (atMost ? percent <= goal : percent >= goal);
}

FigureTally TallyFigures(std::istream& truth, std::istream& qsos) {
    FigureTally tally;
    std::unordered_map<std::string, TruthRow> rows;
    rows.reserve(std::size_t{1} << 21);
    Counts counts;
    tally.error = ReadTruth(truth, rows);
    if (tally.error.empty()) tally.error = ReadVerdicts(qsos, rows, counts);
    if (!tally.error.empty()) return tally;
    tally.figures = {
        {"true QSOs removed", counts.removed, counts.ok, 0.05, true},
        {"visible faults found", counts.found, counts.faults, 99.5, false},
        {"found with the right verdict", counts.right, counts.faults, 98, false},
        {"busts with the right call or number", counts.named, counts.busts, 98, false},
        {"dupes removed", counts.dupesRemoved, counts.dupes, 100, false},
    };
    return tally;
}

std::string FigureLine(const Figure& figure) {
    char text[200];
    const double whole = static_cast<double>(figure.whole);
    const double percent = figure.whole == 0 ? 0 : 100.0 * static_cast<double>(figure.count) / whole;
    std::snprintf(text, sizeof text, "%s: %zu of %zu (%.3f%%), goal %s %g%%: %s",
                  figure.name.c_str(), figure.count, figure.whole, percent,
                  figure.atMost ? "<=" : ">=", figure.goalPercent, figure.Met() ? "met" : "missed");
    return text;
}

}  // namespace tavik::bench
