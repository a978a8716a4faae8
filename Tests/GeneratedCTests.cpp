// The generated C, compiled by the system C compiler and read back, and the
// conversion of real public bitstreams.
#include "BitWriter/BitFileWriter.h"
#include "Support/ReferenceCSource.h"
#include "Support/RunProgram.h"
#include "Support/TestCases.h"
#include "Support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using tovix::bitfile::BitFileWriter;
using tovix::testing::ReadFile;
using tovix::testing::RunProgram;
using tovix::testing::RunResult;
using tovix::testing::TempDir;
using tovix::testing::WithPlatformLineEnds;
using tovix::testing::WriteFile;

namespace {

// Reads the payload back out of the compiled array and compares it, byte by
// byte, with the raw payload file named on its command line.
constexpr const char* checkerSource = R"(#include <stdint.h>
#include <stdio.h>

extern uint32_t payloadLength;
extern uint32_t payloadImage[];

int main(int argc, char **argv)
{
    FILE *raw = argc == 2 ? fopen(argv[1], "rb") : NULL;
    uint32_t i, words = payloadLength / 4;
    int c;
    if (raw == NULL) {
        return 2;
    }
    for (i = 0; i < 4 * words; ++i) {
        c = fgetc(raw);
        if (c == EOF || (unsigned)c != ((payloadImage[i / 4] >> (8 * (i % 4))) & 0xFFu)) {
            printf("mismatch at byte %lu\n", (unsigned long)i);
            return 1;
        }
    }
    for (; fgetc(raw) != EOF; ++i) {
    }
    if (i != payloadLength) {
        printf("length %lu, payload %lu\n", (unsigned long)payloadLength, (unsigned long)i);
        return 1;
    }
    printf("%lu bytes match\n", (unsigned long)i);
    return 0;
}
)";

class GeneratedC : public ::testing::TestWithParam<std::size_t> {};

TEST_P(GeneratedC, CompilesAndReadsBackThePayload)
{
    const std::string compiler = TOVIX_HOST_C_COMPILER;
    if (compiler.empty()) {
        GTEST_SKIP() << "no host C compiler for this build";
    }
    TempDir dir;
    const auto data = tovix::bitfile::SampleConfigData(GetParam());
    ASSERT_TRUE(tovix::bitfile::Sample7a35t(data).WriteTo(dir / "payload.bit"));
    WriteFile(dir / "payload.bin", tovix::testing::AsString(data));
    WriteFile(dir / "checker.c", checkerSource);

    RunResult run = RunProgram({TOVIX_EXE, dir / "payload.bit", dir / "payload.c"});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    run = RunProgram({compiler, "-std=c99", "-Wall", "-Werror", dir / "payload.c", dir / "checker.c",
                      "-o", dir / "checker"});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    run = RunProgram({dir / "checker", dir / "payload.bin"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output, std::to_string(data.size()) + " bytes match\n");
}

INSTANTIATE_TEST_SUITE_P(Lengths, GeneratedC,
                         ::testing::Values(4, 1001, tovix::bitfile::FullConfigLength7a35t));

// -------------------------------------------------- real public bitstreams

struct RealBitstream {
    const char* file;
    std::size_t dataOffset; // where the 'e' data starts
    std::size_t dataLength;
    const char* failure;    // the report's status line, or null on success
};

const RealBitstream realBitstreams[] = {
    {"arty-a7-35-counter4bit.bit", 108, 2192012, nullptr},
    {"basys3-blinky-openxc7.bit", 104, 2192012, nullptr},
    {"basys3-counter-compressed.bit", 113, 275024, nullptr},
    {"cmod-a7-35-mandelbrot.bit", 115, 2192012, nullptr},
    {"nexys-a7-100t-counter.bit", 100, 3825788, "0x0000800f"},
    {"zybo-7z010-blinky.bit", 115, 2083740, "0x0000800f"},
};

void PrintTo(const RealBitstream& c, std::ostream* os) { *os << c.file; }

class RealBitstreams : public ::testing::TestWithParam<RealBitstream> {};

TEST_P(RealBitstreams, ConvertOrReportTheirPart)
{
    const fs::path bitfile = fs::path(TOVIX_BITSTREAMS_DIR) / GetParam().file;
    if (!fs::exists(bitfile)) {
        GTEST_SKIP() << "the shared bitstreams are not here: " << bitfile;
    }
    TempDir dir;
    const std::string cfile = dir / "bitstream.c";
    const RunResult run = RunProgram({TOVIX_EXE, bitfile.string(), cfile});
    if (GetParam().failure != nullptr) {
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.output,
                  tovix::testing::LoadFailureReport(
                      GetParam().failure,
                      "The configuration part type does not match the FPGA fitted to this board"));
        EXPECT_FALSE(fs::exists(cfile));
        return;
    }
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const std::string raw = ReadFile(bitfile);
    ASSERT_EQ(raw.size(), GetParam().dataOffset + GetParam().dataLength);
    const std::vector<std::uint8_t> data(raw.begin() + static_cast<std::ptrdiff_t>(GetParam().dataOffset), raw.end());
    EXPECT_EQ(ReadFile(cfile),
              WithPlatformLineEnds(tovix::testing::ReferenceCSource(bitfile.string(), "bitstream", data)));
}

INSTANTIATE_TEST_SUITE_P(Shared, RealBitstreams, ::testing::ValuesIn(realBitstreams),
                         [](const auto& info) {
                             std::string name = info.param.file;
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) {
                                     c = '_';
                                 }
                             }
                             return name;
                         });

} // namespace
