// The file a graphic's pixels come from: kept as a full path, shared by the graphics cut
// from it, dropped with the last of them.
#include <unistd.h>

#include "drawing_fixture.h"

namespace orvik_test {
namespace {

using namespace orvik;

TEST_F(DrawingTest, FileNamesAreFullPathsSharedAndCounted) {
    int32_t a = SolidGraph(2, 2, 0xFFFFFF), b = SolidGraph(2, 2, 0xFFFFFF);
    ASSERT_EQ(chdir(engine_.Log().Directory().c_str()), 0);
    ASSERT_EQ(SetGraphFileName(a, "Data01/../Data01/sheet.bmp"), 0);
    const GraphFileName* name = GetGraphRecord(a)->fileName;
    ASSERT_NE(name, nullptr);
    EXPECT_STREQ(name->path.data(), (engine_.Log().Directory() + "/Data01/sheet.bmp").c_str());
    ASSERT_EQ(SetGraphFileName(b, nullptr, a), 0);
    EXPECT_EQ(GetGraphRecord(b)->fileName, name);
    EXPECT_EQ(name->refCount, 2u);
    // Sharing a graphic's own block keeps it; giving a graphic its own path again reads
    // the path before the old block goes.
    ASSERT_EQ(SetGraphFileName(b, nullptr, b), 0);
    EXPECT_EQ(name->refCount, 2u);
    ASSERT_EQ(DeleteGraphHandle(a), 0);
    EXPECT_EQ(name->refCount, 1u);
    ASSERT_EQ(SetGraphFileName(b, GetGraphRecord(b)->fileName->path.data()), 0);
    EXPECT_STREQ(GetGraphRecord(b)->fileName->path.data(), (engine_.Log().Directory() + "/Data01/sheet.bmp").c_str());
    ASSERT_EQ(SetGraphFileName(b, nullptr, -1), 0);
    EXPECT_EQ(GetGraphRecord(b)->fileName, nullptr);
    EXPECT_EQ(SetGraphFileName(a, "x.bmp"), -1);
    EXPECT_EQ(SetGraphFileName(b, nullptr, a), -1);
}

}  // namespace
}  // namespace orvik_test
