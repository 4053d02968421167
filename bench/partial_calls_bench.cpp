// What one key costs in the window's call check: the plugin's dupe check per band,
// the logged calls and the call list's calls that hold the text typed, with a
// generated log of many QSOs and the whole MASTER.SCP.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "host/input/call_list.h"
#include "host/input/country_file.h"
#include "host/live/live_scoring.h"
#include "host/session/plugin_loader.h"
#include "host/input/source_file.h"
#include "log_generator.h"

namespace fs = std::filesystem;
using namespace tavik::host;

int main(int argc, char** argv) {
    std::string plugin;
    std::size_t count = 100000;
    std::string callFile = kDefaultCallList;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--plugin") plugin = argv[i + 1];
        else if (arg == "--qsos") count = std::strtoull(argv[i + 1], nullptr, 10);
        else if (arg == "--scp") callFile = argv[i + 1];
    }
    Result<PluginApi> plugged = plugin.empty() ? Failure{FailureKind::kUsage, "no plugin given"}
                                               : LoadPlugin(plugin);
    if (!plugged) {
        std::fprintf(stderr, "partial_calls_bench: --plugin PATH: %s\n",
                     plugged.Why().message.c_str());
        return 2;
    }
    const PluginApi& api = *plugged;
    CountryFile countries;
    try {
        countries = CountryFile::Parse(ReadSourceFile(kDefaultCountryFile, kDefaultCountryFile));
    } catch (const InputError& e) {
        std::fprintf(stderr, "partial_calls_bench: %s\n", e.what());
        return 2;
    }
    const Result<CallList> loaded = CallList::Load(callFile);
    if (!loaded) {
        std::fprintf(stderr, "partial_calls_bench: %s\n", loaded.Why().message.c_str());
        return 2;
    }
    const CallList& list = *loaded;
    const fs::path dir = fs::temp_directory_path() / "tavik-partial-bench";
    fs::create_directories(dir / "Plugins");
    fs::current_path(dir);

    tavik_bench::LogOptions logOptions;
    logOptions.count = count;
    logOptions.includeEmptyCalls = false;
    const tavik_bench::GeneratedLog generated = tavik_bench::GenerateLog(logOptions);
    const tavik_bench::ContestSetup setup;
    LogContent content;
    for (const tavik_bench::Qso& g : generated.qsos) {
        Qso qso;
        qso.call = g.call;
        qso.time = tavik_bench::QsoTime(setup, g);
        qso.frequencyHz = g.frequencyHz;
        qso.mode = g.mode;
        qso.rstSent = g.rstSent;
        qso.rstReceived = g.rstReceived;
        qso.exchangeSent = g.exchangeSent;
        qso.exchangeReceived = g.exchangeReceived;
        qso.band = g.band;
        content.qsos.push_back(std::move(qso));
    }
    LiveScoring scoring(api, countries, LiveScoringSettings{setup.ownCall, PeriodSettings{{}, {}, true}});
    if (!scoring.Follow(content, LiveLog::Change::kRewritten, 0)) {
        std::fprintf(stderr, "partial_calls_bench: %s\n", scoring.Problem().c_str());
        return 2;
    }

    // Every call of a sample typed key by key, as the window asks after each key.
    using Clock = std::chrono::steady_clock;
    std::vector<double> keys, checks, lists;
    std::size_t shown = 0;
    for (std::size_t i = 0; i < content.qsos.size(); i += std::max<std::size_t>(1, count / 300)) {
        const std::string& call = content.qsos[i].call;
        for (std::size_t length = 1; length <= call.size(); ++length) {
            const std::string typed = call.substr(0, length);
            const auto start = Clock::now();
            CallAnswer answer = scoring.CheckCall(typed, 40);
            const auto checked = Clock::now();
            answer.known = list.Holding(typed, 40);
            const auto end = Clock::now();
            keys.push_back(std::chrono::duration<double, std::milli>(end - start).count());
            checks.push_back(std::chrono::duration<double, std::milli>(checked - start).count());
            lists.push_back(std::chrono::duration<double, std::milli>(end - checked).count());
            shown += answer.worked.size() + answer.known.size();
        }
    }
    std::printf("partial calls: %zu QSOs, %zu calls in %s; %zu keys typed (%zu calls shown)\n",
                content.qsos.size(), list.Size(), callFile.c_str(), keys.size(), shown);
    for (auto& [what, times] : {std::pair{"per key", &keys}, {"  the log's part", &checks},
                                {"  the call list's part", &lists}}) {
        std::sort(times->begin(), times->end());
        std::printf("%s: median %.2f ms, 99th percentile %.2f ms, slowest %.2f ms\n", what,
                    (*times)[times->size() / 2], (*times)[times->size() * 99 / 100], times->back());
    }
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(dir);
    return 0;
}
