#include <filesystem>
#include <string>

#include "export_fixture.h"

#include "failing_allocator.h"

TEST_F(ExportTest, NullTextsCountAsEmpty) {
    EXPECT_EQ(api.resetStats0(nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0,
                              0, 0.0, 0.0, nullptr, nullptr, nullptr),
              1);
    // Every pointer null, the time's included.
    tavik::abi::QsoRecord allNull{nullptr, nullptr, {}, 0, nullptr, nullptr, nullptr, nullptr,
                                  nullptr, nullptr, nullptr, {true, nullptr, nullptr}};
    EXPECT_EQ(tavik::abi::Add(api, allNull), 0);
    QsoSpec nullParts;
    nullParts.call = nullptr;
    nullParts.band = nullptr;
    nullParts.countryPrefix = nullptr;
    nullParts.rstSent = nullptr;
    EXPECT_EQ(Add(nullParts), 1);
    EXPECT_EQ(Remove(nullParts), 1);
    EXPECT_EQ(tavik::abi::Remove(api, allNull), 1);
    tavik::abi::CallCheckRawArguments nullTexts;
    nullTexts.text4 = nullptr;
    nullTexts.unusedText = nullptr;
    EXPECT_EQ(tavik::abi::CheckCall(api, nullptr, nullptr, nullptr, nullptr, nullptr, nullTexts), 1);
    EXPECT_EQ(ReadFile("err.txt"),
              std::string("CIS-QPSK63-DX UBN file \r\n") +
              "QSO:  0" + std::string(16, ' ') + "   Not full control number recieved !!!\r\n");
    EXPECT_EQ(api.getResult0(nullptr),
              std::string(" CIS DX PSK - \r\n     Contestant: \r\nBand\tQSOs\tPoints\tDXDA\r\n"
                          "\t 0\t 0\t 0\r\nTotal\t 0\t 0\t 0\r\nScore = 0 * 0 = 0 \r\n"));
}

TEST_F(ExportTest, MegabyteTextsAndPercentSigns) {
    const std::string huge(1 << 20, 'W');
    const std::string percent = "%s%n%s%n%99999999d";
    Reset(huge.c_str(), percent.c_str());
    QsoSpec big;
    big.call = huge.c_str();
    big.band = percent.c_str();
    big.exchangeReceived = huge.c_str();
    EXPECT_EQ(Add(big), 1);
    big.mode = percent.c_str();
    big.call = "UA9XX";
    EXPECT_EQ(Add(big), 0);
    const std::string report = Result();
    EXPECT_NE(report.find("Contestant: " + huge + "\r\n"), std::string::npos);
    EXPECT_NE(report.find(percent + "\t 1\t 3\t 1\r\n"), std::string::npos);
    const std::string err = ReadFile("err.txt");
    EXPECT_NE(err.find("  " + percent + "  "), std::string::npos);
    EXPECT_EQ(Check(huge.c_str(), percent.c_str(), percent.c_str()), 0);
}

TEST_F(ExportTest, MissingPluginsFolderLosesOnlyTheSettingsWrite) {
    ASSERT_TRUE(std::filesystem::remove("Plugins"));
    Reset();
    QsoSpec qso;
    Add(qso);
    EXPECT_EQ(Result(), " CIS DX PSK 14.09-15.09.2013 \r\n     Contestant: DL1ABC\r\n"
                        "Band\tQSOs\tPoints\tDXDA\r\n20M\t 1\t 3\t 1\r\n"
                        "Total\t 1\t 3\t 1\r\nScore = 3 * 1 = 3 \r\n");
    EXPECT_FALSE(FileExists("Plugins"));
}

TEST_F(ExportTest, UnwritableErrorLogChangesNoResult) {
    // err.txt a folder: it can be neither created nor written, whoever runs this.
    ASSERT_TRUE(std::filesystem::create_directory("err.txt"));
    EXPECT_EQ(Reset(), 1);
    QsoSpec refused;
    refused.mode = "BPSK31";
    EXPECT_EQ(Add(refused), 0);
    QsoSpec good;
    EXPECT_EQ(Add(good), 1);
    EXPECT_EQ(Remove(good), 1);
    EXPECT_NE(Result().find("Score = 0 * 0 = 0 \r\n"), std::string::npos);
}

TEST_F(ExportTest, OutOfMemoryNeverEscapesAnEntryPoint) {
#if defined(_WIN32)
    GTEST_SKIP() << "the DLL carries its own operator new, which a test cannot replace";
#endif
    Reset();
    QsoSpec kept;
    ASSERT_EQ(Add(kept), 1);
    const std::string before = Result();
    QsoSpec other;
    other.call = "UR5AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA";  // too long for in-place storage

    failAllocations = true;
    const int32_t added = Add(other);
    const int32_t removed = Remove(kept);
    char buffer[8] = "keep";
    const int32_t checked = tavik::abi::CheckCall(api, other.call, "20M", "20M", buffer, buffer);
    const char* report = api.getResult0(nullptr);
    const int32_t reset = Reset();
    failAllocations = false;

    EXPECT_EQ(added, 0);  // not kept, so not accepted
    EXPECT_EQ(removed, 1);
    EXPECT_EQ(checked, 1);
    EXPECT_NE(report, nullptr);
    EXPECT_EQ(reset, 1);
    // The state is still usable afterwards.
    Reset();
    EXPECT_EQ(Add(kept), 1);
    EXPECT_EQ(Result(), before);
}

TEST_F(ExportTest, OutOfMemoryInOneStepStillRunsTheLaterOnes) {
#if defined(_WIN32)
    GTEST_SKIP() << "the DLL carries its own operator new, which a test cannot replace";
#endif
    Reset();
    QsoSpec refused;
    refused.mode = "BPSK31";
    ASSERT_EQ(Add(refused), 0);
    ASSERT_NE(ReadFile("err.txt"), "CIS-QPSK63-DX UBN file \r\n");

    int32_t exportDone = 0;
    failAllocations = true;
    Reset("DL1ABC", "DL", 1);  // the header step fails: err.txt must still restart
    failAllocations = false;
    EXPECT_EQ(ReadFile("err.txt"), "CIS-QPSK63-DX UBN file \r\n");

    failAllocations = true;
    api.getResult0(&exportDone);  // the export fails: the flag must still be set
    failAllocations = false;
    EXPECT_EQ(exportDone, -1);
    EXPECT_FALSE(FileExists("DL1ABC.cbr"));
}
