// err.txt: every QSO that AddData0 refuses, with the reason.
#pragma once

#include <cstdio>
#include <string>

#include "rules/cinfo.h"

namespace tavik {

constexpr const char* kErrorLogFileName = "err.txt";
constexpr const char* kReasonControlNumber = "   Not full control number recieved !!!";
constexpr const char* kReasonMode = "   NO QPSK63 MODE !!!";

class ErrorLog {
public:
    ErrorLog() = default;
    ErrorLog(const ErrorLog&) = delete;
    ErrorLog& operator=(const ErrorLog&) = delete;
    ~ErrorLog() { Close(); }

    // Starts the file afresh with its header line.
    static void Start();

    // Creates an empty file when it is missing, as opening for appending would.
    static void CreateIfMissing();

    // Opens for appending, creating the file when missing; failures are silent.
    void OpenForQso();
    void WriteRefusal(const CInfo& qso, const std::string& ownCallLogged,
                      const std::string& qsoTime, const char* reason);
    void Close();

    // The refusal line as written, line end included.
    static std::string RefusalLine(const CInfo& qso, const std::string& ownCallLogged,
                                   const std::string& qsoTime, const char* reason);

private:
    std::FILE* file_ = nullptr;
};

}  // namespace tavik
