// The first readings of a one-shot run: what a log holds before the plugin sees it.
#pragma once

#include <cstddef>
#include <string>

#include "host/input/contest_period.h"
#include "host/input/log_reader.h"
#include "host/input/source_file.h"

namespace tavik::host {

// The note on a QSO that is not offered for its time.
std::string OutsideThePeriod(const Qso& qso);

// First pass: every problem told, the QSOs to offer counted, the period's ends found.
class LogSurvey : public QsoHandler {
public:
    LogSurvey(const SourceFile& source, const Period& period) : source_(source), period_(period) {}

    void OnQso(const Qso& qso, std::size_t offset, std::size_t record,
               Diagnostics& diagnostics) override {
        if (!period_.Contains(qso.time)) {
            ++outside;
            diagnostics.Note(source_, offset, record,
                              OutsideThePeriod(qso));
            return;
        }
        times.Add(qso.time);
        ++offered;
    }

    // Takes in the figures of the survey of a later part of the log.
    void Follow(const LogSurvey& later) {
        times.Add(later.times);
        offered += later.offered;
        outside += later.outside;
    }

    std::size_t offered = 0;
    std::size_t outside = 0;
    QsoTimes times;

private:
    const SourceFile& source_;
    const Period& period_;
};

// A reading once the weekend is chosen: the QSOs outside it listed and counted.
class WeekendSorter : public QsoHandler {
public:
    WeekendSorter(const SourceFile& source, const Period& weekend, Diagnostics& told)
        : source_(source), weekend_(weekend), told_(told) {}

    void OnQso(const Qso& qso, std::size_t offset, std::size_t record, Diagnostics&) override {
        if (weekend_.Contains(qso.time)) {
            ++inside;
            return;
        }
        ++outside;
        told_.Note(source_, offset, record,
                   OutsideThePeriod(qso));
    }

    std::size_t inside = 0;
    std::size_t outside = 0;

private:
    const SourceFile& source_;
    const Period& weekend_;
    Diagnostics& told_;
};

}  // namespace tavik::host
