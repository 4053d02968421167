// Command line of tavik-host.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "host/input/call_list.h"
#include "host/input/contest_period.h"
#include "host/input/country_file.h"

namespace tavik::host {

enum ExitCode : int {
    kExitOk = 0,
    kExitUsage = 1,   // bad command line
    kExitInput = 2,   // log, country file or working folder unusable
    kExitPlugin = 3,  // plugin missing, not loadable, or incomplete
    kExitFailure = 4,  // anything else, such as running out of memory
    kExitOutput = 5    // an output the run should have left is missing or incomplete
};


struct Options {
    bool help = false;
    bool version = false;
    std::string logPath;
    std::string countryFile = kDefaultCountryFile;
    std::string pluginPath;  // empty: the plugin beside the executable
    std::string workDir;     // empty: tavik/ in the user's data folder
    std::string ownCall;     // empty: from the log
    std::optional<double> start;  // automation dates
    std::optional<double> end;
    bool cabrillo = false;  // run with the export flag: header form and Cabrillo log
    bool timing = false;    // print the run's time and the plugin's share of it
    bool strict = false;    // the first problem in the log stops the run
    bool watch = false;     // follow the log, scoring each change as it comes
    std::string jsonPath;   // empty: no JSON summary; "-": standard output
    bool automation = true;  // offer the host's automation object during the run
    bool verbose = false;   // also tell what is only of interest when looking into a run
    bool all = false;       // every QSO of a long log, not only its latest contest weekend
    bool bell = false;      // the window rings the terminal bell on a dupe
    std::string callList = kDefaultCallList;  // super-check-partial calls for the window

    PeriodSettings PeriodGiven() const { return {start, end, all}; }
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// args excludes the program name. Throws UsageError.
Options ParseOptions(const std::vector<std::string>& args);

std::string UsageText();
// "tavik-host <version>\n"
std::string VersionText();

}  // namespace tavik::host
