#include "host/run.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <ostream>
#include <system_error>
#include <vector>

#include "host/automation_server.h"
#include "host/country_file.h"
#include "host/host_mode.h"
#include "host/log_reader.h"
#include "host/qso_pipeline.h"
#include "host/report_summary.h"
#include "host/source_file.h"
#include "host/system.h"

namespace fs = std::filesystem;

namespace tavik::host {

namespace {

constexpr const char* kProgram = "tavik-host: ";
constexpr std::size_t kProgressThreshold = 20000;


COleDateTime Valid(double value) { return COleDateTime{value, kDateTimeValid}; }

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
    LogSurvey(const SourceFile& source, const Period& period, Diagnostics& diagnostics)
        : source_(source), period_(period), diagnostics_(diagnostics) {}

    void OnQso(const Qso& qso, std::size_t offset, std::size_t record) override {
        if (!period_.Contains(qso.time)) {
            ++outside;
            diagnostics_.Note(source_, offset, record,
                              "QSO with " + Printable(qso.call) + " at " +
                                  FormatAutomationDate(qso.time) +
                                  " is outside the contest period; not offered");
            return;
        }
        if (offered == 0 || LinearTime(qso.time) < LinearTime(earliest)) earliest = qso.time;
        if (offered == 0 || LinearTime(qso.time) > LinearTime(latest)) latest = qso.time;
        ++offered;
    }

    std::size_t offered = 0;
    std::size_t outside = 0;
    double earliest = 0;
    double latest = 0;

private:
    const SourceFile& source_;
    const Period& period_;
    Diagnostics& diagnostics_;
};

// The Cabrillo logs of a folder with their last change, to tell which one a run wrote.
std::map<std::string, std::pair<fs::file_time_type, std::uintmax_t>> CabrilloLogs(
    const fs::path& folder) {
    std::map<std::string, std::pair<fs::file_time_type, std::uintmax_t>> logs;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (it->path().extension() != ".cbr") continue;
        std::error_code fileError;
        if (!it->is_regular_file(fileError)) continue;
        const auto time = it->last_write_time(fileError);
        const auto size = it->file_size(fileError);
        if (!fileError) logs[it->path().filename().string()] = {time, size};
    }
    return logs;
}

// Lines of a file (line feeds), or nullopt when it cannot be read.
std::optional<std::size_t> LineCount(const std::string& path) {
    std::string error;
    std::unique_ptr<InputBytes> bytes = OpenInputBytes(path, error);
    if (!bytes) return std::nullopt;
    std::string_view text = bytes->Bytes();
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

int Fail(std::ostream& err, int code, const std::string& message) {
    err << kProgram << "error: " << message << '\n';
    return code;
}

void PrintHostCommands(std::ostream& err, HostMode& hostMode) {
    for (const ReceivedCommand& command : hostMode.TakeReceived()) {
        err << kProgram << "host command " << command.text;
        if (!command.carried) err << " refused: unknown command";
        err << '\n';
    }
}

}  // namespace

std::string Absolute(const std::string& path) {
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

std::string FindPlugin(const Options& options, std::string& error) {
    if (!options.pluginPath.empty()) return Absolute(options.pluginPath);
    const std::string executable = ExecutablePath();
    if (executable.empty()) {
        error = "cannot tell where this program is to find the plugin; give --plugin";
        return "";
    }
    const fs::path folder = fs::path(executable).parent_path();
    const fs::path beside = folder / PluginFileName();
    const fs::path installed = folder.parent_path() / "lib" / "tavik" / PluginFileName();
    std::error_code missing;
    // Beside the program in a build folder; under lib/tavik once installed.
    if (!fs::exists(beside, missing) && fs::exists(installed, missing)) return installed.string();
    return beside.string();
}

bool EnterWorkFolder(const Options& options, std::string& error) {
    std::error_code problem;
    if (!options.workDir.empty()) {
        fs::current_path(options.workDir, problem);
        if (problem) {
            error = options.workDir + ": cannot work there: " + problem.message();
            return false;
        }
    }
    const fs::path workDir = fs::current_path(problem);
    if (problem) {
        error = "cannot tell the current folder: " + problem.message();
        return false;
    }
    fs::create_directory(workDir / "Plugins", problem);
    if (problem || !fs::is_directory(workDir / "Plugins", problem)) {
        error = (workDir / "Plugins").string() + ": cannot create the folder" +
                (problem ? ": " + problem.message() : std::string());
        return false;
    }
    return true;
}

void ScoringSession::Start(const std::string& ownCall, const std::string& ownCountryPrefix,
                           double periodStart, double periodEnd, std::int32_t exportFlag) {
    ownCall_ = ownCall;
    counts_ = RunCounts();
    COleDateTime start = Valid(periodStart);
    COleDateTime end = Valid(periodEnd);
    const auto begin = std::chrono::steady_clock::now();
    api_.resetStats0("", exportFlag, ownCall.c_str(), &start, &end, "", "", "", "", "", "", "", "",
                     "", ownCountryPrefix.c_str(), 0, 0, 0, 0.0, 0.0, "", "", "");
    pluginTime_ += std::chrono::steady_clock::now() - begin;
}

bool ScoringSession::Offer(const QsoView& qso, const char* countryPrefix) {
    ++counts_.offered;
    COleDateTime time = Valid(qso.time);
    COleDateTime unused = Valid(0.0);
    const char* ownCall = qso.stationCall[0] != '\0' ? qso.stationCall : ownCall_.c_str();
    const bool workedBefore = Worked(qso.call, qso.band);
    const auto begin = std::chrono::steady_clock::now();
    std::int32_t accepted = api_.addData0(
        ownCall, qso.call, &time, &unused, &unused, &unused, 0, qso.frequencyHz, qso.mode,
        qso.rstSent, qso.rstReceived, qso.exchangeSent, qso.exchangeReceived, "", "", "", "", "",
        "", "", "", "", countryPrefix, 0, 0, 0, 0.0, 0.0, "", "", "", qso.band, "");
    pluginTime_ += std::chrono::steady_clock::now() - begin;
    if (accepted == 0) {
        ++counts_.refused;
        return false;
    }
    ++counts_.accepted;
    if (workedBefore) ++counts_.duplicates;
    return true;
}

void ScoringSession::Remove(const QsoView& qso, const char* countryPrefix) {
    COleDateTime time = Valid(qso.time);
    COleDateTime unused = Valid(0.0);
    const char* ownCall = qso.stationCall[0] != '\0' ? qso.stationCall : ownCall_.c_str();
    const auto begin = std::chrono::steady_clock::now();
    api_.removeData0(ownCall, qso.call, &time, &unused, &unused, &unused, 0, qso.frequencyHz,
                     qso.mode, qso.rstSent, qso.rstReceived, qso.exchangeSent,
                     qso.exchangeReceived, "", "", "", "", "", "", "", "", "", countryPrefix, 0,
                     0, 0, 0.0, 0.0, "", "", "", qso.band, "");
    pluginTime_ += std::chrono::steady_clock::now() - begin;
}

bool ScoringSession::Worked(const char* call, const char* band) {
    // Scratch buffers the call check may write into; the plugin leaves them alone.
    char checkBuffer1[256] = {};
    char checkBuffer2[256] = {};
    const auto begin = std::chrono::steady_clock::now();
    const bool worked = api_.checkCall0(call, 0, 0, "", "", "", "", "", "", "", "", "", "", "",
                                        0, 0, 0, 0.0, 0.0, "", "", "", "", "", band, band,
                                        checkBuffer1, checkBuffer2) == 0;
    pluginTime_ += std::chrono::steady_clock::now() - begin;
    return worked;
}

const char* ScoringSession::Result() {
    std::int32_t exportDone = 0;
    const auto begin = std::chrono::steady_clock::now();
    const char* report = api_.getResult0(&exportDone);
    pluginTime_ += std::chrono::steady_clock::now() - begin;
    return report;
}

int RunHost(const Options& options, std::ostream& err) {
    using Clock = std::chrono::steady_clock;
    const auto runStart = Clock::now();
    // Paths first: the plugin needs the working folder as its current directory.
    std::string logPath = Absolute(options.logPath);
    std::string countryPath = Absolute(options.countryFile);
    std::string jsonPath = options.jsonPath.empty() || options.jsonPath == "-"
                               ? options.jsonPath
                               : Absolute(options.jsonPath);
    std::string pluginError;
    const std::string pluginPath = FindPlugin(options, pluginError);
    if (pluginPath.empty()) return Fail(err, kExitPlugin, pluginError);

    // The log is read twice: first every problem is told and the QSOs to offer are
    // counted, then a second reading hands them to the plugin. Nothing of it is kept
    // in between, so memory stays bounded however large the log is.
    Diagnostics diagnostics(
        [&err](const std::string& line) { err << kProgram << line << '\n'; }, options.strict);
    const Period period(options);
    SourceFile log;
    LogSummary summary;
    CountryFile countries;
    std::optional<LogSurvey> survey;
    try {
        log = ReadSourceFile(logPath, options.logPath);
        survey.emplace(log, period, diagnostics);
        summary = ReadLog(log, *survey, diagnostics);
        SourceFile countryText = ReadSourceFile(countryPath, options.countryFile);
        countries = CountryFile::Parse(countryText);
    } catch (const InputError& error) {
        return Fail(err, kExitInput, error.what());
    }
    auto readingTime = Clock::now() - runStart;
    std::size_t hostWarnings = 0;

    if (survey->offered == 0 && (!options.start || !options.end))
        return Fail(err, kExitInput,
                    options.logPath + ": the log has no QSOs to offer (" +
                        std::to_string(summary.records) +
                        " records found); give the period with --start and --end");
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

    double start = options.start ? *options.start : survey->earliest;
    double end = options.end ? *options.end : survey->latest;
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
        if (!automation)
            err << kProgram << "running without the automation object: " << serverError << '\n';
    }
    const auto cabrilloBefore = options.cabrillo ? CabrilloLogs(workDir) : decltype(CabrilloLogs(workDir))();
    ScoringSession session(plugin);
    session.Start(ownCall, ownPrefix, start, end, options.cabrillo ? 1 : 0);
    Progress progress(err, survey->offered,
                      ErrorStreamIsTerminal() && survey->offered > kProgressThreshold);
    const auto offerStart = Clock::now();
    const auto pluginBefore = session.PluginTime();
    try {
        QsoPipeline pipeline(log, countries,
                             [&period](const Qso& qso) { return period.Contains(qso.time); });
        pipeline.Drain([&](const QsoView& qso, const char* prefix) {
            session.Offer(qso, prefix);
            progress.Step(session.Counts().offered);
        });
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
    const std::string errorLog = (workDir / "err.txt").string();
    const std::optional<std::size_t> errorLines = LineCount(errorLog);
    if (!errorLines || *errorLines < counts.refused + 1) {
        status = kExitOutput;
        err << kProgram << "error: " << errorLog << " "
            << (errorLines ? "lists " + std::to_string(*errorLines ? *errorLines - 1 : 0) +
                                 " of the " + std::to_string(counts.refused) +
                                 " refused QSOs (is the disk full?)"
                           : std::string("was not written"))
            << '\n';
    } else {
        err << kProgram << "refused QSOs are listed in " << errorLog << '\n';
    }
    if (options.cabrillo) {
        std::string written;
        for (const auto& [name, stamp] : CabrilloLogs(workDir)) {
            auto before = cabrilloBefore.find(name);
            if (before == cabrilloBefore.end() || before->second != stamp) written = name;
        }
        if (written.empty()) {
            status = kExitOutput;
            err << kProgram << "error: no Cabrillo log was written in " << workDir.string()
                << " (the plugin's notice above tells why)\n";
        } else {
            err << kProgram << "the Cabrillo log is in " << (workDir / written).string() << '\n';
        }
    }
    if (hostMode.Switched()) err << kProgram << "now working in " << hostMode.Describe() << '\n';

    if (!options.jsonPath.empty()) {
        std::optional<ReportFigures> reportFigures = ParseReport(std::string_view(report, reportLength));
        if (!reportFigures) {
            status = kExitOutput;
            err << kProgram << "error: the plugin's report is not laid out as expected; no JSON "
                               "summary written\n";
        } else {
            const std::string json = SummaryJson(*reportFigures, figures);
            bool written = false;
            if (jsonToOutput) {
                written = WriteToStandardOutput(json.data(), json.size());
            } else {
                std::ofstream out(jsonPath, std::ios::binary | std::ios::trunc);
                written = static_cast<bool>(out.write(json.data(),
                                                      static_cast<std::streamsize>(json.size()))) &&
                          static_cast<bool>(out.flush());
            }
            if (!written) {
                status = kExitOutput;
                err << kProgram << "error: cannot write the JSON summary to " << options.jsonPath
                    << '\n';
            }
        }
    }

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
