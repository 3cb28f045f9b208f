// bench_framing: cost per byte of finding frames in bytes that hold none.
//
// --mib N (default 1) MiB of random bytes (a fixed seed) go to
//   assembler  a Frames::Assembler for replies and one for requests, in one
//              piece and in one-byte pieces;
//   simulator  the simulated controller's receive(), in one piece and in
//              one-byte pieces.
// Every figure is nanoseconds per byte, the best of three runs.
#include "codec/frameassembler.h"
#include "sim/controller.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

double bestNsPerByte(qsizetype bytes, const std::function<void()> &run) {
    double best = 1e300;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        best = std::min(best, double(timer.nsecsElapsed()) / double(bytes));
    }
    return best;
}

// Feeds `noise` in pieces of `piece` bytes (0: one piece) at 1 µs a piece, so
// no silence ends a candidate; returns how many frames came out.
qsizetype feedAssembler(Frames::Direction direction, const QByteArray &noise, qsizetype piece) {
    Frames::Assembler a(direction);
    qsizetype frames = 0;
    if (piece == 0)
        return a.feed(noise, 1).size();
    qint64 t = 0;
    for (qsizetype at = 0; at < noise.size(); at += piece)
        frames += a.feed(noise.mid(at, piece), ++t).size();
    return frames;
}

qsizetype feedSimulator(const QByteArray &noise, qsizetype piece) {
    Sim::Controller c;
    qsizetype replies = 0;
    if (piece == 0)
        return c.receive(noise).size();
    for (qsizetype at = 0; at < noise.size(); at += piece)
        replies += c.receive(noise.mid(at, piece)).size();
    return replies;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    int mib = 1;
    const qsizetype i = args.indexOf("--mib");
    if (i > 0 && i + 1 < args.size())
        mib = std::max(1, args[i + 1].toInt());

    QRandomGenerator random(20261209);
    QByteArray noise(qsizetype(mib) << 20, '\0');
    for (char &c : noise)
        c = char(random.bounded(256));

    std::printf("random bytes: %d MiB\n", mib);
    qsizetype out = 0;
    const auto row = [&](const char *name, const std::function<qsizetype()> &run) {
        const double ns = bestNsPerByte(noise.size(), [&] { out = run(); });
        std::printf("  %-40s %8.1f ns/byte  (%lld frames or replies)\n", name, ns, qlonglong(out));
    };
    using Frames::Direction;
    row("assembler, replies, one piece",
        [&] { return feedAssembler(Direction::Replies, noise, 0); });
    row("assembler, replies, one-byte pieces",
        [&] { return feedAssembler(Direction::Replies, noise, 1); });
    row("assembler, requests, one piece",
        [&] { return feedAssembler(Direction::Requests, noise, 0); });
    row("assembler, requests, one-byte pieces",
        [&] { return feedAssembler(Direction::Requests, noise, 1); });
    row("simulator receive(), one piece", [&] { return feedSimulator(noise, 0); });
    row("simulator receive(), one-byte pieces", [&] { return feedSimulator(noise, 1); });
    return 0;
}
