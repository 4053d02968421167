#include "host/scoring_session.h"

namespace tavik::host {

namespace {

COleDateTime Valid(double value) { return COleDateTime{value, kDateTimeValid}; }

}  // namespace

void ScoringSession::Start(const std::string& ownCall, const std::string& ownCountryPrefix,
                           double periodStart, double periodEnd, std::int32_t exportFlag) {
    ownCall_ = ownCall;
    counts_ = RunCounts();
    COleDateTime start = Valid(periodStart);
    COleDateTime end = Valid(periodEnd);
    const auto begin = std::chrono::steady_clock::now();
    api_.resetStats0("", exportFlag, ownCall.c_str(), &start, &end, "", "", "", "", "", "", "", "",
                     "", ownCountryPrefix.c_str(), 0, 0, 0, 0.0, 0.0, "", "", "");
    pluginTime_ += std::chrono::steady_clock::now() - begin;
}

bool ScoringSession::Offer(const QsoView& qso, const char* countryPrefix) {
    ++counts_.offered;
    COleDateTime time = Valid(qso.time);
    COleDateTime unused = Valid(0.0);
    const char* ownCall = qso.stationCall[0] != '\0' ? qso.stationCall : ownCall_.c_str();
    // One clock reading for both calls: this runs once per QSO.
    const auto begin = std::chrono::steady_clock::now();
    const bool workedBefore = CheckCall(qso.call, qso.band);
    std::int32_t accepted = api_.addData0(
        ownCall, qso.call, &time, &unused, &unused, &unused, 0, qso.frequencyHz, qso.mode,
        qso.rstSent, qso.rstReceived, qso.exchangeSent, qso.exchangeReceived, "", "", "", "", "",
        "", "", "", "", countryPrefix, 0, 0, 0, 0.0, 0.0, "", "", "", qso.band, "");
    pluginTime_ += std::chrono::steady_clock::now() - begin;
    if (accepted == 0) {
        ++counts_.refused;
        return false;
    }
    ++counts_.accepted;
    if (workedBefore) ++counts_.duplicates;
    return true;
}

void ScoringSession::Remove(const QsoView& qso, const char* countryPrefix) {
    COleDateTime time = Valid(qso.time);
    COleDateTime unused = Valid(0.0);
    const char* ownCall = qso.stationCall[0] != '\0' ? qso.stationCall : ownCall_.c_str();
    const auto begin = std::chrono::steady_clock::now();
    api_.removeData0(ownCall, qso.call, &time, &unused, &unused, &unused, 0, qso.frequencyHz,
                     qso.mode, qso.rstSent, qso.rstReceived, qso.exchangeSent,
                     qso.exchangeReceived, "", "", "", "", "", "", "", "", "", countryPrefix, 0,
                     0, 0, 0.0, 0.0, "", "", "", qso.band, "");
    pluginTime_ += std::chrono::steady_clock::now() - begin;
}

bool ScoringSession::Worked(const char* call, const char* band) {
    const auto begin = std::chrono::steady_clock::now();
    const bool worked = CheckCall(call, band);
    pluginTime_ += std::chrono::steady_clock::now() - begin;
    return worked;
}

bool ScoringSession::CheckCall(const char* call, const char* band) {
    // Scratch buffers the call check may write into; the plugin leaves them alone.
    char checkBuffer1[256] = {};
    char checkBuffer2[256] = {};
    return api_.checkCall0(call, 0, 0, "", "", "", "", "", "", "", "", "", "", "", 0, 0, 0, 0.0,
                           0.0, "", "", "", "", "", band, band, checkBuffer1,
                           checkBuffer2) == 0;
}

const char* ScoringSession::Result() {
    std::int32_t exportDone = 0;
    const auto begin = std::chrono::steady_clock::now();
    const char* report = api_.getResult0(&exportDone);
    pluginTime_ += std::chrono::steady_clock::now() - begin;
    return report;
}

}  // namespace tavik::host
