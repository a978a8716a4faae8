// Library-internal declarations: shared between the library's own sources
// and its tests, never installed.
#pragma once

#include "Marlek.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace marlek {

// Message texts, entry 0 for Success, entry 1 for 0x8000 ... entry 16 for
// 0x800F. Grows at its end together with the status codes.
extern const std::array<const char*, 17> StatusMessages;

// Text returned for a status whose entry lies outside StatusMessages.
inline constexpr const char* UnknownStatusMessage = "Unknown status";

// The message text of any status; never reads outside StatusMessages.
const char* StatusMessage(MarlekStatus status) noexcept;

// The reporting step a reporting operation runs on its result just before
// returning: calls the registered handler unless the status is Success or
// no handler is registered. Returns the status unchanged.
MarlekStatus Report(const char* function, void* card, MarlekStatus status) noexcept;

// One supported FPGA part: the text looked for within a file's part name
// and the code stored in ConfigImage::partType.
struct PartType {
    const char* name;
    std::int32_t partType;
};
extern const std::array<PartType, 1> PartTypeTable;

// Size of the data buffer for `length` configuration bytes: the smallest
// multiple of 1,024 holding the data and at least 1,024 bytes more. Computed
// in 64 bits so that lengths near 4 GiB cannot wrap.
constexpr std::uint64_t DataBufferSize(std::uint32_t length) noexcept
{
    return (std::uint64_t{length} + 2047u) & ~std::uint64_t{1023u};
}

// The loading step of MarlekLoadFile, without reporting.
MarlekStatus ReadBitFile(const char* fileName, ConfigImage** out) noexcept;

// Every allocation of the loader goes through Allocate, and releases go
// through free(). Tests swap the allocator to make each allocation fail.
using AllocateFunction = void* (*)(std::size_t size);
void* Allocate(std::size_t size) noexcept;
// Installs `allocate` (nullptr restores the default) and returns the previous one.
AllocateFunction SetAllocateForTesting(AllocateFunction allocate) noexcept;

// The one block read of the data goes through ReadBlock (fread by default).
// Tests swap it to make a read fail part way, which no real file here can.
using ReadBlockFunction = std::size_t (*)(void* data, std::size_t size, std::FILE* file);
std::size_t ReadBlock(void* data, std::size_t size, std::FILE* file) noexcept;
// Installs `readBlock` (nullptr restores fread) and returns the previous one.
ReadBlockFunction SetReadBlockForTesting(ReadBlockFunction readBlock) noexcept;

} // namespace marlek
