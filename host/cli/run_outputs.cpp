#include "host/cli/run_outputs.h"

#include <algorithm>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <system_error>

#include "host/cli/program_messages.h"
#include "host/input/source_file.h"
#include "platform/standard_streams.h"

namespace fs = std::filesystem;

namespace tavik::host {

namespace {

// Lines of a file (line feeds), or nullopt when it cannot be read.
std::optional<std::size_t> LineCount(const std::string& path) {
    std::string error;
    std::unique_ptr<InputBytes> bytes = OpenInputBytes(path, error);
    if (!bytes) return std::nullopt;
    std::string_view text = bytes->Bytes();
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

}  // namespace

CabrilloStamps CabrilloLogs(const fs::path& folder) {
    CabrilloStamps logs;
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

Status CheckErrorLog(const fs::path& workDir, std::size_t refused, std::ostream& err) {
    const std::string errorLog = (workDir / "err.txt").string();
    const std::optional<std::size_t> errorLines = LineCount(errorLog);
    if (!errorLines || *errorLines < refused + 1) {
        return Failure{FailureKind::kOutput,
                       errorLog + " " +
                           (errorLines ? "lists " + std::to_string(*errorLines ? *errorLines - 1 : 0) +
                                             " of the " + std::to_string(refused) +
                                             " refused QSOs (is the disk full?)"
                                       : std::string("was not written"))};
    }
    err << kProgram << "refused QSOs are listed in " << errorLog << '\n';
    return Ok();
}

Status CheckCabrilloLog(const fs::path& workDir, const CabrilloStamps& before, std::ostream& err) {
    std::string written;
    for (const auto& [name, stamp] : CabrilloLogs(workDir)) {
        auto old = before.find(name);
        if (old == before.end() || old->second != stamp) written = name;
    }
    if (written.empty()) {
        return Failure{FailureKind::kOutput, "no Cabrillo log was written in " + workDir.string() +
                                                 " (the plugin's notice above tells why)"};
    }
    err << kProgram << "the Cabrillo log is in " << (workDir / written).string() << '\n';
    return Ok();
}

Status WriteJsonSummary(std::string_view report, const RunFigures& figures,
                        const std::string& path, const std::string& shownPath) {
    std::optional<ReportFigures> reportFigures = ParseReport(report);
    if (!reportFigures)
        return Failure{FailureKind::kOutput,
                       "the plugin's report is not laid out as expected; no JSON summary written"};
    return WriteJsonText(SummaryJson(*reportFigures, figures), path, shownPath);
}

Status WriteJsonText(const std::string& json, const std::string& path,
                     const std::string& shownPath) {
    const bool written = path == "-" ? WriteToStandardOutput(json.data(), json.size())
                                     : static_cast<bool>(WriteFileAtomically(path, json));
    if (!written)
        return Failure{FailureKind::kOutput, "cannot write the JSON summary to " + shownPath};
    return Ok();
}

Status WriteFileAtomically(const std::string& path, std::string_view data) {
    std::error_code error;
    fs::path target = fs::weakly_canonical(fs::path(path), error);
    if (error) target = fs::path(path);
    fs::path temporary = target;
    temporary += ".tavik-new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out.write(data.data(), static_cast<std::streamsize>(data.size())) || !out.flush()) {
            out.close();
            fs::remove(temporary, error);
            return Failure{FailureKind::kOutput, "cannot write " + temporary.string()};
        }
    }
    fs::rename(temporary, target, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return Failure{FailureKind::kOutput, "cannot replace " + target.string() + ": " + error.message()};
    }
    return Ok();
}

std::string JsonPathConflict(const std::string& jsonPath, const std::string& logPath,
                             const std::string& countryPath, const std::string& workDir) {
    if (jsonPath.empty() || jsonPath == "-") return {};
    const fs::path folder(workDir);
    const std::pair<fs::path, const char*> guarded[] = {
        {logPath, "the log"},
        {countryPath, "the country file"},
        {folder / "err.txt", "the plugin's list of refused QSOs"},
        {folder / "Plugins" / "Tavik.ini", "the plugin's stored header fields"},
    };
    std::error_code error;
    const fs::path json = fs::weakly_canonical(fs::path(jsonPath), error);
    for (const auto& [path, what] : guarded) {
        std::error_code sameError;
        if (fs::equivalent(fs::path(jsonPath), path, sameError) && !sameError) return what;
        std::error_code canonicalError;
        const fs::path other = fs::weakly_canonical(path, canonicalError);
        if (!error && !canonicalError && json == other) return what;
    }
    return {};
}

}  // namespace tavik::host
