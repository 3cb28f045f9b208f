// bench_ctl: t3208ctl as a user runs it, against a simulated controller that
// this process serves on a pseudo-terminal (reply delay 0, so what is
// measured is the tool). Each phase prints its figures; nothing is asserted.
//
//   request  one request and its reply, the whole run of the program from
//            start to exit (--runs N, default 30): median, p90, worst; beside
//            it the run of "t3208ctl --version" (start and exit alone).
//   scan     scan 01..F7 at 9600 baud with one controller (address 01) and a
//            50 ms time-out: wall time against 246 x 50 ms plus the line time
//            of the frames sent (10 bits a byte at 9600 baud; a
//            pseudo-terminal itself has none).
//   run      run --wait-reply at 115200 baud of a list "query, Delay:10" for
//            --seconds S (default 60): step-start error = each request's time
//            minus (the previous reply's time + 10 ms), from the tool's JSON
//            records: median, p99, worst.
//
//   bench_ctl [--phase request|scan|run]... [--runs N] [--seconds S]
#include "benchutil.h"
#include "sim/controller.h"
#include "sim/lineserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

struct Run {
    int exit = -1;
    double ms = 0;
    QByteArray out;
};

// Runs the tool while the event loop keeps serving the simulated line.
Run runCtl(const QStringList &args) {
    QProcess p;
    p.setProgram(QStringLiteral(T3208_CTL_EXE));
    p.setArguments(args);
    QEventLoop loop;
    QObject::connect(&p, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&p, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QElapsedTimer t;
    t.start();
    p.start();
    loop.exec();
    Run r;
    r.ms = double(t.nsecsElapsed()) / 1e6;
    r.exit = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    return r;
}

void summary(const char *what, const std::vector<double> &v) {
    std::printf("  %-28s median %8.2f ms  p90 %8.2f ms  worst %8.2f ms  (%zu runs)\n", what,
                Bench::percentile(v, 50), Bench::percentile(v, 90), Bench::percentile(v, 100),
                v.size());
}

bool wants(int argc, char **argv, const char *phase) {
    bool any = false;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--phase") == 0) {
            any = true;
            if (std::strcmp(argv[i + 1], phase) == 0)
                return true;
        }
    return !any;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    Sim::Controller model;
    Sim::LineServer server(&model);
    server.setReplyDelay(0);
    QString path, error;
    if (!server.openPty(&path, &error)) {
        std::fprintf(stderr, "bench_ctl: no pseudo-terminal: %s\n", qPrintable(error));
        return 1;
    }

    if (wants(argc, argv, "request")) {
        const int runs = Bench::argValue(argc, argv, "--runs", 30);
        std::vector<double> request, version;
        int failed = 0;
        for (int i = 0; i < runs; ++i) {
            const Run r = runCtl({"-p", path, "query-speed"});
            failed += r.exit != 0;
            request.push_back(r.ms);
            version.push_back(runCtl({"--version"}).ms);
        }
        // 5 bytes out, 9 back at 9600 baud on a real line.
        const double lineMs = 14 * 10 * 1000.0 / 9600;
        std::printf("request: query-speed against the simulator, whole program run\n");
        summary("query-speed", request);
        summary("--version (start, exit)", version);
        std::printf("  failed runs %d; line time at 9600 baud would add %.1f ms\n", failed,
                    lineMs);
    }

    if (wants(argc, argv, "scan")) {
        const Run r = runCtl({"-p", path, "--json", "scan", "--addresses", "01-F7", "--bauds",
                              "9600", "--timeout", "50"});
        int found = 0;
        for (const QByteArray &line : r.out.split('\n'))
            found += QJsonDocument::fromJson(line).object().contains(QStringLiteral("address"));
        // 247 requests of 5 bytes and one reply of 6 bytes, 10 bits a byte.
        const double lineMs = (247 * 5 + 6) * 10 * 1000.0 / 9600;
        const double aim = 246 * 50 + lineMs;
        std::printf("scan: 01..F7 at 9600 baud, 50 ms time-out, one controller\n");
        std::printf("  wall %.0f ms (exit %d, found %d); 246 x 50 ms = 12300 ms, + line time "
                    "%.0f ms = %.0f ms; wall / (246 x 50 ms) = %.3f, wall / aim = %.3f\n",
                    r.ms, r.exit, found, lineMs, aim, r.ms / 12300.0, r.ms / aim);
    }

    if (wants(argc, argv, "run")) {
        const int seconds = Bench::argValue(argc, argv, "--seconds", 60);
        QTemporaryDir dir;
        const QString list = dir.filePath(QStringLiteral("list.txt"));
        QFile f(list);
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        f.write("01 37 00 36 30 \r\nDelay:10\r\n");
        f.close();
        const Run r = runCtl({"-p", path, "-b", "115200", "--json", "run", list, "--loops", "0",
                              "--interval", "10", "--wait-reply", "100", "--duration",
                              QString::number(seconds)});
        std::vector<double> errors;
        qint64 lastReply = -1;
        int missing = 0;
        for (const QByteArray &line : r.out.split('\n')) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            const QString kind = o.value(QStringLiteral("kind")).toString();
            const qint64 at = o.value(QStringLiteral("elapsed_us")).toInteger();
            if (kind == QLatin1String("request")) {
                if (lastReply >= 0)
                    errors.push_back(double(at - (lastReply + 10'000)) / 1000.0);
                lastReply = -1;
            } else if (kind == QLatin1String("good")) {
                lastReply = at;
            } else if (kind == QLatin1String("no-reply")) {
                ++missing;
            }
        }
        std::printf("run: --wait-reply at 115200 baud, 10 ms delay lines, %d s (exit %d)\n",
                    seconds, r.exit);
        std::printf("  steps %zu, missing replies %d; step-start error median %.3f ms, p99 "
                    "%.3f ms, worst %.3f ms\n",
                    errors.size(), missing, Bench::percentile(errors, 50),
                    Bench::percentile(errors, 99), Bench::percentile(errors, 100));
    }
    return 0;
}
