// The stations and the QSOs they really made; contest_sim_faults.cpp turns them into logs.
#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "bench/contest_sim_draw.h"

namespace tavik::bench {

namespace {

// The fixed numbers of stations outside the CIS that send no serial (make_sample.py).
constexpr const char* kDxFixedNumbers[] = {"0005", "0014", "0015", "0016", "0020", "0028"};

// Bands by the UTC hour: high bands by day, low bands by night (make_sample.py).
std::uint8_t BandAt(int second, SimRng& rng) {
    static const std::uint8_t kDay[] = {2, 3, 4, 2}, kEvening[] = {2, 1}, kNight[] = {0, 1, 0},
                              kMorning[] = {1, 2}, kLate[] = {2, 3, 4};
    const int hour = (12 + second / 3600) % 24;
    if (hour >= 12 && hour <= 15) return kDay[rng.Below(4)];
    if (hour >= 16 && hour <= 18) return kEvening[rng.Below(2)];
    if (hour >= 19 || hour <= 4) return kNight[rng.Below(3)];
    if (hour <= 8) return kMorning[rng.Below(2)];
    return kLate[rng.Below(3)];
}

// count distinct calls of pool, in the order drawn.
std::vector<std::string> Pick(std::vector<std::string> pool, std::size_t count, SimRng& rng) {
    count = std::min(count, pool.size());
    for (std::size_t i = 0; i < count; ++i)
        std::swap(pool[i], pool[i + rng.Below(static_cast<std::uint32_t>(pool.size() - i))]);
    pool.resize(count);
    return pool;
}

Station MakeStation(std::string call, bool cis, SimRng& rng, const SimRates& rates) {
    Station station;
    station.call = std::move(call);
    station.cis = cis;
    if (cis) {
        station.fixedNumber = CisNumber(station.call, rng);
    } else if (rng.Chance(0.5)) {
        station.serial = true;
    } else {
        station.fixedNumber = kDxFixedNumbers[rng.Below(6)];
    }
    if (rng.Chance(rates.clockOff)) {
        const int minutes = 1 + static_cast<int>(rng.Below(90));
        station.clockMinutes = rng.Chance(0.5) ? minutes : -minutes;
    }
    // A few big stations, many small: log-normal, the biggest capped at about six
    // times the mean (some 1500 QSOs when the mean is 250).
    const double u = 1.0 - rng.Unit(), v = rng.Unit();
    const double normal = std::sqrt(-2.0 * std::log(u)) * std::cos(6.283185307179586 * v);
    station.weight = std::min(15.0, std::exp(1.3 * normal));
    return station;
}

}  // namespace

std::vector<Station> MakeStations(const SimOptions& options, const std::vector<std::string>& calls,
                                  SimRng& rng) {
    std::vector<std::string> cisPool, dxPool;
    for (const std::string& call : calls) (IsCisCall(call) ? cisPool : dxPool).push_back(call);
    const double sending = std::max(0.01, 1.0 - options.rates.noLog);
    const auto total =
        static_cast<std::size_t>(std::ceil(static_cast<double>(options.logs) / sending));
    const auto cisCount = static_cast<std::size_t>(std::llround(options.cisShare * total));
    std::vector<Station> stations;
    for (std::string& call : Pick(std::move(cisPool), cisCount, rng))
        stations.push_back(MakeStation(std::move(call), true, rng, options.rates));
    for (std::string& call : Pick(std::move(dxPool), total - stations.size(), rng))
        stations.push_back(MakeStation(std::move(call), false, rng, options.rates));
    // Exactly the asked number of logs, when the call list has the stations for it.
    std::vector<std::size_t> order(stations.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    for (std::size_t i = 0; i + options.logs < stations.size(); ++i) {
        std::swap(order[i], order[i + rng.Below(static_cast<std::uint32_t>(order.size() - i))]);
        stations[order[i]].submits = false;
    }
    return stations;
}

bool PairSet::Insert(std::uint32_t a, std::uint32_t b, std::uint8_t band) {
    return keys_.insert(Key(a, b, band)).second;
}

bool PairSet::Contains(std::uint32_t a, std::uint32_t b, std::uint8_t band) const {
    return keys_.count(Key(a, b, band)) != 0;
}

std::uint64_t PairSet::Key(std::uint32_t a, std::uint32_t b, std::uint8_t band) {
    if (a > b) std::swap(a, b);
    return (std::uint64_t{a} << 35) | (std::uint64_t{b} << 3) | band;
}

std::vector<TrueQso> DrawQsos(const std::vector<Station>& stations, const SimOptions& options,
                              PairSet& pairs, SimRng& rng) {
    std::vector<double> cumulative;
    double sum = 0;
    for (const Station& station : stations) cumulative.push_back(sum += station.weight);
    auto draw = [&]() {
        const auto at = std::upper_bound(cumulative.begin(), cumulative.end(), rng.Unit() * sum);
        return static_cast<std::uint32_t>(std::min<std::size_t>(at - cumulative.begin(),
                                                                stations.size() - 1));
    };
    const double target = options.linesPerLog * static_cast<double>(options.logs);
    std::vector<TrueQso> qsos;
    qsos.reserve(static_cast<std::size_t>(target * 0.6));
    double lines = 0;
    for (std::size_t tries = 0; lines < target && stations.size() > 1 && tries < 50 * target;
         ++tries) {
        TrueQso qso;
        qso.second = static_cast<int>(rng.Below(86400));
        qso.band = BandAt(qso.second, rng);
        qso.a = draw();
        qso.b = draw();
        qso.jitter = static_cast<int>(rng.Below(119)) - 59;
        if (qso.a == qso.b) continue;
        // Both clocks must show a time inside the contest, or the QSO is out of period.
        const int atA = qso.second + 60 * stations[qso.a].clockMinutes;
        const int atB = qso.second + qso.jitter + 60 * stations[qso.b].clockMinutes;
        if (atA < 0 || atA >= 86400 || atB < 0 || atB >= 86400) continue;
        if (!pairs.Insert(qso.a, qso.b, qso.band)) continue;
        const SimBand& band = kSimBands[qso.band];
        qso.khz = band.lowKhz + rng.Below(band.highKhz - band.lowKhz + 1);
        lines += stations[qso.a].submits + stations[qso.b].submits;
        qsos.push_back(qso);
    }
    std::stable_sort(qsos.begin(), qsos.end(),
                     [](const TrueQso& x, const TrueQso& y) { return x.second < y.second; });
    std::vector<std::uint32_t> counts(stations.size(), 0);
    for (TrueQso& qso : qsos) {
        qso.serialA = ++counts[qso.a];
        qso.serialB = ++counts[qso.b];
    }
    return qsos;
}

}  // namespace tavik::bench
