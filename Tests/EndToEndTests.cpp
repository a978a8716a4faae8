// The built Tovix executable, run as a user runs it.
#include "BitWriter/BitFileWriter.h"
#include "Support/ReferenceCSource.h"
#include "Support/RunProgram.h"
#include "Support/TestCases.h"
#include "Support/TestFiles.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using tovix::bitfile::BitFileWriter;
using tovix::testing::LoadFailureReport;
using tovix::testing::ReadFile;
using tovix::testing::RunOptions;
using tovix::testing::RunProgram;
using tovix::testing::RunResult;
using tovix::testing::TempDir;
using tovix::testing::WithPlatformLineEnds;
using tovix::testing::WriteFile;

namespace {

// Runs the built Tovix. TOVIX_TEST_LAUNCHER, when set, is a command line
// (words separated by spaces) that runs it instead, e.g. under valgrind.
RunResult Tovix(std::vector<std::string> args, const RunOptions& options = {})
{
    args.insert(args.begin(), TOVIX_EXE);
    if (const char* launcher = std::getenv("TOVIX_TEST_LAUNCHER"); launcher != nullptr) {
        std::vector<std::string> words;
        std::istringstream in(launcher);
        for (std::string word; in >> word;) {
            words.push_back(word);
        }
        args.insert(args.begin(), words.begin(), words.end());
    }
    return RunProgram(args, options);
}

// Bytes 01 02 03 ... : word k reads back as a recognisable little-endian value.
std::vector<std::uint8_t> CountingBytes(std::size_t length)
{
    std::vector<std::uint8_t> bytes(length);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{1});
    return bytes;
}

std::string WriteBitFile(const TempDir& dir, const std::string& name,
                         std::span<const std::uint8_t> data, std::string_view part = "7a35tcpg236")
{
    const std::string path = dir / name;
    EXPECT_TRUE(BitFileWriter().Preamble().Text('a', "top;UserID=0XFFFFFFFF").Text('b', part)
                    .Text('c', "2026/12/11").Text('d', "12:00:00").Data(data).WriteTo(path));
    return path;
}

const std::string usage = WithPlatformLineEnds("Tovix\n\nUsage:\n\n    Tovix <bitfile> <cfile>\n\n");

// ----------------------------------------------------------------- usage

TEST(Usage, IsPrintedForAnyOtherArgumentCount)
{
    TempDir dir;
    const std::string bitfile = WriteBitFile(dir, "in.bit", CountingBytes(8));
    const std::string cfile = dir / "out.c";
    const std::vector<std::vector<std::string>> argumentLists = {
        {},
        {bitfile},
        {bitfile, cfile, "extra"},
        {bitfile, cfile, "extra", "more"},
    };
    for (const auto& args : argumentLists) {
        const RunResult run = Tovix(args);
        EXPECT_EQ(run.exitCode, 1) << args.size() << " arguments";
        EXPECT_EQ(run.output, usage) << args.size() << " arguments";
        EXPECT_FALSE(fs::exists(cfile));
    }
}

// -------------------------------------------------------------- failures

struct FailureCase {
    const char* name;
    // Prepares the directory; returns the bitfile and cfile arguments.
    std::pair<std::string, std::string> (*arrange)(const TempDir& dir);
    std::string output;
};

const FailureCase failureCases[] = {
    {"MissingBitfile",
     [](const TempDir& dir) { return std::pair{dir / "missing.bit", dir / "out.c"}; },
     LoadFailureReport("0x00008007", "File not found")},
    {"OtherPart",
     [](const TempDir& dir) {
         return std::pair{WriteBitFile(dir, "z.bit", CountingBytes(8), "7z010clg400"), dir / "out.c"};
     },
     LoadFailureReport("0x0000800f", "The configuration part type does not match the FPGA fitted to this board")},
    {"NotABitstream",
     [](const TempDir& dir) {
         WriteFile(dir / "text.bit", "just some text\n");
         return std::pair{dir / "text.bit", dir / "out.c"};
     },
     LoadFailureReport("0x00008009", "File format is not recognised")},
    {"EmptyBitfile",
     [](const TempDir& dir) {
         WriteFile(dir / "empty.bit", "");
         return std::pair{dir / "empty.bit", dir / "out.c"};
     },
     LoadFailureReport("0x00008009", "File format is not recognised")},
    // A valid head, then a hole: sparse, so the test costs no disk space.
    {"BitfileOf4GiB",
     [](const TempDir& dir) {
         const std::string bitfile = WriteBitFile(dir, "huge.bit", CountingBytes(8));
         fs::resize_file(bitfile, std::uintmax_t{1} << 32);
         return std::pair{bitfile, dir / "out.c"};
     },
     LoadFailureReport("0x00008008", "Error while reading file")},
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class Failure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(Failure, ReportsAndLeavesNoNewFile)
{
    TempDir dir;
    const auto [bitfile, cfile] = GetParam().arrange(dir);
    const RunResult run = Tovix({bitfile, cfile});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.output, GetParam().output);
    EXPECT_FALSE(fs::exists(cfile));
}

TEST_P(Failure, LeavesAnExistingFileUnchanged)
{
    TempDir dir;
    const auto [bitfile, cfile] = GetParam().arrange(dir);
    WriteFile(cfile, "previous contents\n");
    const RunResult run = Tovix({bitfile, cfile});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.output, GetParam().output);
    EXPECT_EQ(ReadFile(cfile), "previous contents\n");
}

INSTANTIATE_TEST_SUITE_P(Runs, Failure, ::testing::ValuesIn(failureCases),
                         tovix::testing::CaseName());

TEST(Failure, CfileInAMissingDirectoryCannotBeOpened)
{
    TempDir dir;
    const std::string cfile = dir / "no-such-dir/out.c";
    const RunResult run = Tovix({WriteBitFile(dir, "in.bit", CountingBytes(8)), cfile});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.output, WithPlatformLineEnds("**** Tovix - Could not open output file\n"));
    EXPECT_FALSE(fs::exists(cfile));
}

TEST(Failure, CfileThatIsADirectoryCannotBeOpened)
{
    TempDir dir;
    const std::string bitfile = WriteBitFile(dir, "in.bit", CountingBytes(8));
    fs::create_directory(dir / "out.c");
    const RunResult run = Tovix({bitfile, dir / "out.c"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.output, WithPlatformLineEnds("**** Tovix - Could not open output file\n"));
    EXPECT_TRUE(fs::is_directory(dir / "out.c"));
}

#ifndef _WIN32
// True when the node can be opened for writing: a container may let a node
// be made but not opened.
bool DeviceAcceptsOpen(const std::string& path)
{
    const int fd = open(path.c_str(), O_WRONLY);
    if (fd < 0) {
        return false;
    }
    close(fd);
    return true;
}

// A full disk, simulated by a file size limit: the write fails part way,
// and the partial file is removed, also when it existed before.
TEST(WriteFailure, RemovesThePartialFile)
{
    TempDir dir;
    const std::string bitfile = WriteBitFile(dir, "in.bit", tovix::bitfile::SampleConfigData(400000));
    for (const std::uint64_t limit : {0u, 4096u, 100000u, 1000000u}) {
        for (const bool existed : {false, true}) {
            const std::string cfile = dir / "out.c";
            if (existed) {
                WriteFile(cfile, "previous contents\n");
            }
            const RunResult run = Tovix({bitfile, cfile}, {.fileSizeLimit = limit});
            EXPECT_EQ(run.exitCode, 1) << limit;
            EXPECT_EQ(run.output, "**** Tovix - Could not write output file\n") << limit;
            EXPECT_FALSE(fs::exists(cfile)) << limit << (existed ? " existed" : " new");
        }
    }
}

// A device is never removed, even when writing to it fails. The device is a
// private node of the full kind (every write fails with ENOSPC) where one
// can be made, so that a regression cannot remove the system's /dev/full.
TEST(WriteFailure, NeverRemovesADevice)
{
    TempDir dir;
    std::string device = dir / "full";
    if (mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0 || !DeviceAcceptsOpen(device)) {
        device = "/dev/full";
    }
    if (!fs::is_character_file(device)) {
        GTEST_SKIP() << "no device of the full kind here";
    }
    const RunResult run = Tovix({WriteBitFile(dir, "in.bit", CountingBytes(64)), device});
    EXPECT_EQ(run.exitCode, 1) << device;
    EXPECT_EQ(run.output, "**** Tovix - Could not write output file\n") << device;
    EXPECT_TRUE(fs::is_character_file(device)) << device;
}
#endif

// ---------------------------------------------------------------- layout

std::string commentAndInclude(const std::string& bitfile)
{
    return "/*\n * File automatically generated by Tovix from '" + bitfile +
           "'\n */\n#include <stdint.h>\n";
}

struct LayoutCase {
    std::size_t length;
    const char* lengthLine;
    const char* array; // from the opening brace on
};

// Data bytes are 01 02 03 ..., so words read 0x04030201, 0x08070605, ...
const LayoutCase layoutCases[] = {
    {0, "0x00000000", "{\n};\n"},
    {1, "0x00000001", "{\n};\n"},
    {2, "0x00000002", "{\n};\n"},
    {3, "0x00000003", "{\n};\n"},
    {4, "0x00000004", "{\n    0x04030201\n};\n"},
    {5, "0x00000005", "{\n    0x04030201\n};\n"},
    {6, "0x00000006", "{\n    0x04030201\n};\n"},
    {7, "0x00000007", "{\n    0x04030201\n};\n"},
    {8, "0x00000008", "{\n    0x04030201, 0x08070605\n};\n"},
    {9, "0x00000009", "{\n    0x04030201, 0x08070605\n};\n"},
    {16, "0x00000010", "{\n    0x04030201, 0x08070605, 0x0c0b0a09, 0x100f0e0d\n};\n"},
    {17, "0x00000011", "{\n    0x04030201, 0x08070605, 0x0c0b0a09, 0x100f0e0d\n};\n"},
    {20, "0x00000014",
     "{\n    0x04030201, 0x08070605, 0x0c0b0a09, 0x100f0e0d, \n    0x14131211\n};\n"},
};

void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.length << " bytes"; }

class Layout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(Layout, IsExact)
{
    const LayoutCase& c = GetParam();
    TempDir dir;
    const std::string bitfile = WriteBitFile(dir, "in.bit", CountingBytes(c.length));
    const std::string cfile = dir / "image.c";
    const RunResult run = Tovix({bitfile, cfile});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(ReadFile(cfile),
              WithPlatformLineEnds(commentAndInclude(bitfile) + "uint32_t imageLength = " +
                                   c.lengthLine + ";\nuint32_t imageImage[] = " + c.array));
}

INSTANTIATE_TEST_SUITE_P(Lengths, Layout, ::testing::ValuesIn(layoutCases),
                         [](const auto& info) { return "Length" + std::to_string(info.param.length); });

// Long data crosses the writer's internal chunks; every byte must survive.
TEST(Layout, LargeDataMatchesTheReference)
{
    TempDir dir;
    for (const std::size_t length : {65536u, 1000003u}) {
        const auto data = tovix::bitfile::SampleConfigData(length);
        const std::string bitfile = WriteBitFile(dir, "big.bit", data);
        const RunResult run = Tovix({bitfile, dir / "big.c"});
        ASSERT_EQ(run.exitCode, 0) << run.output;
        EXPECT_EQ(ReadFile(dir / "big.c"),
                  WithPlatformLineEnds(tovix::testing::ReferenceCSource(bitfile, "big", data)))
            << length;
    }
}

// ----------------------------------------------------------------- naming

struct CommentCase {
    std::string typed;  // the bitfile argument
    std::string quoted; // as it stands in the comment
};

struct NamingCase {
    const char* cfile; // relative to the test directory
    const char* prefix;
};

const NamingCase namingCases[] = {
    {"image.c", "image"},
    {"out/image.c", "image"},
    {"image", "image"},
    {"image.ext.c", "image.ext"},
    {"a.b/c", "c"},
    {".c", ""},
};

TEST(Naming, DeclarationsTakeTheBaseName)
{
    TempDir dir;
    const std::string bitfile = WriteBitFile(dir, "in.bit", CountingBytes(4));
    for (const NamingCase& c : namingCases) {
        const fs::path cfile = dir.path() / c.cfile;
        fs::create_directories(cfile.parent_path());
        const RunResult run = Tovix({bitfile, c.cfile}, {.workingDirectory = dir.path().string()});
        ASSERT_EQ(run.exitCode, 0) << c.cfile << ": " << run.output;
        const std::string prefix = c.prefix;
        EXPECT_EQ(ReadFile(cfile),
                  WithPlatformLineEnds(commentAndInclude(bitfile) + "uint32_t " + prefix +
                                       "Length = 0x00000004;\nuint32_t " + prefix +
                                       "Image[] = {\n    0x04030201\n};\n"))
            << c.cfile;
    }
}

// The comment quotes the bitfile as typed, relative or absolute.
TEST(Naming, CommentQuotesTheBitfileAsTyped)
{
    TempDir dir;
    fs::create_directories(dir.path() / "sub");
    const std::string absolute = WriteBitFile(dir, "sub/in.bit", CountingBytes(4));
    for (const std::string& typed : {std::string("sub/in.bit"), std::string("./sub/../sub/in.bit"), absolute}) {
        const RunResult run = Tovix({typed, "out.c"}, {.workingDirectory = dir.path().string()});
        ASSERT_EQ(run.exitCode, 0) << run.output;
        EXPECT_EQ(ReadFile(dir / "out.c"),
                  WithPlatformLineEnds(tovix::testing::ReferenceCSource(typed, "out", CountingBytes(4))));
    }
}

#ifdef _WIN32
// Paths that Windows itself resolves: a drive with a relative path after it
// ("C:image.c" is image.c in the current directory of drive C:), backslash
// separators, and a full path. Each file lands where Windows puts it, and
// the declarations still take its base name.
TEST(Naming, WindowsPathsReachTheirFiles)
{
    TempDir dir;
    fs::create_directories(dir.path() / "out");
    const std::string bitfile = WriteBitFile(dir, "in.bit", CountingBytes(4));
    // The test directory's own drive ("C:" under Wine), since a drive-relative
    // path is relative to the current directory only on the current drive.
    const std::string drive = dir.path().root_name().string();
    ASSERT_EQ(drive.size(), 2u) << dir.path();
    struct WindowsPathCase {
        std::string cfile;
        const char* written; // where the file must land, in the test directory
    };
    const WindowsPathCase cases[] = {
        {drive + "image.c", "image.c"},
        {"out\\image.c", "out/image.c"},
        {drive + "out\\image.c", "out/image.c"},
        {".\\out/..\\image.c", "image.c"},
        {fs::path(dir.path() / "out" / "image.c").make_preferred().string(), "out/image.c"},
    };
    const std::string expected =
        WithPlatformLineEnds(tovix::testing::ReferenceCSource(bitfile, "image", CountingBytes(4)));
    for (const WindowsPathCase& c : cases) {
        const fs::path written = dir.path() / c.written;
        fs::remove(written);
        const RunResult run = Tovix({bitfile, c.cfile}, {.workingDirectory = dir.path().string()});
        ASSERT_EQ(run.exitCode, 0) << c.cfile << ": " << run.output;
        EXPECT_EQ(ReadFile(written), expected) << c.cfile;
    }
}

// The shared tables compare through WithPlatformLineEnds; this pins, byte
// for byte, what that means here: CR LF in the C file and on standard output.
TEST(LineEnds, AreCarriageReturnLineFeedOnWindows)
{
    TempDir dir;
    const std::string bitfile = WriteBitFile(dir, "in.bit", CountingBytes(5));
    RunResult run = Tovix({bitfile, dir / "x.c"});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(ReadFile(dir / "x.c"), "/*\r\n * File automatically generated by Tovix from '" + bitfile +
                                         "'\r\n */\r\n#include <stdint.h>\r\n"
                                         "uint32_t xLength = 0x00000005;\r\n"
                                         "uint32_t xImage[] = {\r\n    0x04030201\r\n};\r\n");
    run = Tovix({});
    EXPECT_EQ(run.output, "Tovix\r\n\r\nUsage:\r\n\r\n    Tovix <bitfile> <cfile>\r\n\r\n");
}
#endif

#ifndef _WIN32
// '*' cannot stand in a Windows file name, so this runs on POSIX only; the
// writer's own test covers the escaping everywhere. The second name closes
// the comment only after the compiler has spliced its lines.
TEST(Naming, BitfileNameCannotCloseTheComment)
{
    const CommentCase cases[] = {
        {"x*/y*/top.bit", "x*\\/y*\\/top.bit"},
        {"x*\\\n/y*/top.bit", "x*\\\n\\/y*\\/top.bit"},
    };
    for (const CommentCase& c : cases) {
        TempDir dir;
        fs::create_directories((dir.path() / c.typed).parent_path());
        WriteBitFile(dir, c.typed, CountingBytes(4));
        const RunResult run = Tovix({c.typed, "out.c"}, {.workingDirectory = dir.path().string()});
        ASSERT_EQ(run.exitCode, 0) << run.output;
        EXPECT_EQ(ReadFile(dir / "out.c"),
                  commentAndInclude(c.quoted) +
                      "uint32_t outLength = 0x00000004;\nuint32_t outImage[] = {\n    0x04030201\n};\n");
        const std::string compiler = TOVIX_HOST_C_COMPILER;
        if (!compiler.empty()) {
            const RunResult compile = RunProgram({compiler, "-std=c99", "-Wall", "-Werror", "-c",
                                                  dir / "out.c", "-o", dir / "out.o"});
            EXPECT_EQ(compile.exitCode, 0) << compile.output;
        }
    }
}
#endif

} // namespace
