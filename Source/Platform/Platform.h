// The platform layer: the few facilities whose spelling differs between
// POSIX and Windows. Everything else in Tovix is platform-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace tovix::platform {

// Size of the named file in bytes. False when the size cannot be had or is
// 4 GiB or more, which a 32-bit length cannot describe.
bool FileSizeByName(const char* path, std::uint32_t& size) noexcept;

// Memory for `size` bytes that std::free() releases, or null. A block of a
// huge page or more is backed by huge pages where the system allows: filling
// a buffer one 4 KiB page fault at a time costs more than the copy into it.
void* Allocate(std::size_t size) noexcept;

// True when `byte` starts a double-byte character in the active multibyte
// code page (Windows) or the current C locale (POSIX).
bool IsLeadByte(unsigned char byte) noexcept;

// Creates or truncates `path` for writing in text mode, so that each line
// feed reaches the file as the platform's line end. Null on failure.
std::FILE* OpenTextOutput(const char* path) noexcept;

// True when the open stream refers to a regular file (not a device, pipe or
// other special file).
bool IsRegularFile(std::FILE* stream) noexcept;

} // namespace tovix::platform
