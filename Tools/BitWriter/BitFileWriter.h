// Builds tagged .bit files field by field, so that tests, benchmarks and the
// sample generator can show the exact bytes they feed the loader.
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tovix::bitfile {

class BitFileWriter {
public:
    // The usual 13-byte header that precedes the 'a' field.
    BitFileWriter& Preamble()
    {
        return Bytes({0x00, 0x09, 0x0f, 0xf0, 0x0f, 0xf0, 0x0f, 0xf0, 0x0f, 0xf0, 0x00, 0x00, 0x01});
    }

    BitFileWriter& Bytes(std::initializer_list<std::uint8_t> bytes)
    {
        for (const std::uint8_t byte : bytes) {
            bytes_.push_back(byte);
        }
        return *this;
    }

    BitFileWriter& Bytes(std::span<const std::uint8_t> bytes)
    {
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
        return *this;
    }

    BitFileWriter& Bytes(std::string_view text)
    {
        bytes_.insert(bytes_.end(), text.begin(), text.end());
        return *this;
    }

    BitFileWriter& BigEndian(std::uint32_t value, int width)
    {
        for (int shift = 8 * (width - 1); shift >= 0; shift -= 8) {
            bytes_.push_back(static_cast<std::uint8_t>(value >> shift));
        }
        return *this;
    }

    // A well-formed text field: tag, 2-byte length, the text and its zero.
    BitFileWriter& Text(char tag, std::string_view text)
    {
        return Field(tag, static_cast<std::uint16_t>(text.size() + 1), text).Bytes({0});
    }

    // A 2-byte-length field whose stated length and content are given apart,
    // for fields that lie about their size or carry odd bytes.
    BitFileWriter& Field(char tag, std::uint16_t statedLength, std::string_view content = {})
    {
        bytes_.push_back(static_cast<std::uint8_t>(tag));
        return BigEndian(statedLength, 2).Bytes(content);
    }

    // The 'e' field: tag, 4-byte length and the configuration data.
    BitFileWriter& Data(std::span<const std::uint8_t> data)
    {
        return DataHeader(static_cast<std::uint32_t>(data.size())).Bytes(data);
    }

    // Only the 'e' tag and its stated length; the data, if any, follows apart.
    BitFileWriter& DataHeader(std::uint32_t statedLength)
    {
        bytes_.push_back('e');
        return BigEndian(statedLength, 4);
    }

    const std::vector<std::uint8_t>& bytes() const noexcept { return bytes_; }

    // Writes the file; false if it cannot be written in full.
    bool WriteTo(const std::string& path) const
    {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr) {
            return false;
        }
        // An empty vector's data() may be null, which fwrite must not get.
        const bool written =
            bytes_.empty() || std::fwrite(bytes_.data(), 1, bytes_.size(), file) == bytes_.size();
        return (std::fclose(file) == 0) && written;
    }

private:
    std::vector<std::uint8_t> bytes_;
};

// A full 7a35t configuration is this many bytes.
inline constexpr std::uint32_t FullConfigLength7a35t = 2192012;

// Configuration data that starts as a real one does: dummy words, the
// bus-width detection pattern and the sync word, then a no-op, followed by
// deterministic filler standing in for the frames.
inline std::vector<std::uint8_t> SampleConfigData(std::size_t length)
{
    std::vector<std::uint8_t> data;
    data.reserve(length);
    auto word = [&data](std::uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            data.push_back(static_cast<std::uint8_t>(value >> shift));
        }
    };
    for (int i = 0; i < 8; ++i) {
        word(0xFFFFFFFF); // dummy
    }
    word(0x000000BB); // bus width detection
    word(0x11220044);
    word(0xFFFFFFFF);
    word(0xFFFFFFFF);
    word(0xAA995566); // sync
    word(0x20000000); // type 1 no-op
    std::uint32_t state = 0x7a35u;
    while (data.size() < length) {
        state ^= state << 13; // xorshift32
        state ^= state >> 17;
        state ^= state << 5;
        data.push_back(static_cast<std::uint8_t>(state));
    }
    data.resize(length);
    return data;
}

// A well-formed 7a35t .bit file around `data`, fields 'a' to 'e' in the
// order the vendor tools write them.
inline BitFileWriter Sample7a35t(std::span<const std::uint8_t> data)
{
    BitFileWriter writer;
    writer.Preamble()
        .Text('a', "tovix_sample;UserID=0XFFFFFFFF;Version=2024.1")
        .Text('b', "7a35tcpg236")
        .Text('c', "2026/12/11")
        .Text('d', "12:00:00")
        .Data(data);
    return writer;
}

} // namespace tovix::bitfile
