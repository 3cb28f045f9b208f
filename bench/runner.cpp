// bench_runner: how precisely the list runner keeps its delays, and how fast a
// large list file loads.
//
//   timing  the window on a pseudo-terminal replays a list of --frames frame
//           lines (default 200), each followed by "Delay:50"; a reader thread
//           on the master side time-stamps every frame's arrival. The error is
//           the gap between consecutive frames minus 50 ms.
//   loading a --lines line list file (default 100000) is loaded through the
//           window; the time to a filled list and the longest event-loop stall
//           around it are printed.
// QT_QPA_PLATFORM defaults to offscreen.
#include "benchutil.h"
#include "link/portmap.h"
#include "ui/frmmain.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

using Bench::percentile;

using Bench::argValue;

void timing(int frames) {
    int master = -1, slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::perror("openpty");
        std::exit(1);
    }
    termios raw{};
    ::tcgetattr(slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave, TCSANOW, &raw);

    FrmMain w(PortMap(
        {QStringLiteral("COM1=") + QString::fromLocal8Bit(name)},
        [](const QString &) { return QString(); }, [] { return QList<ListedPort>(); }));
    w.findChild<QPushButton *>(QStringLiteral("Command32"))->click();
    auto *list = w.findChild<QListWidget *>(QStringLiteral("List1"));
    // Each frame is 5 bytes: address, code 0x36, length 0, two checksum bytes.
    list->addItem(QStringLiteral("01 36 00 37 A0 "));
    list->addItem(QStringLiteral("Delay:50"));
    w.findChild<QLineEdit *>(QStringLiteral("Text22"))->setText(QStringLiteral("50"));

    std::vector<Clock::time_point> stamps;
    stamps.reserve(std::size_t(frames) + 1);
    std::atomic<bool> done{false};
    std::thread reader([&] {
        std::size_t got = 0;
        char buf[64];
        while (stamps.size() < std::size_t(frames) + 1) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            const auto now = Clock::now();
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n <= 0)
                continue;
            for (ssize_t i = 0; i < n; ++i)
                if (++got % 5 == 1)
                    stamps.push_back(now); // first byte of a frame
        }
        done = true;
    });
    w.findChild<QCheckBox *>(QStringLiteral("Check1"))->click();
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    w.findChild<QCheckBox *>(QStringLiteral("Check1"))->click();
    reader.join();

    std::vector<double> err;
    for (std::size_t i = 1; i < stamps.size(); ++i)
        err.push_back(std::abs(
            std::chrono::duration<double, std::milli>(stamps[i] - stamps[i - 1]).count() - 50.0));
    std::printf("runner timing: %d frames, 50 ms delay lines\n", frames);
    std::printf("  |error| median   %.2f ms\n", percentile(err, 50));
    std::printf("  |error| p99      %.2f ms\n", percentile(err, 99));
    std::printf("  |error| max      %.2f ms\n", percentile(err, 100));
    ::close(master);
    ::close(slave);
}

void loading(int lines) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.txt"));
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        QByteArray all;
        for (int i = 0; i < lines; ++i)
            all += (i % 3 == 2) ? QByteArray("Delay:100\r\n") : QByteArray("01 36 00 37 A0 \r\n");
        f.write(all);
    }
    FrmMain w;
    w.show();
    QCoreApplication::processEvents();
    auto *list = w.findChild<QListWidget *>(QStringLiteral("List1"));

    // A 10 ms timer measures how long the event loop is kept from running.
    QElapsedTimer sinceTick;
    double worst = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        worst = std::max(worst, double(sinceTick.nsecsElapsed()) / 1e6 - 10.0);
        sinceTick.restart();
    });
    probe.start(10);
    sinceTick.start();

    w.chooseFile = [&](bool, const QString &, const QString &) { return path; };
    QElapsedTimer t;
    QTimer::singleShot(20, [&] {
        t.start();
        w.findChild<QPushButton *>(QStringLiteral("Command54"))->click();
        std::printf("list load: %d lines in %.1f ms (list holds %d)\n", lines,
                    double(t.nsecsElapsed()) / 1e6, list->count());
    });
    QTimer::singleShot(1500, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    std::printf("  longest event-loop stall around it: %.1f ms\n", worst);
}

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    timing(argValue(argc, argv, "--frames", 200));
    loading(argValue(argc, argv, "--lines", 100000));
    return 0;
}
