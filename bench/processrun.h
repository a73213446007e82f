#pragma once
// Whole processes timed from outside, for benchmarks that set a program of
// ours against a peer program doing the same work: each run's wall-clock
// time, its processor time (user + system, every thread and every child it
// waited for) and its peak memory, as the system accounts them when it is
// reaped; and the minimum and median of several runs and of their ratios,
// taken pair by pair so that a machine whose speed drifts weighs on both.

#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace BenchProcess {

struct Run
{
    double wall = 0;   // seconds
    double cpu = 0;    // seconds
    double peakMb = 0; // the largest resident size of the process or a child it waited for
};

// Runs args (the program found on PATH) to its end, its standard output
// thrown away unless keepOutput; false when it cannot start or does not end
// with status 0.
inline bool run(const std::vector<std::string> &args, Run *out, bool keepOutput = false)
{
    std::vector<char *> argv;
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    std::fflush(stdout);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        if (!keepOutput) {
            const int null = open("/dev/null", O_WRONLY);
            if (null >= 0)
                dup2(null, STDOUT_FILENO);
        }
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid <= 0 || wait4(pid, &status, 0, &usage) != pid)
        return false;
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s ended with status %d\n", args.front().c_str(),
                     WIFEXITED(status) ? WEXITSTATUS(status) : -1);
        return false;
    }
    out->wall = std::chrono::duration<double>(end - start).count();
    out->cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
               + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    out->peakMb = double(usage.ru_maxrss) / 1024.0;
    return true;
}

inline double minimum(const std::vector<double> &v)
{
    return v.empty() ? 0 : *std::min_element(v.begin(), v.end());
}

inline double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

template<class F>
std::vector<double> figures(const std::vector<Run> &runs, F &&figure)
{
    std::vector<double> v;
    for (const Run &r : runs)
        v.push_back(figure(r));
    return v;
}

// One side's wall, processor time and peak memory, min / median.
inline void printRuns(const char *what, const std::vector<Run> &runs)
{
    const auto wall = figures(runs, [](const Run &r) { return r.wall; });
    const auto cpu = figures(runs, [](const Run &r) { return r.cpu; });
    const auto peak = figures(runs, [](const Run &r) { return r.peakMb; });
    std::printf("  %-34s wall %7.3f / %7.3f s   processor %7.3f / %7.3f s   peak %6.1f / %6.1f MB\n", what,
                minimum(wall), median(wall), minimum(cpu), median(cpu), minimum(peak), median(peak));
}

// The ratios ours / peer of wall and processor time (and peak memory), pair
// by pair, min / median.
inline void printRatios(const char *what, const std::vector<Run> &ours, const std::vector<Run> &peer)
{
    std::vector<double> wall, cpu, peak;
    for (size_t i = 0; i < ours.size() && i < peer.size(); ++i) {
        wall.push_back(ours[i].wall / peer[i].wall);
        cpu.push_back(ours[i].cpu / peer[i].cpu);
        peak.push_back(ours[i].peakMb / peer[i].peakMb);
    }
    std::printf("  ratio %-28s wall %5.2f / %5.2f     processor %5.2f / %5.2f     peak %5.2f / %5.2f\n", what,
                minimum(wall), median(wall), minimum(cpu), median(cpu), minimum(peak), median(peak));
}

} // namespace BenchProcess
