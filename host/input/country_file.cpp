#include "host/input/country_file.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "host/input/ascii_text.h"
#include "host/input/qso_mapping.h"

namespace tavik::host {

namespace {

const std::string kNoPrefix;

bool AllDigits(std::string_view text) {
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return !text.empty();
}

bool IsNumber(std::string_view text) {
    text = TrimBlanks(text);
    if (text.empty()) return false;
    std::string copy(text);
    char* end = nullptr;
    std::strtod(copy.c_str(), &end);
    return end == copy.c_str() + copy.size();
}

// Suffixes that say how a station operates, not where.
bool IsOperatingSuffix(std::string_view part) {
    return part == "P" || part == "M" || part == "MM" || part == "AM" || part == "QRP" ||
           part == "A" || part == "B";
}

class Parser {
public:
    explicit Parser(const SourceFile& source) : source_(source), text_(source.text) {}

    template <typename OnEntity, typename OnAlias>
    void Run(OnEntity onEntity, OnAlias onAlias) {
        while (true) {
            while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
            if (pos_ >= text_.size()) break;
            Entity(onEntity, onAlias);
        }
    }

private:
    template <typename OnEntity, typename OnAlias>
    void Entity(OnEntity onEntity, OnAlias onAlias) {
        static const char* const kFieldNames[] = {"name",      "CQ zone",  "ITU zone",
                                                  "continent", "latitude", "longitude",
                                                  "UTC offset", "primary prefix"};
        std::size_t start = pos_;
        std::string_view fields[8];
        for (int i = 0; i < 8; ++i) {
            std::size_t fieldStart = pos_;
            while (pos_ < text_.size() && text_[pos_] != ':' && text_[pos_] != '\n' &&
                   text_[pos_] != ';')
                ++pos_;
            if (pos_ >= text_.size() || text_[pos_] != ':')
                throw source_.ErrorAt(fieldStart, std::string("entity line ends before its ") +
                                                      kFieldNames[i] +
                                                      " (8 fields, each ended by ':')");
            fields[i] = TrimBlanks(text_.substr(fieldStart, pos_ - fieldStart));
            ++pos_;
        }
        for (int i = 1; i <= 6; ++i)
            if (i != 3 && !IsNumber(fields[i]))
                throw source_.ErrorAt(start, std::string("entity '") + Printable(fields[0]) +
                                                 "': " + kFieldNames[i] + " '" +
                                                 Printable(fields[i]) + "' is not a number");
        std::string_view primary = fields[7];
        if (!primary.empty() && primary[0] == '*') primary.remove_prefix(1);  // WAE-only entity
        if (primary.empty())
            throw source_.ErrorAt(start, "entity '" + Printable(fields[0]) +
                                             "' has no primary prefix");
        int entity = onEntity(primary);

        std::size_t end = text_.find(';', pos_);
        if (end == std::string_view::npos)
            throw source_.ErrorAt(start, "prefix list of '" + Printable(fields[0]) +
                                                 "' is not ended by ';'");
        while (pos_ < end) {
            while (pos_ < end && (IsBlank(text_[pos_]) || text_[pos_] == ',')) ++pos_;
            if (pos_ >= end) break;
            std::size_t aliasStart = pos_;
            std::string alias;
            while (pos_ < end && text_[pos_] != ',' && !IsBlank(text_[pos_])) {
                char c = text_[pos_];
                char close = c == '(' ? ')' : c == '[' ? ']' : c == '<' ? '>' : c == '{' ? '}'
                           : c == '~' ? '~' : 0;
                if (close) {
                    // Zone, position, continent and time overrides do not change the entity.
                    std::size_t closing = text_.find(close, pos_ + 1);
                    if (closing == std::string_view::npos || closing >= end)
                        throw source_.ErrorAt(pos_, std::string("override not closed by '") +
                                                        close + "'");
                    pos_ = closing + 1;
                    continue;
                }
                alias += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
                ++pos_;
            }
            bool exact = !alias.empty() && alias[0] == '=';
            if (exact) alias.erase(0, 1);
            if (alias.empty()) throw source_.ErrorAt(aliasStart, "empty prefix or call");
            onAlias(entity, std::move(alias), exact);
        }
        pos_ = end + 1;
    }

    const SourceFile& source_;
    std::string_view text_;
    std::size_t pos_ = 0;
};

}  // namespace

CountryFile CountryFile::Parse(const SourceFile& source) {
    CountryFile file;
    Parser(source).Run(
        [&](std::string_view primary) {
            file.prefixes_.emplace_back(primary);
            return static_cast<int>(file.prefixes_.size() - 1);
        },
        [&](int entity, std::string alias, bool exact) {
            // The first entity to claim a prefix or call keeps it.
            if (exact) {
                file.exactCalls_.try_emplace(std::move(alias), entity);
            } else {
                file.AddPrefix(alias, entity);
            }
        });
    if (file.prefixes_.empty()) throw source.ErrorAt(0, "no entities in the country file");
    return file;
}

namespace {

std::size_t EdgeSlot(std::uint64_t key, std::size_t mask) {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 20) & mask;
}

}  // namespace

std::uint32_t CountryFile::Child(std::uint32_t node, unsigned char c) const {
    if (prefixEdges_.empty()) return 0;
    const std::uint64_t key = std::uint64_t(node) << 8 | c;
    const std::size_t mask = prefixEdges_.size() - 1;
    for (std::size_t at = EdgeSlot(key, mask);; at = (at + 1) & mask) {
        if (prefixEdges_[at].key == key) return prefixEdges_[at].child;
        if (prefixEdges_[at].key == ~std::uint64_t(0)) return 0;
    }
}

void CountryFile::AddPrefix(std::string_view prefix, int entity) {
    std::uint32_t node = 0;
    for (unsigned char c : prefix) {
        std::uint32_t child = Child(node, c);
        if (child == 0) {
            if ((edgeCount_ + 1) * 2 > prefixEdges_.size()) {
                // Grow to keep the table at most half full.
                std::vector<Edge> old(std::max<std::size_t>(prefixEdges_.size() * 2, 1024));
                old.swap(prefixEdges_);
                const std::size_t mask = prefixEdges_.size() - 1;
                for (const Edge& edge : old) {
                    if (edge.key == ~std::uint64_t(0)) continue;
                    std::size_t at = EdgeSlot(edge.key, mask);
                    while (prefixEdges_[at].key != ~std::uint64_t(0)) at = (at + 1) & mask;
                    prefixEdges_[at] = edge;
                }
            }
            child = static_cast<std::uint32_t>(prefixEntity_.size());
            prefixEntity_.push_back(-1);
            const std::uint64_t key = std::uint64_t(node) << 8 | c;
            const std::size_t mask = prefixEdges_.size() - 1;
            std::size_t at = EdgeSlot(key, mask);
            while (prefixEdges_[at].key != ~std::uint64_t(0)) at = (at + 1) & mask;
            prefixEdges_[at] = Edge{key, child};
            ++edgeCount_;
        }
        node = child;
    }
    if (prefixEntity_[node] < 0) prefixEntity_[node] = entity;  // the first claim keeps it
}

int CountryFile::LongestPrefix(std::string_view key) const {
    int found = -1;
    std::uint32_t node = 0;
    for (unsigned char c : key) {
        node = Child(node, c);
        if (node == 0) break;
        if (prefixEntity_[node] >= 0) found = prefixEntity_[node];
    }
    return found;
}

int CountryFile::Find(std::string_view rawCall) const {
    std::string call = UpperAscii(TrimBlanks(rawCall));
    if (call.empty()) return -1;
    if (auto found = exactCalls_.find(call); found != exactCalls_.end()) return found->second;
    if (call.find('/') == std::string::npos) return LongestPrefix(call);

    std::vector<std::string_view> parts;
    std::string_view rest = call;
    while (true) {
        std::size_t slash = rest.find('/');
        std::string_view part = rest.substr(0, slash);
        if (!part.empty()) parts.push_back(part);
        if (slash == std::string_view::npos) break;
        rest.remove_prefix(slash + 1);
    }
    if (parts.empty()) return -1;
    // Operating suffixes and call-area digits keep the base call's entity.
    bool stripped = false;
    while (parts.size() > 1 && (IsOperatingSuffix(parts.back()) || AllDigits(parts.back()))) {
        parts.pop_back();
        stripped = true;
    }
    // Call-area digits elsewhere go too, all in one sweep; when only digits are left,
    // the last of them stays.
    if (parts.size() > 1) {
        const bool anyOther = std::any_of(parts.begin(), parts.end(),
                                          [](std::string_view part) { return !AllDigits(part); });
        const std::size_t before = parts.size();
        if (anyOther)
            parts.erase(std::remove_if(parts.begin(), parts.end(), AllDigits), parts.end());
        else
            parts.erase(parts.begin(), parts.end() - 1);
        stripped = stripped || parts.size() != before;
    }
    if (parts.size() == 1) {
        if (stripped) {
            if (auto found = exactCalls_.find(parts[0]); found != exactCalls_.end())
                return found->second;
        }
        return LongestPrefix(parts[0]);
    }
    // PFX/CALL or CALL/PFX: the shorter part is the prefix that places the station.
    std::string_view key = parts[0];
    for (std::string_view part : parts)
        if (part.size() < key.size()) key = part;
    return LongestPrefix(key);
}

const std::string& CountryFile::Lookup(std::string_view call) const {
    int entity = Find(call);
    return entity < 0 ? kNoPrefix : prefixes_[static_cast<std::size_t>(entity)];
}

const std::string& CountryFile::CachedLookup(std::string_view call) {
    int entity = cache_.Find(call);
    if (entity == CallCache::kMissing) {
        entity = Find(call);
        cache_.Insert(call, entity);
    }
    return entity < 0 ? kNoPrefix : prefixes_[static_cast<std::size_t>(entity)];
}

std::uint64_t CallCache::Hash(std::string_view call) {
    // FNV-1a, then a final mix so that the low bits used for the slot vary too.
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : call) hash = (hash ^ c) * 1099511628211ull;
    hash ^= hash >> 29;
    hash *= 0xbf58476d1ce4e5b9ull;
    return hash ^ (hash >> 32);
}

int CallCache::Find(std::string_view call) const {
    if (slots_.empty() || call.empty() || call.size() > kLongestKey) return kMissing;
    std::uint64_t hash = Hash(call);
    std::size_t mask = slots_.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        const Slot& slot = slots_[at];
        if (slot.length == 0) return kMissing;
        if (slot.hash == hash && slot.length == call.size() &&
            std::memcmp(slot.key, call.data(), call.size()) == 0)
            return slot.entity;
    }
}

void CallCache::Insert(std::string_view call, int entity) {
    if (call.empty() || call.size() > kLongestKey) return;
    if ((used_ + 1) * 2 > slots_.size()) Grow(std::max<std::size_t>(slots_.size() * 2, 1024));
    std::uint64_t hash = Hash(call);
    std::size_t mask = slots_.size() - 1;
    std::size_t at = hash & mask;
    while (slots_[at].length != 0) at = (at + 1) & mask;
    Slot& slot = slots_[at];
    slot.hash = hash;
    slot.entity = entity;
    slot.length = static_cast<std::uint8_t>(call.size());
    std::memcpy(slot.key, call.data(), call.size());
    ++used_;
}

void CallCache::Grow(std::size_t slots) {
    std::vector<Slot> old;
    old.swap(slots_);
    slots_.assign(slots, Slot());
    std::size_t mask = slots - 1;
    for (const Slot& slot : old) {
        if (slot.length == 0) continue;
        std::size_t at = slot.hash & mask;
        while (slots_[at].length != 0) at = (at + 1) & mask;
        slots_[at] = slot;
    }
}

}  // namespace tavik::host
