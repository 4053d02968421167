// Each log scored through the plugin: alone (the claimed score, and the plugin's
// verdict on each QSO) and again with only the QSOs that stand (the checked score).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "checker/cli/log_set.h"
#include "checker/engine/cross_check.h"
#include "host/input/contest_period.h"
#include "host/session/plugin_loader.h"
#include "host/session/scoring_session.h"

namespace tavik::check {

struct PluginScore {
    bool known = false;  // the plugin gave a report with a score line
    std::int64_t points = 0;
    std::int64_t multipliers = 0;
    std::int64_t score = 0;
};

// The figures of a result report's "Total" and "Score = P * M = S" lines.
PluginScore ParseScore(std::string_view report);

// The reason at the end of one of err.txt's refusal lines, for the QSO refused.
std::string RefusalReason(std::string_view line, const host::QsoView& qso);

struct ScoringPeriod {
    double start = 0;  // automation dates, as ResetStats0 takes them
    double end = 0;
};

class LogScorer {
public:
    // workDir: the folder the plugin writes err.txt into (the current one).
    LogScorer(const host::PluginApi& plugin, std::string workDir, ScoringPeriod period)
        : session_(plugin), errorLog_(std::move(workDir) + "/err.txt"), period_(period),
          contains_(period.start, period.end) {}

    // Offers the log in file order: sets each QSO's alone verdict (and the reason of a
    // refusal); gives the claimed score.
    PluginScore ScoreAlone(const EntrantFile& file, EntrantLog& log);
    // Offers only the QSOs whose verdict counts.
    PluginScore ScoreChecked(const EntrantFile& file, const LogOutcome& outcome);

private:
    void Start(const EntrantFile& file);
    void TakeReasons(const EntrantFile& file, EntrantLog& log);

    host::ScoringSession session_;
    std::string errorLog_;
    ScoringPeriod period_;
    host::Period contains_;
};

}  // namespace tavik::check
