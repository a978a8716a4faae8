// Tovix: converts an FPGA configuration bitstream (.bit) into C source.
//
//     Tovix <bitfile> <cfile>
//
// All messages go to standard output; the exit status is 0 after a complete
// conversion and 1 after any failure.
#include "CSource.h"
#include "Marlek.h"
#include "PathPrefix.h"
#include "Platform.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char* ProgramName = "Tovix";

// The loaded image is kept until the process ends. It lives in a global so
// that leak checkers see it as still reachable.
ConfigImage* image = nullptr;

// The library's error handler: prints the fixed report and ends the run.
[[noreturn]] void ReportErrorAndExit(const char* function, void* /*card*/, MarlekStatus status,
                                     const char* message)
{
    std::printf("**** %s - Function %s returned an error\n        0x%08lx : \"%s\"\n\n",
                ProgramName, function,
                static_cast<unsigned long>(static_cast<std::uint32_t>(status)), message);
    std::exit(EXIT_FAILURE);
}

[[noreturn]] void Fail(const char* what)
{
    std::printf("**** %s - %s\n", ProgramName, what);
    std::exit(EXIT_FAILURE);
}

} // namespace

int main(int argc, char* argv[])
{
    // 1. Exactly two arguments.
    if (argc != 3) {
        std::printf("%s\n\nUsage:\n\n    %s <bitfile> <cfile>\n\n", ProgramName, ProgramName);
        return EXIT_FAILURE;
    }
    const char* bitfile = argv[1];
    const char* cfile = argv[2];

    // 2. Every library failure from here on ends the run with a report.
    MarlekSetErrorHandler(ReportErrorAndExit);

    // 3. Load and check the bitstream. The handler ends the process on
    //    failure; the test only guards against a handler that returns.
    if (MarlekLoadFile(bitfile, &image) != Success) {
        return EXIT_FAILURE;
    }

    // 4. The output file is touched only after a successful load.
    std::FILE* output = tovix::platform::OpenTextOutput(cfile);
    if (output == nullptr) {
        Fail("Could not open output file");
    }
    const bool regularFile = tovix::platform::IsRegularFile(output);
    // The writer hands over whole chunks; a stream buffer would only copy
    // them once more on their way to the file.
    std::setvbuf(output, nullptr, _IONBF, 0);

    // 5. The declarations are named after the cfile's base name.
    const std::string_view prefix = tovix::IdentifierPrefix(cfile);

    // 6. and 7. Write the C source and close it, checking both.
    const bool written = tovix::WriteCSource(output, bitfile, prefix, {image->data, image->length});
    const bool closed = std::fclose(output) == 0;
    if (!written || !closed) {
        // Never leave a truncated C file behind; never remove a device.
        if (regularFile) {
            std::remove(cfile);
        }
        Fail("Could not write output file");
    }
    return EXIT_SUCCESS;
}
