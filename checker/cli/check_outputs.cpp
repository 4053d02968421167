#include "checker/cli/check_outputs.h"

#include <algorithm>
#include <charconv>

namespace tavik::check {

namespace {

// A value of one results row: text, number or nothing (empty in the table, null in JSON).
struct Cell {
    const char* key;
    std::string text;
    bool number = false;
    bool null = false;
};

void AppendClean(std::string& to, std::string_view text) {
    for (char c : text) to.push_back(c == '\t' || c == '\n' || c == '\r' ? ' ' : c);
}

void AppendNumber(std::string& to, std::int64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    to.append(digits, end);
}

Cell Number(const char* key, std::int64_t value, bool known = true) {
    Cell cell{key, {}, true, !known};
    if (known) AppendNumber(cell.text, value);
    return cell;
}

std::string CategoryText(const EntrantFile& file) {
    std::string text;
    for (const auto& [name, value] : file.categories) {
        if (!text.empty()) text += ';';
        AppendClean(text, name);
        text += '=';
        AppendClean(text, value);
    }
    return text;
}

std::vector<Cell> RowOf(const CheckedSet& checked, const EntrantFile& file) {
    const bool read = file.log != EntrantFile::kNoLog;
    std::vector<Cell> row{{"file", file.name}, {"call", file.call},
                          {"group", read ? (file.cis ? "CIS" : "DX") : ""},
                          {"categories", CategoryText(file)}};
    const LogResult none;
    const LogResult& result = read ? checked.results[file.log] : none;
    const bool offset = read && checked.outcome.logs[file.log].offsetKnown;
    const std::size_t lines = read ? checked.set.logs[file.log].qsos.size() : 0;
    row.push_back(Number("claimed", result.claimed.score, result.claimed.known));
    row.push_back(Number("qso_lines", static_cast<std::int64_t>(lines), read));
    row.push_back(Number("checked_qsos", static_cast<std::int64_t>(result.checkedQsos), read));
    row.push_back(Number("points", result.checked.points, result.checked.known));
    row.push_back(Number("multipliers", result.checked.multipliers, result.checked.known));
    row.push_back(Number("checked", result.checked.score, result.checked.known));
    row.push_back(Number("offset", offset ? checked.outcome.logs[file.log].offsetMinutes : 0,
                         offset));
    for (std::size_t v = 0; v < kVerdictCount; ++v)
        row.push_back(Number(VerdictName(static_cast<Verdict>(v)),
                             static_cast<std::int64_t>(result.counts[v]), read));
    row.push_back({"unreadable", file.unreadable, false, read});
    return row;
}

void AppendJsonText(std::string& to, std::string_view text) {
    to += '"';
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            to += '\\';
            to += static_cast<char>(c);
        } else if (c < 0x20) {
            static const char hex[] = "0123456789abcdef";
            to.append("\\u00").append(1, hex[c >> 4]).append(1, hex[c & 15]);
        } else {
            to += static_cast<char>(c);
        }
    }
    to += '"';
}

void AppendJsonCategories(std::string& to, const EntrantFile& file) {
    to += '{';
    for (std::size_t i = 0; i < file.categories.size(); ++i) {
        if (i) to += ", ";
        AppendJsonText(to, file.categories[i].first);
        to += ": ";
        AppendJsonText(to, file.categories[i].second);
    }
    to += '}';
}

}  // namespace

Verdict VerdictOf(const CheckedSet& checked, std::size_t log, std::size_t qso,
                  const std::string** detail) {
    const LoggedQso& logged = checked.set.logs[log].qsos[qso];
    if (logged.alone != Verdict::kOk) {
        *detail = &logged.aloneDetail;
        return logged.alone;
    }
    const QsoOutcome& outcome = checked.outcome.logs[log].qsos[qso];
    *detail = &outcome.detail;
    return outcome.verdict;
}

void CountVerdicts(const CheckedSet& checked, std::vector<LogResult>& results) {
    for (std::size_t l = 0; l < checked.set.logs.size(); ++l) {
        LogResult& result = results[l];
        result.counts.fill(0);
        const std::string* detail = nullptr;
        for (std::size_t q = 0; q < checked.set.logs[l].qsos.size(); ++q)
            ++result.counts[static_cast<std::size_t>(VerdictOf(checked, l, q, &detail))];
        result.checkedQsos = result.counts[static_cast<std::size_t>(Verdict::kOk)] +
                             result.counts[static_cast<std::size_t>(Verdict::kUnique)];
    }
}

std::string QsosTable(const CheckedSet& checked) {
    std::string table = "log\tline\tverdict\tdetail\n";
    table.reserve(checked.set.qsoLines * 32 + table.size());
    for (std::size_t l = 0; l < checked.set.logs.size(); ++l) {
        const EntrantLog& log = checked.set.logs[l];
        for (std::size_t q = 0; q < log.qsos.size(); ++q) {
            const std::string* detail = nullptr;
            const Verdict verdict = VerdictOf(checked, l, q, &detail);
            table.append(log.call).push_back('\t');
            AppendNumber(table, static_cast<std::int64_t>(log.qsos[q].line));
            table.append(1, '\t').append(VerdictName(verdict)).push_back('\t');
            AppendClean(table, *detail);
            table.push_back('\n');
        }
    }
    return table;
}

std::vector<std::size_t> ResultOrder(const CheckedSet& checked) {
    const std::vector<EntrantFile>& files = checked.set.files;
    std::vector<std::size_t> order(files.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    const auto rank = [&](const EntrantFile& file) {
        return file.log == EntrantFile::kNoLog ? 2 : (file.cis ? 0 : 1);
    };
    const auto score = [&](const EntrantFile& file) {
        return file.log == EntrantFile::kNoLog ? 0 : checked.results[file.log].checked.score;
    };
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const EntrantFile& x = files[a];
        const EntrantFile& y = files[b];
        if (rank(x) != rank(y)) return rank(x) < rank(y);
        if (score(x) != score(y)) return score(x) > score(y);
        if (x.call != y.call) return x.call < y.call;
        return x.name < y.name;
    });
    return order;
}

std::string ResultsTable(const CheckedSet& checked, const std::vector<std::size_t>& order) {
    std::string table;
    const std::vector<Cell> keys = RowOf(checked, EntrantFile());
    for (std::size_t c = 0; c < keys.size(); ++c) table.append(c ? "\t" : "").append(keys[c].key);
    table += '\n';
    for (std::size_t index : order) {
        const std::vector<Cell> row = RowOf(checked, checked.set.files[index]);
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c) table += '\t';
            AppendClean(table, row[c].text);
        }
        table += '\n';
    }
    return table;
}

std::string ResultsJson(const CheckedSet& checked, const std::vector<std::size_t>& order) {
    std::string json = "[";
    for (std::size_t i = 0; i < order.size(); ++i) {
        const EntrantFile& file = checked.set.files[order[i]];
        json += i ? ",\n {" : "\n {";
        const std::vector<Cell> row = RowOf(checked, file);
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c) json += ", ";
            AppendJsonText(json, row[c].key);
            json += ": ";
            if (std::string_view(row[c].key) == "categories") AppendJsonCategories(json, file);
            else if (row[c].null) json += "null";
            else if (row[c].number) json += row[c].text;
            else AppendJsonText(json, row[c].text);
        }
        json += '}';
    }
    json += order.empty() ? "]\n" : "\n]\n";
    return json;
}

}  // namespace tavik::check
