// The generated C source: a comment naming the bitstream, the length of the
// configuration data in bytes and the data as little-endian 32-bit words.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string_view>

namespace tovix {

// Writes the C source for `data` to `stream`, declaring <prefix>Length and
// <prefix>Image[]. `bitfile` is quoted in the leading comment, with any "*/"
// written as "*\/" so that the name cannot end the comment. Output goes out
// in fixed-size chunks; the stream is flushed but not closed. Returns false
// as soon as any write fails.
bool WriteCSource(std::FILE* stream, std::string_view bitfile, std::string_view prefix,
                  std::span<const std::uint8_t> data) noexcept;

} // namespace tovix
