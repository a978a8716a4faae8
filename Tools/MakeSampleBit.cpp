// Writes a well-formed sample 7a35t bitstream, for the README's example run,
// the tests and the benchmarks.
//
//     MakeSampleBit <bitfile> [data-length]
//
// The data length defaults to a full 7a35t configuration (2,192,012 bytes).
#include "BitWriter/BitFileWriter.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char* argv[])
{
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: MakeSampleBit <bitfile> [data-length]\n");
        return EXIT_FAILURE;
    }
    std::uint32_t length = tovix::bitfile::FullConfigLength7a35t;
    if (argc == 3) {
        char* end = nullptr;
        const unsigned long long requested = std::strtoull(argv[2], &end, 10);
        if (*argv[2] == '\0' || *end != '\0' || requested > 0xFFFFFF00ull) {
            std::fprintf(stderr, "MakeSampleBit: bad data length '%s'\n", argv[2]);
            return EXIT_FAILURE;
        }
        length = static_cast<std::uint32_t>(requested);
    }
    const auto data = tovix::bitfile::SampleConfigData(length);
    if (!tovix::bitfile::Sample7a35t(data).WriteTo(argv[1])) {
        std::fprintf(stderr, "MakeSampleBit: cannot write '%s'\n", argv[1]);
        return EXIT_FAILURE;
    }
    std::printf("Wrote %s: 7a35tcpg236, %lu data bytes\n", argv[1], static_cast<unsigned long>(length));
    return EXIT_SUCCESS;
}
