#include "TestFiles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <system_error>

namespace tovix::testing {

namespace {
std::string UniqueName()
{
    static std::atomic<unsigned> counter{0};
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = "tovix-";
    if (test != nullptr) {
        name += std::string(test->test_suite_name()) + "-" + test->name();
    }
    for (char& c : name) {
        if (c == '/' || c == '\\' || c == ':') {
            c = '_';
        }
    }
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    return name + "-" + std::to_string(stamp) + "-" + std::to_string(counter++);
}
} // namespace

TempDir::TempDir() : path_(std::filesystem::temp_directory_path() / UniqueName())
{
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::operator/(std::string_view name) const
{
    return (path_ / name).string();
}

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

void WriteFile(const std::filesystem::path& path, std::string_view contents)
{
    std::ofstream out(path, std::ios::binary);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    if (!out.flush()) {
        ADD_FAILURE() << "cannot write " << path;
    }
}

std::string AsString(const std::vector<std::uint8_t>& bytes)
{
    return {bytes.begin(), bytes.end()};
}

std::string WithPlatformLineEnds(std::string_view text)
{
#ifdef _WIN32
    std::string converted;
    for (const char c : text) {
        if (c == '\n') {
            converted += '\r';
        }
        converted += c;
    }
    return converted;
#else
    return std::string(text);
#endif
}

} // namespace tovix::testing
