// The Marlek library: status messages, the error handler and the loader.
#include "BitWriter/BitFileWriter.h"
#include "Marlek.h"
#include "MarlekInternal.h"
#include "Support/TestCases.h"
#include "Support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <utility>
#include <string>
#include <vector>

using tovix::bitfile::BitFileWriter;
using tovix::testing::TempDir;

namespace {

// ---------------------------------------------------------------- messages

struct MessageCase {
    MarlekStatus status;
    const char* message;
};

TEST(StatusMessages, EveryStatusHasItsText)
{
    const MessageCase cases[] = {
        {Success, "Success (no error)"},
        {IllegalCardHandle, "Attempt to use illegal card handle"},
        {StatusOutOfRange, "Status code is out of range"},
        {NullParameter, "NULL was used illegally as one of the parameter values"},
        {DeviceInUse, "The requested device is being used by another application"},
        {CardIdNotFound, "The requested card ID does not correspond to any devices in the system"},
        {DriverInternalError, "An unspecified internal error occurred while communicating with the driver"},
        {OutOfMemory, "Not enough memory to complete the requested operation"},
        {FileNotFound, "File not found"},
        {FileReadError, "Error while reading file"},
        {FileFormatNotRecognised, "File format is not recognised"},
        {TimedOut, "Operation timed out"},
        {DriverNotInstalled, "The device driver has not been installed correctly"},
        {SignalIsInput, "One of the requested signals is an input and cannot be set"},
        {SignalIsOutput, "One of the requested signals is an output and cannot be waited for"},
        {InvalidImageHandle, "The image handle does not point to valid configuration data"},
        {PartTypeMismatch, "The configuration part type does not match the FPGA fitted to this board"},
    };
    ASSERT_EQ(std::size(cases), marlek::StatusMessages.size());
    for (const MessageCase& c : cases) {
        EXPECT_STREQ(marlek::StatusMessage(c.status), c.message) << std::hex << c.status;
    }
}

TEST(StatusMessages, ReservedRangeMapsOntoTheTable)
{
    EXPECT_STREQ(marlek::StatusMessage(0x4001), marlek::StatusMessages[2]);
    EXPECT_STREQ(marlek::StatusMessage(0x400F), marlek::StatusMessages[16]);
}

TEST(StatusMessages, StatusesBeyondTheTableGetTheFallback)
{
    for (const MarlekStatus status :
         {-1, 17, 0x3FFF, 0x4010, 0x7FFF, 0x8010, 0xFFFF, INT32_MIN, INT32_MAX}) {
        EXPECT_STREQ(marlek::StatusMessage(status), "Unknown status") << std::hex << status;
    }
}

// ----------------------------------------------------------------- handler

struct HandlerCall {
    std::string function;
    void* card;
    MarlekStatus status;
    std::string message;
};
std::vector<HandlerCall> firstCalls;
std::vector<HandlerCall> secondCalls;

void FirstHandler(const char* function, void* card, MarlekStatus status, const char* message)
{
    firstCalls.push_back({function, card, status, message});
}
void SecondHandler(const char* function, void* card, MarlekStatus status, const char* message)
{
    secondCalls.push_back({function, card, status, message});
}

class ErrorHandler : public ::testing::Test {
protected:
    void SetUp() override
    {
        firstCalls.clear();
        secondCalls.clear();
    }
    void TearDown() override { MarlekSetErrorHandler(nullptr); }

    // A valid 7a35t file in this test's directory.
    std::string ValidFile()
    {
        const std::uint8_t data[] = {1, 2, 3, 4};
        const std::string path = dir / "good.bit";
        EXPECT_TRUE(BitFileWriter().Text('b', "7a35tcpg236").Data(data).WriteTo(path));
        return path;
    }

    TempDir dir;
};

TEST_F(ErrorHandler, FailureCallsItOnceWithTheOperationAndMessage)
{
    ASSERT_EQ(MarlekSetErrorHandler(FirstHandler), Success);
    ConfigImage* image = nullptr;
    EXPECT_EQ(MarlekLoadFile((dir / "missing.bit").c_str(), &image), FileNotFound);
    ASSERT_EQ(firstCalls.size(), 1u);
    EXPECT_EQ(firstCalls[0].function, "MarlekLoadFile");
    EXPECT_EQ(firstCalls[0].card, nullptr);
    EXPECT_EQ(firstCalls[0].status, FileNotFound);
    EXPECT_EQ(firstCalls[0].message, "File not found");
    EXPECT_EQ(image, nullptr);
}

TEST_F(ErrorHandler, SuccessNeverCallsIt)
{
    MarlekSetErrorHandler(FirstHandler);
    ConfigImage* image = nullptr;
    ASSERT_EQ(MarlekLoadFile(ValidFile().c_str(), &image), Success);
    EXPECT_TRUE(firstCalls.empty());
    std::free(image->data);
    std::free(image);
}

TEST_F(ErrorHandler, SecondRegistrationReplacesTheFirst)
{
    MarlekSetErrorHandler(FirstHandler);
    MarlekSetErrorHandler(SecondHandler);
    ConfigImage* image = nullptr;
    EXPECT_EQ(MarlekLoadFile(nullptr, &image), NullParameter);
    EXPECT_TRUE(firstCalls.empty());
    ASSERT_EQ(secondCalls.size(), 1u);
    EXPECT_EQ(secondCalls[0].status, NullParameter);
    EXPECT_EQ(secondCalls[0].message, "NULL was used illegally as one of the parameter values");
}

TEST_F(ErrorHandler, NullSilencesReporting)
{
    MarlekSetErrorHandler(FirstHandler);
    EXPECT_EQ(MarlekSetErrorHandler(nullptr), Success);
    EXPECT_EQ(MarlekLoadFile(ValidFile().c_str(), nullptr), NullParameter);
    EXPECT_TRUE(firstCalls.empty());
}

// ------------------------------------------------------------------ loader

std::vector<std::uint8_t> Bytes(std::string_view text)
{
    return {text.begin(), text.end()};
}

const std::vector<std::uint8_t> eightBytes = {0x10, 0x21, 0x32, 0x43, 0x54, 0x65, 0x76, 0x87};

// The edge-case file of the loader: an 11-character 7a35t part name with its
// zero byte in a 12-byte 'b' field, then 8 data bytes.
BitFileWriter Minimal()
{
    return BitFileWriter().Preamble().Text('b', "7a35tcpg236").Data(eightBytes);
}

// A full 7a35t configuration: its buffer is past 2 MiB, where the memory
// comes from huge pages when the system has them.
const std::vector<std::uint8_t> fullSizeData =
    tovix::bitfile::SampleConfigData(tovix::bitfile::FullConfigLength7a35t);

struct LoadCase {
    const char* name;
    std::vector<std::uint8_t> file;
    MarlekStatus status;
    std::vector<std::uint8_t> data = {}; // the data loaded, on Success
};

const LoadCase loadCases[] = {
    {"EmptyFile", {}, FileFormatNotRecognised},
    {"Minimal", Minimal().bytes(), Success, eightBytes},
    {"DataBeforePartName",
     BitFileWriter().Preamble().Data(eightBytes).Text('b', "7a35tcpg236").bytes(), Success,
     eightBytes},
    {"FullVendorHeader",
     BitFileWriter().Preamble()
         .Text('a', "top;UserID=0XFFFFFFFF;Version=2024.1")
         .Text('b', "7a35tcpg236").Text('c', "2026/12/11").Text('d', "12:00:00")
         .Data(eightBytes).bytes(),
     Success, eightBytes},
    {"PartNameLength16WithPrefix", BitFileWriter().Text('b', "xc7a35tcpg236-1").Data(eightBytes).bytes(),
     Success, eightBytes},
    {"FullSizeData", BitFileWriter().Text('b', "7a35tcpg236").Data(fullSizeData).bytes(), Success,
     fullSizeData},
    {"OtherPart", BitFileWriter().Text('b', "7z010clg400").Data(eightBytes).bytes(),
     PartTypeMismatch},
    {"PartNameLength17", BitFileWriter().Text('b', "7a35t_6789abcdef").Data(eightBytes).bytes(),
     FileFormatNotRecognised},
    // 16 is accepted but takes 15 bytes: the 't' that would complete the part
    // is left to the scan.
    {"PartNameLength16TakesFifteen",
     BitFileWriter().Field('b', 16, "0123456789a7a35t").Data(eightBytes).bytes(),
     PartTypeMismatch},
    {"PartNameLength1IsEmpty", BitFileWriter().Text('b', "").Data(eightBytes).bytes(),
     PartTypeMismatch},
    {"PartNameLength0", BitFileWriter().Field('b', 0).Data(eightBytes).bytes(),
     FileFormatNotRecognised},
    {"PartNameCutShort", BitFileWriter().Data(eightBytes).Field('b', 12).bytes(),
     FileFormatNotRecognised},
    {"PartNameLengthCutShort", BitFileWriter().Data(eightBytes).Bytes({'b', 0}).bytes(),
     FileFormatNotRecognised},
    // The line ends after its line feed; the rest of the field is scanned
    // and here holds the 'e' field itself.
    {"PartNameEndsAtLineFeed",
     BitFileWriter().Field('b', 16, "7a35t\n").DataHeader(2).Bytes("XY").bytes(), Success,
     Bytes("XY")},
    {"DataLongerThanFile", BitFileWriter().Text('b', "7a35tcpg236").DataHeader(1000).bytes(),
     FileFormatNotRecognised},
    {"DataLongerThanRest",
     BitFileWriter().Text('b', "7a35tcpg236").DataHeader(8).Bytes({1, 2, 3}).bytes(),
     FileFormatNotRecognised},
    {"DataLengthCutShort", BitFileWriter().Text('b', "7a35tcpg236").Bytes({'e', 0, 0}).bytes(),
     FileFormatNotRecognised},
    {"EmptyData", BitFileWriter().Text('b', "7a35tcpg236").Data({}).bytes(), Success, {}},
    {"NoData", BitFileWriter().Preamble().Text('b', "7a35tcpg236").bytes(), FileFormatNotRecognised},
    {"NoPartName", BitFileWriter().Preamble().Data(eightBytes).bytes(), FileFormatNotRecognised},
    {"EarlyZeroInA", BitFileWriter().Field('a', 3, {"x\0y", 3}).Bytes(Minimal().bytes()).bytes(),
     FileFormatNotRecognised},
    {"EarlyZeroInC", BitFileWriter().Field('c', 2, {"\0\0", 2}).Bytes(Minimal().bytes()).bytes(),
     FileFormatNotRecognised},
    {"EarlyZeroInD", BitFileWriter().Field('d', 4, {"12\0:", 4}).Bytes(Minimal().bytes()).bytes(),
     FileFormatNotRecognised},
    {"TextWithoutZero", BitFileWriter().Field('d', 3, "xyz").Bytes(Minimal().bytes()).bytes(),
     Success, eightBytes},
    {"EmptyText", BitFileWriter().Field('c', 0).Bytes(Minimal().bytes()).bytes(), Success,
     eightBytes},
    {"TextLongerThanFile", BitFileWriter().Field('a', 0xFFFF, "x").Bytes(Minimal().bytes()).bytes(),
     FileFormatNotRecognised},
    {"TextLengthCutShort", BitFileWriter().Preamble().Bytes({'a', 0}).bytes(),
     FileFormatNotRecognised},
    {"TextRunsPastEnd", BitFileWriter().Text('b', "7a35tcpg236").Field('d', 9, "12:").bytes(),
     FileFormatNotRecognised},
    // Nothing after the later required field is read, however broken.
    {"StopsAfterBothFields",
     BitFileWriter().Bytes(Minimal().bytes()).Field('a', 0xFFFF).DataHeader(0xFFFFFFFF).bytes(),
     Success, eightBytes},
    {"LaterPartNameReplaces",
     BitFileWriter().Text('b', "7z010clg400").Text('b', "7a35tcpg236").Data(eightBytes).bytes(),
     Success, eightBytes},
    {"LaterPartNameReplacesGoodOne",
     BitFileWriter().Text('b', "7a35tcpg236").Text('b', "7z010clg400").Data(eightBytes).bytes(),
     PartTypeMismatch},
    {"LaterDataReplaces",
     BitFileWriter().Data(Bytes("old data")).Data(Bytes("new")).Text('b', "7a35t").bytes(), Success,
     Bytes("new")},
    {"BytesBetweenFieldsSkipped",
     BitFileWriter().Bytes({0x60, 0x66, 0xff, 0x00}).Text('b', "7a35t").Bytes("xyz").Data(eightBytes).bytes(),
     Success, eightBytes},
};

void PrintTo(const LoadCase& c, std::ostream* os) { *os << c.name; }

class Loader : public ::testing::TestWithParam<LoadCase> {
protected:
    TempDir dir;
};

TEST_P(Loader, LoadsOrRejects)
{
    const LoadCase& c = GetParam();
    const std::string path = dir / "case.bit";
    ASSERT_TRUE(BitFileWriter().Bytes(c.file).WriteTo(path));

    ConfigImage sentinel{};
    ConfigImage* image = &sentinel;
    ASSERT_EQ(MarlekLoadFile(path.c_str(), &image), c.status);
    if (c.status != Success) {
        EXPECT_EQ(image, &sentinel) << "out must be left untouched";
        return;
    }
    ASSERT_NE(image, &sentinel);
    EXPECT_EQ(image->magic, 0xDEADBEE0u);
    EXPECT_EQ(image->partType, 1);
    ASSERT_EQ(image->length, c.data.size());
    EXPECT_TRUE(c.data.empty() || std::memcmp(image->data, c.data.data(), c.data.size()) == 0);
    // The padding runs to a multiple of 1,024 with at least 1,024 bytes
    // more; reading all of it is safe only if the buffer really is that big.
    const std::size_t bufferSize = (c.data.size() + 2047) / 1024 * 1024;
    for (std::size_t i = c.data.size(); i < bufferSize; ++i) {
        ASSERT_EQ(image->data[i], 0) << "at " << i;
    }
    std::free(image->data);
    std::free(image);
}

INSTANTIATE_TEST_SUITE_P(Files, Loader, ::testing::ValuesIn(loadCases),
                         tovix::testing::CaseName());

TEST(LoaderBufferSize, IsPaddedToKilobytesWithoutWrapping)
{
    EXPECT_EQ(marlek::DataBufferSize(0), 1024u);
    EXPECT_EQ(marlek::DataBufferSize(8), 2048u);
    EXPECT_EQ(marlek::DataBufferSize(1024), 2048u);
    EXPECT_EQ(marlek::DataBufferSize(1025), 3072u);
    EXPECT_EQ(marlek::DataBufferSize(2192012), 2193408u);
    EXPECT_EQ(marlek::DataBufferSize(0xFFFFFFFF), 0x100000400u);
}

TEST(LoaderArguments, NullFileNameOrOutIsRejected)
{
    TempDir dir;
    const std::string path = dir / "good.bit";
    ASSERT_TRUE(Minimal().WriteTo(path));
    ConfigImage* image = nullptr;
    EXPECT_EQ(MarlekLoadFile(nullptr, &image), NullParameter);
    EXPECT_EQ(MarlekLoadFile(path.c_str(), nullptr), NullParameter);
    EXPECT_EQ(image, nullptr);
}

TEST(LoaderArguments, MissingFileIsNotFound)
{
    TempDir dir;
    ConfigImage* image = nullptr;
    EXPECT_EQ(MarlekLoadFile((dir / "missing.bit").c_str(), &image), FileNotFound);
    EXPECT_EQ(image, nullptr);
}

// ---------------------------------------------------- allocation failures
//
// A leak on any of these paths shows up as a LeakSanitizer report, which
// fails the test under the sanitize preset.

// Fails the allocation numbered `failAt` (from 1; 0 for none) and counts all.
int allocationCount = 0;
int failAt = 0;
void* FailingAllocate(std::size_t size)
{
    return ++allocationCount == failAt ? nullptr : std::malloc(size);
}

// Files whose allocations come in a known order. The repeated fields make a
// later allocation fail while an earlier buffer is still held.
const std::vector<std::uint8_t> minimalFile = Minimal().bytes();
const std::vector<std::uint8_t> dataTwiceThenName =
    BitFileWriter().Data(Bytes("old data")).Data(eightBytes).Text('b', "7a35tcpg236").bytes();
const std::vector<std::uint8_t> nameTwiceThenData =
    BitFileWriter().Text('b', "7z010clg400").Text('b', "7a35tcpg236").Data(eightBytes).bytes();

struct AllocationCase {
    const char* name;
    const std::vector<std::uint8_t>* file;
    int failAt;
    MarlekStatus status;
};

const AllocationCase allocationCases[] = {
    {"Record", &minimalFile, 1, OutOfMemory},
    {"PartName", &minimalFile, 2, OutOfMemory},
    {"DataBuffer", &minimalFile, 3, FileFormatNotRecognised},
    {"FirstData", &dataTwiceThenName, 2, FileFormatNotRecognised},
    {"ReplacingData", &dataTwiceThenName, 3, FileFormatNotRecognised},
    {"PartNameWhileDataHeld", &dataTwiceThenName, 4, OutOfMemory},
    {"FirstPartName", &nameTwiceThenData, 2, OutOfMemory},
    {"ReplacingPartName", &nameTwiceThenData, 3, OutOfMemory},
    {"DataWhilePartNameHeld", &nameTwiceThenData, 4, FileFormatNotRecognised},
};

void PrintTo(const AllocationCase& c, std::ostream* os) { *os << c.name; }

class LoaderAllocation : public ::testing::TestWithParam<AllocationCase> {
protected:
    void SetUp() override
    {
        allocationCount = 0;
        failAt = GetParam().failAt;
        marlek::SetAllocateForTesting(FailingAllocate);
    }
    void TearDown() override { marlek::SetAllocateForTesting(nullptr); }
    TempDir dir;
};

TEST_P(LoaderAllocation, FailureBecomesAStatus)
{
    const std::string path = dir / "case.bit";
    ASSERT_TRUE(BitFileWriter().Bytes(*GetParam().file).WriteTo(path));
    ConfigImage* image = nullptr;
    EXPECT_EQ(MarlekLoadFile(path.c_str(), &image), GetParam().status);
    EXPECT_EQ(image, nullptr);
    EXPECT_EQ(allocationCount, GetParam().failAt) << "the load must stop at the failure";
}

INSTANTIATE_TEST_SUITE_P(EachAllocation, LoaderAllocation, ::testing::ValuesIn(allocationCases),
                         tovix::testing::CaseName());

// The table names every allocation: without a failure, each file loads
// with exactly as many allocations as its last row counts.
TEST(LoaderAllocationTable, CoversEveryAllocation)
{
    TempDir dir;
    const std::pair<const std::vector<std::uint8_t>*, int> files[] = {
        {&minimalFile, 3}, {&dataTwiceThenName, 4}, {&nameTwiceThenData, 4}};
    marlek::SetAllocateForTesting(FailingAllocate);
    for (const auto& [file, allocations] : files) {
        allocationCount = 0;
        failAt = 0;
        const std::string path = dir / "case.bit";
        ASSERT_TRUE(BitFileWriter().Bytes(*file).WriteTo(path));
        ConfigImage* image = nullptr;
        ASSERT_EQ(MarlekLoadFile(path.c_str(), &image), Success);
        EXPECT_EQ(allocationCount, allocations);
        std::free(image->data);
        std::free(image);
    }
    marlek::SetAllocateForTesting(nullptr);
}

// ---------------------------------------------------------- read failures

// A read error part way through the data: the block read delivers only
// `deliver(size)` of the bytes asked for, as fread does when the device
// fails under it.
std::size_t (*deliver)(std::size_t size) = nullptr;
int blockReads = 0;
std::size_t FailingReadBlock(void* data, std::size_t size, std::FILE* file)
{
    ++blockReads;
    return std::fread(data, 1, deliver(size), file);
}

struct ReadFailureCase {
    const char* name;
    std::size_t (*deliver)(std::size_t size);
};

void PrintTo(const ReadFailureCase& c, std::ostream* os) { *os << c.name; }

class LoaderReadFailure : public ::testing::TestWithParam<ReadFailureCase> {
protected:
    void SetUp() override
    {
        blockReads = 0;
        deliver = GetParam().deliver;
        marlek::SetReadBlockForTesting(FailingReadBlock);
    }
    void TearDown() override { marlek::SetReadBlockForTesting(nullptr); }
    TempDir dir;
};

TEST_P(LoaderReadFailure, IsAShortRead)
{
    const std::string path = dir / "case.bit";
    const auto data = tovix::bitfile::SampleConfigData(10000);
    ASSERT_TRUE(BitFileWriter().Text('b', "7a35tcpg236").Data(data).WriteTo(path));
    ConfigImage sentinel{};
    ConfigImage* image = &sentinel;
    EXPECT_EQ(MarlekLoadFile(path.c_str(), &image), FileFormatNotRecognised);
    EXPECT_EQ(image, &sentinel) << "out must be left untouched";
    EXPECT_EQ(blockReads, 1) << "the data is read in one block";
}

INSTANTIATE_TEST_SUITE_P(
    PartWay, LoaderReadFailure,
    ::testing::Values(ReadFailureCase{"AtTheStart", [](std::size_t) -> std::size_t { return 0; }},
                      ReadFailureCase{"InTheMiddle", [](std::size_t size) { return size / 2; }},
                      ReadFailureCase{"AtTheLastByte", [](std::size_t size) { return size - 1; }}),
    tovix::testing::CaseName());

// ------------------------------------------------------------- file size

// A 32-bit size describes files up to 4 GiB - 1 bytes; a larger one is a
// file whose size cannot be had. The files are sparse: a valid head, then
// a hole up to the size, so that only the head is ever read.
TEST(LoaderFileSize, FourGiBOrMoreIsAReadError)
{
    TempDir dir;
    const std::pair<std::uintmax_t, MarlekStatus> cases[] = {
        {0xFFFFFFFFu, Success},
        {0x100000000u, FileReadError},
        {0x100000001u, FileReadError},
        {0x100000000u + 0xFFFFFFFFu, FileReadError},
    };
    for (const auto& [size, status] : cases) {
        const std::string path = dir / "sparse.bit";
        ASSERT_TRUE(Minimal().WriteTo(path));
        std::filesystem::resize_file(path, size);
        ConfigImage* image = nullptr;
        ASSERT_EQ(MarlekLoadFile(path.c_str(), &image), status) << std::hex << size;
        if (status == Success) {
            EXPECT_EQ(image->length, eightBytes.size());
            std::free(image->data);
            std::free(image);
        } else {
            EXPECT_EQ(image, nullptr);
        }
        std::filesystem::remove(path);
    }
}

} // namespace
