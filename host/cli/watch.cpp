#include "host/cli/watch.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "host/input/call_list.h"
#include "host/input/country_file.h"
#include "host/session/plugin_host.h"
#include "host/live/live_log.h"
#include "host/live/live_scoring.h"
#include "host/live/live_view.h"
#include "host/live/log_follower.h"
#include "host/cli/program_messages.h"
#include "host/session/report_summary.h"
#include "host/cli/run_outputs.h"
#include "host/cli/run_start.h"
#include "platform/standard_streams.h"
#include "host/session/work_folder.h"

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

// Following a log: set up, then look, score, show and wait, until stopped.
class WatchRun {
public:
    WatchRun(const Options& options, std::ostream& err) : options_(options), err_(err) {}

    int Run() {
        if (Status started = Start(); !started) return Fail(err_, started.Why());
        for (;;) {
            const LiveLog::Change change = Look();
            const bool scored = Update(change);
            if (Status shown = Publish(change, scored); !shown) return Fail(err_, shown.Why());
            if (!Wait(change)) return kExitOk;
        }
    }

private:
    Status Start() {
        Result<RunStart> start = StartRun(options_);
        if (!start) return start.Why();
        logPath_ = std::move(start->logPath);
        jsonPath_ = start->jsonPath == "-" ? "" : std::move(start->jsonPath);
        host_ = std::move(start->host);
        try {
            countries_ = CountryFile::Parse(
                ReadSourceFile(start->countryPath, options_.countryFile));
        } catch (const InputError& error) {
            return Failure{FailureKind::kInput, error.what()};
        }
        // The call list is only for the window; a missing default is no failure.
        if (Result<CallList> list = CallList::Load(options_.callList)) {
            callList_ = std::move(*list);
        } else if (options_.callList != kDefaultCallList) {
            return Failure{FailureKind::kInput, "--scp " + list.Why().message};
        } else {
            callListProblem_ =
                "no " + options_.callList + " (Debian package hamradio-files), or give --scp FILE";
        }
        if (Status open = host_->Open(); !open) return open;
        if (!host_->AutomationNote().empty())
            err_ << kProgram << "running without the automation object: "
                 << host_->AutomationNote() << '\n';
        OpenWindow();
        return Ok();
    }

    void OpenWindow() {
        scoring_.emplace(host_->Plugin(), countries_,
                         LiveScoringSettings{options_.ownCall, options_.PeriodGiven()});
        LiveViewSettings settings;
        settings.bell = options_.bell;
        const char* noColor = std::getenv("NO_COLOR");
        settings.colors = noColor == nullptr || *noColor == '\0';
        view_ = LiveView::Open(
            [this](const std::string& call) {
                CallAnswer answer = scoring_->CheckCall(call, kMostPartials);
                answer.known = callList_.Holding(call, kMostPartials);
                answer.knownProblem = callListProblem_;
                return answer;
            },
            settings);
        // Without the window the reader's warnings go to standard error, as in one run.
        log_.emplace(logPath_, options_.logPath, options_.PeriodGiven(), [this](const std::string& line) {
            if (!view_) err_ << kProgram << line << '\n';
        });
        follower_ = LogFollower::Start(logPath_);
        snapshot_.logName = options_.logPath;
    }

    LiveLog::Change Look() {
        LiveLog::Change change = log_->Refresh();
        if (change == LiveLog::Change::kNone && Clock::now() - lastChange_ >= kIdle)
            change = log_->Verify();
        return change;
    }

    // Brings the score in line with the log; true when it was scored.
    bool Update(LiveLog::Change change) {
        bool scored = false;
        std::string status = lastStatus_;
        if (change == LiveLog::Change::kMissing) {
            status = log_->Problem() + "; waiting for it";
        } else if (change == LiveLog::Change::kUnsettled) {
            // The last good screen stays; only the status line says why nothing moves.
            status = log_->Problem() + (first_ ? "" : "; the score is as it was before");
        } else if (change != LiveLog::Change::kNone || first_) {
            lastChange_ = Clock::now();
            scored = scoring_->Follow(log_->Content(), change, log_->GrownFrom());
            status = scored ? WhatWasScored() : scoring_->Problem();
            first_ = false;
        }
        if (change != LiveLog::Change::kNone) saving_ = change == LiveLog::Change::kUnsettled;
        statusChanged_ = status != lastStatus_;
        lastStatus_ = status;
        return scored;
    }

    std::string WhatWasScored() {
        std::string status = scoring_->LastAction();
        // Said as a one-shot run says it, once each time the choice changes.
        if (scoring_->PeriodNote() != lastNote_) {
            lastNote_ = scoring_->PeriodNote();
            if (!view_ && !lastNote_.empty()) err_ << kProgram << lastNote_ << '\n';
            if (view_ && !lastNote_.empty()) status = lastNote_ + "; " + status;
        }
        // A save waited out: what it brought, said as such.
        if (saving_)
            status = status == "no new QSO" || status == "no QSO changed"
                         ? "the log was saved again; no QSO changed"
                         : "the log was saved: " + status;
        return status;
    }

    // The status line, the JSON summary and the window.
    Status Publish(LiveLog::Change change, bool scored) {
        // The line on what was done comes before the JSON line it explains.
        if (!view_ && (statusChanged_ || scored))
            err_ << kProgram << options_.logPath << ": " << lastStatus_ << std::endl;
        if (scored && (!view_ || !jsonPath_.empty())) {
            const std::optional<ReportFigures> figures = ParseReport(scoring_->Report());
            if (figures) {
                const std::string json = SummaryJson(*figures, scoring_->Figures(log_->Content()));
                if (!view_ && !WriteToStandardOutput(json.data(), json.size()))
                    return Failure{FailureKind::kOther, "cannot write to standard output"};
                // Whoever reads the file sees one whole summary, the last.
                if (!jsonPath_.empty() && !WriteFileAtomically(jsonPath_, json))
                    lastStatus_ += "; cannot write the JSON summary to " + options_.jsonPath;
            }
        }
        // The clock ticks on while nothing else changes.
        if (view_ && (scored || statusChanged_ || change == LiveLog::Change::kNone)) {
            snapshot_.status = lastStatus_;
            scoring_->Fill(snapshot_, AutomationNow());
            snapshot_.warnings.assign(log_->RecentWarnings().begin(), log_->RecentWarnings().end());
            view_->Show(snapshot_);
        }
        return Ok();
    }

    // Till the log changes, a key comes or it is time to look again; false to stop.
    bool Wait(LiveLog::Change change) {
        // A log being saved is looked at again soon, whether or not more is written.
        milliseconds wait = change == LiveLog::Change::kUnsettled ? kUnsettledLook : kIdle;
        if (view_) wait = std::min(wait, ToNextSecond());
        LogFollower::Wake wake = follower_->Wait(view_ ? view_->InputDescriptor() : -1, wait);
        if (wake == LogFollower::Wake::kLog) {
            // Let a burst of writes end before reading.
            for (int i = 0; i < kMostSettles && wake == LogFollower::Wake::kLog; ++i)
                wake = follower_->Wait(-1, kSettle);
            if (wake == LogFollower::Wake::kTimeout) wake = LogFollower::Wake::kLog;
        }
        if (wake == LogFollower::Wake::kStop) return false;
        return !(wake == LogFollower::Wake::kInput && view_ && !view_->HandleInput());
    }

    const Options& options_;
    std::ostream& err_;
    std::string logPath_, jsonPath_;
    std::unique_ptr<PluginHost> host_;
    CountryFile countries_;
    CallList callList_;
    std::string callListProblem_;
    std::optional<LiveScoring> scoring_;
    std::unique_ptr<LiveView> view_;
    std::optional<LiveLog> log_;
    std::unique_ptr<LogFollower> follower_;
    LiveSnapshot snapshot_;
    std::string lastStatus_;
    std::string lastNote_;  // what the weekend rule chose, as said last
    Clock::time_point lastChange_ = Clock::now();
    bool first_ = true;
    bool saving_ = false;  // the last change seen was a save in progress
    bool statusChanged_ = false;
};

}  // namespace

int RunWatch(const Options& options, std::ostream& err) { return WatchRun(options, err).Run(); }

}  // namespace tavik::host
