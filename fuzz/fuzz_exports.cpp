// The entry points, called in the order the input chooses with hostile texts, dates
// and numbers, and what the host relies on checked after every call: the answers'
// ranges, duplicates against a model of the accepted QSOs, the report's totals and
// score, err.txt, the stored claimed score and the Cabrillo file.
// SetupSet0 is never called: it only shows a message.
#include <fuzzer/FuzzedDataProvider.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>
#include <set>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "abi/plugin_client.h"
#include "cabrillo/header_settings.h"
#include "fuzz/tiny_pe.h"
#include "platform/profile_text.h"
#include "rules/cis_prefix.h"
#include "tests/support/qso_spec.h"

// Declared through the host's own function types, so a changed export fails to compile.
extern "C" {
std::remove_pointer_t<GetNumberOfSetsFn> GetNumberOfSets;
std::remove_pointer_t<GetSetNameFn> GetSetName;
std::remove_pointer_t<GetExchgCount0Fn> GetExchgCount0;
std::remove_pointer_t<ResetStats0Fn> ResetStats0;
std::remove_pointer_t<AddData0Fn> AddData0;
std::remove_pointer_t<RemoveData0Fn> RemoveData0;
std::remove_pointer_t<CheckCall0Fn> CheckCall0;
std::remove_pointer_t<IsValidExchg0Fn> IsValidExchg0;
std::remove_pointer_t<GetResult0Fn> GetResult0;
}

namespace abi = tavik::abi;

namespace fs = std::filesystem;

namespace {

// The standard error stream as it was at start: the run discards the one the
// plugin's messages go to (-close_fd_mask=2), but a failure must still be seen.
int reportFd = STDERR_FILENO;

[[noreturn]] void Fail(const char* what, const std::string& detail = {}) {
    dprintf(reportFd, "fuzz_exports: %s%s%.300s\n", what, detail.empty() ? "" : ": ",
            detail.c_str());
    std::abort();
}

#define EXPECT(condition, detail) \
    do {                          \
        if (!(condition)) Fail(#condition, detail); \
    } while (0)

std::string Text(const char* text) { return text ? text : ""; }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool ReadFile(const char* path, std::string& text) {
    struct stat info;
    if (stat(path, &info) != 0 || !S_ISREG(info.st_mode)) return false;
    std::ifstream in(path, std::ios::binary);
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool IsRegularFile(const char* path) {
    struct stat info;
    return stat(path, &info) == 0 && S_ISREG(info.st_mode);
}

void WriteFile(const char* path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// Texts that steer into the rules: calls, CIS and other prefixes, modes, bands,
// control numbers, and texts that break formats and lines.
const char* const kWords[] = {
    "DL1ABC", "UA9XX", "ua9xx", "R9AV/6", "4L0A", "UA", "UA9", "UA2", "UN", "EX", "4L",
    "GM", "UR", "DL", "K", "ua", "QPSK63", "qpsk63", "QPSK31", "BPSK31", "PSK", "20M",
    "20m", "80M", "160M", "10M", "2M", "40M", "0001", "1234", "9999", "0000", "123",
    "12345", "12a4", " 1234", "1234 ", "599", "579", "%s%n%s%n%99999999d%", "%", "%%",
    "%lld", "\r\n", "\r", "\n", "Total\t 1\t 3\t 1\r\nScore = 3 * 1 = 3 \r\n",
    "\xC4\xD6\xDC\xFF\x80", "\xEF\xBB\xBF", "Qorv2.exe", "..", ".", "/", "\\", "a/b\\c",
    "err.txt", "Plugins", "[Settings]", "Claimed=1", "<CR><LF>", "\t", " ", "MULTI-OP",
};

struct Worked {
    std::string countryPrefix;
    std::string exchangeReceived;
};
using WorkedKey = std::pair<std::string, std::string>;  // call, band

// What the plugin is expected to hold and to have written.
struct Model {
    std::map<WorkedKey, Worked> worked;
    std::vector<WorkedKey> takenBack;  // a few removed keys, to ask about again
    std::string ownCall;
    bool ownStationIsCis = false;
    int32_t exportFlag = 0;
    // What the input did to the folder: which files can no longer be checked.
    bool settingsBlocked = false;
    bool errorLogBlocked = false;
    bool cabrilloBlocked = false;
    std::string hostVersion;  // expected CREATED-BY text, when a host file was placed
    bool hostVersionKnown = true;
};

class Arguments {
public:
    explicit Arguments(FuzzedDataProvider& data) : data_(data) {}

    // Null, empty, a steering word, random bytes, or a long repeated pattern.
    const char* Text() {
        switch (data_.ConsumeIntegralInRange(0, 9)) {
            case 0:
                return nullptr;
            case 1:
                return Keep("");
            case 2:
            case 3:
            case 4:
                return Keep(data_.PickValueInArray(kWords));
            case 5: {
                std::string pattern = data_.ConsumeRandomLengthString(8);
                if (pattern.empty() || pattern[0] == '\0') pattern = "W";
                static const size_t kLengths[] = {255, 256, 4095, 65536, (1u << 20) - 1,
                                                  1u << 20};
                const size_t length = data_.PickValueInArray(kLengths);
                if (length > hugeBudget_) return Keep(pattern);
                hugeBudget_ -= length;
                std::string text;
                text.reserve(length);
                while (text.size() < length) text.append(pattern, 0, length - text.size());
                return Keep(std::move(text));
            }
            default:
                return Keep(data_.ConsumeRandomLengthString(64));
        }
    }

    const COleDateTime* Date() {
        if (data_.ConsumeIntegralInRange(0, 7) == 0) return nullptr;
        static const double kValues[] = {
            std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::quiet_NaN(),
            std::numeric_limits<double>::signaling_NaN(), std::numeric_limits<double>::infinity(),
            -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::max(),
            std::numeric_limits<double>::lowest(), std::numeric_limits<double>::denorm_min(),
            1e300, -1e300, 9.3e18, -9.3e18, 2958465.999994, 2958466.0, -657434.0, -657435.0,
            -657434.999999, 0.0, -0.0, -0.5, -1.25, 45920.5, 45921.99999999, 41531.50347222222};
        COleDateTime date{};
        date.value = data_.ConsumeBool() ? data_.PickValueInArray(kValues)
                                         : data_.ConsumeFloatingPoint<double>();
        static const int32_t kStatuses[] = {kDateTimeValid, kDateTimeInvalid, kDateTimeNull, -1,
                                            3, std::numeric_limits<int32_t>::min()};
        date.status = data_.ConsumeIntegralInRange(0, 3) != 0 ? kDateTimeValid
                                                              : data_.PickValueInArray(kStatuses);
        dates_.push_back(date);
        return &dates_.back();
    }

    // Frequencies near the bands and the type's ends as well as anything.
    uint32_t Frequency() {
        static const uint32_t kValues[] = {0, 999, 1000, 3580000, 14070150, 4294967295u,
                                           4294967000u};
        return data_.ConsumeBool() ? data_.PickValueInArray(kValues)
                                   : data_.ConsumeIntegral<uint32_t>();
    }

    int32_t Int() { return data_.ConsumeIntegral<int32_t>(); }
    double Double() { return data_.ConsumeFloatingPoint<double>(); }

    // Texts and dates need to live only for the call that received them.
    void EndCall() {
        texts_.clear();
        dates_.clear();
    }

private:
    const char* Keep(std::string text) {
        texts_.push_back(std::move(text));
        return texts_.back().c_str();
    }

    FuzzedDataProvider& data_;
    std::deque<std::string> texts_;
    std::deque<COleDateTime> dates_;
    size_t hugeBudget_ = 4u << 20;  // keeps one input to a few milliseconds
};

// The exports called through the typed client; the others are called directly.
abi::PluginFunctions LinkedFunctions() {
    abi::PluginFunctions plugin;
    plugin.resetStats0 = ResetStats0;
    plugin.addData0 = AddData0;
    plugin.removeData0 = RemoveData0;
    plugin.checkCall0 = CheckCall0;
    return plugin;
}
const abi::PluginFunctions kPlugin = LinkedFunctions();

// The known state each input begins and ends with.
int32_t ResetToKnownState() {
    abi::RunSetup run;
    run.ownCall = "DL1ABC";
    run.ownCountryPrefix = "DL";
    run.periodStart = {45920.5, kDateTimeValid};
    run.periodEnd = {45921.5, kDateTimeValid};
    return abi::ResetStats(kPlugin, run);
}

std::string workFolder;

void RemoveWorkFolder() {
    std::error_code error;
    fs::current_path("/", error);
    if (!workFolder.empty()) fs::remove_all(workFolder, error);
}

// Back to a folder holding only an empty Plugins folder.
void ClearWorkFolder() {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(".", error)) {
        if (entry.path().filename() == "Plugins" && entry.is_directory() && !entry.is_symlink())
            continue;
        fs::remove_all(entry.path(), error);
    }
    fs::create_directory("Plugins", error);
    for (const auto& entry : fs::directory_iterator("Plugins", error))
        fs::remove_all(entry.path(), error);
}

class Session {
public:
    explicit Session(FuzzedDataProvider& data) : data_(data), args_(data) {}

    void Run() {
        // The plugin's state outlives one input: begin each from a known one.
        EXPECT(ResetToKnownState() == 1, "");
        model_.ownCall = "DL1ABC";

        for (int step = 0; step < 64 && data_.remaining_bytes() > 0; ++step) {
            switch (data_.ConsumeIntegralInRange(0, 13)) {
                case 0: Reset(); break;
                case 1: case 2: case 3: Add(nullptr); break;
                case 4: Add(PickWorked()); break;
                case 5: Remove(nullptr); break;
                case 6: Remove(PickWorked()); break;
                case 7: Check(); break;
                case 8: ValidExchange(); break;
                case 9: Result(); break;
                case 10: SetQuestions(); break;
                case 11:
                    if (data_.ConsumeBool()) Bulk();
                    break;
                default: Tamper(); break;
            }
            args_.EndCall();
            ProbeWorked();
        }
        Result();
        args_.EndCall();
        // Leave the lists empty: what one input stored is then not taken for a leak.
        EXPECT(ResetToKnownState() == 1, "");
    }

private:
    const WorkedKey* PickWorked() {
        if (model_.worked.empty()) return nullptr;
        auto it = model_.worked.begin();
        std::advance(it, data_.ConsumeIntegralInRange<size_t>(0, model_.worked.size() - 1));
        return &it->first;
    }

    void Reset() {
        const int32_t flags[] = {0, 0, 1, -1, args_.Int()};
        const int32_t exportFlag = data_.PickValueInArray(flags);
        const char* ownCall = args_.Text();
        const COleDateTime* start = args_.Date();
        const COleDateTime* end = args_.Date();
        const char* ownPrefix = args_.Text();
        const char* t[10];
        for (const char*& text : t) text = args_.Text();
        const int32_t result = ResetStats0(t[0], exportFlag, ownCall, start, end, t[1], t[2], t[3],
                                           t[4], t[5], t[6], t[7], t[8], t[9], ownPrefix,
                                           args_.Int(), args_.Int(), args_.Int(), args_.Double(),
                                           args_.Double(), args_.Text(), args_.Text(), args_.Text());
        EXPECT(result == 1, std::to_string(result));
        model_.worked.clear();
        model_.takenBack.clear();
        model_.ownCall = Text(ownCall);
        model_.ownStationIsCis = tavik::IsCisPrefix(Text(ownPrefix).c_str()) != 0;
        model_.exportFlag = exportFlag;
        CheckErrorLogExists();
    }

    // A random QSO, or one on a worked call and band when same is given.
    abi::QsoRecord MakeQso(const WorkedKey* same) {
        abi::QsoRecord q;
        q.ownCallLogged = args_.Text();
        q.call = same ? same->first.c_str() : args_.Text();
        if (const COleDateTime* time = args_.Date())
            q.time = *time;
        else
            q.raw.noTime = true;
        q.frequencyHz = args_.Frequency();
        q.mode = data_.ConsumeIntegralInRange(0, 3) != 0 ? "QPSK63" : args_.Text();
        q.rstSent = args_.Text();
        q.rstReceived = args_.Text();
        q.exchangeSent = args_.Text();
        q.exchangeReceived = args_.Text();
        q.countryPrefix = args_.Text();
        q.band = same ? same->second.c_str() : args_.Text();
        return q;
    }

    int32_t CallAdd(abi::QsoRecord q) {
        q.raw.unusedText = data_.ConsumeBool() ? nullptr : "";
        q.raw.otherDates = args_.Date();
        return abi::Add(kPlugin, q);
    }

    void Add(const WorkedKey* same) {
        const WorkedKey sameKey = same ? *same : WorkedKey{};  // the model may change below
        const abi::QsoRecord q = MakeQso(same ? &sameKey : nullptr);
        const int32_t result = CallAdd(q);
        // Only QPSK63 with both control numbers counts; everything else is refused.
        const bool acceptable = Text(q.mode) == "QPSK63" && !Text(q.exchangeSent).empty() &&
                                !Text(q.exchangeReceived).empty();
        EXPECT(result == (acceptable ? 1 : 0),
               "AddData0 answered " + std::to_string(result) + " for mode " + Text(q.mode));
        if (result == 1) {
            model_.worked.try_emplace(WorkedKey{Text(q.call), Text(q.band)},
                                      Worked{Text(q.countryPrefix), Text(q.exchangeReceived)});
        }
        CheckErrorLogExists();
    }

    void Remove(const WorkedKey* same) {
        const WorkedKey sameKey = same ? *same : WorkedKey{};
        abi::QsoRecord q = MakeQso(same ? &sameKey : nullptr);
        q.raw.unusedText = data_.ConsumeBool() ? nullptr : "";
        q.raw.otherDates = nullptr;
        const int32_t result = abi::Remove(kPlugin, q);
        EXPECT(result == 1, std::to_string(result));
        const WorkedKey key{Text(q.call), Text(q.band)};
        if (model_.worked.erase(key) != 0 && model_.takenBack.size() < 16)
            model_.takenBack.push_back(key);
    }

    int32_t CallCheck(const char* call, const char* band, const char* bandCheck) {
        char buffer27[64] = "untouched";
        char buffer28[64] = "untouched";
        const bool buffers = data_.ConsumeBool();
        abi::CallCheckRawArguments raw;
        raw.text4 = raw.unusedText = data_.ConsumeBool() ? nullptr : "";
        const int32_t result =
            abi::CheckCall(kPlugin, call, band, bandCheck, buffers ? buffer27 : nullptr,
                           buffers ? buffer28 : nullptr, raw);
        EXPECT(result == 0 || result == 1 || result == 4, std::to_string(result));
        return result;
    }

    void Check() {
        const WorkedKey* same = data_.ConsumeBool() ? PickWorked() : nullptr;
        const WorkedKey sameKey = same ? *same : WorkedKey{};
        const char* call = same ? sameKey.first.c_str() : args_.Text();
        const char* band = same ? sameKey.second.c_str() : args_.Text();
        const char* bandCheck = data_.ConsumeBool() ? band : args_.Text();
        const int32_t result = CallCheck(call, band, bandCheck);
        const bool bandsDisagree = band && bandCheck && !EqualIgnoringCase(band, bandCheck);
        if (bandsDisagree) {
            EXPECT(result == 4, std::to_string(result));
        } else if (!call || !band) {
            EXPECT(result == 1, std::to_string(result));
        } else {
            const bool worked = model_.worked.count(WorkedKey{call, band}) != 0;
            EXPECT(result == (worked ? 0 : 1),
                   "CheckCall0 answered " + std::to_string(result) + " for " + Text(call));
        }
    }

    // A few worked and taken-back QSOs asked about after every step: the index must
    // agree with the model through growth, removals and compaction.
    void ProbeWorked() {
        if (!model_.worked.empty()) {
            const WorkedKey* key = PickWorked();
            const int32_t result = CallCheck(key->first.c_str(), key->second.c_str(), nullptr);
            EXPECT(result == 0, "worked QSO not found: " + key->first + " " + key->second);
        }
        for (const WorkedKey& key : model_.takenBack) {
            const bool worked = model_.worked.count(key) != 0;
            const int32_t result = CallCheck(key.first.c_str(), key.second.c_str(), nullptr);
            EXPECT(result == (worked ? 0 : 1), "taken-back QSO: " + key.first + " " + key.second);
        }
    }

    void ValidExchange() {
        const char* exchange = args_.Text();
        const int32_t result = IsValidExchg0(exchange, args_.Text(), args_.Text(), args_.Text(),
                                             args_.Int(), args_.Int(), args_.Int());
        const std::string text = Text(exchange);
        bool fourDigits = text.size() == 4;
        for (char c : text) fourDigits = fourDigits && c >= '0' && c <= '9';
        EXPECT(result == (fourDigits ? 1 : 0), text);
    }

    void SetQuestions() {
        EXPECT(GetNumberOfSets() == 1, "");
        const int32_t index = data_.ConsumeBool() ? 0 : args_.Int();
        const char* name = GetSetName(index);
        EXPECT(name != nullptr, "");
        EXPECT(std::string(name) == (index == 0 ? "CIS DX PSK " : ""), name);
        EXPECT(GetExchgCount0(args_.Text(), args_.Text(), args_.Text()) == 1, "");
    }

    // Enough QSOs on one band to grow the index, then enough taken back to squeeze
    // the list; the steps after it see whether anything got lost.
    void Bulk() {
        if (bulkDone_) return;
        bulkDone_ = true;
        // Squeezing starts at 1024 holes that outnumber the records left.
        static const size_t kCounts[] = {1100, 2100, 2600};
        const size_t count = data_.ConsumeBool() ? data_.ConsumeIntegralInRange<size_t>(0, 64)
                                                 : data_.PickValueInArray(kCounts);
        const size_t keepEvery = data_.ConsumeIntegralInRange<size_t>(0, 4);
        QsoSpec added;
        added.time = {45920.6, kDateTimeValid};
        added.raw.otherDates = &added.time;
        added.rstReceived = "599";
        added.exchangeSent = "0001";
        // Taken back by call and band alone: no time, no dates, the rest empty.
        abi::QsoRecord removed;
        removed.raw.noTime = true;
        removed.raw.otherDates = nullptr;
        removed.band = "20M";
        char call[32];
        char exchange[8];
        for (size_t i = 0; i < count; ++i) {
            std::snprintf(call, sizeof call, "B%zu", i);
            std::snprintf(exchange, sizeof exchange, "%04zu", i % 50);
            const char* prefix = i % 3 == 0 ? "UA" : "DL";
            added.call = call;
            added.exchangeReceived = exchange;
            added.countryPrefix = prefix;
            const int32_t result = abi::Add(kPlugin, added);
            EXPECT(result == 1, call);
            model_.worked.try_emplace(WorkedKey{call, "20M"}, Worked{prefix, exchange});
        }
        for (size_t i = 0; i < count; ++i) {
            if (keepEvery != 0 && i % keepEvery == 0) continue;
            std::snprintf(call, sizeof call, "B%zu", i);
            removed.call = call;
            EXPECT(abi::Remove(kPlugin, removed) == 1, call);
            model_.worked.erase(WorkedKey{call, "20M"});
        }
    }

    // Files in the way of the plugin's outputs, settings edited by hand, a host program.
    void Tamper() {
        std::error_code error;
        switch (data_.ConsumeIntegralInRange(0, 6)) {
            case 0:
                fs::remove_all("Plugins", error);
                model_.settingsBlocked = true;
                break;
            case 1:
                fs::remove_all("err.txt", error);
                fs::create_directory("err.txt", error);
                model_.errorLogBlocked = true;
                break;
            case 2:
                if (fs::is_directory("Plugins", error) && !model_.settingsBlocked)
                    WriteFile("Plugins/Tavik.ini", data_.ConsumeRandomLengthString(4096));
                break;
            case 3:
                fs::remove_all("Plugins/Tavik.ini", error);
                fs::create_directory("Plugins/Tavik.ini", error);
                model_.settingsBlocked = true;
                break;
            case 4:
                if (!model_.errorLogBlocked) fs::remove("err.txt", error);
                break;
            case 5: {
                const uint32_t ms = data_.ConsumeIntegral<uint32_t>();
                const uint32_t ls = data_.ConsumeIntegral<uint32_t>();
                const bool qorv3 = data_.ConsumeBool();
                WriteFile(qorv3 ? "Qorv3.exe" : "Qorv2.exe", fuzz::TinyPe(ms, ls, data_.ConsumeBool()));
                // Qorv2.exe, when it opens, decides; Qorv3.exe only counts without it.
                if (!qorv3 || !IsRegularFile("Qorv2.exe")) {
                    char text[48];
                    if ((ms >> 16) == 2)
                        std::snprintf(text, sizeof text, "%u.%u", ms >> 16, ms & 0xFFFFu);
                    else
                        std::snprintf(text, sizeof text, "%u.%u.%u", ms >> 16, ms & 0xFFFFu,
                                      ls >> 16);
                    model_.hostVersion = text;
                    model_.hostVersionKnown = true;
                }
                break;
            }
            default:
                WriteFile(data_.ConsumeBool() ? "Qorv2.exe" : "Qorv3.exe",
                          data_.ConsumeRandomLengthString(2048));
                model_.hostVersionKnown = false;
                break;
        }
    }

    void CheckErrorLogExists() {
        if (!model_.errorLogBlocked) EXPECT(IsRegularFile("err.txt"), "err.txt missing");
    }

    void Result() {
        int32_t exportDone = 12345;
        const bool withFlag = data_.ConsumeBool();
        const char* answer = GetResult0(withFlag ? &exportDone : nullptr);
        EXPECT(answer != nullptr, "");
        const std::string report = answer;
        EXPECT(StartsWith(report, " CIS DX PSK "), report.substr(0, 40));

        // Totals and score of the accepted QSOs, worked out from the model.
        int64_t qsos = 0;
        int64_t points = 0;
        std::set<std::pair<std::string, std::string>> multipliers;  // band, control number
        for (const auto& [key, qso] : model_.worked) {
            if (key.first.empty()) continue;  // not counted in the report
            ++qsos;
            points += !model_.ownStationIsCis && tavik::IsCisPrefix(qso.countryPrefix.c_str())
                          ? 3
                          : 1;
            multipliers.emplace(key.second, qso.exchangeReceived);
        }
        const int64_t mults = static_cast<int64_t>(multipliers.size());
        const int64_t score = points * mults;
        char tail[256];
        std::snprintf(tail, sizeof tail,
                      "Total\t %" PRId64 "\t %" PRId64 "\t %" PRId64 "\r\nScore = %" PRId64
                      " * %" PRId64 " = %" PRId64 " \r\n",
                      qsos, points, mults, points, mults, score);
        EXPECT(EndsWith(report, tail),
               std::string("expected ") + tail + " report ends " +
                   report.substr(report.size() > 120 ? report.size() - 120 : 0));

        EXPECT(exportDone == (withFlag && model_.exportFlag != 0 ? -1 : 12345),
               std::to_string(exportDone));
        CheckClaimedSetting(score);
        if (model_.exportFlag != 0) CheckCabrilloLog(score);
    }

    void CheckClaimedSetting(int64_t score) {
        if (model_.settingsBlocked) return;
        std::string text;
        EXPECT(ReadFile("Plugins/Tavik.ini", text), "no settings file");
        const std::string claimed = tavik::LookUpProfileValue(text, "Settings", "Claimed", "none");
        EXPECT(claimed == std::to_string(score), "Claimed=" + claimed);
    }

    void CheckCabrilloLog(int64_t score) {
        const std::string name = tavik::BaseNameForCall(model_.ownCall) + ".cbr";
        if (name.size() > 255) return;  // longer than a file name may be
        std::string log;
        EXPECT(ReadFile(name.c_str(), log), name);
        EXPECT(StartsWith(log, "START-OF-LOG: 3.0\r\nCONTEST: CIS-QPSK63-DX\r\n"), log.substr(0, 60));
        EXPECT(EndsWith(log, "END-OF-LOG:\r\n"), name);
        EXPECT(log.find("\r\nCLAIMED-SCORE: " + std::to_string(score) + "\r\n") != std::string::npos,
               name);
        if (model_.hostVersionKnown)
            EXPECT(log.find("\r\nCREATED-BY: Qorv " + model_.hostVersion + "\r\n") !=
                       std::string::npos,
                   "CREATED-BY, expected " + model_.hostVersion);
    }

    FuzzedDataProvider& data_;
    Arguments args_;
    Model model_;
    bool bulkDone_ = false;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Called before libFuzzer handles its flags, so this is still the real stream.
    if (const int saved = dup(STDERR_FILENO); saved >= 0) reportFd = saved;
    // No terminal: neither the header form nor a message box may wait for a key.
    const int devNull = open("/dev/null", O_RDONLY);
    if (devNull < 0 || dup2(devNull, STDIN_FILENO) < 0) Fail("cannot redirect stdin");
    close(devNull);
    // No session bus of the machine may be reached while switching the host's mode.
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
    unsetenv("DISPLAY");

    // The plugin writes by bare relative names: one private folder for the whole run,
    // in memory where possible because the settings file is synced on every change.
    std::error_code error;
    const fs::path base = fs::is_directory("/dev/shm", error) && access("/dev/shm", W_OK) == 0
                              ? fs::path("/dev/shm")
                              : fs::temp_directory_path();
    std::string folder = (base / "fuzz_exports.XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) Fail("cannot create the working folder", folder);
    workFolder = folder;
    std::atexit(RemoveWorkFolder);
    setenv("XDG_RUNTIME_DIR", workFolder.c_str(), 1);
    fs::current_path(workFolder);
    fs::create_directory("Plugins");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    ClearWorkFolder();
    FuzzedDataProvider data(bytes, size);
    Session(data).Run();
    return 0;
}
