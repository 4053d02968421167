#include "cabrillo/header_settings.h"

#include "cabrillo/cabrillo_dialog.h"
#include "cabrillo/dialog_layout.h"
#include "base/replace_all.h"
#include "cabrillo/settings_store.h"

namespace tavik {
namespace {

bool IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Characters that Windows refuses in a file name.
bool IsForbiddenInFileName(char c) {
    const unsigned char byte = static_cast<unsigned char>(c);
    return byte < 0x20 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' ||
           c == '*';
}

}  // namespace

std::string BaseNameForCall(const std::string& ownCall) {
    std::string stem = ReplaceAll(ReplaceAll(ownCall, "/", "_"), "\\", "_");
    size_t first = 0;
    while (first < stem.size() && IsWhiteSpace(stem[first])) ++first;
    size_t last = stem.size();
    while (last > first && IsWhiteSpace(stem[last - 1])) --last;
    stem = stem.substr(first, last - first);
    for (char& c : stem)
        if (IsForbiddenInFileName(c)) c = '_';
    return stem.empty() ? "Tavik" : stem;
}

std::string StoredFormOf(const std::string& display) {
    return ReplaceAll(ReplaceAll(display, "\r", "<CR>"), "\n", "<LF>");
}

std::string DisplayFormOf(const std::string& stored) {
    return ReplaceAll(ReplaceAll(stored, "<CR>", "\r"), "<LF>", "\n");
}

std::string CabrilloFormOf(const std::string& stored, const char* tag) {
    return ReplaceAll(ReplaceAll(stored, "<CR>", std::string("\r\n") + tag), "<LF>", "");
}

int32_t HeaderSettings::EditHeaderSettings(const char* ownCallText) {
    const std::string ownCall = ownCallText ? ownCallText : "";
    callSign = ownCall;
    baseName = BaseNameForCall(ownCall);

    // Values are read whole: a soapbox of a few lines is longer than a short buffer.
    operators = ReadSetting("Operators", ownCall.c_str());
    name = ReadSetting("Name", "");
    address = ReadSetting("Address", "");
    addressCity = ReadSetting("Address_City", "");
    addressPostalCode = ReadSetting("Address_PostalCode", "");
    addressCountry = ReadSetting("Address_Country", "");
    claimed = ReadSetting("Claimed", "");
    offTime = DisplayFormOf(ReadSetting("Offtime", ""));
    contest = "CIS-QPSK63-DX";
    categoryOperator = "SINGLE-OP";
    categoryPower = "HIGH";
    categoryBand = "ALL";
    categoryTime.clear();
    email = ReadSetting("Email", "");
    club = ReadSetting("Club", "");
    soapBox = DisplayFormOf(ReadSetting("SoapBox", ""));

    Cabrillo dialog;
    dialog.SetText(kIdCallSign, ownCall);
    dialog.SetText(kIdOperators, operators);
    dialog.SetText(kIdCategoryTime, categoryTime);
    dialog.SetText(kIdCategoryOperator, categoryOperator);
    dialog.SetText(kIdName, name);
    dialog.SetText(kIdCategoryPower, categoryPower);
    dialog.SetText(kIdCategoryBand, categoryBand);
    dialog.SetText(kIdAddress, address);
    dialog.SetText(kIdAddressCity, addressCity);
    dialog.SetText(kIdAddressPostalCode, addressPostalCode);
    dialog.SetText(kIdAddressCountry, addressCountry);
    dialog.SetText(kIdClaimed, claimed);
    dialog.SetText(kIdContest, contest);
    dialog.SetText(kIdEmail, email);
    dialog.SetText(kIdClub, club);
    dialog.SetText(kIdSoapBox, soapBox);
    dialog.SetText(kIdOffTime, offTime);

    if (dialog.DoModal() != kDialogOk) {
        // Nothing is saved, but the log still gets its two multi-line fields tagged
        // line by line.
        offTime = CabrilloFormOf(StoredFormOf(offTime), "OFFTIME: ");
        soapBox = CabrilloFormOf(StoredFormOf(soapBox), "SOAPBOX: ");
        return 0;
    }

    callSign = dialog.Text(kIdCallSign);
    operators = dialog.Text(kIdOperators);
    categoryTime = dialog.Text(kIdCategoryTime);
    categoryOperator = dialog.Text(kIdCategoryOperator);
    categoryPower = dialog.Text(kIdCategoryPower);
    name = dialog.Text(kIdName);
    address = dialog.Text(kIdAddress);
    addressCity = dialog.Text(kIdAddressCity);
    addressPostalCode = dialog.Text(kIdAddressPostalCode);
    addressCountry = dialog.Text(kIdAddressCountry);
    categoryBand = dialog.Text(kIdCategoryBand);
    categoryTransmitter = dialog.Text(kIdCategoryTransmitter);
    contest = dialog.Text(kIdContest);
    email = dialog.Text(kIdEmail);
    club = dialog.Text(kIdClub);
    offTime = dialog.Text(kIdOffTime);
    categoryOverlay = dialog.Text(kIdCategoryOverlay);
    soapBox = dialog.Text(kIdSoapBox);

    offTime = StoredFormOf(offTime);
    soapBox = StoredFormOf(soapBox);

    WriteSettings({{"Operators", operators},
                   {"Name", name},
                   {"Address", address},
                   {"Address_City", addressCity},
                   {"Address_PostalCode", addressPostalCode},
                   {"Address_Country", addressCountry},
                   {"Category", categoryOperator},
                   {"Power", categoryPower},
                   {"Contest", contest},
                   {"Email", email},
                   {"Club", club},
                   {"SoapBox", soapBox},
                   {"Offtime", offTime}});

    offTime = CabrilloFormOf(offTime, "OFFTIME: ");
    soapBox = CabrilloFormOf(soapBox, "SOAPBOX: ");
    qsoLines.clear();
    return 1;
}

}  // namespace tavik
