// Times a program's start from the outside: watch_start [--quiet MS] [--share PERCENT]
// [--after MS] PROGRAM [ARGS...]
//
// Starts the program and samples the CPU time of all its threads (/proc, nanoseconds) every
// few milliseconds. The start is over when the program has printed "painted" (its window has
// been painted with the document) and then used less than PERCENT of one core (default 10)
// during MS milliseconds (default 250): the moment that quiet stretch began is the start-up
// time. The program is watched for a further --after milliseconds (default 1000) for work it
// leaves for later, then terminated. Prints one line:
//   <ms until quiet> <ms until painted> <cpu ms until quiet> <cpu ms afterwards> <peak KB>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// CPU time of every thread the process has had, in milliseconds; -1 once the process is
// gone. A thread that ended keeps the time it was last seen with.
double CpuMilliseconds(pid_t pid, std::map<std::string, double> &threads)
{
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR *dir = opendir(tasks.c_str());
    if (!dir)
        return -1;
    while (dirent *entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        std::ifstream stat(tasks + "/" + entry->d_name + "/schedstat");
        unsigned long long ns = 0;
        if (stat >> ns)
            threads[entry->d_name] = double(ns) / 1e6;
    }
    closedir(dir);
    double total = 0;
    for (const auto &[thread, ms] : threads)
        total += ms;
    return total;
}

// The peak resident memory so far, in KB (VmHWM).
long PeakKilobytes(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return 0;
}

struct Sample
{
    double wall;
    double cpu;
};

} // namespace

int main(int argc, char **argv)
{
    double quietMs = 250;
    double share = 10;
    double afterMs = 1000;
    // --trace 1: every sample on standard error ("wall-ms cpu-ms").
    bool trace = false;
    int first = 1;
    while (first + 1 < argc && argv[first][0] == '-') {
        const std::string option = argv[first];
        const double value = std::strtod(argv[first + 1], nullptr);
        if (option == "--quiet")
            quietMs = value;
        else if (option == "--share")
            share = value;
        else if (option == "--after")
            afterMs = value;
        else if (option == "--trace")
            trace = value != 0;
        else
            break;
        first += 2;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: watch_start [--quiet MS] [--share PERCENT] [--after MS] PROGRAM [ARGS...]\n");
        return 2;
    }
    int out[2];
    if (pipe(out) != 0)
        return 1;
    const Clock::time_point start = Clock::now();
    const pid_t pid = fork();
    if (pid < 0)
        return 1;
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDERR_FILENO);
        close(out[0]);
        close(out[1]);
        execv(argv[first], argv + first);
        _exit(127);
    }
    close(out[1]);
    fcntl(out[0], F_SETFL, O_NONBLOCK);

    std::string said;
    double paintedAt = -1;
    double quietAt = -1;
    double cpuAtQuiet = 0;
    double cpu = 0;
    long peak = 0;
    std::deque<Sample> window;
    std::map<std::string, double> threads;
    bool exited = false;
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const double wall = MillisecondsSince(start);
        const double now = CpuMilliseconds(pid, threads);
        int status = 0;
        if (now < 0 || waitpid(pid, &status, WNOHANG) == pid) {
            exited = true;
            break;
        }
        const long kb = PeakKilobytes(pid);
        if (kb > 0)
            peak = kb;
        cpu = now;
        if (trace)
            std::fprintf(stderr, "%.1f %.1f\n", wall, cpu);
        char buffer[256];
        ssize_t n;
        while ((n = read(out[0], buffer, sizeof buffer)) > 0)
            said.append(buffer, std::size_t(n));
        if (paintedAt < 0 && said.find("painted") != std::string::npos) {
            paintedAt = wall;
            window.clear();
        }
        if (paintedAt < 0)
            continue;
        if (quietAt >= 0) {
            if (wall >= quietAt + quietMs + afterMs)
                break;
            continue;
        }
        window.push_back({wall, cpu});
        while (window.size() > 1 && window[1].wall <= wall - quietMs)
            window.pop_front();
        const Sample &begin = window.front();
        if (wall - begin.wall >= quietMs && cpu - begin.cpu < share / 100 * (wall - begin.wall)) {
            quietAt = begin.wall;
            cpuAtQuiet = begin.cpu;
        }
    }
    if (!exited) {
        kill(pid, SIGTERM);
        int status = 0;
        waitpid(pid, &status, 0);
    }
    if (quietAt < 0) {
        std::fprintf(stderr, "watch_start: the program ended before it was painted and quiet\n");
        return 1;
    }
    std::printf("%.0f %.0f %.0f %.0f %ld\n", quietAt, paintedAt, cpuAtQuiet, cpu - cpuAtQuiet, peak);
    return 0;
}
