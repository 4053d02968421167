// Which QSOs fall in the contest period: the one the options give, else, for a log
// of more than one contest, the latest contest weekend that holds QSOs.
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "host/input/qso_mapping.h"

namespace tavik::host {

// The period a run was given: --start, --end, --all.
struct PeriodSettings {
    std::optional<double> start, end;  // automation dates
    bool all = false;  // every QSO of a long log, not only its latest contest weekend
};

// "YYYY-MM-DD HH:MM" or "YYYYMMDD HHMM" (UTC) as an automation date.
std::optional<double> ParsePeriodTime(std::string_view text);

// QSOs of the contest period; without --start and --end every QSO is in it.
class Period {
public:
    explicit Period(const PeriodSettings& given) : start_(given.start), end_(given.end) {}
    Period(double start, double end) : start_(start), end_(end) {}
    bool Contains(double time) const {
        const double linear = LinearTime(time);
        return (!start_ || linear >= LinearTime(*start_)) && (!end_ || linear <= LinearTime(*end_));
    }

private:
    std::optional<double> start_, end_;
};

// The contest runs from 12:00 UTC on the third Saturday of September to 12:00 UTC
// on the Sunday after.
struct ContestWeekend {
    int year = 0;
    double start = 0;  // automation dates
    double end = 0;
};

inline ContestWeekend ContestWeekendOf(int year) {
    const std::int64_t first = DaysSinceAutomationEpoch(year, 9, 1);
    // Day 0, 1899-12-30, was a Saturday.
    const std::int64_t weekday = ((first % 7) + 7) % 7;
    const std::int64_t saturday = first + (7 - weekday) % 7 + 14;
    return {year, static_cast<double>(saturday) + 0.5, static_cast<double>(saturday) + 1.5};
}

// The year of a day counted from 1899-12-30.
inline int YearOfDay(std::int64_t day) {
    const std::int64_t z = day - 25569 + 719468;  // from 0000-03-01
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t dayOfEra = z - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t march = (5 * dayOfYear + 2) / 153;  // 0 is March
    return static_cast<int>(yearOfEra + era * 400 + (march >= 10 ? 1 : 0));
}

// The span of a log's QSO times and the latest contest weekend holding one of them:
// a few numbers, whatever the log's length.
class QsoTimes {
public:
    void Add(double time) {
        const double linear = LinearTime(time);
        if (count_ == 0 || linear < LinearTime(earliest_)) earliest_ = time;
        if (count_ == 0 || linear > LinearTime(latest_)) latest_ = time;
        ++count_;
        const int year = YearOfDay(static_cast<std::int64_t>(std::floor(linear)));
        if (latestWeekend_ && year <= latestWeekend_->year) return;
        if (year != cached_.year) cached_ = ContestWeekendOf(year);
        if (linear >= cached_.start && linear <= cached_.end) latestWeekend_ = cached_;
    }
    // Takes in the times of a later part of the log.
    void Add(const QsoTimes& later) {
        if (later.count_ == 0) return;
        const std::size_t count = count_;
        Add(later.earliest_);
        Add(later.latest_);
        count_ = count + later.count_;
        if (later.latestWeekend_ && (!latestWeekend_ || later.latestWeekend_->year > latestWeekend_->year))
            latestWeekend_ = later.latestWeekend_;
    }

    std::size_t Count() const { return count_; }
    double Earliest() const { return earliest_; }
    double Latest() const { return latest_; }
    const std::optional<ContestWeekend>& LatestWeekend() const { return latestWeekend_; }

private:
    std::size_t count_ = 0;
    double earliest_ = 0, latest_ = 0;
    std::optional<ContestWeekend> latestWeekend_;
    ContestWeekend cached_;  // of the year last looked at
};

// What a run scores when the options give no period.
struct PeriodChoice {
    std::optional<ContestWeekend> weekend;  // only the QSOs of this weekend count
    std::string note;                       // a line for the user; "" when there is nothing to say
};

inline std::string WithThousands(std::int64_t number) {
    const std::string digits = std::to_string(number);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && digits[i - 1] != '-' && (digits.size() - i) % 3 == 0) grouped += ',';
        grouped += digits[i];
    }
    return grouped;
}

// A log of more than 48 hours (a whole logbook) scores the latest contest weekend
// in it, unless --start, --end or --all say otherwise.
inline PeriodChoice ChoosePeriod(const PeriodSettings& given, const QsoTimes& times) {
    PeriodChoice choice;
    if (given.start || given.end || given.all || times.Count() == 0) return choice;
    // In whole seconds: minute times are no exact binary fractions of a day.
    const long long seconds =
        std::llround((LinearTime(times.Latest()) - LinearTime(times.Earliest())) * 86400.0);
    if (seconds <= 48 * 3600) return choice;
    const std::string spans = "the log spans " + WithThousands(seconds / 86400) + " days";
    choice.weekend = times.LatestWeekend();
    if (!choice.weekend) {
        choice.note = spans + " and none of its QSOs falls on a contest weekend; scoring all of them";
        return choice;
    }
    choice.note = spans + "; scoring the contest weekend " + FormatAutomationDate(choice.weekend->start) +
                  " to " + FormatAutomationDate(choice.weekend->end) +
                  " UTC; give --start and --end for another period";
    return choice;
}

}  // namespace tavik::host
