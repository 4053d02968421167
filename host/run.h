// One scoring run of the plugin over a log.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <chrono>
#include <optional>
#include <string>

#include "host/options.h"
#include "host/plugin_loader.h"
#include "host/qso_mapping.h"

namespace tavik::host {

struct RunCounts {
    std::size_t offered = 0;
    std::size_t accepted = 0;    // duplicates included, as AddData0 counts them
    std::size_t duplicates = 0;  // accepted but already worked on the band
    std::size_t refused = 0;
};

// The calls a logging program makes during one run, with the arguments it passes.
class ScoringSession {
public:
    explicit ScoringSession(const PluginApi& api) : api_(api) {}

    void Start(const std::string& ownCall, const std::string& ownCountryPrefix, double periodStart,
               double periodEnd, std::int32_t exportFlag);
    // Offers one QSO; a QSO without its own station call is logged under the run's.
    // True when the plugin accepted it (a duplicate included).
    bool Offer(const QsoView& qso, const char* countryPrefix);
    // Takes a QSO back (the stored one of its call and band).
    void Remove(const QsoView& qso, const char* countryPrefix);
    // Whether call was worked on band.
    bool Worked(const char* call, const char* band);
    // The report, or nullptr if the plugin gave none.
    const char* Result();

    const RunCounts& Counts() const { return counts_; }
    // Time spent inside the plugin's entry points so far.
    std::chrono::steady_clock::duration PluginTime() const { return pluginTime_; }

private:
    const PluginApi& api_;
    std::string ownCall_;
    RunCounts counts_;
    std::chrono::steady_clock::duration pluginTime_{};
};

// QSOs of the contest period; without --start and --end every QSO is in it.
class Period {
public:
    explicit Period(const Options& options) : start_(options.start), end_(options.end) {}
    bool Contains(double time) const {
        const double linear = LinearTime(time);
        return (!start_ || linear >= LinearTime(*start_)) && (!end_ || linear <= LinearTime(*end_));
    }

private:
    std::optional<double> start_, end_;
};

// The plugin the options name, else the one beside this program, else the one
// installed with it (../lib/tavik/). "" with error set when there is none.
std::string FindPlugin(const Options& options, std::string& error);

// Makes the working folder of the options current and its Plugins folder exist;
// false with error set when that cannot be done.
bool EnterWorkFolder(const Options& options, std::string& error);

// A file name with its folder, from the current folder when it has none.
std::string Absolute(const std::string& path);

// The whole program after option parsing: messages go to err, the report to
// standard output. Returns the exit status.
int RunHost(const Options& options, std::ostream& err);

}  // namespace tavik::host
