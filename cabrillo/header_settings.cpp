#include "cabrillo/header_settings.h"

#include <algorithm>
#include <vector>

#include "cabrillo/cabrillo_dialog.h"
#include "cabrillo/dialog_layout.h"
#include "cabrillo/header_fields.h"
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
    baseName = BaseNameForCall(ownCall);
    // Values are read whole: a soapbox of a few lines is longer than a short buffer.
    for (const HeaderField& field : kHeaderFields) {
        if (!field.member) continue;
        std::string& value = this->*field.member;
        switch (field.start) {
            case FieldStart::kOwnCall: value = ownCall; break;
            case FieldStart::kStored: value = ReadSetting(field.settingsKey, ""); break;
            case FieldStart::kStoredOrOwnCall:
                value = ReadSetting(field.settingsKey, ownCall.c_str());
                break;
            case FieldStart::kFixed: value = field.fixed; break;
            case FieldStart::kKept: break;
        }
        if (field.multiLine) value = DisplayFormOf(value);
    }

    Cabrillo dialog;
    for (const HeaderField& field : kHeaderFields)
        if (field.member && field.controlId && field.shownAtStart)
            dialog.SetText(field.controlId, this->*field.member);

    if (dialog.DoModal() != kDialogOk) {
        // Nothing is saved, but the log still gets its multi-line fields tagged line
        // by line.
        for (const HeaderField& field : kHeaderFields)
            if (field.multiLine)
                this->*field.member = CabrilloFormOf(StoredFormOf(this->*field.member), field.tag);
        return 0;
    }

    for (const HeaderField& field : kHeaderFields) {
        if (!field.member || !field.collected) continue;
        this->*field.member = dialog.Text(field.controlId);
        if (field.multiLine) this->*field.member = StoredFormOf(this->*field.member);
    }
    std::vector<Setting> settings;
    for (int order = 1;; ++order) {
        const auto field = std::find_if(kHeaderFields.begin(), kHeaderFields.end(),
                                        [order](const HeaderField& f) { return f.writeOrder == order; });
        if (field == kHeaderFields.end()) break;
        settings.push_back({field->settingsKey, this->*field->member});
    }
    WriteSettings(settings);
    for (const HeaderField& field : kHeaderFields)
        if (field.multiLine) this->*field.member = CabrilloFormOf(this->*field.member, field.tag);
    qsoLines.clear();
    return 1;
}

}  // namespace tavik
