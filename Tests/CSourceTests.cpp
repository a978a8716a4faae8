// The C source writer on its own: the comment, and failing streams.
#include "CSource.h"
#include "Support/ReferenceCSource.h"
#include "Support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using tovix::testing::ReadFile;
using tovix::testing::TempDir;

extern "C" int MarlekUsedFromC(void);

namespace {

std::string Written(std::string_view bitfile, std::span<const std::uint8_t> data = {})
{
    TempDir dir;
    std::FILE* out = std::fopen((dir / "out.c").c_str(), "wb");
    EXPECT_NE(out, nullptr);
    EXPECT_TRUE(tovix::WriteCSource(out, bitfile, "p", data));
    EXPECT_EQ(std::fclose(out), 0);
    return ReadFile(dir / "out.c");
}

struct CommentCase {
    const char* bitfile;
    const char* quoted;
};

TEST(CSourceComment, NoBitfileNameCanCloseIt)
{
    const CommentCase cases[] = {
        {"x*/top.bit", "x*\\/top.bit"},
        {"*/*/", "*\\/*\\/"},
        {"**/", "**\\/"},
        {"a*//b", "a*\\//b"},
        {"*", "*"},
        {"/*", "/*"},
        {"a*\\/b", "a*\\/b"},
        {"C:\\dir\\top.bit", "C:\\dir\\top.bit"},
        {"", ""},
        // Line splices vanish before the compiler looks for "*/".
        {"x*\\\n/y", "x*\\\n\\/y"},
        {"x*\\ \t\r\n\\\n/y", "x*\\ \t\r\n\\\n\\/y"},
        {"x*?\?/\n/y", "x*?\?/\n\\/y"},
        {"x*\\y/", "x*\\y/"},
        {"x*\n/y", "x*\n/y"},
    };
    for (const CommentCase& c : cases) {
        EXPECT_EQ(Written(c.bitfile), tovix::testing::ReferenceCSource(c.quoted, "p", {})) << c.bitfile;
    }
}

// Writes that fail must be seen, whether they fail at once or only when the
// writer hands over its buffered output at the end.
TEST(CSourceWriter, ReportsAFailingStream)
{
    TempDir dir;
    tovix::testing::WriteFile(dir / "read-only.c", "");
    const std::vector<std::uint8_t> data(300000, 0xA5);
    for (const std::size_t length : {std::size_t{0}, std::size_t{16}, data.size()}) {
        std::FILE* readOnly = std::fopen((dir / "read-only.c").c_str(), "rb");
        ASSERT_NE(readOnly, nullptr);
        EXPECT_FALSE(tovix::WriteCSource(readOnly, "in.bit", "p", {data.data(), length})) << length;
        std::fclose(readOnly);
    }
}

TEST(PublicHeader, IsUsableFromC)
{
    EXPECT_TRUE(MarlekUsedFromC());
}

} // namespace
