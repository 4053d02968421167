// The Cabrillo header fields, kept from run to run in the settings file and
// reviewed in the header dialog; and the log's QSO lines and file-name stem.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cabrillo/qso_lines.h"
#include "base/date_time_record.h"

namespace tavik {

class HeaderSettings {
public:
    std::string callSign;
    std::string name;
    std::string address;
    std::string addressCity;
    std::string addressPostalCode;
    std::string addressCountry;
    std::string claimed;
    std::string contest;
    std::string email;
    std::string club;
    std::string soapBox;
    std::string offTime;
    std::string operators;
    std::string categoryOperator;
    std::string categoryPower;
    std::string categoryTransmitter;
    std::string categoryTime;
    std::string categoryBand;
    std::string categoryOverlay;
    std::string baseName;
    QsoLines qsoLines;

    // Loads the stored fields, shows the header dialog and saves what the user
    // confirms. 1 after OK, 0 otherwise.
    int32_t EditHeaderSettings(const char* ownCall);

    // Formats one QSO line and appends it to qsoLines.
    void AddQsoLine(const char* call, int32_t frequencyKhz, const char* mode,
                    const COleDateTime& time, const char* rstSent, const char* exchangeSent,
                    const char* rstReceived, const char* exchangeReceived);

    // Writes baseName + ".cbr" and returns the text for the user: which file was
    // produced, or why it was not.
    std::string WriteCabrilloLog(int64_t claimedScore) const;
    // The text for the user when the log could not be written, and why.
    std::string NotProducedNotice(const std::string& why) const;

    // The log's whole text, as WriteCabrilloLog writes it.
    std::string CabrilloText(int64_t claimedScore, const std::string& hostVersion) const;

private:
    // The lines before the QSO lines.
    std::string HeaderText(int64_t claimedScore, const std::string& hostVersion) const;
};

// The file-name stem for an own call sign ("Tavik" when nothing usable is left).
std::string BaseNameForCall(const std::string& ownCall);

// The host's version for the CREATED-BY line, "" when none is found.
std::string HostVersionText();

// Multi-line texts: display form (CR LF), stored form (<CR><LF>), Cabrillo form
// (each line break followed by the tag of the next line).
std::string StoredFormOf(const std::string& display);
std::string DisplayFormOf(const std::string& stored);
std::string CabrilloFormOf(const std::string& stored, const char* tag);


}  // namespace tavik
