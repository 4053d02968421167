#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/session/host_mode.h"

using tavik::host::HostMode;
using tavik::host::ReceivedCommand;

TEST(HostMode, CarriesModeAndBaudRateAndRefusesAnythingElse) {
    HostMode mode;
    EXPECT_FALSE(mode.Switched());
    EXPECT_EQ(mode.Describe(), "BPSK31 at 31 baud");
    const char* const refused[] = {"",           "<MODE:>",        "<MODE:qpsk31>",
                                   "MODE:QPSK31", "<MODE:QPSK31",  "<MODE QPSK31>",
                                   "<BAUDRATE:>", "<BAUDRATE:0>",  "<BAUDRATE:6x>",
                                   "<BAUDRATE:-63>", "<BAUDRATE:1234567>", "<mode:QPSK31>",
                                   "<MODE:QPSK31><BAUDRATE:63>"};
    for (const char* command : refused) EXPECT_FALSE(mode.Carry(command)) << command;
    EXPECT_FALSE(mode.Switched());
    EXPECT_EQ(mode.Describe(), "BPSK31 at 31 baud");

    EXPECT_TRUE(mode.Carry("<BAUDRATE:63>"));
    EXPECT_TRUE(mode.Switched());
    EXPECT_EQ(mode.Describe(), "BPSK31 at 63 baud");
    EXPECT_TRUE(mode.Carry("<MODE:QPSK31>"));
    EXPECT_EQ(mode.Describe(), "QPSK31 at 63 baud");
    EXPECT_TRUE(mode.Carry("<BAUDRATE:125>"));
    EXPECT_EQ(mode.Describe(), "QPSK31 at 125 baud");
}

TEST(HostMode, ReceivedCommandsAreTakenInTheirOrderOnce) {
    HostMode mode;
    mode.Carry("<MODE:QPSK31>");
    mode.Carry("<TUNE:1500>");
    mode.Carry("<BAUDRATE:63>");
    const std::vector<ReceivedCommand> received = mode.TakeReceived();
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[0].text, "<MODE:QPSK31>");
    EXPECT_TRUE(received[0].carried);
    EXPECT_EQ(received[1].text, "<TUNE:1500>");
    EXPECT_FALSE(received[1].carried);
    EXPECT_EQ(received[2].text, "<BAUDRATE:63>");
    EXPECT_TRUE(mode.TakeReceived().empty());
}
