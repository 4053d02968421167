// The Cabrillo 3.0 log: QSO lines as they are added, then the whole file.
#include <cstdio>
#include <string_view>
#include <vector>

#include "cabrillo/header_fields.h"
#include "cabrillo/header_settings.h"
#include "platform/date_time.h"
#include "platform/file_version.h"
#include "platform/shared_file.h"
#include "base/text.h"
#include "base/text_format.h"

namespace tavik {
namespace {

constexpr std::string_view kEndOfLog = "END-OF-LOG:\r\n";

// A field of a QSO line must not break the line.
std::string OneLine(const char* text) { return FlattenLineBreaks(text ? text : ""); }

void AppendTagged(std::string& log, const char* tag, const std::string& value) {
    log += tag;
    log += value;
    log += "\r\n";
}

}  // namespace

void HeaderSettings::AddQsoLine(const char* call, int32_t frequencyKhz, const char* mode,
                                const COleDateTime& time, const char* rstSent,
                                const char* exchangeSent, const char* rstReceived,
                                const char* exchangeReceived) {
    const std::string when = FormatDateTime(&time, "%Y-%m-%d %H%M");
    qsoLines.push_back(FormatText("QSO: %5i %2s %s %-13s %-3s %-6s %-13s %-3s %s\r\n",
                                  frequencyKhz, OneLine(mode).c_str(), when.c_str(),
                                  OneLine(callSign.c_str()).c_str(), OneLine(rstSent).c_str(),
                                  OneLine(exchangeSent).c_str(), OneLine(call).c_str(),
                                  OneLine(rstReceived).c_str(), OneLine(exchangeReceived).c_str()));
}

std::string HostVersionText() {
    // The executable that opens decides; the other is not tried.
    const char* executable = "Qorv3.exe";
    if (std::FILE* probe = OpenSharedFile("Qorv2.exe", "rb")) {
        std::fclose(probe);
        executable = "Qorv2.exe";
    }
    FixedFileVersion version;
    if (!ReadFixedFileVersion(executable, version)) return "";
    const unsigned major = version.fileVersionMs >> 16;
    const unsigned minor = version.fileVersionMs & 0xFFFFu;
    const unsigned build = version.fileVersionLs >> 16;
    if (major == 2) return FormatText("%u.%u", major, minor);
    return FormatText("%u.%u.%u", major, minor, build);
}

std::string HeaderSettings::HeaderText(int64_t claimedScore,
                                       const std::string& hostVersion) const {
    const bool multiOperator = categoryOperator == "MULTI-OP";
    std::string log = "START-OF-LOG: 3.0\r\nCONTEST: CIS-QPSK63-DX\r\n";
    for (const HeaderField& field : kHeaderFields) {
        std::string value;
        switch (field.special) {
            case SpecialLine::kClaimedScore:
                value = FormatText("%lld", static_cast<long long>(claimedScore));
                break;
            case SpecialLine::kCreatedBy: value = hostVersion; break;
            case SpecialLine::kNone: value = this->*field.member; break;
        }
        bool written = false;
        switch (field.when) {
            case LineWhen::kNever: break;
            case LineWhen::kAlways: written = true; break;
            case LineWhen::kMultiOp: written = multiOperator; break;
            case LineWhen::kMultiOpNotEmpty: written = multiOperator && !value.empty(); break;
            case LineWhen::kNotMultiOp: written = !multiOperator; break;
            case LineWhen::kNotMultiOpNotEmpty: written = !multiOperator && !value.empty(); break;
        }
        if (written) AppendTagged(log, field.tag, value);
    }
    return log;
}

std::string HeaderSettings::CabrilloText(int64_t claimedScore,
                                         const std::string& hostVersion) const {
    std::string log = HeaderText(claimedScore, hostVersion);
    for (const std::string& block : qsoLines.Blocks()) log += block;
    log += kEndOfLog;
    return log;
}

std::string HeaderSettings::WriteCabrilloLog(int64_t claimedScore) const {
    const std::string fileName = baseName + ".cbr";
    // Written piece by piece: a large log is not held a second time as one text.
    const std::string header = HeaderText(claimedScore, HostVersionText());
    std::vector<std::string_view> pieces;
    pieces.reserve(qsoLines.Blocks().size() + 2);
    pieces.push_back(header);
    for (const std::string& block : qsoLines.Blocks()) pieces.push_back(block);
    pieces.push_back(kEndOfLog);
    std::string failure;
    if (!ReplaceFileContents(fileName.c_str(), pieces, failure)) return NotProducedNotice(failure);
    return "File produced: " + fileName;
}

std::string HeaderSettings::NotProducedNotice(const std::string& why) const {
    return "File not produced: " + baseName + ".cbr (" + why + ")";
}

}  // namespace tavik
