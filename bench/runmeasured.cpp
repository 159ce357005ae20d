// Runs one command and appends "cpu_seconds peak_kib wall_seconds" to a file:
// CPU time is user plus system time of the child, peak memory its maximum
// resident set size, both from wait4's rusage, which resolves microseconds
// where GNU time prints hundredths.
// Usage: runmeasured OUTFILE COMMAND [ARGS...]

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTFILE COMMAND [ARGS...]\n", argv[0]);
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0) {
        std::perror("fork");
        return 2;
    }
    if (child == 0) {
        execvp(argv[2], argv + 2);
        std::perror(argv[2]);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child) {
        std::perror("wait4");
        return 2;
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
                       + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    std::FILE *out = std::fopen(argv[1], "a");
    if (!out) {
        std::perror(argv[1]);
        return 2;
    }
    std::fprintf(out, "%.6f %ld %.6f\n", cpu, long(usage.ru_maxrss), wall);
    std::fclose(out);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s ended with status %d\n", argv[2], status);
        return 1;
    }
    return 0;
}
