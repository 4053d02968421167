#include "host/input/source_file.h"

#include <algorithm>
#include <cstring>

namespace tavik::host {

namespace {

std::string Located(const std::string& file, std::size_t line, std::size_t offset,
                    const std::string& what) {
    return file + ": line " + std::to_string(line) + ", byte offset " + std::to_string(offset) +
           ": " + what;
}

}  // namespace

InputError::InputError(const std::string& file, std::size_t line, std::size_t offset,
                       const std::string& what)
    : std::runtime_error(Located(file, line, offset, what)) {}

SourceFile::SourceFile(std::string shownName, std::string bytes)
    : name(std::move(shownName)), owned_(std::make_shared<const std::string>(std::move(bytes))) {
    text = *owned_;
}

SourceFile::SourceFile(std::string shownName, std::shared_ptr<InputBytes> bytes)
    : name(std::move(shownName)), text(bytes->Bytes()), bytes_(std::move(bytes)) {}

namespace {

// Line ends in text[from, to): LF, and a CR that no LF follows after only CRs (old
// Mac files end lines with CR alone; CR LF and CR CR LF are one line end).
std::size_t LineEndsIn(std::string_view text, std::size_t from, std::size_t to) {
    const char* base = text.data();
    std::size_t ends = static_cast<std::size_t>(std::count(base + from, base + to, '\n'));
    for (const void* cr = std::memchr(base + from, '\r', to - from); cr;) {
        // A run of CRs at once: all line ends, or none when an LF follows it.
        const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(cr) - base);
        std::size_t next = at + 1;
        while (next < text.size() && text[next] == '\r') ++next;
        if (next >= text.size() || text[next] != '\n') ends += std::min(next, to) - at;
        cr = next < to ? std::memchr(base + next, '\r', to - next) : nullptr;
    }
    return ends;
}

}  // namespace

std::size_t SourceFile::LineAt(std::size_t offset) const {
    offset = std::min(offset, text.size());
    if (offset >= lineCursor_) {
        lineAtCursor_ += LineEndsIn(text, lineCursor_, offset);
    } else if (offset >= lineCursor_ / 2) {
        lineAtCursor_ -= LineEndsIn(text, offset, lineCursor_);
    } else {
        lineAtCursor_ = 1 + LineEndsIn(text, 0, offset);
    }
    lineCursor_ = offset;
    return lineAtCursor_;
}

InputError SourceFile::ErrorAt(std::size_t offset, const std::string& what) const {
    return InputError(name, LineAt(offset), offset, what);
}

std::string SourceFile::WarningAt(std::size_t offset, const std::string& what) const {
    return Located(name, LineAt(offset), offset, what);
}

void SourceFile::CheckHeldStill() const {
    if (!HeldStill())
        throw InputError(name + ": the file changed while it was read (is it being saved?); "
                                "nothing taken from it, try again once it is saved");
}

SourceFile ReadSourceFile(const std::string& path, const std::string& shownName) {
    std::string error;
    std::unique_ptr<InputBytes> bytes = OpenInputBytes(path, error);
    if (!bytes) throw InputError(shownName + ": " + error);
    return SourceFile(shownName, std::shared_ptr<InputBytes>(std::move(bytes)));
}

std::string Diagnostics::Place(const SourceFile& source, std::size_t offset, std::size_t record,
                               const std::string& what) const {
    std::string line = source.name + ": line " + std::to_string(source.LineAt(offset)) +
                       ", byte offset " + std::to_string(offset);
    if (record > 0) line += ", record " + std::to_string(record);
    return line + ": " + what;
}

void Diagnostics::Warn(const SourceFile& source, std::size_t offset, std::size_t record,
                       const std::string& what) {
    if (keep_) {
        ++warnings_;
        Keep(Kept::Kind::Warn, offset, record, what);
        return;
    }
    if (strict_) {
        std::string message = what;
        if (record > 0) message = "record " + std::to_string(record) + ": " + message;
        throw source.ErrorAt(offset, message);
    }
    Tolerate(source, offset, record, what);
}

void Diagnostics::Skip(const SourceFile& source, std::size_t offset, std::size_t record,
                       const std::string& why) {
    if (keep_) {
        ++warnings_;
        Keep(Kept::Kind::Skip, offset, record, why);
        return;
    }
    Warn(source, offset, 0, "record " + std::to_string(record) + " skipped: " + why);
}

void Diagnostics::Tolerate(const SourceFile& source, std::size_t offset, std::size_t record,
                           const std::string& what) {
    ++warnings_;
    if (keep_) Keep(Kept::Kind::Warn, offset, record, what);
    if (print_ && Shown(offset, what, false))
        print_("warning: " + Place(source, offset, record, what));
}

void Diagnostics::Note(const SourceFile& source, std::size_t offset, std::size_t record,
                       const std::string& what) {
    if (keep_) Keep(Kept::Kind::Note, offset, record, what);
    if (print_ && Shown(offset, what, true)) print_(Place(source, offset, record, what));
}

namespace {

// Problems of one kind differ in their numbers and quoted values only.
std::string KindOf(const std::string& what, bool note) {
    if (note) return "n";  // listings, such as QSOs outside the period: one kind
    std::string kind;
    kind.reserve(what.size() + 1);
    kind.push_back('w');
    bool quoted = false;
    const std::size_t size = what.size();
    for (std::size_t i = 0; i < size; ++i) {
        const char c = what[i];
        if (c == '\'') {
            // A quote opens a value after a blank or '(' and closes before a blank,
            // a ',', ';', ')' or the end.
            const char before = i == 0 ? ' ' : what[i - 1];
            const char after = i + 1 == size ? ' ' : what[i + 1];
            if (!quoted && (before == ' ' || before == '(')) {
                quoted = true;
                kind += "''";
                continue;
            }
            if (quoted && (after == ' ' || after == ',' || after == ';' || after == ')')) {
                quoted = false;
                continue;
            }
        }
        if (!quoted && (c < '0' || c > '9')) kind.push_back(c);
    }
    return kind;
}

constexpr std::size_t kMostKinds = 1000;

}  // namespace

bool Diagnostics::Shown(std::size_t offset, const std::string& what, bool note) {
    std::string kind = KindOf(what, note);
    auto found = kinds_.find(kind);
    if (found == kinds_.end()) {
        // A hostile file may make endless kinds: past a bound they are one.
        if (kinds_.size() >= kMostKinds) kind = "w*";
        found = kinds_.try_emplace(std::move(kind)).first;
        if (found->second.seen == 0) {
            found->second.offset = offset;
            found->second.first = what;
            found->second.note = note;
        }
    }
    return ++found->second.seen <= (note ? kShownNotes : kShownOfAKind);
}

void Diagnostics::Finish(const SourceFile& source) {
    if (!print_) return;
    // In the order the kinds were first met.
    std::vector<const KindSeen*> over;
    for (const auto& [kind, seen] : kinds_)
        if (seen.seen > (seen.note ? kShownNotes : kShownOfAKind)) over.push_back(&seen);
    std::sort(over.begin(), over.end(),
              [](const KindSeen* a, const KindSeen* b) { return a->offset < b->offset; });
    for (const KindSeen* seen : over) {
        const std::size_t more = seen->seen - (seen->note ? kShownNotes : kShownOfAKind);
        if (seen->note) {
            print_(source.name + ": " + std::to_string(more) + " more like these not listed");
            continue;
        }
        print_("warning: " + source.name + ": " + std::to_string(more) +
               " more warnings like the one at byte offset " + std::to_string(seen->offset) +
               " not shown (" + Printable(seen->first, 60) + ")");
    }
    kinds_.clear();
}

void Diagnostics::Keep(Kept::Kind kind, std::size_t offset, std::size_t record,
                       const std::string& what) {
    // Bounded: a hostile file may hold a problem every few bytes.
    if (keep_->size() >= keepMost_) {
        overflowed_ = true;
        return;
    }
    keep_->push_back({kind, offset, record, what});
}

void Diagnostics::Tell(const SourceFile& source, const std::vector<Kept>& kept,
                       std::size_t recordBase, const std::vector<std::size_t>& leaveOut) {
    std::size_t next = 0;  // leaveOut is in order
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (next < leaveOut.size() && leaveOut[next] == i) {
            ++next;
            continue;
        }
        const Kept& problem = kept[i];
        const std::size_t record = problem.record > 0 ? problem.record + recordBase : 0;
        switch (problem.kind) {
            case Kept::Kind::Warn: Warn(source, problem.offset, record, problem.what); break;
            case Kept::Kind::Skip: Skip(source, problem.offset, record, problem.what); break;
            case Kept::Kind::Note: Note(source, problem.offset, record, problem.what); break;
        }
    }
}

std::string Printable(std::string_view bytes, std::size_t maxLength) {
    std::string out;
    bool cut = bytes.size() > maxLength;
    if (cut) bytes = bytes.substr(0, maxLength);
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7f) {
            out += static_cast<char>(c);
        } else {
            static const char digits[] = "0123456789ABCDEF";
            out += "\\x";
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    if (cut) out += "...";
    return out;
}

}  // namespace tavik::host
