#include "host/run.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <ostream>
#include <system_error>
#include <vector>

#include "host/adif_reader.h"
#include "host/automation_server.h"
#include "host/country_file.h"
#include "host/host_mode.h"
#include "host/source_file.h"
#include "host/system.h"

namespace fs = std::filesystem;

namespace tavik::host {

namespace {

constexpr const char* kProgram = "tavik-host: ";
constexpr std::size_t kProgressThreshold = 20000;

COleDateTime Valid(double value) { return COleDateTime{value, kDateTimeValid}; }

// Maps every record, keeping the QSOs and what the run needs up front.
class LogLoader : public AdifHandler {
public:
    LogLoader(const SourceFile& source, QsoStore& store) : source_(source), store_(store) {}

    void OnHeader(const AdifRecord& header) override {
        headerStation_ = UpperAscii(TrimBlanks(header.Data(AdifField::StationCallsign)));
        headerOperator_ = UpperAscii(TrimBlanks(header.Data(AdifField::Operator)));
    }

    void OnRecord(const AdifRecord& record) override {
        MapQso(source_, record, qso_);
        if (store_.Size() == 0) {
            firstStation_ = qso_.stationCall;
            firstOperator_ = UpperAscii(TrimBlanks(record.Data(AdifField::Operator)));
            earliest_ = latest_ = qso_.time;
        }
        if (LinearTime(qso_.time) < LinearTime(earliest_)) earliest_ = qso_.time;
        if (LinearTime(qso_.time) > LinearTime(latest_)) latest_ = qso_.time;
        store_.Add(qso_);
    }

    std::string OwnCall() const {
        for (const std::string* call : {&headerStation_, &firstStation_, &headerOperator_,
                                        &firstOperator_})
            if (!call->empty()) return *call;
        return {};
    }

    double Earliest() const { return earliest_; }
    double Latest() const { return latest_; }

private:
    const SourceFile& source_;
    QsoStore& store_;
    Qso qso_;
    double earliest_ = 0;
    double latest_ = 0;
    std::string headerStation_, headerOperator_, firstStation_, firstOperator_;
};

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

std::string Absolute(const std::string& path) {
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

void PrintWarnings(std::ostream& err, const std::vector<std::string>& warnings) {
    for (const std::string& warning : warnings) err << kProgram << "warning: " << warning << '\n';
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

void ScoringSession::Offer(const QsoStore::Entry& qso, const char* countryPrefix) {
    ++counts_.offered;
    // Scratch buffers the call check may write into; the plugin leaves them alone.
    char checkBuffer1[256] = {};
    char checkBuffer2[256] = {};
    const char* band = qso.band;
    COleDateTime time = Valid(qso.time);
    COleDateTime unused = Valid(0.0);
    const char* ownCall = qso.stationCall[0] != '\0' ? qso.stationCall : ownCall_.c_str();
    const auto begin = std::chrono::steady_clock::now();
    bool workedBefore = api_.checkCall0(qso.call, 0, 0, "", "", "", "", "", "", "", "", "",
                                        "", "", 0, 0, 0, 0.0, 0.0, "", "", "", "", "", band, band,
                                        checkBuffer1, checkBuffer2) == 0;
    std::int32_t accepted = api_.addData0(
        ownCall, qso.call, &time, &unused, &unused, &unused, 0, qso.frequencyHz, qso.mode,
        qso.rstSent, qso.rstReceived, qso.exchangeSent, qso.exchangeReceived, "", "", "", "", "",
        "", "", "", "", countryPrefix, 0, 0, 0, 0.0, 0.0, "", "", "", band, "");
    pluginTime_ += std::chrono::steady_clock::now() - begin;
    if (accepted == 0) {
        ++counts_.refused;
    } else {
        ++counts_.accepted;
        if (workedBefore) ++counts_.duplicates;
    }
}

const char* ScoringSession::Result() {
    std::int32_t exportDone = 0;
    const auto begin = std::chrono::steady_clock::now();
    const char* report = api_.getResult0(&exportDone);
    pluginTime_ += std::chrono::steady_clock::now() - begin;
    return report;
}

int RunHost(const Options& options, std::ostream& err) {
    const auto runStart = std::chrono::steady_clock::now();
    // Paths first: the plugin needs the working folder as its current directory.
    std::string logPath = Absolute(options.logPath);
    std::string countryPath = Absolute(options.countryFile);
    std::string pluginPath;
    if (!options.pluginPath.empty()) {
        pluginPath = Absolute(options.pluginPath);
    } else {
        std::string executable = ExecutablePath();
        if (executable.empty())
            return Fail(err, kExitPlugin,
                        "cannot tell where this program is to find the plugin; give --plugin");
        pluginPath = (fs::path(executable).parent_path() / PluginFileName()).string();
    }

    std::vector<std::string> warnings;
    QsoStore qsos;
    CountryFile countries;
    std::string ownCallFromLog;
    double earliest = 0;
    double latest = 0;
    try {
        SourceFile log = ReadSourceFile(logPath, options.logPath);
        LogLoader loader(log, qsos);
        ReadAdif(log, loader, warnings);
        ownCallFromLog = loader.OwnCall();
        earliest = loader.Earliest();
        latest = loader.Latest();
        SourceFile countryText = ReadSourceFile(countryPath, options.countryFile);
        countries = CountryFile::Parse(countryText);
    } catch (const InputError& error) {
        PrintWarnings(err, warnings);
        return Fail(err, kExitInput, error.what());
    }
    PrintWarnings(err, warnings);

    std::string ownCall = options.ownCall.empty() ? ownCallFromLog : options.ownCall;
    if (ownCall.empty())
        return Fail(err, kExitUsage,
                    options.logPath +
                        ": no STATION_CALLSIGN or OPERATOR in the log; give the own call with --call");
    const std::string& ownPrefix = countries.Lookup(ownCall);
    if (ownPrefix.empty())
        err << kProgram << "warning: own call " << ownCall << " is not in "
            << options.countryFile << "; its country prefix is left empty\n";

    if (qsos.Size() == 0 && (!options.start || !options.end))
        return Fail(err, kExitInput,
                    options.logPath + ": the log has no QSOs; give the period with --start and --end");
    double start = options.start ? *options.start : earliest;
    double end = options.end ? *options.end : latest;
    if (LinearTime(start) > LinearTime(end))
        return Fail(err, kExitUsage, "the contest period ends before it starts");

    std::error_code error;
    if (!options.workDir.empty()) {
        fs::current_path(options.workDir, error);
        if (error)
            return Fail(err, kExitInput, options.workDir + ": cannot work there: " + error.message());
    }
    fs::path workDir = fs::current_path(error);
    if (error) return Fail(err, kExitInput, "cannot tell the current folder: " + error.message());
    fs::create_directory(workDir / "Plugins", error);
    if (error || !fs::is_directory(workDir / "Plugins", error))
        return Fail(err, kExitInput,
                    (workDir / "Plugins").string() + ": cannot create the folder" +
                        (error ? ": " + error.message() : std::string()));

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
    ScoringSession session(plugin);
    session.Start(ownCall, ownPrefix, start, end, options.cabrillo ? 1 : 0);
    Progress progress(err, qsos.Size(),
                      ErrorStreamIsTerminal() && qsos.Size() > kProgressThreshold);
    for (std::size_t i = 0; i < qsos.Size(); ++i) {
        QsoStore::Entry qso = qsos.Get(i);
        session.Offer(qso, countries.CachedLookup(qso.call).c_str());
        progress.Step(i + 1);
    }
    progress.Finish();

    const char* report = session.Result();
    PrintHostCommands(err, hostMode);
    if (!report) return Fail(err, kExitPlugin, pluginPath + ": the plugin returned no report");
    if (!WriteToStandardOutput(report, std::char_traits<char>::length(report)))
        return Fail(err, kExitFailure, "cannot write the report to standard output");

    const RunCounts& counts = session.Counts();
    err << kProgram << counts.offered << " QSOs offered: " << counts.accepted << " accepted ("
        << counts.duplicates << " of them duplicates), " << counts.refused << " refused\n"
        << kProgram << "refused QSOs are listed in " << (workDir / "err.txt").string() << '\n';
    if (options.cabrillo)
        err << kProgram << "the Cabrillo log is in " << workDir.string()
            << " (the plugin's notice above names it)\n";
    if (hostMode.Switched()) err << kProgram << "now working in " << hostMode.Describe() << '\n';
    if (options.timing) {
        using Seconds = std::chrono::duration<double>;
        const double total = Seconds(std::chrono::steady_clock::now() - runStart).count();
        const double inPlugin = Seconds(session.PluginTime()).count();
        char line[160];
        std::snprintf(line, sizeof line, "timing: %.3f s in all, %.3f s (%.0f%%) in the plugin\n",
                      total, inPlugin, total > 0 ? 100.0 * inPlugin / total : 0.0);
        err << kProgram << line;
    }
    return kExitOk;
}

}  // namespace tavik::host
