// Cross-checks the entrants' logs against each other: QSOs matched across logs
// after each log's clock offset is corrected, busted calls and control numbers,
// QSOs the partner did not log, unique calls. Knows nothing of files or of the
// plugin: the program gives it the QSOs as read and as the plugin judged them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tavik::check {

enum class Verdict {
    kOk,
    kUnique,          // counts, but the partner sent no log and no other log names it
    kDupe,            // the plugin's rule: the call was already worked on the band
    kNil,             // the partner's log holds no such QSO
    kBustedCall,      // detail: the right call
    kBustedExchange,  // detail: the control number the partner sent
    kOutOfPeriod,
    kRefused,         // detail: the plugin's reason
};
// "ok", "unique", "dupe", "nil", "busted-call", "busted-exchange", "out-of-period", "refused".
const char* VerdictName(Verdict verdict);
// Whether a QSO of this verdict stays in the checked log.
inline bool Counts(Verdict verdict) { return verdict == Verdict::kOk || verdict == Verdict::kUnique; }

// One QSO line of one log, as logged.
struct LoggedQso {
    std::size_t line = 0;      // 1-based line of the log's file
    std::string band;          // as the plugin takes it ("20M"); compared exactly
    std::int64_t minute = 0;   // UTC minutes since 1970-01-01, by the log's clock
    std::string call;          // the worked station's call, upper case
    std::string sent;          // control number sent
    std::string received;      // control number received
    // The plugin's verdict of the log scored alone: kOk, kDupe, kOutOfPeriod or
    // kRefused. Only kOk QSOs take part in the cross-check; the others keep theirs.
    Verdict alone = Verdict::kOk;
    std::string aloneDetail;   // the plugin's reason for kRefused
};

struct EntrantLog {
    std::string call;               // the log's own call, upper case
    std::vector<LoggedQso> qsos;    // in file order
};

struct CheckSettings {
    int windowMinutes = 5;       // largest time difference of a match, after correction
    std::size_t fewestMatches = 5;  // fewer unambiguous matches: the clock is not corrected
    int maxOffsetMinutes = 180;  // a clock is never off by more
    unsigned jobs = 1;           // threads; 0 = as many as the machine has
};

// Where a QSO's verdict came from: the partner's QSO that it matched (or that
// showed the bust), when there is one.
struct Evidence {
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::size_t log = kNone;   // index into the logs given to Check
    std::size_t qso = kNone;   // index into that log's qsos
};

struct QsoOutcome {
    Verdict verdict = Verdict::kOk;
    std::string detail;        // the right call, the partner's number, the plugin's reason
    Evidence evidence;
};

struct LogOutcome {
    bool offsetKnown = false;   // enough matches to tell the clock
    std::int64_t offsetMinutes = 0;  // the log's clock minus true time; 0 when not known
    std::size_t matches = 0;    // unambiguous matches the offset was told from
    std::vector<QsoOutcome> qsos;    // one per LoggedQso, same order
};

struct CheckOutcome {
    std::vector<LogOutcome> logs;    // one per EntrantLog, same order
};

// Progress: called now and then from the calling thread with work done and total.
using CheckProgress = void (*)(void* context, std::size_t done, std::size_t total);

CheckOutcome Check(const std::vector<EntrantLog>& logs, const CheckSettings& settings,
                   CheckProgress progress = nullptr, void* progressContext = nullptr);

}  // namespace tavik::check
