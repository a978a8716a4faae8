// The configuration file loader: scans a tagged .bit file for its part name
// and configuration data and checks the part against the supported parts.
#include "MarlekInternal.h"

#include "Platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

namespace marlek {

const std::array<PartType, 1> PartTypeTable = {{
    {"7a35t", 1},
}};

namespace {

AllocateFunction allocateHook = nullptr;
ReadBlockFunction readBlockHook = nullptr;

struct FreeDeleter {
    void operator()(void* block) const noexcept { std::free(block); }
};
template <class T>
using Owned = std::unique_ptr<T, FreeDeleter>;

template <class T>
Owned<T> AllocateOwned(std::size_t size) noexcept
{
    return Owned<T>(static_cast<T*>(Allocate(size)));
}

struct FileCloser {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};

// Byte, bounded-line and block reads over a buffered binary stream. A read
// error ends the stream just as the end of the file does.
class ByteStream {
public:
    explicit ByteStream(std::FILE* file) noexcept : file_(file) {}

    // The next byte, or EOF.
    int Byte() noexcept { return std::getc(file_); }

    // A big-endian unsigned number of `width` bytes; false if the file ends.
    bool Number(int width, std::uint32_t& value) noexcept
    {
        value = 0;
        for (int i = 0; i < width; ++i) {
            const int byte = Byte();
            if (byte == EOF) {
                return false;
            }
            value = (value << 8) | static_cast<std::uint32_t>(byte);
        }
        return true;
    }

    // Takes bytes into `line` until `max` are taken, a line feed is taken or
    // the file ends, then adds a zero terminator. Returns the bytes taken.
    std::size_t Line(char* line, std::size_t max) noexcept
    {
        std::size_t taken = 0;
        while (taken < max) {
            const int byte = Byte();
            if (byte == EOF) {
                break;
            }
            line[taken++] = static_cast<char>(byte);
            if (byte == '\n') {
                break;
            }
        }
        line[taken] = '\0';
        return taken;
    }

    // Reads `size` bytes in one block read; returns the bytes that arrived.
    std::size_t Block(std::uint8_t* data, std::size_t size) noexcept
    {
        return ReadBlock(data, size, file_);
    }

private:
    std::FILE* file_;
};

// 'a', 'c' and 'd': text that is checked and discarded.
MarlekStatus SkipTextField(ByteStream& stream, std::uint32_t fileSize) noexcept
{
    std::uint32_t length = 0;
    if (!stream.Number(2, length) || length > fileSize) {
        return FileFormatNotRecognised;
    }
    for (std::uint32_t i = 1; i <= length; ++i) {
        const int byte = stream.Byte();
        // Only the field's last byte may be its terminator.
        if (byte == EOF || (byte == 0 && i != length)) {
            return FileFormatNotRecognised;
        }
    }
    return Success;
}

// 'b': the part name, read as one bounded text line. Whatever the line leaves
// of the field stays in the stream for the tag scan.
MarlekStatus ReadPartName(ByteStream& stream, Owned<char>& partName) noexcept
{
    constexpr std::uint32_t maxFieldLength = 16;
    std::uint32_t length = 0;
    if (!stream.Number(2, length) || length == 0 || length > maxFieldLength) {
        return FileFormatNotRecognised;
    }
    partName.reset(); // a later field replaces the earlier name
    partName = AllocateOwned<char>(length);
    if (!partName) {
        return OutOfMemory;
    }
    const std::size_t wanted = length - 1;
    if (stream.Line(partName.get(), wanted) == 0 && wanted > 0) {
        return FileFormatNotRecognised;
    }
    return Success;
}

// 'e': the configuration data, read in one block into a zero-padded buffer.
MarlekStatus ReadData(ByteStream& stream, std::uint32_t fileSize, Owned<std::uint8_t>& data,
                      std::uint32_t& dataLength) noexcept
{
    std::uint32_t length = 0;
    if (!stream.Number(4, length) || length > fileSize) {
        return FileFormatNotRecognised;
    }
    data.reset(); // a later field replaces the earlier data
    const std::uint64_t bufferSize = DataBufferSize(length);
    if (bufferSize > std::numeric_limits<std::size_t>::max()) {
        return FileFormatNotRecognised;
    }
    data = AllocateOwned<std::uint8_t>(static_cast<std::size_t>(bufferSize));
    if (!data) {
        return FileFormatNotRecognised;
    }
    if (stream.Block(data.get(), length) != length) {
        return FileFormatNotRecognised;
    }
    std::memset(data.get() + length, 0, static_cast<std::size_t>(bufferSize) - length);
    dataLength = length;
    return Success;
}

// The code of the first supported part named within `partName`, or 0.
std::int32_t MatchPartType(const char* partName) noexcept
{
    for (const PartType& row : PartTypeTable) {
        if (std::strstr(partName, row.name) != nullptr) {
            return row.partType;
        }
    }
    return 0;
}

} // namespace

void* Allocate(std::size_t size) noexcept
{
    return allocateHook != nullptr ? allocateHook(size) : tovix::platform::Allocate(size);
}

AllocateFunction SetAllocateForTesting(AllocateFunction allocate) noexcept
{
    const AllocateFunction previous = allocateHook;
    allocateHook = allocate;
    return previous;
}

std::size_t ReadBlock(void* data, std::size_t size, std::FILE* file) noexcept
{
    return readBlockHook != nullptr ? readBlockHook(data, size, file) : std::fread(data, 1, size, file);
}

ReadBlockFunction SetReadBlockForTesting(ReadBlockFunction readBlock) noexcept
{
    const ReadBlockFunction previous = readBlockHook;
    readBlockHook = readBlock;
    return previous;
}

MarlekStatus ReadBitFile(const char* fileName, ConfigImage** out) noexcept
{
    if (fileName == nullptr || out == nullptr) {
        return NullParameter;
    }
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fileName, "rb"));
    if (!file) {
        return FileNotFound;
    }
    std::uint32_t fileSize = 0;
    if (!tovix::platform::FileSizeByName(fileName, fileSize)) {
        return FileReadError;
    }
    Owned<ConfigImage> image = AllocateOwned<ConfigImage>(sizeof(ConfigImage));
    if (!image) {
        return OutOfMemory;
    }
    *image = ConfigImage{MARLEK_IMAGE_MAGIC, nullptr, 0, 0};

    // Scan for tags until both the part name and the data have been read;
    // nothing after that point is read.
    ByteStream stream(file.get());
    Owned<char> partName;
    Owned<std::uint8_t> data;
    std::uint32_t length = 0;
    bool nameRead = false;
    bool dataRead = false;
    while (!(nameRead && dataRead)) {
        const int tag = stream.Byte();
        MarlekStatus status = Success;
        switch (tag) {
        case EOF:
            return FileFormatNotRecognised;
        case 'a':
        case 'c':
        case 'd':
            status = SkipTextField(stream, fileSize);
            break;
        case 'b':
            status = ReadPartName(stream, partName);
            nameRead = true;
            break;
        case 'e':
            status = ReadData(stream, fileSize, data, length);
            dataRead = true;
            break;
        default:
            continue; // not a tag: skipped wherever it stands
        }
        if (status != Success) {
            return status;
        }
    }

    image->partType = MatchPartType(partName.get());
    if (image->partType == 0) {
        return PartTypeMismatch;
    }
    image->data = data.release();
    image->length = length;
    *out = image.release();
    return Success;
}

} // namespace marlek

extern "C" MarlekStatus MarlekLoadFile(const char* fileName, ConfigImage** out)
{
    return marlek::Report("MarlekLoadFile", nullptr, marlek::ReadBitFile(fileName, out));
}
