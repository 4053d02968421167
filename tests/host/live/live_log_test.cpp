// A log that changes while it is read: a save in progress, an own call first named
// later, the points each row shows, the rates and the partial calls of the window.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "host/input/country_file.h"
#include "host/live/live_log.h"
#include "host/live/live_scoring.h"
#include "host/input/log_reader.h"
#include "host/session/plugin_loader.h"
#include "host/input/source_file.h"
#include "support/adif_qso_text.h"

using namespace tavik::host;
using tavik::test::AdifQsoText;
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

TEST_F(Scratch, ASaveInProgressIsWaitedOutAndALaterOwnCallIsTaken) {
    LiveLog log(path_, "log.adi", PeriodSettings{}, {});
    Write(AdifQsoText("DL1AA", 0) + AdifQsoText("DL1AB", 1));
    ASSERT_EQ(Settle(log), LiveLog::Change::kRewritten);
    EXPECT_EQ(log.Content().ownCall, "");

    // An append naming the station: the own call, as a one-shot run takes it.
    Append(AdifQsoText("DL1AC", 2, "<STATION_CALLSIGN:5>UA3AA"));
    ASSERT_EQ(Settle(log), LiveLog::Change::kGrew);
    EXPECT_EQ(log.Content().ownCall, "UA3AA");
    EXPECT_EQ(log.Content().qsos.size(), 3u);

    // Cut short and half written again: the content stays as it was meanwhile.
    const std::string whole =
        AdifQsoText("DL1AA", 0) + AdifQsoText("DL1AC", 2, "<STATION_CALLSIGN:5>UA3AA");
    Write(whole.substr(0, whole.size() / 2));
    EXPECT_EQ(log.Refresh(), LiveLog::Change::kUnsettled);
    EXPECT_EQ(log.Content().qsos.size(), 3u);
    Write(whole);
    ASSERT_EQ(Settle(log), LiveLog::Change::kRewritten);
    EXPECT_EQ(log.Content().qsos.size(), 2u);
}

TEST_F(Scratch, EachRowOfTheLastQsosShowsItsOwnPoints) {
    auto loaded = LoadPlugin(TAVIK_PLUGIN_PATH);
    ASSERT_TRUE(loaded) << loaded.Why().message;
    const PluginApi& api = *loaded;
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

