#include "checker/cli/check_run.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <thread>

#include "checker/cli/check_files.h"
#include "checker/cli/check_outputs.h"
#include "checker/cli/log_set.h"
#include "checker/cli/plugin_scoring.h"
#include "checker/cli/progress_line.h"
#include "checker/cli/report_writer.h"
#include "checker/cli/ubn_report.h"
#include "host/input/country_file.h"
#include "host/session/plugin_host.h"
#include "platform/standard_streams.h"
#include "host/session/work_folder.h"

namespace fs = std::filesystem;

namespace tavik::check {

namespace {

using Clock = std::chrono::steady_clock;

struct Stop {
    std::string why;
};

// The period the options give, else the contest weekend the logs' QSOs fall in.
ScoringPeriod ChooseScoringPeriod(const CheckOptions& options, const LogSet& set, std::string& note) {
    host::QsoTimes all;
    for (const EntrantFile& file : set.files)
        if (file.log != EntrantFile::kNoLog) all.Add(file.times);
    const std::optional<host::ContestWeekend> weekend =
        options.start || options.end ? std::nullopt : all.LatestWeekend();
    ScoringPeriod period;
    period.start = options.start ? *options.start : weekend ? weekend->start : all.Earliest();
    period.end = options.end ? *options.end : weekend ? weekend->end : all.Latest();
    if (all.Count() == 0 && !options.start && !options.end) {
        note = "the logs hold no QSO";
        return period;
    }
    if (!options.start && !options.end && !weekend)
        note = "no contest weekend holds a QSO of the logs; checking all of them, ";
    note += "contest period " + host::FormatAutomationDate(period.start) + " to " +
            host::FormatAutomationDate(period.end) + " UTC";
    return period;
}

class CheckRun {
public:
    CheckRun(const CheckOptions& options, std::ostream& err)
        : options_(options), err_(err), progress_(err, ErrorStreamIsTerminal()),
          jobs_(options.jobs ? options.jobs : std::max(1u, std::thread::hardware_concurrency())) {}

    ~CheckRun() { LeaveScratch(); }

    int Run() {
        try {
            Prepare();
            Read();
            ScoreAlone();
            CrossCheck();
            ScoreChecked();
            Write();
        } catch (const Stop& stop) {
            progress_.End();
            err_ << "tavik-check: error: " << stop.why << '\n';
            return kCheckFailed;
        }
        Tell();
        return kCheckOk;
    }

private:
    // Wall time and the processor time of all threads: on a busy machine they differ.
    void Phase(const char* name) {
        const Clock::time_point now = Clock::now();
        const std::clock_t processor = std::clock();
        char cpu[32];
        std::snprintf(cpu, sizeof cpu, " (%.3f s cpu)",
                      static_cast<double>(processor - phaseProcessor_) / CLOCKS_PER_SEC);
        timing_ += std::string(timing_.empty() ? "" : ", ") + name + " " +
                   Seconds(now - phaseStart_) + " s" + cpu;
        phaseStart_ = now;
        phaseProcessor_ = processor;
    }
    static std::string Seconds(Clock::duration span) {
        char text[32];
        std::snprintf(text, sizeof text, "%.3f", std::chrono::duration<double>(span).count());
        return text;
    }

    // Paths made absolute first: the plugin runs in a folder of its own.
    void Prepare() {
        out_ = host::Absolute(options_.outFolder);
        if (std::string unwritable = PrepareOutFolder(out_); !unwritable.empty())
            throw Stop{unwritable};
        const std::string plugin =
            options_.pluginPath.empty() ? std::string() : host::Absolute(options_.pluginPath);
        std::string why;
        scratch_ = MakeScratchFolder(why);
        if (scratch_.empty()) throw Stop{why};
        home_ = fs::current_path().string();
        auto host = host::PluginHost::Find({plugin, scratch_, false, false});
        if (!host) throw Stop{host.Why().message};
        host_ = std::move(*host);
        try {
            const host::SourceFile text =
                host::ReadSourceFile(host::Absolute(options_.countryFile), options_.countryFile);
            countries_ = host::CountryFile::Parse(text);
        } catch (const host::InputError& error) {
            throw Stop{error.what()};
        }
        Phase("country file");
    }

    void Read() {
        try {
            set_ = ReadLogSet(options_.logFolder, countries_, jobs_, &ProgressLine::OfReading,
                              &progress_);
        } catch (const host::InputError& error) {
            throw Stop{error.what()};
        }
        progress_.End();
        std::string told;
        for (const EntrantFile& file : set_.files) {
            told += file.told;
            if (!file.unreadable.empty())
                told += "tavik-check: " + file.name + " not checked: " + file.unreadable + "\n";
        }
        err_ << told;
        period_ = ChooseScoringPeriod(options_, set_, note_);
        err_ << "tavik-check: " << note_ << '\n';
        Phase("reading");
    }

    void ScoreAlone() {
        if (host::Status open = host_->Open(); !open) throw Stop{open.Why().message};
        scorer_.emplace(host_->Plugin(), host_->WorkDir(), period_);
        results_.assign(set_.logs.size(), LogResult());
        for (std::size_t l = 0; l < set_.logs.size(); ++l) {
            results_[l].claimed = scorer_->ScoreAlone(set_.files[set_.fileOfLog[l]], set_.logs[l]);
            progress_.Show("scoring logs", l + 1, set_.logs.size());
        }
        progress_.End();
        Phase("scoring alone");
    }

    void CrossCheck() {
        CheckSettings settings;
        settings.windowMinutes = options_.windowMinutes;
        settings.jobs = jobs_;
        outcome_ = Check(set_.logs, settings, &ProgressLine::OfChecking, &progress_);
        progress_.End();
        CountVerdicts(checked_, results_);
        Phase("checking");
    }

    // A log the cross-check took nothing from keeps the plugin's score: what remains
    // is what the plugin scored.
    void ScoreChecked() {
        ReportWriter writer(checked_, period_, out_, jobs_ > 1);
        for (std::size_t l = 0; l < set_.logs.size(); ++l) {
            bool removed = false;
            for (std::size_t q = 0; q < set_.logs[l].qsos.size() && !removed; ++q)
                removed = set_.logs[l].qsos[q].alone == Verdict::kOk &&
                          !Counts(outcome_.logs[l].qsos[q].verdict);
            results_[l].checked =
                removed ? scorer_->ScoreChecked(set_.files[set_.fileOfLog[l]], outcome_.logs[l])
                        : results_[l].claimed;
            writer.Scored(l + 1);
            progress_.Show("scoring checked logs", l + 1, set_.logs.size());
        }
        progress_.End();
        LeaveScratch();
        Phase("scoring checked");
        if (const std::string failure = writer.Finish(); !failure.empty()) throw Stop{failure};
        Phase("writing reports");
    }

    void Write();
    void Tell();

    void LeaveScratch() {
        if (scratch_.empty()) return;
        std::error_code error;
        if (!home_.empty()) fs::current_path(home_, error);
        fs::remove_all(scratch_, error);
        scratch_.clear();
    }

    const CheckOptions& options_;
    std::ostream& err_;
    ProgressLine progress_;
    unsigned jobs_;
    Clock::time_point phaseStart_ = Clock::now();
    std::clock_t phaseProcessor_ = std::clock();
    const Clock::time_point start_ = phaseStart_;
    std::string timing_, note_, out_, scratch_, home_;
    std::unique_ptr<host::PluginHost> host_;
    host::CountryFile countries_;
    LogSet set_;
    ScoringPeriod period_;
    std::optional<LogScorer> scorer_;
    std::vector<LogResult> results_;
    CheckOutcome outcome_;
    const CheckedSet checked_{set_, outcome_, results_};
};

// Only the results wait for the last checked score.
void CheckRun::Write() {
    const std::vector<std::size_t> order = ResultOrder(checked_);
    const fs::path out(out_);
    const auto write = [&out](const char* name, const std::string& text) {
        if (!WriteWholeFile((out / name).string(), text))
            throw Stop{(out / name).string() + ": cannot be written"};
    };
    write("results.tsv", ResultsTable(checked_, order));
    write("results.json", ResultsJson(checked_, order));
    Phase("writing results");
}

void CheckRun::Tell() {
    std::size_t counts[kVerdictCount] = {};
    for (const LogResult& result : results_)
        for (std::size_t v = 0; v < kVerdictCount; ++v) counts[v] += result.counts[v];
    const std::size_t unreadable = set_.files.size() - set_.logs.size();
    err_ << "tavik-check: " << set_.logs.size() << " logs checked, " << unreadable
         << " not; " << set_.qsoLines << " QSO lines:";
    for (std::size_t v = 0; v < kVerdictCount; ++v)
        err_ << (v ? ", " : " ") << counts[v] << ' ' << VerdictName(static_cast<Verdict>(v));
    err_ << "; results in " << out_ << '\n';
    if (options_.timing)
        err_ << "tavik-check: timing: " << timing_ << "; " << Seconds(Clock::now() - start_)
             << " s in all\n";
}

}  // namespace

int RunCheck(const CheckOptions& options, std::ostream& err) {
    return CheckRun(options, err).Run();
}

}  // namespace tavik::check
