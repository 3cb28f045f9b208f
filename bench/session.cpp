// bench_session: the window and its session against a controller played on the
// master side of a pseudo-terminal (the window opens the slave as COM1 at
// 115200). Each phase prints its figures; nothing is asserted.
//
//   latency  value replies (query absolute position, 9 bytes) written at random
//            intervals of 20..60 ms; time from the write of a reply's last byte
//            to its value in Text18: median and worst (--replies N, default 300).
//   polling  a list of one position query run every 50 ms for --poll-seconds
//            (default 60); every request is answered at once with a new value;
//            replies shown in Text18 against requests answered.
//   runner   a list of a frame line and "Delay:50" (--frames N, default 300)
//            while a stream of value replies paced at 115200 baud (11520
//            bytes/s, a piece every 10 ms) feeds the receive view; the error is
//            the gap between consecutive frames at the master minus 50 ms.
//   paced    pseudo-random bytes paced at 115200 baud for --paced-seconds
//            (default 60): bytes lost, longest event-loop stall of the window,
//            CPU of the process.
//   replies  back-to-back position replies paced at 115200 baud for
//            --paced-seconds: the same figures, and how often Text18 was set.
//   logcost  the reply stream of "replies" for --paced-seconds without and
//            then with the traffic log on: the extra CPU of logging.
//
// The window is shown (a hidden view is neither laid out nor painted, so it
// would say nothing about what a user's machine spends); --hidden keeps it
// hidden for comparison. --log makes the latency, polling, runner and paced
// phases keep a traffic log in a temporary folder. Run under a display server
// (xvfb-run) for figures as on a desktop.
//   unpaced  --unpaced-mib MiB (default 8) of pseudo-random bytes as fast as the
//            terminal takes them: bytes lost, throughput, longest stall.
//
//   bench_session [--phase latency|polling|runner|paced|unpaced]... [options]
// Without --phase every phase runs. QT_QPA_PLATFORM defaults to offscreen.
#include "benchutil.h"
#include "codec/checksum.h"
#include "link/portmap.h"
#include "ui/frmmain.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QListWidget>
#include <QPaintEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>

#include "benchpty.h"
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
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

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

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

using Bench::argValue;

QByteArray rtu(QByteArray b) {
    const quint16 crc = CommSetting::crc16(b);
    b.append(char(crc & 0xFF));
    b.append(char(crc >> 8));
    return b;
}

QByteArray positionReply(quint32 v) {
    QByteArray b("\x01\x37\x04", 3);
    for (int shift = 24; shift >= 0; shift -= 8)
        b.append(char((v >> shift) & 0xFF));
    return rtu(b);
}

using Bench::Pty;

// --paints: which widgets were painted during a stream, and how much of them.
struct PaintCounter : QObject {
    std::map<std::string, std::pair<int, qint64>> byWidget; // paints, pixels
    bool eventFilter(QObject *o, QEvent *e) override {
        if (e->type() == QEvent::Paint) {
            const QRect r = static_cast<QPaintEvent *>(e)->rect();
            QString name = o->objectName();
            if (name.isEmpty())
                name = QString::fromLatin1(o->metaObject()->className()) + u'@' +
                       (o->parent() ? o->parent()->objectName() : QString());
            auto &entry = byWidget[name.toStdString()];
            ++entry.first;
            entry.second += qint64(r.width()) * r.height();
        }
        return false;
    }
    void print(double seconds) const {
        std::vector<std::pair<qint64, std::string>> top;
        for (const auto &[name, v] : byWidget)
            top.emplace_back(v.second, name + " " + std::to_string(v.first));
        std::sort(top.rbegin(), top.rend());
        std::printf("  painted (widget, paints, kpixels/s):\n");
        for (std::size_t i = 0; i < std::min<std::size_t>(15, top.size()); ++i)
            std::printf("    %-50s %8.0f\n", top[i].second.c_str(),
                        top[i].first / 1000.0 / seconds);
    }
};
bool g_paints = false;

bool g_hidden = false;
bool g_log = false;
QTemporaryDir *g_logDir = nullptr;

void startLog(FrmMain &w, const char *name) {
    const QString path = g_logDir->filePath(QString::fromLatin1(name) + QStringLiteral(".csv"));
    if (!w.startLog(path)) {
        std::fprintf(stderr, "bench_session: cannot log to %s\n", qPrintable(path));
        std::exit(1);
    }
}

std::unique_ptr<FrmMain> openWindow(const Pty &pty) {
    auto w = std::make_unique<FrmMain>(PortMap(
        {QStringLiteral("COM1=") + pty.slave}, [](const QString &) { return QString(); },
        [] { return QList<ListedPort>(); }));
    if (!g_hidden) {
        w->show();
        // Laid out and painted once before anything is measured.
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 500)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    w->findChild<QComboBox *>(QStringLiteral("Combo2"))->setCurrentText(QStringLiteral("115200"));
    w->findChild<QPushButton *>(QStringLiteral("Command32"))->click();
    if (!w->portOpen()) {
        std::fprintf(stderr, "bench_session: the window did not open %s\n", qPrintable(pty.slave));
        std::exit(1);
    }
    return w;
}

// The longest time the GUI thread's event loop was kept from a 25 ms timer
// (not shorter: the probe's own wake-ups would count in the CPU figures).
struct StallProbe {
    static constexpr int PeriodMs = 25;
    QTimer timer;
    QElapsedTimer since;
    double worstMs = 0;
    StallProbe() {
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            worstMs = std::max(worstMs, double(since.nsecsElapsed()) / 1e6 - PeriodMs);
            since.restart();
        });
        timer.start(PeriodMs);
        since.start();
    }
};

void runUntil(const std::function<bool()> &done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    // Sleeps in the event loop between checks, so the harness itself costs
    // no CPU worth measuring.
    while (!done() && t.elapsed() < timeoutMs) {
        QEventLoop loop;
        QTimer::singleShot(50, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

void latency(int replies) {
    Pty pty;
    auto w = openWindow(pty);
    if (g_log)
        startLog(*w, "latency");
    auto *field = w->findChild<QLineEdit *>(QStringLiteral("Text18"));
    std::vector<Clock::time_point> written(std::size_t(replies) + 1);
    std::vector<double> lat;
    std::atomic<int> sent{0};
    QObject::connect(field, &QLineEdit::textChanged, [&](const QString &text) {
        const auto now = Clock::now();
        const int i = text.trimmed().toInt();
        if (i >= 1 && i <= sent.load())
            lat.push_back(ms(now - written[std::size_t(i)]));
    });
    std::thread writer([&] {
        std::mt19937 rng(7);
        std::uniform_int_distribution<int> gap(20, 60);
        for (int i = 1; i <= replies; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(gap(rng)));
            const QByteArray r = positionReply(quint32(i));
            written[std::size_t(i)] = Clock::now();
            sent = i;
            pty.writeAll(r.constData(), size_t(r.size()));
        }
    });
    runUntil([&] { return int(lat.size()) >= replies; }, replies * 70 + 3000);
    writer.join();
    std::printf("reply to field (%d replies, 20..60 ms apart):\n", replies);
    std::printf("  shown          %zu of %d\n", lat.size(), replies);
    std::printf("  median         %.2f ms\n", percentile(lat, 50));
    std::printf("  p99            %.2f ms\n", percentile(lat, 99));
    std::printf("  worst          %.2f ms\n", percentile(lat, 100));
}

// Answers every 5-byte position query read on the master with a new value.
struct Responder {
    const Pty &pty;
    std::atomic<bool> stop{false};
    std::atomic<int> answered{0};
    std::thread thread;
    explicit Responder(const Pty &p) : pty(p) {
        thread = std::thread([this] {
            int got = 0;
            char buf[256];
            while (!stop) {
                pollfd pf{pty.master, POLLIN, 0};
                if (::poll(&pf, 1, 20) <= 0)
                    continue;
                const ssize_t n = ::read(pty.master, buf, sizeof buf);
                for (ssize_t i = 0; i < n; ++i)
                    if (++got % 5 == 0) {
                        const QByteArray r = positionReply(quint32(answered + 1));
                        pty.writeAll(r.constData(), size_t(r.size()));
                        ++answered;
                    }
            }
        });
    }
    ~Responder() {
        stop = true;
        thread.join();
    }
};

void polling(int seconds) {
    Pty pty;
    auto w = openWindow(pty);
    if (g_log)
        startLog(*w, "polling");
    auto *field = w->findChild<QLineEdit *>(QStringLiteral("Text18"));
    int shown = 0;
    int last = 0;
    int outOfOrder = 0;
    QObject::connect(field, &QLineEdit::textChanged, [&](const QString &text) {
        const int v = text.trimmed().toInt();
        ++shown;
        if (v != last + 1)
            ++outOfOrder;
        last = v;
    });
    auto *list = w->findChild<QListWidget *>(QStringLiteral("List1"));
    list->addItem(QString::fromLatin1(rtu(QByteArray("\x01\x37\x00", 3)).toHex(' ').toUpper()) +
                  u' ');
    w->findChild<QLineEdit *>(QStringLiteral("Text22"))->setText(QStringLiteral("50"));
    Responder responder(pty);
    StallProbe probe;
    const double cpu0 = processCpuS();
    const auto t0 = Clock::now();
    w->findChild<QCheckBox *>(QStringLiteral("Check1"))->click();
    runUntil([&] { return Clock::now() - t0 > std::chrono::seconds(seconds); },
             seconds * 1000 + 1000);
    w->findChild<QCheckBox *>(QStringLiteral("Check1"))->click();
    runUntil([&] { return shown >= responder.answered; }, 1000);
    const double cpu = processCpuS() - cpu0;
    std::printf("polling list, one query every 50 ms for %d s:\n", seconds);
    std::printf("  replies sent   %d\n", responder.answered.load());
    std::printf("  replies shown  %d (out of order or skipped: %d)\n", shown, outOfOrder);
    std::printf("  longest stall  %.1f ms\n", probe.worstMs);
    std::printf("  CPU            %.1f %% of one core\n", 100.0 * cpu / seconds);
}

// Writes `data` paced at `rate` bytes/s in pieces every 10 ms until stopped or
// all written.
struct PacedWriter {
    std::atomic<bool> stop{false};
    std::atomic<qint64> written{0};
    std::thread thread;
    PacedWriter(const Pty &pty, const QByteArray &data, int rate, bool loop) {
        thread = std::thread([this, &pty, data, rate, loop] {
            const auto start = Clock::now();
            qint64 pos = 0;
            for (int tick = 1; !stop; ++tick) {
                const qint64 due = qint64(rate) * tick / 100;
                while (written < due && !stop) {
                    if (pos >= data.size()) {
                        if (!loop)
                            return;
                        pos = 0;
                    }
                    const qint64 n = std::min(due - written.load(), data.size() - pos);
                    if (!pty.writeAll(data.constData() + pos, size_t(n)))
                        return;
                    pos += n;
                    written += n;
                }
                std::this_thread::sleep_until(start + std::chrono::milliseconds(10 * tick));
            }
        });
    }
    ~PacedWriter() {
        stop = true;
        thread.join();
    }
};

void runnerUnderStream(int frames) {
    Pty pty;
    auto w = openWindow(pty);
    if (g_log)
        startLog(*w, "runner");
    auto *list = w->findChild<QListWidget *>(QStringLiteral("List1"));
    list->addItem(QStringLiteral("01 36 00 37 A0 "));
    list->addItem(QStringLiteral("Delay:50"));
    w->findChild<QLineEdit *>(QStringLiteral("Text22"))->setText(QStringLiteral("50"));
    QByteArray stream;
    for (int i = 0; i < 1000; ++i)
        stream += positionReply(quint32(i));
    PacedWriter feed(pty, stream, 11520, true);

    std::vector<Clock::time_point> stamps;
    std::atomic<bool> done{false};
    std::thread reader([&] {
        std::size_t got = 0;
        char buf[64];
        while (stamps.size() < std::size_t(frames) + 1) {
            pollfd p{pty.master, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            const auto now = Clock::now();
            const ssize_t n = ::read(pty.master, buf, sizeof buf);
            for (ssize_t i = 0; i < n; ++i)
                if (++got % 5 == 1)
                    stamps.push_back(now);
        }
        done = true;
    });
    w->findChild<QCheckBox *>(QStringLiteral("Check1"))->click();
    runUntil([&] { return done.load(); }, frames * 100 + 5000);
    w->findChild<QCheckBox *>(QStringLiteral("Check1"))->click();
    reader.join();
    std::vector<double> err;
    for (std::size_t i = 1; i < stamps.size(); ++i)
        err.push_back(std::abs(ms(stamps[i] - stamps[i - 1]) - 50.0));
    std::printf("runner, 50 ms delay lines, %d frames, 115200-baud reply stream in%s:\n", frames,
                g_log ? ", traffic log on" : "");
    std::printf("  stream bytes   %lld (received %lld)\n", qlonglong(feed.written.load()),
                qlonglong(w->receivedTotal()));
    std::printf("  |error| median %.2f ms\n", percentile(err, 50));
    std::printf("  |error| p99    %.2f ms\n", percentile(err, 99));
    std::printf("  |error| max    %.2f ms\n", percentile(err, 100));
}

QByteArray randomBytes(qint64 n, unsigned seed) {
    std::mt19937 rng(seed);
    QByteArray b(n, '\0');
    for (char &c : b)
        c = char(rng() & 0xFF);
    return b;
}

// Figures of one paced stream into the window.
struct StreamFigures {
    double cpuPercent = 0;
    double guiPercent = 0;
    double stallMs = 0;
    qint64 lost = 0;
    int fieldSets = 0;
};

StreamFigures pacedStream(const QByteArray &data, const char *logName) {
    Pty pty;
    auto w = openWindow(pty);
    if (logName)
        startLog(*w, logName);
    int fieldSets = 0;
    QObject::connect(w->findChild<QLineEdit *>(QStringLiteral("Text18")), &QLineEdit::textChanged,
                     [&] { ++fieldSets; });
    PaintCounter paints;
    if (g_paints)
        qApp->installEventFilter(&paints);
    StallProbe probe;
    const double cpu0 = processCpuS();
    const double gui0 = threadCpuS();
    const auto t0 = Clock::now();
    {
        PacedWriter feed(pty, data, 11520, false);
        runUntil([&] { return w->receivedTotal() >= data.size(); },
                 int(data.size() / 11520 + 5) * 1000);
    }
    const double wall = ms(Clock::now() - t0) / 1000.0;
    StreamFigures f;
    f.cpuPercent = 100.0 * (processCpuS() - cpu0) / wall;
    f.guiPercent = 100.0 * (threadCpuS() - gui0) / wall;
    f.stallMs = probe.worstMs;
    f.lost = data.size() - w->receivedTotal();
    f.fieldSets = fieldSets;
    if (g_paints) {
        qApp->removeEventFilter(&paints);
        paints.print(wall);
    }
    return f;
}

void printStream(const char *title, int seconds, const QByteArray &data, const StreamFigures &f) {
    std::printf("%s, %d s at 115200 baud, window %s:\n", title, seconds,
                g_hidden ? "hidden" : "shown");
    std::printf("  bytes          %lld written, %lld lost\n", qlonglong(data.size()),
                qlonglong(f.lost));
    std::printf("  longest stall  %.1f ms\n", f.stallMs);
    std::printf("  CPU            %.1f %% of one core (GUI thread %.1f %%)\n", f.cpuPercent,
                f.guiPercent);
}

void paced(int seconds) {
    const QByteArray data = randomBytes(qint64(11520) * seconds, 1);
    const StreamFigures f = pacedStream(data, g_log ? "paced" : nullptr);
    printStream("paced pseudo-random bytes", seconds, data, f);
}

QByteArray replyStream(int seconds) {
    QByteArray data;
    for (quint32 i = 1; data.size() < qint64(11520) * seconds; ++i)
        data += positionReply(i);
    return data;
}

void replies(int seconds) {
    const QByteArray data = replyStream(seconds);
    const StreamFigures f = pacedStream(data, g_log ? "replies" : nullptr);
    printStream("back-to-back position replies", seconds, data, f);
    std::printf("  Text18 set     %d times for %lld replies (%.0f per second)\n", f.fieldSets,
                qlonglong(data.size() / 9), f.fieldSets / double(seconds));
}

void logCost(int seconds) {
    const QByteArray data = replyStream(seconds);
    const StreamFigures off = pacedStream(data, nullptr);
    const StreamFigures on = pacedStream(data, "logcost");
    std::printf("traffic log under back-to-back position replies, %d s each, window %s:\n", seconds,
                g_hidden ? "hidden" : "shown");
    std::printf("  CPU log off    %.1f %% of one core\n", off.cpuPercent);
    std::printf("  CPU log on     %.1f %% of one core\n", on.cpuPercent);
    std::printf("  extra          %.1f %% of one core\n", on.cpuPercent - off.cpuPercent);
    std::printf("  lost           %lld / %lld bytes\n", qlonglong(off.lost), qlonglong(on.lost));
}

void unpaced(int mib) {
    Pty pty;
    auto w = openWindow(pty);
    const QByteArray data = randomBytes(qint64(mib) << 20, 2);
    StallProbe probe;
    const auto t0 = Clock::now();
    std::thread writer([&] { pty.writeAll(data.constData(), size_t(data.size())); });
    runUntil([&] { return w->receivedTotal() >= data.size(); }, 120'000);
    const double wall = ms(Clock::now() - t0) / 1000.0;
    writer.join();
    std::printf("unpaced, %d MiB of pseudo-random bytes:\n", mib);
    std::printf("  bytes          %lld written, %lld received, %lld lost\n", qlonglong(data.size()),
                qlonglong(w->receivedTotal()), qlonglong(data.size() - w->receivedTotal()));
    std::printf("  throughput     %.1f MiB/s\n", double(data.size()) / (1 << 20) / wall);
    std::printf("  longest stall  %.1f ms\n", probe.worstMs);
}

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::vector<std::string> phases;
    for (int i = 1; i < argc; ++i) {
        if (i + 1 < argc && std::strcmp(argv[i], "--phase") == 0)
            phases.emplace_back(argv[i + 1]);
        g_hidden = g_hidden || std::strcmp(argv[i], "--hidden") == 0;
        g_log = g_log || std::strcmp(argv[i], "--log") == 0;
        g_paints = g_paints || std::strcmp(argv[i], "--paints") == 0;
    }
    QTemporaryDir logDir;
    g_logDir = &logDir;
    auto wanted = [&](const char *name) {
        return phases.empty() || std::find(phases.begin(), phases.end(), name) != phases.end();
    };
    if (wanted("latency"))
        latency(argValue(argc, argv, "--replies", 300));
    if (wanted("polling"))
        polling(argValue(argc, argv, "--poll-seconds", 60));
    if (wanted("runner"))
        runnerUnderStream(argValue(argc, argv, "--frames", 300));
    if (wanted("paced"))
        paced(argValue(argc, argv, "--paced-seconds", 60));
    if (wanted("replies"))
        replies(argValue(argc, argv, "--paced-seconds", 60));
    if (wanted("logcost"))
        logCost(argValue(argc, argv, "--paced-seconds", 60));
    if (wanted("unpaced"))
        unpaced(argValue(argc, argv, "--unpaced-mib", 8));
    return 0;
}
