#include "PathPrefix.h"

#include "Platform.h"

namespace tovix {

std::string_view IdentifierPrefix(std::string_view path, LeadBytePredicate isLeadByte) noexcept
{
    std::string_view rest = path;
    if (rest.size() >= 2 && rest[1] == ':') {
        rest.remove_prefix(2);
    }

    std::size_t nameStart = 0;
    std::size_t lastDot = std::string_view::npos;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        const char c = rest[i];
        if (isLeadByte(static_cast<unsigned char>(c))) {
            ++i; // the trail byte belongs to the same character
        } else if (c == '/' || c == '\\') {
            nameStart = i + 1;
        } else if (c == '.') {
            lastDot = i;
        }
    }

    const std::string_view name = rest.substr(nameStart);
    if (lastDot != std::string_view::npos && lastDot >= nameStart) {
        return name.substr(0, lastDot - nameStart);
    }
    return name;
}

std::string_view IdentifierPrefix(std::string_view path) noexcept
{
    return IdentifierPrefix(path, platform::IsLeadByte);
}

} // namespace tovix
