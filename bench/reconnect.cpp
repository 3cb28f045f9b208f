// bench_reconnect: the window shown, COM1 a link to the slave of a
// pseudo-terminal. An unplug closes the far end and removes the link; a replug
// puts a new pseudo-terminal behind the same link. Prints figures; asserts
// nothing.
//
//   delay  --cycles N (default 50) unplug/replug cycles, each down for a random
//          50..250 ms: the time from the new link appearing to the session's
//          line being open again (its reconnected() signal), median and worst.
//   idle   the port lost and waited for during --wait-seconds (default 30):
//          CPU of the whole process (window, session, port watcher).
//
// QT_QPA_PLATFORM defaults to offscreen.
#include "benchutil.h"
#include "link/portmap.h"
#include "ui/frmmain.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <pty.h>
#include <random>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double processCpuS() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Runs the event loop for `ms` milliseconds, sleeping in it.
void rest(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until `done` holds or `timeoutMs` passed, looking every ms.
template <typename F> bool waitFor(F done, int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (Clock::now() > end)
            return false;
        rest(1);
    }
    return true;
}

// The adapter: a pseudo-terminal behind a link.
struct Adapter {
    QString link;
    int master = -1;
    int keeper = -1;

    bool plug() {
        char name[256] = {};
        if (::openpty(&master, &keeper, name, nullptr, nullptr) != 0)
            return false;
        return QFile::link(QString::fromLocal8Bit(name), link);
    }
    void release() {
        if (keeper >= 0)
            ::close(keeper);
        keeper = -1;
    }
    void unplug() {
        QFile::remove(link);
        release();
        if (master >= 0)
            ::close(master);
        master = -1;
    }
};

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int cycles = Bench::argValue(argc, argv, "--cycles", 50);
    const int waitSeconds = Bench::argValue(argc, argv, "--wait-seconds", 30);

    QTemporaryDir dir;
    Adapter adapter{dir.filePath(QStringLiteral("by-id-adapter"))};
    if (!adapter.plug()) {
        std::fprintf(stderr, "no pseudo-terminal\n");
        return 1;
    }
    FrmMain w(PortMap({QStringLiteral("COM1=") + adapter.link}));
    w.show();
    rest(200);
    std::atomic<qint64> reopenedNs{0};
    QObject::connect(
        w.session(), &Session::reconnected, w.session(),
        [&reopenedNs](const QString &) { reopenedNs = Clock::now().time_since_epoch().count(); },
        Qt::DirectConnection);
    w.findChild<QPushButton *>(QStringLiteral("Command32"))->click();
    w.settle();
    if (!w.portOpen()) {
        std::fprintf(stderr, "COM1 did not open\n");
        return 1;
    }
    adapter.release();

    std::mt19937 rng(7);
    std::uniform_int_distribution<int> down(50, 250);
    std::vector<double> delays;
    int missed = 0;
    for (int i = 0; i < cycles; ++i) {
        adapter.unplug();
        if (!waitFor([&] { return w.session()->waiting(); }, 3000)) {
            std::fprintf(stderr, "cycle %d: the loss was not noticed\n", i + 1);
            return 1;
        }
        rest(down(rng));
        reopenedNs = 0;
        const qint64 pluggedNs = Clock::now().time_since_epoch().count();
        if (!adapter.plug()) {
            std::fprintf(stderr, "no pseudo-terminal\n");
            return 1;
        }
        if (!waitFor([&] { return reopenedNs.load() != 0; }, 5000)) {
            ++missed;
            continue;
        }
        delays.push_back(double(reopenedNs - pluggedNs) / 1e6);
        adapter.release();
    }
    std::printf("delay (replug to reopened, %d cycles, window shown)\n", cycles);
    std::printf("  median         %.1f ms\n", Bench::percentile(delays, 50));
    std::printf("  p90            %.1f ms\n", Bench::percentile(delays, 90));
    std::printf("  worst          %.1f ms\n", Bench::percentile(delays, 100));
    std::printf("  not reopened   %d (within 5 s)\n", missed);

    adapter.unplug();
    waitFor([&] { return w.session()->waiting(); }, 3000);
    const double cpu0 = processCpuS();
    const auto t0 = Clock::now();
    rest(waitSeconds * 1000);
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    const double cpu = processCpuS() - cpu0;
    std::printf("idle (waiting for the device, %d s, window shown)\n", waitSeconds);
    std::printf("  CPU            %.2f %% of one core\n", 100.0 * cpu / wall);
    std::printf("  still waiting  %s\n", w.session()->waiting() ? "yes" : "no");
    return 0;
}
