#include "host/live/live_log.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "host/input/ascii_text.h"
#include "host/input/log_reader.h"
#include "host/input/source_file.h"

namespace tavik::host {
namespace {

// Bytes compared at the start of the file and before the last record read: an
// append leaves them as they were, a rewrite seldom does.
constexpr std::size_t kCheckedBytes = 4096;
constexpr std::size_t kRecentWarnings = 50;
// How long the file must stay as it is before a reading of it is taken for one
// that is not an append: the log ends in a whole record, or it is cut in one.
constexpr std::chrono::milliseconds kStill{500};
constexpr std::chrono::milliseconds kStillWhenCut{3000};

// Whether text ends where a record ends: a half-written save seldom does.
bool EndsInWholeRecord(std::string_view text, bool cabrillo, const AdifResumePoint& end) {
    if (cabrillo) {
        std::size_t last = text.find_last_not_of(" \t\r\n");
        if (last == std::string_view::npos) return false;
        const std::size_t lineStart = text.find_last_of("\r\n", last);
        const std::string_view line = text.substr(lineStart == std::string_view::npos ? 0 : lineStart + 1);
        return MatchesUpper(line.substr(0, 11), "END-OF-LOG:") || last + 1 < text.size();
    }
    if (!end.valid) return false;
    for (std::size_t at = end.offset; at < text.size(); ++at)
        if (!IsBlank(text[at])) return false;
    return true;
}

// FNV-1a, continued across calls, so that a grown prefix costs only its new bytes.
std::uint64_t ExtendHash(std::uint64_t hash, std::string_view bytes) {
    for (unsigned char byte : bytes) {
        hash ^= byte;
        hash *= 0x100000001b3ULL;
    }
    return hash;
}
constexpr std::uint64_t kHashStart = 0xcbf29ce484222325ULL;

class Collect : public QsoHandler {
public:
    Collect(const Period& period, LogContent& content) : period_(period), content_(content) {}
    void OnQso(const Qso& qso, std::size_t, std::size_t, Diagnostics&) override {
        if (period_.Contains(qso.time))
            content_.qsos.push_back(qso);
        else
            ++content_.outside;
    }

private:
    const Period& period_;
    LogContent& content_;
};

}  // namespace

LiveLog::LiveLog(std::string path, std::string shownName, const PeriodSettings& period,
                 std::function<void(const std::string&)> tell)
    : path_(std::move(path)), shownName_(std::move(shownName)), period_(period),
      tell_(std::move(tell)) {}

void LiveLog::Tell(const std::string& line) {
    // A record still being written is told about at every look; once is enough.
    if (!recent_.empty() && recent_.back() == line) return;
    if (recent_.size() == kRecentWarnings) recent_.pop_front();
    recent_.push_back(line);
    if (tell_) tell_(line);
}

LiveLog::Change LiveLog::Refresh() {
    const std::optional<FileSignature> signature = SignatureOf(path_);
    if (!signature || !signature->regular) {
        seen_.reset();
        problem_ = signature ? "not a regular file" : "not there (deleted or renamed?)";
        return Change::kMissing;
    }
    if (!seen_ || !(*seen_ == *signature)) {
        seen_ = signature;
        seenSince_ = std::chrono::steady_clock::now();
    }
    if (mark_ && *signature == mark_->signature) return Change::kNone;
    if (mark_ && mark_->resume.valid && !content_.cabrillo &&
        signature->device == mark_->signature.device && signature->file == mark_->signature.file &&
        signature->size >= mark_->resume.offset) {
        switch (ReadOn(*signature)) {
            case ReadOnResult::kRead: return Change::kGrew;
            case ReadOnResult::kChanging: return Unsettled();
            case ReadOnResult::kNotAnAppend: break;
        }
    }
    return ReadWhole(*signature);
}

bool LiveLog::Settled(bool endsWhole) const {
    // A logger saves in pieces; a pause between two of them is far shorter.
    const auto still = std::chrono::steady_clock::now() - seenSince_;
    return still >= (endsWhole ? kStill : kStillWhenCut);
}

LiveLog::Change LiveLog::Unsettled() {
    problem_ = "the log is being written; waiting till it holds still";
    return Change::kUnsettled;
}

LiveLog::Change LiveLog::ReadWhole(const FileSignature& signature) {
    std::string error;
    std::shared_ptr<InputBytes> bytes = OpenInputBytes(path_, error, true);
    if (!bytes) {
        problem_ = error;
        return Change::kMissing;
    }
    SourceFile source(shownName_, bytes);
    LogContent content;
    Collect collect(period_, content);
    // Told only once the reading is taken: a half-saved log's problems are no news.
    std::vector<std::string> told;
    Diagnostics diagnostics([&told](const std::string& line) { told.push_back(line); });
    AdifResumePoint end;
    LogSummary summary;
    try {
        summary = ReadLog(source, collect, diagnostics, nullptr, &end);
        diagnostics.Finish(source);
    } catch (const InputError& problem) {
        if (!bytes->HeldStill() || !Settled(false)) return Unsettled();
        // Said after the log's name already.
        const std::string what = problem.what();
        const std::string named = shownName_ + ": ";
        problem_ = what.rfind(named, 0) == 0 ? what.substr(named.size()) : what;
        return Change::kMissing;
    }
    if (!bytes->HeldStill()) return Unsettled();
    const bool first = !mark_;
    const bool same = !first && content.qsos == content_.qsos && summary.ownCall == content_.ownCall;
    // The first reading has no screen to keep: one that ends in a whole record will do.
    const bool whole = EndsInWholeRecord(source.text, summary.cabrillo, end);
    if (!same && !(first && whole) && !Settled(whole)) return Unsettled();
    for (const std::string& line : told) Tell(line);
    content.ownCall = summary.ownCall;
    content.callSources = summary.callSources;
    content.records = summary.records;
    content.excluded = summary.excluded;
    content.warnings = diagnostics.Warnings();
    content.cabrillo = summary.cabrillo;
    content_ = std::move(content);

    Mark mark;
    mark.signature = signature;
    mark.resume = std::move(end);
    mark.warnings = mark.resume.warnings;
    mark.outside = content_.outside;
    mark.qsos = content_.qsos.size();
    const std::string_view text = source.text;
    const std::size_t resumeAt = mark.resume.valid ? mark.resume.offset : 0;
    mark.head = std::string(text.substr(0, std::min(kCheckedBytes, resumeAt)));
    mark.tail = std::string(text.substr(resumeAt - std::min(kCheckedBytes, resumeAt),
                                        std::min(kCheckedBytes, resumeAt)));
    mark.prefixHash = ExtendHash(kHashStart, text.substr(0, resumeAt));
    mark_ = std::move(mark);
    grownFrom_ = 0;
    problem_.clear();
    verified_ = true;
    return Change::kRewritten;
}

LiveLog::ReadOnResult LiveLog::ReadOn(const FileSignature& signature) {
    Mark& mark = *mark_;
    std::string error;
    std::shared_ptr<InputBytes> bytes = OpenInputBytes(path_, error, false);
    if (!bytes) return ReadOnResult::kNotAnAppend;
    const std::string_view text = bytes->Bytes();
    const std::size_t resumeAt = mark.resume.offset;
    if (text.size() < resumeAt || text.substr(0, mark.head.size()) != mark.head ||
        text.substr(resumeAt - mark.tail.size(), mark.tail.size()) != mark.tail)
        return bytes->HeldStill() ? ReadOnResult::kNotAnAppend : ReadOnResult::kChanging;

    SourceFile source(shownName_, bytes);
    LogContent& content = content_;
    // What came after the resume point last time (a record being written) is read again.
    content.qsos.resize(mark.qsos);
    content.outside = mark.outside;
    Collect collect(period_, content);
    std::vector<std::string> told;
    Diagnostics diagnostics([&told](const std::string& line) { told.push_back(line); });
    AdifResumePoint end;
    LogSummary summary;
    bool read = true;
    try {
        summary = ReadLog(source, collect, diagnostics, &mark.resume, &end);
        diagnostics.Finish(source);
    } catch (const InputError&) {
        read = false;
    }
    if (!read || !bytes->HeldStill()) {
        content.qsos.resize(mark.qsos);
        content.outside = mark.outside;
        return read ? ReadOnResult::kChanging : ReadOnResult::kNotAnAppend;
    }
    for (const std::string& line : told) Tell(line);
    content.records = summary.records;
    content.warnings = mark.warnings + diagnostics.Warnings();
    // The own call may first be named in a record added now, as a one-shot run finds it.
    content.callSources.Follow(summary.callSources);
    content.ownCall = content.callSources.Pick();
    grownFrom_ = mark.qsos;

    mark.signature = signature;
    if (end.valid) {
        mark.prefixHash = ExtendHash(mark.prefixHash, text.substr(resumeAt, end.offset - resumeAt));
        mark.warnings += end.warnings;
        end.warnings = 0;
        mark.resume = std::move(end);
        const std::size_t at = mark.resume.offset;
        mark.head = std::string(text.substr(0, std::min(kCheckedBytes, at)));
        mark.tail = std::string(text.substr(at - std::min(kCheckedBytes, at), std::min(kCheckedBytes, at)));
    }
    mark.outside = content.outside;
    mark.qsos = content.qsos.size();
    problem_.clear();
    verified_ = false;
    return ReadOnResult::kRead;
}

LiveLog::Change LiveLog::Verify() {
    if (verified_ || !mark_) return Change::kNone;
    const std::optional<FileSignature> signature = SignatureOf(path_);
    if (!signature || !(*signature == mark_->signature)) return Change::kNone;  // Refresh's turn
    std::string error;
    std::shared_ptr<InputBytes> bytes = OpenInputBytes(path_, error, true);
    if (!bytes) return Change::kNone;
    const std::string_view text = bytes->Bytes();
    const std::size_t resumeAt = mark_->resume.offset;
    const bool same = text.size() >= resumeAt &&
                      ExtendHash(kHashStart, text.substr(0, resumeAt)) == mark_->prefixHash;
    if (!bytes->HeldStill()) return Change::kNone;  // Refresh's turn
    if (same) {
        verified_ = true;
        return Change::kNone;
    }
    return ReadWhole(*signature);
}

}  // namespace tavik::host
