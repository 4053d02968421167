#include "host/watch.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <string>

#include "host/automation_server.h"
#include "host/call_list.h"
#include "host/country_file.h"
#include "host/host_mode.h"
#include "host/live_log.h"
#include "host/live_scoring.h"
#include "host/live_view.h"
#include "host/log_follower.h"
#include "host/plugin_loader.h"
#include "host/program_messages.h"
#include "host/report_summary.h"
#include "host/run_outputs.h"
#include "host/system.h"
#include "host/work_folder.h"

namespace tavik::host {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A writer's burst (a rewrite of the whole log) is taken in as one change.
constexpr milliseconds kSettle{3};
constexpr int kMostSettles = 10;
// A look at the whole file after this long without a change.
constexpr milliseconds kIdle{1000};
constexpr milliseconds kUnsettledLook{100};
// Logged calls and list calls offered for a call being typed: more than a line holds.
constexpr std::size_t kMostPartials = 40;

// The UTC clock as an automation date (days since 30 Dec 1899).
double AutomationNow() {
    constexpr double kUnixEpoch = 25569;
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    return kUnixEpoch + std::chrono::duration<double>(since).count() / 86400.0;
}

// Till the clock's next second, so that the window's clock ticks on time.
milliseconds ToNextSecond() {
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    return milliseconds(1000) -
           std::chrono::duration_cast<milliseconds>(since) % milliseconds(1000) + milliseconds(1);
}

}  // namespace

int RunWatch(const Options& options, std::ostream& err) {
    const std::string logPath = Absolute(options.logPath);
    const std::string jsonPath =
        options.jsonPath.empty() || options.jsonPath == "-" ? "" : Absolute(options.jsonPath);
    std::string ignored;  // told when the folder is entered
    const std::string conflict = JsonPathConflict(options.jsonPath, logPath,
                                                  Absolute(options.countryFile),
                                                  WorkFolder(options, ignored));
    if (!conflict.empty())
        return Fail(err, kExitUsage,
                    "--json " + options.jsonPath + " is " + conflict + "; give another file");
    std::string pluginError;
    const std::string pluginPath = FindPlugin(options, pluginError);
    if (pluginPath.empty()) return Fail(err, kExitPlugin, pluginError);
    CountryFile countries;
    try {
        countries = CountryFile::Parse(ReadSourceFile(Absolute(options.countryFile), options.countryFile));
    } catch (const InputError& error) {
        return Fail(err, kExitInput, error.what());
    }
    // The call list is only for the window; a missing default is no failure.
    CallList callList;
    std::string callListProblem;
    if (!CallList::Load(options.callList, callList, callListProblem)) {
        if (options.callList != kDefaultCallList)
            return Fail(err, kExitInput, "--scp " + callListProblem);
        callListProblem = "no " + options.callList +
                          " (Debian package hamradio-files), or give --scp FILE";
    }
    std::string folderError;
    if (!EnterWorkFolder(options, folderError)) return Fail(err, kExitInput, folderError);

    HostMode hostMode;
    std::unique_ptr<AutomationServer> automation;
    PluginApi plugin;
    std::string loadError;
    if (!LoadPlugin(pluginPath, plugin, loadError)) return Fail(err, kExitPlugin, loadError);
    if (options.automation) {
        std::string serverError;
        automation = AutomationServer::Start(
            kHostProgId, [&hostMode](const std::string& command) { return hostMode.Carry(command); },
            serverError);
        if (!automation && options.verbose)
            err << kProgram << "running without the automation object: " << serverError << '\n';
    }

    LiveScoring scoring(plugin, countries, options);
    LiveViewSettings viewSettings;
    viewSettings.bell = options.bell;
    const char* noColor = std::getenv("NO_COLOR");
    viewSettings.colors = noColor == nullptr || *noColor == '\0';
    std::unique_ptr<LiveView> view = LiveView::Open(
        [&](const std::string& call) {
            CallAnswer answer = scoring.CheckCall(call, kMostPartials);
            answer.known = callList.Holding(call, kMostPartials);
            answer.knownProblem = callListProblem;
            return answer;
        },
        viewSettings);
    // Without the window the reader's warnings go to standard error, as in one run.
    LiveLog log(logPath, options.logPath, options, [&view, &err](const std::string& line) {
        if (!view) err << kProgram << line << '\n';
    });
    std::unique_ptr<LogFollower> follower = LogFollower::Start(logPath);

    LiveSnapshot snapshot;
    snapshot.logName = options.logPath;
    std::string lastStatus;
    std::string lastNote;  // what the weekend rule chose, as said last
    auto lastChange = Clock::now();
    bool first = true;
    bool saving = false;  // the last change seen was a save in progress
    for (;;) {
        LiveLog::Change change = log.Refresh();
        if (change == LiveLog::Change::kNone && Clock::now() - lastChange >= kIdle) change = log.Verify();
        std::string status;
        bool scored = false;
        if (change == LiveLog::Change::kMissing) {
            status = log.Problem() + "; waiting for it";
        } else if (change == LiveLog::Change::kUnsettled) {
            // The last good screen stays; only the status line says why nothing moves.
            status = log.Problem() + (first ? "" : "; the score is as it was before");
        } else if (change != LiveLog::Change::kNone || first) {
            lastChange = Clock::now();
            if (scoring.Follow(log.Content(), change, log.GrownFrom())) {
                scored = true;
                status = scoring.LastAction();
                // Said as a one-shot run says it, once each time the choice changes.
                if (scoring.PeriodNote() != lastNote) {
                    lastNote = scoring.PeriodNote();
                    if (!view && !lastNote.empty()) err << kProgram << lastNote << '\n';
                    if (view && !lastNote.empty()) status = lastNote + "; " + status;
                }
                // A save waited out: what it brought, said as such.
                if (saving)
                    status = status == "no new QSO" || status == "no QSO changed"
                                 ? "the log was saved again; no QSO changed"
                                 : "the log was saved: " + status;
            } else {
                status = scoring.Problem();
            }
            first = false;
        } else {
            status = lastStatus;
        }
        if (change != LiveLog::Change::kNone) saving = change == LiveLog::Change::kUnsettled;
        const bool statusChanged = status != lastStatus;
        lastStatus = status;
        // The line on what was done comes before the JSON line it explains.
        if (!view && (statusChanged || scored))
            err << kProgram << options.logPath << ": " << status << std::endl;
        if (scored && (!view || !jsonPath.empty())) {
            const std::optional<ReportFigures> figures = ParseReport(scoring.Report());
            if (figures) {
                const std::string json = SummaryJson(*figures, scoring.Figures(log.Content()));
                if (!view && !WriteToStandardOutput(json.data(), json.size()))
                    return Fail(err, kExitFailure, "cannot write to standard output");
                // Whoever reads the file sees one whole summary, the last.
                if (!jsonPath.empty() && !WriteFileAtomically(jsonPath, json))
                    status += "; cannot write the JSON summary to " + options.jsonPath;
            }
        }
        // The clock ticks on while nothing else changes.
        if (view && (scored || statusChanged || change == LiveLog::Change::kNone)) {
            snapshot.status = status;
            scoring.Fill(snapshot, AutomationNow());
            snapshot.warnings.assign(log.RecentWarnings().begin(), log.RecentWarnings().end());
            view->Show(snapshot);
        }

        // A log being saved is looked at again soon, whether or not more is written.
        milliseconds wait = change == LiveLog::Change::kUnsettled ? kUnsettledLook : kIdle;
        if (view) wait = std::min(wait, ToNextSecond());
        LogFollower::Wake wake = follower->Wait(view ? view->InputDescriptor() : -1, wait);
        if (wake == LogFollower::Wake::kLog) {
            // Let a burst of writes end before reading.
            for (int i = 0; i < kMostSettles && wake == LogFollower::Wake::kLog; ++i)
                wake = follower->Wait(-1, kSettle);
            if (wake == LogFollower::Wake::kTimeout) wake = LogFollower::Wake::kLog;
        }
        if (wake == LogFollower::Wake::kStop) break;
        if (wake == LogFollower::Wake::kInput && view && !view->HandleInput()) break;
    }
    return kExitOk;
}

}  // namespace tavik::host
