// Which QSOs fall in the contest period the options give.
#pragma once

#include <optional>

#include "host/options.h"
#include "host/qso_mapping.h"

namespace tavik::host {

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

}  // namespace tavik::host
