// bench_watch: the watch and the plot with the window and its plot shown.
//
//   watch   t3208-sim on a pseudo-terminal opened as COM1 at 115200; the watch
//           polls speed and absolute position every --interval ms (default
//           20) for --seconds (default 60) while the axis moves back and
//           forth; per query, the gap between its consecutive sends minus the
//           interval (median, p99, worst, on the session's clock), and the
//           replies plotted against good replies received.
//   cpu     the controller's end played here: speed and position replies, 100
//           values a second for --cpu-seconds (default 60), with the plot
//           shown following a 60 s window: CPU of the window thread and of the
//           process, redraws, longest event-loop stall.
//   memory  an hour of records at 100 values a second fed to the plot in
//           batches: resident memory before and after, time to take them, and
//           one redraw of the whole hour.
//
//   bench_watch [--phase watch|cpu|memory]... [--shot FILE.png] [--plot 0] [options]
// --plot 0 leaves the plot hidden (the window's own cost, for comparison).
// Without --phase every phase runs. --shot saves the window and the plot after
// the watch phase. QT_QPA_PLATFORM defaults to offscreen.
#include "benchutil.h"
#include "codec/framing.h"
#include "link/portmap.h"
#include "link/receive.h"
#include "link/seriesmodel.h"
#include "ui/frmmain.h"
#include "ui/plotview.h"

#include <QApplication>
#include <QComboBox>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QTimer>

#include "benchpty.h"
#include <atomic>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/resource.h>
#include <termios.h>
#include <thread>
#include <time.h>
#include <unistd.h>

namespace {

using Bench::argValue;
using Bench::percentile;

double processCpuS() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double threadCpuS() {
    timespec ts{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

double rssMiB() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool showPlot = true;

std::unique_ptr<FrmMain> openWindow(const QString &device) {
    auto w = std::make_unique<FrmMain>(PortMap(
        {QStringLiteral("COM1=") + device}, [](const QString &) { return QString(); },
        [] { return QList<ListedPort>(); }));
    w->findChild<QComboBox *>(QStringLiteral("Combo2"))->setCurrentText(QStringLiteral("115200"));
    w->show();
    if (showPlot)
        w->findChild<QDockWidget *>(QStringLiteral("Plot"))->toggleViewAction()->trigger();
    runFor(200);
    w->findChild<QPushButton *>(QStringLiteral("Command32"))->click();
    if (!w->portOpen()) {
        std::fprintf(stderr, "bench_watch: the window did not open %s\n", qPrintable(device));
        std::exit(1);
    }
    return w;
}

void saveShot(FrmMain &w, const QString &path) {
    auto *dock = w.findChild<QDockWidget *>(QStringLiteral("Plot"));
    const QPixmap window = w.grab();
    const QPixmap plot = dock->grab();
    QPixmap both(std::max(window.width(), plot.width()), window.height() + plot.height());
    both.fill(Qt::white);
    QPainter p(&both);
    p.drawPixmap(0, 0, window);
    p.drawPixmap(0, window.height(), plot);
    p.end();
    std::printf("  screenshot     %s (%s)\n", qPrintable(path),
                both.save(path) ? "saved" : "NOT saved");
}

void watchPhase(int intervalMs, int seconds, const QString &shot) {
    QProcess sim;
    sim.setProgram(QStringLiteral(T3208_BENCH_SIM));
    sim.start();
    QString device;
    if (sim.waitForStarted(5000) && sim.waitForReadyRead(5000))
        device = QString::fromLocal8Bit(sim.readLine()).trimmed().section(u' ', -1);
    if (device.isEmpty()) {
        std::fprintf(stderr, "bench_watch: t3208-sim did not start\n");
        std::exit(1);
    }
    auto w = openWindow(device);
    // Sends and good replies of the watched codes, on the session's clock.
    std::mutex lock;
    QHash<int, std::vector<qint64>> sent;
    long goodReplies = 0;
    QObject::connect(
        w->session(), &Session::recorded, w->session(),
        [&](const Records::Record &r) {
            const auto code = Records::code(r);
            if (!code || (*code != 0x36 && *code != 0x37))
                return;
            std::lock_guard g(lock);
            if (r.kind == Records::Kind::Request)
                sent[*code].push_back(r.timeUs);
            else if (r.kind == Records::Kind::Good && r.reply && r.reply->value)
                ++goodReplies;
        },
        Qt::DirectConnection);
    w->setWatchCodes({0x36, 0x37});
    w->setWatchInterval(intervalMs);
    w->findChild<QPushButton *>(QStringLiteral("WatchRun"))->click();
    // Moves of 20000 pulses back and forth, one every 5 s.
    QTimer mover;
    int direction = 1;
    auto move = [&] {
        const qint32 pulses = 20000 * direction;
        direction = -direction;
        QByteArray req("\x01\x31\x04", 3);
        for (int shift = 24; shift >= 0; shift -= 8)
            req.append(char((quint32(pulses) >> shift) & 0xFF));
        w->SendComm(Framing::rtu(req));
    };
    QObject::connect(&mover, &QTimer::timeout, move);
    mover.start(5000);
    runFor(1000);
    move();
    runFor(seconds * 1000 - 1000);
    w->findChild<QPushButton *>(QStringLiteral("WatchRun"))->click();
    mover.stop();
    runFor(300);
    w->settle();

    std::vector<double> error, absError;
    long sends = 0;
    {
        std::lock_guard g(lock);
        for (const auto &times : std::as_const(sent)) {
            sends += long(times.size());
            for (std::size_t i = 1; i < times.size(); ++i) {
                const double e = double(times[i] - times[i - 1]) / 1000.0 - intervalMs;
                error.push_back(e);
                absError.push_back(std::abs(e));
            }
        }
    }
    const SeriesModel &m = w->plot()->model();
    const std::size_t plotted = m.samples(0).size() + m.samples(1).size();
    std::printf("watch: speed and position every %d ms for %d s, t3208-sim at 115200\n", intervalMs,
                seconds);
    std::printf("  sends          %ld\n", sends);
    std::printf("  interval error median %+.3f ms, p99 %+.3f ms, |error| p99 %.3f ms, worst "
                "%.3f ms\n",
                percentile(error, 50), percentile(error, 99), percentile(absError, 99),
                absError.empty() ? 0.0 : *std::max_element(absError.begin(), absError.end()));
    std::printf("  replies        %ld good, %zu plotted\n", goodReplies, plotted);
    if (!shot.isEmpty()) {
        w->plot()->redrawNow();
        runFor(200);
        saveShot(*w, shot);
    }
    w.reset();
    sim.write("quit\n");
    sim.waitForFinished(2000);
}

using Bench::Pty;

QByteArray valueReply(quint8 code, quint32 v) {
    QByteArray b("\x01", 1);
    b.append(char(code));
    b.append('\x04');
    for (int shift = 24; shift >= 0; shift -= 8)
        b.append(char((v >> shift) & 0xFF));
    return Framing::rtu(b);
}

void cpuPhase(int seconds) {
    Pty pty;
    auto w = openWindow(pty.slave);
    runFor(500);
    // Longest time the window's event loop was kept from a 10 ms timer.
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QElapsedTimer since;
    double stall = 0;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        stall = std::max(stall, double(since.nsecsElapsed()) / 1e6 - 10.0);
        since.restart();
    });
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        // 100 values a second: a speed and a position reply every 20 ms,
        // a trapezoid of speed and a rising position.
        auto next = std::chrono::steady_clock::now();
        for (quint32 i = 0; !stop; ++i) {
            next += std::chrono::milliseconds(20);
            std::this_thread::sleep_until(next);
            const quint32 phase = i % 500;
            const quint32 speed = phase < 100   ? phase * 100
                                  : phase < 400 ? 10000
                                                : (500 - phase) * 100;
            const QByteArray both = valueReply(0x36, speed) + valueReply(0x37, i * 200);
            if (!pty.writeAll(both.constData(), size_t(both.size())))
                break;
        }
    });
    runFor(1000);
    const int redrawsBefore = w->plot()->redraws();
    const double thread0 = threadCpuS(), process0 = processCpuS();
    QElapsedTimer wall;
    wall.start();
    since.start();
    probe.start(10);
    runFor(seconds * 1000);
    probe.stop();
    const double elapsed = double(wall.nsecsElapsed()) / 1e9;
    const double thread = (threadCpuS() - thread0) / elapsed * 100;
    const double process = (processCpuS() - process0) / elapsed * 100;
    stop = true;
    writer.join();
    std::printf("cpu: 100 values a second for %d s, window shown, plot %s\n", seconds,
                showPlot ? "shown (60 s window)" : "hidden");
    std::printf("  window thread  %.1f %% of a core\n", thread);
    std::printf("  process        %.1f %% of a core\n", process);
    std::printf("  redraws        %.1f a second\n",
                (w->plot()->redraws() - redrawsBefore) / elapsed);
    std::printf("  samples        %zu\n", w->plot()->model().size());
    std::printf("  longest stall  %.1f ms\n", stall);
}

void memoryPhase() {
    FrmMain w;
    w.show();
    w.findChild<QDockWidget *>(QStringLiteral("Plot"))->toggleViewAction()->trigger();
    runFor(300);
    const double before = rssMiB();
    QElapsedTimer t;
    t.start();
    // An hour: speed and position, 50 each a second, handed over as the
    // window gets them (batches of 10).
    constexpr int Values = 360'000;
    QList<Records::Record> batch;
    for (int i = 0; i < Values; ++i) {
        Frames::Frame f;
        f.kind = Frames::Kind::Good;
        f.bytes = valueReply(i % 2 ? 0x37 : 0x36, quint32(i));
        f.timeUs = qint64(i) * 10'000;
        Records::Record r;
        r.direction = Records::Direction::Received;
        r.kind = Records::Kind::Good;
        r.timeUs = f.timeUs;
        r.bytes = f.bytes;
        r.reply = Receive::CommRec(f);
        batch << r;
        if (batch.size() == 10) {
            w.plot()->take(batch);
            batch.clear();
        }
    }
    const double takeS = double(t.nsecsElapsed()) / 1e9;
    w.plot()->setClock({});
    auto *window = w.findChild<QComboBox *>(QStringLiteral("PlotWindow"));
    window->setCurrentIndex(3);
    emit window->activated(3);
    t.restart();
    w.plot()->redrawNow();
    const double drawMs = double(t.nsecsElapsed()) / 1e6;
    runFor(300);
    const double after = rssMiB();
    std::printf("memory: an hour at 100 values a second (%d samples)\n", Values);
    std::printf("  resident       %.1f MiB before, %.1f MiB after (+%.1f MiB)\n", before, after,
                after - before);
    std::printf("  taking them    %.2f s (records built and decoded here included)\n", takeS);
    std::printf("  one redraw of the whole hour  %.1f ms, %d + %d points drawn\n", drawMs,
                w.plot()->drawnPoints(0), w.plot()->drawnPoints(1));
}

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList phases;
    QString shot;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--phase") == 0)
            phases << QString::fromLatin1(argv[i + 1]);
        if (std::strcmp(argv[i], "--shot") == 0)
            shot = QString::fromLocal8Bit(argv[i + 1]);
    }
    showPlot = argValue(argc, argv, "--plot", 1) != 0;
    if (phases.isEmpty())
        phases = {QStringLiteral("watch"), QStringLiteral("cpu"), QStringLiteral("memory")};
    for (const QString &p : phases) {
        if (p == QLatin1String("watch"))
            watchPhase(argValue(argc, argv, "--interval", 20),
                       argValue(argc, argv, "--seconds", 60), shot);
        else if (p == QLatin1String("cpu"))
            cpuPhase(argValue(argc, argv, "--cpu-seconds", 60));
        else if (p == QLatin1String("memory"))
            memoryPhase();
        std::fflush(stdout);
    }
    return 0;
}
