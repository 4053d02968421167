// tavik-host --watch off a terminal: after every change of the log, its JSON line
// and the plugin's files must be those of a one-shot run over the same content.
#if !defined(_WIN32)
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/run_program.h"
#include "support/settings_file.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The sample log as its header and one line per record.
struct SampleLog {
    std::string header;
    std::vector<std::string> records;
    SampleLog() {
        std::istringstream lines(ReadFile(fs::path(TAVIK_SAMPLES_DIR) / "cis-dx-psk.adi"));
        std::string line;
        while (std::getline(lines, line)) {
            if (line.rfind("<CALL", 0) == 0)
                records.push_back(line + "\n");
            else if (records.empty())
                header += line + "\n";
        }
    }
    std::string Text(std::size_t from, std::size_t to) const {
        std::string text = header;
        for (std::size_t i = from; i < to; ++i) text += records[i];
        return text;
    }
};

std::vector<std::string> HostArgs(const std::vector<std::string>& args) {
    std::vector<std::string> argv{TAVIK_HOST_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

// Starts tavik-host with standard output on a pipe (out) and standard error to errPath.
pid_t Start(const std::vector<std::string>& args, int& out, const std::string& errPath) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return -1;
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const pid_t child = tavik::test::StartProgram({.args = HostArgs(args)}, pipeFds[1], err);
    close(pipeFds[1]);
    if (err >= 0) close(err);
    out = pipeFds[0];
    return child;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

class Watch : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tavik-watch-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        scratch_ = pattern;
        for (const char* dir : {"live", "one"}) fs::create_directory(scratch_ / dir);
        log_ = scratch_ / "logbook.adif";
    }
    void TearDown() override {
        if (child_ > 0) {
            kill(child_, SIGTERM);
            int status = 0;
            waitpid(child_, &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        }
        if (out_ >= 0) close(out_);
        fs::remove_all(scratch_);
    }

    std::vector<std::string> Args(const char* dir, std::vector<std::string> more) {
        std::vector<std::string> args{"--plugin", TAVIK_PLUGIN_PATH, "--no-automation", "--dir",
                                      (scratch_ / dir).string()};
        args.insert(args.end(), more.begin(), more.end());
        args.push_back(log_.string());
        return args;
    }

    // The next JSON line of the watch, or "" after a few seconds without one.
    std::string NextLine() {
        while (pending_.find('\n') == std::string::npos) {
            pollfd ready{out_, POLLIN, 0};
            if (poll(&ready, 1, 10000) <= 0) return "";
            char buffer[4096];
            const ssize_t got = read(out_, buffer, sizeof buffer);
            if (got <= 0) return "";
            pending_.append(buffer, static_cast<std::size_t>(got));
        }
        const std::size_t end = pending_.find('\n') + 1;
        std::string line = pending_.substr(0, end);
        pending_.erase(0, end);
        return line;
    }

    // What a one-shot run over the log as it is now writes and prints.
    std::string OneShot() {
        return tavik::test::RunProgram({.args = HostArgs(Args("one", {"--json", "-"}))}).out;
    }

    // action: how the watch says it followed the change (a new run or the QSOs it took),
    // or how that begins.
    // savedMayLead: the change may have been seen while being written, or only after.
    void ExpectSameAsOneShot(const std::string& step, const std::string& action,
                             bool savedMayLead = false) {
        SCOPED_TRACE(step);
        const std::string live = NextLine();
        ASSERT_FALSE(live.empty()) << "no update";
        const std::string said = ReadFile(scratch_ / "live.err");
        const std::size_t last = said.rfind("tavik-host: " + log_.string() + ": ");
        ASSERT_NE(last, std::string::npos) << said;
        std::string line = said.substr(last, said.find('\n', last) - last);
        if (savedMayLead) line = Replace(line, ": the log was saved: ", ": ");
        EXPECT_EQ(line.rfind("tavik-host: " + log_.string() + ": " + action, 0), 0u) << line;
        EXPECT_EQ(live, OneShot());
        for (const char* file : {"err.txt", kSettingsFile})
            EXPECT_EQ(ReadFile(scratch_ / "live" / file), ReadFile(scratch_ / "one" / file)) << file;
    }

    void Rewrite(const std::string& text) {
        // In place, as a logger that saves the whole log after an edit; one write, so
        // that the watch sees no half-written log (which it would score as it is).
        const int fd = open(log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        close(fd);
    }
    void Append(const std::string& text) { std::ofstream(log_, std::ios::binary | std::ios::app) << text; }

    SampleLog sample_;
    fs::path scratch_;
    fs::path log_;
    pid_t child_ = -1;
    int out_ = -1;
    std::string pending_;
};

}  // namespace

TEST_F(Watch, EveryUpdateEqualsAOneShotRun) {
    Rewrite(sample_.Text(0, 40));
    child_ = Start(Args("live", {"--watch"}), out_, (scratch_ / "live.err").string());
    ASSERT_GT(child_, 0);
    ExpectSameAsOneShot("start", "scored 40 QSOs");

    std::string text = sample_.Text(0, 40);
    const std::string refused = Replace(sample_.records[41], "<SUBMODE:6>QPSK63", "<SUBMODE:6>QPSK31");
    // A rewrite is taken once the file has held still for a while.
    const std::string saved = "the log was saved: ";
    const std::string anew = saved + "scored anew: a refused QSO was changed or deleted";
    const struct {
        const char* step;
        std::function<void()> change;
        std::string action;
    } steps[] = {
        {"one QSO appended", [&] { Append(sample_.records[40]); text += sample_.records[40]; }, "1 QSO added"},
        {"a refused QSO appended", [&] { Append(refused); text += refused; }, "1 QSO added"},
        {"three QSOs in one write",
         [&] {
             const std::string three = sample_.records[42] + sample_.records[43] + sample_.records[44];
             Append(three);
             text += three;
         },
         "3 QSOs added"},
        {"a call edited",
         [&] {
             text = Replace(text, sample_.records[5],
                            Replace(sample_.records[5], "<CALL:", "<CALL:5>UA9XX <X_OLD_CALL:"));
             Rewrite(text);
         },
         saved + "1 QSO changed"},
        {"a QSO deleted", [&] { text = Replace(text, sample_.records[10], ""); Rewrite(text); }, saved + "1 QSO deleted"},
        {"the refused QSO edited", [&] { text = Replace(text, refused, sample_.records[41]); Rewrite(text); }, anew},
        {"the last QSOs deleted",
         [&] {
             text = Replace(text, sample_.records[42] + sample_.records[43] + sample_.records[44], "");
             Rewrite(text);
         },
         saved + "3 QSOs deleted"},
        {"half a record, then its end",
         [&] {
             const std::string& record = sample_.records[60];
             const std::size_t half = record.find("<MODE");
             Append(record.substr(0, half));
             ExpectSameAsOneShot("half written", "no new QSO");
             Append(record.substr(half));
         },
         "1 QSO added"},
        {"garbage appended", [&] { Append("<CALL:99>DL1A\x01<junk\n"); }, "no new QSO"},
        {"replaced by another log", [&] { Rewrite(sample_.Text(200, 230)); }, saved + "scored anew"},
    };
    for (const auto& step : steps) {
        step.change();
        ExpectSameAsOneShot(step.step, step.action);
    }
}

TEST_F(Watch, ALogbookOfYearsIsFollowedOnItsLatestContestWeekend) {
    const std::string old = Replace(sample_.records[0], "20250920", "20240601");
    const std::string later = Replace(sample_.records[1], "20250920", "20260101");
    Rewrite(sample_.header + old + sample_.Text(0, 40).substr(sample_.header.size()));
    child_ = Start(Args("live", {"--watch"}), out_, (scratch_ / "live.err").string());
    ASSERT_GT(child_, 0);
    ExpectSameAsOneShot("start", "scored 40 QSOs");
    EXPECT_NE(ReadFile(scratch_ / "live.err")
                  .find("tavik-host: the log spans 476 days; scoring the contest weekend "
                        "2025-09-20 12:00 to 2025-09-21 12:00 UTC"),
              std::string::npos) << ReadFile(scratch_ / "live.err");
    Append(sample_.records[40]);
    ExpectSameAsOneShot("a weekend QSO appended", "1 QSO added");
    Append(later);
    ExpectSameAsOneShot("a later QSO appended", "no new QSO");
    // Back to one weekend's QSOs: the whole log is its period again.
    Rewrite(sample_.Text(0, 41));
    ExpectSameAsOneShot("the other QSOs deleted", "the log was saved");
}

TEST_F(Watch, ASlowSaveInPlaceIsScoredOnceWhole) {
    std::string text = sample_.Text(0, 60);
    Rewrite(text);
    const fs::path json = scratch_ / "live.json";
    child_ = Start(Args("live", {"--watch", "--json", json.string()}), out_,
                   (scratch_ / "live.err").string());
    ASSERT_GT(child_, 0);
    ExpectSameAsOneShot("start", "scored 60 QSOs");
    // As a logger saves: cut to nothing, then written in pieces with pauses between.
    text = Replace(text, sample_.records[10], "");
    std::thread save([&] {
        const int fd = open(log_.c_str(), O_WRONLY | O_TRUNC);
        for (std::size_t at = 0; fd >= 0 && at < text.size(); at += 512) {
            const std::size_t piece = std::min<std::size_t>(512, text.size() - at);
            if (write(fd, text.data() + at, piece) != static_cast<ssize_t>(piece)) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (fd >= 0) close(fd);
    });
    save.join();
    ExpectSameAsOneShot("slow save", "the log was saved: 1 QSO deleted");
    // The file holds the last summary, whole.
    EXPECT_EQ(ReadFile(json), OneShot());
}

TEST_F(Watch, ALogThatGoesAndComesBackIsFollowedAgain) {
    Rewrite(sample_.Text(0, 10));
    child_ = Start(Args("live", {"--watch"}), out_, (scratch_ / "live.err").string());
    ExpectSameAsOneShot("start", "scored 10 QSOs");
    // A file that is no log is said once after the log's name, and waited out.
    Rewrite("just notes\n");
    const std::string said = "tavik-host: " + log_.string() + ": holds no ADIF";
    for (int tries = 0; tries < 300 && ReadFile(scratch_ / "live.err").find(said) == std::string::npos;
         ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_NE(ReadFile(scratch_ / "live.err").find(said), std::string::npos)
        << ReadFile(scratch_ / "live.err");
    fs::remove(log_);
    Rewrite(sample_.Text(0, 12));
    ExpectSameAsOneShot("written again", "2 QSOs added", true);
}
#endif
