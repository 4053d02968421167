#include "host/run.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <future>
#include <memory>
#include <optional>
#include <ostream>
#include <system_error>

#include "host/automation_server.h"
#include "host/contest_period.h"
#include "host/country_file.h"
#include "host/host_mode.h"
#include "host/log_reader.h"
#include "host/plugin_loader.h"
#include "host/program_messages.h"
#include "host/qso_pipeline.h"
#include "host/report_summary.h"
#include "host/run_outputs.h"
#include "host/scoring_session.h"
#include "host/source_file.h"
#include "host/system.h"
#include "host/work_folder.h"

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

// First pass: every problem told, the QSOs to offer counted, the period's ends found.
class LogSurvey : public QsoHandler {
public:
    LogSurvey(const SourceFile& source, const Period& period) : source_(source), period_(period) {}

    void OnQso(const Qso& qso, std::size_t offset, std::size_t record,
               Diagnostics& diagnostics) override {
        if (!period_.Contains(qso.time)) {
            ++outside;
            diagnostics.Note(source_, offset, record,
                              "QSO with " + Printable(qso.call) + " at " +
                                  FormatAutomationDate(qso.time) +
                                  " is outside the contest period; not offered");
            return;
        }
        times.Add(qso.time);
        ++offered;
    }

    // Takes in the figures of the survey of a later part of the log.
    void Follow(const LogSurvey& later) {
        times.Add(later.times);
        offered += later.offered;
        outside += later.outside;
    }

    std::size_t offered = 0;
    std::size_t outside = 0;
    QsoTimes times;

private:
    const SourceFile& source_;
    const Period& period_;
};

// A reading once the weekend is chosen: the QSOs outside it listed and counted.
class WeekendSorter : public QsoHandler {
public:
    WeekendSorter(const SourceFile& source, const Period& weekend, Diagnostics& told)
        : source_(source), weekend_(weekend), told_(told) {}

    void OnQso(const Qso& qso, std::size_t offset, std::size_t record, Diagnostics&) override {
        if (weekend_.Contains(qso.time)) {
            ++inside;
            return;
        }
        ++outside;
        told_.Note(source_, offset, record,
                   "QSO with " + Printable(qso.call) + " at " + FormatAutomationDate(qso.time) +
                       " is outside the contest period; not offered");
    }

    std::size_t inside = 0;
    std::size_t outside = 0;

private:
    const SourceFile& source_;
    const Period& weekend_;
    Diagnostics& told_;
};

// Most machines without a desktop have none: not worth a line on every run.
bool NoSessionBus(const std::string& why) { return why.rfind("no session bus", 0) == 0; }

void PrintHostCommands(std::ostream& err, HostMode& hostMode) {
    for (const ReceivedCommand& command : hostMode.TakeReceived()) {
        err << kProgram << "host command " << command.text;
        if (!command.carried) err << " refused: unknown command";
        err << '\n';
    }
}

}  // namespace

int RunHost(const Options& options, std::ostream& err) {
    using Clock = std::chrono::steady_clock;
    const auto runStart = Clock::now();
    // Paths first: the plugin needs the working folder as its current directory.
    std::string logPath = Absolute(options.logPath);
    std::string countryPath = Absolute(options.countryFile);
    std::string jsonPath = options.jsonPath.empty() || options.jsonPath == "-"
                               ? options.jsonPath
                               : Absolute(options.jsonPath);
    std::string ignored;  // told when the folder is entered
    const std::string conflict =
        JsonPathConflict(options.jsonPath, logPath, countryPath, WorkFolder(options, ignored));
    if (!conflict.empty())
        return Fail(err, kExitUsage,
                    "--json " + options.jsonPath + " is " + conflict + "; give another file");
    std::string pluginError;
    const std::string pluginPath = FindPlugin(options, pluginError);
    if (pluginPath.empty()) return Fail(err, kExitPlugin, pluginError);

    // The log is read twice: first every problem is told and the QSOs to offer are
    // counted, then a second reading hands them to the plugin. Nothing of it is kept
    // in between, so memory stays bounded however large the log is. The problems are
    // told in large writes: a damaged log may hold millions of them.
    std::string told;
    auto tell = [&err, &told] {
        err << told;
        told.clear();
    };
    Diagnostics diagnostics(
        [&](const std::string& line) {
            told.append(kProgram).append(line).push_back('\n');
            if (told.size() >= (std::size_t(1) << 16)) tell();
        },
        options.strict);
    const Period period(options);
    SourceFile log;
    LogSummary summary;
    CountryFile countries;
    std::optional<LogSurvey> survey;
    // The country file is read on a thread of its own while the log is surveyed; a
    // problem with the log is still told first.
    std::future<CountryFile> countryFile = std::async(std::launch::async, [&] {
        SourceFile countryText = ReadSourceFile(countryPath, options.countryFile);
        CountryFile parsed = CountryFile::Parse(countryText);
        countryText.CheckHeldStill();
        return parsed;
    });
    try {
        log = ReadSourceFile(logPath, options.logPath);
        survey.emplace(log, period);
        // A large log is surveyed in two halves at once.
        LogSurvey secondHalf(log, period);
        bool halved = false;
        summary = ReadLogInHalves(log, *survey, secondHalf, diagnostics, halved);
        if (halved) survey->Follow(secondHalf);
        diagnostics.Finish(log);
        log.CheckHeldStill();
        countries = countryFile.get();
    } catch (const InputError& error) {
        tell();
        return Fail(err, kExitInput, error.what());
    }
    tell();
    // Only once the whole log is surveyed is its latest contest weekend known.
    const PeriodChoice choice = ChoosePeriod(options, survey->times);
    if (!choice.note.empty()) err << kProgram << choice.note << '\n';
    std::optional<Period> weekend;
    if (choice.weekend) {
        weekend.emplace(choice.weekend->start, choice.weekend->end);
        WeekendSorter sorter(log, *weekend, diagnostics);
        Diagnostics quiet;  // every problem was told in the first reading
        try {
            ReadLog(log, sorter, quiet);
        } catch (const InputError& error) {
            tell();
            return Fail(err, kExitInput, error.what());
        }
        diagnostics.Finish(log);
        tell();
        survey->offered = sorter.inside;
        survey->outside += sorter.outside;
    }
    const Period& taken = weekend ? *weekend : period;
    auto readingTime = Clock::now() - runStart;
    std::size_t hostWarnings = 0;

    if (survey->offered == 0 && survey->outside == 0) {
        // Nothing the plugin could be given, with or without a period: said as such,
        // with the figures still in the summary.
        RunFigures figures;
        if (options.start) figures.start = FormatAutomationDate(*options.start);
        if (options.end) figures.end = FormatAutomationDate(*options.end);
        figures.records = figures.skipped = summary.records;
        figures.warnings = diagnostics.Warnings();
        err << kProgram << figures.records << " records found: 0 offered, " << figures.skipped
            << " skipped; " << figures.warnings << " warnings\n";
        if (!options.jsonPath.empty()) {
            ReportFigures none;
            none.call = options.ownCall.empty() ? summary.ownCall : options.ownCall;
            WriteJsonText(SummaryJson(none, figures), jsonPath, options.jsonPath, err);
        }
        return Fail(err, kExitInput,
                    options.logPath + ": " +
                        (summary.records == 0
                             ? std::string("the log holds no QSO records")
                             : (summary.records == 1 ? std::string("its one record was skipped")
                                                     : "all " + std::to_string(summary.records) +
                                                           " records were skipped") +
                                   " (the warnings above say why)") +
                        "; nothing to score");
    }
    std::string ownCall = options.ownCall.empty() ? summary.ownCall : options.ownCall;
    if (ownCall.empty())
        return Fail(err, kExitUsage,
                    options.logPath + ": " +
                        (summary.cabrillo ? "no CALLSIGN: in the log"
                                          : "no STATION_CALLSIGN or OPERATOR in the log") +
                        "; give the own call with --call");
    const std::string& ownPrefix = countries.Lookup(ownCall);
    if (ownPrefix.empty()) {
        ++hostWarnings;
        err << kProgram << "warning: own call " << Printable(ownCall, 80) << " is not in "
            << options.countryFile << "; its country prefix is left empty\n";
    }

    // Every QSO outside a period given by one end only: the period is that moment.
    double start = options.start ? *options.start
                                 : (survey->offered ? survey->times.Earliest() : *options.end);
    double end = options.end ? *options.end : (survey->offered ? survey->times.Latest() : start);
    if (choice.weekend) {
        start = choice.weekend->start;
        end = choice.weekend->end;
    }
    if (LinearTime(start) > LinearTime(end))
        return Fail(err, kExitUsage, "the contest period ends before it starts");

    std::string folderError;
    if (!EnterWorkFolder(options, folderError)) return Fail(err, kExitInput, folderError);
    std::error_code error;
    const fs::path workDir = fs::current_path(error);

    // The server is declared before the plugin, so it goes after it: the plugin
    // keeps the host's object until it is unloaded.
    HostMode hostMode;
    std::unique_ptr<AutomationServer> automation;
    PluginApi plugin;
    std::string loadError;
    if (!LoadPlugin(pluginPath, plugin, loadError)) return Fail(err, kExitPlugin, loadError);
    if (plugin.getNumberOfSets() < 1)
        return Fail(err, kExitPlugin, pluginPath + ": the plugin offers no scoring set");

    if (options.automation) {
        std::string serverError;
        automation = AutomationServer::Start(
            kHostProgId, [&hostMode](const std::string& command) { return hostMode.Carry(command); },
            serverError);
        if (!automation && (options.verbose || !NoSessionBus(serverError)))
            err << kProgram << "running without the automation object: " << serverError << '\n';
    }
    const CabrilloStamps cabrilloBefore =
        options.cabrillo ? CabrilloLogs(workDir) : CabrilloStamps();
    ScoringSession session(plugin);
    session.Start(ownCall, ownPrefix, start, end, options.cabrillo ? 1 : 0);
    Progress progress(err, survey->offered,
                      ErrorStreamIsTerminal() && survey->offered > kProgressThreshold);
    const auto offerStart = Clock::now();
    const auto pluginBefore = session.PluginTime();
    try {
        QsoPipeline pipeline(log, countries,
                             [&taken](const Qso& qso) { return taken.Contains(qso.time); });
        pipeline.Drain([&](const QsoView& qso, const char* prefix) {
            session.Offer(qso, prefix);
            progress.Step(session.Counts().offered);
        });
        log.CheckHeldStill();  // no report from a log that changed under the plugin
    } catch (const InputError& problem) {
        return Fail(err, kExitInput, problem.what());  // the file changed meanwhile
    }
    progress.Finish();
    readingTime += (Clock::now() - offerStart) - (session.PluginTime() - pluginBefore);
    log = SourceFile();

    const char* report = session.Result();
    PrintHostCommands(err, hostMode);
    if (!report) return Fail(err, kExitPlugin, pluginPath + ": the plugin returned no report");
    const std::size_t reportLength = std::char_traits<char>::length(report);
    const bool jsonToOutput = options.jsonPath == "-";
    err.flush();
    if (!(jsonToOutput ? WriteToStandardError : WriteToStandardOutput)(report, reportLength))
        return Fail(err, kExitFailure, "cannot write the report");

    const RunCounts& counts = session.Counts();
    RunFigures figures;
    figures.start = FormatAutomationDate(start);
    figures.end = FormatAutomationDate(end);
    figures.records = summary.records;
    figures.offered = counts.offered;
    figures.accepted = counts.accepted;
    figures.duplicates = counts.duplicates;
    figures.refused = counts.refused;
    figures.skipped = summary.records - std::min(summary.records, counts.offered);
    figures.warnings = diagnostics.Warnings() + hostWarnings;
    err << kProgram << figures.records << " records found: " << figures.offered << " offered, "
        << figures.skipped << " skipped";
    if (summary.excluded) err << " (" << summary.excluded << " X-QSO lines)";
    if (survey->outside) err << " (" << survey->outside << " outside the contest period)";
    err << "; " << figures.warnings << " warnings\n";
    err << kProgram << counts.offered << " QSOs offered: " << counts.accepted << " accepted ("
        << counts.duplicates << " of them duplicates), " << counts.refused << " refused\n";

    // Say where the outputs are only after checking that they are there.
    int status = kExitOk;
    if (!CheckErrorLog(workDir, counts.refused, err)) status = kExitOutput;
    if (options.cabrillo && !CheckCabrilloLog(workDir, cabrilloBefore, err)) status = kExitOutput;
    if (hostMode.Switched()) err << kProgram << "now working in " << hostMode.Describe() << '\n';
    if (!options.jsonPath.empty() &&
        !WriteJsonSummary(std::string_view(report, reportLength), figures, jsonPath,
                          options.jsonPath, err))
        status = kExitOutput;

    if (options.timing) {
        using Seconds = std::chrono::duration<double>;
        const double total = Seconds(Clock::now() - runStart).count();
        const double inPlugin = Seconds(session.PluginTime()).count();
        char line[200];
        std::snprintf(line, sizeof line,
                      "timing: %.3f s in all, %.3f s (%.0f%%) in the plugin, %.3f s reading the "
                      "log\n",
                      total, inPlugin, total > 0 ? 100.0 * inPlugin / total : 0.0,
                      Seconds(readingTime).count());
        err << kProgram << line;
    }
    return status;
}

}  // namespace tavik::host
