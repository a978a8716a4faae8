// Loads at the top of the 32-bit range: an 'e' field of nearly 4 GiB in a
// sparse file of that size. Each case reads 4 GiB into memory, so these run
// under the `heavy` CTest label, apart from the quick default set.
#include "BitWriter/BitFileWriter.h"
#include "Marlek.h"
#include "MarlekInternal.h"
#include "Support/RunProgram.h"
#include "Support/TestCases.h"
#include "Support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <string>
#include <vector>

using tovix::bitfile::BitFileWriter;
using tovix::testing::TempDir;

namespace {

// The largest file whose size a 32-bit count holds.
constexpr std::uint64_t fileSize = 0xFFFFFFFFu;
constexpr std::uint32_t headSize = 13 + 1 + 2 + 12 + 1 + 4; // preamble, 'b', 'e' tag and length
constexpr std::uint32_t dataLength = static_cast<std::uint32_t>(fileSize - headSize);
constexpr char tail[] = "tail";

// The first data bytes: 01 02 03 ... 40.
std::vector<std::uint8_t> Head()
{
    std::vector<std::uint8_t> head(64);
    std::iota(head.begin(), head.end(), std::uint8_t{1});
    return head;
}

// The preamble, 'b' and an 'e' field running to the end of a sparse file of 4 GiB - 1
// bytes: a counting head, a hole of zeros, and "tail" as its last bytes.
std::string WriteNear4GiB(const TempDir& dir, const std::string& part)
{
    const std::string path = dir / "near4gib.bit";
    const auto head = Head();
    BitFileWriter writer;
    writer.Preamble().Text('b', part).DataHeader(dataLength).Bytes(head);
    EXPECT_TRUE(writer.WriteTo(path));
    EXPECT_EQ(std::filesystem::file_size(path), headSize + head.size());
    std::filesystem::resize_file(path, fileSize);
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(fileSize - (sizeof tail - 1)));
    file.write(tail, sizeof tail - 1);
    EXPECT_TRUE(file.flush()) << "cannot write the tail of " << path;
    return path;
}

TEST(Near4GiB, DataLoadsWithItsFullSizeAndPadding)
{
    TempDir dir;
    const std::string path = WriteNear4GiB(dir, "7a35tcpg236");
    ConfigImage* image = nullptr;
    ASSERT_EQ(MarlekLoadFile(path.c_str(), &image), Success);
    ASSERT_EQ(image->length, dataLength);
    const auto head = Head();
    EXPECT_EQ(std::memcmp(image->data, head.data(), head.size()), 0);
    EXPECT_EQ(std::memcmp(image->data + dataLength - (sizeof tail - 1), tail, sizeof tail - 1), 0);
    // The buffer reaches past 4 GiB; a size computed in 32 bits would have
    // wrapped to a few bytes and the block read would have overrun it.
    const std::uint64_t bufferSize = marlek::DataBufferSize(dataLength);
    ASSERT_GT(bufferSize, std::uint64_t{1} << 32);
    for (std::uint64_t i = dataLength; i < bufferSize; ++i) {
        ASSERT_EQ(image->data[i], 0) << "at " << i;
    }
    std::free(image->data);
    std::free(image);
}

TEST(Near4GiB, DataIsReadThenThePartCheckFails)
{
    TempDir dir;
    const std::string path = WriteNear4GiB(dir, "7z010clg400");
    ConfigImage* image = nullptr;
    EXPECT_EQ(MarlekLoadFile(path.c_str(), &image), PartTypeMismatch);
    EXPECT_EQ(image, nullptr);
}

TEST(Near4GiB, ConverterReportsThePartMismatch)
{
    TempDir dir;
    const std::string bitfile = WriteNear4GiB(dir, "7z010clg400");
    const std::string cfile = dir / "out.c";
    const auto run = tovix::testing::RunProgram({TOVIX_EXE, bitfile, cfile});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.output,
              tovix::testing::LoadFailureReport(
                  "0x0000800f",
                  "The configuration part type does not match the FPGA fitted to this board"));
    EXPECT_FALSE(std::filesystem::exists(cfile));
}

} // namespace
