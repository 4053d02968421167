#include "tests/hostlink/bus_fixture.h"

#include <chrono>
#include <cstdlib>
#include <cstring>

const std::vector<std::string> kSwitchCommands = {"<MODE:QPSK31>", "<BAUDRATE:63>"};
const std::string kReport =
    " CIS DX PSK 14.09-15.09.2013 \r\n     Contestant: DL1ABC\r\nBand\tQSOs\tPoints\tDXDA\r\n"
    "20M\t 1\t 3\t 1\r\nTotal\t 1\t 3\t 1\r\nScore = 3 * 1 = 3 \r\n";

FakeHost::~FakeHost() { Stop(); }

std::string FakeHost::Start() {
    auto started = tavik::host::AutomationServer::Start(
        tavik::host::kHostProgId, [this](const std::string& command) { return Handle(command); });
    if (!started) return started.Why().message;
    server_ = std::move(*started);
    return {};
}

void FakeHost::Stop() {
    Release();
    server_.reset();
}

void FakeHost::SetAnswer(Answer answer) {
    std::lock_guard<std::mutex> lock(mutex_);
    answer_ = answer;
}

void FakeHost::Release() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++releases_;
    released_.notify_all();
}

std::vector<std::string> FakeHost::Received() {
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
}

bool FakeHost::Handle(const std::string& command) {
    std::unique_lock<std::mutex> lock(mutex_);
    received_.push_back(command);
    switch (answer_) {
        case Answer::Carry:
            return true;
        case Answer::Refuse:
            return false;
        case Answer::RefuseBaudRate:
            return command.rfind("<BAUDRATE:", 0) != 0;
        case Answer::Hang: {
            const int releasesBefore = releases_;
            released_.wait(lock, [&] { return releases_ > releasesBefore; });
            return true;
        }
    }
    return false;
}

BusMonitor::BusMonitor() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (!address || sd_bus_open_user(&marker_) < 0) {
        error_ = "no session bus";
        return;
    }
    // A monitor is set up before it starts; it only listens from then on.
    if (sd_bus_new(&watch_) < 0 || sd_bus_set_address(watch_, address) < 0 ||
        sd_bus_set_bus_client(watch_, 1) < 0 || sd_bus_set_monitor(watch_, 1) < 0 ||
        sd_bus_start(watch_) < 0) {
        error_ = "cannot connect the monitor";
        return;
    }
    sd_bus_message* call = nullptr;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    int result = sd_bus_message_new_method_call(watch_, &call, "org.freedesktop.DBus",
                                                "/org/freedesktop/DBus",
                                                "org.freedesktop.DBus.Monitoring", "BecomeMonitor");
    if (result >= 0)
        result = sd_bus_message_append(call, "asu", 1,
                                       "type='method_call',interface='Qorv2.Application'", 0u);
    if (result >= 0) result = sd_bus_call(watch_, call, 0, &error, nullptr);
    sd_bus_message_unref(call);
    if (result < 0) {
        error_ = std::string("BecomeMonitor failed: ") +
                 (error.message ? error.message : std::strerror(-result));
        sd_bus_error_free(&error);
        return;
    }
    thread_ = std::thread([this] { Run(); });
}

BusMonitor::~BusMonitor() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    sd_bus_close_unref(watch_);
    sd_bus_close_unref(marker_);
}

void BusMonitor::Run() {
    while (!stop_) {
        sd_bus_message* message = nullptr;
        const int processed = sd_bus_process(watch_, &message);
        if (processed < 0) return;
        if (message) {
            OnMessage(message, this, nullptr);
            sd_bus_message_unref(message);
        }
        if (processed == 0) sd_bus_wait(watch_, 50000);
    }
}

int BusMonitor::OnMessage(sd_bus_message* message, void* self, sd_bus_error*) {
    auto* monitor = static_cast<BusMonitor*>(self);
    auto text = [](const char* value) { return std::string(value ? value : ""); };
    if (text(sd_bus_message_get_interface(message)) != "Qorv2.Application") return 0;
    std::lock_guard<std::mutex> lock(monitor->mutex_);
    if (text(sd_bus_message_get_member(message)) == "Marker") {
        ++monitor->markersSeen_;
    } else {
        SeenCall seen{text(sd_bus_message_get_destination(message)),
                      text(sd_bus_message_get_path(message)),
                      text(sd_bus_message_get_interface(message)),
                      text(sd_bus_message_get_member(message)),
                      text(sd_bus_message_get_signature(message, 1)),
                      {}};
        const char* argument = nullptr;
        if (seen.signature == "s" && sd_bus_message_read(message, "s", &argument) > 0)
            seen.text = argument;
        monitor->calls_.push_back(seen);
    }
    monitor->changed_.notify_all();
    return 0;
}

std::vector<SeenCall> BusMonitor::Calls() {
    // The daemon hands messages to the monitor in the order it got them, so once
    // a marker sent now is seen, so is everything sent before it.
    sd_bus_message* marker = nullptr;
    if (sd_bus_message_new_method_call(marker_, &marker, "org.freedesktop.DBus", "/",
                                       "Qorv2.Application", "Marker") >= 0 &&
        sd_bus_send(marker_, marker, nullptr) >= 0 && sd_bus_flush(marker_) >= 0) {
        std::unique_lock<std::mutex> lock(mutex_);
        const int wanted = ++markersSent_;
        changed_.wait_for(lock, std::chrono::seconds(5), [&] { return markersSeen_ >= wanted; });
    }
    sd_bus_message_unref(marker);
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
}

void HostLinkTest::SetUp() {
    if (!std::getenv("DBUS_SESSION_BUS_ADDRESS"))
        GTEST_SKIP() << "no session bus: run under dbus-run-session";
    ExportTest::SetUp();
    monitor = std::make_unique<BusMonitor>();
    ASSERT_EQ(monitor->Error(), "");
}

std::vector<std::string> HostLinkTest::SentTexts() {
    std::vector<std::string> texts;
    for (const SeenCall& call : monitor->Calls()) {
        EXPECT_EQ(call.destination, "Qorv2.Application");
        EXPECT_EQ(call.path, "/Qorv2/Application");
        EXPECT_EQ(call.member, "SendHostCommand");
        EXPECT_EQ(call.signature, "s");
        texts.push_back(call.text);
    }
    return texts;
}
