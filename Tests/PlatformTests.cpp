// The platform layer, on whichever side this build has: the file size by
// name at the 4 GiB boundary, and regular files told from devices.
#include "Platform.h"
#include "Support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;
using tovix::testing::TempDir;

namespace {

// The sizes are made sparse, so even the largest takes no disk space. A
// 32-bit stat fails from 2 GiB on; a size cut to 32 bits would let the
// last one through as 5.
TEST(PlatformFileSize, IsHadBelow4GiBOnly)
{
    TempDir dir;
    const std::string path = dir / "sized.bin";
    tovix::testing::WriteFile(path, "");
    for (const std::uint64_t size : {std::uint64_t{0}, std::uint64_t{5}, std::uint64_t{0x80000000},
                                     std::uint64_t{0xFFFFFFFF}, std::uint64_t{0x100000000},
                                     std::uint64_t{0x100000005}}) {
        fs::resize_file(path, size);
        std::uint32_t got = 12345;
        if (size <= 0xFFFFFFFF) {
            EXPECT_TRUE(tovix::platform::FileSizeByName(path.c_str(), got)) << size;
            EXPECT_EQ(got, size);
        } else {
            EXPECT_FALSE(tovix::platform::FileSizeByName(path.c_str(), got)) << size;
        }
    }
    std::uint32_t got = 0;
    EXPECT_FALSE(tovix::platform::FileSizeByName((dir / "missing.bin").c_str(), got));
}

TEST(PlatformRegularFile, TellsAFileFromTheNullDevice)
{
#ifdef _WIN32
    const char* nullDevice = "NUL";
#else
    const char* nullDevice = "/dev/null";
#endif
    TempDir dir;
    struct Target {
        std::string path;
        bool regular;
    };
    for (const Target& target : {Target{dir / "out.c", true}, Target{nullDevice, false}}) {
        std::FILE* stream = tovix::platform::OpenTextOutput(target.path.c_str());
        ASSERT_NE(stream, nullptr) << target.path;
        EXPECT_EQ(tovix::platform::IsRegularFile(stream), target.regular) << target.path;
        std::fclose(stream);
    }
}

} // namespace
