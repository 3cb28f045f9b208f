#pragma once
// The controller's end of a pseudo-terminal for the benchmarks: a raw line,
// the master non-blocking, and a write that waits for room instead of failing.
#include <QString>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace Bench {

struct Pty {
    int master = -1;
    int keeper = -1;
    QString slave;
    Pty() {
        char name[256] = {};
        if (::openpty(&master, &keeper, name, nullptr, nullptr) != 0) {
            std::perror("openpty");
            std::exit(1);
        }
        termios raw{};
        ::tcgetattr(keeper, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(keeper, TCSANOW, &raw);
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        slave = QString::fromLocal8Bit(name);
    }
    ~Pty() {
        ::close(master);
        ::close(keeper);
    }
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    // Writes everything; false after 5 s without progress.
    bool writeAll(const char *p, size_t n) const {
        using Clock = std::chrono::steady_clock;
        auto last = Clock::now();
        while (n > 0) {
            const ssize_t k = ::write(master, p, n);
            if (k > 0) {
                p += k;
                n -= size_t(k);
                last = Clock::now();
                continue;
            }
            if (Clock::now() - last > std::chrono::seconds(5))
                return false;
            pollfd pf{master, POLLOUT, 0};
            ::poll(&pf, 1, 10);
        }
        return true;
    }
};

} // namespace Bench
