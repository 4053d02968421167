// An input file's bytes, places in it, and the problems found there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <unordered_map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavik::host {

// An input problem with its place: "FILE: line L, byte offset O: what".
class InputError : public std::runtime_error {
public:
    InputError(const std::string& file, std::size_t line, std::size_t offset,
               const std::string& what);
    explicit InputError(const std::string& message) : std::runtime_error(message) {}
};

// Bytes of a file, mapped where the system can, read whole where it cannot (pipes).
class InputBytes {
public:
    virtual ~InputBytes() = default;
    virtual std::string_view Bytes() const = 0;
    // The bytes from offset from up to upTo are not needed for a while: the system
    // may drop them from memory (they come back from the file when touched again).
    // Parts of a file read on two threads give back their own ranges.
    virtual void Release(std::size_t from, std::size_t upTo) {
        (void)from;
        (void)upTo;
    }
    // False when the file changed since it was opened: it was written to, or cut
    // short (the bytes past its new end then read as NULs). A reading is to be
    // trusted only when this still holds after it.
    virtual bool HeldStill() const { return true; }
};

// Bytes read into memory: from a pipe, or a file the system will not map.
class ReadBytes : public InputBytes {
public:
    explicit ReadBytes(std::string text) : text_(std::move(text)) {}
    std::string_view Bytes() const override { return text_; }

private:
    std::string text_;
};

// Opens path for reading; nullptr and a message when it is missing, a folder, a
// device or unreadable. With whole false only parts of the bytes will be looked at,
// so none is read ahead. Implemented per system.
std::unique_ptr<InputBytes> OpenInputBytes(const std::string& path, std::string& error,
                                           bool whole = true);

class SourceFile {
public:
    SourceFile() = default;
    // Holds a copy of text, for texts built in memory.
    SourceFile(std::string shownName, std::string text);
    SourceFile(std::string shownName, std::shared_ptr<InputBytes> bytes);

    std::string name;  // as shown in messages
    std::string_view text;

    // 1-based line of a byte offset. Counts from the last offset asked for, so
    // places asked for in file order cost time linear in the file, not quadratic.
    // It moves that cursor: one thread at a time, though the bytes may be shared.
    std::size_t LineAt(std::size_t offset) const;
    InputError ErrorAt(std::size_t offset, const std::string& what) const;
    std::string WarningAt(std::size_t offset, const std::string& what) const;
    void Release(std::size_t from, std::size_t upTo) const {
        if (bytes_) bytes_->Release(from, upTo);
    }
    // Whether the file is as it was when opened (always, for text in memory).
    bool HeldStill() const { return !bytes_ || bytes_->HeldStill(); }
    // Throws an InputError when it is not: what was read from it is not to be trusted.
    void CheckHeldStill() const;

private:
    std::shared_ptr<const std::string> owned_;
    std::shared_ptr<InputBytes> bytes_;
    mutable std::size_t lineCursor_ = 0;  // an offset whose line is known
    mutable std::size_t lineAtCursor_ = 1;
};

// Opens the file. Throws InputError naming the file when it cannot be read.
SourceFile ReadSourceFile(const std::string& path, const std::string& shownName);

// Problems found while reading a log. Each is a line "FILE: line L, byte offset O,
// record N: what"; with strict set, the first warning is thrown as an InputError.
class Diagnostics {
public:
    using Printer = std::function<void(const std::string&)>;
    // Without a printer the lines are only counted (a second pass over a file).
    explicit Diagnostics(Printer print = {}, bool strict = false)
        : print_(std::move(print)), strict_(strict) {}

    // A problem kept to be told later, when the records before it are counted (a
    // part of a file read on a thread of its own).
    struct Kept {
        enum class Kind : std::uint8_t { Warn, Skip, Note } kind;
        std::size_t offset;
        std::size_t record;
        std::string what;
    };
    // Keeps the problems in keep instead of telling them, at most keepMost of them
    // (Overflowed() tells when more came); never strict. Places are not looked up,
    // so this may run alongside a reading of the same file.
    static Diagnostics Keeping(std::vector<Kept>& keep, std::size_t keepMost) {
        Diagnostics keeping;
        keeping.keep_ = &keep;
        keeping.keepMost_ = keepMost;
        return keeping;
    }
    bool Overflowed() const { return overflowed_; }

    // Tells what another Diagnostics kept, in order, records numbered on from
    // recordBase, all but the entries whose places in kept are in leaveOut.
    void Tell(const SourceFile& source, const std::vector<Kept>& kept, std::size_t recordBase,
              const std::vector<std::size_t>& leaveOut = {});
    bool Strict() const { return strict_; }
    std::size_t KeptCount() const { return keep_ ? keep_->size() : 0; }

    // record 0: outside any record (the header).
    void Warn(const SourceFile& source, std::size_t offset, std::size_t record,
              const std::string& what);
    // A record left out: "FILE: line L, byte offset O: record N skipped: why".
    void Skip(const SourceFile& source, std::size_t offset, std::size_t record,
              const std::string& why);
    // A problem that never stops a strict run (today's behaviour for it).
    void Tolerate(const SourceFile& source, std::size_t offset, std::size_t record,
                  const std::string& what);
    // A listing that is no problem, such as a QSO outside the contest period.
    void Note(const SourceFile& source, std::size_t offset, std::size_t record,
              const std::string& what);

    std::size_t Warnings() const { return warnings_; }

    // Of each kind of problem only the first few are printed; the others are
    // counted. Finish prints, once, how many of each kind were not.
    void Finish(const SourceFile& source);
    static constexpr std::size_t kShownOfAKind = 20;
    static constexpr std::size_t kShownNotes = 5;

private:
    struct KindSeen {
        std::size_t seen = 0;
        std::size_t offset = 0;  // of the first one
        std::string first;       // its text, place left out
        bool note = false;
    };
    // Whether a problem of what's kind is still to be printed.
    bool Shown(std::size_t offset, const std::string& what, bool note);
    void Print(const std::string& line);
    std::string Place(const SourceFile& source, std::size_t offset, std::size_t record,
                      const std::string& what) const;
    void Keep(Kept::Kind kind, std::size_t offset, std::size_t record, const std::string& what);

    Printer print_;
    bool strict_ = false;
    std::vector<Kept>* keep_ = nullptr;
    std::size_t keepMost_ = 0;
    bool overflowed_ = false;
    std::size_t warnings_ = 0;
    std::unordered_map<std::string, KindSeen> kinds_;
};

// Makes bytes printable in a message: control and non-ASCII bytes become \xNN,
// and long texts are cut.
std::string Printable(std::string_view bytes, std::size_t maxLength = 40);

}  // namespace tavik::host
