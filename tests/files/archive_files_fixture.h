// The archive files' tests: a fresh directory for each, with the game's settings, and the
// game's archive of a few stored and packed files.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive_fixture.h"
#include "engine/platform/archive/archive_files_state.h"
#include "engine/platform/files/file_access.h"
#include "engine/platform/base/memory.h"
#include "engine/platform/files/plain_file.h"
#include "temp_dir.h"

namespace files_test {

inline FixtureDir GameTree() {
    FixtureDir root;
    root.files.push_back({"VRX_Title.bmp", Bytes("title")});
    root.files.push_back({"A.B.bmp", Bytes("ab")});
    root.files.push_back({"packed.txt", Bytes("abcabcabcabc"), kPackedAbc});
    root.files.push_back({"hundred.bin", PatternBytes(100)});
    root.files.push_back({"c.BMP", Bytes("c")});
    FixtureDir sound("Sound");
    sound.files.push_back({"Shot01.wav", Bytes("pew")});
    root.dirs.push_back(sound);
    return root;
}

inline std::vector<uint8_t> GameArchive() {
    FixtureOptions options;
    options.keyString = "tnqwplx";
    return BuildFixture(GameTree(), options);
}

// Every test works in a fresh directory of its own, with the game's settings.
class ArchiveFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        orvik::ResetArchiveFiles();
        orvik::ResetFileAccessTable();
        orvik::SetArchiveExtension("dat");
        orvik::SetArchiveKeyString("tnqwplx");
        ASSERT_TRUE(cwd.ok());
        blocksAtStart = orvik::TrackedMemory().blockCount;
    }
    // Whatever a test opened, closing and releasing it gives every tracked block back.
    void TearDown() override {
        orvik::ResetArchiveFiles();
        EXPECT_EQ(orvik::PlainFileOpenCount(), 0u);
        EXPECT_EQ(orvik::TrackedMemory().blockCount, blocksAtStart);
    }
    int32_t blocksAtStart = 0;
    std::string ReadAll(const char* path) {
        const orvik::FileAccessHandle file = orvik::FileAccessOpen(path, 0, 1, 0);
        if (file == 0) return "<open failed>";
        std::string text(4096, 0);
        text.resize(orvik::FileAccessRead(text.data(), 1, text.size(), file));
        orvik::FileAccessClose(file);
        return text;
    }
    TempDir dir;
    ScopedCurrentDir cwd{dir.Path()};
};

}  // namespace files_test
