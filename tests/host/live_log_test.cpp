// A log that changes while it is read: mapped bytes cut short, a save in progress,
// an own call first named later, capped warnings, the points each row shows, the
// rates and the partial calls of the window.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "host/input/call_list.h"
#include "host/input/country_file.h"
#include "host/live/live_log.h"
#include "host/live/live_scoring.h"
#include "host/input/log_reader.h"
#include "host/session/plugin_loader.h"
#include "host/input/source_file.h"

using namespace tavik::host;
namespace fs = std::filesystem;

namespace {

class Scratch : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("tavik-live-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        path_ = (dir_ / "log.adi").string();
    }
    void TearDown() override {
        std::error_code ignored;
        fs::current_path(fs::temp_directory_path(), ignored);
        fs::remove_all(dir_, ignored);
    }
    void Write(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }
    void Append(const std::string& text) {
        std::ofstream(path_, std::ios::binary | std::ios::app) << text;
    }
    fs::path dir_;
    std::string path_;
};

std::string Record(const std::string& call, int minute, const std::string& extra = "") {
    char time[8];
    std::snprintf(time, sizeof time, "%02d%02d", 12 + minute / 60, minute % 60);
    return "<CALL:" + std::to_string(call.size()) + ">" + call +
           "<QSO_DATE:8>20250920<TIME_ON:4>" + time +
           "<MODE:3>PSK<SUBMODE:6>QPSK63<BAND:3>20M<STX_STRING:4>0001<SRX_STRING:4>" +
           std::to_string(1000 + minute) + extra + "<EOR>\n";
}

// Refreshes until the log says something other than kNone or kUnsettled.
LiveLog::Change Settle(LiveLog& log) {
    for (int i = 0; i < 200; ++i) {
        const LiveLog::Change change = log.Refresh();
        if (change != LiveLog::Change::kNone && change != LiveLog::Change::kUnsettled) return change;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return LiveLog::Change::kNone;
}

}  // namespace

TEST_F(Scratch, MappedBytesOfAFileThatChangesAreNotTrusted) {
    const std::string text(1 << 20, 'x');
    struct Case {
        const char* what;
        void (*change)(const std::string& path);
        bool heldStill;
    } cases[] = {
        {"untouched", [](const std::string&) {}, true},
#if !defined(_WIN32)  // Windows refuses to cut a mapped file short
        // Reading past the new end would raise SIGBUS without the guard.
        {"cut short", [](const std::string& path) { fs::resize_file(path, 100); }, false},
#endif
        {"written over",
         [](const std::string& path) {
             std::fstream(path, std::ios::binary | std::ios::in | std::ios::out) << "changed";
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Write(text);
        std::string error;
        std::unique_ptr<InputBytes> bytes = OpenInputBytes(path_, error, false);
        ASSERT_TRUE(bytes) << error;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));  // a later change time
        c.change(path_);
        std::size_t xs = 0;
        for (char byte : bytes->Bytes()) xs += byte == 'x';
        EXPECT_EQ(bytes->HeldStill(), c.heldStill);
        if (c.heldStill) {
            EXPECT_EQ(xs, text.size());
        }
    }
}

TEST_F(Scratch, ASaveInProgressIsWaitedOutAndALaterOwnCallIsTaken) {
    LiveLog log(path_, "log.adi", PeriodSettings{}, {});
    Write(Record("DL1AA", 0) + Record("DL1AB", 1));
    ASSERT_EQ(Settle(log), LiveLog::Change::kRewritten);
    EXPECT_EQ(log.Content().ownCall, "");

    // An append naming the station: the own call, as a one-shot run takes it.
    Append(Record("DL1AC", 2, "<STATION_CALLSIGN:5>UA3AA"));
    ASSERT_EQ(Settle(log), LiveLog::Change::kGrew);
    EXPECT_EQ(log.Content().ownCall, "UA3AA");
    EXPECT_EQ(log.Content().qsos.size(), 3u);

    // Cut short and half written again: the content stays as it was meanwhile.
    const std::string whole = Record("DL1AA", 0) + Record("DL1AC", 2, "<STATION_CALLSIGN:5>UA3AA");
    Write(whole.substr(0, whole.size() / 2));
    EXPECT_EQ(log.Refresh(), LiveLog::Change::kUnsettled);
    EXPECT_EQ(log.Content().qsos.size(), 3u);
    Write(whole);
    ASSERT_EQ(Settle(log), LiveLog::Change::kRewritten);
    EXPECT_EQ(log.Content().qsos.size(), 2u);
}

TEST(Diagnostics, OnlyTheFirstFewOfAKindArePrintedAndTheRestCounted) {
    std::string text = "<EOH>" + Record("DL1AA", 0);
    for (int i = 0; i < 1000; ++i) text += "< ";
    text += Record("DL1AB", 1);
    for (int i = 0; i < 30; ++i) text += Record("DL" + std::to_string(i) + "X", 2 + i, "<FREQ:3>abc");
    SourceFile source("log.adi", text);
    struct Count : QsoHandler {
        void OnQso(const Qso&, std::size_t, std::size_t, Diagnostics&) override { ++qsos; }
        int qsos = 0;
    } count;
    std::vector<std::string> lines;
    Diagnostics diagnostics([&](const std::string& line) { lines.push_back(line); });
    ReadLog(source, count, diagnostics);
    diagnostics.Finish(source);
    EXPECT_EQ(count.qsos, 32);
    EXPECT_EQ(diagnostics.Warnings(), 1030u);
    ASSERT_EQ(lines.size(), 2 * Diagnostics::kShownOfAKind + 2);
    EXPECT_EQ(lines[lines.size() - 2].rfind(
                  "warning: log.adi: 980 more warnings like the one at byte offset " +
                      std::to_string(text.find("< ")) + " not shown ('<' starts no tag",
                  0),
              0u)
        << lines[lines.size() - 2];
    EXPECT_NE(lines.back().find(": 10 more warnings like the one at byte offset "), std::string::npos)
        << lines.back();
    EXPECT_NE(lines.back().find("(FREQ 'abc' ignored"), std::string::npos) << lines.back();
}

TEST_F(Scratch, EachRowOfTheLastQsosShowsItsOwnPoints) {
    PluginApi api;
    std::string error;
    ASSERT_TRUE(LoadPlugin(TAVIK_PLUGIN_PATH, api, error)) << error;
    CountryFile countries = CountryFile::Parse(SourceFile(
        "cty.dat", "European Russia: 16: 29: EU: 55.75: -37.62: -3.0: UA:\n    UA;\n"
                   "Fed. Rep. of Germany: 14: 28: EU: 51.00: -10.00: -1.0: DL:\n    DL;\n"));
    fs::current_path(dir_);
    fs::create_directory("Plugins");
    LiveScoring scoring(api, countries, LiveScoringSettings{"DL1ZZ", {}});
    // 40 QSOs, then 60 more at once: rows of the last batch are each measured alone,
    // the others of that batch not at all.
    LogContent content;
    for (int i = 0; i < 100; ++i) {
        Qso qso;
        qso.call = (i % 2 ? "UA" : "DL") + std::to_string(i) + "A";
        qso.band = "20M";
        qso.mode = "QPSK63";
        qso.exchangeSent = "0001";
        qso.exchangeReceived = std::to_string(1000 + i);
        qso.time = 45920.5 + i / 1440.0;
        content.qsos.push_back(qso);
    }
    LogContent first = content;
    first.qsos.resize(40);
    ASSERT_TRUE(scoring.Follow(first, LiveLog::Change::kRewritten, 0)) << scoring.Problem();
    ASSERT_TRUE(scoring.Follow(content, LiveLog::Change::kGrew, 40)) << scoring.Problem();
    LiveSnapshot snapshot;
    scoring.Fill(snapshot, 0);
    ASSERT_FALSE(snapshot.lastQsos.empty());
    for (const LiveQso& row : snapshot.lastQsos) {
        SCOPED_TRACE(row.call);
        // A German station works a Russian one for 3 points, another German for 1.
        EXPECT_EQ(row.points, row.call.rfind("UA", 0) == 0 ? 3 : 1);
        EXPECT_TRUE(row.newMultiplier);
    }

    // A dupe at 13:40 and the same call on 40M at 13:41: the partial calls list
    // the bands in the report's order, and the rates leave the dupe out.
    for (const auto& [band, minute] : {std::pair{"20M", 100}, {"40M", 101}}) {
        Qso qso = content.qsos[9];
        qso.band = band;
        qso.time = 45920.5 + minute / 1440.0;
        content.qsos.push_back(qso);
    }
    ASSERT_TRUE(scoring.Follow(content, LiveLog::Change::kGrew, 100)) << scoring.Problem();
    const CallAnswer answer = scoring.CheckCall("9A", 4);
    ASSERT_EQ(answer.worked.size(), 4u);
    EXPECT_EQ(answer.worked[0].first, "UA19A");
    EXPECT_EQ(answer.worked[3].first, "UA49A");
    EXPECT_EQ(scoring.CheckCall("UA9A", 4).worked.at(0),
              (std::pair<std::string, std::vector<std::string>>{"UA9A", {"40M", "20M"}}));
    scoring.Fill(snapshot, 45920.5 + 101.5 / 1440.0);
    EXPECT_EQ(snapshot.duplicates, 1u);
    EXPECT_EQ(snapshot.rates.last10Minutes, 9u);  // 13:32 to 13:39, and 13:41
    EXPECT_EQ(snapshot.rates.bestHourQsos, 60u);
}

TEST(LiveRates, ByTheClockAndOverTheLastQsos) {
    // 90 QSOs from 10:00 to 10:29, three a minute; then one a minute 12:00 to 12:11.
    constexpr long long kDay = 45920LL * 1440;
    std::map<long long, std::size_t> perMinute;
    for (int m = 0; m < 30; ++m) perMinute[kDay + 600 + m] = 3;
    for (int m = 0; m < 12; ++m) perMinute[kDay + 720 + m] = 1;
    const auto at = [](int minutes, int seconds) { return 45920 + (minutes + seconds / 60.0) / 1440; };
    const struct {
        double now;
        std::size_t last10, last60;
    } kClocks[] = {
        {at(731, 30), 10, 12},  // 12:11:30
        {at(750, 0), 0, 12},    // a pause: 12:30
        {at(840, 0), 0, 0},     // 14:00
        {at(720, 0), 2, 2},     // 12:00: 12:01 counts, the logger's clock may be ahead
        {at(600, 0), 6, 6},     // 10:00: 10:00 and 10:01 only
    };
    for (const auto& clock : kClocks) {
        const LiveRates rates = RatesAt(perMinute, clock.now);
        EXPECT_EQ(rates.last10Minutes, clock.last10) << clock.now;
        EXPECT_EQ(rates.last60Minutes, clock.last60) << clock.now;
        // The last 10 QSOs took 12:02 to 12:11; the last 100 reach back to 10:00.
        EXPECT_EQ(rates.ofLast10Qsos, 60u);
        EXPECT_EQ(rates.ofLast100Qsos, 45u);  // 100 in 132 minutes
        EXPECT_EQ(rates.bestHourQsos, 90u);
        EXPECT_DOUBLE_EQ(rates.bestHour, 45920 + 10.0 / 24);
    }
    perMinute.erase(perMinute.begin(), std::next(perMinute.begin(), 25));
    EXPECT_EQ(RatesAt(perMinute, at(731, 30)).ofLast100Qsos, 0u);  // 27 QSOs only
    EXPECT_EQ(RatesAt({}, at(731, 30)).bestHourQsos, 0u);
}

TEST_F(Scratch, CallListHoldsTheCallsOfAFileThatBeginWithTheTextFirst) {
    Write("# comment\r\nua9xx\r\n\r\nRUA9X\nUA9XX\nUA9XA\n  DL9X  \n");
    const Result<CallList> loaded = CallList::Load(path_);
    ASSERT_TRUE(loaded) << loaded.Why().message;
    const CallList& list = *loaded;
    EXPECT_EQ(list.Size(), 4u);
    EXPECT_EQ(list.Holding("UA9X", 9), (std::vector<std::string>{"UA9XA", "UA9XX", "RUA9X"}));
    EXPECT_EQ(list.Holding("9X", 9), (std::vector<std::string>{"DL9X", "RUA9X", "UA9XA", "UA9XX"}));
    EXPECT_EQ(list.Holding("A9X", 2), (std::vector<std::string>{"RUA9X", "UA9XA"}));
    EXPECT_TRUE(list.Holding("", 9).empty());
    const Result<CallList> none = CallList::Load((dir_ / "none").string());
    ASSERT_FALSE(none);
    EXPECT_NE(none.Why().message.find("none: No such file"), std::string::npos) << none.Why().message;
}

