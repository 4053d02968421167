// A log as the user has it, ADIF or Cabrillo, read into QSOs.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "host/input/adif_reader.h"
#include "host/input/qso_mapping.h"
#include "host/input/source_file.h"

namespace tavik::host {

// Where an ADIF log names the own station; the first that does wins, in this order.
struct OwnCallSources {
    std::string headerStation, firstStation, headerOperator, firstOperator;
    std::string Pick() const;
    // What a later part of the log names counts only where this part named nothing.
    void Follow(const OwnCallSources& later);
};

struct LogSummary {
    bool cabrillo = false;
    std::size_t records = 0;   // QSO records found, skipped ones and X-QSO lines included
    std::size_t excluded = 0;  // X-QSO lines: counted, never offered
    std::string ownCall;       // as the log gives it; "" when it does not
    OwnCallSources callSources;  // of an ADIF log, what ownCall was picked from
};

class QsoHandler {
public:
    virtual ~QsoHandler() = default;
    // A QSO the plugin can be offered, with the offset and number of its record;
    // what is to be told of it goes to diagnostics, the reading's.
    virtual void OnQso(const Qso& qso, std::size_t offset, std::size_t record,
                       Diagnostics& diagnostics) = 0;
};

// Whether text is a Cabrillo log: its first line that is not blank is START-OF-LOG:.
bool IsCabrilloLog(std::string_view text);

// Reads an ADIF or a Cabrillo log, whichever the text is. Throws InputError when it
// is neither (no ADIF tag at all), or at the first problem of a strict Diagnostics.
// For an ADIF log, from and end are as ReadAdif takes them (an own call is found
// only in a reading from the start).
LogSummary ReadLog(const SourceFile& source, QsoHandler& handler, Diagnostics& diagnostics,
                   const AdifResumePoint* from = nullptr, AdifResumePoint* end = nullptr);

// ReadLog for a first reading of a large ADIF log on two threads: the part from the
// first <EOR> after the middle goes to second, the part before it to first, and
// everything is told as one reading in order would tell it. When halved comes back
// false (a small, strict or Cabrillo log, no clean place to part it, or more than
// keptMost problems in the second half to keep until the first is told) first had
// the whole log and second's figures are to be left out. Threads: second (and the
// reading of the second half) runs on a worker thread while first runs on the
// caller's; the halves share only source's bytes, lines are counted once they join.
LogSummary ReadLogInHalves(const SourceFile& source, QsoHandler& first, QsoHandler& second,
                           Diagnostics& diagnostics, bool& halved,
                           std::size_t smallest = std::size_t(4) << 20,
                           std::size_t keptMost = 65536);

// The Cabrillo part of ReadLog.
LogSummary ReadCabrilloLog(const SourceFile& source, QsoHandler& handler,
                           Diagnostics& diagnostics);

}  // namespace tavik::host
