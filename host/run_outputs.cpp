#include "host/run_outputs.h"

#include <algorithm>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <system_error>

#include "host/program_messages.h"
#include "host/source_file.h"
#include "host/system.h"

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

bool CheckErrorLog(const fs::path& workDir, std::size_t refused, std::ostream& err) {
    const std::string errorLog = (workDir / "err.txt").string();
    const std::optional<std::size_t> errorLines = LineCount(errorLog);
    if (!errorLines || *errorLines < refused + 1) {
        err << kProgram << "error: " << errorLog << " "
            << (errorLines ? "lists " + std::to_string(*errorLines ? *errorLines - 1 : 0) +
                                 " of the " + std::to_string(refused) +
                                 " refused QSOs (is the disk full?)"
                           : std::string("was not written"))
            << '\n';
        return false;
    }
    err << kProgram << "refused QSOs are listed in " << errorLog << '\n';
    return true;
}

bool CheckCabrilloLog(const fs::path& workDir, const CabrilloStamps& before, std::ostream& err) {
    std::string written;
    for (const auto& [name, stamp] : CabrilloLogs(workDir)) {
        auto old = before.find(name);
        if (old == before.end() || old->second != stamp) written = name;
    }
    if (written.empty()) {
        err << kProgram << "error: no Cabrillo log was written in " << workDir.string()
            << " (the plugin's notice above tells why)\n";
        return false;
    }
    err << kProgram << "the Cabrillo log is in " << (workDir / written).string() << '\n';
    return true;
}

bool WriteJsonSummary(std::string_view report, const RunFigures& figures, const std::string& path,
                      const std::string& shownPath, std::ostream& err) {
    std::optional<ReportFigures> reportFigures = ParseReport(report);
    if (!reportFigures) {
        err << kProgram << "error: the plugin's report is not laid out as expected; no JSON "
                           "summary written\n";
        return false;
    }
    const std::string json = SummaryJson(*reportFigures, figures);
    bool written = false;
    if (path == "-") {
        written = WriteToStandardOutput(json.data(), json.size());
    } else {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        written = static_cast<bool>(out.write(json.data(),
                                              static_cast<std::streamsize>(json.size()))) &&
                  static_cast<bool>(out.flush());
    }
    if (!written)
        err << kProgram << "error: cannot write the JSON summary to " << shownPath << '\n';
    return written;
}

}  // namespace tavik::host
