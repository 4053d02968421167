#include "checker/cli/report_writer.h"

#include <filesystem>

#include "checker/cli/check_files.h"

namespace fs = std::filesystem;

namespace tavik::check {

ReportWriter::ReportWriter(const CheckedSet& checked, ScoringPeriod period, std::string out,
                           bool ownThread)
    : context_{checked, period, {}}, out_(std::move(out)) {
    for (std::size_t l = 0; l < checked.set.logs.size(); ++l)
        context_.logOfCall.emplace(checked.set.logs[l].call, l);
    if (ownThread) thread_ = std::thread([this] { Write(); });
}

ReportWriter::~ReportWriter() {
    if (finished_) return;
    abandoned_ = true;
    Scored(static_cast<std::size_t>(-1));
    if (thread_.joinable()) thread_.join();
}

std::string ReportWriter::Finish() {
    if (finished_) return failure_;
    finished_ = true;
    if (thread_.joinable()) thread_.join();
    else Write();
    return failure_;
}

void ReportWriter::Write() {
    const CheckedSet& checked = context_.checked;
    const std::string table = (fs::path(out_) / "qsos.tsv").string();
    if (!WriteWholeFile(table, QsosTable(checked))) failure_ = table + ": cannot be written";
    const fs::path folder = fs::path(out_) / "ubn";
    const std::size_t logs = checked.set.logs.size();
    for (std::size_t l = 0; l < logs; ++l) {
        for (std::size_t seen; (seen = scored_.load(std::memory_order_acquire)) <= l;)
            scored_.wait(seen, std::memory_order_acquire);
        if (abandoned_) return;
        const std::string path = (folder / UbnFileName(checked.set.logs[l].call)).string();
        if (!WriteWholeFile(path, UbnReport(context_, l)) && failure_.empty())
            failure_ = path + ": cannot be written";
    }
}

}  // namespace tavik::check
