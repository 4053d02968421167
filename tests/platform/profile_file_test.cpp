#include "platform/profile_file.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include <random>
#include <thread>

#include "support/scratch_folder.h"
#include "support/settings_file.h"

namespace tavik {
namespace {

using ProfileRead = ::ScratchFolderTest;
using ProfileWrite = ::ScratchFolderTest;

std::string Read(const char* section, const char* key, const char* def = "dflt") {
    return ReadProfileString(section, key, def, "Tavik.ini");
}

bool Write(const char* section, const char* key, const char* value) {
    return WriteProfileString(section, key, value, "Tavik.ini");
}

struct stat StatOf(const char* path) {
    struct stat info {};
    EXPECT_EQ(lstat(path, &info), 0) << path;
    return info;
}

const std::string kWindowsFile =
    "; Tavik settings\r\n"
    "Orphan=before any section\r\n"
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
    "NoEquals\r\n"
    "\r\n"
    "[ Other Section ]\r\n"
    "Claimed=5\r\n"
    "[SETTINGS]\r\n"
    "Late=only in the second copy\r\n"
    "[Band]Plan] ; text after the bracket\r\n"
    "Claimed=bracketed\r\n"
    "[]\r\n"
    "Claimed=unnamed";

TEST_F(ProfileRead, WindowsStyleFile) {
    WriteFile("Tavik.ini", kWindowsFile);
    EXPECT_EQ(Read("Settings", "Claimed"), "8");
    EXPECT_EQ(Read("sETTINGS", "cLAIMED"), "8");
    EXPECT_EQ(Read("Settings", "mixed key"), "spaced value");
    EXPECT_EQ(Read("Settings", "Empty"), "");
    EXPECT_EQ(Read("Settings", "Blank"), "");
    EXPECT_EQ(Read("Settings", "Quoted"), "  two words  ");
    EXPECT_EQ(Read("Settings", "Single"), "x");
    EXPECT_EQ(Read("Settings", "Unbalanced"), "\"abc'");
    EXPECT_EQ(Read("Settings", "Lone"), "\"");
    EXPECT_EQ(Read("Settings", "Inner"), "a \"b\" c");
    EXPECT_EQ(Read("Settings", "Equals"), "a=b");
    EXPECT_EQ(Read("other section", "claimed"), "5");
    EXPECT_EQ(Read("band]plan", "Claimed"), "bracketed");
    // Comments and key-less lines are never found.
    EXPECT_EQ(Read("Settings", "; Commented"), "dflt");
    EXPECT_EQ(Read("Settings", "Commented"), "dflt");
    EXPECT_EQ(Read("Settings", "NoEquals"), "dflt");
    // The lines before any header are the section with the empty name, which
    // hides the later "[]" as a second copy would.
    EXPECT_EQ(Read("", "Orphan"), "before any section");
    EXPECT_EQ(Read("  ", "orphan"), "before any section");
    EXPECT_EQ(Read("Settings", "Orphan"), "dflt");
    EXPECT_EQ(Read("", "Claimed"), "dflt");
    // Only the first of two sections with the same name is searched.
    EXPECT_EQ(Read("Settings", "Late"), "dflt");
}

TEST_F(ProfileRead, LinesBeforeAnyHeader) {
    WriteFile("Tavik.ini", "Top = 1\r\n; note\r\n[A]\r\na=2\r\n[]\r\nc=3\r\n");
    EXPECT_EQ(Read("", "top"), "1");
    EXPECT_EQ(Read("A", "Top"), "dflt");
    EXPECT_EQ(Read("", "a"), "dflt");
    EXPECT_EQ(Read("", "c"), "dflt");

    // With nothing above it, "[]" is still the second copy.
    WriteFile("Tavik.ini", "[]\r\nc=3\r\n");
    EXPECT_EQ(Read("", "c"), "dflt");
    WriteFile("Tavik.ini", "[ ]\r\nc=3\r\n");
    EXPECT_EQ(Read("", "c"), "dflt");

    WriteFile("Tavik.ini", "k=1\nj=2");
    EXPECT_EQ(Read("", "j"), "2");
    WriteFile("Tavik.ini", "\xEF\xBB\xBFTop=1\r\n[A]\r\n");
    EXPECT_EQ(Read("", "Top"), "1");
    EXPECT_EQ(Read("", "\xEF\xBB\xBFTop"), "dflt");
}

TEST_F(ProfileRead, DefaultsAndMissingPieces) {
    WriteFile("Tavik.ini", kWindowsFile);
    EXPECT_EQ(Read("Settings", "Missing"), "dflt");
    EXPECT_EQ(Read("Missing", "Claimed"), "dflt");
    EXPECT_EQ(Read("Settings", "Missing", "  keep  lead  "), "  keep  lead");
    EXPECT_EQ(Read("Settings", "Missing", "tab\t"), "tab\t");
    EXPECT_EQ(Read("Settings", "Missing", nullptr), "");
    EXPECT_EQ(Read("Settings", "Empty", "dflt"), "");
    EXPECT_EQ(Read(nullptr, "Claimed"), "dflt");
    EXPECT_EQ(Read("Settings", nullptr), "dflt");
    EXPECT_EQ(ReadProfileString("Settings", "Claimed", "dflt", "Missing.ini"), "dflt");
    EXPECT_EQ(ReadProfileString("Settings", "Claimed", "dflt", nullptr), "dflt");
    ASSERT_EQ(mkdir("Folder.ini", 0755), 0);
    EXPECT_EQ(ReadProfileString("Settings", "Claimed", "dflt", "Folder.ini"), "dflt");
}

TEST_F(ProfileRead, LineEndsAndByteOrderMark) {
    WriteFile("Tavik.ini", "\xEF\xBB\xBF[A]\nx=1\n[B]\ry=2\r[C]\r\nz=3\r\r\n\n[D]\n\tw = 4");
    EXPECT_EQ(Read("A", "x"), "1");
    EXPECT_EQ(Read("B", "y"), "2");
    EXPECT_EQ(Read("C", "z"), "3");
    EXPECT_EQ(Read("D", "w"), "4");
}

TEST_F(ProfileRead, BackslashSeparatesFolders) {
    ASSERT_EQ(mkdir("Plugins", 0755), 0);
    WriteFile(kSettingsFile, ClaimedOnlySettings("8"));
    EXPECT_EQ(ReadProfileString("Settings", "Claimed", "", "Plugins\\Tavik.ini"), "8");
}

TEST_F(ProfileRead, SurvivesOddBytes) {
    const char withNuls[] = "[S]\r\nk=a\0b\r\n\0\0\r\nafter=1";
    WriteFile("Tavik.ini", std::string(withNuls, sizeof withNuls - 1));
    EXPECT_EQ(Read("S", "k"), std::string("a\0b", 3));
    EXPECT_EQ(Read("S", "after"), "1");

    const std::string longLine(2 << 20, 'x');
    WriteFile("Tavik.ini", "[S]\r\n" + longLine + "\r\nk=" + longLine);
    EXPECT_EQ(Read("S", "k"), longLine);

    std::mt19937 random(12345);
    std::string garbage(1 << 16, '\0');
    for (char& c : garbage) {
        do {
            c = static_cast<char>(random());
        } while (c == '=');
    }
    WriteFile("Tavik.ini", garbage);
    EXPECT_EQ(Read("S", "k"), "dflt");
    WriteFile("Tavik.ini", "[S]\r\n" + garbage + "\r\nk=found");
    EXPECT_EQ(Read("S", "k"), "found");
}

const std::string kOriginal =
    "; keep this comment\r\n"
    "\r\n"
    "[Settings]\r\n"
    "   Claimed   =  8  \n"
    "Other = value\r\n"
    "\r\n"
    "\r\n"
    "[Log]\r"
    "file=x.log\r\n";

TEST_F(ProfileWrite, ReplacesOnlyTheKeyLine) {
    WriteFile("Tavik.ini", kOriginal);
    ASSERT_TRUE(Write("SETTINGS", "claimed", "12"));
    EXPECT_EQ(ReadFile("Tavik.ini"),
              "; keep this comment\r\n"
              "\r\n"
              "[Settings]\r\n"
              "Claimed=12\r\n"
              "Other = value\r\n"
              "\r\n"
              "\r\n"
              "[Log]\r"
              "file=x.log\r\n");
    EXPECT_EQ(Read("Settings", "Claimed"), "12");
    EXPECT_EQ(List(), std::vector<std::string>{"Tavik.ini"});
}

TEST_F(ProfileWrite, UnchangedValueLeavesTheFileAlone) {
    WriteFile("Tavik.ini", "[S]\r\nk = \"abc\" \n");
    const ino_t before = StatOf("Tavik.ini").st_ino;
    ASSERT_TRUE(Write("s", "K", "abc"));
    EXPECT_EQ(ReadFile("Tavik.ini"), "[S]\r\nk = \"abc\" \n");
    EXPECT_EQ(StatOf("Tavik.ini").st_ino, before);
}

TEST_F(ProfileWrite, NewKeyGoesAfterTheSectionsLastLine) {
    WriteFile("Tavik.ini", kOriginal);
    ASSERT_TRUE(Write("settings", "Added", "yes"));
    EXPECT_EQ(ReadFile("Tavik.ini"),
              "; keep this comment\r\n"
              "\r\n"
              "[Settings]\r\n"
              "   Claimed   =  8  \n"
              "Other = value\r\n"
              "Added=yes\r\n"
              "\r\n"
              "\r\n"
              "[Log]\r"
              "file=x.log\r\n");

    WriteFile("Tavik.ini", "[S]\r\n\r\n[T]\r\n");
    ASSERT_TRUE(Write("S", "k", "1"));
    EXPECT_EQ(ReadFile("Tavik.ini"), "[S]\r\nk=1\r\n\r\n[T]\r\n");

    WriteFile("Tavik.ini", "[S]\na=1\n; trailing note\n\n");
    ASSERT_TRUE(Write("S", "k", "1"));
    EXPECT_EQ(ReadFile("Tavik.ini"), "[S]\na=1\n; trailing note\nk=1\r\n\n");

    WriteFile("Tavik.ini", "[S]\r\na=1");
    ASSERT_TRUE(Write("S", "k", "1"));
    EXPECT_EQ(ReadFile("Tavik.ini"), "[S]\r\na=1\r\nk=1\r\n");
}

TEST_F(ProfileWrite, NewSectionIsAppended) {
    WriteFile("Tavik.ini", "[A]\r\na=1\r\n");
    ASSERT_TRUE(Write("B", "b", "2"));
    EXPECT_EQ(ReadFile("Tavik.ini"), "[A]\r\na=1\r\n\r\n[B]\r\nb=2\r\n");

    WriteFile("Tavik.ini", "[A]\na=1");
    ASSERT_TRUE(Write("B", "b", "2"));
    EXPECT_EQ(ReadFile("Tavik.ini"), "[A]\na=1\r\n\r\n[B]\r\nb=2\r\n");

    WriteFile("Tavik.ini", "");
    ASSERT_TRUE(Write("B", "b", "2"));
    EXPECT_EQ(ReadFile("Tavik.ini"), "[B]\r\nb=2\r\n");
}

TEST_F(ProfileWrite, NewFileThroughBackslashPath) {
    const mode_t previous = umask(022);
    ASSERT_EQ(mkdir("Plugins", 0755), 0);
    EXPECT_TRUE(WriteProfileString("Settings", "Claimed", "8", "Plugins\\Tavik.ini"));
    umask(previous);
    EXPECT_EQ(ReadFile(kSettingsFile), ClaimedOnlySettings("8"));
    EXPECT_EQ(StatOf(kSettingsFile).st_mode & 07777, 0644u);
    EXPECT_EQ(List("Plugins"), std::vector<std::string>{"Tavik.ini"});
}

TEST_F(ProfileWrite, DeletingKeysAndSections) {
    const std::string file =
        "[S]\r\nk=1\r\nother=2\r\nK=3\r\n\r\n[T]\r\nk=4\r\n[s]\r\nk=5\r\n; note\r\n[U]\r\nu=6";
    WriteFile("Tavik.ini", file);
    // Only the first line of a key goes; the next one is then found.
    ASSERT_TRUE(Write("S", "k", nullptr));
    EXPECT_EQ(ReadFile("Tavik.ini"),
              "[S]\r\nother=2\r\nK=3\r\n\r\n[T]\r\nk=4\r\n[s]\r\nk=5\r\n; note\r\n[U]\r\nu=6");
    EXPECT_EQ(Read("S", "k"), "3");
    ASSERT_TRUE(Write("s", "K", nullptr));
    EXPECT_EQ(ReadFile("Tavik.ini"),
              "[S]\r\nother=2\r\n\r\n[T]\r\nk=4\r\n[s]\r\nk=5\r\n; note\r\n[U]\r\nu=6");
    EXPECT_EQ(Read("S", "k"), "dflt");

    // Only the first copy of a section goes; the second one then counts.
    ASSERT_TRUE(Write("s", nullptr, nullptr));
    EXPECT_EQ(ReadFile("Tavik.ini"), "[T]\r\nk=4\r\n[s]\r\nk=5\r\n; note\r\n[U]\r\nu=6");
    EXPECT_EQ(Read("S", "k"), "5");
    EXPECT_EQ(Read("S", "other"), "dflt");
    ASSERT_TRUE(Write("S", nullptr, nullptr));
    EXPECT_EQ(ReadFile("Tavik.ini"), "[T]\r\nk=4\r\n[U]\r\nu=6");
    ASSERT_TRUE(Write("U", nullptr, "ignored"));
    EXPECT_EQ(ReadFile("Tavik.ini"), "[T]\r\nk=4\r\n");

    // Nothing to delete: the file stays as it is and none is created.
    EXPECT_TRUE(Write("T", "missing", nullptr));
    EXPECT_TRUE(Write("Missing", "k", nullptr));
    EXPECT_TRUE(Write("Missing", nullptr, nullptr));
    EXPECT_TRUE(Write("", nullptr, nullptr));
    EXPECT_TRUE(Write("", "k", nullptr));
    EXPECT_EQ(ReadFile("Tavik.ini"), "[T]\r\nk=4\r\n");
    EXPECT_TRUE(WriteProfileString("S", "k", nullptr, "New.ini"));
    EXPECT_EQ(List(), std::vector<std::string>{"Tavik.ini"});
}

TEST_F(ProfileWrite, DeletingAKeyLeavesItsSecondCopyOfTheSection) {
    WriteFile("Tavik.ini", "[S]\r\nk=1\r\n[S]\r\nk=2\r\n");
    ASSERT_TRUE(Write("S", "k", nullptr));
    EXPECT_EQ(ReadFile("Tavik.ini"), "[S]\r\n[S]\r\nk=2\r\n");
    EXPECT_EQ(Read("S", "k"), "dflt");
    ASSERT_TRUE(Write("S", "k", "3"));
    EXPECT_EQ(ReadFile("Tavik.ini"), "[S]\r\nk=3\r\n[S]\r\nk=2\r\n");
}

TEST_F(ProfileWrite, LinesBeforeAnyHeader) {
    WriteFile("Tavik.ini", "; head\r\nOrphan=1\r\nOther = 2\r\n\r\n[Main]\r\nk=1\r\n");
    ASSERT_TRUE(Write("", "orphan", "new"));
    EXPECT_EQ(ReadFile("Tavik.ini"), "; head\r\nOrphan=new\r\nOther = 2\r\n\r\n[Main]\r\nk=1\r\n");
    ASSERT_TRUE(Write("", "Added", "a"));
    EXPECT_EQ(ReadFile("Tavik.ini"),
              "; head\r\nOrphan=new\r\nOther = 2\r\nAdded=a\r\n\r\n[Main]\r\nk=1\r\n");
    EXPECT_EQ(Read("", "added"), "a");
    EXPECT_EQ(Read("Main", "Added"), "dflt");
    ASSERT_TRUE(Write("", "Other", nullptr));
    EXPECT_EQ(ReadFile("Tavik.ini"), "; head\r\nOrphan=new\r\nAdded=a\r\n\r\n[Main]\r\nk=1\r\n");
    // Removing the section takes every line above the first header.
    ASSERT_TRUE(Write("", nullptr, nullptr));
    EXPECT_EQ(ReadFile("Tavik.ini"), "[Main]\r\nk=1\r\n");

    // With no lines above the first header, a key goes to the very start.
    ASSERT_TRUE(Write("", "k", "top"));
    EXPECT_EQ(ReadFile("Tavik.ini"), "k=top\r\n[Main]\r\nk=1\r\n");
    EXPECT_EQ(Read("", "k"), "top");
    EXPECT_EQ(Read("Main", "k"), "1");

    WriteFile("Tavik.ini", "\r\n\r\n[Main]\r\n");
    ASSERT_TRUE(Write("", "k", "v"));
    EXPECT_EQ(ReadFile("Tavik.ini"), "k=v\r\n\r\n\r\n[Main]\r\n");

    WriteFile("Tavik.ini", "\xEF\xBB\xBF[Main]\r\n");
    ASSERT_TRUE(Write("", "k", "v"));
    EXPECT_EQ(ReadFile("Tavik.ini"), "\xEF\xBB\xBFk=v\r\n[Main]\r\n");
    ASSERT_TRUE(Write("", nullptr, nullptr));
    EXPECT_EQ(ReadFile("Tavik.ini"), "\xEF\xBB\xBF[Main]\r\n");

    WriteFile("Tavik.ini", "Top=1");
    ASSERT_TRUE(Write("", "k", "v"));
    EXPECT_EQ(ReadFile("Tavik.ini"), "Top=1\r\nk=v\r\n");

    // A later "[]" is a second copy: it is neither edited nor found.
    WriteFile("Tavik.ini", "Top=1\r\n[]\r\nc=3\r\n");
    ASSERT_TRUE(Write("", "c", "4"));
    EXPECT_EQ(ReadFile("Tavik.ini"), "Top=1\r\nc=4\r\n[]\r\nc=3\r\n");
    EXPECT_EQ(Read("", "c"), "4");

    // No "[]" header is ever written.
    WriteFile("Tavik.ini", "");
    ASSERT_TRUE(Write("", "k", "v"));
    EXPECT_EQ(ReadFile("Tavik.ini"), "k=v\r\n");
    EXPECT_TRUE(WriteProfileString("", "k", "v", "New.ini"));
    EXPECT_EQ(ReadFile("New.ini"), "k=v\r\n");
}

TEST_F(ProfileWrite, LineBreaksCannotForgeLines) {
    ASSERT_TRUE(Write("S", "k", "a\r\nb\n[Evil]\rx=1"));
    EXPECT_EQ(ReadFile("Tavik.ini"), "[S]\r\nk=a  b [Evil] x=1\r\n");
    EXPECT_EQ(Read("S", "k"), "a  b [Evil] x=1");
    EXPECT_EQ(Read("Evil", "x"), "dflt");
}

TEST_F(ProfileWrite, LongValueRoundTrip) {
    std::string value(100 * 1024, ' ');
    for (size_t i = 0; i < value.size(); ++i) {
        value[i] = static_cast<char>('A' + i % 26);
    }
    ASSERT_TRUE(Write("S", "long", value.c_str()));
    ASSERT_TRUE(Write("S", "after", "1"));
    EXPECT_EQ(Read("S", "long"), value);
    ASSERT_TRUE(Write("S", "long", "short"));
    EXPECT_EQ(ReadFile("Tavik.ini"), "[S]\r\nlong=short\r\nafter=1\r\n");
}

TEST_F(ProfileWrite, MissingFolderFailsAndCreatesNothing) {
    EXPECT_FALSE(WriteProfileString("Settings", "Claimed", "8", "Plugins\\Tavik.ini"));
    EXPECT_TRUE(List().empty());
    EXPECT_FALSE(WriteProfileString("Settings", "Claimed", "8", nullptr));
    EXPECT_FALSE(WriteProfileString("Settings", "Claimed", "8", ""));
    EXPECT_FALSE(WriteProfileString(nullptr, "Claimed", "8", "Tavik.ini"));
    EXPECT_TRUE(List().empty());
}

TEST_F(ProfileWrite, ReadOnlyFileAndFolderTargetAreKept) {
    WriteFile("Tavik.ini", kOriginal);
    ASSERT_EQ(chmod("Tavik.ini", 0444), 0);
    EXPECT_FALSE(Write("Settings", "Claimed", "12"));
    EXPECT_FALSE(Write("Settings", nullptr, nullptr));
    EXPECT_EQ(ReadFile("Tavik.ini"), kOriginal);
    EXPECT_EQ(StatOf("Tavik.ini").st_mode & 07777, 0444u);
    EXPECT_EQ(List(), std::vector<std::string>{"Tavik.ini"});

    ASSERT_EQ(mkdir("Folder.ini", 0755), 0);
    EXPECT_FALSE(WriteProfileString("S", "k", "v", "Folder.ini"));
    EXPECT_TRUE(S_ISDIR(StatOf("Folder.ini").st_mode));
    EXPECT_TRUE(List("Folder.ini").empty());
    EXPECT_EQ(List(), (std::vector<std::string>{"Folder.ini", "Tavik.ini"}));
}

TEST_F(ProfileWrite, FullDiskLeavesTheOldFile) {
    WriteFile("Tavik.ini", kOriginal);
    const std::string big(64 * 1024, 'x');
    // A file size limit makes the write fail part way, as a full disk would.
    struct rlimit previous {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    struct rlimit small = previous;
    small.rlim_cur = 4096;
    const sighandler_t handler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = Write("Settings", "Claimed", big.c_str());
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, handler);

    EXPECT_FALSE(written);
    EXPECT_EQ(ReadFile("Tavik.ini"), kOriginal);
    EXPECT_EQ(List(), std::vector<std::string>{"Tavik.ini"});
}

TEST_F(ProfileWrite, KeepsPermissionsAndFollowsLinks) {
    WriteFile("Real.ini", "[S]\r\nk=1\r\n");
    ASSERT_EQ(chmod("Real.ini", 0640), 0);
    ASSERT_EQ(symlink("Real.ini", "Tavik.ini"), 0);
    ASSERT_TRUE(Write("S", "k", "2"));
    EXPECT_TRUE(S_ISLNK(StatOf("Tavik.ini").st_mode));
    EXPECT_EQ(ReadFile("Real.ini"), "[S]\r\nk=2\r\n");
    EXPECT_EQ(StatOf("Real.ini").st_mode & 07777, 0640u);
    EXPECT_EQ(List(), (std::vector<std::string>{"Real.ini", "Tavik.ini"}));
}

// Built in steps: GCC 12 misreports "k" + std::to_string(w) under -Wrestrict at -O2.
std::string Key(int writer, int index) {
    std::string key = "k";
    key += std::to_string(writer);
    key += '_';
    key += std::to_string(index);
    return key;
}

TEST_F(ProfileWrite, ConcurrentWritersLoseNothing) {
    std::vector<std::thread> writers;
    for (int w = 0; w < 8; ++w) {
        writers.emplace_back([w] {
            for (int i = 0; i < 20; ++i) {
                const std::string key = Key(w, i);
                Write("S", key.c_str(), std::to_string(i).c_str());
            }
        });
    }
    for (std::thread& writer : writers) {
        writer.join();
    }
    for (int w = 0; w < 8; ++w) {
        for (int i = 0; i < 20; ++i) {
            const std::string key = Key(w, i);
            EXPECT_EQ(Read("S", key.c_str()), std::to_string(i)) << key;
        }
    }
    EXPECT_EQ(List(), std::vector<std::string>{"Tavik.ini"});
}

}  // namespace
}  // namespace tavik
