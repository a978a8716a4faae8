// Small file helpers shared by the test suites.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tovix::testing {

// A fresh, empty directory for one test, removed with everything in it when
// the object goes out of scope.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const noexcept { return path_; }
    // The path of `name` inside the directory, as a string.
    std::string operator/(std::string_view name) const;

private:
    std::filesystem::path path_;
};

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, std::string_view contents);
std::string AsString(const std::vector<std::uint8_t>& bytes);

// `text` with each line feed as this platform's text-mode line end: CR LF on
// Windows, unchanged elsewhere.
std::string WithPlatformLineEnds(std::string_view text);

} // namespace tovix::testing
