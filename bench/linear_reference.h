// The scoring rules written the plainest way: one vector of QSOs searched from the
// front, a band list searched by scanning, the report built by walking every QSO
// once per band. Slow on purpose; the benchmark checks the plugin against it.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "bench/log_generator.h"

namespace tavik_bench {

bool IsCisPrefixLinear(const std::string& prefix);

class LinearReference {
public:
    LinearReference() = default;
    ~LinearReference();
    LinearReference(const LinearReference&) = delete;
    LinearReference& operator=(const LinearReference&) = delete;

    // Refusals go to errorFile, one line each, so the reference pays for its
    // error output as the plugin does.
    int Reset(const std::string& ownCall, double periodStart, double periodEnd,
              const std::string& ownCountryPrefix, const std::string& errorFile);
    int Add(const Qso& qso);
    int Remove(const Qso& qso);
    int CheckCall(const std::string& call, const std::string& band,
                  const std::string& bandCheck) const;
    std::string Result();

    std::size_t StoredCount() const { return records_.size(); }
    long long LastScore() const { return lastScore_; }

private:
    struct Record {
        std::string call;
        std::string band;
        std::string exchangeReceived;
        std::string countryPrefix;
    };

    std::vector<Record> records_;
    std::vector<std::string> bands_;
    std::string ownCall_;
    double periodStart_ = 0;
    double periodEnd_ = 0;
    bool ownStationIsCis_ = false;
    std::FILE* errors_ = nullptr;
    long long lastScore_ = 0;
};

// "%d.%m" style formatting of a host date-time value (rounded to whole seconds).
std::string FormatAutomationDate(double value, bool withYear);

}  // namespace tavik_bench
