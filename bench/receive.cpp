// bench_receive: how the main window keeps up with incoming traffic.
//
// The window opens COM1, mapped to the slave side of a pseudo-terminal; a
// writer thread plays the controller on the master side:
//   phase A  paced: 115200 baud worth (11520 bytes/s), a piece every 10 ms,
//            for --paced-seconds (default 60);
//   phase B  unpaced: --unpaced-mib MiB (default 8) as fast as the terminal
//            takes it.
// The bytes are pseudo-random (fixed seed). For each phase it prints the bytes
// written against the window's receivedTotal(), the longest event-loop stall
// (a 10 ms precise timer in the GUI thread: longest gap between its ticks,
// minus 10 ms), the duration of the window's 200 ms poll ticks, CPU time
// (process, writer thread, GUI thread) and, for phase B, the throughput.
//
// A phase given 0 seconds or 0 MiB is left out.
// The phase ends at the poll tick that brings receivedTotal() to the bytes
// written; with 5 s without progress it ends short and the bench exits 1.
//
//   bench_receive [--paced-seconds N] [--unpaced-mib N]
//   (T3208_BENCH_PACED_SECONDS sets the default of --paced-seconds.)
// QT_QPA_PLATFORM defaults to offscreen.
#include "link/portmap.h"
#include "link/seriallink.h"
#include "ui/frmmain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <pty.h>
#include <random>
#include <string>
#include <sys/resource.h>
#include <termios.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}
double millis(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double processCpuS() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double threadCpuS() {
    rusage u{};
    ::getrusage(RUSAGE_THREAD, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double guiThreadCpuS() {
    timespec ts{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

long statusKb(const char *field) {
    FILE *f = std::fopen("/proc/self/status", "r");
    if (!f)
        return -1;
    const size_t len = std::strlen(field);
    long kb = -1;
    char line[256];
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, field, len) == 0) {
            kb = std::strtol(line + len, nullptr, 10);
            break;
        }
    std::fclose(f);
    return kb;
}

// The controller's side of the line: a pseudo-terminal whose slave the window
// opens by path.
struct Pty {
    int master = -1;
    int slaveKeeper = -1;
    std::string slavePath;
    std::string error;

    Pty() {
        char name[256] = {};
        if (::openpty(&master, &slaveKeeper, name, nullptr, nullptr) != 0) {
            error = std::strerror(errno);
            master = slaveKeeper = -1;
            return;
        }
        termios raw{};
        if (::tcgetattr(slaveKeeper, &raw) == 0) {
            ::cfmakeraw(&raw);
            ::tcsetattr(slaveKeeper, TCSANOW, &raw);
        }
        const int flags = ::fcntl(master, F_GETFL);
        if (flags < 0 || ::fcntl(master, F_SETFL, flags | O_NONBLOCK) < 0) {
            error = std::strerror(errno);
            return;
        }
        slavePath = name;
    }
    ~Pty() {
        if (master >= 0)
            ::close(master);
        if (slaveKeeper >= 0)
            ::close(slaveKeeper);
    }
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;
};

// What the writer thread reports; the GUI thread reads it while it runs.
struct WriterState {
    std::atomic<qint64> written{0};
    std::atomic<qint64> echoed{0}; // bytes that came back on the master (none expected)
    std::atomic<bool> done{false};
    std::atomic<bool> failed{false};
    double cpuS = 0;   // the writer thread's own CPU time; valid once done
    double wallS = 0;  // from its start to its last write; valid once done
    std::string error; // valid once done
};

// Writes all of [p, p+n) to the non-blocking master, reading back anything the
// terminal echoes so the line cannot jam; false after 5 s without progress.
bool writeAll(int fd, const char *p, size_t n, WriterState &st) {
    auto lastProgress = Clock::now();
    char scratch[4096];
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w > 0) {
            p += w;
            n -= size_t(w);
            st.written.fetch_add(w, std::memory_order_relaxed);
            lastProgress = Clock::now();
            continue;
        }
        if (w < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            st.error = std::string("write: ") + std::strerror(errno);
            return false;
        }
        if (Clock::now() - lastProgress > std::chrono::seconds(5)) {
            st.error = "the terminal took nothing for 5 s";
            return false;
        }
        pollfd pf{fd, POLLOUT | POLLIN, 0};
        if (::poll(&pf, 1, 100) > 0 && (pf.revents & POLLIN)) {
            const ssize_t r = ::read(fd, scratch, sizeof scratch);
            if (r > 0)
                st.echoed.fetch_add(r, std::memory_order_relaxed);
        }
    }
    return true;
}

// `rate` bytes per second, one piece every `pieceMs`, on an absolute schedule
// so the rate does not drift.
void pacedWriter(int fd, const QByteArray &data, int rate, int pieceMs, WriterState &st) {
    const double cpu0 = threadCpuS();
    const auto t0 = Clock::now();
    const qint64 total = data.size();
    qint64 sent = 0;
    bool ok = true;
    for (qint64 k = 1; ok && sent < total; ++k) {
        std::this_thread::sleep_until(t0 + std::chrono::milliseconds(k * pieceMs));
        const qint64 due = std::min<qint64>(total, qint64(rate) * k * pieceMs / 1000);
        if (due > sent) {
            ok = writeAll(fd, data.constData() + sent, size_t(due - sent), st);
            sent = due;
        }
    }
    st.wallS = seconds(Clock::now() - t0);
    st.cpuS = threadCpuS() - cpu0;
    st.failed.store(!ok);
    st.done.store(true);
}

void unpacedWriter(int fd, const QByteArray &data, WriterState &st) {
    const double cpu0 = threadCpuS();
    const auto t0 = Clock::now();
    constexpr qint64 Piece = 4096;
    bool ok = true;
    for (qint64 at = 0; ok && at < data.size(); at += Piece)
        ok = writeAll(fd, data.constData() + at, size_t(std::min(Piece, data.size() - at)), st);
    st.wallS = seconds(Clock::now() - t0);
    st.cpuS = threadCpuS() - cpu0;
    st.failed.store(!ok);
    st.done.store(true);
}

// Times every dispatch to the window's poll timer (the QTimer "Timer1") and
// calls a hook after each.
class BenchApp : public QApplication {
public:
    using QApplication::QApplication;

    std::function<void(Clock::duration)> afterPoll;

    bool notify(QObject *receiver, QEvent *e) override {
        if (e->type() != QEvent::Timer || !isPollTimer(receiver))
            return QApplication::notify(receiver, e);
        const auto t0 = Clock::now();
        const bool r = QApplication::notify(receiver, e);
        const auto d = Clock::now() - t0;
        if (afterPoll)
            afterPoll(d);
        return r;
    }

private:
    bool isPollTimer(QObject *o) {
        if (m_pollTimer)
            return o == m_pollTimer;
        if (qobject_cast<QTimer *>(o) && o->objectName() == QLatin1String("Timer1")) {
            m_pollTimer = o;
            return true;
        }
        return false;
    }
    QObject *m_pollTimer = nullptr;
};

struct PhaseResult {
    std::string name;
    qint64 written = 0;
    qint64 received = 0;
    qint64 echoed = 0;
    bool complete = false;
    std::string writerError;
    double wallS = 0;       // writer start to the poll tick that completed the phase
    double writerWallS = 0; // writer start to its last write
    double stallMaxMs = 0;
    int stallsOver20 = 0, stallsOver50 = 0, stallsOver100 = 0, stallsOver250 = 0;
    qint64 meterTicks = 0;
    int pollTicks = 0;
    int pollBusyTicks = 0; // ticks that read something
    double pollMaxMs = 0;
    double pollTotalMs = 0;
    double pollBusyMaxBytes = 0;
    double procCpuS = 0, writerCpuS = 0, guiCpuS = 0;
    long rssKb = -1;
    qint64 labelMax = 0, labelLast = 0;
    int labelResets = 0;
};

class Bench {
public:
    Bench(BenchApp &app, FrmMain &w) : m_app(app), m_w(w) {
        m_label = w.findChild<QLabel *>(QStringLiteral("Label45"));
        m_meter.setTimerType(Qt::PreciseTimer);
        m_meter.setInterval(10);
        QObject::connect(&m_meter, &QTimer::timeout, [this] { meterTick(); });
        m_meter.start();
    }

    template <typename Writer>
    PhaseResult run(const std::string &name, qint64 target, Writer writer) {
        PhaseResult r;
        r.name = name;
        m_r = &r;
        WriterState st;
        m_st = &st;
        m_target = target;
        m_base = m_w.receivedTotal();
        m_lastLabel = labelValue();
        m_completed = false;
        m_finished = false;
        m_lastGot = 0;

        QEventLoop loop;
        m_loop = &loop;
        m_app.afterPoll = [this](Clock::duration d) { pollTick(d); };

        // No-progress guard: 5 s with nothing more received.
        qint64 lastSeen = -1;
        auto lastProgress = Clock::now();
        QTimer guard;
        guard.setInterval(50);
        QObject::connect(&guard, &QTimer::timeout, [&] {
            const qint64 got = m_w.receivedTotal() - m_base;
            if (got != lastSeen) {
                lastSeen = got;
                lastProgress = Clock::now();
            }
            const bool writerStuck = st.done.load() && st.failed.load();
            if (writerStuck || Clock::now() - lastProgress > std::chrono::seconds(5))
                finish();
        });

        m_cpu0 = processCpuS();
        m_gui0 = guiThreadCpuS();
        m_t0 = Clock::now();
        guard.start();
        std::thread t([&] { writer(st); });
        loop.exec();
        guard.stop();
        t.join();
        m_app.afterPoll = nullptr;
        m_loop = nullptr;

        r.written = st.written.load();
        r.echoed = st.echoed.load();
        r.received = m_w.receivedTotal() - m_base;
        r.complete = m_completed && !st.failed.load() && r.received == r.written;
        r.writerError = st.error;
        r.writerWallS = st.wallS;
        r.writerCpuS = st.cpuS;
        r.rssKb = statusKb("VmRSS:");
        r.labelLast = labelValue();
        m_r = nullptr;
        m_st = nullptr;
        return r;
    }

private:
    qint64 labelValue() const { return m_label ? m_label->text().toLongLong() : -1; }

    void meterTick() {
        const auto now = Clock::now();
        if (m_r && m_lastMeter != Clock::time_point{}) {
            const double late = millis(now - m_lastMeter) - 10.0;
            m_r->stallMaxMs = std::max(m_r->stallMaxMs, late);
            m_r->stallsOver20 += late > 20;
            m_r->stallsOver50 += late > 50;
            m_r->stallsOver100 += late > 100;
            m_r->stallsOver250 += late > 250;
            ++m_r->meterTicks;
        }
        m_lastMeter = now;
    }

    void pollTick(Clock::duration d) {
        if (!m_r || m_completed)
            return;
        const double ms = millis(d);
        ++m_r->pollTicks;
        m_r->pollTotalMs += ms;
        m_r->pollMaxMs = std::max(m_r->pollMaxMs, ms);
        const qint64 got = m_w.receivedTotal() - m_base;
        if (got != m_lastGot) {
            ++m_r->pollBusyTicks;
            m_r->pollBusyMaxBytes = std::max(m_r->pollBusyMaxBytes, double(got - m_lastGot));
            m_lastGot = got;
        }
        const qint64 label = labelValue();
        if (label < m_lastLabel)
            ++m_r->labelResets;
        m_r->labelMax = std::max(m_r->labelMax, label);
        m_lastLabel = label;
        if (got >= m_target && m_st->done.load()) {
            m_completed = true;
            finish();
        }
    }

    // Takes the phase's end figures (once) and leaves its loop a little later,
    // so that the stall meter still sees a gap the last poll tick caused.
    void finish() {
        if (!m_loop || m_finished)
            return;
        m_finished = true;
        m_r->wallS = seconds(Clock::now() - m_t0);
        m_r->procCpuS = processCpuS() - m_cpu0;
        m_r->guiCpuS = guiThreadCpuS() - m_gui0;
        QTimer::singleShot(50, m_loop, &QEventLoop::quit);
    }

    BenchApp &m_app;
    FrmMain &m_w;
    QLabel *m_label = nullptr;
    QTimer m_meter;
    Clock::time_point m_lastMeter{};
    PhaseResult *m_r = nullptr;
    WriterState *m_st = nullptr;
    QEventLoop *m_loop = nullptr;
    bool m_finished = false;
    qint64 m_target = 0;
    qint64 m_base = 0;
    qint64 m_lastGot = 0;
    qint64 m_lastLabel = 0;
    bool m_completed = false;
    Clock::time_point m_t0{};
    double m_cpu0 = 0, m_gui0 = 0;
};

QByteArray randomBytes(qint64 n, unsigned seed) {
    QByteArray b(n, Qt::Uninitialized);
    std::mt19937 rng(seed);
    for (qint64 i = 0; i < n; ++i)
        b[i] = char(rng() & 0xff);
    return b;
}

void printTable(const std::vector<PhaseResult> &rs) {
    auto line = [&](const char *name, auto cell) {
        std::printf("%-34s", name);
        for (const PhaseResult &r : rs)
            std::printf(" %22s", cell(r).c_str());
        std::printf("\n");
    };
    auto fmt = [](const char *f, auto... v) {
        char buf[64];
        std::snprintf(buf, sizeof buf, f, v...);
        return std::string(buf);
    };
    auto pct = [](double cpu, double wall) { return wall > 0 ? 100.0 * cpu / wall : 0.0; };
    auto kibPerS = [](qint64 bytes, double s) { return s > 0 ? bytes / 1024.0 / s : 0.0; };

    line("", [](const PhaseResult &r) { return r.name; });
    line("bytes written", [&](const PhaseResult &r) { return fmt("%lld", (long long)r.written); });
    line("bytes received (receivedTotal)",
         [&](const PhaseResult &r) { return fmt("%lld", (long long)r.received); });
    line("lost",
         [&](const PhaseResult &r) { return fmt("%lld", (long long)(r.written - r.received)); });
    line("echoed back on the master",
         [&](const PhaseResult &r) { return fmt("%lld", (long long)r.echoed); });
    line("complete", [](const PhaseResult &r) { return std::string(r.complete ? "yes" : "NO"); });
    line("wall time, start to all received",
         [&](const PhaseResult &r) { return fmt("%.3f s", r.wallS); });
    line("writer time, start to last write",
         [&](const PhaseResult &r) { return fmt("%.3f s", r.writerWallS); });
    line("throughput, received / wall",
         [&](const PhaseResult &r) { return fmt("%.1f KiB/s", kibPerS(r.received, r.wallS)); });
    line("pty accept rate, written / writer", [&](const PhaseResult &r) {
        return fmt("%.1f KiB/s", kibPerS(r.written, r.writerWallS));
    });
    line("event-loop stall max (gap - 10 ms)",
         [&](const PhaseResult &r) { return fmt("%.1f ms", r.stallMaxMs); });
    line("  10 ms ticks seen",
         [&](const PhaseResult &r) { return fmt("%lld", (long long)r.meterTicks); });
    line("  stalls > 20 / 50 / 100 / 250 ms", [&](const PhaseResult &r) {
        return fmt("%d / %d / %d / %d", r.stallsOver20, r.stallsOver50, r.stallsOver100,
                   r.stallsOver250);
    });
    line("poll ticks (200 ms)", [&](const PhaseResult &r) { return fmt("%d", r.pollTicks); });
    line("  ticks that read data",
         [&](const PhaseResult &r) { return fmt("%d", r.pollBusyTicks); });
    line("  poll tick max", [&](const PhaseResult &r) { return fmt("%.1f ms", r.pollMaxMs); });
    line("  poll tick mean", [&](const PhaseResult &r) {
        return fmt("%.2f ms", r.pollTicks ? r.pollTotalMs / r.pollTicks : 0.0);
    });
    line("  most bytes in one tick",
         [&](const PhaseResult &r) { return fmt("%.0f", r.pollBusyMaxBytes); });
    line("  poll ticks' share of wall", [&](const PhaseResult &r) {
        return fmt("%.1f %%", pct(r.pollTotalMs / 1000.0, r.wallS));
    });
    line("CPU process", [&](const PhaseResult &r) {
        return fmt("%.2f s = %.1f %%", r.procCpuS, pct(r.procCpuS, r.wallS));
    });
    line("CPU writer thread", [&](const PhaseResult &r) {
        return fmt("%.2f s = %.1f %%", r.writerCpuS, pct(r.writerCpuS, r.wallS));
    });
    line("CPU process minus writer", [&](const PhaseResult &r) {
        const double c = r.procCpuS - r.writerCpuS;
        return fmt("%.2f s = %.1f %%", c, pct(c, r.wallS));
    });
    line("CPU GUI thread", [&](const PhaseResult &r) {
        return fmt("%.2f s = %.1f %%", r.guiCpuS, pct(r.guiCpuS, r.wallS));
    });
    line("VmRSS at end", [&](const PhaseResult &r) { return fmt("%.1f MiB", r.rssKb / 1024.0); });
    line("Label45 at end",
         [&](const PhaseResult &r) { return fmt("%lld", (long long)r.labelLast); });
    line("  Label45 highest",
         [&](const PhaseResult &r) { return fmt("%lld", (long long)r.labelMax); });
    line("  Label45 resets (value fell)",
         [&](const PhaseResult &r) { return fmt("%d", r.labelResets); });
    std::printf("(CPU %% = CPU time / the phase's wall time; 100 %% = one core)\n");
}

[[noreturn]] void usage(const char *argv0) {
    std::fprintf(stderr, "usage: %s [--paced-seconds N] [--unpaced-mib N]\n", argv0);
    std::exit(2);
}

} // namespace

int main(int argc, char *argv[]) {
    int pacedSeconds = 60;
    if (const char *e = std::getenv("T3208_BENCH_PACED_SECONDS"))
        pacedSeconds = std::atoi(e);
    int unpacedMib = 8;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--paced-seconds" && i + 1 < argc)
            pacedSeconds = std::atoi(argv[++i]);
        else if (a == "--unpaced-mib" && i + 1 < argc)
            unpacedMib = std::atoi(argv[++i]);
        else if (a != "-platform") // let Qt's own options through
            usage(argv[0]);
        else
            ++i;
    }
    if (pacedSeconds < 0 || unpacedMib < 0)
        usage(argv[0]);

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    BenchApp app(argc, argv);

    Pty pty;
    if (pty.master < 0 || pty.slavePath.empty()) {
        std::fprintf(stderr, "bench_receive: no pseudo-terminal: %s\n", pty.error.c_str());
        return 1;
    }

    FrmMain w(PortMap(
        {QStringLiteral("COM1=") + QString::fromStdString(pty.slavePath)},
        [](const QString &) { return QString(); }, [] { return QList<ListedPort>(); }));
    QObject::connect(&w, &FrmMain::messageShown, [](const QString &text) {
        std::fprintf(stderr, "bench_receive: the window says: %s\n", qPrintable(text));
    });
    w.show();
    auto *open = w.findChild<QPushButton *>(QStringLiteral("Command32"));
    if (!open) {
        std::fprintf(stderr, "bench_receive: no Command32 button\n");
        return 1;
    }
    open->click();
    if (!w.link() || !w.link()->isOpen()) {
        std::fprintf(stderr, "bench_receive: the window did not open %s\n", pty.slavePath.c_str());
        return 1;
    }
    // Let the window settle before the first byte.
    {
        QEventLoop settle;
        QTimer::singleShot(500, &settle, &QEventLoop::quit);
        settle.exec();
    }

    constexpr int Rate = 11520; // 115200 baud, 10 bits a byte
    constexpr int PieceMs = 10;
    const qint64 pacedBytes = qint64(Rate) * pacedSeconds;
    const qint64 unpacedBytes = qint64(unpacedMib) * 1024 * 1024;
    const QByteArray paced = randomBytes(pacedBytes, 3208);
    const QByteArray unpaced = randomBytes(unpacedBytes, 8023);

    std::printf("bench_receive: platform %s, port COM1 -> %s, VmRSS at start %.1f MiB\n",
                qPrintable(QGuiApplication::platformName()), pty.slavePath.c_str(),
                statusKb("VmRSS:") / 1024.0);
    std::printf("phase A: %d s paced at %d bytes/s (a piece every %d ms) = %lld bytes\n",
                pacedSeconds, Rate, PieceMs, (long long)pacedBytes);
    std::printf("phase B: %d MiB unpaced (4096-byte writes) = %lld bytes\n\n", unpacedMib,
                (long long)unpacedBytes);
    std::fflush(stdout);

    Bench bench(app, w);
    std::vector<PhaseResult> results;
    const int fd = pty.master;
    if (pacedBytes > 0)
        results.push_back(bench.run("A paced", pacedBytes, [&](WriterState &st) {
            pacedWriter(fd, paced, Rate, PieceMs, st);
        }));
    if (unpacedBytes > 0)
        results.push_back(bench.run("B unpaced", unpacedBytes,
                                    [&](WriterState &st) { unpacedWriter(fd, unpaced, st); }));

    printTable(results);
    std::printf("VmHWM (peak RSS) %.1f MiB\n", statusKb("VmHWM:") / 1024.0);

    bool ok = true;
    for (const PhaseResult &r : results)
        if (!r.complete) {
            ok = false;
            std::fprintf(stderr, "bench_receive: phase %s incomplete: %lld of %lld bytes%s%s\n",
                         r.name.c_str(), (long long)r.received, (long long)r.written,
                         r.writerError.empty() ? "" : "; writer: ", r.writerError.c_str());
        }
    return ok ? 0 : 1;
}
