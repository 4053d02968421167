// Country (DXCC entity) lookup from a CTY.DAT country file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/input/source_file.h"

namespace tavik::host {

// Where Debian's hamradio-files puts it.
constexpr const char* kDefaultCountryFile = "/usr/share/hamradio-files/cty.dat";

// Not noexcept on purpose: libstdc++ then keeps each node's hash, so a long
// bucket chain is walked without hashing every key again.
struct TransparentHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
        return std::hash<std::string_view>()(text);
    }
};
using NameIndex = std::unordered_map<std::string, int, TransparentHash, std::equal_to<>>;

// Entity per call, open addressing with the key inside the slot: one memory
// access per lookup where a node-based map needs several.
class CallCache {
public:
    static constexpr std::size_t kLongestKey = 19;  // longer calls are not cached

    // Entity index, or kMissing when the call is not cached.
    static constexpr int kMissing = -2;
    int Find(std::string_view call) const;
    void Insert(std::string_view call, int entity);
    std::size_t Size() const { return used_; }

private:
    struct Slot {
        std::uint64_t hash = 0;
        std::int32_t entity = 0;
        std::uint8_t length = 0;  // 0: free slot
        char key[kLongestKey];
    };
    static std::uint64_t Hash(std::string_view call);
    void Grow(std::size_t slots);

    std::vector<Slot> slots_;
    std::size_t used_ = 0;
};

class CountryFile {
public:
    // Throws InputError, placed in the file, when the text is not a country file.
    static CountryFile Parse(const SourceFile& source);

    // Primary prefix of the entity that call belongs to; "" when none matches.
    // Upper-cases the call; portable forms (/P, DL/..., .../DL) are understood.
    const std::string& Lookup(std::string_view call) const;
    // The same, remembered per call for logs that repeat calls. It fills the
    // cache: one thread at a time (a pipeline's reading thread while one runs).
    const std::string& CachedLookup(std::string_view call);

    std::size_t EntityCount() const { return prefixes_.size(); }

private:
    int Find(std::string_view call) const;
    int LongestPrefix(std::string_view key) const;

    void AddPrefix(std::string_view prefix, int entity);

    std::vector<std::string> prefixes_;  // primary prefix per entity
    NameIndex exactCalls_;
    // The prefixes as a trie, so that the longest prefix of a call is found in one
    // walk along it, however long the call or the country file's prefixes are.
    // Edges in one open-addressing table, key node << 8 | byte: one probe per step.
    struct Edge {
        std::uint64_t key = ~std::uint64_t(0);  // free
        std::uint32_t child = 0;
    };
    std::uint32_t Child(std::uint32_t node, unsigned char c) const;  // 0: none
    std::vector<Edge> prefixEdges_;
    std::size_t edgeCount_ = 0;
    std::vector<int> prefixEntity_{-1};  // per node; -1: no prefix ends there
    CallCache cache_;
};

}  // namespace tavik::host
