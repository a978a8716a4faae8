#include "Platform.h"

#include <cstdlib>
#include <mbctype.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/types.h>

namespace tovix::platform {

bool FileSizeByName(const char* path, std::uint32_t& size) noexcept
{
    struct _stat64 info {};
    if (_stat64(path, &info) != 0 || info.st_size < 0 || info.st_size > 0xFFFFFFFF) {
        return false;
    }
    size = static_cast<std::uint32_t>(info.st_size);
    return true;
}

void* Allocate(std::size_t size) noexcept
{
    // Large pages need a privilege that a console user rarely holds.
    return std::malloc(size);
}

bool IsLeadByte(unsigned char byte) noexcept
{
    return _ismbblead(byte) != 0;
}

std::FILE* OpenTextOutput(const char* path) noexcept
{
    // "w" is a text-mode stream: the C runtime writes each '\n' as CR LF.
    return std::fopen(path, "w");
}

bool IsRegularFile(std::FILE* stream) noexcept
{
    struct _stat64 info {};
    return _fstat64(_fileno(stream), &info) == 0 && (info.st_mode & _S_IFMT) == _S_IFREG;
}

} // namespace tovix::platform
