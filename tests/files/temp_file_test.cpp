// Fresh temporary files: unique, empty, open for writing, with or without the caller
// wanting the path back.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../support/deep_directory.h"
#include "engine/platform/files/temp_file.h"
#include "temp_dir.h"

namespace {

using files_test::ScopedCurrentDir;
using files_test::TempDir;
namespace fs = std::filesystem;

// Points the temporary directory somewhere for the scope of a test.
class ScopedTempDirVariable {
public:
    explicit ScopedTempDirVariable(const std::string& dir) {
        const char* old = getenv("TMPDIR");
        had_ = old != nullptr;
        if (had_) old_ = old;
        setenv("TMPDIR", dir.c_str(), 1);
    }
    ~ScopedTempDirVariable() { had_ ? setenv("TMPDIR", old_.c_str(), 1) : unsetenv("TMPDIR"); }

private:
    bool had_ = false;
    std::string old_;
};

std::vector<fs::path> FilesIn(const std::string& dir) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(dir)) files.push_back(entry.path());
    return files;
}

TEST(TempFileTest, TwoCallsWithoutAPathGiveTwoDifferentEmptyFiles) {
    TempDir dir;
    ScopedTempDirVariable tmp(dir.Path());
    const host::HFILE first = orvik::CreateTempFile(nullptr);
    const host::HFILE second = orvik::CreateTempFile(nullptr);
    ASSERT_NE(first, host::INVALID_FILE_HANDLE);
    ASSERT_NE(second, host::INVALID_FILE_HANDLE);
    EXPECT_NE(first, second);
    const auto files = FilesIn(dir.Path());
    ASSERT_EQ(files.size(), 2u);
    for (const auto& file : files) {
        EXPECT_EQ(fs::file_size(file), 0u);
        EXPECT_EQ(file.filename().string().rfind("tmp", 0), 0u) << file;
    }
    // Both are open for writing: what is written lands in one of the two files.
    uint32_t written = 0;
    ASSERT_TRUE(host::WriteFile(second, "abc", 3, &written));
    host::CloseFile(first);
    host::CloseFile(second);
    EXPECT_EQ(fs::file_size(files[0]) + fs::file_size(files[1]), 3u);
}

TEST(TempFileTest, ARelativeTemporaryDirectoryGivesAFullPath) {
    TempDir dir;
    fs::create_directory(dir / "scratch");
    ScopedCurrentDir here(dir.Path());
    ASSERT_TRUE(here.ok());
    ScopedTempDirVariable tmp("scratch");
    char path[260] = {};
    const host::HFILE file = orvik::CreateTempFile(path);
    ASSERT_NE(file, host::INVALID_FILE_HANDLE);
    host::CloseFile(file);
    const std::string made = path;
    EXPECT_EQ(made.rfind(dir.Path() + "/scratch/tmp", 0), 0u) << made;
    EXPECT_TRUE(fs::exists(made));
    EXPECT_EQ(fs::file_size(made), 0u);
}

TEST(TempFileTest, ACurrentDirectoryTooLongToReadDoesNotStopAnAbsoluteTemporaryPath) {
    TempDir dir;
    fs::create_directory(dir / "scratch");
    ScopedTempDirVariable tmp(dir / "scratch");
    ScopedCurrentDir here(orvik_test::MakeDeepDirectory(dir.Path(), 300));
    ASSERT_TRUE(here.ok());
    char path[260] = {};
    const host::HFILE file = orvik::CreateTempFile(path);
    ASSERT_NE(file, host::INVALID_FILE_HANDLE);
    host::CloseFile(file);
    EXPECT_EQ(std::string(path).rfind(dir.Path() + "/scratch/tmp", 0), 0u) << path;
}

TEST(TempFileTest, AMissingTemporaryDirectoryFailsAndLeavesThePathAlone) {
    TempDir dir;
    ScopedTempDirVariable tmp(dir / "missing");
    char path[260] = "untouched";
    EXPECT_EQ(orvik::CreateTempFile(path), host::INVALID_FILE_HANDLE);
    EXPECT_STREQ(path, "untouched");
    EXPECT_EQ(orvik::CreateTempFile(nullptr), host::INVALID_FILE_HANDLE);
}

}  // namespace
