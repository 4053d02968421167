// Shows a canned live snapshot on this terminal until the user quits, for the live
// view tests. The call check answers from the snapshot's own QSOs: a call is a dupe
// on a band where it was counted. Exit status 0 after quitting, 3 without a terminal.
#include <poll.h>

#include <cstdlib>
#include <iostream>
#include <string>

#include "host/live/live_view.h"

namespace {

using tavik::host::LiveQso;
using tavik::host::LiveSnapshot;

constexpr double kDay = 45920;  // 2025-09-20
constexpr double kMinute = 1.0 / 1440;

LiveQso Qso(const char* call, const char* band, int minute, LiveQso::Outcome outcome,
            int points = 0, bool newMultiplier = false, const char* reason = "") {
    return LiveQso{call, band, kDay + (12 * 60 + minute) * kMinute, outcome, points,
                   newMultiplier, reason};
}

LiveSnapshot Canned() {
    LiveSnapshot snapshot;
    snapshot.logName = "contest.adi";
    snapshot.status = "following";
    snapshot.report =
        " CIS DX PSK 20.09.2025-21.09.2025 \r\n     Contestant: DL6NBS\r\n"
        "Band\tQSOs\tPoints\tDXDA\r\n40M\t 2\t 4\t 2\r\n20M\t 1\t 3\t 1\r\n"
        "Total\t 3\t 7\t 3\r\nScore = 7 * 3 = 21 \r\n";
    using Outcome = LiveQso::Outcome;
    snapshot.lastQsos = {
        Qso("RA3AA", "40M", 1, Outcome::kCounted, 3, true),
        Qso("UA9XX", "20M", 4, Outcome::kCounted, 3, true),
        Qso("UA9XX", "20M", 7, Outcome::kDuplicate),
        Qso("DL1ABC", "40M", 10, Outcome::kRefused, 0, false, "no control number"),
        Qso("EW1EW", "40M", 12, Outcome::kCounted, 1, true),
    };
    snapshot.now = kDay + (12 * 60 + 14.5) * kMinute;  // 12:14:30, contest from 12:00
    snapshot.period.emplace(kDay + 0.5, kDay + 1.5);
    snapshot.duplicates = 1;
    snapshot.rates.last10Minutes = 4;
    snapshot.rates.last60Minutes = 5;
    snapshot.rates.ofLast10Qsos = 0;  // fewer than 10 QSOs
    snapshot.rates.bestHourQsos = 5;
    snapshot.rates.bestHour = kDay + 0.5;
    snapshot.firstHour = kDay + 10.0 / 24;
    snapshot.qsosPerHour = {2, 0, 5};
    snapshot.multipliersByBand = {{"40M", {"1001", "1002"}}, {"20M", {"2001"}}};
    snapshot.warnings = {
        "contest.adi: line 70, byte offset 9312, record 12: FREQ '7,0415' read as 7.0415 MHz"};
    return snapshot;
}

}  // namespace

int main() {
    const LiveSnapshot snapshot = Canned();
    tavik::host::LiveViewSettings settings;
    settings.bell = std::getenv("LIVE_VIEW_BELL") != nullptr;
    const char* noColor = std::getenv("NO_COLOR");
    settings.colors = noColor == nullptr || *noColor == '\0';
    auto view = tavik::host::LiveView::Open([&snapshot](const std::string& call) {
        tavik::host::CallAnswer answer;
        answer.known = {"UA9XX", "UA9XXA", "RUA9X"};
        std::erase_if(answer.known,
                      [&call](const std::string& known) { return known.find(call) == std::string::npos; });
        for (const auto& [band, numbers] : snapshot.multipliersByBand) {
            bool dupe = false;
            for (const LiveQso& qso : snapshot.lastQsos) {
                dupe |= qso.call == call && qso.band == band &&
                        qso.outcome == LiveQso::Outcome::kCounted;
            }
            answer.bands.emplace_back(band, dupe);
            if (dupe) answer.worked.push_back({call, {band}});
        }
        return answer;
    }, settings);
    if (!view) {
        std::cerr << "live_view_driver: no terminal\n";
        return 3;
    }
    view->Show(snapshot);
    pollfd input{view->InputDescriptor(), POLLIN, 0};
    do {
        poll(&input, 1, 1000);  // a resize interrupts it (EINTR): input is read either way
    } while (view->HandleInput());
    return 0;
}
