// Command line of tavik-check.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavik::check {

enum CheckExit : int {
    kCheckOk = 0,       // checked what could be read
    kCheckFailed = 1,   // nothing could be done: no folder, no plugin, output not writable
    kCheckUsage = 2,    // bad command line
};

struct CheckOptions {
    bool help = false;
    bool version = false;
    std::string logFolder;
    std::string outFolder;
    std::string countryFile = "/usr/share/hamradio-files/cty.dat";
    std::string pluginPath;         // empty: the plugin beside the program, as tavik-host
    std::optional<double> start;    // automation dates
    std::optional<double> end;
    int windowMinutes = 5;
    unsigned jobs = 0;              // 0: the machine's cores
    bool timing = false;            // time per phase on standard error
};

class CheckUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// args excludes the program name. Throws CheckUsageError.
CheckOptions ParseCheckOptions(const std::vector<std::string>& args);

std::string CheckUsageText();
std::string CheckVersionText();  // "tavik-check <version>\n"

}  // namespace tavik::check
