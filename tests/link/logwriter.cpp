// A program that keeps a traffic log and is killed by the test: it writes one
// sent frame every 5 ms into the log named on its command line, says
// "logging" on stdout once the log has started, and runs until it is killed.
#include "link/recordlog.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    QElapsedTimer clock;
    clock.start();
    RecordLog log;
    QString error;
    if (!log.start(QString::fromLocal8Bit(argv[1]), QDateTime::currentMSecsSinceEpoch() * 1000, 0,
                   &error)) {
        std::fprintf(stderr, "logwriter: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("logging\n");
    std::fflush(stdout);
    quint64 seq = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        Records::Record r;
        r.seq = ++seq;
        r.direction = Records::Direction::Sent;
        r.kind = Records::Kind::Request;
        r.timeUs = clock.nsecsElapsed() / 1000;
        r.port = QStringLiteral("/dev/ttyUSB0");
        r.bytes = QByteArray("\x01\x37\x00\x00\x00", 5);
        r.caption = QString::number(seq);
        log.write(r);
    });
    tick.start(5);
    return app.exec();
}
