// Drives the built plugin through its exports only, in a fresh working folder.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "host/plugin_loader.h"

struct QsoSpec {
    const char* ownCall = "DL1ABC";
    const char* call = "UA9XX";
    COleDateTime time{41531.50347222222, kDateTimeValid};  // 2013-09-14 12:05
    uint32_t frequencyHz = 14070150;
    const char* mode = "QPSK63";
    const char* rstSent = "599";
    const char* rstReceived = "579";
    const char* exchangeSent = "0100";
    const char* exchangeReceived = "1001";
    const char* countryPrefix = "UA9";
    const char* band = "20M";
};

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads the library afresh; empty text on success.
    std::string Load();
    int32_t Reset(const char* ownCall = "DL1ABC", const char* ownPrefix = "DL",
                  int32_t exportFlag = 0);
    int32_t Add(const QsoSpec& qso);
    int32_t Remove(const QsoSpec& qso);
    int32_t Check(const char* call, const char* band, const char* bandCheck);
    std::string Result(int32_t* flag = nullptr);

    static std::string ReadFile(const std::string& path);
    static bool FileExists(const std::string& path);

    tavik::host::PluginApi api;
    std::string workDir;
    std::string previousDir;
    COleDateTime periodStart{41531.5, kDateTimeValid};    // 2013-09-14 12:00
    COleDateTime periodEnd{41532.49930555555, kDateTimeValid};  // 2013-09-15 11:59
};
