#include "store/fingerprint.h"
#include "store/taggingdatabase.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace quillmark;

namespace {

TEST(Fingerprint, IsTheMd5OfThePathBytes)
{
    // RFC 1321 test suite values.
    EXPECT_EQ(GetMd5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(GetMd5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(GetMd5Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(GetMd5Hex("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
              "57edf4a22be3c955ac49da2e2107b67a");
    // Non-ASCII paths are hashed as their UTF-8 bytes.
    EXPECT_EQ(GetMd5Hex("C:\\\u00C4.doc"), "236af7156844280660dd44de894aedd9");
    EXPECT_EQ(GetMd5Hex("C:\\Reports\\Budget.doc"), "82b9f6748c5288d68a06634fff169fe6");

    const TaggingDatabase db; // the member uses no database state
    EXPECT_EQ(db.GetMd5Hex("C:\\Reports\\Budget.doc"), GetMd5Hex("C:\\Reports\\Budget.doc"));
}

TEST(Fingerprint, CaseSensitiveLowercaseHexAndDistinct)
{
    const std::string paths[] = {"C:\\Docs\\A.doc", "c:\\docs\\a.doc", "\\\\server\\share\\A.doc",
                                 "/home/u/A.doc", "/home/u/\u00C4.doc", "/home/u/\u00E4.doc",
                                 std::string("with\0nul", 8), std::string(10000, 'x')};
    std::set<std::string> seen;
    for (const std::string& path : paths) {
        const std::string hex = GetMd5Hex(path);
        ASSERT_EQ(hex.size(), 32u);
        EXPECT_EQ(hex.find_first_not_of("0123456789abcdef"), std::string::npos) << hex;
        EXPECT_EQ(hex, GetMd5Hex(path)); // stable
        seen.insert(hex);
    }
    EXPECT_EQ(seen.size(), std::size(paths));
}

} // namespace
