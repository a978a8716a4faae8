// Writes the seed corpora of the fuzz targets, so that no binary seed needs
// to live in the repository.
//
//     MakeFuzzSeeds <dir>
//
// fills <dir>/FuzzLoader with small .bit files built field by field (valid
// ones and ones that break each rule) and <dir>/FuzzPrefix with cfile paths.
#include "BitWriter/BitFileWriter.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;
using tovix::bitfile::BitFileWriter;

namespace {

bool WriteSeeds(const fs::path& dir, const std::vector<std::vector<std::uint8_t>>& seeds)
{
    fs::create_directories(dir);
    for (std::size_t i = 0; i < seeds.size(); ++i) {
        const fs::path path = dir / ("seed-" + std::to_string(i));
        if (!BitFileWriter().Bytes(seeds[i]).WriteTo(path.string())) {
            std::fprintf(stderr, "MakeFuzzSeeds: cannot write %s\n", path.string().c_str());
            return false;
        }
    }
    std::printf("Wrote %zu seeds to %s\n", seeds.size(), dir.string().c_str());
    return true;
}

std::vector<std::uint8_t> Text(std::string_view text) { return {text.begin(), text.end()}; }

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: MakeFuzzSeeds <dir>\n");
        return EXIT_FAILURE;
    }
    const fs::path dir = argv[1];
    const auto data = tovix::bitfile::SampleConfigData(96);
    const std::vector<std::uint8_t> eight = {0x10, 0x21, 0x32, 0x43, 0x54, 0x65, 0x76, 0x87};

    const std::vector<std::vector<std::uint8_t>> bitFiles = {
        tovix::bitfile::Sample7a35t(data).bytes(),
        BitFileWriter().Preamble().Text('b', "7a35tcpg236").Data(eight).bytes(),
        BitFileWriter().Data(eight).Text('b', "xc7a35tcpg236-1").bytes(),
        BitFileWriter().Preamble().Text('a', "top;UserID=0XFFFFFFFF").Text('b', "7z010clg400")
            .Text('c', "2026/12/11").Text('d', "12:00:00").Data(data).bytes(),
        BitFileWriter().Field('b', 16, "7a35t\n").DataHeader(2).Bytes("XY").bytes(),
        BitFileWriter().Text('b', "").Data({}).bytes(),
        BitFileWriter().Text('b', "7z010clg400").Text('b', "7a35tcpg236").Data(Text("old"))
            .Data(eight).bytes(),
        BitFileWriter().Field('a', 3, {"x\0y", 3}).Text('b', "7a35t").Data(eight).bytes(),
        BitFileWriter().Field('d', 9, "12:").bytes(),
        BitFileWriter().Text('b', "7a35tcpg236").DataHeader(0xFFFFFFFF).bytes(),
        BitFileWriter().Text('b', "7a35tcpg236").DataHeader(40).Bytes({1, 2, 3}).bytes(),
        BitFileWriter().Bytes({0x60, 0x66, 0xff, 0x00}).Text('b', "7a35t").Bytes("xyz")
            .Data(eight).Field('a', 0xFFFF).bytes(),
    };
    const std::vector<std::vector<std::uint8_t>> paths = {
        Text("image.c"),        Text("out/image.c"),     Text("out\\image.c"),
        Text("C:image.c"),      Text("C:\\work\\out/image.c"), Text("image.ext.c"),
        Text("a.b/c"),          Text(".c"),              Text("C:D:e.c"),
        Text("\x83\x5C.c"),     Text("out\\\x83\x5Cx.c"), Text("dir/\x83"),
    };
    return WriteSeeds(dir / "FuzzLoader", bitFiles) && WriteSeeds(dir / "FuzzPrefix", paths)
               ? EXIT_SUCCESS
               : EXIT_FAILURE;
}
