#include "host/session/scoring_session.h"

namespace tavik::host {

namespace {

COleDateTime Valid(double value) { return COleDateTime{value, kDateTimeValid}; }

}  // namespace

void ScoringSession::Start(const std::string& ownCall, const std::string& ownCountryPrefix,
                           double periodStart, double periodEnd, std::int32_t exportFlag) {
    ownCall_ = ownCall;
    counts_ = RunCounts();
    abi::RunSetup run;
    run.ownCall = ownCall.c_str();
    run.ownCountryPrefix = ownCountryPrefix.c_str();
    run.periodStart = Valid(periodStart);
    run.periodEnd = Valid(periodEnd);
    run.exportFlag = exportFlag;
    const auto begin = std::chrono::steady_clock::now();
    abi::ResetStats(api_, run);
    pluginTime_ += std::chrono::steady_clock::now() - begin;
}

abi::QsoRecord ScoringSession::RecordOf(const QsoView& qso, const char* countryPrefix) const {
    abi::QsoRecord record;
    record.call = qso.call;
    record.ownCallLogged = qso.stationCall[0] != '\0' ? qso.stationCall : ownCall_.c_str();
    record.time = Valid(qso.time);
    record.frequencyHz = qso.frequencyHz;
    record.mode = qso.mode;
    record.rstSent = qso.rstSent;
    record.rstReceived = qso.rstReceived;
    record.exchangeSent = qso.exchangeSent;
    record.exchangeReceived = qso.exchangeReceived;
    record.band = qso.band;
    record.countryPrefix = countryPrefix;
    return record;
}

bool ScoringSession::Offer(const QsoView& qso, const char* countryPrefix) {
    ++counts_.offered;
    const abi::QsoRecord record = RecordOf(qso, countryPrefix);
    // One clock reading for both calls: this runs once per QSO.
    const auto begin = std::chrono::steady_clock::now();
    const bool workedBefore = CheckCall(qso.call, qso.band);
    const std::int32_t accepted = abi::Add(api_, record);
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
    const abi::QsoRecord record = RecordOf(qso, countryPrefix);
    const auto begin = std::chrono::steady_clock::now();
    abi::Remove(api_, record);
    pluginTime_ += std::chrono::steady_clock::now() - begin;
}

bool ScoringSession::Worked(const char* call, const char* band) {
    const auto begin = std::chrono::steady_clock::now();
    const bool worked = CheckCall(call, band);
    pluginTime_ += std::chrono::steady_clock::now() - begin;
    return worked;
}

bool ScoringSession::CheckCall(const char* call, const char* band) {
    return abi::CheckCall(api_, call, band, band) == 0;
}

const char* ScoringSession::Result() {
    std::int32_t exportDone = 0;
    const auto begin = std::chrono::steady_clock::now();
    const char* report = api_.getResult0(&exportDone);
    pluginTime_ += std::chrono::steady_clock::now() - begin;
    return report;
}

}  // namespace tavik::host
