#include "plugin/scoring_run.h"

#include <cstring>
#include <utility>

#include "cabrillo/header_settings.h"
#include "hostlink/host_link.h"
#include "platform/date_time.h"
#include "platform/user_interface.h"
#include "plugin/error_log.h"
#include "cabrillo/settings_store.h"
#include "plugin/test_app.h"
#include "base/text_format.h"
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

namespace {

// Runs one step of an entry point; a step that fails (out of memory) must not keep
// the later ones from running.
template <typename Step>
bool RunStep(Step&& step) {
    try {
        step();
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace

int32_t ResetStats(ContestState& state, int32_t exportFlag, const char* ownCall,
                   const COleDateTime* periodStart, const COleDateTime* periodEnd,
                   const char* ownCountryPrefix) {
    RunStep([&] {
        state.periodStart = FormatDateTime(periodStart, "%d.%m");
        state.periodEnd = FormatDateTime(periodEnd, "%d.%m.%Y");
    });
    state.qsoList.Clear();
    state.bandList.Clear();
    if (!RunStep([&] { state.ownCall = ownCall; })) state.ownCall.clear();
    state.ownStationIsCis = IsCisPrefix(ownCountryPrefix) ? 1 : 0;
    state.exportEnabled = exportFlag;
    if (state.exportEnabled) RunStep([&] { TheHeaderSettings().EditHeaderSettings(ownCall); });
    RunStep([] { ErrorLog::Start(); });
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

// The log of this result; with no result (reportMade false) there is no score to
// claim, so no log either. The user is told in both cases.
void ExportCabrilloLog(const ContestState& state, bool reportMade, int32_t* exportDone) {
    HeaderSettings& header = TheHeaderSettings();
    std::string notice;
    const bool written = reportMade && RunStep([&] {
        header.qsoLines.clear();
        header.qsoLines.reserve(state.qsoList.Count());
        state.qsoList.ForEach([&header](const CInfo& qso) {
            header.AddQsoLine(qso.call.c_str(), static_cast<int32_t>(qso.frequencyKhz), "QM",
                              qso.time, qso.rstSent.c_str(), qso.exchangeSent.c_str(),
                              qso.rstReceived.c_str(), qso.exchangeReceived.c_str());
        });
        notice = header.WriteCabrilloLog(state.claimedScore);
    });
    if (!written) {
        // Give the memory back before telling the user.
        header.qsoLines.release();
        RunStep([&] { notice = header.NotProducedNotice("out of memory"); });
    }
    RunStep([&] {
        ShowMessageBox(theApp.OwnerWindow(), notice, "Output",
                       kMessageBoxOk | kMessageBoxIconInformation);
    });
    if (exportDone) *exportDone = -1;
}

}  // namespace

const char* GetResult(ContestState& state, int32_t* exportDone) {
    int64_t score = 0;
    const bool reportMade = RunStep([&] {
        const ReportInput input{state.periodStart, state.periodEnd, state.ownCall,
                                state.ownStationIsCis};
        std::vector<std::string> bandOrder;
        score = BuildResultReport(state.qsoList, state.bandList, input, state.reportText, bandOrder);
        // The band list stays in report order; bands offered later go to its end.
        state.bandList.Reorder(std::move(bandOrder));
    });
    if (reportMade) {
        state.claimedScore = score;
        RunStep([&] { WriteSetting("Claimed", FormatText("%lld", static_cast<long long>(score))); });
    } else {
        // Never hand back half a report.
        state.reportText.clear();
    }
    if (state.exportEnabled) ExportCabrilloLog(state, reportMade, exportDone);
    // Switching the host is a courtesy: the report goes back whatever happened.
    RunStep([&] { TheHostLink().SetHostMode(); });
    return state.reportText.c_str();
}

}  // namespace tavik
