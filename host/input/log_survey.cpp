#include "host/input/log_survey.h"

namespace tavik::host {

std::string OutsideThePeriod(const Qso& qso) {
    return "QSO with " + Printable(qso.call) + " at " + FormatAutomationDate(qso.time) +
           " is outside the contest period; not offered";
}

}  // namespace tavik::host
