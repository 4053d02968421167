// Logs written as short texts and outcomes read back as one, so that a case of
// the cross-check fits on a line or two:
//   "UA1AA/001: UR2BB 20M 600 002, UR3CC 40M 610 !dupe"
// is the log of UA1AA, sending 001, with a QSO with UR2BB on 20M at minute 600
// in which it received 002, and a QSO the plugin judged a dupe.
#pragma once

#include <string>
#include <vector>

#include "checker/engine/cross_check.h"

namespace tavik::check::testing {

EntrantLog ParseLog(const std::string& text);
std::vector<EntrantLog> ParseLogs(const std::vector<std::string>& texts);

// "UA1AA +60: ok>1.0 nil | UR2BB: busted-call(UA1AA)>0.1": each log's call, its
// offset when known, then each QSO's verdict, (detail) and >log.qso evidence.
std::string Render(const std::vector<EntrantLog>& logs, const CheckOutcome& outcome);

}  // namespace tavik::check::testing
