// Runs a program as a separate process and captures its standard output.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tovix::testing {

struct RunOptions {
    // The directory the process starts in; empty for the current one.
    std::string workingDirectory = {};
    // A limit on the size of files the process may write (RLIMIT_FSIZE),
    // with SIGXFSZ ignored so that writes past it fail instead.
    std::optional<std::uint64_t> fileSizeLimit = {};
};

struct RunResult {
    int exitCode = -1;   // -1 when the process did not exit normally
    std::string output;  // everything written to standard output
};

// Runs argv[0] with the arguments argv[1..], passed through unaltered.
RunResult RunProgram(const std::vector<std::string>& argv, const RunOptions& options = {});

} // namespace tovix::testing
