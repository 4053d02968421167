#include "platform/file_version.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <iostream>
#include <random>

#include "platform/pe_version_resource.h"
#include "support/scratch_folder.h"

namespace tavik {
namespace {

using Bytes = std::vector<unsigned char>;

constexpr uint32_t Words(uint32_t high, uint32_t low) { return high << 16 | low; }

Bytes ReadBytes(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t U32(const Bytes& b, size_t at) {
    uint32_t v = 0;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

uint16_t U16(const Bytes& b, size_t at) {
    uint16_t v = 0;
    std::memcpy(&v, b.data() + at, 2);
    return v;
}

void Put32(Bytes& b, size_t at, uint32_t v) { std::memcpy(b.data() + at, &v, 4); }

size_t Find(const Bytes& haystack, const Bytes& needle) {
    const auto it = std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end());
    return it == haystack.end() ? std::string::npos : static_cast<size_t>(it - haystack.begin());
}

const Bytes kVersionKey = {'V', 0, 'S', 0, '_', 0, 'V', 0, 'E', 0, 'R', 0};

// The same image behind a PE32+ optional header: 16 bytes longer, so the section
// table moves up into the padding before the first section.
Bytes AsPe32Plus(Bytes image) {
    const size_t pe = U32(image, 0x3C);
    const size_t optional = pe + 24;
    const size_t sectionsBytes = U16(image, pe + 6) * size_t{40};
    EXPECT_EQ(U16(image, optional), 0x10B);
    EXPECT_EQ(U16(image, pe + 20), 224);
    EXPECT_GE(U32(image, optional + 224 + 20), optional + 240 + sectionsBytes);
    Bytes header(240 + sectionsBytes, 0);
    header[0] = 0x0B;
    header[1] = 0x02;
    // Directory count and the 16 directories: 96 bytes in at PE32, 112 at PE32+.
    std::memcpy(&header[108], &image[optional + 92], 4 + 16 * 8);
    std::memcpy(&header[240], &image[optional + 224], sectionsBytes);
    std::copy(header.begin(), header.end(), image.begin() + optional);
    image[pe + 20] = 240;
    return image;
}

#ifdef TAVIK_VERSION_2_20_7_1_EXE
constexpr const char* kVersion2 = TAVIK_VERSION_2_20_7_1_EXE;
constexpr const char* kVersion3 = TAVIK_VERSION_3_1_5_9_EXE;
constexpr const char* kNoVersion = TAVIK_NO_VERSION_EXE;
#else
constexpr const char* kVersion2 = nullptr;
constexpr const char* kVersion3 = nullptr;
constexpr const char* kNoVersion = nullptr;
#endif

class FileVersionTest : public ::ScratchFolderTest {
protected:
    void SetUp() override {
        // First, so that TearDown has a folder to leave even after a skip.
        ScratchFolderTest::SetUp();
        if (kVersion2 == nullptr) {
            GTEST_SKIP() << "no i686-w64-mingw32 compiler and windres: test executables not built";
        }
    }
};

constexpr FixedFileVersion kUntouched{0xDEADBEEF, 0xCAFEF00D};

void ExpectUntouched(const FixedFileVersion& v) {
    EXPECT_EQ(v.fileVersionMs, kUntouched.fileVersionMs);
    EXPECT_EQ(v.fileVersionLs, kUntouched.fileVersionLs);
}

TEST_F(FileVersionTest, ReadsTheFileVersionWords) {
    FixedFileVersion v;
    ASSERT_TRUE(ReadFixedFileVersion(kVersion2, v));
    EXPECT_EQ(v.fileVersionMs, Words(2, 20));
    EXPECT_EQ(v.fileVersionLs, Words(7, 1));

    // Named and other numbered resource types come first in this one.
    ASSERT_TRUE(ReadFixedFileVersion(kVersion3, v));
    EXPECT_EQ(v.fileVersionMs, Words(3, 1));
    EXPECT_EQ(v.fileVersionLs, Words(5, 9));

    ASSERT_EQ(mkdir("sub", 0755), 0);
    WriteFile("sub/host.exe", ReadFile(kVersion2));
    v = {};
    ASSERT_TRUE(ReadFixedFileVersion("sub\\host.exe", v));
    EXPECT_EQ(v.fileVersionMs, Words(2, 20));
    EXPECT_EQ(v.fileVersionLs, Words(7, 1));
}

TEST_F(FileVersionTest, FalseWithoutAVersionResource) {
    FixedFileVersion v = kUntouched;
    EXPECT_FALSE(ReadFixedFileVersion(kNoVersion, v));
    ExpectUntouched(v);
}

using NotAnExecutableTest = ::ScratchFolderTest;

TEST_F(NotAnExecutableTest, FalseAndLeavesTheResultAlone) {
    FixedFileVersion v = kUntouched;
    EXPECT_FALSE(ReadFixedFileVersion("missing.exe", v));
    EXPECT_FALSE(ReadFixedFileVersion("", v));
    EXPECT_FALSE(ReadFixedFileVersion(nullptr, v));
    ASSERT_EQ(mkdir("folder.exe", 0755), 0);
    EXPECT_FALSE(ReadFixedFileVersion("folder.exe", v));
    // Would block a reader that opened it without O_NONBLOCK.
    ASSERT_EQ(mkfifo("pipe.exe", 0644), 0);
    EXPECT_FALSE(ReadFixedFileVersion("pipe.exe", v));
    WriteFile("empty.exe", "");
    EXPECT_FALSE(ReadFixedFileVersion("empty.exe", v));
    WriteFile("text.exe", "MZ but nothing else");
    EXPECT_FALSE(ReadFixedFileVersion("text.exe", v));
    ExpectUntouched(v);
}

TEST_F(FileVersionTest, Pe32PlusHeader) {
    const Bytes image = AsPe32Plus(ReadBytes(kVersion3));
    FixedFileVersion v;
    ASSERT_TRUE(FindFixedFileVersion(image.data(), image.size(), v));
    EXPECT_EQ(v.fileVersionMs, Words(3, 1));
    EXPECT_EQ(v.fileVersionLs, Words(5, 9));
#ifdef TAVIK_VERSION_64_EXE
    v = {};
    ASSERT_TRUE(ReadFixedFileVersion(TAVIK_VERSION_64_EXE, v));
    EXPECT_EQ(v.fileVersionMs, Words(5, 64));
    EXPECT_EQ(v.fileVersionLs, Words(1, 3));
#else
    std::cout << "[   NOTE   ] no x86_64-w64-mingw32 compiler: only the rewritten PE32+ header\n";
#endif
}

TEST_F(FileVersionTest, CorruptFieldsAreRejected) {
    const Bytes good = ReadBytes(kVersion2);
    const size_t pe = U32(good, 0x3C);
    const size_t key = Find(good, kVersionKey);
    ASSERT_NE(key, std::string::npos);
    // The root directory's one entry: type 16, subdirectory at offset 0x18.
    const size_t typeEntry = Find(good, {0x10, 0, 0, 0, 0x18, 0, 0, 0x80});
    ASSERT_NE(typeEntry, std::string::npos);
    const size_t root = typeEntry - 16;

    const auto rejects = [&](size_t at, uint32_t value) {
        Bytes bad = good;
        Put32(bad, at, value);
        FixedFileVersion v = kUntouched;
        EXPECT_FALSE(FindFixedFileVersion(bad.data(), bad.size(), v)) << "at " << at;
        ExpectUntouched(v);
    };
    rejects(0, 0x00905A4E);                      // not MZ
    rejects(0x3C, static_cast<uint32_t>(good.size() - 2));  // PE header cut off
    rejects(0x3C, 0xFFFFFFFC);                   // offset + 4 wraps in 32 bits
    rejects(pe, 0x00004551);                     // not PE\0\0
    rejects(pe + 24, 0x0000010C);                // unknown optional-header magic
    rejects(pe + 24 + 92, 2);                    // too few data directories
    rejects(pe + 6, 0);                          // no sections to map the RVAs
    rejects(typeEntry, 17);                      // no type 16
    rejects(typeEntry + 4, 0x80000000);          // type 16 leads back to the root
    rejects(typeEntry + 4, 0x80000000 | 0x7FFFFFF0);  // far past the section
    rejects(typeEntry + 4, 0x00000018);          // a directory taken for data
    rejects(root + 12, 0);                       // no entries at all
    const uint32_t blockLength = U16(good, key - 6);
    ASSERT_EQ(U16(good, key - 4), 52);
    rejects(key - 6, 0x00340000 | 0xFFFF);       // block longer than the resource
    rejects(key - 6, 0x00340000 | 91);           // block too short for the record
    rejects(key - 6, 0x00330000 | blockLength);  // value shorter than the record
    rejects(key - 6, 0x00000000 | blockLength);  // no value at all
    rejects(key + 8, 0x00570045);                // key "VS_VEWSION_INFO"
    rejects(key + 34, 0xFEEF04BC);               // record signature
}

TEST_F(FileVersionTest, TruncatedCopiesNeverReadPastTheEnd) {
    const Bytes good = ReadBytes(kVersion3);
    // A prefix holds the version once it holds everything the version lies in,
    // so the answers go from false to the right version exactly once.
    size_t firstTrue = 0;
    for (size_t length = 0; length <= good.size(); ++length) {
        const Bytes prefix(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length));
        FixedFileVersion v;
        const bool found = FindFixedFileVersion(prefix.data(), prefix.size(), v);
        if (firstTrue == 0 && found) firstTrue = length;
        ASSERT_EQ(found, firstTrue != 0) << "length " << length;
        if (found) {
            ASSERT_EQ(v.fileVersionMs, Words(3, 1)) << "length " << length;
            ASSERT_EQ(v.fileVersionLs, Words(5, 9)) << "length " << length;
        }
    }
    ASSERT_NE(firstTrue, 0u);
    // Exactly when the whole version block is in.
    const size_t block = Find(good, kVersionKey) - 6;
    EXPECT_EQ(firstTrue, block + U16(good, block));

    // The file reader agrees on files cut at the same places.
    for (size_t length : {size_t{0}, size_t{1}, size_t{0x40}, size_t{0x200}, firstTrue - 1,
                          firstTrue, good.size() - 1}) {
        WriteFile("cut.exe", std::string(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length)));
        FixedFileVersion v;
        EXPECT_EQ(ReadFixedFileVersion("cut.exe", v), length >= firstTrue) << "length " << length;
    }
}

TEST_F(FileVersionTest, RandomCorruptionNeverInventsAVersion) {
    const Bytes good = ReadBytes(kVersion3);
    const size_t key = Find(good, kVersionKey);
    ASSERT_NE(key, std::string::npos);
    // Headers and the resource section, where the reader's offsets come from.
    const size_t rsrcFrom = key > 0x200 ? key - 0x200 : 0;
    const size_t rsrcTo = std::min(good.size(), key + 0x200);
    std::mt19937 random(20240601);
    int kept = 0;
    int lost = 0;
    for (int round = 0; round < 4000; ++round) {
        Bytes bad = good;
        const int changes = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < changes; ++i) {
            const size_t at = (random() % 2 == 0)
                                  ? random() % 0x400
                                  : rsrcFrom + random() % (rsrcTo - rsrcFrom);
            // Extreme values reach the bounds checks more often than noise does.
            const uint32_t pick = random() % 4;
            bad[at] = pick == 0 ? 0x00 : pick == 1 ? 0xFF : pick == 2 ? 0x80
                                                                    : static_cast<unsigned char>(random());
        }
        FixedFileVersion v;
        if (!FindFixedFileVersion(bad.data(), bad.size(), v)) {
            ++lost;
            continue;
        }
        ++kept;
        // Whatever is found must be a real signed record in the bytes.
        bool present = false;
        for (size_t p = 0; p + 16 <= bad.size() && !present; ++p) {
            present = U32(bad, p) == 0xFEEF04BD && U32(bad, p + 8) == v.fileVersionMs &&
                      U32(bad, p + 12) == v.fileVersionLs;
        }
        ASSERT_TRUE(present) << "round " << round;
    }
    EXPECT_GT(kept, 100);
    EXPECT_GT(lost, 100);
}

}  // namespace
}  // namespace tavik
