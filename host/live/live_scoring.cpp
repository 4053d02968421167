#include "host/live/live_scoring.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

namespace tavik::host {
namespace {

// The last QSOs of every batch are offered one at a time with a result after each,
// so that the window can tell what each of them brought.
constexpr std::size_t kMeasured = 20;
constexpr std::size_t kLastQsos = 50;


std::string DayOf(double automationDate) { return FormatAutomationDate(automationDate).substr(0, 10); }

}  // namespace

long long MinuteOf(double automationDate) {
    return static_cast<long long>(std::floor(LinearTime(automationDate) * 1440.0 + 1e-6));
}

LiveScoring::LiveScoring(const PluginApi& api, CountryFile& countries, LiveScoringSettings settings)
    : session_(api), countries_(countries), settings_(std::move(settings)) {}

bool LiveScoring::Prepare(const LogContent& content, std::size_t grownFrom, bool& restart) {
    const std::string ownCall = settings_.ownCall.empty() ? content.ownCall : settings_.ownCall;
    if (ownCall.empty()) {
        problem_ = "no STATION_CALLSIGN or OPERATOR in the log; give the own call with --call";
        return false;
    }
    if (content.qsos.empty() && (!settings_.period.start || !settings_.period.end)) {
        problem_ = "no QSOs to score yet";
        return false;
    }
    double start = settings_.period.start.value_or(0);
    double end = settings_.period.end.value_or(0);
    if (choice_.weekend) {
        start = choice_.weekend->start;
        end = choice_.weekend->end;
    } else if (!settings_.period.start || !settings_.period.end) {
        // The period of a one-shot run: from the first to the last QSO. QSOs only
        // added can only widen it, so then only they are looked at.
        const bool added = running_ && grownFrom == offered_.size() && grownFrom > 0;
        auto from = content.qsos.begin() + static_cast<std::ptrdiff_t>(added ? grownFrom : 0);
        auto earlier = [](const Qso& a, const Qso& b) { return LinearTime(a.time) < LinearTime(b.time); };
        if (from != content.qsos.end()) {
            auto [first, last] = std::minmax_element(from, content.qsos.end(), earlier);
            const bool widerStart = !added || LinearTime(first->time) < LinearTime(start_);
            const bool widerEnd = !added || LinearTime(last->time) > LinearTime(end_);
            if (!settings_.period.start) start = widerStart ? first->time : start_;
            if (!settings_.period.end) end = widerEnd ? last->time : end_;
        } else {
            if (!settings_.period.start) start = start_;
            if (!settings_.period.end) end = end_;
        }
    }
    problem_.clear();
    // The report's title shows the days of the period: a new day means a new run.
    restart = !running_ || ownCall != ownCall_ || DayOf(start) != startDay_ || DayOf(end) != endDay_;
    if (running_ && restart)
        action_ = ownCall != ownCall_ ? "scored anew: the own call is now " + ownCall
                                      : "scored anew: the contest period now runs " + DayOf(start) +
                                            " to " + DayOf(end);
    ownCall_ = ownCall;
    start_ = start;
    end_ = end;
    startDay_ = DayOf(start);
    endDay_ = DayOf(end);
    return true;
}

const LogContent& LiveScoring::ChoosePeriod(const LogContent& all, LiveLog::Change& change,
                                            std::size_t& grownFrom) {
    // QSOs only added are only added to what was seen; anything else is seen anew.
    const bool appended = change == LiveLog::Change::kGrew && running_;
    if (!appended || grownFrom != timesOf_) times_ = QsoTimes();
    for (std::size_t i = times_.Count(); i < all.qsos.size(); ++i) times_.Add(all.qsos[i].time);
    timesOf_ = all.qsos.size();
    const std::optional<ContestWeekend> before = choice_.weekend;
    choice_ = tavik::host::ChoosePeriod(settings_.period, times_);
    if (!choice_.weekend) {
        // The QSOs offered were the weekend's: none of them is known to be kept.
        if (before && change == LiveLog::Change::kGrew) {
            change = LiveLog::Change::kRewritten;
            grownFrom = 0;
        }
        return all;
    }
    const Period weekend(choice_.weekend->start, choice_.weekend->end);
    std::size_t from = 0;
    if (appended && before && before->year == choice_.weekend->year && grownFrom == inWeekendOf_) {
        from = grownFrom;
        grownFrom = inWeekend_.qsos.size();
    } else {
        inWeekend_.qsos.clear();
        grownFrom = 0;
        if (change == LiveLog::Change::kGrew) change = LiveLog::Change::kRewritten;
    }
    for (std::size_t i = from; i < all.qsos.size(); ++i)
        if (weekend.Contains(all.qsos[i].time)) inWeekend_.qsos.push_back(all.qsos[i]);
    inWeekendOf_ = all.qsos.size();
    inWeekend_.ownCall = all.ownCall;
    inWeekend_.callSources = all.callSources;
    inWeekend_.records = all.records;
    inWeekend_.excluded = all.excluded;
    inWeekend_.warnings = all.warnings;
    inWeekend_.cabrillo = all.cabrillo;
    inWeekend_.outside = all.outside + all.qsos.size() - inWeekend_.qsos.size();
    return inWeekend_;
}

bool LiveScoring::Follow(const LogContent& all, LiveLog::Change change, std::size_t grownFrom) {
    const LogContent& content = ChoosePeriod(all, change, grownFrom);
    bool restart = false;
    const bool wasRunning = running_;
    // Only QSOs added to the end are taken as added; anything else is a rewrite.
    const std::size_t added = change == LiveLog::Change::kGrew ? grownFrom : 0;
    if (!Prepare(content, added, restart)) return false;
    std::string why;
    if (restart) {
        if (!wasRunning) action_ = "scored " + std::to_string(content.qsos.size()) + " QSOs";
        Restart(content);
    } else if (change == LiveLog::Change::kRewritten ||
               (change == LiveLog::Change::kGrew && grownFrom != offered_.size())) {
        if (!ApplyRewrite(content, why)) {
            action_ = "scored anew: " + why;
            Restart(content);
        }
    } else if (change == LiveLog::Change::kGrew && content.qsos.size() > offered_.size()) {
        const std::size_t added = content.qsos.size() - offered_.size();
        offered_.insert(offered_.end(), content.qsos.begin() + static_cast<std::ptrdiff_t>(grownFrom),
                        content.qsos.end());
        outcomes_.resize(offered_.size());
        OfferRange(grownFrom, offered_.size());
        action_ = std::to_string(added) + (added == 1 ? " QSO added" : " QSOs added");
    } else {
        action_ = "no new QSO";
    }
    return true;
}

void LiveScoring::Restart(const LogContent& content) {
    ownPrefix_ = countries_.Lookup(ownCall_);
    hostWarnings_ = ownPrefix_.empty() ? 1 : 0;
    session_.Start(ownCall_, ownPrefix_, start_, end_, 0);
    stale_ = true;
    running_ = true;
    ++runs_;
    offered_ = content.qsos;
    outcomes_.assign(offered_.size(), Offered());
    held_.clear();
    bands_.clear();
    multipliers_.clear();
    perMinute_.clear();
    workedOn_.clear();
    workedChanged_ = true;
    accepted_ = 0;
    last_.clear();
    figures_.reset();
    OfferRange(0, offered_.size());
    if (offered_.empty()) Result();
}

void LiveScoring::OfferRange(std::size_t from, std::size_t to) {
    const std::size_t measureFrom = std::max(from, to > kMeasured ? to - kMeasured : 0);
    for (std::size_t i = from; i < measureFrom; ++i) OfferOne(i, false);
    for (std::size_t i = measureFrom; i < to; ++i) OfferOne(i, true);
}

bool LiveScoring::OfferOne(std::size_t index, bool measure) {
    const Qso& qso = offered_[index];
    const std::string& prefix = countries_.CachedLookup(qso.call);
    // What this QSO brought is measured against the figures just before it.
    if (measure && stale_) Result();
    const std::optional<ReportFigures> before = measure ? figures_ : std::nullopt;
    const bool accepted = session_.Offer(ViewOf(qso), prefix.c_str());
    stale_ = true;
    bands_.insert(qso.band);
    outcomes_[index].accepted = accepted;
    LiveQso live;
    live.call = qso.call;
    live.band = qso.band;
    live.time = qso.time;
    if (!accepted) {
        live.outcome = LiveQso::Outcome::kRefused;
        live.reason = LastRefusal();
    } else {
        ++accepted_;
        auto held = held_.find(KeyOf(qso));
        if (held == held_.end()) {
            Hold(index);
        } else if (held->second > index) {
            // Logged before the stored one (an edit earlier in the log): it is the one to keep.
            session_.Remove(ViewOf(offered_[held->second]),
                            countries_.CachedLookup(offered_[held->second].call).c_str());
            Release(held);
            session_.Offer(ViewOf(qso), prefix.c_str());
            Hold(index);
        } else {
            live.outcome = LiveQso::Outcome::kDuplicate;
        }
    }
    if (measure) {
        Result();
        if (before && figures_ && live.outcome == LiveQso::Outcome::kCounted) {
            live.points = static_cast<int>(figures_->total.points - before->total.points);
            auto multipliersOn = [&](const ReportFigures& report) -> std::int64_t {
                for (const BandFigures& band : report.bands)
                    if (band.band == qso.band) return band.multipliers;
                return 0;
            };
            live.newMultiplier = multipliersOn(*figures_) > multipliersOn(*before);
        }
    }
    // Only QSOs whose points are known are listed.
    if (measure) Remember(std::move(live));
    return accepted;
}

void LiveScoring::Hold(std::size_t index) {
    const Qso& qso = offered_[index];
    held_[KeyOf(qso)] = index;
    ++perMinute_[MinuteOf(qso.time)];
    std::vector<std::string>& bands = workedOn_[qso.call];
    workedChanged_ |= bands.empty();
    bands.push_back(qso.band);
    if (!qso.call.empty()) ++multipliers_[qso.band][qso.exchangeReceived];
}

void LiveScoring::Release(std::unordered_map<std::string, std::size_t>::iterator held) {
    const Qso& qso = offered_[held->second];
    auto minute = perMinute_.find(MinuteOf(qso.time));
    if (minute != perMinute_.end() && --minute->second == 0) perMinute_.erase(minute);
    if (auto worked = workedOn_.find(qso.call); worked != workedOn_.end()) {
        std::erase(worked->second, qso.band);
        if (worked->second.empty()) {
            workedOn_.erase(worked);
            workedChanged_ = true;
        }
    }
    if (!qso.call.empty()) {
        auto band = multipliers_.find(qso.band);
        if (band != multipliers_.end()) {
            auto number = band->second.find(qso.exchangeReceived);
            if (number != band->second.end() && --number->second == 0) band->second.erase(number);
            if (band->second.empty()) multipliers_.erase(band);
        }
    }
    held_.erase(held);
}

LiveScoring::Rewrite LiveScoring::Difference(const std::vector<Qso>& now) const {
    const std::size_t oldSize = offered_.size();
    std::size_t prefix = 0;
    while (prefix < oldSize && prefix < now.size() && offered_[prefix] == now[prefix]) ++prefix;
    std::size_t suffix = 0;
    while (suffix < oldSize - prefix && suffix < now.size() - prefix &&
           offered_[oldSize - 1 - suffix] == now[now.size() - 1 - suffix])
        ++suffix;
    return Rewrite{prefix, oldSize - suffix, now.size() - suffix};
}

std::string LiveScoring::WhyNotInPlace(const std::vector<Qso>& now, const Rewrite& rewrite) const {
    // A refused QSO has its line in err.txt, which no call takes back.
    for (std::size_t i = rewrite.prefix; i < rewrite.removedEnd; ++i)
        if (!outcomes_[i].accepted) return "a refused QSO was changed or deleted";
    // The plugin keeps every band it was given, even one whose QSOs are all gone.
    std::set<std::string> bands;
    for (const Qso& qso : now) bands.insert(qso.band);
    std::set<std::string> given = bands_;
    for (std::size_t i = rewrite.prefix; i < rewrite.insertedEnd; ++i) given.insert(now[i].band);
    if (given != bands) return "a band has no QSO left";
    return "";
}

std::set<std::string> LiveScoring::TakeBack(const Rewrite& rewrite) {
    std::set<std::string> vacated;
    for (std::size_t i = rewrite.prefix; i < rewrite.removedEnd; ++i) {
        const Qso& qso = offered_[i];
        --accepted_;
        auto held = held_.find(KeyOf(qso));
        if (held != held_.end() && held->second == i) {
            session_.Remove(ViewOf(qso), countries_.CachedLookup(qso.call).c_str());
            stale_ = true;
            vacated.insert(held->first);
            Release(held);
        }
        std::erase_if(last_, [&](const LiveQso& shown) {
            return shown.call == qso.call && shown.band == qso.band && shown.time == qso.time;
        });
    }
    return vacated;
}

void LiveScoring::Renumber(const std::vector<Qso>& now, const Rewrite& rewrite) {
    const std::ptrdiff_t shift = static_cast<std::ptrdiff_t>(rewrite.insertedEnd) -
                                 static_cast<std::ptrdiff_t>(rewrite.removedEnd);
    for (auto& [key, index] : held_)
        if (index >= rewrite.removedEnd)
            index = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(index) + shift);
    std::vector<Offered> outcomes(now.size());
    const auto from = [this](std::size_t i) { return outcomes_.begin() + static_cast<std::ptrdiff_t>(i); };
    std::copy(outcomes_.begin(), from(rewrite.prefix), outcomes.begin());
    std::copy(from(rewrite.removedEnd), outcomes_.end(),
              outcomes.begin() + static_cast<std::ptrdiff_t>(rewrite.insertedEnd));
    outcomes_ = std::move(outcomes);
    offered_ = now;
}

bool LiveScoring::OfferAgain(const Rewrite& rewrite, bool refusedAfter,
                             std::set<std::string> vacated, std::string& why) {
    const std::vector<Qso>& now = offered_;
    const std::size_t measureFrom =
        std::max(rewrite.prefix, rewrite.insertedEnd > kMeasured ? rewrite.insertedEnd - kMeasured : 0);
    for (std::size_t i = rewrite.prefix; i < rewrite.insertedEnd; ++i)
        // Its refusal line would stand after those of QSOs logged later.
        if (!OfferOne(i, i >= measureFrom) && refusedAfter) {
            why = "a QSO refused before others that were";
            return false;
        }
    // A key whose stored QSO went now belongs to the first of the others that has it.
    for (std::size_t i = rewrite.insertedEnd; i < now.size() && !vacated.empty(); ++i) {
        if (!outcomes_[i].accepted) continue;
        const std::string key = KeyOf(now[i]);
        if (!vacated.erase(key) || held_.count(key)) continue;
        session_.Offer(ViewOf(now[i]), countries_.CachedLookup(now[i].call).c_str());
        stale_ = true;
        Hold(i);
    }
    return true;
}

bool LiveScoring::ApplyRewrite(const LogContent& content, std::string& why) {
    const std::vector<Qso>& now = content.qsos;
    const Rewrite rewrite = Difference(now);
    why = WhyNotInPlace(now, rewrite);
    if (!why.empty()) return false;
    bool refusedAfter = false;
    for (std::size_t i = rewrite.removedEnd; i < offered_.size(); ++i)
        refusedAfter |= !outcomes_[i].accepted;
    std::set<std::string> vacated = TakeBack(rewrite);
    Renumber(now, rewrite);
    if (!OfferAgain(rewrite, refusedAfter, std::move(vacated), why)) return false;
    Result();
    const std::size_t removed = rewrite.removedEnd - rewrite.prefix;
    const std::size_t inserted = rewrite.insertedEnd - rewrite.prefix;
    const std::size_t changed = std::min(removed, inserted);
    action_.clear();
    for (const auto& [count, what] : {std::pair{changed, " changed"}, {removed - changed, " deleted"},
                                      {inserted - changed, " added"}}) {
        if (!count) continue;
        if (!action_.empty()) action_ += ", ";
        action_ += std::to_string(count) + (count == 1 ? " QSO" : " QSOs") + what;
    }
    if (action_.empty()) action_ = "no QSO changed";
    return true;
}

void LiveScoring::Result() {
    stale_ = false;
    const char* report = session_.Result();
    report_ = report ? report : "";
    figures_ = ParseReport(report_);
}

std::string LiveScoring::LastRefusal() const {
    // The reason stands at the end of err.txt's last line, behind three blanks.
    std::ifstream in("err.txt", std::ios::binary | std::ios::ate);
    if (!in) return {};
    const std::streamoff size = in.tellg();
    const std::streamoff from = std::max<std::streamoff>(0, size - 512);
    in.seekg(from);
    std::string tail(static_cast<std::size_t>(size - from), '\0');
    in.read(tail.data(), static_cast<std::streamsize>(tail.size()));
    while (!tail.empty() && (tail.back() == '\n' || tail.back() == '\r')) tail.pop_back();
    const std::size_t line = tail.rfind('\n');
    if (line != std::string::npos) tail.erase(0, line + 1);
    const std::size_t blanks = tail.rfind("   ");
    return blanks == std::string::npos ? tail : tail.substr(blanks + 3);
}

void LiveScoring::Remember(LiveQso qso) {
    if (last_.size() == kLastQsos) last_.pop_front();
    last_.push_back(std::move(qso));
}


}  // namespace tavik::host
