// A log as the user has it, ADIF or Cabrillo, read into QSOs.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "host/adif_reader.h"
#include "host/qso_mapping.h"
#include "host/source_file.h"

namespace tavik::host {

struct LogSummary {
    bool cabrillo = false;
    std::size_t records = 0;   // QSO records found, skipped ones and X-QSO lines included
    std::size_t excluded = 0;  // X-QSO lines: counted, never offered
    std::string ownCall;       // as the log gives it; "" when it does not
};

class QsoHandler {
public:
    virtual ~QsoHandler() = default;
    // A QSO the plugin can be offered, with the offset and number of its record.
    virtual void OnQso(const Qso& qso, std::size_t offset, std::size_t record) = 0;
};

// Whether text is a Cabrillo log: its first line that is not blank is START-OF-LOG:.
bool IsCabrilloLog(std::string_view text);

// Reads an ADIF or a Cabrillo log, whichever the text is. Throws InputError when it
// is neither (no ADIF tag at all), or at the first problem of a strict Diagnostics.
// For an ADIF log, from and end are as ReadAdif takes them (an own call is found
// only in a reading from the start).
LogSummary ReadLog(const SourceFile& source, QsoHandler& handler, Diagnostics& diagnostics,
                   const AdifResumePoint* from = nullptr, AdifResumePoint* end = nullptr);

// The Cabrillo part of ReadLog.
LogSummary ReadCabrilloLog(const SourceFile& source, QsoHandler& handler,
                           Diagnostics& diagnostics);

}  // namespace tavik::host
