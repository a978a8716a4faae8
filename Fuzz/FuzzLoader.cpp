// libFuzzer target: arbitrary bytes as a .bit file for MarlekLoadFile.
//
// Each input is written to a file (in /dev/shm when there is one, so that
// the file system costs little) and loaded. The result is checked against
// what the loader promises, and against a plain scan of the same bytes in
// memory that follows the field rules independently of the loader's code.
#include "Marlek.h"

#include <sanitizer/allocator_interface.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

[[noreturn]] void Broken(const char* what)
{
    std::fprintf(stderr, "FuzzLoader: %s\n", what);
    std::abort();
}

void Check(bool holds, const char* what)
{
    if (!holds) {
        Broken(what);
    }
}

// ------------------------------------------------------- the plain scan

struct Expected {
    MarlekStatus status = FileFormatNotRecognised;
    std::size_t dataOffset = 0; // on Success: where the data stands in the input
    std::uint32_t length = 0;
};

class Scan {
public:
    Scan(const std::uint8_t* bytes, std::size_t size) : bytes_(bytes), size_(size) {}

    Expected Run()
    {
        bool nameRead = false;
        bool dataRead = false;
        std::string partName;
        Expected expected;
        while (!(nameRead && dataRead)) {
            const std::optional<std::uint8_t> tag = Next();
            if (!tag) {
                return expected; // the file ends before both fields
            }
            std::uint32_t length = 0;
            switch (*tag) {
            case 'a':
            case 'c':
            case 'd':
                if (!Number(2, length) || length > size_) {
                    return expected;
                }
                for (std::uint32_t i = 1; i <= length; ++i) {
                    const std::optional<std::uint8_t> byte = Next();
                    if (!byte || (*byte == 0 && i != length)) {
                        return expected;
                    }
                }
                break;
            case 'b': {
                if (!Number(2, length) || length == 0 || length > 16) {
                    return expected;
                }
                partName.clear();
                while (partName.size() < length - 1) {
                    const std::optional<std::uint8_t> byte = Next();
                    if (!byte) {
                        break;
                    }
                    partName += static_cast<char>(*byte);
                    if (*byte == '\n') {
                        break;
                    }
                }
                if (partName.empty() && length > 1) {
                    return expected;
                }
                nameRead = true;
                break;
            }
            case 'e':
                if (!Number(4, length) || length > size_ || size_ - at_ < length) {
                    return expected;
                }
                expected.dataOffset = at_;
                expected.length = length;
                at_ += length;
                dataRead = true;
                break;
            default:
                break;
            }
        }
        // The name as C text ends at its first zero byte.
        const std::string_view name(partName.c_str());
        expected.status = name.find("7a35t") != std::string_view::npos ? Success : PartTypeMismatch;
        return expected;
    }

private:
    std::optional<std::uint8_t> Next()
    {
        if (at_ == size_) {
            return std::nullopt;
        }
        return bytes_[at_++];
    }

    bool Number(int width, std::uint32_t& value)
    {
        value = 0;
        for (int i = 0; i < width; ++i) {
            const std::optional<std::uint8_t> byte = Next();
            if (!byte) {
                return false;
            }
            value = value << 8 | *byte;
        }
        return true;
    }

    const std::uint8_t* bytes_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// ---------------------------------------------------------- the harness

std::string inputPath;
int handlerCalls = 0;
MarlekStatus handlerStatus = Success;

void CountingHandler(const char* function, void* card, MarlekStatus status, const char* message)
{
    Check(std::strcmp(function, "MarlekLoadFile") == 0, "handler called for another operation");
    Check(card == nullptr, "handler given a card handle");
    Check(message != nullptr && *message != '\0', "handler given no message");
    ++handlerCalls;
    handlerStatus = status;
}

void RemoveInput() { std::remove(inputPath.c_str()); }

} // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/)
{
    std::error_code error;
    const std::filesystem::path dir =
        std::filesystem::is_directory("/dev/shm", error) ? std::filesystem::path("/dev/shm")
                                                         : std::filesystem::temp_directory_path();
    inputPath = (dir / ("tovix-fuzz-loader-" + std::to_string(getpid()) + ".bit")).string();
    std::atexit(RemoveInput);
    MarlekSetErrorHandler(CountingHandler);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    std::FILE* file = std::fopen(inputPath.c_str(), "wb");
    Check(file != nullptr, "cannot create the input file");
    Check(std::fwrite(bytes, 1, size, file) == size && std::fclose(file) == 0,
          "cannot write the input file");

    handlerCalls = 0;
    ConfigImage sentinel{};
    ConfigImage* image = &sentinel;
    const MarlekStatus status = MarlekLoadFile(inputPath.c_str(), &image);
    const Expected expected = Scan(bytes, size).Run();

    if (status != Success) {
        // A file that exists and is small can only fail on its contents.
        Check(status == FileFormatNotRecognised || status == PartTypeMismatch ||
                  status == OutOfMemory,
              "a status the loader may not return for this file");
        Check(status == expected.status, "status differs from the plain scan");
        Check(image == &sentinel, "out written on failure");
        Check(handlerCalls == 1 && handlerStatus == status, "failure not reported once");
        return 0;
    }

    Check(expected.status == Success, "loaded a file the plain scan rejects");
    Check(handlerCalls == 0, "success reported as a failure");
    Check(image != &sentinel && image != nullptr, "no image on success");
    Check(image->magic == MARLEK_IMAGE_MAGIC, "magic");
    Check(image->partType == 1, "partType");
    Check(image->length <= size, "length larger than the file");
    Check(image->length == expected.length, "length differs from the plain scan");
    Check(image->data != nullptr, "no data buffer");
    Check(std::memcmp(image->data, bytes + expected.dataOffset, image->length) == 0,
          "data differs from the file's 'e' field");
    // ASan knows the size each block was asked for.
    const std::size_t bufferSize = (std::size_t{image->length} + 2047) / 1024 * 1024;
    Check(__sanitizer_get_allocated_size(image->data) == bufferSize, "data buffer size");
    Check(__sanitizer_get_allocated_size(image) >= sizeof(ConfigImage), "record size");
    for (std::size_t i = image->length; i < bufferSize; ++i) {
        Check(image->data[i] == 0, "padding after the data is not zero");
    }
    std::free(image->data);
    std::free(image);
    return 0;
}
