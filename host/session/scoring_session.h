// The calls a logging program makes on the plugin during one scoring run.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "abi/plugin_client.h"
#include "host/session/plugin_loader.h"
#include "host/input/qso_mapping.h"

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
    bool CheckCall(const char* call, const char* band);  // untimed
    // The one place a host QSO becomes the plugin's record.
    abi::QsoRecord RecordOf(const QsoView& qso, const char* countryPrefix) const;

    const PluginApi& api_;
    std::string ownCall_;
    RunCounts counts_;
    std::chrono::steady_clock::duration pluginTime_{};
};

}  // namespace tavik::host
