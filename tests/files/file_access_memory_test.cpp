// The file operations short of memory at any one request of operator new: a call gives its
// result or its failure with a log line, never an exception, and a failure leaves no file,
// search, archive reference or tracked block behind.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "../support/memory_shortage.h"
#include "../support/temp_log.h"
#include "archive_files_fixture.h"

namespace {

using namespace files_test;
using namespace orvik;

// Reads the file and finds it; a read of an open file gives the whole of it. Makes no
// request of its own, so every request counted is the file operations'.
void ReadAndFind(const char* path) {
    const FileAccessHandle file = FileAccessOpen(path, 0, 1, 0);
    if (file != 0) {
        char text[16] = {};
        const size_t got = FileAccessRead(text, 1, sizeof text, file);
        EXPECT_EQ(std::string_view(text, got), "abcabcabcabc");
        EXPECT_EQ(FileAccessClose(file), 0);
    }
    FileFindRecord record{};
    const FileFindHandle find = FileAccessFindFirst(path, &record);
    if (find != -1) {
        EXPECT_EQ(FileAccessFindClose(find), 0);
    }
}

TEST_F(ArchiveFilesTest, ShortOfMemoryAtAnyRequestACallFailsAndLeavesNothingBehind) {
    dir.Write("Data01.dat", GameArchive());
    dir.Write("Data02/packed.txt", "abcabcabcabc");
    orvik_test::TempLog log;
    for (const char* path : {"Data01/packed.txt", "Data02/packed.txt"}) {
        // The calls with the nth request failing (none fails past the last); the requests made.
        const auto use = [&](size_t failing) {
            ResetArchiveFiles();
            SetArchiveExtension("dat");
            SetArchiveKeyString("tnqwplx");
            size_t requests = 0;
            {
                const orvik_test::FailingRequest shortage(failing);
                EXPECT_NO_THROW(ReadAndFind(path)) << path << ", request " << failing;
                requests = orvik_test::OperatorNewRequests();
            }
            ReleaseUnusedArchives();
            EXPECT_EQ(OpenFileCount(), 0);
            EXPECT_EQ(PlainFileOpenCount(), 0u);
            EXPECT_EQ(TrackedMemory().blockCount, blocksAtStart);
            return requests;
        };
        const size_t requests = use(SIZE_MAX);
        for (size_t n = 1; n <= requests && !HasFailure(); ++n) use(n);
    }
    EXPECT_NE(log.Read().find("メモリが足りず処理できませんでした in FileAccessOpen：Data01/packed.txt"), std::string::npos);
    EXPECT_NE(log.Read().find("メモリが足りず処理できませんでした in FileAccessFindFirst：Data02/packed.txt"),
              std::string::npos);
}

}  // namespace
