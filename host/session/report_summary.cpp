#include "host/session/report_summary.h"

#include <charconv>

namespace tavik::host {

namespace {

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        std::size_t end = text.find("\r\n");
        if (end == std::string_view::npos) end = text.size();
        lines.push_back(text.substr(0, end));
        text.remove_prefix(std::min(text.size(), end + 2));
    }
    return lines;
}

// "\t %i" fields after a name, as the report prints a band or the total.
bool ReadRow(std::string_view line, BandFigures& row) {
    std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos) return false;
    row.band = line.substr(0, tab);
    std::int64_t* values[] = {&row.qsos, &row.points, &row.multipliers};
    std::string_view rest = line.substr(tab);
    for (std::int64_t* value : values) {
        if (rest.substr(0, 2) != "\t ") return false;
        rest.remove_prefix(2);
        auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), *value);
        if (error != std::errc()) return false;
        rest.remove_prefix(static_cast<std::size_t>(end - rest.data()));
    }
    return rest.empty();
}

// Length of the valid UTF-8 sequence that starts at text[at] (its code point in
// code); 0 when none does: overlong forms, surrogates and beyond U+10FFFF are none.
std::size_t Utf8Length(std::string_view text, std::size_t at, char32_t& code) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0xC2 || lead > 0xF4) return 0;
    const std::size_t length = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (text.size() - at < length) return 0;
    char32_t value = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) return 0;
        value = value << 6 | (next & 0x3F);
    }
    static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kLeast[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    code = value;
    return length;
}

void AppendEscape(std::string& out, unsigned value) {
    static const char digits[] = "0123456789abcdef";
    out += "\\u00";
    out += digits[value >> 4];
    out += digits[value & 15];
}

void AppendString(std::string& out, std::string_view text) {
    out += '"';
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        char32_t code = 0;
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c < 0x20 || c == 0x7F) {
            AppendEscape(out, c);
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (const std::size_t length = Utf8Length(text, i, code); length == 0) {
            // A byte that is no UTF-8 becomes the code point of its value, as Latin-1
            // reads it: the output stays valid UTF-8 and no byte is dropped.
            AppendEscape(out, c);
        } else if (code < 0xA0) {
            AppendEscape(out, code);  // a control character of Latin-1's upper half
            i += length - 1;
        } else {
            out.append(text.substr(i, length));
            i += length - 1;
        }
    }
    out += '"';
}

void AppendFigures(std::string& out, const BandFigures& figures, bool withBand) {
    out += '{';
    if (withBand) {
        out += "\"band\": ";
        AppendString(out, figures.band);
        out += ", ";
    }
    out += "\"qsos\": " + std::to_string(figures.qsos) +
           ", \"points\": " + std::to_string(figures.points) +
           ", \"multipliers\": " + std::to_string(figures.multipliers) + '}';
}

}  // namespace

std::optional<ReportFigures> ParseReport(std::string_view report) {
    // Title, contestant, column heads, one line per band, total, score.
    std::vector<std::string_view> lines = Lines(report);
    if (lines.size() < 5) return std::nullopt;
    ReportFigures figures;
    constexpr std::string_view kContestant = "     Contestant: ";
    if (lines[1].substr(0, kContestant.size()) != kContestant) return std::nullopt;
    figures.call = lines[1].substr(kContestant.size());
    if (lines[2] != "Band\tQSOs\tPoints\tDXDA") return std::nullopt;
    std::size_t at = 3;
    for (; at + 2 < lines.size(); ++at) {
        BandFigures band;
        if (!ReadRow(lines[at], band)) return std::nullopt;
        figures.bands.push_back(band);
    }
    if (at + 2 != lines.size() || !ReadRow(lines[at], figures.total) ||
        figures.total.band != "Total")
        return std::nullopt;
    std::string_view score = lines[at + 1];
    std::size_t equals = score.rfind("= ");
    if (score.substr(0, 8) != "Score = " || equals == std::string_view::npos) return std::nullopt;
    score.remove_prefix(equals + 2);
    auto [end, error] = std::from_chars(score.data(), score.data() + score.size(), figures.score);
    if (error != std::errc() || std::string_view(end, score.data() + score.size() - end) != " ")
        return std::nullopt;
    return figures;
}

std::string SummaryJson(const ReportFigures& report, const RunFigures& run) {
    std::string out = "{\"call\": ";
    AppendString(out, report.call);
    out += ", \"start\": ";
    AppendString(out, run.start);
    out += ", \"end\": ";
    AppendString(out, run.end);
    const std::pair<const char*, std::size_t> counts[] = {
        {"records", run.records},   {"offered", run.offered}, {"accepted", run.accepted},
        {"duplicates", run.duplicates}, {"refused", run.refused}, {"skipped", run.skipped},
        {"warnings", run.warnings}};
    for (const auto& [name, value] : counts)
        out += std::string(", \"") + name + "\": " + std::to_string(value);
    out += ", \"bands\": [";
    for (std::size_t i = 0; i < report.bands.size(); ++i) {
        if (i) out += ", ";
        AppendFigures(out, report.bands[i], true);
    }
    out += "], \"total\": ";
    AppendFigures(out, report.total, false);
    out += ", \"score\": " + std::to_string(report.score) + "}\n";
    return out;
}

}  // namespace tavik::host
