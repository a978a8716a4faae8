#include "RunProgram.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace tovix::testing {
namespace {

// Appends `arg` so that the C runtime's command-line parser of the child
// gives it back unaltered: quoted when empty or when it holds blanks or
// quotes; inside quotes, a backslash run is doubled before a quote (which
// itself is escaped) and before the closing quote, and kept as it is
// elsewhere.
void AppendArgument(std::string& line, const std::string& arg)
{
    if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) {
        line += arg;
        return;
    }
    line += '"';
    std::size_t backslashes = 0;
    for (const char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            line.append(2 * backslashes + 1, '\\');
        } else {
            line.append(backslashes, '\\');
        }
        backslashes = 0;
        line += c;
    }
    line.append(2 * backslashes, '\\');
    line += '"';
}

// The program name is parsed by other rules: up to the next quote, with no
// backslash escapes, so it is only quoted. A Windows file name holds no '"'.
std::string CommandLine(const std::vector<std::string>& argv)
{
    std::string line = '"' + argv[0] + '"';
    for (std::size_t i = 1; i < argv.size(); ++i) {
        line += ' ';
        AppendArgument(line, argv[i]);
    }
    return line;
}

class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE handle) noexcept : handle_(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { Close(); }

    HANDLE get() const noexcept { return handle_; }
    HANDLE* out() noexcept { return &handle_; }
    bool valid() const noexcept { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    void Close() noexcept
    {
        if (valid()) {
            CloseHandle(handle_);
        }
        handle_ = nullptr;
    }

private:
    HANDLE handle_ = nullptr;
};

} // namespace

RunResult RunProgram(const std::vector<std::string>& argv, const RunOptions& options)
{
    // options.fileSizeLimit has no Windows counterpart; the tests that need
    // it run on POSIX only.
    RunResult result;
    if (argv.empty()) {
        return result;
    }

    SECURITY_ATTRIBUTES inheritable{};
    inheritable.nLength = sizeof inheritable;
    inheritable.bInheritHandle = TRUE;

    // Standard output through a pipe, whose reading end stays with us.
    Handle readEnd;
    Handle writeEnd;
    if (!CreatePipe(readEnd.out(), writeEnd.out(), &inheritable, 0) ||
        !SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0)) {
        return result;
    }
    Handle input(CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                             OPEN_EXISTING, 0, nullptr));

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.get();
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);

    std::string line = CommandLine(argv);
    PROCESS_INFORMATION process{};
    const char* directory = options.workingDirectory.empty() ? nullptr : options.workingDirectory.c_str();
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, directory, &startup,
                        &process)) {
        return result;
    }
    const Handle processHandle(process.hProcess);
    const Handle threadHandle(process.hThread);
    // Only the child may hold the writing end now, so that the reads below
    // end when it exits.
    writeEnd.Close();
    input.Close();

    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(readEnd.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
        result.output.append(buffer, got);
    }

    DWORD exitCode = 0;
    if (WaitForSingleObject(processHandle.get(), INFINITE) == WAIT_OBJECT_0 &&
        GetExitCodeProcess(processHandle.get(), &exitCode)) {
        // An unhandled exception ends a process with its NTSTATUS error code
        // (0xC0000005 and the like), which is no normal exit.
        if ((exitCode & 0xC0000000u) != 0xC0000000u) {
            result.exitCode = static_cast<int>(exitCode);
        }
    }
    return result;
}

} // namespace tovix::testing
