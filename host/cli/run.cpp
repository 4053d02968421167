#include "host/cli/run.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <future>
#include <memory>
#include <optional>
#include <ostream>
#include <system_error>

#include "host/session/automation_server.h"
#include "host/input/contest_period.h"
#include "host/input/country_file.h"
#include "host/session/host_mode.h"
#include "host/session/plugin_host.h"
#include "host/input/log_reader.h"
#include "host/input/log_survey.h"
#include "host/session/plugin_loader.h"
#include "host/cli/program_messages.h"
#include "host/session/qso_pipeline.h"
#include "host/session/report_summary.h"
#include "host/cli/run_outputs.h"
#include "host/cli/run_start.h"
#include "host/session/scoring_session.h"
#include "host/input/source_file.h"
#include "platform/standard_streams.h"
#include "host/session/work_folder.h"

namespace fs = std::filesystem;

namespace tavik::host {

namespace {

constexpr std::size_t kProgressThreshold = 20000;

class Progress {
public:
    Progress(std::ostream& err, std::size_t total, bool enabled)
        : err_(err), total_(total), enabled_(enabled) {}

    void Step(std::size_t done) {
        // Look at the clock only now and then: this runs once per QSO.
        if (!enabled_ || (done & 1023) != 0) return;
        int percent = static_cast<int>(done * 100 / total_);
        auto now = std::chrono::steady_clock::now();
        if (percent == shown_ || now - last_ < std::chrono::milliseconds(200)) return;
        last_ = now;
        shown_ = percent;
        err_ << '\r' << kProgram << "scoring " << percent << '%' << std::flush;
    }

    void Finish() {
        if (enabled_) err_ << '\r' << kProgram << "scoring 100%\n" << std::flush;
    }

private:
    std::ostream& err_;
    std::size_t total_;
    bool enabled_;
    int shown_ = -1;
    std::chrono::steady_clock::time_point last_{};
};

void PrintHostCommands(std::ostream& err, HostMode& hostMode) {
    for (const ReceivedCommand& command : hostMode.TakeReceived()) {
        err << kProgram << "host command " << command.text;
        if (!command.carried) err << " refused: unknown command";
        err << '\n';
    }
}

// One run: read, prepare, offer, report. Each step tells its own problems and
// gives a failure that ends the run.
class OneRun {
public:
    OneRun(const Options& options, std::ostream& err)
        : options_(options),
          err_(err),
          diagnostics_(
              [this](const std::string& line) {
                  told_.append(kProgram).append(line).push_back('\n');
                  if (told_.size() >= (std::size_t(1) << 16)) Tell();
              },
              options.strict),
          period_(options.PeriodGiven()) {}

    int Run() {
        for (Status (OneRun::*step)() : {&OneRun::Locate, &OneRun::Read, &OneRun::Prepare,
                                         &OneRun::Offer}) {
            if (Status done = (this->*step)(); !done) {
                Tell();
                return Fail(err_, done.Why());
            }
        }
        return Report();
    }

private:
    using Clock = std::chrono::steady_clock;

    // The problems are told in large writes: a damaged log may hold millions.
    void Tell() {
        err_ << told_;
        told_.clear();
    }

    // Paths first: the plugin needs the working folder as its current directory.
    Status Locate() {
        Result<RunStart> start = StartRun(options_);
        if (!start) return start.Why();
        logPath_ = std::move(start->logPath);
        countryPath_ = std::move(start->countryPath);
        jsonPath_ = std::move(start->jsonPath);
        host_ = std::move(start->host);
        return Ok();
    }

    // The log is read twice: first every problem is told and the QSOs to offer are
    // counted, then a second reading hands them to the plugin. Nothing of it is kept
    // in between, so memory stays bounded however large the log is.
    Status Read() {
        // The country file is read on a thread of its own while the log is surveyed;
        // a problem with the log is still told first.
        std::future<CountryFile> countryFile = std::async(std::launch::async, [this] {
            SourceFile countryText = ReadSourceFile(countryPath_, options_.countryFile);
            CountryFile parsed = CountryFile::Parse(countryText);
            countryText.CheckHeldStill();
            return parsed;
        });
        try {
            log_ = ReadSourceFile(logPath_, options_.logPath);
            survey_.emplace(log_, period_);
            // A large log is surveyed in two halves at once.
            LogSurvey secondHalf(log_, period_);
            bool halved = false;
            summary_ = ReadLogInHalves(log_, *survey_, secondHalf, diagnostics_, halved);
            if (halved) survey_->Follow(secondHalf);
            diagnostics_.Finish(log_);
            log_.CheckHeldStill();
            countries_ = countryFile.get();
        } catch (const InputError& error) {
            return Failure{FailureKind::kInput, error.what()};
        }
        Tell();
        return ChooseWeekend();
    }

    // Only once the whole log is surveyed is its latest contest weekend known.
    Status ChooseWeekend() {
        choice_ = ChoosePeriod(options_.PeriodGiven(), survey_->times);
        if (!choice_.note.empty()) err_ << kProgram << choice_.note << '\n';
        if (choice_.weekend) {
            weekend_.emplace(choice_.weekend->start, choice_.weekend->end);
            WeekendSorter sorter(log_, *weekend_, diagnostics_);
            Diagnostics quiet;  // every problem was told in the first reading
            try {
                ReadLog(log_, sorter, quiet);
            } catch (const InputError& error) {
                return Failure{FailureKind::kInput, error.what()};
            }
            diagnostics_.Finish(log_);
            Tell();
            survey_->offered = sorter.inside;
            survey_->outside += sorter.outside;
        }
        readingTime_ = Clock::now() - runStart_;
        return Ok();
    }

    // Nothing the plugin could be given, with or without a period: said as such,
    // with the figures still in the summary.
    Failure NothingToScore() {
        RunFigures figures;
        if (options_.start) figures.start = FormatAutomationDate(*options_.start);
        if (options_.end) figures.end = FormatAutomationDate(*options_.end);
        figures.records = figures.skipped = summary_.records;
        figures.warnings = diagnostics_.Warnings();
        err_ << kProgram << figures.records << " records found: 0 offered, " << figures.skipped
             << " skipped; " << figures.warnings << " warnings\n";
        if (!options_.jsonPath.empty()) {
            ReportFigures none;
            none.call = options_.ownCall.empty() ? summary_.ownCall : options_.ownCall;
            if (Status summary = WriteJsonText(SummaryJson(none, figures), jsonPath_, options_.jsonPath);
                !summary)
                Fail(err_, summary.Why());
        }
        const std::size_t records = summary_.records;
        const std::string what =
            records == 0 ? std::string("the log holds no QSO records")
                         : (records == 1 ? std::string("its one record was skipped")
                                         : "all " + std::to_string(records) + " records were skipped") +
                               " (the warnings above say why)";
        return Failure{FailureKind::kInput, options_.logPath + ": " + what + "; nothing to score"};
    }

    // The own call and its prefix, the period, the working folder and the plugin.
    Status Prepare() {
        if (survey_->offered == 0 && survey_->outside == 0) return NothingToScore();
        ownCall_ = options_.ownCall.empty() ? summary_.ownCall : options_.ownCall;
        if (ownCall_.empty())
            return Failure{FailureKind::kUsage,
                           options_.logPath + ": " +
                               (summary_.cabrillo ? "no CALLSIGN: in the log"
                                                  : "no STATION_CALLSIGN or OPERATOR in the log") +
                               "; give the own call with --call"};
        ownPrefix_ = countries_.Lookup(ownCall_);
        if (ownPrefix_.empty()) {
            ++hostWarnings_;
            err_ << kProgram << "warning: own call " << Printable(ownCall_, 80) << " is not in "
                 << options_.countryFile << "; its country prefix is left empty\n";
        }
        // Every QSO outside a period given by one end only: the period is that moment.
        const std::size_t offered = survey_->offered;
        start_ = options_.start ? *options_.start
                                : (offered ? survey_->times.Earliest() : *options_.end);
        end_ = options_.end ? *options_.end : (offered ? survey_->times.Latest() : start_);
        if (choice_.weekend) {
            start_ = choice_.weekend->start;
            end_ = choice_.weekend->end;
        }
        if (LinearTime(start_) > LinearTime(end_))
            return Failure{FailureKind::kUsage, "the contest period ends before it starts"};
        if (Status open = host_->Open(); !open) return open;
        if (!host_->AutomationNote().empty())
            err_ << kProgram << "running without the automation object: "
                 << host_->AutomationNote() << '\n';
        return Ok();
    }

    Status Offer() {
        if (options_.cabrillo) cabrilloBefore_ = CabrilloLogs(host_->WorkDir());
        session_.emplace(host_->Plugin());
        session_->Start(ownCall_, ownPrefix_, start_, end_, options_.cabrillo ? 1 : 0);
        Progress progress(err_, survey_->offered,
                          ErrorStreamIsTerminal() && survey_->offered > kProgressThreshold);
        const auto offerStart = Clock::now();
        const auto pluginBefore = session_->PluginTime();
        const Period& taken = weekend_ ? *weekend_ : period_;
        try {
            QsoPipeline pipeline(log_, countries_,
                                 [&taken](const Qso& qso) { return taken.Contains(qso.time); });
            pipeline.Drain([&](const QsoView& qso, const char* prefix) {
                session_->Offer(qso, prefix);
                progress.Step(session_->Counts().offered);
            });
            log_.CheckHeldStill();  // no report from a log that changed under the plugin
        } catch (const InputError& problem) {
            return Failure{FailureKind::kInput, problem.what()};  // the file changed meanwhile
        }
        progress.Finish();
        readingTime_ += (Clock::now() - offerStart) - (session_->PluginTime() - pluginBefore);
        log_ = SourceFile();
        return Ok();
    }

    int Report() {
        const char* report = session_->Result();
        PrintHostCommands(err_, host_->Mode());
        if (!report)
            return Fail(err_, kExitPlugin, host_->PluginPath() + ": the plugin returned no report");
        const std::string_view text(report);
        err_.flush();
        const bool jsonToOutput = options_.jsonPath == "-";
        if (!(jsonToOutput ? WriteToStandardError : WriteToStandardOutput)(text.data(), text.size()))
            return Fail(err_, kExitFailure, "cannot write the report");
        const RunFigures figures = Figures();
        TellCounts(figures);
        // Say where the outputs are only after checking that they are there.
        int status = kExitOk;
        const RunCounts& counts = session_->Counts();
        if (Status listed = CheckErrorLog(host_->WorkDir(), counts.refused, err_); !listed)
            status = Fail(err_, listed.Why());
        if (options_.cabrillo) {
            if (Status logged = CheckCabrilloLog(host_->WorkDir(), cabrilloBefore_, err_); !logged)
                status = Fail(err_, logged.Why());
        }
        if (host_->Mode().Switched())
            err_ << kProgram << "now working in " << host_->Mode().Describe() << '\n';
        if (!options_.jsonPath.empty()) {
            if (Status summary = WriteJsonSummary(text, figures, jsonPath_, options_.jsonPath); !summary)
                status = Fail(err_, summary.Why());
        }
        if (options_.timing) TellTiming();
        return status;
    }

    RunFigures Figures() const {
        const RunCounts& counts = session_->Counts();
        RunFigures figures;
        figures.start = FormatAutomationDate(start_);
        figures.end = FormatAutomationDate(end_);
        figures.records = summary_.records;
        figures.offered = counts.offered;
        figures.accepted = counts.accepted;
        figures.duplicates = counts.duplicates;
        figures.refused = counts.refused;
        figures.skipped = summary_.records - std::min(summary_.records, counts.offered);
        figures.warnings = diagnostics_.Warnings() + hostWarnings_;
        return figures;
    }

    void TellCounts(const RunFigures& figures) {
        err_ << kProgram << figures.records << " records found: " << figures.offered
             << " offered, " << figures.skipped << " skipped";
        if (summary_.excluded) err_ << " (" << summary_.excluded << " X-QSO lines)";
        if (survey_->outside) err_ << " (" << survey_->outside << " outside the contest period)";
        err_ << "; " << figures.warnings << " warnings\n";
        const RunCounts& counts = session_->Counts();
        err_ << kProgram << counts.offered << " QSOs offered: " << counts.accepted
             << " accepted (" << counts.duplicates << " of them duplicates), " << counts.refused
             << " refused\n";
    }

    void TellTiming() {
        using Seconds = std::chrono::duration<double>;
        const double total = Seconds(Clock::now() - runStart_).count();
        const double inPlugin = Seconds(session_->PluginTime()).count();
        char line[200];
        std::snprintf(line, sizeof line,
                      "timing: %.3f s in all, %.3f s (%.0f%%) in the plugin, %.3f s reading the "
                      "log\n",
                      total, inPlugin, total > 0 ? 100.0 * inPlugin / total : 0.0,
                      Seconds(readingTime_).count());
        err_ << kProgram << line;
    }

    const Options& options_;
    std::ostream& err_;
    const Clock::time_point runStart_ = Clock::now();
    std::string told_;
    Diagnostics diagnostics_;
    const Period period_;
    std::string logPath_, countryPath_, jsonPath_;
    std::unique_ptr<PluginHost> host_;
    SourceFile log_;
    LogSummary summary_;
    CountryFile countries_;
    std::optional<LogSurvey> survey_;
    PeriodChoice choice_;
    std::optional<Period> weekend_;
    Clock::duration readingTime_{};
    std::size_t hostWarnings_ = 0;
    std::string ownCall_, ownPrefix_;
    double start_ = 0, end_ = 0;
    CabrilloStamps cabrilloBefore_;
    // Last, so that it goes before the plugin it calls.
    std::optional<ScoringSession> session_;
};

}  // namespace

int RunHost(const Options& options, std::ostream& err) { return OneRun(options, err).Run(); }

}  // namespace tavik::host
