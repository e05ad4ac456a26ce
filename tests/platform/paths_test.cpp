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

TEST(PathParts, NamesAndFoldersOfWindowsAndPosixPaths)
{
    // The file system's folder: "/" only separates, "." for a bare name.
    EXPECT_EQ(FolderOf("/home/u/a.docx"), "/home/u");
    EXPECT_EQ(FolderOf("/a.docx"), "/");
    EXPECT_EQ(FolderOf("a.docx"), ".");
    EXPECT_EQ(FolderOf("/home/u/back\\slash.docx"), "/home/u") << "a POSIX name may hold a backslash";
    // A path as shown and opened: "\" separates too; a bare name has no folder.
    EXPECT_EQ(NameOf("C:\\Docs\\Budget 2026.docx"), "Budget 2026.docx");
    EXPECT_EQ(NameOf("/home/u/a.docx"), "a.docx");
    EXPECT_EQ(NameOf("a.docx"), "a.docx");
    EXPECT_EQ(NameOf("/home/u/"), "");
    EXPECT_EQ(FolderOfPath("C:\\Docs\\Budget 2026.docx"), "C:\\Docs");
    EXPECT_EQ(FolderOfPath("\\\\server\\share\\b.pptx"), "\\\\server\\share");
    EXPECT_EQ(FolderOfPath("/home/u/a.docx"), "/home/u");
    EXPECT_EQ(FolderOfPath("/a.docx"), "/");
    EXPECT_EQ(FolderOfPath("\\a.docx"), "\\");
    EXPECT_EQ(FolderOfPath("a.docx"), "");
    // Each path is its folder, a separator and its name.
    for (const std::string path : {"C:\\Docs\\x.doc", "/srv/share/deep/y.ppt", "\\\\server\\share\\z.odt"})
        EXPECT_EQ(FolderOfPath(path) + path[FolderOfPath(path).size()] + NameOf(path), path);
}
