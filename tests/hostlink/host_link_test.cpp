// The plugin switches the running host through its exports: once per loading of
// the library, retried after a failure, never held up by a hanging host.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/hostlink/bus_fixture.h"

namespace {

using Strings = std::vector<std::string>;

Strings Twice(const Strings& texts) {
    Strings twice = texts;
    twice.insert(twice.end(), texts.begin(), texts.end());
    return twice;
}

// No terminal for the header form, and the export's notice kept off the test's output.
class QuietConsole {
public:
    QuietConsole() {
        std::fflush(stderr);
        savedIn_ = dup(0);
        savedErr_ = dup(2);
        const int devNull = open("/dev/null", O_RDWR);
        dup2(devNull, 0);
        dup2(devNull, 2);
        close(devNull);
    }
    ~QuietConsole() {
        std::fflush(stderr);
        dup2(savedIn_, 0);
        dup2(savedErr_, 2);
        close(savedIn_);
        close(savedErr_);
    }

private:
    int savedIn_;
    int savedErr_;
};

}  // namespace

TEST_F(HostLinkTest, AbsentHostGetsNothingAndIsSwitchedOnceItRuns) {
    Reset();
    ASSERT_EQ(Add(QsoSpec{}), 1);
    EXPECT_EQ(Result(), kReport);
    EXPECT_EQ(SentTexts(), Strings{});

    // Without any bus address at all the request still answers at once.
    const std::string address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
    const auto start = std::chrono::steady_clock::now();
    const std::string report = Result();
    const auto took = std::chrono::steady_clock::now() - start;
    setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    EXPECT_EQ(report, kReport);
    EXPECT_LT(took, std::chrono::milliseconds(500));

    // The flag stayed 0: the next request, with the host running, switches it.
    ASSERT_EQ(host.Start(), "");
    EXPECT_EQ(Result(), kReport);
    EXPECT_EQ(host.Received(), kSwitchCommands);
    EXPECT_EQ(SentTexts(), kSwitchCommands);
}

TEST_F(HostLinkTest, RunningHostIsSwitchedOncePerLoadingOfTheLibrary) {
    ASSERT_EQ(host.Start(), "");
    Reset();
    ASSERT_EQ(Add(QsoSpec{}), 1);
    int32_t exportDone = 5;
    EXPECT_EQ(Result(&exportDone), kReport);
    EXPECT_EQ(exportDone, 5);
    EXPECT_EQ(host.Received(), kSwitchCommands);

    // Later requests, and a later scoring run of the same loading, send nothing.
    EXPECT_EQ(Result(), kReport);
    Reset();
    ASSERT_EQ(Add(QsoSpec{}), 1);
    EXPECT_EQ(Result(), kReport);
    EXPECT_EQ(host.Received(), kSwitchCommands);

    // A fresh loading starts over.
    ASSERT_EQ(Load(), "");
    Reset();
    EXPECT_NE(Result(), "");
    EXPECT_EQ(host.Received(), Twice(kSwitchCommands));
    EXPECT_EQ(SentTexts(), Twice(kSwitchCommands));
}

TEST_F(HostLinkTest, ExportRunSwitchesTheHostToo) {
    ASSERT_EQ(host.Start(), "");
    QuietConsole quiet;
    ASSERT_EQ(Reset("DL1ABC", "DL", 1), 1);
    ASSERT_EQ(Add(QsoSpec{}), 1);
    int32_t exportDone = 0;
    EXPECT_EQ(Result(&exportDone), kReport);
    EXPECT_EQ(exportDone, -1);
    EXPECT_TRUE(FileExists("DL1ABC.cbr"));
    EXPECT_EQ(host.Received(), kSwitchCommands);
    EXPECT_EQ(Result(&exportDone), kReport);
    EXPECT_EQ(host.Received(), kSwitchCommands);
}

TEST_F(HostLinkTest, FailedCommandLeavesTheFlagAndTheNextRequestRetries) {
    ASSERT_EQ(host.Start(), "");
    Reset();
    ASSERT_EQ(Add(QsoSpec{}), 1);

    // A refused mode stops there: the baud rate is not sent.
    host.SetAnswer(FakeHost::Answer::Refuse);
    EXPECT_EQ(Result(), kReport);
    EXPECT_EQ(host.Received(), Strings{"<MODE:QPSK31>"});
    EXPECT_EQ(Result(), kReport);
    EXPECT_EQ(host.Received(), Twice({"<MODE:QPSK31>"}));

    // Half done is not done: both are sent again.
    host.SetAnswer(FakeHost::Answer::RefuseBaudRate);
    EXPECT_EQ(Result(), kReport);
    host.SetAnswer(FakeHost::Answer::Carry);
    EXPECT_EQ(Result(), kReport);
    EXPECT_EQ(Result(), kReport);
    const Strings expected = {"<MODE:QPSK31>", "<MODE:QPSK31>", "<MODE:QPSK31>",
                              "<BAUDRATE:63>", "<MODE:QPSK31>", "<BAUDRATE:63>"};
    EXPECT_EQ(host.Received(), expected);
    EXPECT_EQ(SentTexts(), expected);
}

TEST_F(HostLinkTest, HangingHostDoesNotHoldTheReportBack) {
    ASSERT_EQ(host.Start(), "");
    Reset();
    ASSERT_EQ(Add(QsoSpec{}), 1);
    host.SetAnswer(FakeHost::Answer::Hang);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Result(), kReport);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(900));
    EXPECT_LT(took, std::chrono::milliseconds(2000));
    EXPECT_EQ(host.Received(), Strings{"<MODE:QPSK31>"});

    // The late answer does not count; the next request switches the host.
    host.Release();
    host.SetAnswer(FakeHost::Answer::Carry);
    EXPECT_EQ(Result(), kReport);
    EXPECT_EQ(host.Received(), (Strings{"<MODE:QPSK31>", "<MODE:QPSK31>", "<BAUDRATE:63>"}));
}

TEST_F(HostLinkTest, HostThatLeftIsNotCalledThroughTheKeptObject) {
    ASSERT_EQ(host.Start(), "");
    host.SetAnswer(FakeHost::Answer::Refuse);
    Reset();
    EXPECT_NE(Result(), "");
    host.Stop();
    EXPECT_NE(Result(), "");
    EXPECT_EQ(SentTexts(), Strings{"<MODE:QPSK31>"});
}
