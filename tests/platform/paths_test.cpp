#include "platform/files/paths.h"

#include <gtest/gtest.h>

using namespace quillmark::files;

TEST(PathArgs, FullPathsAreKeptAndRelativeOnesAnchoredWithoutNormalising)
{
    EXPECT_EQ(MakeFullPath("C:\\Docs\\A.doc", "/home/u"), "C:\\Docs\\A.doc");
    EXPECT_EQ(MakeFullPath("\\\\server\\share\\B.ppt", "/home/u"), "\\\\server\\share\\B.ppt");
    EXPECT_EQ(MakeFullPath("/srv/x/../y.doc", "/home/u"), "/srv/x/../y.doc");
    EXPECT_EQ(MakeFullPath("a.doc", "/home/u"), "/home/u/a.doc");
    EXPECT_EQ(MakeFullPath("./sub/a.doc", "/home/u/"), "/home/u/sub/a.doc");
    EXPECT_EQ(MakeFullPath("../link/a.doc", "/home/u"), "/home/u/../link/a.doc");
    EXPECT_EQ(MakeFullPath(".", "/home/u"), "/home/u");
    EXPECT_EQ(MakeFullPath("a.doc", "/"), "/a.doc");
    EXPECT_FALSE(IsFullPath("docs\\a.doc"));
    EXPECT_FALSE(IsFullPath(""));
}
