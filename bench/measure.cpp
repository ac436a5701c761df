// Runs one command and prints its wall-clock time in seconds, its peak resident set size in KiB,
// its exit status and the processor time it took (user and system) in seconds:
//   drovane-measure [--stdout FILE] [--stderr FILE] [--remove FILE] -- COMMAND [ARGUMENT...]
// --remove deletes a file (the output of an earlier run) before the clock starts, so that every
// run writes a new file instead of also paying for cutting the old one down.
// The benchmark uses it instead of an external timer so that it needs nothing beyond the build.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

void Redirect(const char* path, int target) {
    int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || dup2(fd, target) < 0) {
        std::perror(path);
        _exit(127);
    }
    close(fd);
}

}  // namespace

int main(int argc, char** argv) {
    const char* standardOutput = nullptr;
    const char* standardError = nullptr;
    const char* removed = nullptr;
    int at = 1;
    for (; at < argc && std::strcmp(argv[at], "--") != 0; ++at) {
        if (std::strcmp(argv[at], "--stdout") == 0 && at + 1 < argc) {
            standardOutput = argv[++at];
        } else if (std::strcmp(argv[at], "--stderr") == 0 && at + 1 < argc) {
            standardError = argv[++at];
        } else if (std::strcmp(argv[at], "--remove") == 0 && at + 1 < argc) {
            removed = argv[++at];
        } else {
            std::fprintf(
                stderr,
                "usage: drovane-measure [--stdout FILE] [--stderr FILE] [--remove FILE] -- COMMAND [ARGUMENT...]\n");
            return 2;
        }
    }
    if (at + 1 >= argc) {
        std::fprintf(stderr, "drovane-measure: no command given\n");
        return 2;
    }
    std::vector<char*> command(argv + at + 1, argv + argc);
    command.push_back(nullptr);

    if (removed != nullptr) unlink(removed);
    auto start = std::chrono::steady_clock::now();
    pid_t child = fork();
    if (child == 0) {
        if (standardOutput) Redirect(standardOutput, STDOUT_FILENO);
        if (standardError) Redirect(standardError, STDERR_FILENO);
        execvp(command[0], command.data());
        std::perror(command[0]);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) < 0) {
        std::perror("drovane-measure");
        return 2;
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const auto cpu = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
    };
    std::printf("%.4f %ld %d %.4f\n", seconds, usage.ru_maxrss, WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                cpu(usage.ru_utime) + cpu(usage.ru_stime));
    return 0;
}
