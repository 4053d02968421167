#include "host/live_log.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "host/log_reader.h"
#include "host/source_file.h"

namespace tavik::host {
namespace {

// Bytes compared at the start of the file and before the last record read: an
// append leaves them as they were, a rewrite seldom does.
constexpr std::size_t kCheckedBytes = 4096;
constexpr std::size_t kRecentWarnings = 50;

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

LiveLog::LiveLog(std::string path, std::string shownName, const Options& options,
                 std::function<void(const std::string&)> tell)
    : path_(std::move(path)), shownName_(std::move(shownName)), period_(options),
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
        problem_ = signature ? "not a regular file" : "not there (deleted or renamed?)";
        return Change::kMissing;
    }
    if (mark_ && *signature == mark_->signature) return Change::kNone;
    if (mark_ && mark_->resume.valid && !content_.cabrillo &&
        signature->device == mark_->signature.device && signature->file == mark_->signature.file &&
        signature->size >= mark_->resume.offset && ReadOn(*signature))
        return Change::kGrew;
    return ReadWhole(*signature);
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
    Diagnostics diagnostics([this](const std::string& line) { Tell(line); });
    AdifResumePoint end;
    LogSummary summary;
    try {
        summary = ReadLog(source, collect, diagnostics, nullptr, &end);
    } catch (const InputError& problem) {
        // Said after the log's name already.
        const std::string what = problem.what();
        const std::string named = shownName_ + ": ";
        problem_ = what.rfind(named, 0) == 0 ? what.substr(named.size()) : what;
        return Change::kMissing;
    }
    content.ownCall = summary.ownCall;
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

bool LiveLog::ReadOn(const FileSignature& signature) {
    Mark& mark = *mark_;
    std::string error;
    std::shared_ptr<InputBytes> bytes = OpenInputBytes(path_, error, false);
    if (!bytes) return false;
    const std::string_view text = bytes->Bytes();
    const std::size_t resumeAt = mark.resume.offset;
    if (text.size() < resumeAt || text.substr(0, mark.head.size()) != mark.head ||
        text.substr(resumeAt - mark.tail.size(), mark.tail.size()) != mark.tail)
        return false;

    SourceFile source(shownName_, bytes);
    LogContent& content = content_;
    // What came after the resume point last time (a record being written) is read again.
    content.qsos.resize(mark.qsos);
    content.outside = mark.outside;
    Collect collect(period_, content);
    Diagnostics diagnostics([this](const std::string& line) { Tell(line); });
    AdifResumePoint end;
    LogSummary summary;
    try {
        summary = ReadLog(source, collect, diagnostics, &mark.resume, &end);
    } catch (const InputError&) {
        return false;
    }
    content.records = summary.records;
    content.warnings = mark.warnings + diagnostics.Warnings();
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
    return true;
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
    if (text.size() >= resumeAt &&
        ExtendHash(kHashStart, text.substr(0, resumeAt)) == mark_->prefixHash) {
        verified_ = true;
        return Change::kNone;
    }
    return ReadWhole(*signature);
}

}  // namespace tavik::host
