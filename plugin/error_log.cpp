#include "plugin/error_log.h"

#include "platform/shared_file.h"
#include "base/text.h"
#include "base/text_format.h"

namespace tavik {
namespace {

// A host text must not break the one-line-per-QSO layout.
void AppendOneLine(std::string& line, const std::string& text) { line += FlattenLineBreaks(text); }

}  // namespace

void ErrorLog::Start() {
    std::FILE* file = OpenSharedFile(kErrorLogFileName, "wb");
    if (!file) return;
    std::fputs("CIS-QPSK63-DX UBN file \r\n", file);
    std::fclose(file);
}

void ErrorLog::CreateIfMissing() { CreateFileIfMissing(kErrorLogFileName); }

void ErrorLog::OpenForQso() {
    Close();
    file_ = OpenSharedFile(kErrorLogFileName, "ab");
}

std::string ErrorLog::RefusalLine(const CInfo& qso, const std::string& ownCallLogged,
                                  const std::string& qsoTime, const char* reason) {
    std::string line = FormatText("QSO:  %u  ", static_cast<unsigned>(qso.frequencyKhz));
    AppendOneLine(line, qso.mode);
    line += "  ";
    AppendOneLine(line, qsoTime);
    line += "  ";
    AppendOneLine(line, ownCallLogged);
    line += "  ";
    AppendOneLine(line, qso.rstSent);
    line += "  ";
    AppendOneLine(line, qso.exchangeSent);
    line += "  ";
    AppendOneLine(line, qso.call);
    line += "  ";
    AppendOneLine(line, qso.rstReceived);
    line += "  ";
    AppendOneLine(line, qso.exchangeReceived);
    line += reason;
    line += "\r\n";
    return line;
}

void ErrorLog::WriteRefusal(const CInfo& qso, const std::string& ownCallLogged,
                            const std::string& qsoTime, const char* reason) {
    if (!file_) return;
    const std::string line = RefusalLine(qso, ownCallLogged, qsoTime, reason);
    std::fwrite(line.data(), 1, line.size(), file_);
    std::fflush(file_);
}

void ErrorLog::Close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

}  // namespace tavik
