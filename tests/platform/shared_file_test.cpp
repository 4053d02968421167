#include "platform/shared_file.h"

#include <sys/stat.h>

#include "support/scratch_folder.h"

namespace tavik {
namespace {

using OpenSharedFileTest = ::ScratchFolderTest;

TEST_F(OpenSharedFileTest, BackslashSeparatesFolders) {
    ASSERT_EQ(mkdir("Out", 0755), 0);
    std::FILE* file = OpenSharedFile("Out\\log.txt", "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("QSO 1\r\n", file);
    std::fclose(file);
    EXPECT_EQ(ReadFile("Out/log.txt"), "QSO 1\r\n");

    EXPECT_EQ(OpenSharedFile("Missing\\log.txt", "wb"), nullptr);
    EXPECT_EQ(OpenSharedFile(nullptr, "rb"), nullptr);
    EXPECT_EQ(OpenSharedFile("Out\\log.txt", nullptr), nullptr);
    EXPECT_EQ(List(), std::vector<std::string>{"Out"});
}

}  // namespace
}  // namespace tavik
