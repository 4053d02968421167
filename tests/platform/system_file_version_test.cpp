// The system's version functions on executables built with our resource scripts,
// and our own PE reader held against what they answer.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/file_version.h"
#include "platform/pe_version_resource.h"

namespace tavik {
namespace {

constexpr uint32_t Words(uint32_t high, uint32_t low) { return high << 16 | low; }

std::vector<unsigned char> ReadBytes(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in),
                                      std::istreambuf_iterator<char>());
}

struct Fixture {
    const char* path;
    bool hasVersion;
    uint32_t ms;
    uint32_t ls;
};

const Fixture kFixtures[] = {
    {TAVIK_VERSION_2_20_7_1_EXE, true, Words(2, 20), Words(7, 1)},
    {TAVIK_VERSION_3_1_5_9_EXE, true, Words(3, 1), Words(5, 9)},
    {TAVIK_NO_VERSION_EXE, false, 0, 0},
#ifdef TAVIK_HOST_EXE
    // The stand-in host, linked like a real program.
    {TAVIK_HOST_EXE, true, Words(2, 5), Words(0, 0)},
#endif
};

TEST(Win32FileVersion, SystemAndOwnReaderAgree) {
    for (const Fixture& fixture : kFixtures) {
        SCOPED_TRACE(fixture.path);
        FixedFileVersion system{0xDEADBEEF, 0xCAFEF00D};
        ASSERT_EQ(ReadFixedFileVersion(fixture.path, system), fixture.hasVersion);
        const std::vector<unsigned char> bytes = ReadBytes(fixture.path);
        ASSERT_FALSE(bytes.empty());
        FixedFileVersion own{0xDEADBEEF, 0xCAFEF00D};
        ASSERT_EQ(FindFixedFileVersion(bytes.data(), bytes.size(), own), fixture.hasVersion);
        if (fixture.hasVersion) {
            EXPECT_EQ(system.fileVersionMs, fixture.ms);
            EXPECT_EQ(system.fileVersionLs, fixture.ls);
        }
        EXPECT_EQ(own.fileVersionMs, system.fileVersionMs);
        EXPECT_EQ(own.fileVersionLs, system.fileVersionLs);
    }
}

TEST(Win32FileVersion, FalseForWhatIsNoExecutable) {
    FixedFileVersion v;
    EXPECT_FALSE(ReadFixedFileVersion("missing-tavik-fixture.exe", v));
    EXPECT_FALSE(ReadFixedFileVersion("", v));
    EXPECT_FALSE(ReadFixedFileVersion(nullptr, v));
    // The folder the fixtures were built in.
    std::string folder = TAVIK_NO_VERSION_EXE;
    folder.erase(folder.find_last_of("/\\"));
    EXPECT_FALSE(ReadFixedFileVersion(folder.c_str(), v));
}

}  // namespace
}  // namespace tavik
