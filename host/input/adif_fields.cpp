// The fields of a record that the host reads, known by their names.
#include "host/input/adif_reader.h"
#include "host/input/ascii_text.h"

namespace tavik::host {

AdifField ClassifyFieldName(std::string_view name) {
    // Runs for every field of the log: one switch on the length, then few comparisons.
    switch (name.size()) {
        case 3:
            if (MatchesUpper(name, "STX")) return AdifField::Stx;
            if (MatchesUpper(name, "SRX")) return AdifField::Srx;
            break;
        case 4:
            if (MatchesUpper(name, "CALL")) return AdifField::Call;
            if (MatchesUpper(name, "FREQ")) return AdifField::Freq;
            if (MatchesUpper(name, "MODE")) return AdifField::Mode;
            if (MatchesUpper(name, "BAND")) return AdifField::Band;
            break;
        case 7:
            if (MatchesUpper(name, "TIME_ON")) return AdifField::TimeOn;
            if (MatchesUpper(name, "SUBMODE")) return AdifField::Submode;
            break;
        case 8:
            if (MatchesUpper(name, "QSO_DATE")) return AdifField::QsoDate;
            if (MatchesUpper(name, "RST_SENT")) return AdifField::RstSent;
            if (MatchesUpper(name, "RST_RCVD")) return AdifField::RstRcvd;
            if (MatchesUpper(name, "OPERATOR")) return AdifField::Operator;
            break;
        case 10:
            if (MatchesUpper(name, "STX_STRING")) return AdifField::StxString;
            if (MatchesUpper(name, "SRX_STRING")) return AdifField::SrxString;
            break;
        case 16:
            if (MatchesUpper(name, "STATION_CALLSIGN")) return AdifField::StationCallsign;
            break;
    }
    return AdifField::Other;
}

void AdifRecord::Clear() {
    present_ = 0;
    fieldCount_ = 0;
    offset_ = 0;
    number_ = 0;
}

}  // namespace tavik::host
