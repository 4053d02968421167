#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "host/input/log_reader.h"

using namespace tavik::host;

namespace {

struct Offsets : QsoHandler {
    std::vector<std::size_t> offsets;
    void OnQso(const Qso&, std::size_t offset, std::size_t, Diagnostics&) override {
        offsets.push_back(offset);
    }
};

struct Reading {
    LogSummary summary;
    std::vector<std::size_t> offsets;  // of the QSOs handed out, both halves in turn
    std::string told;
    std::size_t warnings = 0;
    bool halved = false;
};

// In halves when keptMost is given: at most that many problems of the second half kept.
Reading Read(const std::string& text, std::size_t keptMost = 0) {
    const bool inHalves = keptMost > 0;
    SourceFile source{"log.adi", text};
    Reading reading;
    Diagnostics diagnostics([&](const std::string& line) { reading.told += line + "\n"; });
    Offsets first, second;
    reading.summary = inHalves ? ReadLogInHalves(source, first, second, diagnostics,
                                                 reading.halved, 0, keptMost)
                               : ReadLog(source, first, diagnostics);
    reading.offsets = first.offsets;
    if (reading.halved)
        reading.offsets.insert(reading.offsets.end(), second.offsets.begin(),
                               second.offsets.end());
    reading.warnings = diagnostics.Warnings();
    return reading;
}

}  // namespace

TEST(LogReader, OwnCallFromTheHeaderElseTheFirstRecordNamingOne) {
    const std::string qso = "<CALL:4>K1AB<QSO_DATE:8>20250920<TIME_ON:4>1200<BAND:3>40m";
    const std::pair<std::string, std::string> cases[] = {
        {"<STATION_CALLSIGN:4>dl1a<EOH>" + qso + "<STATION_CALLSIGN:4>DL2B<EOR>", "DL1A"},
        {"<OPERATOR:4>DL1A<EOH>" + qso + "<STATION_CALLSIGN:4>DL2B<EOR>", "DL2B"},
        // The first record is skipped (no time) but still names the station.
        {"<EOH><CALL:4>K1AB<STATION_CALLSIGN:4>DL2B<EOR>" + qso + "<EOR>", "DL2B"},
        {"<EOH>" + qso + "<EOR>" + qso + "<OPERATOR:4>DL3C<EOR>", "DL3C"},
        {"<EOH>" + qso + "<EOR>", ""},
    };
    for (const auto& [text, call] : cases) EXPECT_EQ(Read(text).summary.ownCall, call) << text;
}

TEST(LogReader, ReadingInHalvesTellsWhatOneReadingTells) {
    const std::string qso = "<CALL:4>K1AB<QSO_DATE:8>20250920<TIME_ON:4>1200<BAND:3>40m<EOR>\n";
    std::string firstHalf = "header <EOH>\n<APP_X_EOF>\n", secondHalf;
    for (int i = 0; i < 40; ++i) firstHalf += qso;
    firstHalf += "<CALL:4>K1AC<TIME_ON:4>1200<EOR>\n<FREQ:6>7,0415" + qso;
    for (int i = 0; i < 40; ++i) secondHalf += qso;
    // A marker told in the first half is not told again; one seen only later is.
    secondHalf += "<app_x_eof><APP_Y_EOF><CALL:4>K1AD<TIME_ON:4>1200<EOR>\n" + qso +
                  "<STATION_CALLSIGN:4>DL2B" + qso + "<CALL:4>K1AE";
    // The first <EOR> after the middle is data in the second text: no halves there.
    std::string dataEor = firstHalf + "<COMMENT:5><EOR>" + qso + secondHalf;
    const std::size_t at = firstHalf.size() + 11;
    if (dataEor.size() < 2 * at) dataEor += std::string(2 * at - dataEor.size(), ' ');
    else dataEor.insert(6, std::string(dataEor.size() - 2 * at, ' '));  // in the header text
    ASSERT_EQ(dataEor.find("<EOR>", dataEor.size() / 2), dataEor.find("<COMMENT:5>") + 11);
    const std::string texts[] = {firstHalf + secondHalf, dataEor};
    // The second half of the first text holds three problems: with room to keep two,
    // the first half's reading goes on through it.
    for (std::size_t keptMost : {100, 2}) {
        for (const std::string& text : texts) {
            Reading one = Read(text);
            Reading halves = Read(text, keptMost);
            EXPECT_EQ(halves.halved, &text == &texts[0] && keptMost == 100);
            EXPECT_EQ(halves.told, one.told);
            EXPECT_EQ(halves.warnings, one.warnings);
            EXPECT_EQ(halves.offsets, one.offsets);
            EXPECT_EQ(halves.summary.records, one.summary.records);
            EXPECT_EQ(halves.summary.ownCall, "DL2B");
        }
    }
    // What one reading tells, for the record numbers past the middle.
    EXPECT_NE(Read(texts[0]).told.find("record 83 skipped: no QSO_DATE"), std::string::npos);
    EXPECT_EQ(Read(texts[0]).warnings, 6u);
}

TEST(LogReader, CabrilloQsoLinesWhoseFieldsAreShiftedAreSkipped) {
    const std::string head = "START-OF-LOG: 3.0\nCALLSIGN: DL6NBS\n";
    const std::pair<std::string, std::string> cases[] = {
        {"QSO: 7041 QM 2025-09-20 1200 DL6NBS 599 0001 UA3AB 599 1234 0\n", ""},
        {"QSO: 7041 QM 2025-09-20 1200 DL6NBS 0001 UA3AB 1234\n", ""},
        {"QSO: 7041 QM 2025-09-20 1200 DL6NBS 599 0001 UA3AB 599\n",
         "record 1 skipped: the received call '0001' has no letter; the line has 9 fields"},
        {"QSO: 7041 QM 2025-09-20 1200 599 0001 UA3AB 599 1234 0\n",
         "record 1 skipped: the sent call '599' has no letter; the line has 10 fields"},
    };
    for (const auto& [line, told] : cases) {
        Reading reading = Read(head + line);
        EXPECT_EQ(reading.offsets.size(), told.empty() ? 1u : 0u) << line;
        EXPECT_NE(reading.told.find(told), std::string::npos) << reading.told;
        EXPECT_EQ(reading.warnings, told.empty() ? 0u : 1u) << reading.told;
    }
}
