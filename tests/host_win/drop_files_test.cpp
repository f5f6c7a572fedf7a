// The drop object a file drop hands the window: counting, sizing and copying the names.
#include <cstring>

#include "host/win/system/drop_files.h"
#include "host_fixture.h"

namespace host_test {
namespace {

using namespace host;

TEST(DropFilesTest, NamesAreCountedSizedAndCopiedWithTheirEndingZero) {
    size_t before = CountOpenDrops();
    HDROP drop = MakeDrop({"C:\\a.txt", "D:\\dir\\long name.bmp"});
    EXPECT_EQ(CountOpenDrops(), before + 1);
    EXPECT_EQ(DragQueryFileA(drop, kDragQueryCount, nullptr, 0), 2u);
    EXPECT_EQ(DragQueryFileA(drop, 1, nullptr, 0), 20u);
    char name[32];
    std::memset(name, 'x', sizeof name);
    EXPECT_EQ(DragQueryFileA(drop, 1, name, sizeof name), 20u);
    EXPECT_STREQ(name, "D:\\dir\\long name.bmp");
    // A short buffer gets what fits, still ended by a 0 byte, and nothing past it.
    std::memset(name, 'x', sizeof name);
    EXPECT_EQ(DragQueryFileA(drop, 0, name, 4), 3u);
    EXPECT_STREQ(name, "C:\\");
    EXPECT_EQ(name[4], 'x');
    EXPECT_EQ(DragQueryFileA(drop, 0, name, 0), 0u);
    EXPECT_EQ(DragQueryFileA(drop, 2, name, sizeof name), 0u);
    DragFinish(drop);
    EXPECT_EQ(CountOpenDrops(), before);
}

TEST(DropFilesTest, AFinishedOrUnknownDropReadsAsEmpty) {
    HDROP drop = MakeDrop({"a"});
    DragFinish(drop);
    size_t open = CountOpenDrops();
    char name[8] = "keep";
    EXPECT_EQ(DragQueryFileA(drop, kDragQueryCount, nullptr, 0), 0u);
    EXPECT_EQ(DragQueryFileA(drop, 0, name, sizeof name), 0u);
    EXPECT_STREQ(name, "keep");
    EXPECT_EQ(DragQueryFileA(nullptr, 0, nullptr, 0), 0u);
    DragFinish(drop);  // twice: ignored
    DragFinish(nullptr);
    EXPECT_EQ(CountOpenDrops(), open);
}

}  // namespace
}  // namespace host_test
