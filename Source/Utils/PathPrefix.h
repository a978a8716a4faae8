// Naming of the generated declarations from the cfile path.
#pragma once

#include <string_view>

namespace tovix {

using LeadBytePredicate = bool (*)(unsigned char byte);

// The identifier prefix for `path`: its base name, found by splitting off a
// drive ("X:"), the directory (up to the last '/' or '\\') and the extension
// (from the last '.' of the name part). Bytes for which `isLeadByte` holds
// are taken together with the byte after them, so a double-byte character
// never counts as a separator or a dot. The result is a view into `path`.
std::string_view IdentifierPrefix(std::string_view path, LeadBytePredicate isLeadByte) noexcept;

// The same, with the platform's lead-byte test.
std::string_view IdentifierPrefix(std::string_view path) noexcept;

} // namespace tovix
