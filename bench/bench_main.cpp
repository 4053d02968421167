// tavik-bench: times the plugin's entry points on generated logs, checks its
// results against the linear reference, and prints one table.
//
//   tavik-bench [--plugin PATH | PATH] [--sizes N,N,...] [--quick] [--keep]
//               [--enforce-targets] [--calls FILE]
//   tavik-bench [--calls FILE] --write-adif N FILE
//
// Exit status: 0 ok, 1 the plugin disagreed with the reference, 2 usage or
// loading error, 3 a speed target missed (only with --enforce-targets).

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "abi/plugin_client.h"
#include "bench/linear_reference.h"
#include "bench/log_generator.h"
#include "host/session/plugin_loader.h"

namespace tb = tavik_bench;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t kLinearLimit = 100000;  // beyond this the reference takes minutes
constexpr std::size_t kSpeedupTargetSize = 100000;
constexpr double kSpeedupTarget = 100.0;
constexpr std::size_t kLargeTargetSize = 1000000;
constexpr double kLargeTargetSeconds = 5.0;

std::string gCallFile = tb::LogOptions{}.callFile;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

bool LoadPlugin(const std::string& path, tavik::host::PluginApi& plugin) {
    auto loaded = tavik::host::LoadPlugin(path);
    if (!loaded) {
        std::fprintf(stderr, "tavik-bench: %s\n", loaded.Why().message.c_str());
        return false;
    }
    plugin = std::move(*loaded);
    return true;
}

std::string DefaultPluginPath() {
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return "libTavik.so";
    return (exe.parent_path() / "libTavik.so").string();
}

const COleDateTime kNullDate = {0.0, kDateTimeNull};

tavik::abi::QsoRecord RecordOf(const tb::Qso& q, const COleDateTime& time, const char* ownCall) {
    tavik::abi::QsoRecord record;
    record.ownCallLogged = ownCall;
    record.call = q.call.c_str();
    record.time = time;
    record.frequencyHz = q.frequencyHz;
    record.mode = q.mode.c_str();
    record.rstSent = q.rstSent.c_str();
    record.rstReceived = q.rstReceived.c_str();
    record.exchangeSent = q.exchangeSent.c_str();
    record.exchangeReceived = q.exchangeReceived.c_str();
    record.countryPrefix = q.countryPrefix.c_str();
    record.band = q.band.c_str();
    record.raw.otherDates = &kNullDate;
    return record;
}

struct Check {
    std::string call, band, bandCheck;
};

// What every implementation runs for one log: all adds, then removals, then
// checks (so some checks see removed QSOs), then the report.
struct Workload {
    tb::ContestSetup setup;
    tb::GeneratedLog log;
    std::vector<COleDateTime> times;
    std::vector<std::size_t> removals;
    std::vector<Check> checks;
};

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

Workload MakeWorkload(std::size_t n, const std::string& ownCountryPrefix) {
    Workload w;
    w.setup.ownCountryPrefix = ownCountryPrefix;
    tb::LogOptions options;
    options.count = n;
    options.callFile = gCallFile;
    w.log = tb::GenerateLog(options);
    w.times.reserve(n);
    for (const tb::Qso& q : w.log.qsos) w.times.push_back({tb::QsoTime(w.setup, q), kDateTimeValid});

    // mt19937_64's output sequence is fixed by the standard, so this is reproducible.
    std::mt19937_64 rng(0xB0A7 + n);
    const std::size_t removals = std::max<std::size_t>(20, n / 100);
    for (std::size_t k = 0; k < removals; ++k) w.removals.push_back(rng() % n);

    static const char* const kOtherBands[] = {"160M", "80M", "40M", "20M", "15M", "10M"};
    const std::size_t checks = std::max<std::size_t>(100, n / 100);
    for (std::size_t k = 0; k < checks; ++k) {
        const bool removed = k % 10 == 5;
        const tb::Qso& q = w.log.qsos[removed ? w.removals[k % w.removals.size()] : rng() % n];
        const std::string other = kOtherBands[rng() % 6];
        switch (k % 10) {
            case 6: w.checks.push_back({q.call, q.band, Lower(q.band)}); break;  // case only
            case 7: w.checks.push_back({q.call, q.band, other == q.band ? "6M" : other}); break;
            case 8: w.checks.push_back({q.call + "X", q.band, q.band}); break;  // never logged
            case 9: w.checks.push_back({q.call, other, other}); break;
            default: w.checks.push_back({q.call, q.band, q.band}); break;
        }
    }
    return w;
}

struct RunResult {
    double resetSec = 0, addSec = 0, removeSec = 0, checkSec = 0, resultSec = 0;
    std::string report;
    std::vector<int8_t> addResults, removeResults, checkResults;
    double TotalSec() const { return resetSec + addSec + removeSec + checkSec + resultSec; }
};

RunResult RunPlugin(const tavik::abi::PluginFunctions& plugin, const Workload& w) {
    RunResult r;
    const tb::ContestSetup& s = w.setup;
    tavik::abi::RunSetup run;
    run.ownCall = s.ownCall.c_str();
    run.ownCountryPrefix = s.ownCountryPrefix.c_str();
    run.periodStart = {tb::ContestStart(s), kDateTimeValid};
    run.periodEnd = {tb::ContestStart(s) + 1.0, kDateTimeValid};
    const char* own = s.ownCall.c_str();
    const auto& qsos = w.log.qsos;
    r.addResults.resize(qsos.size());
    r.removeResults.resize(w.removals.size());
    r.checkResults.resize(w.checks.size());

    auto t0 = Clock::now();
    tavik::abi::ResetStats(plugin, run);
    auto t1 = Clock::now();
    for (std::size_t i = 0; i < qsos.size(); ++i)
        r.addResults[i] =
            static_cast<int8_t>(tavik::abi::Add(plugin, RecordOf(qsos[i], w.times[i], own)));
    auto t2 = Clock::now();
    for (std::size_t k = 0; k < w.removals.size(); ++k) {
        const std::size_t i = w.removals[k];
        r.removeResults[k] =
            static_cast<int8_t>(tavik::abi::Remove(plugin, RecordOf(qsos[i], w.times[i], own)));
    }
    auto t3 = Clock::now();
    char buffer27[256], buffer28[256];
    for (std::size_t k = 0; k < w.checks.size(); ++k) {
        const Check& c = w.checks[k];
        buffer27[0] = buffer28[0] = '\0';
        r.checkResults[k] = static_cast<int8_t>(tavik::abi::CheckCall(
            plugin, c.call.c_str(), c.band.c_str(), c.bandCheck.c_str(), buffer27, buffer28));
    }
    auto t4 = Clock::now();
    int32_t exportDone = 0;
    const char* text = plugin.getResult0(&exportDone);
    r.report = text ? text : "";
    auto t5 = Clock::now();
    r.resetSec = Seconds(t1 - t0);
    r.addSec = Seconds(t2 - t1);
    r.removeSec = Seconds(t3 - t2);
    r.checkSec = Seconds(t4 - t3);
    r.resultSec = Seconds(t5 - t4);
    return r;
}

RunResult RunLinear(tb::LinearReference& ref, const Workload& w, long long& score) {
    RunResult r;
    const tb::ContestSetup& s = w.setup;
    const auto& qsos = w.log.qsos;
    r.addResults.resize(qsos.size());
    r.removeResults.resize(w.removals.size());
    r.checkResults.resize(w.checks.size());

    auto t0 = Clock::now();
    ref.Reset(s.ownCall, tb::ContestStart(s), tb::ContestStart(s) + 1.0, s.ownCountryPrefix,
              "err_linear.txt");
    auto t1 = Clock::now();
    for (std::size_t i = 0; i < qsos.size(); ++i) r.addResults[i] = static_cast<int8_t>(ref.Add(qsos[i]));
    auto t2 = Clock::now();
    for (std::size_t k = 0; k < w.removals.size(); ++k)
        r.removeResults[k] = static_cast<int8_t>(ref.Remove(qsos[w.removals[k]]));
    auto t3 = Clock::now();
    for (std::size_t k = 0; k < w.checks.size(); ++k) {
        const Check& c = w.checks[k];
        r.checkResults[k] = static_cast<int8_t>(ref.CheckCall(c.call, c.band, c.bandCheck));
    }
    auto t4 = Clock::now();
    r.report = ref.Result();
    auto t5 = Clock::now();
    score = ref.LastScore();
    r.resetSec = Seconds(t1 - t0);
    r.addSec = Seconds(t2 - t1);
    r.removeSec = Seconds(t3 - t2);
    r.checkSec = Seconds(t4 - t3);
    r.resultSec = Seconds(t5 - t4);
    return r;
}

std::string Visible(const std::string& line) {
    std::string out;
    for (char c : line) {
        if (c == '\t') out += "\\t";
        else if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else out += c;
    }
    return out;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from < text.size()) {
        std::size_t nl = text.find('\n', from);
        if (nl == std::string::npos) nl = text.size() - 1;
        lines.push_back(text.substr(from, nl - from + 1));
        from = nl + 1;
    }
    return lines;
}

std::string FirstDifference(const std::vector<int8_t>& got, const std::vector<int8_t>& want,
                            const char* what) {
    for (std::size_t i = 0; i < got.size() && i < want.size(); ++i)
        if (got[i] != want[i])
            return std::string(what) + " #" + std::to_string(i) + " returned " +
                   std::to_string(got[i]) + ", reference " + std::to_string(want[i]);
    return "";
}

// The value after "Claimed=" in the plugin's settings file, or "" when absent.
std::string ClaimedScore() {
    std::ifstream in("Plugins/Tavik.ini");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("Claimed=", 0) != 0) continue;
        std::string value = line.substr(8);
        while (!value.empty() && (value.back() == '\r' || value.back() == ' ')) value.pop_back();
        return value;
    }
    return "";
}

// Compares everything the plugin returned with the reference; prints and
// returns false on the first disagreement of each kind.
bool Verify(const RunResult& plugin, const RunResult& ref, long long score, const std::string& label) {
    bool ok = true;
    for (const std::string& diff :
         {FirstDifference(plugin.addResults, ref.addResults, "AddData0"),
          FirstDifference(plugin.removeResults, ref.removeResults, "RemoveData0"),
          FirstDifference(plugin.checkResults, ref.checkResults, "CheckCall0")}) {
        if (diff.empty()) continue;
        std::printf("  %s: %s\n", label.c_str(), diff.c_str());
        ok = false;
    }
    if (plugin.report != ref.report) {
        const auto got = SplitLines(plugin.report), want = SplitLines(ref.report);
        std::size_t line = 0;
        while (line < got.size() && line < want.size() && got[line] == want[line]) ++line;
        std::printf("  %s: report differs at line %zu (plugin %zu bytes, reference %zu bytes)\n",
                    label.c_str(), line + 1, plugin.report.size(), ref.report.size());
        std::printf("    plugin:    %s\n", line < got.size() ? Visible(got[line]).c_str() : "(end)");
        std::printf("    reference: %s\n", line < want.size() ? Visible(want[line]).c_str() : "(end)");
        std::ofstream("report_plugin_" + label + ".txt", std::ios::binary) << plugin.report;
        std::ofstream("report_reference_" + label + ".txt", std::ios::binary) << ref.report;
        ok = false;
    }
    const std::string claimed = ClaimedScore();
    if (claimed != std::to_string(score)) {
        std::printf("  %s: Plugins/Tavik.ini has Claimed=%s, reference score %lld\n", label.c_str(),
                    claimed.empty() ? "(missing)" : claimed.c_str(), score);
        ok = false;
    }
    return ok;
}

struct Row {
    std::size_t n = 0;
    std::size_t removes = 0;
    std::size_t checks = 0;
    RunResult plugin;
    bool haveLinear = false;
    RunResult linear;
    std::string verdict = "not checked";
};

void PrintRow(const char* impl, std::size_t n, const RunResult& r, std::size_t removes,
              std::size_t checks, const std::string& extra) {
    std::printf("%9zu  %-6s %11.1f %11.1f %11.1f %11.2f %11.1f  %s\n", n, impl,
                r.addSec * 1e9 / static_cast<double>(n), r.removeSec * 1e9 / static_cast<double>(removes),
                r.checkSec * 1e9 / static_cast<double>(checks), r.resultSec * 1e3,
                r.TotalSec() * 1e3, extra.c_str());
}

bool ParseSizes(const std::string& text, std::vector<std::size_t>& sizes) {
    std::stringstream in(text);
    std::string item;
    sizes.clear();
    while (std::getline(in, item, ',')) {
        char* end = nullptr;
        const unsigned long long value = std::strtoull(item.c_str(), &end, 10);
        if (item.empty() || *end != '\0' || value == 0) return false;
        sizes.push_back(static_cast<std::size_t>(value));
    }
    return !sizes.empty();
}

int Usage() {
    std::fprintf(stderr,
                 "usage: tavik-bench [--plugin PATH | PATH] [--sizes N,N,...] [--quick] [--keep]\n"
                 "                   [--enforce-targets] [--calls FILE]\n"
                 "       tavik-bench [--calls FILE] --write-adif N FILE\n");
    return 2;
}

int WriteAdifCommand(const std::string& countText, const std::string& path) {
    char* end = nullptr;
    const unsigned long long count = std::strtoull(countText.c_str(), &end, 10);
    if (countText.empty() || *end != '\0' || count == 0) return Usage();
    tb::LogOptions options;
    options.count = static_cast<std::size_t>(count);
    options.includeEmptyCalls = false;
    options.callFile = gCallFile;
    const tb::GeneratedLog log = tb::GenerateLog(options);
    if (!tb::WriteAdif(log, tb::ContestSetup{}, path)) {
        std::fprintf(stderr, "tavik-bench: cannot write %s\n", path.c_str());
        return 2;
    }
    std::printf("wrote %zu QSOs to %s (calls: %s; %zu BPSK31, %zu without SRX_STRING, "
                "%zu without STX_STRING, %zu repeats of call and band)\n",
                log.qsos.size(), path.c_str(), log.callSource.c_str(), log.stats.refusedMode,
                log.stats.refusedMissingReceived, log.stats.refusedMissingSent, log.stats.repeats);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string pluginPath;
    std::vector<std::size_t> sizes = {10000, 100000, 1000000};
    bool quick = false, keep = false, enforce = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--write-adif") {
            if (i + 2 >= argc) return Usage();
            return WriteAdifCommand(argv[i + 1], argv[i + 2]);
        } else if (arg == "--plugin" && i + 1 < argc) {
            pluginPath = argv[++i];
        } else if (arg == "--sizes" && i + 1 < argc) {
            if (!ParseSizes(argv[++i], sizes)) return Usage();
        } else if (arg == "--calls" && i + 1 < argc) {
            gCallFile = argv[++i];
        } else if (arg == "--quick") {
            quick = true;
        } else if (arg == "--keep") {
            keep = true;
        } else if (arg == "--enforce-targets") {
            enforce = true;
        } else if (!arg.empty() && arg[0] != '-' && pluginPath.empty()) {
            pluginPath = arg;
        } else {
            return Usage();
        }
    }
    if (quick) sizes = {2000};
    if (pluginPath.empty()) pluginPath = DefaultPluginPath();
    pluginPath = std::filesystem::absolute(pluginPath).string();

    tavik::host::PluginApi plugin;
    if (!LoadPlugin(pluginPath, plugin)) return 2;

    const char* tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/tavik-bench-XXXXXX";
    if (!mkdtemp(folder.data()) || chdir(folder.c_str()) != 0 || mkdir("Plugins", 0755) != 0) {
        std::fprintf(stderr, "tavik-bench: cannot prepare a work folder: %s\n", std::strerror(errno));
        return 2;
    }

    std::printf("plugin:      %s\n", pluginPath.c_str());
    std::printf("work folder: %s\n", folder.c_str());

    bool allMatch = true;
    std::vector<Row> rows;
    for (std::size_t n : sizes) {
        const Workload w = MakeWorkload(n, "DL");
        if (rows.empty())
            std::printf("calls:       %zu distinct base calls from %s\n", w.log.baseCalls,
                        w.log.callSource.c_str());
        const tb::LogStats& st = w.log.stats;
        std::printf("log %zu: %zu refused (%zu BPSK31, %zu no rcvd number, %zu no sent number), "
                    "%zu repeats, %zu empty calls; %zu removals, %zu checks\n",
                    n, st.refusedMode + st.refusedMissingReceived + st.refusedMissingSent,
                    st.refusedMode, st.refusedMissingReceived, st.refusedMissingSent, st.repeats,
                    st.emptyCalls, w.removals.size(), w.checks.size());
        std::fflush(stdout);

        Row row;
        row.n = n;
        row.removes = w.removals.size();
        row.checks = w.checks.size();
        row.plugin = RunPlugin(plugin, w);
        if (n <= kLinearLimit) {
            tb::LinearReference ref;
            long long score = 0;
            row.linear = RunLinear(ref, w, score);
            row.haveLinear = true;
            const bool match = Verify(row.plugin, row.linear, score, std::to_string(n));
            row.verdict = match ? "MATCH" : "MISMATCH";
            allMatch = allMatch && match;

            // Once, with a CIS own station: every QSO then scores 1 point.
            if (rows.empty()) {
                const Workload cis = MakeWorkload(n, "UR");
                const RunResult p = RunPlugin(plugin, cis);
                long long cisScore = 0;
                const RunResult l = RunLinear(ref, cis, cisScore);
                const bool cisMatch = Verify(p, l, cisScore, std::to_string(n) + "-cis");
                std::printf("own station CIS (UR) at %zu: %s\n", n, cisMatch ? "MATCH" : "MISMATCH");
                allMatch = allMatch && cisMatch;
            }
        }
        rows.push_back(std::move(row));
    }

    std::printf("\n%9s  %-6s %11s %11s %11s %11s %11s  %s\n", "QSOs", "impl", "add ns/QSO",
                "remove ns", "check ns", "result ms", "total ms", "report / speed-up");
    for (const Row& row : rows) {
        PrintRow("plugin", row.n, row.plugin, row.removes, row.checks, row.verdict);
        if (row.haveLinear) {
            char speedup[64];
            std::snprintf(speedup, sizeof speedup, "%.1fx (adds %.1fx)",
                          row.linear.TotalSec() / row.plugin.TotalSec(),
                          row.linear.addSec / row.plugin.addSec);
            PrintRow("linear", row.n, row.linear, row.removes, row.checks, speedup);
        }
    }

    bool targetsMet = true;
    std::printf("\ntargets:\n");
    const Row* mid = nullptr;
    const Row* large = nullptr;
    for (const Row& row : rows) {
        if (row.n == kSpeedupTargetSize && row.haveLinear) mid = &row;
        if (row.n == kLargeTargetSize) large = &row;
    }
    if (mid) {
        const double speedup = mid->linear.TotalSec() / mid->plugin.TotalSec();
        const bool met = speedup >= kSpeedupTarget;
        targetsMet = targetsMet && met;
        std::printf("  >= %.0fx faster than linear at %zu QSOs: %.1fx  %s\n", kSpeedupTarget,
                    kSpeedupTargetSize, speedup, met ? "MET" : "MISSED");
    } else {
        std::printf("  >= %.0fx faster than linear at %zu QSOs: not run\n", kSpeedupTarget, kSpeedupTargetSize);
    }
    if (large) {
        const double sec = large->plugin.addSec + large->plugin.resultSec;
        const bool met = sec < kLargeTargetSeconds;
        targetsMet = targetsMet && met;
        std::printf("  %zu QSOs through AddData0 + GetResult0 under %.0f s: %.3f s  %s\n",
                    kLargeTargetSize, kLargeTargetSeconds, sec, met ? "MET" : "MISSED");
    } else {
        std::printf("  %zu QSOs through AddData0 + GetResult0 under %.0f s: not run\n",
                    kLargeTargetSize, kLargeTargetSeconds);
    }

    std::printf("\nreports: %s\n", allMatch ? "all checked sizes MATCH" : "MISMATCH");
    if (allMatch && !keep) {
        std::error_code error;
        if (chdir("/") == 0) std::filesystem::remove_all(folder, error);
    } else {
        std::printf("work folder kept: %s\n", folder.c_str());
    }
    if (!allMatch) return 1;
    if (enforce && !targetsMet) return 3;
    return 0;
}
