#include "RunProgram.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tovix::testing {

RunResult RunProgram(const std::vector<std::string>& argv, const RunOptions& options)
{
    RunResult result;
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);

    // A pipe, not a file, so that a file size limit cannot touch the capture.
    int output[2];
    if (pipe(output) != 0) {
        return result;
    }
    const pid_t child = fork();
    if (child == 0) {
        dup2(output[1], STDOUT_FILENO);
        close(output[0]);
        close(output[1]);
        const int devNull = open("/dev/null", O_RDONLY);
        dup2(devNull, STDIN_FILENO);
        if (!options.workingDirectory.empty() && chdir(options.workingDirectory.c_str()) != 0) {
            _exit(126);
        }
        if (options.fileSizeLimit) {
            const rlimit limit{*options.fileSizeLimit, *options.fileSizeLimit};
            setrlimit(RLIMIT_FSIZE, &limit);
            std::signal(SIGXFSZ, SIG_IGN);
        }
        execv(args[0], args.data());
        _exit(127);
    }
    close(output[1]);
    char buffer[4096];
    for (ssize_t got; (got = read(output[0], buffer, sizeof buffer)) != 0;) {
        if (got > 0) {
            result.output.append(buffer, static_cast<std::size_t>(got));
        } else if (errno != EINTR) {
            break;
        }
    }
    close(output[0]);
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    }
    return result;
}

} // namespace tovix::testing
