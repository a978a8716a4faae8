// Naming of the generated declarations from the cfile path.
#include "PathPrefix.h"

#include <gtest/gtest.h>

#include <string>

#ifdef _WIN32
#include <mbctype.h>
#endif

namespace {

struct PrefixCase {
    std::string path;
    std::string prefix;
};

bool NoLeadBytes(unsigned char) { return false; }

// Lead bytes of code page 932 (Shift JIS).
bool ShiftJisLeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

TEST(IdentifierPrefix, IsTheBaseName)
{
    const PrefixCase cases[] = {
        {"image.c", "image"},
        {"out/image.c", "image"},
        {"out\\image.c", "image"},
        {"C:image.c", "image"},
        {"C:\\work\\out/image.c", "image"},
        {"/abs/path/image.c", "image"},
        {"image", "image"},
        {"image.ext.c", "image.ext"},
        {"a.b/c", "c"},
        {".c", ""},
        {"out/.c", ""},
        {"out/", ""},
        {"C:", ""},
        {"", ""},
        {"x", "x"},
        {"ab:c.c", "ab:c"},     // ':' is a drive only as the second character
        {"C:D:e.c", "D:e"},     // and only once
        {"image.", "image"},
        {"my image-1.c", "my image-1"}, // used verbatim, valid identifier or not
    };
    for (const PrefixCase& c : cases) {
        EXPECT_EQ(tovix::IdentifierPrefix(c.path, NoLeadBytes), c.prefix) << c.path;
    }
}

// No part of the path is limited in length: a long directory, base name or
// extension still yields the base name.
TEST(IdentifierPrefix, HasNoLengthLimits)
{
    const std::string longName(300, 'n');
    const std::string longDir = std::string(600, 'd') + "/";
    const PrefixCase cases[] = {
        {longDir + "image.c", "image"},
        {longName + ".c", longName},
        {"image." + longName, "image"},
        {"C:" + longDir + longName + "." + longName, longName},
    };
    for (const PrefixCase& c : cases) {
        EXPECT_EQ(tovix::IdentifierPrefix(c.path, NoLeadBytes), c.prefix) << c.path.size();
    }
}

// A double-byte character whose trail byte is '\\' or '.' is no separator
// and no dot.
TEST(IdentifierPrefix, TakesLeadBytesWithTheirTrailByte)
{
    const PrefixCase cases[] = {
        {"\x83\x5C.c", "\x83\x5C"},
        {"out\\\x83\x5Cx.c", "\x83\x5Cx"},
        {"a\x81.b", "a\x81.b"},
        {"a\x81.b.c", "a\x81.b"},
        {"C:\x83\x5C\\\x83\x5C.c", "\x83\x5C"},
        {"dir/\x83", "\x83"}, // a lead byte at the very end
    };
    for (const PrefixCase& c : cases) {
        EXPECT_EQ(tovix::IdentifierPrefix(c.path, ShiftJisLeadByte), c.prefix) << c.path;
    }
    // Without a double-byte code page the same bytes split as single bytes.
    EXPECT_EQ(tovix::IdentifierPrefix("\x83\x5C.c", NoLeadBytes), "");
}

#ifndef _WIN32
// Tovix never sets a locale, so under POSIX no byte is a lead byte.
TEST(IdentifierPrefix, PlatformHasNoLeadBytesInTheCLocale)
{
    EXPECT_EQ(tovix::IdentifierPrefix("\x83\x5C.c"), "");
    EXPECT_EQ(tovix::IdentifierPrefix("\xE3\x81\x2E"), "\xE3\x81");
}
#else
// Windows: the platform's test follows the active multibyte code page. In
// code page 932 (Shift JIS) 0x83 0x5C is one character, not 0x83 and a
// backslash; in the single-byte code page 1252 the same bytes split there.
TEST(IdentifierPrefix, PlatformFollowsTheMultibyteCodePage)
{
    struct RestoreCodePage {
        int codePage = _getmbcp();
        ~RestoreCodePage() { _setmbcp(codePage); }
    } restore;
    struct CodePageCase {
        int codePage;
        std::string path;
        std::string prefix;
    };
    const CodePageCase cases[] = {
        {932, "\x83\x5C.c", "\x83\x5C"},
        {932, "out\\\x83\x5C\\\x83\x5Cx.c", "\x83\x5Cx"},
        {932, "C:\x83\x5C", "\x83\x5C"},
        {1252, "\x83\x5C.c", ""},
        {1252, "out\\\x83\x5Cx.c", "x"},
    };
    for (const CodePageCase& c : cases) {
        ASSERT_EQ(_setmbcp(c.codePage), 0) << c.codePage;
        EXPECT_EQ(tovix::IdentifierPrefix(c.path), c.prefix) << c.codePage << ": " << c.path;
    }
}
#endif

} // namespace
