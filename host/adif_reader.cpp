#include "host/adif_reader.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <set>

#include "host/ascii_text.h"

namespace tavik::host {

namespace {

// Characters that may not appear inside a tag's name, length or type.
bool BreaksTag(unsigned char c) { return c < 0x20 || c == '<' || c == 0x7f; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
// Letters, digits and '_', looked up in one table: this runs for every byte of a tag.
constexpr auto kNameChars = [] {
    std::array<bool, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[static_cast<std::size_t>(c)] = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                                             (c >= 'a' && c <= 'z') || c == '_';
    return table;
}();
bool IsNameChar(char c) { return kNameChars[static_cast<unsigned char>(c)]; }

// How far from a stated end the real end of a field's data is looked for.
constexpr std::size_t kEndSlack = 16;
// Lengths counted in characters or with CR LF are looked for in short fields only:
// that bounds the work a damaged length can cause.
constexpr std::size_t kLongestRecount = 1024;
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
            if (part_ && pos >= part_->stopAt) {
                if (part_->stopped) return summary_;  // the next part goes on from here
                part_->stopAt = std::string_view::npos;  // it went past: read on to the end
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
        if (stated != text_.size() && !IsBlank(text_[stated]) && !WellFormedTagAt(stated))
            return SlowTag(start);
        if (length == 0 && nameEnd - nameBegin == 3 &&
            (MatchesUpper(std::string_view(nameBegin, 3), "EOR") ||
             MatchesUpper(std::string_view(nameBegin, 3), "EOH"))) {
            // <EOR:0>, as a few programs write it, still ends the record.
            MarkerTag(std::string_view(nameBegin, 3), start, stated);
            return stated;
        }
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

    // Whether data may end at pos: the file ends, blank text follows, or a tag does.
    bool EndsWell(std::size_t pos) const {
        return pos == text_.size() || IsBlank(text_[pos]) || WellFormedTagAt(pos);
    }

    bool WellFormedTagAt(std::size_t pos) const {
        if (pos >= text_.size() || text_[pos] != '<') return false;
        std::size_t at = pos + 1;
        const std::size_t limit = std::min(text_.size(), pos + 80);
        while (at < limit && IsNameChar(text_[at])) ++at;
        if (at == pos + 1 || at >= limit) return false;
        if (text_[at] == '>') return true;
        if (text_[at] != ':') return false;
        const std::size_t digits = ++at;
        while (at < limit && IsDigit(text_[at])) ++at;
        if (at == digits || at >= limit) return false;
        if (text_[at] == ':') {
            ++at;
            while (at < limit && IsNameChar(text_[at])) ++at;
        }
        return at < limit && text_[at] == '>';
    }

    // The end of a field's data: where its length says when the text agrees, else the
    // likeliest end, with a warning that tells what was taken.
    std::size_t DataEnd(std::size_t start, std::string_view name, std::string_view lengthText,
                        std::size_t dataStart, std::size_t length, bool tooLarge) {
        const std::size_t size = text_.size();
        const bool fits = !tooLarge && length <= size - dataStart;
        const std::size_t stated = fits ? dataStart + length : size;
        if (fits && EndsWell(stated)) return stated;
        const std::string field = Printable(name) + " length " + Printable(lengthText);
        auto taken = [&](std::size_t end, const std::string& why) {
            Warn(start, field + why + "; value taken as " + std::to_string(end - dataStart) +
                            " bytes");
            return end;
        };
        if (fits && length <= kLongestRecount) {
            // Lengths counted in characters where the data is UTF-8.
            std::size_t at = dataStart;
            for (std::size_t n = 0; n < length && at < size; ++n) at += Utf8Length(at);
            if (at != stated && at <= size && EndsWell(at))
                return taken(at, " counts characters, not bytes");
            // Lengths counted with CR LF line ends where the file now has LF only.
            std::size_t end = stated;
            for (int round = 0; round < 2; ++round) {
                std::size_t bare = 0;
                for (std::size_t i = dataStart; i < end; ++i)
                    if (text_[i] == '\n' && (i == dataStart || text_[i - 1] != '\r')) ++bare;
                end = stated - std::min(bare, length);
            }
            if (end != stated && EndsWell(end))
                return taken(end, " counts CR LF line ends where the file has LF only");
        }
        if (fits) {
            // Otherwise the nearest well-formed tag a few bytes either side.
            const std::size_t low = stated - std::min(kEndSlack, stated - dataStart);
            const std::size_t high = std::min(size, stated + kEndSlack);
            std::size_t best = std::string::npos;
            for (std::size_t p = low; p < high; ++p)
                if (text_[p] == '<' && WellFormedTagAt(p) &&
                    (best == std::string::npos ||
                     (p > stated ? p - stated : stated - p) < (best > stated ? best - stated
                                                                             : stated - best)))
                    best = p;
            if (best != std::string::npos) {
                if (best < stated) return taken(best, " runs into the next tag; value cut at the tag");
                return taken(best, " ends before the next tag; value taken up to the tag");
            }
            // Some other text follows, as ADIF allows between fields.
            return stated;
        }
        for (std::size_t p = dataStart; p < size; ++p)
            if (text_[p] == '<' && WellFormedTagAt(p))
                return taken(p, " runs past the end of the file; value cut at the next tag");
        return taken(size, " runs past the end of the file; value cut there");
    }

    std::size_t Utf8Length(std::size_t at) const {
        const unsigned char lead = static_cast<unsigned char>(text_[at]);
        std::size_t length = lead >= 0xF0 && lead < 0xF8 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (lead >= 0xF8) length = 1;
        for (std::size_t i = 1; i < length; ++i)
            if (at + i >= text_.size() || (static_cast<unsigned char>(text_[at + i]) & 0xC0) != 0x80)
                return i;
        return length;
    }

    // next: the offset just past the tag.
    void MarkerTag(std::string_view name, std::size_t start, std::size_t next) {
        if (MatchesUpper(name, "EOH")) {
            if (!inHeader_ && (sawHeader_ || summary_.records > 0 || !header_.Empty())) {
                Warn(start, "<EOH> after the header has ended; ignored");
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
