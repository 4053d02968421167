// The Cabrillo header fields in one table: where each lives in the record, which
// control of the header dialog shows it, under which key the settings file keeps
// it, and which line of the log it feeds. The rows stand in the order of the log's
// lines; the settings, the dialog and the log writer all walk this table.
#pragma once

#include <array>
#include <string>

#include "cabrillo/dialog_layout.h"
#include "cabrillo/header_settings.h"

namespace tavik {

// Where a field's value comes from when the header step begins.
enum class FieldStart {
    kOwnCall,  // the own call sign handed in
    kStored,   // read from its key; a missing key gives the empty text
    kStoredOrOwnCall,  // read from its key; a missing key gives the own call
    kFixed,    // always the fixed text; a stored key is not read
    kKept,     // left as the last confirmed dialog set it
};

// When the log has the field's line.
enum class LineWhen { kNever, kAlways, kMultiOp, kMultiOpNotEmpty, kNotMultiOp, kNotMultiOpNotEmpty };

// Lines of the log that are no field: written at their row.
enum class SpecialLine { kNone, kClaimedScore, kCreatedBy };

struct HeaderField {
    std::string HeaderSettings::*member;  // null for a special line
    int controlId;             // 0: not in the dialog
    const char* settingsKey;   // null: not in the settings file
    FieldStart start;
    const char* fixed;         // kFixed: the text
    bool shownAtStart;         // the dialog opens with the field's value
    bool collected;            // OK takes the control's text back
    int writeOrder;            // 1..13: the order of writing to the settings file; 0: never
    bool multiLine;            // kept with <CR><LF> in the file, tagged per line in the log
    const char* tag;           // the log's tag, null for none
    LineWhen when;
    SpecialLine special = SpecialLine::kNone;
};

inline constexpr std::array<HeaderField, 21> kHeaderFields{{
    {&HeaderSettings::callSign, kIdCallSign, nullptr, FieldStart::kOwnCall, nullptr, true, true, 0, false,
     "CALLSIGN: ", LineWhen::kAlways},
    {&HeaderSettings::categoryOperator, kIdCategoryOperator, "Category", FieldStart::kFixed, "SINGLE-OP", true,
     true, 7, false, "CATEGORY-OPERATOR: ", LineWhen::kAlways},
    {&HeaderSettings::categoryTransmitter, kIdCategoryTransmitter, nullptr, FieldStart::kKept, nullptr, false,
     true, 0, false, "CATEGORY-TRANSMITTER: ", LineWhen::kMultiOp},
    {&HeaderSettings::categoryOverlay, kIdCategoryOverlay, nullptr, FieldStart::kKept, nullptr, false, true, 0,
     false, "CATEGORY-OVERLAY: ", LineWhen::kMultiOpNotEmpty},
    {&HeaderSettings::categoryBand, kIdCategoryBand, nullptr, FieldStart::kFixed, "ALL", true, true, 0, false,
     "CATEGORY-BAND: ", LineWhen::kNotMultiOp},
    {&HeaderSettings::categoryPower, kIdCategoryPower, "Power", FieldStart::kFixed, "HIGH", true, true, 8, false,
     "CATEGORY-POWER: ", LineWhen::kNotMultiOp},
    {&HeaderSettings::categoryTime, kIdCategoryTime, nullptr, FieldStart::kFixed, "", true, true, 0, false,
     "CATEGORY-TIME: ", LineWhen::kNotMultiOpNotEmpty},
    {&HeaderSettings::offTime, kIdOffTime, "Offtime", FieldStart::kStored, nullptr, true, true, 13, true,
     "OFFTIME: ", LineWhen::kNotMultiOpNotEmpty},
    {nullptr, 0, nullptr, FieldStart::kKept, nullptr, false, false, 0, false, "CLAIMED-SCORE: ",
     LineWhen::kNotMultiOp, SpecialLine::kClaimedScore},
    {&HeaderSettings::operators, kIdOperators, "Operators", FieldStart::kStoredOrOwnCall, nullptr, true, true, 1, false,
     "OPERATORS: ", LineWhen::kAlways},
    {nullptr, 0, nullptr, FieldStart::kKept, nullptr, false, false, 0, false, "CREATED-BY: Qorv ",
     LineWhen::kAlways, SpecialLine::kCreatedBy},
    {&HeaderSettings::name, kIdName, "Name", FieldStart::kStored, nullptr, true, true, 2, false, "NAME: ",
     LineWhen::kAlways},
    {&HeaderSettings::address, kIdAddress, "Address", FieldStart::kStored, nullptr, true, true, 3, false,
     "ADDRESS: ", LineWhen::kAlways},
    {&HeaderSettings::addressCity, kIdAddressCity, "Address_City", FieldStart::kStored, nullptr, true, true, 4,
     false, "ADDRESS-CITY: ", LineWhen::kAlways},
    {&HeaderSettings::addressPostalCode, kIdAddressPostalCode, "Address_PostalCode", FieldStart::kStored,
     nullptr, true, true, 5, false, "ADDRESS-POSTALCODE: ", LineWhen::kAlways},
    {&HeaderSettings::addressCountry, kIdAddressCountry, "Address_Country", FieldStart::kStored, nullptr, true,
     true, 6, false, "ADDRESS-COUNTRY: ", LineWhen::kAlways},
    {&HeaderSettings::email, kIdEmail, "Email", FieldStart::kStored, nullptr, true, true, 10, false, "EMAIL: ",
     LineWhen::kAlways},
    {&HeaderSettings::soapBox, kIdSoapBox, "SoapBox", FieldStart::kStored, nullptr, true, true, 12, true,
     "SOAPBOX: ", LineWhen::kAlways},
    // Kept in the settings file and the dialog, but no line of the log.
    {&HeaderSettings::claimed, kIdClaimed, "Claimed", FieldStart::kStored, nullptr, true, false, 0, false,
     nullptr, LineWhen::kNever},
    {&HeaderSettings::contest, kIdContest, "Contest", FieldStart::kFixed, "CIS-QPSK63-DX", true, true, 9, false,
     nullptr, LineWhen::kNever},
    {&HeaderSettings::club, kIdClub, "Club", FieldStart::kStored, nullptr, true, true, 11, false, nullptr,
     LineWhen::kNever},
}};

}  // namespace tavik
