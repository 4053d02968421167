// Keeps the plugin's scoring run in step with a log that is being written, through
// the calls a logger makes as QSOs are logged, edited and deleted: after every
// update the plugin holds what a one-shot run over the log's content would leave.
#pragma once

#include <cstddef>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/input/call_list.h"
#include "host/input/contest_period.h"
#include "host/input/country_file.h"
#include "host/live/live_log.h"
#include "host/live/live_snapshot.h"
#include "host/session/plugin_loader.h"
#include "host/session/report_summary.h"
#include "host/session/scoring_session.h"

namespace tavik::host {

// The minute of an automation date, counted from the automation dates' day 0.
long long MinuteOf(double automationDate);

// The rates of QSOs counted per minute (as MinuteOf counts them) at the clock now.
LiveRates RatesAt(const std::map<long long, std::size_t>& qsosPerMinute, double now);

// What a run of the live scoring is given.
struct LiveScoringSettings {
    std::string ownCall;  // empty: from the log
    PeriodSettings period;
};

class LiveScoring {
public:
    LiveScoring(const PluginApi& api, CountryFile& countries, LiveScoringSettings settings);

    // Brings the plugin in line with content after a change the log reported.
    // False, with Problem() set, when no run can be made yet (no own call, no QSO).
    bool Follow(const LogContent& content, LiveLog::Change change, std::size_t grownFrom);

    const std::string& Problem() const { return problem_; }
    const std::string& Report() const { return report_; }
    // The figures of the JSON summary of a one-shot run over content.
    RunFigures Figures(const LogContent& content) const;
    // For each band of the run, whether call was worked there; and up to most of
    // the logged calls that hold it, with their bands.
    CallAnswer CheckCall(const std::string& call, std::size_t most);
    // The view's part of a snapshot: last QSOs, the period, rates by the clock now
    // (an automation date), hours, multipliers.
    void Fill(LiveSnapshot& snapshot, double now) const;

    // What the last Follow did, for the user: "2 QSOs added", "scored anew: ..." .
    const std::string& LastAction() const { return action_; }
    std::size_t ScoringRuns() const { return runs_; }
    // What the weekend rule chose, as a one-shot run says it; "" when nothing.
    const std::string& PeriodNote() const { return choice_.note; }
    std::size_t WarningsOfTheHost() const { return hostWarnings_; }

private:
    struct Offered {
        bool accepted = false;
    };

    // The content to score: all of it, or its QSOs of the weekend chosen (in
    // inWeekend_). change and grownFrom are made to fit what it returns.
    const LogContent& ChoosePeriod(const LogContent& content, LiveLog::Change& change,
                                   std::size_t& grownFrom);
    // grownFrom: where QSOs only added begin (0 when anything may have changed).
    bool Prepare(const LogContent& content, std::size_t grownFrom, bool& restart);
    void Restart(const LogContent& content);
    // Offers QSOs [from, to) of offered_; the last few one at a time, so that what
    // each brought is known.
    void OfferRange(std::size_t from, std::size_t to);
    bool OfferOne(std::size_t index, bool measure);
    // The QSO at index becomes (or stops being) the stored one of its call and band.
    void Hold(std::size_t index);
    void Release(std::unordered_map<std::string, std::size_t>::iterator held);
    // A rewrite as QSOs [prefix, removedEnd) of offered_ replaced by QSOs
    // [prefix, insertedEnd) of the new content.
    struct Rewrite {
        std::size_t prefix, removedEnd, insertedEnd;
    };
    // False with why set when only a new run gives the one-shot result: the
    // difference, what it held taken back, the QSOs renumbered, the new ones offered.
    bool ApplyRewrite(const LogContent& content, std::string& why);
    Rewrite Difference(const std::vector<Qso>& now) const;
    std::string WhyNotInPlace(const std::vector<Qso>& now, const Rewrite& rewrite) const;
    // Gives the keys whose stored QSO went.
    std::set<std::string> TakeBack(const Rewrite& rewrite);
    void Renumber(const std::vector<Qso>& now, const Rewrite& rewrite);
    bool OfferAgain(const Rewrite& rewrite, bool refusedAfter, std::set<std::string> vacated,
                    std::string& why);
    void Result();
    std::string LastRefusal() const;
    void Remember(LiveQso qso);

    static std::string KeyOf(const Qso& qso) { return qso.call + '\n' + qso.band; }

    ScoringSession session_;
    CountryFile& countries_;
    const LiveScoringSettings settings_;
    std::string ownCall_;
    std::string ownPrefix_;
    std::string startDay_, endDay_;  // the period as the report's title shows it
    double start_ = 0, end_ = 0;
    bool running_ = false;
    std::string problem_;
    std::string action_;
    std::size_t hostWarnings_ = 0;
    std::size_t runs_ = 0;
    QsoTimes times_;              // of the content's QSOs, as a one-shot run surveys them
    std::size_t timesOf_ = 0;     // how many of the content's QSOs times_ took in
    PeriodChoice choice_;
    LogContent inWeekend_;        // the content with only the QSOs of choice_.weekend
    std::size_t inWeekendOf_ = 0; // how many of the content's QSOs it was made from

    std::vector<Qso> offered_;           // the QSOs the plugin was given, in the log's order
    std::vector<Offered> outcomes_;      // what it made of each
    std::unordered_map<std::string, std::size_t> held_;  // call and band -> stored QSO
    std::set<std::string> bands_;        // every band given since the run began
    std::size_t accepted_ = 0;
    std::string report_;
    std::optional<ReportFigures> figures_;
    bool stale_ = true;  // the plugin was given or lost QSOs since figures_
    std::deque<LiveQso> last_;
    std::map<long long, std::size_t> perMinute_;  // stored QSOs per minute of the log
    std::map<std::string, std::vector<std::string>> workedOn_;  // call -> bands stored
    CallList workedCalls_;        // the keys of workedOn_, for the partial calls
    bool workedChanged_ = true;   // workedOn_ gained or lost a call since workedCalls_
    // Control numbers of the stored QSOs per band, with how many hold each.
    std::map<std::string, std::map<std::string, std::size_t>> multipliers_;
};

}  // namespace tavik::host
