#include "plugin/scoring_run.h"

#include <cstring>
#include <utility>

#include "cabrillo/header_settings.h"
#include "hostlink/host_link.h"
#include "platform/date_time.h"
#include "platform/user_interface.h"
#include "plugin/error_log.h"
#include "plugin/settings_store.h"
#include "plugin/test_app.h"
#include "plugin/text_format.h"
#include "rules/cis_prefix.h"
#include "rules/score_report.h"

namespace tavik {

CInfo BuildRecord(const QsoParameters& qso) {
    CInfo record;
    record.call = qso.call;
    record.countryPrefix = qso.countryPrefix;
    record.band = qso.band;
    record.mode = qso.mode;
    record.rstReceived = qso.rstReceived;
    record.rstSent = qso.rstSent;
    record.exchangeReceived = qso.exchangeReceived;
    record.exchangeSent = qso.exchangeSent;
    record.multiplier = qso.exchangeReceived;
    record.frequencyKhz = qso.frequencyHz / 1000;
    // The record is copied whole; with no record given the time counts as null.
    record.time = qso.time ? *qso.time : COleDateTime{0.0, kDateTimeNull};
    return record;
}

int32_t ResetStats(ContestState& state, int32_t exportFlag, const char* ownCall,
                   const COleDateTime* periodStart, const COleDateTime* periodEnd,
                   const char* ownCountryPrefix) {
    state.periodStart = FormatDateTime(periodStart, "%d.%m");
    state.periodEnd = FormatDateTime(periodEnd, "%d.%m.%Y");
    state.qsoList.Clear();
    state.bandList.Clear();
    state.ownCall = ownCall;
    state.ownStationIsCis = IsCisPrefix(ownCountryPrefix) ? 1 : 0;
    state.exportEnabled = exportFlag;
    if (state.exportEnabled) TheHeaderSettings().EditHeaderSettings(ownCall);
    ErrorLog::Start();
    return 1;
}

int32_t AddData(ContestState& state, const QsoParameters& qso) {
    state.bandList.Add(qso.band);
    const bool controlNumbersMissing = !*qso.exchangeReceived || !*qso.exchangeSent;
    if (controlNumbersMissing || std::strcmp(qso.mode, "QPSK63") != 0) {
        ErrorLog errorLog;
        errorLog.OpenForQso();
        const CInfo record = BuildRecord(qso);
        const std::string qsoTime = FormatDateTime(&record.time, "%Y-%m-%d %H%M");
        errorLog.WriteRefusal(record, qso.ownCallLogged, qsoTime,
                              controlNumbersMissing ? kReasonControlNumber : kReasonMode);
        return 0;
    }
    // An accepted QSO writes nothing, but err.txt must still exist afterwards; a
    // check is much cheaper than opening the file for every QSO of a large log.
    ErrorLog::CreateIfMissing();
    state.qsoList.AppendUnlessDuplicate(BuildRecord(qso));
    return 1;
}

int32_t RemoveData(ContestState& state, const QsoParameters& qso) {
    state.qsoList.Remove(qso.call, qso.band);
    return 1;
}

namespace {

void ExportCabrilloLog(const ContestState& state, int32_t* exportDone) {
    HeaderSettings& header = TheHeaderSettings();
    header.qsoLines.clear();
    state.qsoList.ForEach([&header](const CInfo& qso) {
        header.AddQsoLine(qso.call.c_str(), static_cast<int32_t>(qso.frequencyKhz), "QM",
                          qso.time, qso.rstSent.c_str(), qso.exchangeSent.c_str(),
                          qso.rstReceived.c_str(), qso.exchangeReceived.c_str());
    });
    const std::string notice = header.WriteCabrilloLog(state.claimedScore);
    ShowMessageBox(theApp.OwnerWindow(), notice, "Output",
                   kMessageBoxOk | kMessageBoxIconInformation);
    if (exportDone) *exportDone = -1;
}

}  // namespace

const char* GetResult(ContestState& state, int32_t* exportDone) {
    const ReportInput input{state.periodStart, state.periodEnd, state.ownCall,
                            state.ownStationIsCis};
    const int64_t score =
        BuildResultReport(state.qsoList, state.bandList, input, state.reportText);
    WriteSetting("Claimed", FormatText("%lld", static_cast<long long>(score)));
    state.claimedScore = score;
    if (state.exportEnabled) ExportCabrilloLog(state, exportDone);
    try {
        TheHostLink().SetHostMode(state.hostModeSet);
    } catch (...) {
        // Switching the host is a courtesy: the report goes back whatever happened.
    }
    return state.reportText.c_str();
}

}  // namespace tavik
