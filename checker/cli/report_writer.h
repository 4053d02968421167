// qsos.tsv and the entrants' reports, written while the plugin scores the checked
// logs: a report as soon as its log's checked score is known.
// Threads: Scored runs on the scoring thread, the writing on a thread of its own.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <thread>

#include "checker/cli/check_outputs.h"
#include "checker/cli/ubn_report.h"

namespace tavik::check {

class ReportWriter {
public:
    // With ownThread false everything is written in Finish, on the caller's thread.
    ReportWriter(const CheckedSet& checked, ScoringPeriod period, std::string out,
                 bool ownThread);
    // Without Finish (the scoring failed) the writing stops where it is.
    ~ReportWriter();
    ReportWriter(const ReportWriter&) = delete;
    ReportWriter& operator=(const ReportWriter&) = delete;

    // The checked scores of the first logs logs are in.
    void Scored(std::size_t logs) {
        scored_.store(logs, std::memory_order_release);
        scored_.notify_one();
    }
    // Once every log is scored: waits for the writing; "" or what could not be written.
    std::string Finish();

private:
    void Write();

    UbnContext context_;
    std::string out_;
    std::atomic<std::size_t> scored_{0};
    std::atomic<bool> abandoned_{false};
    std::string failure_;  // the writer's, read after it is joined
    std::thread thread_;
    bool finished_ = false;
};

}  // namespace tavik::check
