// Every offset and size comes from the file itself, so each read is checked against
// the bytes at hand, in 64-bit arithmetic so that no sum of 32-bit fields can wrap.
#include "platform/pe_version_resource.h"

#include <algorithm>
#include <cstdint>

namespace tavik {
namespace {

constexpr uint32_t kDosMagic = 0x5A4D;        // "MZ"
constexpr uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr uint32_t kPe32Magic = 0x10B;
constexpr uint32_t kPe32PlusMagic = 0x20B;
constexpr uint32_t kResourceDirectoryIndex = 2;
constexpr uint64_t kSectionHeaderSize = 40;
constexpr uint32_t kVersionResourceType = 16;
constexpr uint32_t kSubdirectoryFlag = 0x80000000u;
constexpr uint32_t kFixedInfoSignature = 0xFEEF04BDu;
// wLength, wValueLength, wType, then the key with its terminator, padded to 4 bytes.
constexpr uint64_t kVersionKeyOffset = 6;
constexpr uint64_t kFixedInfoOffset = 40;
constexpr uint64_t kFixedInfoSize = 52;

class Bytes {
public:
    Bytes(const unsigned char* data, uint64_t size) : data_(data), size_(size) {}

    uint64_t size() const { return size_; }

    bool Has(uint64_t offset, uint64_t length) const {
        return offset <= size_ && size_ - offset >= length;
    }

    bool U16(uint64_t offset, uint32_t& out) const {
        if (!Has(offset, 2)) return false;
        out = data_[offset] | static_cast<uint32_t>(data_[offset + 1]) << 8;
        return true;
    }

    bool U32(uint64_t offset, uint32_t& out) const {
        if (!Has(offset, 4)) return false;
        out = data_[offset] | static_cast<uint32_t>(data_[offset + 1]) << 8 |
              static_cast<uint32_t>(data_[offset + 2]) << 16 |
              static_cast<uint32_t>(data_[offset + 3]) << 24;
        return true;
    }

    // Only for a range Has() has accepted.
    Bytes Sub(uint64_t offset, uint64_t length) const { return Bytes(data_ + offset, length); }

private:
    const unsigned char* data_;
    uint64_t size_;
};

struct SectionTable {
    uint64_t offset = 0;
    uint32_t count = 0;
};

// The file bytes behind an RVA: where they start and how many follow within the
// same section's file-backed part (and the file).
bool MapRva(const Bytes& file, const SectionTable& sections, uint32_t rva, Bytes& out) {
    for (uint32_t i = 0; i < sections.count; ++i) {
        const uint64_t header = sections.offset + i * kSectionHeaderSize;
        uint32_t virtualSize = 0;
        uint32_t virtualAddress = 0;
        uint32_t rawSize = 0;
        uint32_t rawPointer = 0;
        if (!file.U32(header + 8, virtualSize) || !file.U32(header + 12, virtualAddress) ||
            !file.U32(header + 16, rawSize) || !file.U32(header + 20, rawPointer)) {
            return false;
        }
        // Bytes past the virtual size are not part of the loaded section.
        const uint64_t span = virtualSize != 0 ? std::min(virtualSize, rawSize) : rawSize;
        if (rva < virtualAddress || rva - virtualAddress >= span) continue;
        const uint64_t delta = rva - virtualAddress;
        const uint64_t offset = rawPointer + delta;
        if (offset > file.size()) return false;
        out = file.Sub(offset, std::min(span - delta, file.size() - offset));
        return true;
    }
    return false;
}

// Where one directory entry leads, provided it leads to the wanted kind of node.
bool EntryTarget(const Bytes& tree, uint64_t entry, bool wantDirectory, uint32_t& target) {
    uint32_t link = 0;
    if (!tree.U32(entry + 4, link)) return false;
    if (((link & kSubdirectoryFlag) != 0) != wantDirectory) return false;
    target = link & ~kSubdirectoryFlag;
    return true;
}

bool EntryCount(const Bytes& tree, uint64_t directory, uint32_t& count) {
    uint32_t named = 0;
    uint32_t numbered = 0;
    if (!tree.U16(directory + 12, named) || !tree.U16(directory + 14, numbered)) return false;
    count = named + numbered;
    return true;
}

// Type, then the first name, then the first language: exactly three levels, so a
// link back up the tree cannot make the walk go round.
bool FindVersionDataEntry(const Bytes& tree, uint64_t& dataEntry) {
    uint32_t count = 0;
    if (!EntryCount(tree, 0, count)) return false;
    uint32_t names = 0;
    bool found = false;
    for (uint32_t i = 0; i < count && !found; ++i) {
        const uint64_t entry = 16 + i * 8ull;
        uint32_t id = 0;
        if (!tree.U32(entry, id)) return false;
        if (id == kVersionResourceType) {
            if (!EntryTarget(tree, entry, true, names)) return false;
            found = true;
        }
    }
    uint32_t languages = 0;
    uint32_t data = 0;
    if (!found || !EntryCount(tree, names, count) || count == 0 ||
        !EntryTarget(tree, names + 16ull, true, languages) ||
        !EntryCount(tree, languages, count) || count == 0 ||
        !EntryTarget(tree, languages + 16ull, false, data)) {
        return false;
    }
    dataEntry = data;
    return true;
}

bool ReadFixedInfo(const Bytes& block, FixedFileVersion& version) {
    uint32_t length = 0;
    uint32_t valueLength = 0;
    if (!block.U16(0, length) || !block.U16(2, valueLength)) return false;
    if (length > block.size() || length < kFixedInfoOffset + kFixedInfoSize ||
        valueLength < kFixedInfoSize) {
        return false;
    }
    static constexpr char kKey[] = "VS_VERSION_INFO";
    for (uint64_t i = 0; i < sizeof kKey; ++i) {
        uint32_t unit = 0;
        if (!block.U16(kVersionKeyOffset + 2 * i, unit) ||
            unit != static_cast<unsigned char>(kKey[i])) {
            return false;
        }
    }
    uint32_t signature = 0;
    uint32_t ms = 0;
    uint32_t ls = 0;
    if (!block.U32(kFixedInfoOffset, signature) || signature != kFixedInfoSignature ||
        !block.U32(kFixedInfoOffset + 8, ms) || !block.U32(kFixedInfoOffset + 12, ls)) {
        return false;
    }
    version.fileVersionMs = ms;
    version.fileVersionLs = ls;
    return true;
}

}  // namespace

bool FindFixedFileVersion(const unsigned char* data, size_t size, FixedFileVersion& version) {
    if (data == nullptr) return false;
    const Bytes file(data, size);

    uint32_t value = 0;
    uint32_t peOffset = 0;
    if (!file.U16(0, value) || value != kDosMagic || !file.U32(0x3C, peOffset) ||
        !file.U32(peOffset, value) || value != kPeSignature) {
        return false;
    }
    const uint64_t coffHeader = peOffset + 4ull;
    SectionTable sections;
    uint32_t optionalSize = 0;
    if (!file.U16(coffHeader + 2, sections.count) || !file.U16(coffHeader + 16, optionalSize)) {
        return false;
    }
    const uint64_t optionalHeader = coffHeader + 20;
    sections.offset = optionalHeader + optionalSize;

    uint64_t directories = 0;
    if (!file.U16(optionalHeader, value)) return false;
    if (value == kPe32Magic) {
        directories = 96;
    } else if (value == kPe32PlusMagic) {
        directories = 112;
    } else {
        return false;
    }
    uint32_t directoryCount = 0;
    const uint64_t resourceDirectory = directories + kResourceDirectoryIndex * 8;
    if (!file.U32(optionalHeader + directories - 4, directoryCount) ||
        directoryCount <= kResourceDirectoryIndex || resourceDirectory + 8 > optionalSize) {
        return false;
    }
    uint32_t resourceRva = 0;
    if (!file.U32(optionalHeader + resourceDirectory, resourceRva) || resourceRva == 0) {
        return false;
    }

    Bytes tree(nullptr, 0);
    uint64_t dataEntry = 0;
    uint32_t dataRva = 0;
    uint32_t dataSize = 0;
    Bytes block(nullptr, 0);
    if (!MapRva(file, sections, resourceRva, tree) || !FindVersionDataEntry(tree, dataEntry) ||
        !tree.U32(dataEntry, dataRva) || !tree.U32(dataEntry + 4, dataSize) ||
        !MapRva(file, sections, dataRva, block) || block.size() < dataSize) {
        return false;
    }
    return ReadFixedInfo(block.Sub(0, dataSize), version);
}

}  // namespace tavik
