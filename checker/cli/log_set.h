// The entrants' logs of one folder, read on several threads into what the plugin
// and the cross-check take.
// Threads: ReadLogSet reads each file on one of its threads, the country file shared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "checker/engine/cross_check.h"
#include "host/input/contest_period.h"
#include "host/input/country_file.h"
#include "host/input/qso_store.h"
#include "host/input/source_file.h"

namespace tavik::check {

// One file of the folder, read or not.
struct EntrantFile {
    static constexpr std::size_t kNoLog = static_cast<std::size_t>(-1);

    std::string name;        // the file's name in the folder
    std::string unreadable;  // why it is not checked; "" when it is
    std::string told;        // the reading's warnings, lines ready to print
    std::string call;        // the own call, upper case
    std::string ownPrefix;   // its country's prefix in the country file
    bool cis = false;
    std::vector<std::pair<std::string, std::string>> categories;  // CATEGORY-X: value
    host::SourceFile source;               // kept for the QSO lines' texts
    host::QsoStore store;                  // the QSOs as the plugin is offered them
    std::vector<const char*> prefixes;     // each worked station's country prefix
    std::vector<std::uint64_t> offsets;    // where each QSO's record starts
    host::QsoTimes times;
    std::size_t log = kNoLog;              // index into LogSet::logs
};

struct LogSet {
    std::vector<EntrantFile> files;          // in the order of their names
    std::vector<EntrantLog> logs;            // of the readable files, in the same order
    std::vector<std::size_t> fileOfLog;      // index into files, per log
    std::size_t qsoLines = 0;
};

// UTC minutes since 1970 of an automation date.
std::int64_t MinuteOf(double automationDate);

// The CATEGORY lines of a Cabrillo log's header ("CATEGORY-POWER: LOW" gives
// POWER, LOW; Cabrillo 2's "CATEGORY: ..." gives an empty name).
std::vector<std::pair<std::string, std::string>> CabrilloCategories(std::string_view text);

// The text of the line that holds offset, without its line end.
std::string_view LineAround(std::string_view text, std::size_t offset);

// Progress of the reading: called from the calling thread with files done.
using ReadProgress = void (*)(void* context, std::size_t done, std::size_t total);

// Reads every regular file of folder (names starting with '.' left out), on jobs
// threads; a second log of a call is unreadable. Throws host::InputError when the
// folder cannot be listed.
LogSet ReadLogSet(const std::string& folder, const host::CountryFile& countries, unsigned jobs,
                  ReadProgress progress = nullptr, void* progressContext = nullptr);

}  // namespace tavik::check
