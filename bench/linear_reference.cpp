#include "bench/linear_reference.h"

#include <cmath>
#include <cstdarg>
#include <cstring>

namespace tavik_bench {
namespace {

const char* const kCisPrefixes[] = {"UA", "UA9", "UA2", "EM", "EN", "EO", "U5", "UR", "US",
                                    "UT", "UU",  "UV",  "UW", "UX", "UY", "UZ", "UJ", "UK",
                                    "UL", "UM",  "UN",  "UO", "UP", "UQ", "GM", "4J", "4K",
                                    "4L", "EK",  "ER",  "EU", "EV", "EW", "EX", "EY", "EZ"};

void Appendf(std::string& out, const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (length < 0) return;
    if (static_cast<std::size_t>(length) < sizeof buffer) {
        out.append(buffer, static_cast<std::size_t>(length));
        return;
    }
    std::string big(static_cast<std::size_t>(length) + 1, '\0');
    va_start(args, format);
    std::vsnprintf(big.data(), big.size(), format, args);
    va_end(args);
    big.pop_back();
    out += big;
}

bool EqualIgnoringAsciiCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

std::string SortKey(const std::string& band) {
    if (band.size() >= 20) return band;
    return std::string(20 - band.size(), '0') + band;
}

}  // namespace

bool IsCisPrefixLinear(const std::string& prefix) {
    for (const char* cis : kCisPrefixes)
        if (prefix == cis) return true;
    return false;
}

std::string FormatAutomationDate(double value, bool withYear) {
    const long long seconds = std::llround(value * 86400.0);
    long long days = seconds / 86400;
    if (seconds % 86400 < 0) --days;
    int year, month, day;
    CivilFromDays(days - 25569, year, month, day);
    char text[32];
    if (withYear)
        std::snprintf(text, sizeof text, "%02d.%02d.%04d", day, month, year);
    else
        std::snprintf(text, sizeof text, "%02d.%02d", day, month);
    return text;
}

LinearReference::~LinearReference() {
    if (errors_) std::fclose(errors_);
}

int LinearReference::Reset(const std::string& ownCall, double periodStart, double periodEnd,
                           const std::string& ownCountryPrefix, const std::string& errorFile) {
    records_.clear();
    bands_.clear();
    ownCall_ = ownCall;
    periodStart_ = periodStart;
    periodEnd_ = periodEnd;
    ownStationIsCis_ = IsCisPrefixLinear(ownCountryPrefix);
    if (errors_) std::fclose(errors_);
    errors_ = std::fopen(errorFile.c_str(), "w");
    if (errors_) std::fprintf(errors_, "Refused QSOs of %s\n", ownCall.c_str());
    return 1;
}

int LinearReference::Add(const Qso& qso) {
    bool knownBand = false;
    for (const std::string& band : bands_)
        if (band == qso.band) {
            knownBand = true;
            break;
        }
    if (!knownBand) bands_.push_back(qso.band);

    if (qso.exchangeReceived.empty() || qso.exchangeSent.empty()) {
        if (errors_) std::fprintf(errors_, "%s %s: control number missing\n", qso.call.c_str(), qso.band.c_str());
        return 0;
    }
    if (qso.mode != "QPSK63") {
        if (errors_) std::fprintf(errors_, "%s %s: mode %s\n", qso.call.c_str(), qso.band.c_str(), qso.mode.c_str());
        return 0;
    }
    for (const Record& record : records_)
        if (record.call == qso.call && record.band == qso.band) return 1;
    records_.push_back({qso.call, qso.band, qso.exchangeReceived, qso.countryPrefix});
    return 1;
}

int LinearReference::Remove(const Qso& qso) {
    for (std::size_t i = 0; i < records_.size(); ++i) {
        if (records_[i].call == qso.call && records_[i].band == qso.band) {
            records_.erase(records_.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    }
    return 1;
}

int LinearReference::CheckCall(const std::string& call, const std::string& band,
                               const std::string& bandCheck) const {
    if (!EqualIgnoringAsciiCase(band, bandCheck)) return 4;
    for (const Record& record : records_)
        if (record.call == call && record.band == band) return 0;
    return 1;
}

std::string LinearReference::Result() {
    std::string report;
    Appendf(report, " CIS DX PSK %s-%s \r\n     Contestant: %s\r\nBand\tQSOs\tPoints\tDXDA\r\n",
            FormatAutomationDate(periodStart_, false).c_str(),
            FormatAutomationDate(periodEnd_, true).c_str(), ownCall_.c_str());

    std::vector<std::string> bands = bands_;
    for (std::size_t i = 0; i < bands.size(); ++i)
        for (std::size_t j = i + 1; j < bands.size(); ++j)
            if (SortKey(bands[i]) < SortKey(bands[j])) std::swap(bands[i], bands[j]);

    int totalQsos = 0, totalPoints = 0, totalMults = 0;
    for (const std::string& band : bands) {
        int qsos = 0, points = 0;
        std::vector<std::string> mults;
        for (const Record& record : records_) {
            if (record.band != band || record.call.empty()) continue;
            ++qsos;
            if (ownStationIsCis_)
                points += 1;
            else
                points += IsCisPrefixLinear(record.countryPrefix) ? 3 : 1;
            bool seen = false;
            for (const std::string& mult : mults)
                if (mult == record.exchangeReceived) {
                    seen = true;
                    break;
                }
            if (!seen) mults.push_back(record.exchangeReceived);
        }
        const int multCount = static_cast<int>(mults.size());
        Appendf(report, "%s\t %i\t %i\t %i\r\n", band.c_str(), qsos, points, multCount);
        totalQsos += qsos;
        totalPoints += points;
        totalMults += multCount;
    }
    lastScore_ = static_cast<long long>(totalPoints) * totalMults;
    Appendf(report, "Total\t %i\t %i\t %i\r\nScore = %i * %i = %lld \r\n", totalQsos, totalPoints,
            totalMults, totalPoints, totalMults, lastScore_);
    return report;
}

}  // namespace tavik_bench
