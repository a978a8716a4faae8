#include "CSource.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace tovix {
namespace {

// Two lowercase hexadecimal digits for every byte value.
constexpr std::array<std::array<char, 2>, 256> HexPairs = [] {
    constexpr char digits[] = "0123456789abcdef";
    std::array<std::array<char, 2>, 256> pairs{};
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        pairs[i] = {digits[i >> 4], digits[i & 0xF]};
    }
    return pairs;
}();

// Collects output in a fixed-size buffer and hands full buffers to the
// stream, remembering whether any write failed.
class ChunkedOutput {
public:
    static constexpr std::size_t Capacity = std::size_t{64} * 1024;

    explicit ChunkedOutput(std::FILE* stream) noexcept : stream_(stream) {}

    // Room for at least `size` bytes (at most Capacity) at Cursor().
    void Reserve(std::size_t size) noexcept
    {
        if (Capacity - used_ < size) {
            Drain();
        }
    }
    char* Cursor() noexcept { return buffer_.data() + used_; }
    void Advance(std::size_t size) noexcept { used_ += size; }

    void Put(std::string_view text) noexcept
    {
        while (!text.empty()) {
            Reserve(1);
            const std::size_t size = std::min(text.size(), Capacity - used_);
            std::memcpy(Cursor(), text.data(), size);
            Advance(size);
            text.remove_prefix(size);
        }
    }

    // Eight lowercase hexadecimal digits of `value`, most significant first.
    void PutHex32(std::uint32_t value) noexcept
    {
        Reserve(8);
        char* out = Cursor();
        for (int shift = 24; shift >= 0; shift -= 8) {
            std::memcpy(out, HexPairs[(value >> shift) & 0xFF].data(), 2);
            out += 2;
        }
        Advance(8);
    }

    // Drains the buffer and flushes the stream; false if any write failed.
    bool Finish() noexcept
    {
        Drain();
        if (!failed_ && std::fflush(stream_) != 0) {
            failed_ = true;
        }
        return !failed_;
    }

private:
    void Drain() noexcept
    {
        if (!failed_ && used_ > 0 && std::fwrite(buffer_.data(), 1, used_, stream_) != used_) {
            failed_ = true;
        }
        used_ = 0;
    }

    std::FILE* stream_;
    std::array<char, Capacity> buffer_;
    std::size_t used_ = 0;
    bool failed_ = false;
};

// Length of the line splice at the start of `text`, or 0: a backslash (or
// its trigraph "??/"), optional blanks, then a line feed. Compilers delete
// these before they look for the end of a comment.
std::size_t SpliceLength(std::string_view text) noexcept
{
    std::size_t length = 0;
    if (text.starts_with('\\')) {
        length = 1;
    } else if (text.starts_with("?\?/")) {
        length = 3;
    } else {
        return 0;
    }
    constexpr std::string_view blanks = " \t\r\v\f";
    while (length < text.size() && blanks.find(text[length]) != std::string_view::npos) {
        ++length;
    }
    return length < text.size() && text[length] == '\n' ? length + 1 : 0;
}

// The bitfile name as comment text, as typed except that a '/' the compiler
// would join to the '*' before it, directly or across line splices, is
// written "\/": no file name can end the comment.
void PutCommentText(ChunkedOutput& out, std::string_view text) noexcept
{
    bool afterStar = false;
    while (!text.empty()) {
        const std::size_t splice = SpliceLength(text);
        if (splice > 0) {
            out.Put(text.substr(0, splice));
            text.remove_prefix(splice);
            continue;
        }
        if (text.front() == '/' && afterStar) {
            out.Put("\\");
        }
        afterStar = text.front() == '*';
        out.Put(text.substr(0, 1));
        text.remove_prefix(1);
    }
}

// The words of one line: "\n    " then up to four "0x%08x", separated and,
// unless the line holds the last word, followed by ", ".
void PutWords(ChunkedOutput& out, std::span<const std::uint8_t> data) noexcept
{
    constexpr std::size_t wordsPerLine = 4;
    constexpr std::size_t maxLineSize = 5 + wordsPerLine * 12;
    const std::size_t words = data.size() / 4;
    const std::uint8_t* byte = data.data();
    for (std::size_t k = 0; k < words; k += wordsPerLine) {
        const std::size_t onLine = std::min(wordsPerLine, words - k);
        out.Reserve(maxLineSize);
        char* cursor = out.Cursor();
        std::memcpy(cursor, "\n    ", 5);
        cursor += 5;
        for (std::size_t w = 0; w < onLine; ++w, byte += 4) {
            // Little-endian: the word's most significant byte is its last.
            std::memcpy(cursor, "0x", 2);
            std::memcpy(cursor + 2, HexPairs[byte[3]].data(), 2);
            std::memcpy(cursor + 4, HexPairs[byte[2]].data(), 2);
            std::memcpy(cursor + 6, HexPairs[byte[1]].data(), 2);
            std::memcpy(cursor + 8, HexPairs[byte[0]].data(), 2);
            cursor += 10;
            if (k + w + 1 != words) {
                std::memcpy(cursor, ", ", 2);
                cursor += 2;
            }
        }
        out.Advance(static_cast<std::size_t>(cursor - out.Cursor()));
    }
}

} // namespace

bool WriteCSource(std::FILE* stream, std::string_view bitfile, std::string_view prefix,
                  std::span<const std::uint8_t> data) noexcept
{
    ChunkedOutput out(stream);
    out.Put("/*\n * File automatically generated by Tovix from '");
    PutCommentText(out, bitfile);
    out.Put("'\n */\n#include <stdint.h>\nuint32_t ");
    out.Put(prefix);
    out.Put("Length = 0x");
    out.PutHex32(static_cast<std::uint32_t>(data.size()));
    out.Put(";\nuint32_t ");
    out.Put(prefix);
    out.Put("Image[] = {");
    PutWords(out, data);
    out.Put("\n};\n");
    return out.Finish();
}

} // namespace tovix
