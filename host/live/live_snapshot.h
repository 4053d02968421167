// What the live score window shows after an update, gathered by the watch loop and
// drawn by the view; nothing in here talks to the plugin.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
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

// The rates of the counted QSOs (dupes and refused ones are left out).
struct LiveRates {
    std::size_t last10Minutes = 0;  // QSOs in the 10 and 60 minutes up to the clock
    std::size_t last60Minutes = 0;
    // QSOs per hour over the last 10 and the last 100 QSOs: N over the minutes from
    // the first of them to the last, both counted; 0 with fewer QSOs than that.
    std::size_t ofLast10Qsos = 0;
    std::size_t ofLast100Qsos = 0;
    std::size_t bestHourQsos = 0;  // the clock hour with the most QSOs so far
    double bestHour = 0;           // automation date of its start
};

struct LiveSnapshot {
    std::string logName;     // as given on the command line
    std::string status;      // one line on the state of the log ("following", "deleted" ...)
    std::string report;      // the plugin's result report (CR LF line ends)
    double now = 0;          // the UTC clock as an automation date; 0: no clock shown
    // The contest period when one is known (given, or the contest weekend chosen).
    std::optional<std::pair<double, double>> period;
    std::vector<LiveQso> lastQsos;  // oldest first, at most a screenful
    std::size_t duplicates = 0;     // logged so far: a rise is a new dupe
    LiveRates rates;
    double firstHour = 0;            // automation date of the first bar's hour
    std::vector<std::size_t> qsosPerHour;  // one bar per hour from firstHour on
    // Control numbers worked on each band, in the report's band order.
    std::vector<std::pair<std::string, std::vector<std::string>>> multipliersByBand;
    std::vector<std::string> warnings;  // the reader's latest warnings, oldest first
};

// What the window shows for a call being typed.
struct CallAnswer {
    // For each band of the run, whether the call is a duplicate there (true) or new.
    std::vector<std::pair<std::string, bool>> bands;
    // Logged calls that hold the text, each with the bands it was worked on.
    std::vector<std::pair<std::string, std::vector<std::string>>> worked;
    std::vector<std::string> known;  // calls of the call list that hold it
    std::string knownProblem;        // why there is no call list, when there is none
};

using CallChecker = std::function<CallAnswer(const std::string& call)>;

}  // namespace tavik::host
