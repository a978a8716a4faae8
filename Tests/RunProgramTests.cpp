// The test's own process runner: every end-to-end test relies on it handing
// the arguments over unaltered, which on Windows means quoting them into one
// command line that the child's C runtime splits back.
#include "Support/RunProgram.h"
#include "Support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using tovix::testing::RunProgram;
using tovix::testing::RunResult;
using tovix::testing::TempDir;
using tovix::testing::WithPlatformLineEnds;

namespace {

// The output of PrintArguments after its first line (the working directory).
std::string ArgumentLines(const RunResult& run)
{
    const std::size_t lineEnd = run.output.find('\n');
    return lineEnd == std::string::npos ? std::string() : run.output.substr(lineEnd + 1);
}

TEST(RunProgram, PassesArgumentsUnaltered)
{
    const std::vector<std::string> arguments = {
        "plain",
        "",
        "two words",
        "tab\there",
        " leading and trailing ",
        "quote\"inside",
        "\"",
        "\"\"",
        "trailing\\",
        "trailing space\\ ",
        "back\\\\slashes",
        "\\\"",
        "\\\\\"quoted\\\\\"",
        "C:\\dir with space\\",
        "\\\\server\\share\\x",
        "",
    };
    std::vector<std::string> argv = {TOVIX_PRINT_ARGUMENTS};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const RunResult run = RunProgram(argv);
    EXPECT_EQ(run.exitCode, static_cast<int>(arguments.size()));
    std::string expected;
    for (const std::string& argument : arguments) {
        expected += std::to_string(argument.size()) + ":" + argument + "\n";
    }
    EXPECT_EQ(ArgumentLines(run), WithPlatformLineEnds(expected));
}

TEST(RunProgram, StartsInTheWorkingDirectory)
{
    TempDir dir;
    const RunResult run = RunProgram({TOVIX_PRINT_ARGUMENTS}, {.workingDirectory = dir.path().string()});
    ASSERT_EQ(run.exitCode, 0);
    std::string directory = run.output.substr(0, run.output.find_first_of("\r\n"));
    std::error_code error;
    EXPECT_TRUE(fs::equivalent(directory, dir.path(), error)) << directory << " vs " << dir.path();
}

} // namespace
