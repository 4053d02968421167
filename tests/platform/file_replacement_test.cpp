// Replacing output files: through links, keeping the mode, never blocking on a pipe,
// and cleaning up what a killed writer left behind.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/profile_file.h"
#include "platform/shared_file.h"
#include "support/scratch_folder.h"

namespace tavik {
namespace {

using FileReplacement = ::ScratchFolderTest;

bool Replace(const char* name, const std::string& text) {
    std::string failure;
    const bool ok = ReplaceFileContents(name, {text.substr(0, 3), text.substr(3)}, failure);
    EXPECT_EQ(failure.empty(), ok) << failure;
    return ok;
}

mode_t ModeOf(const char* path) {
    struct stat info{};
    stat(path, &info);
    return info.st_mode & 07777;
}

TEST_F(FileReplacement, WritesThroughLinksAndKeepsTheMode) {
    ASSERT_EQ(mkdir("logs", 0755), 0);
    WriteFile("logs/kept.cbr", "old log");
    ASSERT_EQ(chmod("logs/kept.cbr", 0640), 0);
    ASSERT_EQ(symlink("logs/kept.cbr", "DL1ABC.cbr"), 0);
    ASSERT_EQ(symlink("logs/new.cbr", "Dangling.cbr"), 0);

    EXPECT_TRUE(Replace("DL1ABC.cbr", "START-OF-LOG: 3.0\r\n"));
    EXPECT_TRUE(Replace("Dangling.cbr", "new target\r\n"));

    struct stat link{};
    ASSERT_EQ(lstat("DL1ABC.cbr", &link), 0);
    EXPECT_TRUE(S_ISLNK(link.st_mode));
    EXPECT_EQ(ReadFile("logs/kept.cbr"), "START-OF-LOG: 3.0\r\n");
    EXPECT_EQ(ModeOf("logs/kept.cbr"), 0640u);
    EXPECT_EQ(ReadFile("logs/new.cbr"), "new target\r\n");
    // The temporary files went to the targets' folder and are gone.
    EXPECT_EQ(List(), (std::vector<std::string>{"DL1ABC.cbr", "Dangling.cbr", "logs"}));
    EXPECT_EQ(List("logs"), (std::vector<std::string>{"kept.cbr", "new.cbr"}));
}

TEST_F(FileReplacement, NonRegularFilesAreNeverOpenedOrReplaced) {
    ASSERT_EQ(mkfifo("err.txt", 0644), 0);
    ASSERT_EQ(mkfifo("Pipe.cbr", 0644), 0);
    ASSERT_EQ(mkdir("Folder.cbr", 0755), 0);
    alarm(10);  // a blocking open would hang here
    EXPECT_EQ(OpenSharedFile("err.txt", "wb"), nullptr);
    EXPECT_EQ(OpenSharedFile("err.txt", "ab"), nullptr);
    CreateFileIfMissing("err.txt");
    std::string failure;
    EXPECT_FALSE(ReplaceFileContents("Pipe.cbr", {"log"}, failure));
    EXPECT_EQ(failure, "not a regular file");
    EXPECT_FALSE(ReplaceFileContents("Folder.cbr", {"log"}, failure));
    EXPECT_EQ(failure, "Is a directory");
    alarm(0);
    struct stat info{};
    ASSERT_EQ(lstat("err.txt", &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_EQ(List(), (std::vector<std::string>{"Folder.cbr", "Pipe.cbr", "err.txt"}));
}

TEST_F(FileReplacement, TemporaryFilesOfDeadWritersAreRemoved) {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    ASSERT_GT(child, 0);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    const std::string dead = ".DL1ABC.cbr.tavik-" + std::to_string(child) + ".a1B2c3";
    const std::string alive = ".Tavik.ini.tavik-" + std::to_string(getppid()) + ".a1B2c3";
    const std::string foreign = ".DL1ABC.cbr.other-" + std::to_string(child) + ".a1B2c3";
    for (const std::string& name : {dead, alive, foreign}) WriteFile(name, "partial");

    EXPECT_TRUE(Replace("DL1ABC.cbr", "START-OF-LOG: 3.0\r\n"));
    std::vector<std::string> expected = {foreign, alive, "DL1ABC.cbr"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(List(), expected);
}

TEST_F(FileReplacement, SettingsBatchEqualsTheWritesOneByOne) {
    const std::string start = "; kept\r\n[Settings]\r\nName=Old\r\nClaimed=8\r\n[Other]\r\nx=1\r\n";
    const std::vector<ProfileEntry> entries = {
        {"Operators", "DL1ABC"}, {"Name", "New Name"}, {"Club", ""}, {"Claimed", nullptr},
        {"SoapBox", "A<CR><LF>B"}};
    WriteFile("one.ini", start);
    WriteFile("batch.ini", start);
    for (const ProfileEntry& entry : entries)
        EXPECT_TRUE(WriteProfileString("Settings", entry.key, entry.value, "one.ini"));
    EXPECT_TRUE(WriteProfileStrings("Settings", entries, "batch.ini"));
    EXPECT_EQ(ReadFile("batch.ini"), ReadFile("one.ini"));
    EXPECT_EQ(ReadFile("batch.ini"),
              "; kept\r\n[Settings]\r\nName=New Name\r\nOperators=DL1ABC\r\nClub=\r\n"
              "SoapBox=A<CR><LF>B\r\n[Other]\r\nx=1\r\n");
}

}  // namespace
}  // namespace tavik
