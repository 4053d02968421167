// The smallest PE file that carries a version resource: headers, one section and
// in it the three-level resource tree leading to the fixed version record.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

namespace fuzz {

inline std::string TinyPe(uint32_t versionMs, uint32_t versionLs, bool pe32Plus) {
    const uint32_t optionalSize = pe32Plus ? 240 : 224;
    const size_t optional = 0x58;
    const size_t sectionTable = optional + optionalSize;
    const size_t raw = sectionTable + 40;
    const uint32_t rva = 0x1000;
    const uint32_t blockOffset = 0x58;  // after root, name and language levels and data entry
    const uint32_t blockSize = 92;      // header, key, padding, fixed record
    const uint32_t treeSize = blockOffset + blockSize;

    std::string file(raw + treeSize, '\0');
    const auto put16 = [&file](size_t at, uint32_t value) {
        file[at] = static_cast<char>(value & 0xFF);
        file[at + 1] = static_cast<char>(value >> 8 & 0xFF);
    };
    const auto put32 = [&](size_t at, uint32_t value) {
        put16(at, value & 0xFFFF);
        put16(at + 2, value >> 16);
    };

    put16(0, 0x5A4D);  // MZ
    put32(0x3C, 0x40);
    put32(0x40, 0x4550);  // PE\0\0
    put16(0x44, pe32Plus ? 0x8664 : 0x14C);
    put16(0x46, 1);  // one section
    put16(0x54, optionalSize);
    put16(0x56, pe32Plus ? 0x22 : 0x102);
    put16(optional, pe32Plus ? 0x20B : 0x10B);
    const size_t directories = optional + (pe32Plus ? 112 : 96);
    put32(directories - 4, 16);
    put32(directories + 16, rva);  // resource directory
    put32(directories + 20, treeSize);

    std::memcpy(&file[sectionTable], ".rsrc", 5);
    put32(sectionTable + 8, treeSize);
    put32(sectionTable + 12, rva);
    put32(sectionTable + 16, treeSize);
    put32(sectionTable + 20, static_cast<uint32_t>(raw));
    put32(sectionTable + 36, 0x40000040);

    put16(raw + 14, 1);  // type level: one numbered entry, the version type
    put32(raw + 16, 16);
    put32(raw + 20, 0x80000000u | 0x18);
    put16(raw + 0x18 + 14, 1);  // name level
    put32(raw + 0x28, 1);
    put32(raw + 0x2C, 0x80000000u | 0x30);
    put16(raw + 0x30 + 14, 1);  // language level
    put32(raw + 0x40, 0x409);
    put32(raw + 0x44, 0x48);
    put32(raw + 0x48, rva + blockOffset);  // data entry
    put32(raw + 0x4C, blockSize);

    const size_t block = raw + blockOffset;
    put16(block, blockSize);
    put16(block + 2, 52);
    const char key[] = "VS_VERSION_INFO";
    for (size_t i = 0; i < sizeof key; ++i) put16(block + 6 + 2 * i, static_cast<unsigned char>(key[i]));
    put32(block + 40, 0xFEEF04BDu);
    put32(block + 44, 0x10000);
    put32(block + 48, versionMs);
    put32(block + 52, versionLs);
    put32(block + 56, versionMs);
    put32(block + 60, versionLs);
    put32(block + 64, 0x3F);
    put32(block + 72, 0x40004);  // NT, Windows
    put32(block + 76, 1);        // application
    return file;
}

}  // namespace fuzz
