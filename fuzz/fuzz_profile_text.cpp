// Settings-file text: lookups and edits on any text, names and values.
// The input is NUL-separated: file text, section, key, value, then section and key
// pairs of other settings to read before and after the edit. A part that is the
// single byte 0x01 stands for a null pointer; missing parts take plain names.
//
// After writing a value, reading it back must give the value, and no other setting
// may change; this holds when the names are ones a settings line can carry: no line
// breaks (they are flattened when written but not when read), and a key that does not
// start with '[' or ';' and has no '=' (the line would read as a section, a comment
// or another key), nor with a byte-order mark. A value reads back as written when reading neither trims it nor
// strips quotes from it; in the form the plugin stores (QuoteForProfile) any value
// without line breaks must.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/profile_text.h"
#include "cabrillo/settings_store.h"

namespace {

[[noreturn]] void Fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "fuzz_profile_text: %s: %.400s\n", what, detail.c_str());
    std::abort();
}

#define EXPECT(condition, detail) \
    do {                          \
        if (!(condition)) Fail(#condition, detail); \
    } while (0)

using Name = std::optional<std::string>;

const char* Pointer(const Name& name) { return name ? name->c_str() : nullptr; }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
    a = Trim(a);
    b = Trim(b);
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

bool IsUsableSection(const Name& section) { return section && !HasLineBreak(*section); }

bool IsUsableKey(const Name& key) {
    if (!key || HasLineBreak(*key) || key->find('=') != std::string::npos) return false;
    const std::string_view trimmed = Trim(*key);
    // A key line that becomes the file's first would lose a leading byte-order mark.
    if (trimmed.substr(0, 3) == "\xEF\xBB\xBF") return false;
    return trimmed.empty() || (trimmed.front() != '[' && trimmed.front() != ';');
}

// Read as written: no blanks to trim and no pair of quotes to strip.
bool ReadsAsWritten(std::string_view value) {
    if (Trim(value).size() != value.size()) return false;
    return !(value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
             value.back() == value.front());
}

constexpr const char* kMissing = "\x02missing";

struct Probe {
    Name section;
    Name key;
};

// Every probe that (section, key) does not name reads the same from both texts.
void ExpectOthersKept(const std::vector<Probe>& probes, const std::string& before,
                      const std::string& after, const Name& section, const Name& key) {
    for (const Probe& probe : probes) {
        if (!IsUsableSection(probe.section) || !probe.key || HasLineBreak(*probe.key)) continue;
        const bool sameSection = SameName(*probe.section, *section);
        if (sameSection && (!key || SameName(*probe.key, *key))) continue;
        const std::string old =
            tavik::LookUpProfileValue(before, Pointer(probe.section), Pointer(probe.key), kMissing);
        const std::string now =
            tavik::LookUpProfileValue(after, Pointer(probe.section), Pointer(probe.key), kMissing);
        EXPECT(old == now, "[" + *probe.section + "] " + *probe.key + ": '" + old + "' became '" +
                               now + "'\nbefore:\n" + before + "\nafter:\n" + after);
    }
}

// Edits, checks that a refused edit leaves the output alone, and returns the text
// as it is after the edit.
std::string Edit(const std::string& text, const Name& section, const Name& key, const Name& value,
                 bool& changed) {
    const std::string untouched = "\x03untouched";
    std::string edited = untouched;
    changed = tavik::EditProfileText(text, Pointer(section), Pointer(key), Pointer(value), edited);
    if (!changed) {
        EXPECT(edited == untouched, "output written although the edit was refused");
        return text;
    }
    EXPECT(section.has_value(), "edit without a section");
    return edited;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::string input(reinterpret_cast<const char*>(bytes), size);
    std::vector<Name> parts;
    for (size_t start = 0;;) {
        const size_t end = input.find('\0', start);
        const std::string part = input.substr(start, end - start);
        parts.push_back(part == "\x01" ? Name() : Name(part));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    const auto part = [&parts](size_t i, const char* otherwise) {
        return i < parts.size() ? parts[i] : Name(otherwise);
    };
    const std::string text = parts[0] ? *parts[0] : std::string();
    const Name section = part(1, "Settings");
    const Name key = part(2, "Claimed");
    const Name value = part(3, "42");
    std::vector<Probe> probes;
    for (size_t i = 4; i + 1 < parts.size(); i += 2) probes.push_back({parts[i], parts[i + 1]});
    probes.push_back({Name("Settings"), Name("Claimed")});
    probes.push_back({Name(""), Name("Claimed")});

    // Lookups of anything, with any default; a value found stays within its line.
    const std::string found = tavik::LookUpProfileValue(text, Pointer(section), Pointer(key), kMissing);
    EXPECT(found == kMissing || !HasLineBreak(found), found);
    if (!section || !key) EXPECT(found == kMissing, found);

    bool changed = false;
    const std::string edited = Edit(text, section, key, value, changed);
    if (!IsUsableSection(section) || (key && HasLineBreak(*key))) return 0;
    if (!key || !value) {
        // Removing a section or a key leaves every other setting as it was.
        ExpectOthersKept(probes, text, edited, section, key);
        return 0;
    }
    if (!IsUsableKey(key) || HasLineBreak(*value)) return 0;

    if (ReadsAsWritten(*value)) {
        const std::string back = tavik::LookUpProfileValue(edited, Pointer(section), Pointer(key), kMissing);
        EXPECT(back == *value, "wrote '" + *value + "', read '" + back + "' from:\n" + edited);
        // Once written, the same write finds nothing to do.
        bool again = false;
        Edit(edited, section, key, value, again);
        EXPECT(!again, "second identical write changed the text:\n" + edited);
    }
    ExpectOthersKept(probes, text, edited, section, key);

    // As the plugin stores its settings, every value reads back exactly.
    const Name stored = tavik::QuoteForProfile(*value);
    const std::string storedText = Edit(text, section, key, stored, changed);
    const std::string back = tavik::LookUpProfileValue(storedText, Pointer(section), Pointer(key), kMissing);
    EXPECT(back == *value, "stored '" + *stored + "' for '" + *value + "', read '" + back +
                               "' from:\n" + storedText);
    bool storedAgain = false;
    Edit(storedText, section, key, stored, storedAgain);
    EXPECT(!storedAgain, "second identical write changed the text:\n" + storedText);
    ExpectOthersKept(probes, text, storedText, section, key);
    return 0;
}
