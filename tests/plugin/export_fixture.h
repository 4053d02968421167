// Drives the built plugin through its exports only, in a fresh working folder.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "abi/plugin_client.h"
#include "host/session/plugin_loader.h"
#include "support/qso_spec.h"

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
