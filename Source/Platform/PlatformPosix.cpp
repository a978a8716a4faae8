#include "Platform.h"

#include <cstdlib>
#include <cwchar>
#include <sys/mman.h>
#include <sys/stat.h>

namespace tovix::platform {

bool FileSizeByName(const char* path, std::uint32_t& size) noexcept
{
    struct stat info {};
    if (stat(path, &info) != 0 || info.st_size < 0 || info.st_size > 0xFFFFFFFF) {
        return false;
    }
    size = static_cast<std::uint32_t>(info.st_size);
    return true;
}

void* Allocate(std::size_t size) noexcept
{
#ifdef MADV_HUGEPAGE
    constexpr std::size_t hugePage = std::size_t{2} << 20;
    if (size >= hugePage) {
        // posix_memalign, not aligned_alloc: the size need not be a multiple
        // of the alignment.
        void* block = nullptr;
        if (posix_memalign(&block, hugePage, size) != 0) {
            return nullptr;
        }
        // Only a hint: without it the block still works, in small pages.
        madvise(block, size & ~(hugePage - 1), MADV_HUGEPAGE);
        return block;
    }
#endif
    return std::malloc(size);
}

bool IsLeadByte(unsigned char byte) noexcept
{
    // A lead byte is one that begins, but does not complete, a multibyte
    // character. Tovix never calls setlocale, so under the "C" locale no
    // byte is one.
    const char c = static_cast<char>(byte);
    std::mbstate_t state{};
    return std::mbrlen(&c, 1, &state) == static_cast<std::size_t>(-2);
}

std::FILE* OpenTextOutput(const char* path) noexcept
{
    return std::fopen(path, "w");
}

bool IsRegularFile(std::FILE* stream) noexcept
{
    struct stat info {};
    return fstat(fileno(stream), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace tovix::platform
