// Cabrillo 2 and 3 logs as input: tagged lines, one QSO per QSO: line.
#include <algorithm>
#include <cstring>

#include "host/input/log_reader.h"

namespace tavik::host {

namespace {

constexpr std::size_t kReleaseStep = std::size_t(8) << 20;
constexpr std::size_t kMostTokens = 12;

struct BandCode {
    std::string_view code;
    std::string_view band;
    std::uint64_t kilohertz;  // the band's lower edge, for the frequency
};

// Cabrillo's band codes above 30 MHz; below, the frequency is given in kHz.
constexpr BandCode kBandCodes[] = {
    {"50", "6M", 50000},         {"70", "4M", 70000},          {"144", "2M", 144000},
    {"222", "1.25M", 222000},    {"432", "70CM", 420000},      {"902", "33CM", 902000},
    {"1.2G", "23CM", 1240000},   {"2.3G", "13CM", 2300000},    {"3.4G", "9CM", 3300000},
    {"5.7G", "6CM", 5650000},    {"10G", "3CM", 10000000},     {"24G", "1.25CM", 24000000},
    {"47G", "6MM", 47000000},    {"75G", "4MM", 75500000},     {"122G", "2.5MM", 119980000},
    {"134G", "2MM", 134000000},  {"241G", "1MM", 241000000},   {"LIGHT", "SUBMM", 0},
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

bool AllDigits(std::string_view text) {
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return !text.empty();
}

class CabrilloReader {
public:
    CabrilloReader(const SourceFile& source, QsoHandler& handler, Diagnostics& diagnostics)
        : source_(source), text_(source.text), handler_(handler), diagnostics_(diagnostics) {}

    LogSummary Run() {
        std::size_t released = 0;
        bool ended = false;
        // Found once: searching for it per line would be quadratic in a file of CR ends.
        std::size_t lf = text_.find('\n');
        for (std::size_t at = 0; at < text_.size();) {
            if (lf != std::string_view::npos && lf < at) lf = text_.find('\n', at);
            std::size_t end = lf == std::string_view::npos ? text_.size() : lf;
            std::size_t next = end + 1;
            // A CR ends the line unless only CRs stand between it and the LF (or the
            // file's end); a run of them is empty lines, taken at once.
            std::size_t loneCr = std::string_view::npos;
            if (const void* cr = std::memchr(text_.data() + at, '\r', end - at)) {
                const std::size_t first = static_cast<std::size_t>(
                    static_cast<const char*>(cr) - text_.data());
                std::size_t past = first;
                while (past < end && text_[past] == '\r') ++past;
                if (past < end) {
                    loneCr = first;
                    end = first;
                    next = past;
                }
            }
            const std::string_view line = Blanked(text_.substr(at, end - at), at, !ended);
            if (!ended) {
                ended = Line(line, at);
                if (loneCr != std::string_view::npos && !toldLoneCr_) {
                    toldLoneCr_ = true;
                    diagnostics_.Warn(source_, loneCr, 0,
                                      "CR without LF read as a line end (told once)");
                }
            } else if (IsQsoLine(line)) {
                if (afterEnd_ == 0) firstAfterEnd_ = at;
                ++afterEnd_;
            }
            at = next;
            if (at >= released + kReleaseStep) {
                source_.Release(released, at);
                released = at;
            }
        }
        if (afterEnd_ > 0)
            diagnostics_.Warn(source_, firstAfterEnd_, 0,
                              std::to_string(afterEnd_) +
                                  (afterEnd_ == 1 ? " QSO: line follows END-OF-LOG: and is"
                                                  : " QSO: lines follow END-OF-LOG: and are") +
                                  " not read");
        if (summary_.ownCall.empty()) summary_.ownCall = firstSentCall_;
        return summary_;
    }

private:
    // One line; true at END-OF-LOG:.
    bool Line(std::string_view line, std::size_t offset) {
        if (line.substr(0, 3) == "\xEF\xBB\xBF") {
            line.remove_prefix(3);
            offset += 3;
        }
        while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);
        if (TrimBlanks(line).empty()) return false;
        const std::size_t colon = line.find(':');
        const std::string tag = UpperAscii(TrimBlanks(line.substr(0, colon)));
        const std::string_view value =
            colon == std::string_view::npos ? std::string_view() : TrimBlanks(line.substr(colon + 1));
        if (tag == "QSO" && colon != std::string_view::npos) {
            ++summary_.records;
            QsoLine(value, offset + colon + 1);
        } else if (tag == "X-QSO" && colon != std::string_view::npos) {
            ++summary_.records;
            ++summary_.excluded;
        } else if (tag == "CALLSIGN") {
            summary_.ownCall = UpperAscii(value);
        } else if (tag == "CONTEST") {
            contest_ = UpperAscii(value);
        } else if (tag == "END-OF-LOG") {
            return true;
        } else if (colon == std::string_view::npos || tag.find(' ') != std::string::npos) {
            diagnostics_.Warn(source_, offset, 0,
                              "line '" + Printable(line) + "' is no Cabrillo tag line; ignored");
        }
        return false;
    }

    // line with its no-break spaces made blanks, in a copy of the same length so
    // that offsets hold: UTF-8 C2 A0, or an A0 after an ASCII byte (Latin-1, CP1252).
    // An A0 after another high byte is part of a UTF-8 letter (D0 A0 is a Cyrillic ER).
    std::string_view Blanked(std::string_view line, std::size_t offset, bool tell) {
        if (!std::memchr(line.data(), '\xA0', line.size())) return line;
        blanked_.assign(line.data(), line.size());
        std::size_t first = std::string::npos;
        for (std::size_t i = blanked_.find('\xA0'); i != std::string::npos;
             i = blanked_.find('\xA0', i + 1)) {
            const unsigned char before = i > 0 ? static_cast<unsigned char>(blanked_[i - 1]) : 0;
            if (before == 0xC2) {
                blanked_[i - 1] = ' ';
                if (first == std::string::npos) first = i - 1;
            } else if (before >= 0x80) {
                continue;
            } else if (first == std::string::npos) {
                first = i;
            }
            blanked_[i] = ' ';
        }
        if (first == std::string::npos) return line;
        if (tell && !toldNoBreak_) {
            toldNoBreak_ = true;
            diagnostics_.Warn(source_, offset + first, 0,
                              "no-break spaces read as blanks (told once)");
        }
        return blanked_;
    }

    static bool IsQsoLine(std::string_view line) {
        const std::size_t colon = line.find(':');
        return colon != std::string_view::npos &&
               MatchesUpper(TrimBlanks(line.substr(0, colon)), "QSO");
    }

    void QsoLine(std::string_view fields, std::size_t offset) {
        const std::size_t record = summary_.records;
        auto skip = [&](const std::string& why) { diagnostics_.Skip(source_, offset, record, why); };
        if (std::memchr(fields.data(), '\0', fields.size()))
            return skip("the QSO line holds a NUL byte");
        std::string_view tokens[kMostTokens];
        std::size_t count = 0;
        for (std::size_t at = 0; at < fields.size();) {
            while (at < fields.size() && IsBlank(fields[at])) ++at;
            if (at >= fields.size()) break;
            std::size_t end = at;
            while (end < fields.size() && !IsBlank(fields[end])) ++end;
            if (count < kMostTokens) tokens[count] = fields.substr(at, end - at);
            ++count;
            at = end;
        }
        // frequency mode date time, then sent call [RST] exchange, received call [RST]
        // exchange, and maybe a transmitter number.
        const bool withRst = count == 10 || count == 11;
        if (!withRst && count != 8 && count != 9)
            return skip("the QSO line has " + std::to_string(count) +
                        " fields, not 8 to 11 (frequency, mode, date, time, then call, RST and "
                        "exchange sent and received)");
        const std::string_view date = tokens[2];
        const std::string_view time = tokens[3];
        std::optional<double> when;
        if (date.size() == 10 && date[4] == '-' && date[7] == '-') {
            std::string compact;
            compact.append(date.substr(0, 4)).append(date.substr(5, 2)).append(date.substr(8, 2));
            when = ParseAdifDateTime(compact, time);
            if (!when && ParseAdifDateTime(compact, "0000"))
                return skip("time '" + Printable(time) + "' is not a time HHMM");
        }
        if (!when) return skip("date '" + Printable(date) + "' is not a date YYYY-MM-DD");
        if (date.substr(0, 4) < std::to_string(kEarliestYear))
            return skip("date " + std::string(date) + " is before " + std::to_string(kEarliestYear));
        qso_.time = *when;

        Frequency(tokens[0], offset, record);
        const std::string mode = UpperAscii(tokens[1]);
        if (mode == "QM") {
            qso_.mode = "QPSK63";
        } else if (mode == "DG" && contest_ == "CIS-QPSK63-DX") {
            qso_.mode = "QPSK63";
            if (!warnedDigital_) {
                warnedDigital_ = true;
                diagnostics_.Warn(source_, offset, record,
                                  "mode DG taken as QPSK63, the only mode of CIS-QPSK63-DX "
                                  "(told once)");
            }
        } else {
            qso_.mode = mode;
        }
        const std::size_t received = withRst ? 7 : 6;
        qso_.stationCall = UpperAscii(tokens[4]);
        qso_.call = UpperAscii(tokens[received]);
        // A field missing or one too many shifts the rest: a call has a letter.
        for (const std::string* call : {&qso_.stationCall, &qso_.call})
            if (std::none_of(call->begin(), call->end(), [](char c) { return c >= 'A' && c <= 'Z'; }))
                return skip((call == &qso_.call ? "the received call '" : "the sent call '") +
                            Printable(*call) + "' has no letter; the line has " +
                            std::to_string(count) + " fields: one missing or one too many?");
        qso_.rstSent = withRst ? std::string(tokens[5]) : std::string();
        qso_.rstReceived = withRst ? std::string(tokens[8]) : std::string();
        TakeExchange(qso_.exchangeSent, tokens[withRst ? 6 : 5], "sent exchange", source_, offset,
                     record, diagnostics_);
        TakeExchange(qso_.exchangeReceived, tokens[withRst ? 9 : 7], "received exchange", source_,
                     offset, record, diagnostics_);
        if (firstSentCall_.empty()) firstSentCall_ = qso_.stationCall;
        handler_.OnQso(qso_, offset, record, diagnostics_);
    }

    void Frequency(std::string_view text, std::size_t offset, std::size_t record) {
        qso_.frequencyHz = 0;
        qso_.band.clear();
        const std::string code = UpperAscii(text);
        for (const BandCode& band : kBandCodes) {
            if (code == band.code) {
                qso_.band = band.band;
                qso_.frequencyHz = band.kilohertz * 1000 <= 0xFFFFFFFFull
                                       ? static_cast<std::uint32_t>(band.kilohertz * 1000)
                                       : 0;
                return;
            }
        }
        if (AllDigits(text) && text.size() <= 9) {
            std::uint64_t kilohertz = 0;
            for (char c : text) kilohertz = kilohertz * 10 + static_cast<unsigned>(c - '0');
            qso_.band = BandOfFrequency(static_cast<double>(kilohertz) / 1000.0);
            if (kilohertz * 1000 <= 0xFFFFFFFFull)
                qso_.frequencyHz = static_cast<std::uint32_t>(kilohertz * 1000);
            else
                diagnostics_.Warn(source_, offset, record,
                                  "frequency " + std::string(text) +
                                      " kHz is more than the plugin takes; given as 0");
            if (!qso_.band.empty()) return;
        }
        diagnostics_.Warn(source_, offset, record,
                          "frequency '" + Printable(text) +
                              "' is in no band (kHz, or a band code such as 50 or 1.2G); the "
                              "QSO has no band");
    }

    const SourceFile& source_;
    std::string_view text_;
    QsoHandler& handler_;
    Diagnostics& diagnostics_;
    LogSummary summary_{true, 0, 0, {}, {}};
    std::string contest_;
    std::string firstSentCall_;
    bool warnedDigital_ = false;
    bool toldNoBreak_ = false;
    bool toldLoneCr_ = false;
    std::size_t afterEnd_ = 0;  // QSO: lines after END-OF-LOG:
    std::size_t firstAfterEnd_ = 0;
    std::string blanked_;  // reused: no allocation per line
    tavik::host::Qso qso_;
};

}  // namespace

LogSummary ReadCabrilloLog(const SourceFile& source, QsoHandler& handler,
                           Diagnostics& diagnostics) {
    return CabrilloReader(source, handler, diagnostics).Run();
}

}  // namespace tavik::host
