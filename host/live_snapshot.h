// What the live score window shows after an update, gathered by the watch loop and
// drawn by the view; nothing in here talks to the plugin.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tavik::host {

// One of the last QSOs of the log, as it fared.
struct LiveQso {
    std::string call;
    std::string band;
    double time = 0;  // automation date
    enum class Outcome { kCounted, kDuplicate, kRefused } outcome = Outcome::kCounted;
    int points = 0;             // what it added to the score's points (counted QSOs)
    bool newMultiplier = false;  // its control number was new on its band
    std::string reason;          // why it was refused, as err.txt says
};

struct LiveSnapshot {
    std::string logName;     // as given on the command line
    std::string status;      // one line on the state of the log ("following", "deleted" ...)
    std::string report;      // the plugin's result report (CR LF line ends)
    std::vector<LiveQso> lastQsos;  // oldest first, at most a screenful
    std::size_t rateLast10 = 0;     // QSOs in the 10 and 60 minutes before the latest QSO
    std::size_t rateLast60 = 0;
    double firstHour = 0;            // automation date of the first bar's hour
    std::vector<std::size_t> qsosPerHour;  // one bar per hour from firstHour on
    // Control numbers worked on each band, in the report's band order.
    std::vector<std::pair<std::string, std::vector<std::string>>> multipliersByBand;
    std::vector<std::string> warnings;  // the reader's latest warnings, oldest first
};

// For each band of the run, whether call is a duplicate there (true) or new.
using CallChecker =
    std::function<std::vector<std::pair<std::string, bool>>(const std::string& call)>;

}  // namespace tavik::host
