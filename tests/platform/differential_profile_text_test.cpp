// Our settings-file logic against the system's profile functions: the same writes
// on two copies of a file, then the same reads from both. The two writers may lay
// out new lines differently, so only what reads back is compared.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/profile_text.h"

namespace tavik {
namespace {

struct ProfileWrite {
    std::string section;
    std::optional<std::string> key;    // none removes the section
    std::optional<std::string> value;  // none removes the key
};

struct ProfileRead {
    std::string section;
    std::string key;
};

struct Scenario {
    const char* name;
    std::optional<std::string> initial;  // none: the file does not exist yet
    std::vector<ProfileWrite> writes;
    std::vector<ProfileRead> reads;  // the written keys are read as well
};

// Test names print the scenario's name rather than its bytes.
void PrintTo(const Scenario& scenario, std::ostream* out) { *out << scenario.name; }

constexpr const char* kDefault = "<none>";

std::string Repeated(const char* unit, size_t length) {
    std::string text;
    while (text.size() < length) {
        text += unit;
    }
    text.resize(length);
    return text;
}

const std::string kWindowsFile =
    "; Tavik settings\r\n"
    "\r\n"
    "[Settings]\r\n"
    "Claimed=8\r\n"
    "  Mixed Key \t=\t  spaced value  \r\n"
    "; Commented=99\r\n"
    "Empty=\r\n"
    "Blank=   \r\n"
    "Quoted=\"  two words  \"\r\n"
    "Single='x'\r\n"
    "Unbalanced=\"abc'\r\n"
    "Lone=\"\r\n"
    "Inner=a \"b\" c\r\n"
    "Equals=a=b\r\n"
    "CLAIMED=9\r\n"
    "\r\n"
    "[ Other Section ]\r\n"
    "Claimed=5\r\n"
    "[Log]\r\n"
    "file=x.log\r\n";

std::vector<Scenario> Scenarios() {
    return {
        {"WindowsStyleFile",
         kWindowsFile,
         {{"SETTINGS", "claimed", "12"},
          {"settings", "Added", "yes"},
          {"Log", "FILE", "y.log"},
          {"New Section", "k", "v"},
          {"Settings", "Empty", "now set"},
          {"settings", "mixed KEY", "plain"}},
         {{"Settings", "Claimed"}, {"Settings", "Mixed Key"}, {"Settings", "Blank"},
          {"Settings", "Quoted"}, {"Settings", "Single"}, {"Settings", "Unbalanced"},
          {"Settings", "Lone"}, {"Settings", "Inner"}, {"Settings", "Equals"},
          {"Settings", "Commented"}, {"Settings", "Missing"}, {"Log", "file"},
          {"Missing", "Claimed"}, {"new section", "K"}, {"other section", "claimed"}}},
        {"LfEndingsAndTabs",
         "[Station]\n\tCall\t=\tDL1ABC\n  Locator =JO62  \nPower=\t100 W\t\n\n\t[\tRadio ] \nModel = X\n",
         {{"station", "call", "DL2XYZ"},
          {"Radio", "Band", "20m"},
          {"Rig", "Port", "COM3"},
          {"STATION", "locator", ""}},
         {{"Station", "Power"}, {"radio", "model"}, {"Station", "Model"}}},
        {"NoFinalLineBreak",
         "[A]\r\na=1\r\n[B]\r\nb=2",
         {{"B", "c", "3"}, {"A", "a", "x"}, {"C", "c", "4"}},
         {{"B", "b"}, {"A", "c"}}},
        {"MixedLineEndings",
         "[A]\r\na=1\n[B]\nb=2\r\n\n[C]\r\nc=3",
         {{"B", "b2", "x"}, {"A", "a", "y"}, {"C", "c", "z"}},
         {{"B", "b"}}},
        {"KeysBeforeAnySection",
         "Orphan=top\r\nOther = 2\r\n\r\n[Main]\r\nk=1\r\n",
         {{"Main", "Orphan", "moved"},
          {"Top", "Orphan", "x"},
          {"", "orphan", "changed"},
          {"", "Added", "a"},
          {"", "Other", std::nullopt},
          {"", "Orphan", std::nullopt},
          {"", "Orphan", "again"},
          {"", std::nullopt, std::nullopt},
          {"", "Last", "1"}},
         {{"", "Orphan"}, {"  ", "orphan"}, {"", "Other"}, {"Main", "k"}, {"Main", "Added"},
          {"Main", "Last"}}},
        {"NewKeysWithoutTopLines",
         "[Main]\r\nk=1\r\n",
         {{"", "k", "top"},
          {"", "j", "2"},
          {"Main", "k", "3"},
          {"", "k", std::nullopt},
          {"", std::nullopt, std::nullopt},
          {"", "k", "back"}},
         {{"Main", "k"}, {"Main", "j"}}},
        {"CommentAndBlankTop",
         "; head\r\n\r\n[Main]\r\nk=1\r\n",
         {{"", "k", "v"}, {"Main", "k", "2"}, {"", "k", "w"}},
         {{"Main", "k"}}},
        {"ByteOrderMarkBeforeTopLines",
         "\xEF\xBB\xBFTop=1\r\n[A]\r\na=1\r\n",
         {{"", "Top", "2"}, {"", "New", "n"}, {"", std::nullopt, std::nullopt}, {"", "k", "v"}},
         {{"A", "a"}, {"A", "New"}, {"A", "k"}}},
        {"ByteOrderMarkWithoutTopLines",
         "\xEF\xBB\xBF[A]\r\na=1\r\n",
         {{"", "k", "v"}, {"A", "a", "2"}},
         {{"A", "k"}}},
        {"NamelessSectionInNewFile",
         std::nullopt,
         {{"", "k", "v"}, {"S", "a", "1"}, {"", "j", "2"}},
         {{"S", "k"}, {"S", "j"}}},
        // Read only: a "[]" header is a second copy of the top, never reached.
        {"NamelessHeadersAfterTopLines",
         "Top=1\r\n[A]\r\na=1\r\n[]\r\nc=3\r\n[ ]\r\nd=4\r\n",
         {},
         {{"", "Top"}, {"", "c"}, {"", "d"}, {"A", "c"}, {"A", "a"}}},
        {"NamelessHeaderFirst", "[]\r\nc=3\r\n", {}, {{"", "c"}}},
        {"DuplicateSections",
         "[S]\r\nk=1\r\n[T]\r\nt=1\r\n[s]\r\nk=2\r\nlate=3\r\n",
         {{"S", "late", "4"},
          {"s", "k", "5"},
          {"S", std::nullopt, std::nullopt},
          {"S", "k", "6"},
          {"s", std::nullopt, std::nullopt},
          {"S", "k", "7"}},
         {{"S", "k"}, {"S", "late"}, {"T", "t"}}},
        {"DuplicateKeys",
         "[S]\r\nk=1\r\nother=2\r\nK=3\r\n",
         {{"S", "k", "4"},
          {"S", "K", std::nullopt},
          {"S", "k", "5"},
          {"S", "k", std::nullopt},
          {"S", "k", std::nullopt},
          {"S", "k", "6"}},
         {{"S", "other"}}},
        {"KeyOnlyInSecondCopy",
         "[S]\r\nk=1\r\n[T]\r\nt=1\r\n[S]\r\nk=2\r\nj=3\r\n",
         {{"S", "k", std::nullopt},
          {"S", "j", "4"},
          {"S", std::nullopt, std::nullopt},
          {"S", "k", std::nullopt}},
         {{"S", "k"}, {"S", "j"}, {"T", "t"}}},
        {"QuotedValuesWritten",
         std::nullopt,
         {{"Q", "double", "\"quoted\""},
          {"Q", "single", "'one'"},
          {"Q", "mixed", "\"half'"},
          {"Q", "padded", "  padded  "},
          {"Q", "inner", "say \"hi\" now"},
          {"Q", "lone", "\""},
          {"Q", "empty", "\"\""},
          {"Q", "equals", "a=b"}},
         {}},
        {"LongValues",
         "[S]\r\nbefore=1\r\n",
         {{"S", "long", Repeated("0123456789abcdef", 4096)},
          {"S", "after", "2"},
          {"S", "long", Repeated("QSO ", 3000)},
          {"T", "long", Repeated("x", 5000) + "!"},
          {"S", "long", "short"}},
         {{"S", "before"}}},
        {"Deletions",
         "[S]\r\nk=1\r\nother=2\r\n\r\n[T]\r\nk=4\r\n; note\r\n[U]\r\nu=6\r\n",
         {{"S", "k", std::nullopt},
          {"S", "missing", std::nullopt},
          {"Missing", "k", std::nullopt},
          {"T", std::nullopt, std::nullopt},
          {"Missing", std::nullopt, std::nullopt},
          {"T", "k", "back"},
          {"U", "u", std::nullopt},
          {"U", "u", "again"}},
         {{"S", "other"}, {"T", "note"}}},
        {"SpacedNamesInCalls",
         "[Main]\r\nkey=1\r\n",
         {{"  Main  ", "  key  ", "2"}, {" New ", " k ", "v"}},
         {{"Main", "key"}, {"New", "k"}, {" new ", "K"}}},
        {"EmptyAndBlankValues",
         "[E]\r\na=\r\nb=  \r\nc = \t\r\n",
         {{"E", "a", ""}, {"E", "d", ""}, {"E", "b", "x"}, {"E", "c", "  "}},
         {}},
        {"NoFileYet",
         std::nullopt,
         {{"First", "k", "1"}, {"First", "j", "2"}, {"Second", "k", "3"}, {"First", "k", std::nullopt}},
         {}},
        {"EmptyFile", "", {{"A", "a", "1"}, {"B", "b", "2"}}, {}},
        {"CommentsAndBlankLinesKept",
         "; head\r\n\r\n[S]\r\n; inside\r\na=1\r\n\r\n; tail of S\r\n\r\n[T]\r\nb=2\r\n",
         {{"S", "new", "n"}, {"T", "new", "m"}, {"S", "a", "2"}},
         {{"S", "inside"}, {"T", "b"}}},
    };
}

class ProfileDifferential : public ::testing::TestWithParam<Scenario> {
protected:
    static void SetUpTestSuite() {
        char temp[MAX_PATH];
        const DWORD length = GetTempPathA(MAX_PATH, temp);
        ASSERT_TRUE(length > 0 && length < MAX_PATH);
        folder_ = std::string(temp) + "tavik-diff-" + std::to_string(GetCurrentProcessId()) +
                  "-" + std::to_string(GetTickCount());
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr)) << folder_;
    }

    static void TearDownTestSuite() { EXPECT_TRUE(RemoveDirectoryA(folder_.c_str())) << folder_; }

    void SetUp() override {
        system_ = folder_ + "\\" + GetParam().name + "-system.ini";
        own_ = folder_ + "\\" + GetParam().name + "-own.ini";
    }

    void TearDown() override {
        DeleteFileA(system_.c_str());
        DeleteFileA(own_.c_str());
    }

    static void Store(const std::string& path, const std::string& text) {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr) << path;
        const size_t written = std::fwrite(text.data(), 1, text.size(), file);
        ASSERT_EQ(std::fclose(file), 0) << path;
        ASSERT_EQ(written, text.size()) << path;
    }

    // Empty when the file does not exist, as for the system's functions.
    static std::string Load(const std::string& path) {
        std::string text;
        if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
            char buffer[4096];
            size_t n;
            while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
                text.append(buffer, n);
            }
            std::fclose(file);
        }
        return text;
    }

    void ApplyOwn(const ProfileWrite& write) {
        std::string edited;
        if (EditProfileText(Load(own_), write.section.c_str(),
                            write.key ? write.key->c_str() : nullptr,
                            write.value ? write.value->c_str() : nullptr, edited)) {
            Store(own_, edited);
        }
    }

    std::string ReadSystem(const ProfileRead& read, const char* defaultValue) {
        std::vector<char> buffer(65536);
        const DWORD length =
            GetPrivateProfileStringA(read.section.c_str(), read.key.c_str(), defaultValue,
                                     buffer.data(), static_cast<DWORD>(buffer.size()),
                                     system_.c_str());
        return std::string(buffer.data(), length);
    }

    std::string ReadOwn(const ProfileRead& read, const char* defaultValue) {
        return LookUpProfileValue(Load(own_), read.section.c_str(), read.key.c_str(),
                                  defaultValue);
    }

    void ExpectSameReads(const std::vector<ProfileRead>& reads, const std::string& stage) {
        for (const ProfileRead& read : reads) {
            EXPECT_EQ(ReadSystem(read, kDefault), ReadOwn(read, kDefault))
                << stage << ": [" << read.section << "] " << read.key;
        }
    }

    static inline std::string folder_;
    std::string system_;
    std::string own_;
};

TEST_P(ProfileDifferential, SameReadsAfterEachWrite) {
    const Scenario& scenario = GetParam();
    if (scenario.initial) {
        ASSERT_NO_FATAL_FAILURE(Store(system_, *scenario.initial));
        ASSERT_NO_FATAL_FAILURE(Store(own_, *scenario.initial));
    }
    std::vector<ProfileRead> reads = scenario.reads;
    for (const ProfileWrite& write : scenario.writes) {
        const bool listed = std::any_of(reads.begin(), reads.end(), [&](const ProfileRead& r) {
            return write.key && r.section == write.section && r.key == *write.key;
        });
        if (write.key && !listed) {
            reads.push_back({write.section, *write.key});
        }
    }

    ExpectSameReads(reads, "before any write");
    for (size_t i = 0; i < scenario.writes.size(); ++i) {
        const ProfileWrite& write = scenario.writes[i];
        const BOOL written = WritePrivateProfileStringA(
            write.section.c_str(), write.key ? write.key->c_str() : nullptr,
            write.value ? write.value->c_str() : nullptr, system_.c_str());
        // A removal may report that there was nothing to remove.
        if (write.key && write.value) {
            ASSERT_TRUE(written) << "write " << i + 1 << " to " << system_;
        }
        ASSERT_NO_FATAL_FAILURE(ApplyOwn(write));
        ExpectSameReads(reads, "after write " + std::to_string(i + 1));
    }
    // A default loses its trailing blanks on both sides.
    const ProfileRead missing{"No Such Section", "k"};
    EXPECT_EQ(ReadSystem(missing, "  kept lead  "), ReadOwn(missing, "  kept lead  "));
}

INSTANTIATE_TEST_SUITE_P(Scenarios, ProfileDifferential, ::testing::ValuesIn(Scenarios()),
                         [](const ::testing::TestParamInfo<Scenario>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace tavik
