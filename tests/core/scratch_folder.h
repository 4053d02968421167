// A fresh working folder with an empty Plugins folder for each test; portable, so
// the core's tests run on every build.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class ScratchFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        static unsigned counter = 0;
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        folder_ = std::filesystem::temp_directory_path() /
                  ("tavik-core-" + std::to_string(stamp) + "-" + std::to_string(++counter));
        ASSERT_TRUE(std::filesystem::create_directory(folder_));
        std::filesystem::current_path(folder_);
        ASSERT_TRUE(std::filesystem::create_directory("Plugins"));
    }

    void TearDown() override {
        std::filesystem::current_path(previous_);
        std::error_code error;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder_, error))
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, error);
        std::filesystem::remove_all(folder_, error);
    }

    static void WriteFile(const std::string& path, const std::string& bytes) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << bytes;
    }

    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    std::filesystem::path folder_;

private:
    std::filesystem::path previous_;
};
