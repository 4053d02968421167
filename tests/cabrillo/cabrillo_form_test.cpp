// The Cabrillo header dialog in a terminal: the driver runs it in a tmux pane, the
// tests type into the pane, read the screen back and check what the dialog returned.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cabrillo/dialog_layout.h"
#include "support/run_program.h"
#include "support/screen_wait.h"

namespace tavik {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

constexpr auto kPatience = kScreenPatience;

using test::Shell;
using test::ShellQuoted;

Lines SplitLines(const std::string& text) {
    Lines lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// Without trailing blanks: curses may clear a row's end or write blanks there, and
// tmux keeps the written ones.
Lines Trimmed(Lines lines) {
    for (std::string& line : lines) {
        line.erase(line.find_last_not_of(' ') + 1);
    }
    return lines;
}

// First row at or below from that holds text, or -1.
int RowOf(const Lines& screen, const std::string& text, int from = 0) {
    for (int row = std::max(0, from); row < static_cast<int>(screen.size()); ++row) {
        if (screen[static_cast<std::size_t>(row)].find(text) != std::string::npos) {
            return row;
        }
    }
    return -1;
}

// The row of a control: its label followed by a blank, so that "ADDRESS" does not
// find "ADDRESS-CITY".
std::string RowOfLabel(const Lines& screen, const std::string& label) {
    const int row = RowOf(screen, label + " ");
    return row < 0 ? std::string() : screen[static_cast<std::size_t>(row)];
}

// The driver's output for OK on a form started without texts, with changes
// (written as the driver escapes them).
std::string Collected(const std::map<int, std::string>& changes) {
    // Every control empty unless changed: lists given no start text select nothing.
    std::map<int, std::string> texts;
    for (const DialogControl& control : kCabrilloControls) {
        texts.try_emplace(control.id);
    }
    for (const auto& [id, text] : changes) {
        texts[id] = text;
    }
    std::string out = "result=1\n";
    for (const auto& [id, text] : texts) {
        out += std::to_string(id) + "=" + text + "\n";
    }
    return out;
}

class Form : public ::testing::Test {
protected:
    void SetUp() override {
        if (Shell("tmux -V") != 0) {
            GTEST_SKIP() << "tmux is not installed";
        }
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tavik-form-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        socket_ = (dir_ / "tmux").string();
        output_ = (dir_ / "result").string();
        unsetenv("TMUX");
    }

    void TearDown() override {
        if (!dir_.empty()) {
            Tmux({"kill-server"});
            std::error_code ignored;
            std::filesystem::remove_all(dir_, ignored);
        }
    }

    int Tmux(const std::vector<std::string>& args, std::string* out = nullptr) {
        std::string command = "tmux -f /dev/null -S " + ShellQuoted(socket_);
        for (const std::string& arg : args) {
            command.append(" ").append(ShellQuoted(arg));
        }
        return Shell(command, out);
    }

    // Runs the command in a fresh 100x50 pane.
    void Launch(const std::vector<std::string>& command) {
        std::filesystem::remove(output_);
        std::vector<std::string> args{"new-session", "-d", "-x", "100", "-y", "50"};
        args.insert(args.end(), command.begin(), command.end());
        // A server whose last session just ended may still be going away.
        Tmux({"kill-server"});
        int status = Tmux(args);
        for (int attempt = 0; status != 0 && attempt < 5; ++attempt) {
            std::this_thread::sleep_for(50ms);
            status = Tmux(args);
        }
        ASSERT_EQ(status, 0);
    }

    // Starts the form with these start values (ID=TEXT, escaped) and waits for it.
    void Start(const std::vector<std::string>& values) {
        std::vector<std::string> command{TAVIK_FORM_DRIVER, output_};
        command.insert(command.end(), values.begin(), values.end());
        Launch(command);
        WaitFor("[ CANCEL ]");
    }

    void Keys(const std::vector<std::string>& keys) {
        std::vector<std::string> args{"send-keys", "-t", "0"};
        args.insert(args.end(), keys.begin(), keys.end());
        ASSERT_EQ(Tmux(args), 0);
    }

    void Type(const std::string& text) { ASSERT_EQ(Tmux({"send-keys", "-t", "0", "-l", text}), 0); }

    Lines Screen(bool attributes = false) {
        std::string text;
        Tmux({"capture-pane", "-p", "-t", "0", attributes ? "-e" : "-J"}, &text);
        return SplitLines(text);
    }

    // Waits until everything expect() checks of the screen holds (see AwaitScreen).
    Lines Await(const std::function<void(const Lines&)>& expect, bool attributes = false) {
        return AwaitScreen([this, attributes] { return Screen(attributes); }, expect);
    }

    // Only for pacing keys: the state after them is checked through Result().
    Lines WaitFor(const std::string& text) {
        return Await([&text](const Lines& screen) { EXPECT_NE(RowOf(screen, text), -1) << text; });
    }

    // What the driver wrote once the dialog returned.
    std::string Result() {
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (!std::filesystem::exists(output_)) {
            if (std::chrono::steady_clock::now() > deadline) {
                return "(no result)";
            }
            std::this_thread::sleep_for(20ms);
        }
        std::ifstream in(output_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    std::filesystem::path dir_;
    std::string socket_;
    std::string output_;
};

// What the form does with the keys is the model's, tested on its own; these
// tests hold the terminal side: drawing, key codes, closing, the terminal after.
using FormScreen = Form;
using FormKeys = Form;
using FormClosing = Form;

TEST_F(FormScreen, DrawsLabelsStartValuesDimmedControlsButtonsAndAListUnderItsField) {
    Start({"1009=CIS-QPSK63", "1010=DL1ABC", "1008=12345", "1007=Erik Example",
           "1001=first line\\r\\nsecond line", "1000=0800-0900\\r\\n1000-1100",
           "1004=dl1abc@example.org", "1013=single-op", "1021=6h", "1031=junior"});
    Await([](const Lines& screen) {
        EXPECT_NE(RowOf(screen, "CIS QPSK63 DX Contest"), -1);
        EXPECT_LT(RowOf(screen, "CIS QPSK63 DX Contest"), RowOf(screen, "CONTEST "));
        int previous = 0;
        for (const DialogControl& control : kCabrilloControls) {
            const int row = RowOf(screen, std::string(control.label) + " ");
            EXPECT_GE(row, previous) << control.label;
            previous = row;
        }
        // Labels as the table spells them.
        for (const char* label : {"CATEFORY-TRANSMITTER", "CAREGORY-OVERLAY", "ADDRES-COUNTRY"}) {
            EXPECT_NE(RowOf(screen, label), -1) << label;
        }
        const std::string callRow = RowOfLabel(screen, "CALLSIGN");
        EXPECT_LT(callRow.find("DL1ABC"), callRow.find("CLAIMED"));
        EXPECT_LT(callRow.find("CLAIMED"), callRow.find("12345"));
        for (const auto& [label, shown] : std::map<std::string, std::string>{
                 {"CONTEST", "CIS-QPSK63"}, {"NAME", "Erik Example"},
                 {"E-MAIL", "dl1abc@example.org"}, {"CATEGORY-OPERATOR", "SINGLE-OP"},
                 {"CATEGORY-TIME", "6h"}, {"CAREGORY-OVERLAY", "JUNIOR"}}) {
            EXPECT_NE(RowOfLabel(screen, label).find(shown), std::string::npos) << label;
        }
        const int soapbox = RowOf(screen, "SOAPBOX ");
        EXPECT_EQ(RowOf(screen, "first line"), soapbox);
        EXPECT_EQ(RowOf(screen, "second line"), soapbox + 1);
        EXPECT_EQ(RowOf(screen, "1000-1100"), RowOf(screen, "OFFTIME ") + 1);
        const int buttons = RowOf(screen, "[ OK ]");
        EXPECT_GT(buttons, RowOf(screen, "E-MAIL "));
        EXPECT_EQ(RowOf(screen, "[ CANCEL ]"), buttons);
    });

    Await(
        [](const Lines& attributes) {
            for (const char* label : {"CATEGORY-TIME", "CAREGORY-OVERLAY", "OFFTIME"}) {
                EXPECT_NE(RowOf(attributes, std::string("\x1b[2m") + label), -1) << label;
            }
            for (const char* label : {"CATEGORY-OPERATOR", "CONTEST", "SOAPBOX"}) {
                EXPECT_EQ(RowOf(attributes, std::string("\x1b[2m") + label), -1) << label;
            }
        },
        true);

    // The operator list opens under its field, items in screen order.
    Keys({"Tab", "F4"});
    Await([](const Lines& list) {
        int row = RowOf(list, "CATEGORY-OPERATOR ");
        for (const char* item : {"CHECKLOG ", "MULTI-MULTI ", "MULTI-OP ", "SINGLE-OP "}) {
            EXPECT_EQ(RowOf(list, item, row + 1), row + 2) << item;  // after the top edge
            ++row;
        }
    });
    Keys({"Enter", "Enter"});
    EXPECT_EQ(Result(), Collected({{kIdContest, "CIS-QPSK63"}, {kIdCallSign, "DL1ABC"},
                                   {kIdClaimed, "12345"}, {kIdName, "Erik Example"},
                                   {kIdSoapBox, "first line\\r\\nsecond line"},
                                   {kIdOffTime, "0800-0900\\r\\n1000-1100"},
                                   {kIdEmail, "dl1abc@example.org"},
                                   {kIdCategoryOperator, "SINGLE-OP"}, {kIdCategoryTime, "6h"},
                                   {kIdCategoryOverlay, "junior"}}));
}

// "ü" times n, as UTF-8.
std::string Umlauts(int n) {
    std::string text;
    for (int i = 0; i < n; ++i) text += "\xC3\xBC";
    return text;
}

TEST_F(FormScreen, AUtf8LocaleShowsCharactersAsTypedKeepsTheirBytesAndDrawsLines) {
    Launch({"sh", "-c",
            "LC_ALL=C.UTF-8 " + ShellQuoted(TAVIK_FORM_DRIVER) + " " + ShellQuoted(output_) +
                " '1007=M\\xfcnchen' 1004=dl1abc"});
    WaitFor("[ CANCEL ]");
    // Right and Backspace step over whole characters; Down keeps the cell column.
    Type("M\xC3\xBC");
    Type("chen");
    Keys({"Home", "Right", "Right"});
    Type("n");
    Keys({"End"});
    Type("\xC3\x9F");
    Keys({"BSpace", "Enter"});
    Type("abcdefghij");
    Keys({"Up", "Down"});
    Type("|");
    Await([](const Lines& screen) {
        EXPECT_EQ(RowOf(screen, "M\xC3\xBCnchen"), RowOf(screen, "SOAPBOX "));
        EXPECT_EQ(RowOf(screen, "abcdefg|hij"), RowOf(screen, "SOAPBOX ") + 1);
        // A byte of an older code page is one '?' in its column.
        EXPECT_EQ(RowOfLabel(screen, "NAME").find("M?nchen"),
                  RowOfLabel(screen, "E-MAIL").find("dl1abc"));
    });
    // The address box takes as many characters as it has cells, and no more.
    Keys(std::vector<std::string>(7, "Up"));
    Type(Umlauts(49));
    Await([](const Lines& screen) {
        EXPECT_NE(RowOfLabel(screen, "ADDRESS").find(Umlauts(48)), std::string::npos);
    });
    Keys({"BTab", "F4"});
    Await([](const Lines& screen) {
        std::string edge;
        for (int i = 0; i < 20; ++i) edge += "\u2500";
        const int band = RowOf(screen, "CATEGORY-BAND ");
        EXPECT_NE(RowOf(screen, "\u250C" + edge + "\u2510"), -1);
        EXPECT_EQ(RowOf(screen, "\u250C" + edge + "\u2510", band), band + 1);
        EXPECT_EQ(RowOf(screen, "\u2502ALL ", band), band + 2);
        EXPECT_EQ(RowOf(screen, "\u2514" + edge + "\u2518", band), band + 10);
    });
    Keys({"Escape"});
    Await([](const Lines& screen) { EXPECT_EQ(RowOf(screen, "80M-40M"), -1); });
    Keys({"Enter"});
    EXPECT_EQ(Result(), Collected({{kIdName, "M\xFCnchen"}, {kIdEmail, "dl1abc"},
                                   {kIdSoapBox, "M\xC3\xBCnchen\\r\\nabcdefg|hij"},
                                   {kIdAddress, Umlauts(48)}}));
}

TEST_F(FormScreen, TextsAndTheFormScrollToKeepTheCursorInView) {
    Start({"1001=l1\\r\\nl2\\r\\nl3\\r\\nl4\\r\\nl5"});
    const Lines start = Await([](const Lines& screen) {
        const int soapbox = RowOf(screen, "SOAPBOX ");
        EXPECT_NE(soapbox, -1);
        EXPECT_EQ(RowOf(screen, "l1"), -1);
        EXPECT_EQ(RowOf(screen, "l3"), soapbox);
        EXPECT_EQ(RowOf(screen, "l5"), soapbox + 2);
    });

    const std::string typed = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz01234567";
    Keys({"Down"});
    Type(typed);
    const Lines full = Await([&typed](const Lines& screen) {
        EXPECT_NE(RowOfLabel(screen, "E-MAIL").find(typed.substr(30)), std::string::npos);
        EXPECT_EQ(RowOf(screen, typed.substr(0, 30)), -1);
    });

    // A terminal lower than the form shows the part with the focus: the rows up to
    // the e-mail field's, that field at the bottom.
    constexpr int kRows = 8;
    const int email = RowOf(full, "E-MAIL ");
    ASSERT_GE(email, kRows - 1);
    ASSERT_EQ(Tmux({"resize-window", "-t", "0", "-x", "100", "-y", std::to_string(kRows)}), 0);
    const Lines aroundEmail =
        Trimmed(Lines(full.begin() + email - (kRows - 1), full.begin() + email + 1));
    Await([&aroundEmail](const Lines& screen) { EXPECT_EQ(Trimmed(screen), aroundEmail); });
    // Back at the first field: the caption and the rows below it, as at the start.
    Keys(std::vector<std::string>(20, "Up"));
    const Lines top = Trimmed(Lines(start.begin(), start.begin() + kRows));
    ASSERT_NE(RowOf(top, "CIS QPSK63"), -1);
    Await([&top](const Lines& screen) { EXPECT_EQ(Trimmed(screen), top); });
}

TEST_F(FormKeys, EditingMovingAndListKeysReachTheForm) {
    Start({"1009=ABCD", "1013=multi"});
    Keys(std::vector<std::string>(20, "Up"));
    Keys({"Home", "DC", "BSpace", "End", "BSpace", "Left"});
    Type("x");
    Keys({"Right", "Right"});
    Type("y");
    ASSERT_EQ(Tmux({"send-keys", "-t", "0", "-H", "e9", "80", "ff"}), 0);
    Keys({"Down", "Left"});
    Type("n");
    // Into the tab order at its start, the soapbox; then the operator and power lists.
    Keys({"Tab", "s", "Tab", "NPage", "Tab", "F4"});
    WaitFor("LOW ");
    Keys({"End", "Enter", "PPage", "BTab", "X"});
    WaitFor("MULTI-OPX");
    Keys({"Enter"});
    EXPECT_EQ(Result(), Collected({{kIdContest, "BxCy\xE9\x80\xFF"}, {kIdCallSign, "n"},
                                   {kIdSoapBox, "s"}, {kIdCategoryOperator, "MULTI-OPX"},
                                   {kIdCategoryPower, "HIGH"}}));
}

TEST_F(FormKeys, AltDownOpensAListAndEscClosesItOnEitherTerminalType) {
    // Curses knows Alt+Down for the first terminal type, not for the second.
    for (const std::string term : {"tmux-256color", "screen"}) {
        SCOPED_TRACE(term);
        Launch({"sh", "-c",
                "TERM=" + term + " " + ShellQuoted(TAVIK_FORM_DRIVER) + " " +
                    ShellQuoted(output_) + " 1015=HIGH"});
        WaitFor("[ CANCEL ]");
        Keys({"Tab", "Tab", "M-Down"});
        WaitFor("LOW");
        Keys({"Down", "Escape"});
        Await([](const Lines& screen) {
            EXPECT_EQ(RowOf(screen, "LOW"), -1);
            EXPECT_NE(RowOfLabel(screen, "CATEGORY-POWER").find("HIGH"), std::string::npos);
        });
        // Alt as a leading Esc.
        Keys({"Escape", "Down"});
        WaitFor("LOW");
        Keys({"Down", "Enter"});
        Await([](const Lines& screen) {
            EXPECT_EQ(RowOf(screen, "HIGH"), -1);
            EXPECT_NE(RowOfLabel(screen, "CATEGORY-POWER").find("LOW"), std::string::npos);
        });
        Keys({"Enter"});
        EXPECT_EQ(Result(), Collected({{kIdCategoryPower, "LOW"}}));
    }
}

TEST_F(FormClosing, EscCancelsLeavesTheTextsAndRestoresTheTerminal) {
    Launch({"sh", "-c",
            ShellQuoted(TAVIK_FORM_DRIVER) + " " + ShellQuoted(output_) +
                " 1010=DL1ABC 1013=multi 1021=6h; stty -a > " + ShellQuoted(output_ + ".tty")});
    WaitFor("[ CANCEL ]");
    Type("typed");
    Keys({"Tab", "PPage"});
    WaitFor("typed");
    Keys({"Escape"});
    EXPECT_EQ(Result(), "result=2\n1010=DL1ABC\n1013=multi\n1021=6h\n");
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    std::string tty;
    while (tty.find("isig") == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
        std::ifstream in(output_ + ".tty");
        tty.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    EXPECT_NE(tty.find(" icanon"), std::string::npos) << tty;
    EXPECT_NE(tty.find(" echo "), std::string::npos) << tty;
}

TEST_F(FormClosing, WithoutAUsableTerminalNothingIsShown) {
    const std::string driver = ShellQuoted(TAVIK_FORM_DRIVER) + " " + ShellQuoted(output_);
    EXPECT_EQ(Shell(driver + " 1010=DL1ABC"), 0);
    EXPECT_EQ(Result(), "result=-1\n1010=DL1ABC\n");

    Launch({"sh", "-c", driver + " >/dev/null; sleep 5"});
    EXPECT_EQ(Result(), "result=-1\n");
    EXPECT_EQ(RowOf(Screen(), "CIS QPSK63"), -1);
    Tmux({"kill-server"});

    // newterm fails on an unknown terminal type, and the process carries on.
    Launch({"sh", "-c", "TERM=no-such-terminal " + driver + "; sleep 5"});
    EXPECT_EQ(Result(), "result=-1\n");
    EXPECT_EQ(RowOf(Screen(), "CIS QPSK63"), -1);
}

TEST_F(FormClosing, AMessageAsksOnTheTerminalWhereverStandardErrorGoes) {
    const std::string errors = output_ + ".err";
    for (const std::string& redirect : {" 2>" + ShellQuoted(errors), std::string()}) {
        SCOPED_TRACE(redirect);
        Launch({"sh", "-c",
                ShellQuoted(TAVIK_FORM_DRIVER) + " " + ShellQuoted(output_) +
                    " --message Tavik 'Cannot open Tavik.ini'" + redirect + "; sleep 5"});
        // Shown once, the prompt below it, and nothing done until Enter.
        Await([](const Lines& screen) {
            const int message = RowOf(screen, "Tavik: Cannot open Tavik.ini");
            EXPECT_NE(message, -1);
            EXPECT_EQ(RowOf(screen, "Tavik:", message + 1), -1);
            EXPECT_EQ(RowOf(screen, "[press Enter]"), message + 1);
        });
        EXPECT_FALSE(std::filesystem::exists(output_));
        Keys({"Enter"});
        EXPECT_EQ(Result(), "acknowledged\n");
    }
    std::ifstream in(errors, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()),
              "Tavik: Cannot open Tavik.ini\n");

    // A terminal on standard input but no controlling one: nobody to ask, no wait.
    Launch({"sh", "-c",
            "setsid -w " + ShellQuoted(TAVIK_FORM_DRIVER) + " " + ShellQuoted(output_) +
                " --message Tavik text; sleep 5"});
    EXPECT_EQ(Result(), "acknowledged\n");
}

}  // namespace
}  // namespace tavik
