// The stand-in host serves its automation object during a run and carries the
// plugin's commands out; run as a user would, on the test's private bus.
#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/session/automation_server.h"
#include "host/session/host_mode.h"
#include "support/run_program.h"
#include "tests/hostlink/bus_fixture.h"

namespace fs = std::filesystem;

namespace {

const std::string kSampleLog = std::string(TAVIK_SAMPLES_DIR) + "/cis-dx-psk.adi";
const std::string kModeLine = "tavik-host: host command <MODE:QPSK31>\n";
const std::string kBaudRateLine = "tavik-host: host command <BAUDRATE:63>\n";
const std::string kSwitchedLine = "tavik-host: now working in QPSK31 at 63 baud\n";

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

using Outcome = tavik::test::ProgramRun;

class HostProgram : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DBUS_SESSION_BUS_ADDRESS"))
            GTEST_SKIP() << "no session bus: run under dbus-run-session";
        std::string pattern = (fs::temp_directory_path() / "tavik-hostlink-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        scratch_ = pattern;
    }
    void TearDown() override {
        if (!scratch_.empty()) fs::remove_all(scratch_);
    }

    // tavik-host on the sample with standard input from /dev/null; unset names
    // variables taken out of its environment.
    Outcome Run(std::vector<std::string> extra, const std::vector<std::string>& unset = {}) {
        std::vector<std::string> args{TAVIK_HOST_PATH, "--plugin", TAVIK_PLUGIN_PATH, "--dir",
                                      scratch_.string()};
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back(kSampleLog);
        return tavik::test::RunProgram({.args = args, .env = unset, .noInput = true});
    }

    fs::path scratch_;
};

}  // namespace

TEST_F(HostProgram, SampleRunSwitchesTheHostAndSaysSo) {
    const Outcome run = Run({});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, ReadText(std::string(TAVIK_SAMPLES_DIR) + "/cis-dx-psk.report"));
    const std::size_t mode = run.err.find(kModeLine);
    const std::size_t baudRate = run.err.find(kBaudRateLine);
    const std::size_t summary = run.err.find(" QSOs offered: ");
    ASSERT_NE(mode, std::string::npos) << run.err;
    ASSERT_NE(baudRate, std::string::npos) << run.err;
    EXPECT_LT(mode, baudRate);
    EXPECT_LT(baudRate, summary);
    EXPECT_EQ(Count(run.err, "host command"), 2u) << run.err;
    // The new mode closes the output.
    ASSERT_GE(run.err.size(), kSwitchedLine.size());
    EXPECT_EQ(run.err.substr(run.err.size() - kSwitchedLine.size()), kSwitchedLine) << run.err;
}

TEST_F(HostProgram, WithoutAutomationOrBusTheRunGoesOnUnswitched) {
    Outcome run = Run({"--no-automation"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Count(run.err, "host command"), 0u) << run.err;
    EXPECT_EQ(Count(run.err, "now working"), 0u) << run.err;
    EXPECT_EQ(Count(run.err, "automation"), 0u) << run.err;

    run = Run({"--verbose"}, {"DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Count(run.err, "tavik-host: running without the automation object: no session bus\n"),
              1u)
        << run.err;
    EXPECT_EQ(Count(run.err, "host command"), 0u) << run.err;
    EXPECT_EQ(run.out, ReadText(std::string(TAVIK_SAMPLES_DIR) + "/cis-dx-psk.report"));
}

TEST_F(HostProgram, NameHeldByAnotherHostLeavesTheRunToThatOne) {
    FakeHost other;
    ASSERT_EQ(other.Start(), "");
    const Outcome run = Run({});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("tavik-host: running without the automation object: the name "
                           "Qorv2.Application is taken on the session bus\n"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(Count(run.err, "host command"), 0u) << run.err;
    // The plugin switched the host that owns the name.
    EXPECT_EQ(other.Received(), kSwitchCommands);
}

TEST(HostServer, AnswersCommandsItKnowsAndRefusesOthers) {
    if (!std::getenv("DBUS_SESSION_BUS_ADDRESS"))
        GTEST_SKIP() << "no session bus: run under dbus-run-session";
    tavik::host::HostMode mode;
    auto started = tavik::host::AutomationServer::Start(
        "Qorv2.Application", [&mode](const std::string& text) { return mode.Carry(text); });
    ASSERT_TRUE(started) << started.Why().message;
    std::unique_ptr<tavik::host::AutomationServer> server = std::move(*started);

    sd_bus* bus = nullptr;
    ASSERT_GE(sd_bus_open_user(&bus), 0);
    auto call = [bus](const char* signature, auto argument) {
        sd_bus_error failure = SD_BUS_ERROR_NULL;
        sd_bus_message* reply = nullptr;
        const int result = sd_bus_call_method(bus, "Qorv2.Application", "/Qorv2/Application",
                                              "Qorv2.Application", "SendHostCommand", &failure,
                                              &reply, signature, argument);
        std::string name = result >= 0 ? "ok" : (failure.name ? failure.name : "?");
        if (result >= 0) {
            EXPECT_STREQ(sd_bus_message_get_signature(reply, 1), "");
        }
        sd_bus_error_free(&failure);
        sd_bus_message_unref(reply);
        return name;
    };
    EXPECT_EQ(call("s", "<MODE:QPSK31>"), "ok");
    EXPECT_EQ(call("s", "<TUNE:1500>"), "Qorv2.Application.Error.UnknownCommand");
    EXPECT_EQ(call("i", 63), "org.freedesktop.DBus.Error.InvalidArgs");
    EXPECT_EQ(call("s", "<BAUDRATE:63>"), "ok");
    sd_bus_close_unref(bus);

    const std::vector<tavik::host::ReceivedCommand> received = mode.TakeReceived();
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[1].text, "<TUNE:1500>");
    EXPECT_FALSE(received[1].carried);
    EXPECT_TRUE(received[2].carried);
    EXPECT_EQ(mode.Describe(), "QPSK31 at 63 baud");

    // Stopped, the name is free again.
    server.reset();
    started = tavik::host::AutomationServer::Start("Qorv2.Application",
                                                   [](const std::string&) { return true; });
    EXPECT_TRUE(started) << started.Why().message;
}
