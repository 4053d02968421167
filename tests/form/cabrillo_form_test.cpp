// The Cabrillo header dialog in a terminal: the driver runs it in a tmux pane, the
// tests type into the pane, read the screen back and check what the dialog returned.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cabrillo/dialog_layout.h"

namespace tavik {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

constexpr auto kPatience = 5s;

// Runs argv with standard input from stdinPath; its standard output goes to *out.
int RunProgram(const std::vector<std::string>& argv, std::string* out = nullptr,
        const char* stdinPath = "/dev/null") {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        return -1;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        const int in = open(stdinPath, O_RDONLY);
        const int null = open("/dev/null", O_WRONLY);
        dup2(in, 0);
        dup2(out != nullptr ? pipeFds[1] : null, 1);
        dup2(null, 2);
        close(pipeFds[0]);
        close(pipeFds[1]);
        std::vector<char*> args;
        for (const std::string& arg : argv) {
            args.push_back(const_cast<char*>(arg.c_str()));
        }
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(pipeFds[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (out != nullptr) {
        *out = text;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

Lines SplitLines(const std::string& text) {
    Lines lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
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
        if (RunProgram({"tmux", "-V"}) != 0) {
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

    int Tmux(std::vector<std::string> args, std::string* out = nullptr) {
        args.insert(args.begin(), {"tmux", "-S", socket_, "-f", "/dev/null"});
        return RunProgram(args, out);
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

    // Waits until the screen shows text (or, with absent, no longer shows it).
    Lines WaitFor(const std::string& text, bool absent = false) {
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        Lines screen;
        do {
            screen = Screen();
            if ((RowOf(screen, text) >= 0) != absent) {
                return screen;
            }
            std::this_thread::sleep_for(20ms);
        } while (std::chrono::steady_clock::now() < deadline);
        std::string shown;
        for (const std::string& line : screen) {
            shown += line + "\n";
        }
        ADD_FAILURE() << "waited in vain for " << (absent ? "no " : "") << "\"" << text
                      << "\"; the screen:\n"
                      << shown;
        return screen;
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

using FormScreen = Form;
using FormLists = Form;
using FormKeys = Form;
using FormClosing = Form;

TEST_F(FormScreen, ShowsCaptionEveryLabelInOrderStartValuesAndButtons) {
    Start({"1009=CIS-QPSK63", "1010=DL1ABC", "1008=12345", "1007=Erik Example",
           "1001=first line\\r\\nsecond line", "1000=0800-0900", "1004=dl1abc@example.org"});
    const Lines screen = Screen();
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
    EXPECT_NE(RowOfLabel(screen, "CONTEST").find("CIS-QPSK63"), std::string::npos);
    const std::string callRow = RowOfLabel(screen, "CALLSIGN");
    EXPECT_LT(callRow.find("DL1ABC"), callRow.find("CLAIMED"));
    EXPECT_LT(callRow.find("CLAIMED"), callRow.find("12345"));
    EXPECT_NE(RowOfLabel(screen, "NAME").find("Erik Example"), std::string::npos);
    EXPECT_NE(RowOfLabel(screen, "OFFTIME").find("0800-0900"), std::string::npos);
    EXPECT_NE(RowOfLabel(screen, "E-MAIL").find("dl1abc@example.org"), std::string::npos);
    const int soapbox = RowOf(screen, "SOAPBOX ");
    EXPECT_EQ(RowOf(screen, "first line"), soapbox);
    EXPECT_EQ(RowOf(screen, "second line"), soapbox + 1);
    const int buttons = RowOf(screen, "[ OK ]");
    EXPECT_GT(buttons, RowOf(screen, "E-MAIL "));
    EXPECT_EQ(RowOf(screen, "[ CANCEL ]"), buttons);
}

TEST_F(FormScreen, DisabledControlsAreDimmed) {
    Start({"1021=6h"});
    const Lines screen = Screen(true);
    for (const char* label : {"CATEGORY-TIME", "CAREGORY-OVERLAY", "OFFTIME"}) {
        EXPECT_NE(RowOf(screen, std::string("\x1b[2m") + label), -1) << label;
    }
    EXPECT_EQ(RowOf(screen, "\x1b[2mCATEGORY-OPERATOR"), -1);
    EXPECT_EQ(RowOf(screen, "\x1b[2mCONTEST"), -1);
    EXPECT_EQ(RowOf(screen, "\x1b[2mSOAPBOX"), -1);
}

TEST_F(FormLists, StartTextSelectsFirstItemOnScreenBeginningWithIt) {
    Start({"1013=single-op", "1015=QRP", "1017=", "1022=u"});
    Lines screen = Screen();
    EXPECT_NE(RowOfLabel(screen, "CATEGORY-OPERATOR").find("SINGLE-OP"), std::string::npos);
    EXPECT_NE(RowOfLabel(screen, "CATEGORY-POWER").find("QRP"), std::string::npos);
    EXPECT_EQ(RowOfLabel(screen, "CATEGORY-BAND").find("ALL"), std::string::npos);
    EXPECT_NE(RowOfLabel(screen, "CATEFORY-TRANSMITTER").find("UNLIMITED"), std::string::npos);
    Keys({"Tab", "Enter"});  // Enter in the soapbox would start a line
    EXPECT_EQ(Result(), Collected({{kIdCategoryOperator, "SINGLE-OP"},
                                   {kIdCategoryPower, "QRP"},
                                   {kIdCategoryTransmitter, "UNLIMITED"}}));

    // Sorted, MULTI-MULTI comes before MULTI-OP; the band list keeps its own order.
    Start({"1013=MULTI", "1017=80m-"});
    screen = Screen();
    EXPECT_NE(RowOfLabel(screen, "CATEGORY-OPERATOR").find("MULTI-MULTI"), std::string::npos);
    EXPECT_NE(RowOfLabel(screen, "CATEGORY-BAND").find("80M-40M"), std::string::npos);
    Keys({"Tab", "Enter"});
    EXPECT_EQ(Result(), Collected({{kIdCategoryOperator, "MULTI-MULTI"},
                                   {kIdCategoryBand, "80M-40M"}}));
}

TEST_F(FormLists, PageKeysStepItemsAndStopAtTheEnds) {
    Start({"1017=40M", "1015=LOW", "1022=TWO"});
    // Operator (CHECKLOG first), power, band; back to the transmitter, which
    // starts with no item selected.
    Keys({"Tab", "PPage", "PPage", "NPage", "Tab", "NPage", "Tab", "NPage", "NPage", "PPage",
          "BTab", "BTab", "BTab", "BTab", "NPage"});
    WaitFor("20M ");
    Keys({"Enter"});
    EXPECT_EQ(Result(), Collected({{kIdCategoryOperator, "MULTI-MULTI"},
                                   {kIdCategoryPower, "LOW"},
                                   {kIdCategoryBand, "20M"},
                                   {kIdCategoryTransmitter, "ONE"}}));
}

TEST_F(FormLists, F4ShowsItemsInScreenOrderAndEnterTakesOne) {
    Start({"1013=SINGLE-OP"});
    Keys({"Tab", "F4"});
    Lines screen = WaitFor("CHECKLOG");
    // Item rows follow the list's top edge, right below the field.
    int row = RowOf(screen, "CATEGORY-OPERATOR ") + 1;
    for (const char* item : {"CHECKLOG ", "MULTI-MULTI ", "MULTI-OP ", "SINGLE-OP "}) {
        const int next = RowOf(screen, item, row + 1);
        EXPECT_EQ(next, row + 1) << item;
        row = next;
    }
    Keys({"Up", "Up", "Enter"});
    screen = WaitFor("CHECKLOG", true);
    EXPECT_NE(RowOfLabel(screen, "CATEGORY-OPERATOR").find("MULTI-MULTI"), std::string::npos);

    Keys({"Tab", "Tab", "F4"});
    screen = WaitFor("80M-40M");
    row = RowOf(screen, "CATEGORY-BAND ") + 1;
    for (const char* item : {"ALL ", "80M ", "40M ", "20M ", "15M ", "10M ", "80M-40M ",
                             "20M-10M "}) {
        const int next = RowOf(screen, item, row + 1);
        EXPECT_EQ(next, row + 1) << item;
        row = next;
    }
    Keys({"End", "Enter"});
    WaitFor("80M-40M", true);
    Keys({"Enter"});
    EXPECT_EQ(Result(), Collected({{kIdCategoryOperator, "MULTI-MULTI"},
                                   {kIdCategoryBand, "20M-10M"}}));
}

TEST_F(FormLists, AltDownOpensAndEscClosesWithoutChange) {
    // Curses knows Alt+Down for the first terminal type, not for the second.
    for (const std::string term : {"tmux-256color", "screen"}) {
        SCOPED_TRACE(term);
        Launch({"sh", "-c",
                "TERM=" + term + " " + ShellQuote(TAVIK_FORM_DRIVER) + " " +
                    ShellQuote(output_) + " 1015=HIGH"});
        WaitFor("[ CANCEL ]");
        Keys({"Tab", "Tab", "M-Down"});
        WaitFor("LOW");
        Keys({"Down", "Escape"});
        Lines screen = WaitFor("LOW", true);
        EXPECT_NE(RowOfLabel(screen, "CATEGORY-POWER").find("HIGH"), std::string::npos);
        // Alt as a leading Esc.
        Keys({"Escape", "Down"});
        WaitFor("LOW");
        Keys({"Down", "Enter"});
        screen = WaitFor("HIGH", true);
        EXPECT_NE(RowOfLabel(screen, "CATEGORY-POWER").find("LOW"), std::string::npos);
        Keys({"Enter"});
        EXPECT_EQ(Result(), Collected({{kIdCategoryPower, "LOW"}}));
    }
}

TEST_F(FormKeys, TypedTextsOfEditAndListAreCollectedOnEnter) {
    Start({});
    // Up from the soapbox is the club; Tab from there enters the tab order at its
    // start, the soapbox, and goes on to the operator list.
    Keys({"Up"});
    Type("Club X");
    Keys({"Tab", "Tab"});
    Keys(std::vector<std::string>(8, "BSpace"));
    Type("SWL");
    WaitFor("SWL");
    Keys({"Enter"});
    EXPECT_EQ(Result(), Collected({{kIdClub, "Club X"}, {kIdCategoryOperator, "SWL"}}));
}

TEST_F(FormKeys, EditingKeysAndBytesAbove127) {
    Start({"1009=ABCD"});
    Keys(std::vector<std::string>(20, "Up"));
    Keys({"Home", "DC", "BSpace", "End", "BSpace", "Left"});
    Type("x");
    Keys({"Right", "Right"});
    Type("y");
    ASSERT_EQ(Tmux({"send-keys", "-t", "0", "-H", "e9", "80", "ff"}), 0);
    Keys({"Down", "Left"});  // Left at the start of an empty edit stays
    Type("n");
    WaitFor("BxCy");
    Keys({"Enter"});
    EXPECT_EQ(Result(), Collected({{kIdContest, "BxCy\xE9\x80\xFF"}, {kIdCallSign, "n"}}));
}

TEST_F(FormKeys, AddressStopsAtItsBoxWhileOtherEditsScroll) {
    const std::string typed = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz01234567";
    Start({});
    Keys({"Tab", "Tab", "Tab", "Tab"});
    Type(typed);
    Keys({"Up"});
    Type(typed);
    const Lines screen = WaitFor(typed.substr(30));
    const std::string nameRow = RowOfLabel(screen, "NAME");
    EXPECT_NE(nameRow.find(typed.substr(30)), std::string::npos);
    EXPECT_EQ(nameRow.find(typed.substr(0, 30)), std::string::npos);
    EXPECT_NE(RowOfLabel(screen, "ADDRESS").find(typed.substr(0, 48)), std::string::npos);
    Keys({"Enter"});
    EXPECT_EQ(Result(), Collected({{kIdAddress, typed.substr(0, 48)}, {kIdName, typed}}));
}

TEST_F(FormKeys, TabCyclesTheEnabledTabStopsBothWays) {
    Start({});
    const std::vector<std::string> marks{"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"};
    for (const std::string& mark : marks) {
        Keys({mark, "Tab"});
    }
    Keys({"BTab", "BTab", "z"});
    WaitFor("iz");
    Keys({"Enter"});
    EXPECT_EQ(Result(), Collected({{kIdSoapBox, "aj"},
                                   {kIdCategoryOperator, "b"},
                                   {kIdCategoryPower, "c"},
                                   {kIdCategoryBand, "d"},
                                   {kIdAddress, "e"},
                                   {kIdAddressCity, "f"},
                                   {kIdAddressPostalCode, "g"},
                                   {kIdAddressCountry, "h"},
                                   {kIdCategoryTransmitter, "iz"}}));
}

TEST_F(FormKeys, UpAndDownVisitEveryEnabledFieldInScreenOrder) {
    Start({});
    std::vector<std::string> keys(20, "Up");
    for (const char* mark : {"1", "2", "3", "4", "5", "6", "7", "8", "9", "k", "l", "m", "n",
                             "o", "p", "q"}) {
        keys.insert(keys.end(), {mark, "Down"});
    }
    keys.push_back("Enter");  // on OK
    Keys(keys);
    EXPECT_EQ(Result(), Collected({{kIdContest, "1"},
                                   {kIdCallSign, "2"},
                                   {kIdClaimed, "3"},
                                   {kIdCategoryOperator, "4"},
                                   {kIdCategoryBand, "5"},
                                   {kIdCategoryPower, "6"},
                                   {kIdCategoryTransmitter, "7"},
                                   {kIdName, "8"},
                                   {kIdAddress, "9"},
                                   {kIdAddressCity, "k"},
                                   {kIdAddressPostalCode, "l"},
                                   {kIdAddressCountry, "m"},
                                   {kIdOperators, "n"},
                                   {kIdClub, "o"},
                                   {kIdSoapBox, "p"},
                                   {kIdEmail, "q"}}));
}

TEST_F(FormKeys, UpAndDownWalkTheLinesOfAMultiLineEditFirst) {
    Start({"1001=L1\\r\\nL2\\r\\nL3"});
    // From the end of L3: into L2, into L1, out to the club and back into L1.
    Keys({"Up", "x", "Up", "Up", "c", "Down", "y", "Down", "Down", "Down", "e", "Down", "Enter"});
    EXPECT_EQ(Result(), Collected({{kIdSoapBox, "L1y\\r\\nL2x\\r\\nL3"},
                                   {kIdClub, "c"},
                                   {kIdEmail, "e"}}));
}

TEST_F(FormKeys, EnterInTheSoapboxStartsANewLine) {
    Start({});
    Keys({"A", "Enter", "B", "Tab", "Enter"});
    EXPECT_EQ(Result(), Collected({{kIdSoapBox, "A\\r\\nB"}}));
}

TEST_F(FormKeys, MultiLineEditScrollsAndJoinsLines) {
    Start({});
    Keys({"l", "1", "Enter", "l", "2", "Enter", "l", "3", "Enter", "l", "4", "Enter", "l", "5"});
    Lines screen = WaitFor("l5");
    const int soapbox = RowOf(screen, "SOAPBOX ");
    EXPECT_EQ(RowOf(screen, "l1"), -1);
    EXPECT_EQ(RowOf(screen, "l3"), soapbox);
    EXPECT_EQ(RowOf(screen, "l5"), soapbox + 2);
    Keys({"Up", "Up", "Up", "Up"});
    screen = WaitFor("l1");
    EXPECT_EQ(RowOf(screen, "l1"), soapbox);
    EXPECT_EQ(RowOf(screen, "l4"), -1);
    // Backspace at a line's start joins it to the one above, Delete at the end
    // pulls up the one below.
    Keys({"Down", "Home", "BSpace", "End", "DC", "Tab", "Enter"});
    EXPECT_EQ(Result(), Collected({{kIdSoapBox, "l1l2l3\\r\\nl4\\r\\nl5"}}));
}

TEST_F(FormClosing, EscCancelsAndLeavesTheTextsAsTheyWere) {
    Launch({"sh", "-c",
            ShellQuote(TAVIK_FORM_DRIVER) + " " + ShellQuote(output_) +
                " 1010=DL1ABC 1013=multi 1021=6h; stty -a > " + ShellQuote(output_ + ".tty")});
    WaitFor("[ CANCEL ]");
    Type("typed");
    Keys({"Tab", "PPage"});
    WaitFor("typed");
    Keys({"Escape"});
    EXPECT_EQ(Result(), "result=2\n1010=DL1ABC\n1013=multi\n1021=6h\n");
    // The terminal is back in its ordinary mode.
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    std::string tty;
    while (tty.find("isig") == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
        std::ifstream in(output_ + ".tty");
        tty.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    EXPECT_NE(tty.find(" icanon"), std::string::npos) << tty;
    EXPECT_NE(tty.find(" echo "), std::string::npos) << tty;

    Start({});
    Keys({"Escape"});
    EXPECT_EQ(Result(), "result=2\n");
}

TEST_F(FormClosing, EnterOnCancelButtonCancels) {
    Start({"1010=DL1ABC"});
    Keys({"x", "Down", "Down", "Down", "Up", "Right", "Enter"});
    EXPECT_EQ(Result(), "result=2\n1010=DL1ABC\n");
}

TEST_F(FormClosing, DisabledControlsReturnTheirStartTexts) {
    Start({"1000=0800-0900\\r\\n1000-1100", "1021=6h", "1031=junior"});
    const Lines screen = Screen();
    EXPECT_NE(RowOfLabel(screen, "CATEGORY-TIME").find("6h"), std::string::npos);
    EXPECT_NE(RowOfLabel(screen, "CAREGORY-OVERLAY").find("JUNIOR"), std::string::npos);
    EXPECT_EQ(RowOf(screen, "1000-1100"), RowOf(screen, "OFFTIME ") + 1);
    Keys({"Tab", "Enter"});
    EXPECT_EQ(Result(), Collected({{kIdOffTime, "0800-0900\\r\\n1000-1100"},
                                   {kIdCategoryTime, "6h"},
                                   {kIdCategoryOverlay, "junior"}}));
}

TEST_F(FormClosing, WithoutAUsableTerminalNothingIsShown) {
    EXPECT_EQ(RunProgram({TAVIK_FORM_DRIVER, output_, "1010=DL1ABC"}, nullptr, "/dev/null"), 0);
    EXPECT_EQ(Result(), "result=-1\n1010=DL1ABC\n");

    const std::string driver = ShellQuote(TAVIK_FORM_DRIVER) + " " + ShellQuote(output_);
    Launch({"sh", "-c", driver + " >/dev/null; sleep 5"});
    EXPECT_EQ(Result(), "result=-1\n");
    EXPECT_EQ(RowOf(Screen(), "CIS QPSK63"), -1);
    Tmux({"kill-server"});

    // newterm fails on an unknown terminal type, and the process carries on.
    Launch({"sh", "-c", "TERM=no-such-terminal " + driver + "; sleep 5"});
    EXPECT_EQ(Result(), "result=-1\n");
    EXPECT_EQ(RowOf(Screen(), "CIS QPSK63"), -1);
}

}  // namespace
}  // namespace tavik
