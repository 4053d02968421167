// The files a run leaves in its working folder, checked before the run says where
// they are, and the JSON summary of its figures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "host/input/result.h"
#include "host/session/report_summary.h"

namespace tavik::host {

// The Cabrillo logs of a folder with their last change, to tell which one a run wrote.
using CabrilloStamps =
    std::map<std::string, std::pair<std::filesystem::file_time_type, std::uintmax_t>>;
CabrilloStamps CabrilloLogs(const std::filesystem::path& folder);

// Each tells on err where its output is; or fails with why it is missing or short.
// err.txt: the header line and one line per refused QSO.
Status CheckErrorLog(const std::filesystem::path& workDir, std::size_t refused, std::ostream& err);
// A Cabrillo log that is new or changed since before was taken.
Status CheckCabrilloLog(const std::filesystem::path& workDir, const CabrilloStamps& before,
                        std::ostream& err);
// The figures of report and of the run as JSON, to path ("-": standard output);
// shownPath names it in messages.
Status WriteJsonSummary(std::string_view report, const RunFigures& figures,
                        const std::string& path, const std::string& shownPath);

// A JSON summary made already, written as WriteJsonSummary writes it.
Status WriteJsonText(const std::string& json, const std::string& path,
                     const std::string& shownPath);

// Replaces the file at path with data in one step: readers see the old bytes or the
// new, never a part. A link is followed: the file it names is replaced.
Status WriteFileAtomically(const std::string& path, std::string_view data);

// Why the JSON summary must not go to jsonPath: it is the log, the country file, or
// one of the plugin's files in the working folder (compared as files, so that links
// and other spellings are caught). "" when it may.
std::string JsonPathConflict(const std::string& jsonPath, const std::string& logPath,
                             const std::string& countryPath, const std::string& workDir);

}  // namespace tavik::host
