// The live score window in a terminal: the driver shows a canned snapshot in a tmux
// pane; the tests type into the pane, resize it and read the screen back.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/run_program.h"
#include "support/screen_wait.h"

namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

using tavik::test::Shell;
using tavik::test::ShellQuoted;

// The first row that starts with text (or anywhere holds it), or -1.
int RowOf(const Lines& screen, const std::string& text, bool anywhere) {
    for (std::size_t row = 0; row < screen.size(); ++row) {
        const std::size_t at = screen[row].find(text);
        if (at == 0 || (anywhere && at != std::string::npos)) return static_cast<int>(row);
    }
    return -1;
}
int RowStarting(const Lines& screen, const std::string& text) { return RowOf(screen, text, false); }
int RowHolding(const Lines& screen, const std::string& text) { return RowOf(screen, text, true); }

// Whether the escape codes that tmux writes just before text in a captured row set
// the attribute code (1 bold, 7 reverse, 31 red).
bool StyledWith(const std::string& row, const std::string& text, const std::string& code) {
    const std::size_t at = row.find(text);
    std::size_t from = at;
    while (from != std::string::npos && from > 0 && row[from - 1] == 'm') {
        from = row.rfind('\x1b', from - 1);
    }
    if (at == std::string::npos || from == std::string::npos) return false;
    const std::string codes = row.substr(from, at - from);
    for (const char* lead : {"[", ";"}) {
        for (const char* end : {"m", ";"}) {
            if (codes.find(lead + code + end) != std::string::npos) return true;
        }
    }
    return false;
}

// Polls until done() holds, for a while at most.
bool Eventually(const std::function<bool()>& done) {
    for (const auto deadline = std::chrono::steady_clock::now() + kScreenPatience; !done();
         std::this_thread::sleep_for(20ms)) {
        if (std::chrono::steady_clock::now() > deadline) return false;
    }
    return true;
}

class LiveView : public ::testing::Test {
protected:
    void SetUp() override {
        if (Shell("tmux -V") != 0) GTEST_SKIP() << "tmux is not installed";
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tavik-live-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        exit_ = (dir_ / "exit").string();
        unsetenv("TMUX");
    }

    void TearDown() override {
        Tmux("kill-server");
        std::filesystem::remove_all(dir_);
    }

    int Tmux(const std::string& args, std::string* out = nullptr) {
        const std::string socket = ShellQuoted((dir_ / "tmux").string());
        return Shell("tmux -S " + socket + " -f /dev/null " + args, out);
    }

    // The driver (or another program line) in a 100x40 pane with these variables set;
    // afterwards its exit status and the terminal's modes go to exit_.
    void Launch(const std::string& environment,
                const std::string& program = ShellQuoted(TAVIK_LIVE_VIEW_DRIVER)) {
        const std::string command = environment + " " + program +
                                    "; echo rc=$? > " + ShellQuoted(exit_) + "; stty -a >> " +
                                    ShellQuoted(exit_) + "; sleep 10";
        std::filesystem::remove(exit_);
        Tmux("kill-server");
        // A server whose last session just ended may still be going away.
        int status = Tmux("new-session -d -x 100 -y 40 " + ShellQuoted(command));
        for (int attempt = 0; status != 0 && attempt < 5; ++attempt) {
            std::this_thread::sleep_for(50ms);
            status = Tmux("new-session -d -x 100 -y 40 " + ShellQuoted(command));
        }
        ASSERT_EQ(status, 0);
    }

    void Keys(const std::string& keys) { ASSERT_EQ(Tmux("send-keys -t 0 " + keys), 0); }

    Lines Screen() {
        std::string text;
        Tmux("capture-pane -p -t 0", &text);
        Lines lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    // Waits until everything expect() checks of the screen holds (see AwaitScreen);
    // tmux shows the old rows for a while after a resize.
    Lines Await(const std::function<void(const Lines&)>& expect) {
        return AwaitScreen([this] { return Screen(); }, expect);
    }

    // Waits until the call check row of the 100x40 pane reads exactly line.
    Lines WaitForCall(const std::string& line) {
        return Await([&line](const Lines& screen) {
            ASSERT_EQ(screen.size(), 40u);
            EXPECT_EQ(screen[38], line);
        });
    }

    // What the shell wrote once the driver had ended.
    std::string ExitReport() {
        std::string text;
        Eventually([&] {
            std::ifstream in(exit_);
            text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            return text.find("isig") != std::string::npos;
        });
        return text;
    }

    std::filesystem::path dir_;
    std::string exit_;
};

TEST_F(LiveView, DrawsTheSnapshotChecksCallsAsTypedAndQuits) {
    // Block characters where the locale has UTF-8; Ctrl+C quits even inside a call.
    const struct {
        const char* locale;
        std::string bar;
        const char* quit;
    } kRuns[] = {{"C.UTF-8", "\u2588\u2588", "q"}, {"C", "##", "u a C-c"}};
    for (const auto& [locale, bar, quit] : kRuns) {
        SCOPED_TRACE(locale);
        Launch(std::string("LC_ALL=") + locale);
        // The whole first screen: a capture may come while it is being drawn.
        Await([&bar = bar](const Lines& screen) {
            EXPECT_NE(RowHolding(screen, "Score = 7 * 3 = 21"), -1);
            EXPECT_EQ(screen.at(0), "2025-09-20 12:14:30 UTC   contest 0:14 gone, 23:46 left");
            // The report's tabs expanded; the last QSOs beside it.
            EXPECT_EQ(RowStarting(screen, "Band    QSOs    Points  DXDA"), 3);
            EXPECT_EQ(RowStarting(screen, "40M      2       4       2"), 4);
            for (const char* qso : {"12:04 20M  UA9XX      3 pts, new mult",
                                    "12:07 20M  UA9XX      dupe",
                                    "12:10 40M  DL1ABC     refused: no control number",
                                    "12:12 40M  EW1EW      1 pt, new mult"}) {
                EXPECT_NE(RowHolding(screen, qso), -1) << qso;
            }
            const int hours = RowStarting(screen, "10 11 12");
            ASSERT_GT(hours, 0);
            EXPECT_EQ(RowStarting(screen, "Rate 24/h last 10 min, 5/h last 60 min; last 10 QSOs -,"
                                          " last 100 -"),
                      hours - 5);
            EXPECT_EQ(RowStarting(screen, "QSOs per clock hour (UTC); best 12:00 to 13:00 with 5"),
                      hours - 4);
            // Hour 10 (2 QSOs) fills one of the three rows and a bit; hour 11 is empty.
            EXPECT_EQ(screen[static_cast<std::size_t>(hours - 1)], bar + "    " + bar);
            EXPECT_EQ(screen[static_cast<std::size_t>(hours - 3)], "      " + bar);
            EXPECT_EQ(RowStarting(screen, "40M  2 mults: 1001 1002"), hours + 1);
        });

        // Dupe and new from the checker after every key; q inside a call is a letter.
        Keys("-l ua9xx");
        WaitForCall("Call UA9XX  40M new  20M dupe");
        Keys("BSpace");
        WaitForCall("Call UA9X  40M new  20M new");
        Keys("-l q");
        WaitForCall("Call UA9XQ  40M new  20M new");
        for (const auto& [clearing, typed] : {std::pair{"Escape", "Call UA9XQ9  40M new  20M new"},
                                              std::pair{"Enter", "Call 9  40M new  20M new"}}) {
            Keys("-l 9");
            WaitForCall(typed);
            Keys(clearing);
            Await([clearing = clearing](const Lines& screen) {
                ASSERT_EQ(screen.size(), 40u);
                EXPECT_EQ(screen[38], "Call   type a call to check it; q quits") << clearing;
                EXPECT_EQ(screen.back(), "contest.adi: following");
            });
        }
        Keys(quit);
        const std::string exit = ExitReport();
        EXPECT_EQ(exit.rfind("rc=0\n", 0), 0u) << exit;
        EXPECT_NE(exit.find(" icanon"), std::string::npos) << exit;
        EXPECT_NE(exit.find(" echo "), std::string::npos) << exit;
    }
}

TEST_F(LiveView, ResizedKeepsTheScoreAndTheCallCheckOnScreen) {
    Launch("LC_ALL=C.UTF-8");
    // Keys only once the view is up: before, the terminal would still echo them.
    Await([](const Lines& screen) { EXPECT_NE(RowHolding(screen, "Score = 7 * 3 = 21"), -1); });
    Keys("-l ua9xx");
    WaitForCall("Call UA9XX  40M new  20M dupe");
    // Every size keeps the score, the call check and the status at the bottom, apart.
    const struct {
        int width, height;
        const char* call;
    } kSizes[] = {{80, 24, "Call UA9XX  40M new  20M dupe"}, {20, 5, "Call UA9XX  40M new"},
                  {2, 1, "Ca"}, {100, 40, "Call UA9XX  40M new  20M dupe"}};
    for (const auto& size : kSizes) {
        SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height));
        ASSERT_EQ(Tmux("resize-window -t 0 -x " + std::to_string(size.width) + " -y " +
                       std::to_string(size.height)),
                  0);
        const int call = size.height - (size.height > 1 ? 2 : 1);
        const std::string status = std::string("contest.adi: following").substr(0, size.width);
        Await([&](const Lines& screen) {
            ASSERT_EQ(screen.size(), static_cast<std::size_t>(size.height));
            EXPECT_EQ(RowStarting(screen, size.call), call);
            if (size.height > 1) {
                EXPECT_EQ(screen.back(), status);
                EXPECT_EQ(RowStarting(screen, "Score = 7 * 3 = 21"),
                          size.height > 5 ? 7 : call - 1);
            }
        });
    }
}

// Dupes in reverse video, new multipliers in bold, the band in use marked, the
// partial calls, the bell on a dupe typed for that band; colours only without NO_COLOR.
TEST_F(LiveView, MakesDupesNewMultipliersAndTheBandInUseStandOut) {
    const std::string bell = (dir_ / "bell").string();
    for (const std::string noColor : {"", "1"}) {
        SCOPED_TRACE("NO_COLOR=" + noColor);
        std::filesystem::remove(bell);
        Launch("LC_ALL=C.UTF-8 LIVE_VIEW_BELL=1 NO_COLOR=" + noColor);
        ASSERT_EQ(Tmux("set-option -g bell-action any"), 0);
        const std::string touch = ShellQuoted("touch " + bell);
        ASSERT_EQ(Tmux("set-hook -g alert-bell " + ShellQuoted("run-shell " + touch)), 0);
        Await([](const Lines& screen) { EXPECT_NE(RowHolding(screen, "Score = 7 * 3 = 21"), -1); });
        std::string styled;
        Tmux("capture-pane -e -p -t 0", &styled);
        std::istringstream rows(styled);
        int checked = 0;
        for (std::string row; std::getline(rows, row);) {
            if (row.find("UA9XX      dupe") != std::string::npos) {
                EXPECT_TRUE(StyledWith(row, "12:07 20M  UA9XX", "7")) << row;
                EXPECT_EQ(StyledWith(row, "12:07 20M  UA9XX", "31"), noColor.empty()) << row;
                ++checked;
            }
            if (row.find("RA3AA      3 pts, new mult") != std::string::npos) {
                EXPECT_TRUE(StyledWith(row, "12:01 40M  RA3AA", "1")) << row;
                ++checked;
            }
            if (row.find("\u25C0") != std::string::npos) {
                EXPECT_TRUE(StyledWith(row, "40M      2       4       2", "1")) << row;
                ++checked;
            }
        }
        EXPECT_EQ(checked, 3);
        EXPECT_EQ(styled.find("31m") == std::string::npos, !noColor.empty()) << styled;

        Keys("-l ra3a");
        Await([](const Lines& screen) {
            ASSERT_EQ(screen.size(), 40u);
            EXPECT_EQ(screen[36], "SCP  none");
            EXPECT_EQ(screen[37], "Log  none");
            EXPECT_EQ(screen[38], "Call RA3A  40M new  20M new");
        });
        EXPECT_FALSE(std::filesystem::exists(bell));
        Keys("-l a");
        Await([](const Lines& screen) {
            ASSERT_EQ(screen.size(), 40u);
            EXPECT_EQ(screen[37], "Log  RA3AA 40M");
            EXPECT_EQ(screen[38], "Call RA3AA  40M dupe  20M new");
        });
        EXPECT_TRUE(Eventually([&] { return std::filesystem::exists(bell); }));
        Keys("Escape q");
        EXPECT_EQ(ExitReport().rfind("rc=0\n", 0), 0u);
    }
}

// The real thing: tavik-host --watch on the sample log, a call checked through the
// plugin, a QSO logged meanwhile.
TEST_F(LiveView, WatchShowsTheScoreChecksCallsAndFollowsTheLog) {
    const std::filesystem::path log = dir_ / "logbook.adi";
    std::filesystem::copy_file(TAVIK_SAMPLES_DIR "/cis-dx-psk.adi", log);
    std::filesystem::create_directory(dir_ / "work");
    Launch("LC_ALL=C.UTF-8", ShellQuoted(TAVIK_HOST_PATH) + " --watch --no-automation --plugin " +
                                 ShellQuoted(TAVIK_PLUGIN_PATH) + " --dir " +
                                 ShellQuoted((dir_ / "work").string()) + " " +
                                 ShellQuoted(log.string()));
    Await([](const Lines& screen) {
        EXPECT_NE(RowHolding(screen, "Score = 589 * 150 = 88350"), -1);
        EXPECT_NE(RowStarting(screen, "10M      29      63      22"), -1);
    });
    // EA4BNS was worked on 80M and 10M.
    Keys("-l ea4bns");
    WaitForCall("Call EA4BNS  80M dupe  40M new  30M new  20M new  15M new  10M dupe");
    Keys("Escape");
    WaitForCall("Call   type a call to check it; q quits");
    std::ofstream(log, std::ios::app)
        << "<CALL:5>UA9XX <QSO_DATE:8>20250921 <TIME_ON:4>1150 <BAND:3>20m <MODE:6>QPSK63 "
           "<STX_STRING:4>0301 <SRX_STRING:4>7777 <RST_SENT:3>599 <RST_RCVD:3>599 <EOR>\n";
    // The new QSO's row lies below the score: wait for both, as the screen is redrawn.
    Await([](const Lines& screen) {
        EXPECT_NE(RowHolding(screen, "Score = 592 * 151 = 89392"), -1);
        EXPECT_NE(RowHolding(screen, "11:50 20M  UA9XX      3 pts, new mult"), -1);
    });
    Keys("-l q");
    EXPECT_EQ(ExitReport().rfind("rc=0\n", 0), 0u);
}

TEST_F(LiveView, OpensNothingWithoutAUsableTerminal) {
    EXPECT_EQ(Shell(ShellQuoted(TAVIK_LIVE_VIEW_DRIVER) + " </dev/null"), 3);
    Launch("TERM=no-such-terminal");
    EXPECT_EQ(ExitReport().rfind("rc=3\n", 0), 0u);
}

}  // namespace
