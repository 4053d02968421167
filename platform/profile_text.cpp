// Settings files in the Windows layout as text. Reading follows the platform's rules
// for lines, sections, keys and quotes; writing edits only the lines concerned.
#include "platform/profile_text.h"

#include "base/text.h"

#include <vector>

namespace tavik {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

bool EqualNoCase(std::string_view a, std::string_view b) { return EqualIgnoringAsciiCase(a, b); }

enum class LineKind { kBlank, kComment, kSection, kKey, kOther };

struct Line {
    size_t begin = 0;  // offset of the first byte
    size_t end = 0;    // offset after the text, before the line break
    size_t next = 0;   // offset after the line break
    LineKind kind = LineKind::kOther;
    std::string_view name;   // section or key name, trimmed
    std::string_view value;  // key value, trimmed and unquoted
};

Line ClassifyLine(std::string_view text, size_t begin, size_t end, size_t next) {
    Line line;
    line.begin = begin;
    line.end = end;
    line.next = next;
    const std::string_view content = Trim(text.substr(begin, end - begin));
    if (content.empty()) {
        line.kind = LineKind::kBlank;
    } else if (content.front() == ';') {
        line.kind = LineKind::kComment;
    } else if (content.front() == '[') {
        // Up to the last bracket, so that a name containing one still matches itself.
        const size_t close = content.rfind(']');
        line.kind = LineKind::kSection;
        line.name = Trim(content.substr(1, close == std::string_view::npos ? close : close - 1));
    } else if (const size_t equals = content.find('='); equals != std::string_view::npos) {
        line.kind = LineKind::kKey;
        line.name = Trim(content.substr(0, equals));
        std::string_view value = Trim(content.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        line.value = value;
    }
    return line;
}

// Editors that save as UTF-8 may put a byte order mark in front of the first line.
size_t FirstLineOffset(std::string_view text) {
    return text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
}

std::vector<Line> ParseLines(std::string_view text) {
    std::vector<Line> lines;
    size_t pos = FirstLineOffset(text);
    while (pos < text.size()) {
        const size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            lines.push_back(ClassifyLine(text, pos, text.size(), text.size()));
            break;
        }
        const size_t next = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n'
                                ? end + 2
                                : end + 1;
        lines.push_back(ClassifyLine(text, pos, end, next));
        pos = next;
    }
    return lines;
}

constexpr size_t kNoHeader = static_cast<size_t>(-1);

struct Section {
    size_t header = kNoHeader;  // index of the header line; none for the lines at the top
    size_t first = 0;           // the first line after the header
    size_t end = 0;             // one past the last line
    bool found = false;
};

// One past the last line of the section whose lines start at index first.
size_t SectionEnd(const std::vector<Line>& lines, size_t first) {
    size_t i = first;
    while (i < lines.size() && lines[i].kind != LineKind::kSection) {
        ++i;
    }
    return i;
}

// The first section called name. The lines before any header are always the first
// section with the empty name, so a later "[]" is never reached, as with the system.
Section FindSection(const std::vector<Line>& lines, std::string_view name) {
    if (name.empty()) {
        return {kNoHeader, 0, SectionEnd(lines, 0), true};
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind == LineKind::kSection && EqualNoCase(lines[i].name, name)) {
            return {i, i + 1, SectionEnd(lines, i + 1), true};
        }
    }
    return {};
}

size_t FindKey(const std::vector<Line>& lines, const Section& section, std::string_view key) {
    for (size_t i = section.first; i < section.end; ++i) {
        if (lines[i].kind == LineKind::kKey && EqualNoCase(lines[i].name, key)) {
            return i;
        }
    }
    return section.end;
}

struct Edit {
    size_t begin;
    size_t end;
    std::string replacement;
};

std::string ApplyEdits(const std::string& text, const std::vector<Edit>& edits) {
    std::string out;
    out.reserve(text.size() + 256);
    size_t pos = 0;
    for (const Edit& edit : edits) {
        out.append(text, pos, edit.begin - pos);
        out += edit.replacement;
        pos = edit.end;
    }
    out.append(text, pos, std::string::npos);
    return out;
}

// The first copy of the section from its header (or the text's first line) on.
std::vector<Edit> SectionRemoval(const std::string& text, const std::vector<Line>& lines,
                                 const Section& section) {
    const size_t begin =
        section.header == kNoHeader ? FirstLineOffset(text) : lines[section.header].begin;
    const size_t end = section.end < lines.size() ? lines[section.end].begin : text.size();
    if (begin < end) {
        return {{begin, end, {}}};
    }
    return {};
}

// The key's first line, with its line break.
std::vector<Edit> KeyRemoval(const std::vector<Line>& lines, const Section& section,
                             std::string_view keyName) {
    const size_t found = FindKey(lines, section, keyName);
    if (found < section.end) {
        return {{lines[found].begin, lines[found].next, {}}};
    }
    return {};
}

// A section of one key at the end, a blank line apart from what is there.
std::vector<Edit> NewSection(const std::string& text, std::string_view sectionName,
                             std::string_view keyName, const std::string& valueText) {
    std::string added;
    if (!text.empty()) {
        if (text.back() != '\n' && text.back() != '\r') {
            added += "\r\n";
        }
        added += "\r\n";
    }
    added += "[";
    added += sectionName;
    added += "]\r\n";
    added += keyName;
    added += "=" + valueText + "\r\n";
    return {{text.size(), text.size(), std::move(added)}};
}

// The key's line rewritten under its own name, unless it already reads as valueText.
std::vector<Edit> ValueChange(const Line& line, const std::string& valueText) {
    // Compared as read back: the line may hold the value in another form.
    const std::string written = "=" + valueText;
    if (line.value != ClassifyLine(written, 0, written.size(), written.size()).value) {
        return {{line.begin, line.next, std::string(line.name) + "=" + valueText + "\r\n"}};
    }
    return {};
}

// After the section's last line that is not blank: its header, or for the top,
// the start of the text when it has no such line.
std::vector<Edit> NewKey(const std::string& text, const std::vector<Line>& lines,
                         const Section& section, std::string_view keyName,
                         const std::string& valueText) {
    size_t last = section.end;
    while (last > section.first && lines[last - 1].kind == LineKind::kBlank) {
        --last;
    }
    std::string added;
    size_t at = FirstLineOffset(text);
    if (last > section.first || section.header != kNoHeader) {
        const Line& anchor = lines[last > section.first ? last - 1 : section.header];
        at = anchor.next;
        if (anchor.next == anchor.end) {
            added = "\r\n";
        }
    }
    added += keyName;
    added += "=" + valueText + "\r\n";
    return {{at, at, std::move(added)}};
}

// The edits that bring text to the requested state, in file order; none when it is
// already there. Only the first copy of a section and the first line of a key count,
// so removing one brings the next copy to light, as with the system.
std::vector<Edit> PlanEdits(const std::string& text, std::string_view sectionName,
                            const char* key, const char* value) {
    const std::vector<Line> lines = ParseLines(text);
    const Section section = FindSection(lines, sectionName);
    if (key == nullptr) {
        return section.found ? SectionRemoval(text, lines, section) : std::vector<Edit>{};
    }
    const std::string keyText = FlattenLineBreaks(key);
    const std::string_view keyName = Trim(keyText);
    if (value == nullptr) {
        return section.found ? KeyRemoval(lines, section, keyName) : std::vector<Edit>{};
    }
    const std::string valueText = FlattenLineBreaks(value);
    if (!section.found) {
        return NewSection(text, sectionName, keyName, valueText);
    }
    const size_t found = FindKey(lines, section, keyName);
    if (found < section.end) {
        return ValueChange(lines[found], valueText);
    }
    return NewKey(text, lines, section, keyName, valueText);
}

}  // namespace

std::string LookUpProfileValue(std::string_view fileText, const char* section, const char* key,
                               const char* defaultValue) {
    std::string fallback = defaultValue != nullptr ? defaultValue : "";
    while (!fallback.empty() && fallback.back() == ' ') {
        fallback.pop_back();
    }
    if (section == nullptr || key == nullptr) {
        return fallback;
    }
    const std::vector<Line> lines = ParseLines(fileText);
    const Section found = FindSection(lines, Trim(section));
    if (!found.found) {
        return fallback;
    }
    const size_t line = FindKey(lines, found, Trim(key));
    return line < found.end ? std::string(lines[line].value) : fallback;
}

bool EditProfileText(const std::string& fileText, const char* section, const char* key,
                     const char* value, std::string& newText) {
    if (section == nullptr) {
        return false;
    }
    const std::string sectionText = FlattenLineBreaks(section);
    const std::vector<Edit> edits = PlanEdits(fileText, Trim(sectionText), key, value);
    if (edits.empty()) {
        return false;
    }
    newText = ApplyEdits(fileText, edits);
    return true;
}

}  // namespace tavik
