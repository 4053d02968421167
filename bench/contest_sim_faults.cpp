// From the true QSOs to the logs as sent: QSOs not logged, busted calls and numbers,
// repeats, each line with its truth.
#include <algorithm>
#include <cstdio>
#include <unordered_map>
#include <unordered_set>

#include "bench/contest_sim_draw.h"
#include "host/input/contest_period.h"

namespace tavik::bench {

namespace {

enum class SideFault { kNone, kCall, kNumber };

class FaultMaker {
public:
    FaultMaker(const SimOptions& options, const std::vector<std::string>& calls,
               const std::vector<Station>& stations, const PairSet& pairs, SimRng& rng)
        : rates_(options.rates), stations_(stations), pairs_(pairs), rng_(rng),
          real_(calls.begin(), calls.end()), lines_(stations.size()) {
        for (std::uint32_t i = 0; i < stations.size(); ++i) index_[stations[i].call] = i;
    }

    void Qso(const TrueQso& qso) {
        const bool sendsA = stations_[qso.a].submits, sendsB = stations_[qso.b].submits;
        if ((sendsA || sendsB) && rng_.Chance(2 * rates_.notLogged)) {
            // Only a side that sends a log can be seen not to have logged it.
            const bool dropA = sendsA && (!sendsB || rng_.Chance(0.5));
            Side(qso, !dropA, SideFault::kNone, Truth::kNil);
            return;
        }
        SideFault faultA = Draw(), faultB = Draw();
        if ((faultA == SideFault::kCall) != (faultB == SideFault::kCall) &&
            rng_.Chance(rates_.bothBust))
            faultA = faultB = SideFault::kCall;
        Side(qso, true, faultA, Truth::kOk);
        Side(qso, false, faultB, Truth::kOk);
    }

    std::vector<std::vector<SimLine>> Finish() {
        for (std::vector<SimLine>& log : lines_) MarkDupes(log);
        return std::move(lines_);
    }

private:
    SideFault Draw() {
        const double r = rng_.Unit();
        if (r < rates_.bustedCall) return SideFault::kCall;
        if (r < rates_.bustedCall + rates_.bustedNumber) return SideFault::kNumber;
        return SideFault::kNone;
    }

    std::string Number(const Station& station, std::uint32_t serial) const {
        if (!station.serial) return station.fixedNumber;
        char text[16];
        std::snprintf(text, sizeof text, "%04u", serial);
        return text;
    }

    // The line of one side (a when sideA), unless that side sends no log; nil says
    // the other side did not log it.
    void Side(const TrueQso& qso, bool sideA, SideFault fault, Truth nil) {
        const std::uint32_t self = sideA ? qso.a : qso.b, other = sideA ? qso.b : qso.a;
        const Station& me = stations_[self];
        const Station& partner = stations_[other];
        if (!me.submits) return;
        SimLine line;
        const int second = qso.second + (sideA ? 0 : qso.jitter) + 60 * me.clockMinutes;
        line.minute = second / 60;
        line.order = order_++;
        line.khz = qso.khz;
        line.band = qso.band;
        line.call = partner.call;
        line.sent = Number(me, sideA ? qso.serialA : qso.serialB);
        line.received = Number(partner, sideA ? qso.serialB : qso.serialA);
        line.visible = partner.submits;
        line.truth = nil;
        if (nil == Truth::kOk && fault == SideFault::kCall) {
            line.truth = Truth::kBustedCall;
            line.detail = line.call;
            line.call = BustCall(self, partner.call, qso.band);
        } else if (nil == Truth::kOk && fault == SideFault::kNumber) {
            line.truth = Truth::kBustedExchange;
            line.detail = line.received;
            const std::uint32_t at = rng_.Below(static_cast<std::uint32_t>(line.received.size()));
            const char digit = line.received[at];
            line.received[at] = static_cast<char>('0' + (digit - '0' + 1 + rng_.Below(9)) % 10);
        }
        std::vector<SimLine>& log = lines_[self];
        log.push_back(line);
        const int later = line.minute + 1 + static_cast<int>(rng_.Below(10));
        if (rng_.Chance(rates_.repeat) && later < 1440) {
            SimLine repeat = line;
            repeat.minute = later;
            repeat.order = order_++;
            log.push_back(repeat);
        }
    }

    // A bust that is no station this one worked on the band, nor its own call; now
    // and then one that is another real call.
    std::string BustCall(std::uint32_t self, const std::string& right, std::uint8_t band) {
        for (int tries = 0;; ++tries) {
            std::string bust = MutateCall(right, rng_);
            if (rng_.Chance(rates_.realCallBust))
                for (int near = 0; near < 30 && !real_.count(bust); ++near)
                    bust = MutateCall(right, rng_);
            if (bust == stations_[self].call) continue;
            const auto station = index_.find(bust);
            const bool worked =
                station != index_.end() && pairs_.Contains(self, station->second, band);
            if (tries < 50 && worked) continue;
            return bust;
        }
    }

    // The plugin's rule: a call already logged on the band is a dupe, whatever the
    // line was meant to be.
    static void MarkDupes(std::vector<SimLine>& log) {
        std::sort(log.begin(), log.end(), [](const SimLine& x, const SimLine& y) {
            return x.minute != y.minute ? x.minute < y.minute : x.order < y.order;
        });
        std::unordered_set<std::string> seen;
        for (SimLine& line : log) {
            if (seen.insert(line.call + char('0' + line.band)).second) continue;
            line.truth = Truth::kDupe;
            line.detail.clear();
            line.visible = true;
        }
    }

    const SimRates& rates_;
    const std::vector<Station>& stations_;
    const PairSet& pairs_;
    SimRng& rng_;
    std::unordered_set<std::string> real_;
    std::unordered_map<std::string, std::uint32_t> index_;
    std::vector<std::vector<SimLine>> lines_;
    std::uint32_t order_ = 0;
};

}  // namespace

SimContest SimulateContest(const SimOptions& options, const std::vector<std::string>& calls) {
    SimRng rng(options.seed * 0x2545F4914F6CDD1DULL + 0x5EED);
    SimContest contest;
    contest.stations = MakeStations(options, calls, rng);
    PairSet pairs;
    const std::vector<TrueQso> qsos = DrawQsos(contest.stations, options, pairs, rng);
    FaultMaker faults(options, calls, contest.stations, pairs, rng);
    for (const TrueQso& qso : qsos) faults.Qso(qso);
    contest.lines = faults.Finish();
    const host::ContestWeekend weekend = host::ContestWeekendOf(options.year);
    // Automation days count from 1899-12-30, 25569 days before 1970-01-01.
    contest.startMinute = static_cast<std::int64_t>((weekend.start - 25569.0) * 1440.0 + 0.5);
    return contest;
}

SimCounts CountLines(const SimContest& contest) {
    SimCounts counts;
    for (const std::vector<SimLine>& log : contest.lines) {
        for (const SimLine& line : log) {
            ++counts.lines;
            counts.visible += line.truth != Truth::kOk && line.visible;
            switch (line.truth) {
            case Truth::kOk: ++counts.qsos; break;
            case Truth::kNil: ++counts.nil; break;
            case Truth::kBustedCall: ++counts.bustedCall; break;
            case Truth::kBustedExchange: ++counts.bustedExchange; break;
            case Truth::kDupe: ++counts.dupe; break;
            }
        }
    }
    return counts;
}

}  // namespace tavik::bench
