#include "host/input/adif_reader.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <set>

#include "host/input/adif_field_end.h"
#include "host/input/ascii_text.h"

namespace tavik::host {

namespace {

// Characters that may not appear inside a tag's name, length or type.
bool BreaksTag(unsigned char c) { return c < 0x20 || c == '<' || c == 0x7f; }
// Pages behind the current record are given back in steps of this size.
constexpr std::size_t kReleaseStep = std::size_t(8) << 20;

class Scanner {
public:
    Scanner(const SourceFile& source, AdifHandler& handler, Diagnostics& diagnostics,
            AdifResumePoint* end, AdifPart* part = nullptr)
        : source_(source), text_(source.text), handler_(handler), diagnostics_(diagnostics),
          end_(end), part_(part) {}

    AdifReadSummary Run(const AdifResumePoint* from) {
        // ADIF: a header exists exactly when the file does not begin with '<'. A header that
        // itself begins with a field is still recognised by its <EOH>.
        inHeader_ = !text_.empty() && text_[0] != '<';
        headerText_ = inHeader_;
        // Fields before an <EOH> that comes before any <EOR> are the header's: known
        // now, so that their problems are not told as a record's.
        if (!inHeader_ && !(from && from->valid)) inHeader_ = HeaderEndsFirst();
        header_.Clear();
        record_.Clear();
        std::size_t pos = 0;
        if (from && from->valid && from->offset <= text_.size()) {
            inHeader_ = headerText_ = false;
            sawHeader_ = true;
            summary_ = from->summary;
            warnedMarkers_ = from->warnedMarkers;
            pos = from->offset;
        }
        if (end_) *end_ = AdifResumePoint();
        std::size_t released = pos;
        const std::size_t size = text_.size();
        while (true) {
            // The next tag is mostly a blank or two away: look there before memchr.
            const std::size_t near = std::min(size, pos + 8);
            while (pos < near && text_[pos] != '<') ++pos;
            if (pos == near) {
                const void* found = std::memchr(text_.data() + pos, '<', size - pos);
                if (!found) break;
                pos = static_cast<std::size_t>(static_cast<const char*>(found) - text_.data());
            }
            pos = Tag(pos);
            if (part_) {
                if (pos >= part_->stopAt) {
                    if (part_->stopped) return summary_;  // the next part goes on from here
                    part_->stopAt = std::string_view::npos;  // it went past: read to the end
                }
                // Too much to keep: the earlier part will read this one itself.
                if (diagnostics_.Overflowed()) return summary_;
            }
            if (pos >= released + kReleaseStep && sawHeader_) {
                const std::size_t upTo = record_.Empty() ? pos : record_.Offset();
                source_.Release(released, upTo);
                released = upTo;
            }
        }
        Finish();
        return summary_;
    }

private:
    std::size_t RecordNumber() const { return inHeader_ ? 0 : summary_.records + 1; }

    bool HeaderEndsFirst() const {
        for (std::size_t at = text_.find('<'); at != std::string_view::npos;
             at = text_.find('<', at + 1)) {
            const std::string_view name = text_.substr(at + 1, 3);
            if (MatchesUpper(name, "EOH")) return true;
            if (MatchesUpper(name, "EOR")) return false;
        }
        return false;
    }

    void Warn(std::size_t offset, const std::string& what) {
        diagnostics_.Warn(source_, offset, RecordNumber(), what);
    }

    // Handles the tag at start; returns the offset just past it (and its data). Most
    // tags are <NAME:LENGTH[:TYPE]> with data that ends where the length says; they
    // are taken here, everything else in SlowTag.
    std::size_t Tag(std::size_t start) {
        const char* base = text_.data();
        const char* end = base + text_.size();
        const char* p = base + start + 1;
        const char* nameBegin = p;
        while (p < end && IsNameChar(*p)) ++p;
        if (p == nameBegin || p >= end || *p != ':') return SlowTag(start);
        const char* nameEnd = p++;
        const char* digits = p;
        std::size_t length = 0;
        while (p < end && IsDigit(*p) && p - digits < 9) length = length * 10 + std::size_t(*p++ - '0');
        if (p == digits || p >= end) return SlowTag(start);
        const char* typeBegin = p;
        const char* typeEnd = p;
        if (*p == ':') {
            typeBegin = ++p;
            while (p < end && IsNameChar(*p)) ++p;
            typeEnd = p;
        }
        if (p >= end || *p != '>') return SlowTag(start);
        const std::size_t dataStart = static_cast<std::size_t>(p + 1 - base);
        if (length > text_.size() - dataStart) return SlowTag(start);
        const std::size_t stated = dataStart + length;
        if (length == 0 && nameEnd - nameBegin == 3 &&
            (MatchesUpper(std::string_view(nameBegin, 3), "EOR") ||
             MatchesUpper(std::string_view(nameBegin, 3), "EOH"))) {
            // <EOR:0>, as a few programs write it, still ends the record, whatever follows.
            MarkerTag(std::string_view(nameBegin, 3), start, stated);
            return stated;
        }
        if (stated != text_.size() && !IsBlank(text_[stated]) && !WellFormedTagAt(text_, stated))
            return SlowTag(start);
        AdifItem item;
        item.name = std::string_view(nameBegin, static_cast<std::size_t>(nameEnd - nameBegin));
        item.type = std::string_view(typeBegin, static_cast<std::size_t>(typeEnd - typeBegin));
        item.data = text_.substr(dataStart, length);
        item.offset = start;
        item.field = ClassifyFieldName(item.name);
        AddItem(item);
        return stated;
    }

    void AddItem(const AdifItem& item) {
        ++summary_.tags;
        if (!inHeader_) {
            if (record_.Empty()) {
                record_.SetNumber(summary_.records + 1);
            } else if (item.field != AdifField::Other && !item.data.empty()) {
                // Most often an <EOR> lost between two QSOs: say so, never merge quietly.
                const AdifItem* earlier = record_.Get(item.field);
                if (earlier && earlier->data != item.data)
                    Warn(item.offset, Printable(item.name) + " given again in the record ('" +
                                          Printable(earlier->data) + "', then '" +
                                          Printable(item.data) +
                                          "'); the later kept (an <EOR> missing before it?)");
            }
        }
        (inHeader_ ? header_ : record_).Add(item);
        handler_.OnField(item);
    }

    std::size_t SlowTag(std::size_t start) {
        std::size_t pos = start + 1;
        while (pos < text_.size() && text_[pos] != '>') {
            if (BreaksTag(static_cast<unsigned char>(text_[pos]))) {
                // Free text of the header may hold any '<'; elsewhere it is a damaged tag.
                if (!headerText_)
                    Warn(start, "'<' starts no tag (" + Describe(pos) + " at byte offset " +
                                    std::to_string(pos) + "); text skipped up to the next tag");
                return pos;
            }
            ++pos;
        }
        if (pos >= text_.size()) {
            if (!headerText_)
                Warn(start, "tag not closed by '>' before the end of the file; ignored");
            return text_.size();
        }
        const std::size_t tagEnd = pos;
        std::string_view inner = text_.substr(start + 1, tagEnd - start - 1);
        const std::size_t colon = inner.find(':');
        std::string_view name = inner.substr(0, colon);
        if (name.empty()) {
            Warn(start, "tag <" + Printable(inner) + "> has no name; skipped");
            return tagEnd + 1;
        }
        if (colon == std::string_view::npos) {
            MarkerTag(name, start, tagEnd + 1);
            return tagEnd + 1;
        }
        std::string_view rest = inner.substr(colon + 1);
        const std::size_t typeColon = rest.find(':');
        std::string_view lengthText = rest.substr(0, typeColon);
        std::string_view type;
        if (typeColon != std::string_view::npos) {
            type = rest.substr(typeColon + 1);
            if (type.find(':') != std::string_view::npos) {
                Warn(start, "field " + Printable(name) + ": tag <" + Printable(inner) +
                                "> has more than two ':'; field skipped");
                return tagEnd + 1;
            }
        }
        std::size_t length = 0;
        auto [end, error] =
            std::from_chars(lengthText.data(), lengthText.data() + lengthText.size(), length);
        const bool tooLarge = error == std::errc::result_out_of_range;
        if (lengthText.empty() || error == std::errc::invalid_argument ||
            end != lengthText.data() + lengthText.size()) {
            Warn(start, "field " + Printable(name) + ": length '" + Printable(lengthText) +
                            "' is not a number; field skipped");
            return tagEnd + 1;
        }
        const std::size_t dataStart = tagEnd + 1;
        const std::size_t dataEnd = DataEnd(start, name, lengthText, dataStart, length, tooLarge);
        AdifItem item;
        item.name = name;
        item.type = type;
        item.data = text_.substr(dataStart, dataEnd - dataStart);
        item.offset = start;
        item.field = ClassifyFieldName(name);
        AddItem(item);
        return dataEnd;
    }

    // The end of a field's data: where its length says when the text agrees, else the
    // likeliest end, with a warning that tells what was taken.
    std::size_t DataEnd(std::size_t start, std::string_view name, std::string_view lengthText,
                        std::size_t dataStart, std::size_t length, bool tooLarge) {
        const FieldEnd end = LikeliestFieldEnd(text_, dataStart, length, tooLarge);
        if (end.why)
            Warn(start, Printable(name) + " length " + Printable(lengthText) + end.why + " (" +
                            std::to_string(end.end - dataStart) + " bytes read)");
        return end.end;
    }

    // next: the offset just past the tag.
    void MarkerTag(std::string_view name, std::size_t start, std::size_t next) {
        if (MatchesUpper(name, "EOH")) {
            if (!inHeader_ && (sawHeader_ || summary_.records > 0 || !header_.Empty())) {
                // Between records it belongs to none.
                diagnostics_.Warn(source_, start, record_.Empty() ? 0 : RecordNumber(),
                                  "<EOH> after the header has ended; ignored");
                return;
            }
            ++summary_.tags;
            if (!inHeader_) {
                // The file began with '<': the fields so far belong to a header after all.
                header_ = record_;
                header_.SetNumber(0);
                record_.Clear();
            }
            inHeader_ = headerText_ = false;
            sawHeader_ = true;
            handler_.OnHeader(header_);
            return;
        }
        if (MatchesUpper(name, "EOR")) {
            ++summary_.tags;
            if (inHeader_) {
                // No <EOH> before the first <EOR>: the leading text was not a header.
                record_ = header_;
                record_.SetNumber(1);
                header_.Clear();
                inHeader_ = headerText_ = false;
            }
            if (!sawHeader_) {
                sawHeader_ = true;
                handler_.OnHeader(header_);
            }
            if (!record_.Empty()) {
                ++summary_.records;
                handler_.OnRecord(record_);
            }
            record_.Clear();
            if (part_ && next == part_->stopAt) part_->stopped = true;
            if (end_) {
                end_->valid = true;
                end_->offset = next;
                end_->summary = summary_;
                end_->warnings = diagnostics_.Warnings();
                // Copied only when it changed: this runs for every record.
                if (end_->warnedMarkers.size() != warnedMarkers_.size())
                    end_->warnedMarkers = warnedMarkers_;
            }
            return;
        }
        if (headerText_) return;  // header text may hold anything in angle brackets
        // Markers of other programs (an end-of-file mark after the last record): one
        // warning per name is enough.
        // Between records the tag belongs to none, so no record is named.
        std::string upper = UpperAscii(name);
        if (!warnedMarkers_.count(upper)) {
            if (part_) part_->markers.emplace(upper, diagnostics_.KeptCount());
            warnedMarkers_.insert(std::move(upper));
            diagnostics_.Warn(source_, start, record_.Empty() ? 0 : RecordNumber(),
                              "tag <" + Printable(name) +
                                  "> has no length and is not <EOH> or <EOR>; ignored (told once "
                                  "per name)");
        }
    }

    void Finish() {
        if (inHeader_ && !header_.Empty()) {
            // Fields, but neither <EOH> nor <EOR>: they were a record without its end.
            record_ = header_;
            record_.SetNumber(1);
            header_.Clear();
            inHeader_ = false;
        }
        if (!sawHeader_) handler_.OnHeader(header_);
        if (!record_.Empty()) {
            ++summary_.records;
            diagnostics_.Tolerate(source_, record_.Offset(), record_.Number(),
                                  "the last record is not ended by <EOR>; it is left out");
        }
    }

    std::string Describe(std::size_t pos) const {
        unsigned char c = static_cast<unsigned char>(text_[pos]);
        if (c == '\n') return "end of line";
        if (c == '<') return "'<'";
        return "byte " + Printable(text_.substr(pos, 1));
    }

    const SourceFile& source_;
    std::string_view text_;
    AdifHandler& handler_;
    Diagnostics& diagnostics_;
    AdifRecord header_;
    AdifRecord record_;
    bool inHeader_ = false;
    bool headerText_ = false;  // in free text before <EOH>
    bool sawHeader_ = false;
    AdifReadSummary summary_;
    std::set<std::string> warnedMarkers_;
    AdifResumePoint* end_;
    AdifPart* part_;
};

}  // namespace

AdifReadSummary ReadAdif(const SourceFile& source, AdifHandler& handler, Diagnostics& diagnostics,
                         const AdifResumePoint* from, AdifResumePoint* end) {
    return Scanner(source, handler, diagnostics, end).Run(from);
}

}  // namespace tavik::host

namespace tavik::host {

AdifReadSummary ReadAdifPart(const SourceFile& source, AdifHandler& handler,
                             Diagnostics& diagnostics, const AdifResumePoint* from,
                             AdifPart& part) {
    part.stopped = false;
    return Scanner(source, handler, diagnostics, nullptr, &part).Run(from);
}

}  // namespace tavik::host
