// bench_startup: start-up time and memory of t3208tool against a bare Qt window
// with 250 buttons (bench_bare250).
//
// Each program is launched with T3208_REPORT_SHOWN=1 (and without
// T3208_QUIT_WHEN_SHOWN), the programs alternating. The time is taken on the
// monotonic clock from just before the launch to the moment the "shown" line
// arrives on the child's stdout pipe. VmRSS is read from /proc/<pid>/status
// right then and again after a settle pause; then the child is terminated.
//
// Without DISPLAY an Xvfb server is started for the run (and stopped after it).
// The children get QT_QPA_PLATFORM removed, so they use the X server like a
// user's session does; --platform NAME sets it instead.
//
//   bench_startup [--runs N] [--warmup N] [--settle-ms MS] [--timeout-s S]
//                 [--tool PATH] [--bare PATH] [--platform NAME] [--child-stderr]
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#ifndef T3208_BENCH_TOOL
#define T3208_BENCH_TOOL "t3208tool"
#endif
#ifndef T3208_BENCH_BARE
#define T3208_BENCH_BARE "bench_bare250"
#endif

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
    int runs = 10;
    int warmup = 1;
    int settleMs = 300;
    int timeoutS = 30;
    std::string tool = T3208_BENCH_TOOL;
    std::string bare = T3208_BENCH_BARE;
    std::string platform; // empty: QT_QPA_PLATFORM removed
    bool childStderr = false;
};

struct Sample {
    bool ok = false;
    double ms = 0;
    long rssShownKb = -1;
    long rssSettledKb = -1;
    std::string failure;
};

struct Program {
    std::string label;
    std::string path;
    std::vector<Sample> samples;
};

[[noreturn]] void usage(const char *argv0) {
    std::fprintf(stderr,
                 "usage: %s [--runs N] [--warmup N] [--settle-ms MS] [--timeout-s S]\n"
                 "          [--tool PATH] [--bare PATH] [--platform NAME] [--child-stderr]\n",
                 argv0);
    std::exit(2);
}

Options parse(int argc, char **argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                usage(argv[0]);
            return argv[++i];
        };
        if (a == "--runs")
            o.runs = std::atoi(value().c_str());
        else if (a == "--warmup")
            o.warmup = std::atoi(value().c_str());
        else if (a == "--settle-ms")
            o.settleMs = std::atoi(value().c_str());
        else if (a == "--timeout-s")
            o.timeoutS = std::atoi(value().c_str());
        else if (a == "--tool")
            o.tool = value();
        else if (a == "--bare")
            o.bare = value();
        else if (a == "--platform")
            o.platform = value();
        else if (a == "--child-stderr")
            o.childStderr = true;
        else
            usage(argv[0]);
    }
    if (o.runs < 1 || o.warmup < 0 || o.settleMs < 0 || o.timeoutS < 1)
        usage(argv[0]);
    return o;
}

std::string loadAverage() {
    std::string s;
    if (FILE *f = std::fopen("/proc/loadavg", "r")) {
        char buf[128] = {};
        if (std::fgets(buf, sizeof buf, f))
            s = buf;
        std::fclose(f);
    }
    while (!s.empty() && (s.back() == '\n' || s.back() == ' '))
        s.pop_back();
    return s;
}

long vmRssKb(pid_t pid) {
    const std::string path = "/proc/" + std::to_string(pid) + "/status";
    FILE *f = std::fopen(path.c_str(), "r");
    if (!f)
        return -1;
    long kb = -1;
    char line[256];
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "VmRSS:", 6) == 0) {
            kb = std::strtol(line + 6, nullptr, 10);
            break;
        }
    std::fclose(f);
    return kb;
}

// Ends a child we started: SIGTERM, then SIGKILL if it lingers.
void stopChild(pid_t pid) {
    ::kill(pid, SIGTERM);
    const auto deadline = Clock::now() + std::chrono::seconds(3);
    while (Clock::now() < deadline) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid || (r < 0 && errno == ECHILD))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

// An Xvfb server of our own, when there is no display.
struct XServer {
    pid_t pid = -1;
    std::string display;

    bool start() {
        int n = 99;
        for (; n < 140; ++n) {
            struct stat st {};
            const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
            const std::string sock = "/tmp/.X11-unix/X" + std::to_string(n);
            if (::stat(lock.c_str(), &st) != 0 && ::stat(sock.c_str(), &st) != 0)
                break;
        }
        display = ":" + std::to_string(n);
        pid = ::fork();
        if (pid < 0)
            return false;
        if (pid == 0) {
            const int null = ::open("/dev/null", O_RDWR);
            if (null >= 0) {
                ::dup2(null, STDIN_FILENO);
                ::dup2(null, STDOUT_FILENO);
                ::dup2(null, STDERR_FILENO);
            }
            ::execlp("Xvfb", "Xvfb", display.c_str(), "-screen", "0", "1366x768x24", "-nolisten",
                     "tcp", static_cast<char *>(nullptr));
            ::_exit(127);
        }
        const std::string sock = "/tmp/.X11-unix/X" + display.substr(1);
        const auto deadline = Clock::now() + std::chrono::seconds(15);
        while (Clock::now() < deadline) {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                return false;
            }
            struct stat st {};
            if (::stat(sock.c_str(), &st) == 0) {
                // The socket exists a moment before the server accepts.
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    ~XServer() {
        if (pid > 0)
            stopChild(pid);
    }
};

Sample launch(const Options &o, const std::string &path) {
    Sample s;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        s.failure = std::string("pipe: ") + std::strerror(errno);
        return s;
    }
    const auto t0 = Clock::now();
    const pid_t pid = ::fork();
    if (pid < 0) {
        s.failure = std::string("fork: ") + std::strerror(errno);
        ::close(fds[0]);
        ::close(fds[1]);
        return s;
    }
    if (pid == 0) {
        ::dup2(fds[1], STDOUT_FILENO);
        if (!o.childStderr) {
            const int null = ::open("/dev/null", O_WRONLY);
            if (null >= 0)
                ::dup2(null, STDERR_FILENO);
        }
        ::setenv("T3208_REPORT_SHOWN", "1", 1);
        ::unsetenv("T3208_QUIT_WHEN_SHOWN");
        if (o.platform.empty())
            ::unsetenv("QT_QPA_PLATFORM");
        else
            ::setenv("QT_QPA_PLATFORM", o.platform.c_str(), 1);
        char *const args[] = {const_cast<char *>(path.c_str()), nullptr};
        ::execv(path.c_str(), args);
        ::_exit(127);
    }
    ::close(fds[1]);

    std::string out;
    bool shown = false;
    const auto deadline = t0 + std::chrono::seconds(o.timeoutS);
    while (!shown) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            s.failure = "no \"shown\" within the timeout";
            break;
        }
        pollfd p{fds[0], POLLIN, 0};
        const int r = ::poll(&p, 1, int(left));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            continue;
        char buf[256];
        const ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n <= 0) {
            s.failure = "the program ended before \"shown\"";
            break;
        }
        out.append(buf, size_t(n));
        if (out.find("shown\n") != std::string::npos)
            shown = true;
    }
    if (shown) {
        const auto t1 = Clock::now();
        s.rssShownKb = vmRssKb(pid);
        s.ms = std::chrono::duration<double, std::milli>(t1 - t0).count();
        std::this_thread::sleep_for(std::chrono::milliseconds(o.settleMs));
        s.rssSettledKb = vmRssKb(pid);
        s.ok = s.rssShownKb > 0;
        if (!s.ok)
            s.failure = "no VmRSS for the child";
    }
    stopChild(pid);
    ::close(fds[0]);
    return s;
}

double median(std::vector<double> v) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

struct Summary {
    double medianMs = 0, minMs = 0, maxMs = 0, medianRssKb = 0, medianSettledKb = 0;
    int ok = 0;
};

Summary summarise(const Program &p) {
    std::vector<double> ms, rss, settled;
    for (const Sample &s : p.samples)
        if (s.ok) {
            ms.push_back(s.ms);
            rss.push_back(double(s.rssShownKb));
            settled.push_back(double(s.rssSettledKb));
        }
    Summary r;
    r.ok = int(ms.size());
    if (ms.empty())
        return r;
    r.medianMs = median(ms);
    r.minMs = *std::min_element(ms.begin(), ms.end());
    r.maxMs = *std::max_element(ms.begin(), ms.end());
    r.medianRssKb = median(rss);
    r.medianSettledKb = median(settled);
    return r;
}

} // namespace

int main(int argc, char **argv) {
    const Options o = parse(argc, argv);

    XServer xserver;
    const char *display = std::getenv("DISPLAY");
    if (!display || !*display) {
        if (o.platform.empty() || o.platform == "xcb") {
            if (!xserver.start()) {
                std::fprintf(stderr, "bench_startup: could not start Xvfb\n");
                return 1;
            }
            ::setenv("DISPLAY", xserver.display.c_str(), 1);
            std::printf("X server: Xvfb %s (started for this run)\n", xserver.display.c_str());
        }
    } else {
        std::printf("X server: DISPLAY=%s\n", display);
    }
    std::printf("platform: %s\n",
                o.platform.empty() ? "default (QT_QPA_PLATFORM removed)" : o.platform.c_str());
    std::printf("runs: %d per program, alternating, after %d warm-up launch(es) each; settle "
                "%d ms\n",
                o.runs, o.warmup, o.settleMs);
    std::printf("load average before: %s\n\n", loadAverage().c_str());

    Program progs[2] = {{"t3208tool", o.tool, {}}, {"bare250", o.bare, {}}};

    for (int w = 0; w < o.warmup; ++w)
        for (Program &p : progs) {
            const Sample s = launch(o, p.path);
            if (!s.ok) {
                std::fprintf(stderr, "bench_startup: %s (%s): %s\n", p.label.c_str(),
                             p.path.c_str(), s.failure.c_str());
                return 1;
            }
            std::printf("warm-up  %-10s %8.1f ms  VmRSS %7ld kB  settled %7ld kB\n",
                        p.label.c_str(), s.ms, s.rssShownKb, s.rssSettledKb);
        }

    for (int r = 0; r < o.runs; ++r)
        for (int k = 0; k < 2; ++k) {
            // Alternate which program goes first as well.
            Program &p = progs[(r + k) % 2];
            Sample s = launch(o, p.path);
            if (s.ok)
                std::printf("run %2d   %-10s %8.1f ms  VmRSS %7ld kB  settled %7ld kB\n", r + 1,
                            p.label.c_str(), s.ms, s.rssShownKb, s.rssSettledKb);
            else
                std::printf("run %2d   %-10s FAILED: %s\n", r + 1, p.label.c_str(),
                            s.failure.c_str());
            p.samples.push_back(std::move(s));
        }

    std::printf("\nload average after: %s\n\n", loadAverage().c_str());

    const Summary t = summarise(progs[0]);
    const Summary b = summarise(progs[1]);
    std::printf("%-22s %12s %12s %10s\n", "", "t3208tool", "bare250", "ratio");
    std::printf("%-22s %8d     %8d\n", "good runs", t.ok, b.ok);
    auto row = [](const char *name, double a, double c, const char *unit) {
        std::printf("%-22s %8.1f %-3s %8.1f %-3s %9.2fx\n", name, a, unit, c, unit,
                    c > 0 ? a / c : 0.0);
    };
    row("launch->shown median", t.medianMs, b.medianMs, "ms");
    row("launch->shown min", t.minMs, b.minMs, "ms");
    row("launch->shown max", t.maxMs, b.maxMs, "ms");
    row("VmRSS at shown median", t.medianRssKb / 1024.0, b.medianRssKb / 1024.0, "MiB");
    row("VmRSS settled median", t.medianSettledKb / 1024.0, b.medianSettledKb / 1024.0, "MiB");
    std::printf("(settled: %d ms after shown; ratio = t3208tool / bare250)\n", o.settleMs);

    return (t.ok == 0 || b.ok == 0) ? 1 : 0;
}
