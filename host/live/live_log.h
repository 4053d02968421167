// A log file followed while it is being written: read whole at first and whenever
// it was rewritten, read on from its last record when it only grew.
#pragma once

#include <cstddef>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host/input/adif_reader.h"
#include "host/input/contest_period.h"
#include "host/input/log_reader.h"
#include "host/input/qso_mapping.h"
#include "host/input/file_signature.h"

namespace tavik::host {

// What a one-shot run over the file's present content would read from it.
struct LogContent {
    std::vector<Qso> qsos;     // offerable QSOs of the contest period, in the file's order
    std::string ownCall;       // as the log gives it
    OwnCallSources callSources;  // what it was picked from (ADIF)
    std::size_t records = 0;   // found, skipped ones included
    std::size_t excluded = 0;  // X-QSO lines
    std::size_t outside = 0;   // QSOs outside the contest period
    std::size_t warnings = 0;
    bool cabrillo = false;
};

class LiveLog {
public:
    enum class Change {
        kNone,       // as it was
        kGrew,       // QSOs from GrownFrom() on are new; those before are unchanged
        kRewritten,  // anything may have changed
        kMissing,    // gone or unreadable for now (Problem() says why); the content is kept
        kUnsettled,  // being written (a save in progress): the content is kept as it was
                     // until the file holds still; look again soon
    };

    // tell gets every warning of the reader as it is found.
    LiveLog(std::string path, std::string shownName, const PeriodSettings& period,
            std::function<void(const std::string&)> tell);

    // Looks at the file and reads what changed.
    Change Refresh();
    // Reads the whole file again when it looks unchanged but an earlier look was
    // not exact (an edit of the same length as an append came with it): kRewritten
    // when the content differs from what was read.
    Change Verify();

    const LogContent& Content() const { return content_; }
    std::size_t GrownFrom() const { return grownFrom_; }
    const std::string& Problem() const { return problem_; }
    // The reader's latest warnings, oldest first.
    const std::deque<std::string>& RecentWarnings() const { return recent_; }

private:
    // What a reading leaves to check that the next one may go on from it.
    struct Mark {
        FileSignature signature;
        AdifResumePoint resume;
        std::size_t warnings = 0;    // up to the resume point
        std::size_t outside = 0;
        std::size_t qsos = 0;
        std::string head;            // bytes at the start and just before the resume point
        std::string tail;
        std::uint64_t prefixHash = 0;  // of every byte before the resume point
    };

    enum class ReadOnResult { kRead, kNotAnAppend, kChanging };
    Change ReadWhole(const FileSignature& signature);
    ReadOnResult ReadOn(const FileSignature& signature);
    // Whether a reading of the file as it is now may replace the content: it has
    // not changed for a while, and longer when it does not end in a whole record.
    bool Settled(bool endsWhole) const;
    Change Unsettled();
    void Tell(const std::string& line);

    std::string path_;
    std::string shownName_;
    Period period_;
    LogContent content_;
    std::optional<Mark> mark_;
    std::size_t grownFrom_ = 0;
    std::string problem_;
    std::function<void(const std::string&)> tell_;
    std::deque<std::string> recent_;
    bool verified_ = true;  // the last look compared every byte
    std::optional<FileSignature> seen_;         // at the last look
    std::chrono::steady_clock::time_point seenSince_;  // first seen so
};

}  // namespace tavik::host
