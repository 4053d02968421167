#include "host/adif_reader.h"

#include <charconv>
#include <cstring>

namespace tavik::host {

namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != b[i]) return false;
    return true;
}

// Characters that may not appear inside a tag's name, length or type.
bool BreaksTag(unsigned char c) { return c < 0x20 || c == '<' || c == 0x7f; }

class Scanner {
public:
    Scanner(const SourceFile& source, AdifHandler& handler, std::vector<std::string>& warnings)
        : source_(source), text_(source.text), handler_(handler), warnings_(warnings) {}

    void Run() {
        // ADIF: a header exists exactly when the file does not begin with '<'. A header that
        // itself begins with a field is still recognised by its <EOH>.
        inHeader_ = !text_.empty() && text_[0] != '<';
        std::size_t pos = 0;
        while (true) {
            const void* found = std::memchr(text_.data() + pos, '<', text_.size() - pos);
            if (!found) break;
            pos = static_cast<std::size_t>(static_cast<const char*>(found) - text_.data());
            pos = Tag(pos);
        }
        Finish();
    }

private:
    // Handles the tag at pos; returns the offset just past it (and its data).
    std::size_t Tag(std::size_t start) {
        std::size_t pos = start + 1;
        std::size_t nameStart = pos;
        while (pos < text_.size() && text_[pos] != ':' && text_[pos] != '>') {
            if (BreaksTag(static_cast<unsigned char>(text_[pos])))
                throw source_.ErrorAt(start, "tag not closed by '>' (unexpected " +
                                                 Describe(pos) + " at byte offset " +
                                                 std::to_string(pos) + ")");
            ++pos;
        }
        if (pos >= text_.size())
            throw source_.ErrorAt(start, "tag not closed by '>' before the end of the file");
        std::string_view name = text_.substr(nameStart, pos - nameStart);
        if (name.empty()) throw source_.ErrorAt(start, "tag without a name");
        if (text_[pos] == '>') {
            MarkerTag(name, start);
            return pos + 1;
        }

        // <NAME:LENGTH[:TYPE]>
        ++pos;
        std::size_t lengthStart = pos;
        while (pos < text_.size() && text_[pos] != ':' && text_[pos] != '>') {
            if (BreaksTag(static_cast<unsigned char>(text_[pos])))
                throw source_.ErrorAt(start, "field " + Printable(name) +
                                                 ": tag not closed by '>' (unexpected " +
                                                 Describe(pos) + " at byte offset " +
                                                 std::to_string(pos) + ")");
            ++pos;
        }
        if (pos >= text_.size())
            throw source_.ErrorAt(start, "field " + Printable(name) +
                                             ": tag not closed by '>' before the end of the file");
        std::string_view lengthText = text_.substr(lengthStart, pos - lengthStart);
        std::size_t length = 0;
        auto [end, error] =
            std::from_chars(lengthText.data(), lengthText.data() + lengthText.size(), length);
        if (lengthText.empty() || error == std::errc::invalid_argument ||
            end != lengthText.data() + lengthText.size())
            throw source_.ErrorAt(start, "field " + Printable(name) + ": length '" +
                                             Printable(lengthText) + "' is not a number");
        if (error == std::errc::result_out_of_range)
            throw source_.ErrorAt(start, "field " + Printable(name) + ": length " +
                                             Printable(lengthText) + " is too large");
        std::string_view type;
        if (text_[pos] == ':') {
            std::size_t typeStart = ++pos;
            while (pos < text_.size() && text_[pos] != '>') {
                if (BreaksTag(static_cast<unsigned char>(text_[pos])) || text_[pos] == ':')
                    throw source_.ErrorAt(start, "field " + Printable(name) +
                                                     ": tag not closed by '>' (unexpected " +
                                                     Describe(pos) + " at byte offset " +
                                                     std::to_string(pos) + ")");
                ++pos;
            }
            if (pos >= text_.size())
                throw source_.ErrorAt(start, "field " + Printable(name) +
                                                 ": tag not closed by '>' before the end of the file");
            type = text_.substr(typeStart, pos - typeStart);
        }
        std::size_t dataStart = pos + 1;
        std::size_t left = text_.size() - dataStart;
        if (length > left)
            throw source_.ErrorAt(start, "field " + Printable(name) + ": length " +
                                             std::to_string(length) +
                                             " runs past the end of the file (" +
                                             std::to_string(left) + " bytes left)");
        AdifItem item;
        item.name = name;
        item.type = type;
        item.data = text_.substr(dataStart, length);
        item.offset = start;
        item.field = ClassifyFieldName(name);
        (inHeader_ ? header_ : record_).Add(item);
        return dataStart + length;
    }

    void MarkerTag(std::string_view name, std::size_t start) {
        if (EqualNoCase(name, "EOH")) {
            if (!inHeader_ && (sawHeader_ || recordCount_ > 0 || !header_.Empty()))
                throw source_.ErrorAt(start, "<EOH> after the header has ended");
            if (!inHeader_) {
                // The file began with '<': the fields so far belong to a header after all.
                header_ = record_;
                record_.Clear();
            }
            inHeader_ = false;
            sawHeader_ = true;
            handler_.OnHeader(header_);
            return;
        }
        if (EqualNoCase(name, "EOR")) {
            if (inHeader_) {
                // No <EOH> before the first <EOR>: the leading text was not a header.
                record_ = header_;
                header_.Clear();
                inHeader_ = false;
            }
            if (!sawHeader_) {
                sawHeader_ = true;
                handler_.OnHeader(header_);
            }
            if (!record_.Empty()) {
                ++recordCount_;
                handler_.OnRecord(record_);
            }
            record_.Clear();
            return;
        }
        throw source_.ErrorAt(start, "unknown tag <" + Printable(name) + ">");
    }

    void Finish() {
        if (inHeader_)
            throw source_.ErrorAt(text_.size(), "the header is not ended by <EOH>");
        if (!sawHeader_) handler_.OnHeader(header_);
        if (!record_.Empty())
            warnings_.push_back(source_.WarningAt(
                record_.Offset(), "the last record is not ended by <EOR>; it is left out"));
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
    std::vector<std::string>& warnings_;
    AdifRecord header_;
    AdifRecord record_;
    bool inHeader_ = false;
    bool sawHeader_ = false;
    std::size_t recordCount_ = 0;
};

}  // namespace

AdifField ClassifyFieldName(std::string_view name) {
    // Runs for every field of the log: one switch on the length, then few comparisons.
    char upper[16];
    if (name.size() > sizeof upper) return AdifField::Other;
    for (std::size_t i = 0; i < name.size(); ++i) upper[i] = Upper(name[i]);
    std::string_view key(upper, name.size());
    switch (key.size()) {
        case 3:
            if (key == "STX") return AdifField::Stx;
            if (key == "SRX") return AdifField::Srx;
            break;
        case 4:
            if (key == "CALL") return AdifField::Call;
            if (key == "FREQ") return AdifField::Freq;
            if (key == "MODE") return AdifField::Mode;
            if (key == "BAND") return AdifField::Band;
            break;
        case 7:
            if (key == "TIME_ON") return AdifField::TimeOn;
            if (key == "SUBMODE") return AdifField::Submode;
            break;
        case 8:
            if (key == "QSO_DATE") return AdifField::QsoDate;
            if (key == "RST_SENT") return AdifField::RstSent;
            if (key == "RST_RCVD") return AdifField::RstRcvd;
            if (key == "OPERATOR") return AdifField::Operator;
            break;
        case 10:
            if (key == "STX_STRING") return AdifField::StxString;
            if (key == "SRX_STRING") return AdifField::SrxString;
            break;
        case 16:
            if (key == "STATION_CALLSIGN") return AdifField::StationCallsign;
            break;
    }
    return AdifField::Other;
}

void AdifRecord::Clear() {
    items_.clear();
    index_.fill(-1);
    offset_ = 0;
}

void AdifRecord::Add(const AdifItem& item) {
    if (items_.empty()) offset_ = item.offset;
    // An empty field means the value is absent, so it never hides an earlier one.
    if (item.field != AdifField::Other && !item.data.empty())
        index_[static_cast<std::size_t>(item.field)] = static_cast<int>(items_.size());
    items_.push_back(item);
}

const AdifItem* AdifRecord::Get(AdifField field) const {
    int at = index_[static_cast<std::size_t>(field)];
    return at < 0 ? nullptr : &items_[static_cast<std::size_t>(at)];
}

std::string_view AdifRecord::Data(AdifField field) const {
    const AdifItem* item = Get(field);
    return item ? item->data : std::string_view();
}

const AdifItem* AdifRecord::Find(std::string_view name) const {
    std::string upper;
    for (char c : name) upper += Upper(c);
    for (auto it = items_.rbegin(); it != items_.rend(); ++it)
        if (EqualNoCase(it->name, upper)) return &*it;
    return nullptr;
}

void ReadAdif(const SourceFile& source, AdifHandler& handler, std::vector<std::string>& warnings) {
    Scanner(source, handler, warnings).Run();
}

}  // namespace tavik::host
