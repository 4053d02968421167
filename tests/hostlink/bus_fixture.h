// A stand-in host on the test's private session bus, and a monitor that sees
// every call made to the host's interface on that bus.
#pragma once

#include <systemd/sd-bus.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/session/automation_server.h"
#include "tests/plugin/export_fixture.h"

// The host's server from tavik_host_lib, answering as the test tells it.
class FakeHost {
public:
    enum class Answer { Carry, Refuse, RefuseBaudRate, Hang };

    ~FakeHost();
    // Empty text when the host serves the name.
    std::string Start();
    void Stop();
    void SetAnswer(Answer answer);
    // Lets the calls hanging now return (and be carried out).
    void Release();
    std::vector<std::string> Received();

private:
    bool Handle(const std::string& command);

    std::mutex mutex_;
    std::condition_variable released_;
    int releases_ = 0;
    Answer answer_ = Answer::Carry;
    std::vector<std::string> received_;
    std::unique_ptr<tavik::host::AutomationServer> server_;
};

struct SeenCall {
    std::string destination, path, interface, member, signature, text;
};

class BusMonitor {
public:
    BusMonitor();
    ~BusMonitor();
    // Empty text when the monitor runs.
    const std::string& Error() const { return error_; }
    // Every call to the host's interface seen so far. Waits first until the bus
    // has delivered everything sent before this call.
    std::vector<SeenCall> Calls();

private:
    static int OnMessage(sd_bus_message* message, void* self, sd_bus_error*);
    void Run();

    sd_bus* watch_ = nullptr;   // the monitor connection
    sd_bus* marker_ = nullptr;  // an ordinary connection that sends the markers
    std::string error_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<SeenCall> calls_;
    int markersSeen_ = 0;
    int markersSent_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// The export fixture on a private session bus; skipped without one.
class HostLinkTest : public ExportTest {
protected:
    void SetUp() override;

    // The texts of the calls the monitor saw, checking that each went to the host's
    // name, object and interface with one text argument.
    std::vector<std::string> SentTexts();

    std::unique_ptr<BusMonitor> monitor;
    FakeHost host;
};

extern const std::vector<std::string> kSwitchCommands;
extern const std::string kReport;
