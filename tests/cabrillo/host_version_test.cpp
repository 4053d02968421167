#include <gtest/gtest.h>

#include <filesystem>

#include "cabrillo/header_settings.h"
#include "support/scratch_folder.h"

namespace fs = std::filesystem;

class HostVersionTest : public PluginFolderTest {
protected:
    void SetUp() override {
        PluginFolderTest::SetUp();
#if !defined(TAVIK_VERSION_2_20_7_1_EXE)
        GTEST_SKIP() << "no cross tools to build host executables with version resources";
#endif
    }
    static void Place(const char* fixture, const char* name) {
        // Removed first: overwrite_existing fails on some Windows runtimes.
        fs::remove(name);
        fs::copy_file(fixture, name);
    }
};

#if defined(TAVIK_VERSION_2_20_7_1_EXE)
TEST_F(HostVersionTest, MajorTwoGivesTwoNumbersOtherMajorsThree) {
    EXPECT_EQ(tavik::HostVersionText(), "");  // neither executable
    Place(TAVIK_VERSION_3_1_5_9_EXE, "Qorv3.exe");
    EXPECT_EQ(tavik::HostVersionText(), "3.1.5");
    Place(TAVIK_VERSION_2_20_7_1_EXE, "Qorv2.exe");
    EXPECT_EQ(tavik::HostVersionText(), "2.20");  // Qorv2.exe wins when it opens
    // Qorv2.exe without a version: the other one is not tried.
    Place(TAVIK_NO_VERSION_EXE, "Qorv2.exe");
    EXPECT_EQ(tavik::HostVersionText(), "");
    fs::remove("Qorv2.exe");
    EXPECT_EQ(tavik::HostVersionText(), "3.1.5");
}

TEST_F(HostVersionTest, CreatedByLineOfTheLog) {
    Place(TAVIK_VERSION_2_20_7_1_EXE, "Qorv2.exe");
    tavik::HeaderSettings header;
    header.baseName = "LOG";
    ASSERT_EQ(header.WriteCabrilloLog(0), "File produced: LOG.cbr");
    EXPECT_NE(ReadFile("LOG.cbr").find("\r\nCREATED-BY: Qorv 2.20\r\n"), std::string::npos);
}
#endif
