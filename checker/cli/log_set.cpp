#include "checker/cli/log_set.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <system_error>
#include <thread>
#include <unordered_map>

#include "host/input/ascii_text.h"
#include "host/input/log_reader.h"
#include "rules/cis_prefix.h"

namespace fs = std::filesystem;

namespace tavik::check {

namespace {

constexpr std::int64_t kUnixEpochDay = 25569;  // 1970-01-01 in automation days

// One thread's memory of the calls it looked up: a call comes back in many logs.
class PrefixCache {
public:
    explicit PrefixCache(const host::CountryFile& countries) : countries_(countries) {}

    const char* Lookup(std::string_view call) {
        const int known = cache_.Find(call);
        if (known != host::CallCache::kMissing) return prefixes_[static_cast<std::size_t>(known)];
        const char* prefix = countries_.Lookup(call).c_str();
        cache_.Insert(call, static_cast<int>(prefixes_.size()));
        prefixes_.push_back(prefix);
        return prefix;
    }
    const host::CountryFile& Countries() const { return countries_; }

private:
    const host::CountryFile& countries_;
    host::CallCache cache_;
    std::vector<const char*> prefixes_;
};

// Takes each QSO the reader gives into the file's and the log's compact forms.
class Collector : public host::QsoHandler {
public:
    Collector(EntrantFile& file, EntrantLog& log, PrefixCache& countries)
        : file_(file), log_(log), countries_(countries) {}

    void OnQso(const host::Qso& qso, std::size_t offset, std::size_t, host::Diagnostics&) override {
        file_.store.Add(qso);
        file_.prefixes.push_back(countries_.Lookup(qso.call));
        file_.offsets.push_back(offset);
        file_.times.Add(qso.time);
        LoggedQso& logged = log_.qsos.emplace_back();
        logged.line = file_.source.LineAt(offset);
        logged.band = qso.band;
        logged.minute = MinuteOf(qso.time);
        logged.call = qso.call;
        logged.sent = qso.exchangeSent;
        logged.received = qso.exchangeReceived;
    }

private:
    EntrantFile& file_;
    EntrantLog& log_;
    PrefixCache& countries_;
};

void ReadOne(const std::string& path, EntrantFile& file, EntrantLog& log,
             PrefixCache& countries) {
    try {
        file.source = host::ReadSourceFile(path, path);
        host::Diagnostics diagnostics([&file](const std::string& line) {
            file.told.append("tavik-check: ").append(line).push_back('\n');
        });
        Collector collector(file, log, countries);
        const host::LogSummary summary = host::ReadLog(file.source, collector, diagnostics);
        diagnostics.Finish(file.source);
        file.source.CheckHeldStill();
        file.call = summary.ownCall;
        log.call = file.call;
        if (file.call.empty()) {
            file.unreadable = summary.cabrillo ? "no CALLSIGN: in the log"
                                               : "no STATION_CALLSIGN or OPERATOR in the log";
            return;
        }
        file.ownPrefix = countries.Countries().Lookup(file.call);
        file.cis = IsCisPrefix(file.ownPrefix) != 0;
        if (summary.cabrillo) file.categories = CabrilloCategories(file.source.text);
    } catch (const host::InputError& error) {
        file.unreadable = error.what();
    }
}

std::vector<std::string> ListFolder(const std::string& folder) {
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    if (error) throw host::InputError(folder + ": " + error.message());
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : entries) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name[0] == '.' || !entry.is_regular_file(error)) continue;
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The second log of a call is not checked: the adjudicator has to say which one counts.
void ListSecondLogs(std::vector<EntrantFile>& files) {
    std::unordered_map<std::string, std::size_t> first;
    for (std::size_t i = 0; i < files.size(); ++i) {
        EntrantFile& file = files[i];
        if (!file.unreadable.empty()) continue;
        const auto [at, fresh] = first.emplace(file.call, i);
        if (!fresh)
            file.unreadable = "a second log of " + file.call + " (the first is " +
                              files[at->second].name + ")";
    }
}

}  // namespace

std::int64_t MinuteOf(double automationDate) {
    const double minutes = (host::LinearTime(automationDate) - kUnixEpochDay) * 1440.0;
    // A minute time is no exact fraction of a day: a hair below stays in its minute.
    return static_cast<std::int64_t>(std::floor(minutes + 1e-6));
}

std::vector<std::pair<std::string, std::string>> CabrilloCategories(std::string_view text) {
    std::vector<std::pair<std::string, std::string>> found;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == text.npos) end = text.size();
        const std::string_view line = host::TrimBlanks(text.substr(at, end - at));
        at = end + 1;
        if (host::MatchesUpper(line.substr(0, 4), "QSO:")) break;  // the header is over
        const std::size_t colon = line.find(':');
        if (colon == line.npos || !host::MatchesUpper(line.substr(0, 8), "CATEGORY")) continue;
        std::string name = host::UpperAscii(host::TrimBlanks(line.substr(8, colon - 8)));
        if (!name.empty() && name[0] == '-') name.erase(0, 1);
        std::string value(host::TrimBlanks(line.substr(colon + 1)));
        std::replace(value.begin(), value.end(), '\t', ' ');
        found.emplace_back(std::move(name), std::move(value));
    }
    return found;
}

std::string_view LineAround(std::string_view text, std::size_t offset) {
    offset = std::min(offset, text.size());
    const std::size_t before = offset == 0 ? text.npos : text.find_last_of("\r\n", offset - 1);
    const std::size_t start = before == text.npos ? 0 : before + 1;
    std::size_t end = text.find_first_of("\r\n", offset);
    if (end == text.npos) end = text.size();
    return text.substr(start, end - start);
}

LogSet ReadLogSet(const std::string& folder, const host::CountryFile& countries, unsigned jobs,
                  ReadProgress progress, void* progressContext) {
    const std::vector<std::string> names = ListFolder(folder);
    LogSet set;
    set.files.resize(names.size());
    std::vector<EntrantLog> logs(names.size());
    std::atomic<std::size_t> next{0}, done{0};
    const auto work = [&](bool tell) {
        PrefixCache cache(countries);
        for (std::size_t i; (i = next.fetch_add(1)) < names.size();) {
            set.files[i].name = names[i];
            ReadOne((fs::path(folder) / names[i]).string(), set.files[i], logs[i], cache);
            const std::size_t finished = done.fetch_add(1) + 1;
            if (tell && progress) progress(progressContext, finished, names.size());
        }
    };
    std::vector<std::thread> workers;
    for (unsigned j = 1; j < std::max(jobs, 1u) && j < names.size(); ++j)
        workers.emplace_back(work, false);
    work(true);
    for (std::thread& worker : workers) worker.join();
    ListSecondLogs(set.files);
    for (std::size_t i = 0; i < set.files.size(); ++i) {
        EntrantFile& file = set.files[i];
        if (!file.unreadable.empty()) continue;
        file.log = set.logs.size();
        set.qsoLines += logs[i].qsos.size();
        set.logs.push_back(std::move(logs[i]));
        set.fileOfLog.push_back(i);
    }
    return set;
}

}  // namespace tavik::check
