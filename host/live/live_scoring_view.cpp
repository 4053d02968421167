// What the live scoring shows: the JSON figures, the call check, the rates, the hours.
#include <algorithm>

#include "host/live/live_scoring.h"

namespace tavik::host {

RunFigures LiveScoring::Figures(const LogContent& content) const {
    RunFigures figures;
    figures.start = FormatAutomationDate(start_);
    figures.end = FormatAutomationDate(end_);
    figures.records = content.records;
    figures.offered = offered_.size();
    figures.accepted = accepted_;
    figures.duplicates = accepted_ - held_.size();
    figures.refused = offered_.size() - accepted_;
    figures.skipped = content.records - std::min(content.records, figures.offered);
    figures.warnings = content.warnings + hostWarnings_;
    return figures;
}

CallAnswer LiveScoring::CheckCall(const std::string& call, std::size_t most) {
    CallAnswer answer;
    if (!figures_) return answer;
    for (const BandFigures& band : figures_->bands)
        answer.bands.emplace_back(band.band, session_.Worked(call.c_str(), band.band.c_str()));
    // Bands in the report's order, as the call check lists them.
    const auto rank = [this](const std::string& band) {
        std::size_t i = 0;
        while (i < figures_->bands.size() && figures_->bands[i].band != band) ++i;
        return i;
    };
    if (workedChanged_) {
        std::vector<std::string> calls;
        calls.reserve(workedOn_.size());
        for (const auto& entry : workedOn_) calls.push_back(entry.first);
        workedCalls_ = CallList(std::move(calls));
        workedChanged_ = false;
    }
    for (std::string& worked : workedCalls_.Holding(call, most)) {
        std::vector<std::string> bands = workedOn_.at(worked);
        std::sort(bands.begin(), bands.end(),
                  [&rank](const std::string& a, const std::string& b) { return rank(a) < rank(b); });
        answer.worked.emplace_back(std::move(worked), std::move(bands));
    }
    return answer;
}

LiveRates RatesAt(const std::map<long long, std::size_t>& perMinute, double now) {
    LiveRates rates;
    if (perMinute.empty()) return rates;
    // A QSO stamped in the minute after the clock's counts as just made: the
    // logger's clock may be a little ahead.
    const long long clock = MinuteOf(now);
    for (auto it = perMinute.rbegin(); it != perMinute.rend() && it->first > clock - 60; ++it) {
        if (it->first > clock + 1) continue;
        rates.last60Minutes += it->second;
        if (it->first > clock - 10) rates.last10Minutes += it->second;
    }
    const long long latest = perMinute.rbegin()->first;
    const auto ofLast = [&](std::size_t qsos) -> std::size_t {
        std::size_t seen = 0;
        for (auto it = perMinute.rbegin(); it != perMinute.rend(); ++it) {
            seen += it->second;
            if (seen >= qsos) {
                const auto minutes = static_cast<std::size_t>(latest - it->first + 1);
                return (qsos * 60 + minutes / 2) / minutes;
            }
        }
        return 0;
    };
    rates.ofLast10Qsos = ofLast(10);
    rates.ofLast100Qsos = ofLast(100);
    std::size_t inHour = 0;
    long long hour = perMinute.begin()->first / 60;
    const auto closeHour = [&] {
        if (inHour > rates.bestHourQsos) {
            rates.bestHourQsos = inHour;
            rates.bestHour = static_cast<double>(hour) / 24.0;
        }
    };
    for (const auto& [minute, count] : perMinute) {
        if (minute / 60 != hour) {
            closeHour();
            hour = minute / 60;
            inHour = 0;
        }
        inHour += count;
    }
    closeHour();
    return rates;
}

void LiveScoring::Fill(LiveSnapshot& snapshot, double now) const {
    snapshot.report = report_;
    snapshot.now = now;
    snapshot.period.reset();
    if (choice_.weekend)
        snapshot.period.emplace(choice_.weekend->start, choice_.weekend->end);
    else if (settings_.period.start && settings_.period.end)
        snapshot.period.emplace(*settings_.period.start, *settings_.period.end);
    snapshot.lastQsos.assign(last_.begin(), last_.end());
    snapshot.duplicates = accepted_ - held_.size();
    snapshot.rates = RatesAt(perMinute_, now);
    snapshot.qsosPerHour.clear();
    snapshot.multipliersByBand.clear();
    if (!perMinute_.empty()) {
        const long long latest = perMinute_.rbegin()->first;
        // Bars for the hours of the log so far, the latest two days at most.
        const long long firstHour = std::max(perMinute_.begin()->first / 60, latest / 60 - 47);
        snapshot.firstHour = static_cast<double>(firstHour) / 24.0;
        const auto hours = static_cast<std::size_t>(latest / 60 - firstHour + 1);
        snapshot.qsosPerHour.assign(hours, 0);
        for (const auto& [minute, count] : perMinute_) {
            const long long hour = minute / 60 - firstHour;
            if (hour >= 0 && static_cast<std::size_t>(hour) < hours) snapshot.qsosPerHour[static_cast<std::size_t>(hour)] += count;
        }
    }
    if (figures_) {
        for (const BandFigures& band : figures_->bands) {
            std::vector<std::string> numbers;
            auto found = multipliers_.find(band.band);
            if (found != multipliers_.end())
                for (const auto& [number, count] : found->second) numbers.push_back(number);
            snapshot.multipliersByBand.emplace_back(band.band, std::move(numbers));
        }
    }
}

}  // namespace tavik::host
