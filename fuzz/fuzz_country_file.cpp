// The country-file reader and the call lookup on any bytes. The input is the file's
// text, optionally followed by a NUL and calls to look up, one a line; the words of
// the text itself, and portable forms of them, are looked up as well.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/input/country_file.h"
#include "host/input/source_file.h"

using tavik::host::CountryFile;
using tavik::host::InputError;
using tavik::host::SourceFile;

namespace {

[[noreturn]] void Fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "fuzz_country_file: %s: %.300s\n", what, detail.c_str());
    std::abort();
}

#define EXPECT(condition, detail) \
    do {                          \
        if (!(condition)) Fail(#condition, detail); \
    } while (0)

std::string Lowered(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// Words of the text: candidate prefixes and calls, '=' and overrides included.
void AddWords(std::string_view text, std::vector<std::string>& calls) {
    size_t start = 0;
    for (size_t i = 0; i <= text.size() && calls.size() < 200; ++i) {
        if (i == text.size() || std::string_view(" ,;:\r\n\t").find(text[i]) != std::string_view::npos) {
            if (i > start) calls.emplace_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::string input(reinterpret_cast<const char*>(bytes), size);
    const size_t split = input.find('\0');
    const SourceFile source{"cty.dat", input.substr(0, split)};

    std::vector<std::string> calls;
    if (split != std::string::npos) {
        const std::string listed = input.substr(split + 1);
        for (size_t start = 0; start <= listed.size();) {
            const size_t end = std::min(listed.find('\n', start), listed.size());
            calls.push_back(listed.substr(start, end - start));
            start = end + 1;
        }
    }
    AddWords(source.text, calls);

    std::optional<CountryFile> parsed;
    try {
        parsed = CountryFile::Parse(source);
    } catch (const InputError& error) {
        // A malformed file is reported with its place in the file.
        EXPECT(std::string(error.what()).rfind("cty.dat: line ", 0) == 0, error.what());
        return 0;
    }
    CountryFile& countries = *parsed;
    EXPECT(countries.EntityCount() > 0, "parsed without an entity");

    // Enough calls to make the lookup cache grow (past 512), few enough to stay fast.
    const size_t base = calls.size();
    for (size_t i = 0; i < base; ++i) {
        const std::string call = calls[i];  // the vector grows below
        calls.push_back(call + "/P");
        calls.push_back(call + "/3");
        calls.push_back("DL/" + call);
        calls.push_back(call + "/" + call);
    }
    for (const std::string& call : calls) {
        const std::string& entity = countries.Lookup(call);
        // Letter case and surrounding blanks do not matter; the cache changes nothing.
        EXPECT(countries.Lookup(Lowered(call)) == entity, call);
        EXPECT(countries.Lookup(" \t" + call + "\r\n") == entity, call);
        EXPECT(countries.CachedLookup(call) == entity, call);
        EXPECT(countries.CachedLookup(call) == entity, call);
    }
    return 0;
}
