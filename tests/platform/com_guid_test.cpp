#include <gtest/gtest.h>

#include <map>
#include <unordered_set>

#include "platform/com/guid.h"
#include "platform/com/hresult.h"
#include "platform/com/comerror.h"

namespace {

TEST(ComGuid, ParsesAndFormatsTheBracedForm)
{
    auto guid = ParseGuid("{6f3c2b18-9A47-4e5d-8C21-3b7d90a4e6f2}");
    ASSERT_TRUE(guid.has_value());
    EXPECT_EQ(guid->Data1, 0x6F3C2B18u);
    EXPECT_EQ(guid->Data2, 0x9A47u);
    EXPECT_EQ(guid->Data3, 0x4E5Du);
    const std::uint8_t tail[8] = {0x8C, 0x21, 0x3B, 0x7D, 0x90, 0xA4, 0xE6, 0xF2};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(guid->Data4[i], tail[i]) << i;
    // Formatting writes upper case, so the round trip normalises the case.
    EXPECT_EQ(GuidToString(*guid), "{6F3C2B18-9A47-4E5D-8C21-3B7D90A4E6F2}");
    EXPECT_EQ(ParseGuid(GuidToString(*guid)), guid);

    EXPECT_EQ(GuidToString(GUID_NULL), "{00000000-0000-0000-0000-000000000000}");
    constexpr GUID literal = GuidLiteral("{00020400-0000-0000-C000-000000000046}");
    static_assert(literal.Data1 == 0x00020400 && literal.Data4[0] == 0xC0 && literal.Data4[7] == 0x46);
    EXPECT_EQ(GuidToString(literal), "{00020400-0000-0000-C000-000000000046}");
}

TEST(ComGuid, RejectsMalformedText)
{
    const char* bad[] = {
        "",
        "6F3C2B18-9A47-4E5D-8C21-3B7D90A4E6F2",     // no braces
        "{6F3C2B18-9A47-4E5D-8C21-3B7D90A4E6F2",    // no closing brace
        "{6F3C2B18-9A47-4E5D-8C21-3B7D90A4E6F2} ",  // trailing blank
        " {6F3C2B18-9A47-4E5D-8C21-3B7D90A4E6F2}",  // leading blank
        "{6F3C2B18-9A47-4E5D-8C213B7D90A4E6F2-}",   // dash misplaced
        "{6F3C2B18-9A47-4E5D-8C21-3B7D90A4E6G2}",   // not hex
        "{6F3C2B18-9A47-4E5D-8C21-3B7D90A4E6F}",    // one digit short
        "{6F3C2B18-9A47-4E5D-8C21-3B7D90A4E6F22}",  // one digit too many
        "(6F3C2B18-9A47-4E5D-8C21-3B7D90A4E6F2)",   // wrong brackets
        "{+F3C2B18-9A47-4E5D-8C21-3B7D90A4E6F2}",   // sign is no digit
    };
    for (const char* text : bad) EXPECT_FALSE(ParseGuid(text).has_value()) << text;
}

TEST(ComGuid, OrdersAndHashesForContainers)
{
    GUID a = GuidLiteral("{00000001-0000-0000-C000-000000000046}");
    GUID b = GuidLiteral("{00000101-0000-0000-C000-000000000046}");
    GUID c = GuidLiteral("{00000001-0000-0000-C000-000000000047}");
    EXPECT_NE(a, b);
    EXPECT_NE(a, c);
    EXPECT_TRUE(a < b);
    std::map<GUID, int> ordered{{a, 1}, {b, 2}, {c, 3}};
    EXPECT_EQ(ordered.size(), 3u);
    std::unordered_set<GUID> hashed{a, b, c, a};
    EXPECT_EQ(hashed.size(), 3u);
    EXPECT_TRUE(hashed.count(c));
}

TEST(ComResultCodes, HaveTheWindowsValuesAndNames)
{
    EXPECT_EQ(static_cast<std::uint32_t>(E_NOINTERFACE), 0x80004002u);
    EXPECT_EQ(static_cast<std::uint32_t>(E_POINTER), 0x80004003u);
    EXPECT_EQ(static_cast<std::uint32_t>(E_FAIL), 0x80004005u);
    EXPECT_EQ(static_cast<std::uint32_t>(E_INVALIDARG), 0x80070057u);
    EXPECT_EQ(static_cast<std::uint32_t>(DISP_E_PARAMNOTFOUND), 0x80020004u);
    EXPECT_EQ(static_cast<std::uint32_t>(CLASS_E_CLASSNOTAVAILABLE), 0x80040111u);
    EXPECT_EQ(static_cast<std::uint32_t>(CONNECT_E_NOCONNECTION), 0x80040200u);
    EXPECT_EQ(static_cast<std::uint32_t>(REGDB_E_CLASSNOTREG), 0x80040154u);
    EXPECT_TRUE(SUCCEEDED(S_OK));
    EXPECT_TRUE(SUCCEEDED(S_FALSE));
    EXPECT_TRUE(FAILED(E_PENDING));
    EXPECT_FALSE(FAILED(S_FALSE));

    EXPECT_EQ(HResultText(E_FAIL), "E_FAIL (0x80004005)");
    EXPECT_EQ(HResultText(MakeHResult(0x80001234u)), "0x80001234");

    ComError error(DISP_E_TYPEMISMATCH, "Variant conversion");
    EXPECT_EQ(error.Error(), DISP_E_TYPEMISMATCH);
    EXPECT_STREQ(error.what(), "Variant conversion failed: DISP_E_TYPEMISMATCH (0x80020005)");
    EXPECT_EQ(ThrowIfFailed(S_FALSE, "x"), S_FALSE);
    try {
        ThrowIfFailed(E_ACCESSDENIED, "Registry.Write");
        FAIL() << "no exception";
    } catch (const ComError& thrown) {
        EXPECT_EQ(thrown.Error(), E_ACCESSDENIED);
        EXPECT_EQ(thrown.Context(), "Registry.Write");
    }
}

} // namespace
