// libFuzzer target: arbitrary bytes as a cfile path for the naming of the
// generated declarations.
//
// The prefix must be a view into the path itself, with any lead-byte rule.
// Without lead bytes (the POSIX C locale), it must also obey the naming
// rules, checked here from the prefix's place in the path rather than by
// splitting the path again.
#include "PathPrefix.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

[[noreturn]] void Broken(const char* what, std::string_view path)
{
    std::fprintf(stderr, "FuzzPrefix: %s (path of %zu bytes)\n", what, path.size());
    std::abort();
}

bool NoLeadBytes(unsigned char) { return false; }

// Lead bytes of code page 932 (Shift JIS): trail bytes may be '\\' or '.'.
bool ShiftJisLeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// The offset of `prefix` within `path`; aborts unless it lies inside.
std::size_t CheckIsViewInside(std::string_view path, std::string_view prefix)
{
    const auto begin = reinterpret_cast<std::uintptr_t>(path.data());
    const auto at = reinterpret_cast<std::uintptr_t>(prefix.data());
    if (prefix.empty() && prefix.data() == nullptr) {
        if (!path.empty()) {
            Broken("empty prefix that points nowhere", path);
        }
        return 0;
    }
    if (at < begin || at - begin > path.size() || prefix.size() > path.size() - (at - begin)) {
        Broken("prefix is not a view into the path", path);
    }
    return at - begin;
}

void CheckNamingRules(std::string_view path, std::size_t start, std::string_view prefix)
{
    const bool hasDrive = path.size() >= 2 && path[1] == ':';
    // The prefix starts the name: right after the drive or a separator.
    if (hasDrive && start < 2) {
        Broken("prefix overlaps the drive", path);
    }
    if (start != (hasDrive ? 2 : 0) && !IsSeparator(path[start - 1])) {
        Broken("prefix does not start after a separator", path);
    }
    if (prefix.find_first_of("/\\") != std::string_view::npos) {
        Broken("prefix holds a separator", path);
    }
    // What follows it is the extension: empty, or a '.' and no other '.'
    // and no separator. With no extension, the name holds no '.'.
    const std::string_view extension = path.substr(start + prefix.size());
    if (extension.empty()) {
        if (prefix.find('.') != std::string_view::npos) {
            Broken("a name with a dot but no extension", path);
        }
    } else if (extension[0] != '.' || extension.find_first_of("./\\", 1) != std::string_view::npos) {
        Broken("what follows the prefix is not one extension", path);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    const std::string_view path(reinterpret_cast<const char*>(bytes), size);

    const std::string_view plain = tovix::IdentifierPrefix(path, NoLeadBytes);
    CheckNamingRules(path, CheckIsViewInside(path, plain), plain);

    // The platform's own test: no byte is a lead byte in the C locale.
    const std::string_view platform = tovix::IdentifierPrefix(path);
    CheckIsViewInside(path, platform);
    if (platform.data() != plain.data() || platform.size() != plain.size()) {
        Broken("the platform's prefix differs in the C locale", path);
    }

    CheckIsViewInside(path, tovix::IdentifierPrefix(path, ShiftJisLeadByte));
    return 0;
}
