// A stand-in child for the tests of RunProgram: prints its working directory,
// then each argument with its length in front, and exits with the number of
// arguments, so that a test sees exactly what reached the process.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

int main(int argc, char* argv[])
{
    std::error_code error;
    std::printf("%s\n", std::filesystem::current_path(error).string().c_str());
    for (int i = 1; i < argc; ++i) {
        std::printf("%lu:%s\n", static_cast<unsigned long>(std::strlen(argv[i])), argv[i]);
    }
    return argc - 1;
}
