#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/scratch_folder.h"

namespace {

class ExactMatchTest : public ScratchFolderTest {};

// Three logs: each QSO line says what the baseline is to make of it.
TEST_F(ExactMatchTest, VerdictsByBandCallsWindowAndNumber) {
    const char* logs[][2] = {
        {"AA1A", "14070 1200 0001 BB1B 0010|"   // B logged it 5 minutes later: ok
                 "14070 1210 0002 CC1C 0020|"   // C 6 minutes later: nil
                 "7040 1220 0003 BB1B 0099|"    // B sent 0011: busted-exchange
                 "14070 1230 0004 BB1B 0010|"   // B again on 20 m: dupe
                 "21070 1240 0005 ZZ9Z 0001|"   // no log of ZZ9Z: unique
                 "28120 1250 0006 CC1C 0021|"}, // C logged it on 15 m: nil
        {"BB1B", "14070 1205 0010 AA1A 0001|7040 1220 0011 AA1A 0003|"},
        {"CC1C", "14070 1216 0020 AA1A 0002|21070 1250 0021 AA1A 0006|"},
    };
    std::filesystem::create_directory("logs");
    for (const auto& [call, qsos] : logs) {
        std::string text = "START-OF-LOG: 3.0\r\nCALLSIGN: " + std::string(call) + "\r\n";
        std::string rest = qsos;
        for (std::size_t end; (end = rest.find('|')) != std::string::npos; rest.erase(0, end + 1)) {
            char khz[8], time[8], sent[8], other[16], received[8];
            std::sscanf(rest.substr(0, end).c_str(), "%7s %7s %7s %15s %7s", khz, time, sent,
                        other, received);
            text += std::string("QSO: ") + khz + " QM 2025-09-20 " + time + " " + call + " 599 " +
                    sent + " " + other + " 599 " + received + "\r\n";
        }
        WriteFile("logs/" + std::string(call) + ".log", text + "END-OF-LOG:\r\n");
    }
    const std::string command = "python3 " TAVIK_SOURCE_DIR "/bench/exact_match_check.py "
                                "--out out logs";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream in("out/qsos.tsv", std::ios::binary);
    const std::string table(std::istreambuf_iterator<char>(in), {});
    EXPECT_EQ(table,
              "log\tline\tverdict\tdetail\n"
              "AA1A\t3\tok\t\nAA1A\t4\tnil\t\nAA1A\t5\tbusted-exchange\t0011\n"
              "AA1A\t6\tdupe\t\nAA1A\t7\tunique\t\nAA1A\t8\tnil\t\n"
              "BB1B\t3\tok\t\nBB1B\t4\tok\t\nCC1C\t3\tnil\t\nCC1C\t4\tnil\t\n");
}

}  // namespace
