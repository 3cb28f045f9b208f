// t3208-sim: a simulated T3208 controller on a pseudo-terminal or a serial
// device. The first line on standard output names the terminal to open, e.g.
// "t3208-sim: serving on /dev/pts/5". While it runs, lines on standard input
// change the simulated hardware:
//   inputs PATTERN   IN5..IN1 as five 0/1 characters (1 = input on)
//   status           prints address, positions, speed and switches
//   quit             ends the simulator
#include "sim/controller.h"
#include "sim/faults.h"
#include "sim/lineserver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <optional>
#include <unistd.h>

namespace {

// IN5..IN1 as five characters "0"/"1" to the input mask (IN1 = 1 .. IN5 = 16).
std::optional<quint8> inputMask(const QString &pattern) {
    if (pattern.size() != 5)
        return std::nullopt;
    quint8 mask = 0;
    for (int i = 0; i < 5; ++i) {
        const QChar c = pattern[i];
        if (c != QLatin1Char('0') && c != QLatin1Char('1'))
            return std::nullopt;
        if (c == QLatin1Char('1'))
            mask |= quint8(1 << (4 - i));
    }
    return mask;
}

std::optional<qint64> position(const QString &text) {
    bool ok = false;
    const qint64 v = text.toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return v;
}

int usageError(const QString &message) {
    std::fprintf(stderr, "t3208-sim: %s\n", qPrintable(message));
    return 2;
}

void printStatus(const SimController &c) {
    const Sim::Axis &a = c.axis();
    std::printf("address %02X, absolute %d, relative %d, speed %u, %s, left limit %s, origin %s, "
                "right limit %s, inputs %02X\n",
                c.address(), a.absolute(), a.relative(), a.speed(),
                a.moving() ? "moving" : "stopped", a.leftLimitActive() ? "on" : "off",
                a.originActive() ? "on" : "off", a.rightLimitActive() ? "on" : "off", c.inputs());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("t3208-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(T3208_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A simulated T3208 stepper-motor controller on a pseudo-terminal."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption device(QStringLiteral("device"),
                                    QStringLiteral("Serve on this serial device instead of a "
                                                   "new pseudo-terminal."),
                                    QStringLiteral("PATH"));
    const QCommandLineOption baud(QStringLiteral("baud"),
                                  QStringLiteral("Line speed of --device (default 9600)."),
                                  QStringLiteral("RATE"), QStringLiteral("9600"));
    const QCommandLineOption address(QStringLiteral("address"),
                                     QStringLiteral("Device address, hex 1..FF (default 1)."),
                                     QStringLiteral("HEX"), QStringLiteral("1"));
    const QCommandLineOption delay(QStringLiteral("reply-delay"),
                                   QStringLiteral("Milliseconds before a reply (default 10)."),
                                   QStringLiteral("MS"), QStringLiteral("10"));
    const QCommandLineOption inputs(QStringLiteral("inputs"),
                                    QStringLiteral("Inputs IN5..IN1 as five 0/1 characters, "
                                                   "1 = on (default 00000)."),
                                    QStringLiteral("PATTERN"), QStringLiteral("00000"));
    const QCommandLineOption left(QStringLiteral("left-limit"),
                                  QStringLiteral("Place the left limit switch (active at or "
                                                 "below POS)."),
                                  QStringLiteral("POS"));
    const QCommandLineOption right(QStringLiteral("right-limit"),
                                   QStringLiteral("Place the right limit switch (active at or "
                                                  "above POS)."),
                                   QStringLiteral("POS"));
    const QCommandLineOption origin(QStringLiteral("origin"),
                                    QStringLiteral("Position of the origin switch (default 0)."),
                                    QStringLiteral("POS"), QStringLiteral("0"));
    const QCommandLineOption fault(QStringLiteral("fault"),
                                   QStringLiteral("Fault injection: drop, corrupt, split, "
                                                  "error or wrong-address."),
                                   QStringLiteral("KIND"), QStringLiteral("none"));
    const QCommandLineOption every(QStringLiteral("fault-every"),
                                   QStringLiteral("Apply the fault to every Nth reply "
                                                  "(default 1)."),
                                   QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption splitGap(QStringLiteral("split-gap"),
                                      QStringLiteral("Milliseconds between the halves of a split "
                                                     "reply (default 300)."),
                                      QStringLiteral("MS"), QStringLiteral("300"));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     QStringLiteral("Log requests and replies on stderr."));
    const QCommandLineOption echo(QStringLiteral("echo"),
                                  QStringLiteral("The line echoes every request back to its "
                                                 "sender (RS-485 without echo suppression)."));
    parser.addOptions({device, baud, address, delay, inputs, left, right, origin, fault, every,
                       splitGap, verbose, echo});
    parser.process(app);

    SimController model;
    bool ok = false;
    const uint addr = parser.value(address).toUInt(&ok, 16);
    if (!ok || addr < 1 || addr > 0xFF)
        return usageError(QStringLiteral("--address takes a hex value 1..FF"));
    model.setAddress(quint8(addr));
    const int delayMs = parser.value(delay).toInt(&ok);
    if (!ok || delayMs < 0 || delayMs > 60000)
        return usageError(QStringLiteral("--reply-delay takes 0..60000 milliseconds"));
    const auto mask = inputMask(parser.value(inputs));
    if (!mask)
        return usageError(QStringLiteral("--inputs takes five characters 0/1, IN5 first"));
    model.setInputs(*mask);
    const auto originPos = position(parser.value(origin));
    if (!originPos)
        return usageError(QStringLiteral("--origin takes a whole number"));
    model.axis().setOrigin(*originPos);
    if (parser.isSet(left)) {
        const auto pos = position(parser.value(left));
        if (!pos)
            return usageError(QStringLiteral("--left-limit takes a whole number"));
        model.axis().setLeftLimit(*pos);
    }
    if (parser.isSet(right)) {
        const auto pos = position(parser.value(right));
        if (!pos)
            return usageError(QStringLiteral("--right-limit takes a whole number"));
        model.axis().setRightLimit(*pos);
    }
    const auto kind = Sim::faultFromText(parser.value(fault));
    if (!kind)
        return usageError(
            QStringLiteral("--fault takes drop, corrupt, split, error or wrong-address"));
    const int n = parser.value(every).toInt(&ok);
    if (!ok || n < 1)
        return usageError(QStringLiteral("--fault-every takes a whole number of at least 1"));
    const int gapMs = parser.value(splitGap).toInt(&ok);
    if (!ok || gapMs < 0 || gapMs > 60000)
        return usageError(QStringLiteral("--split-gap takes 0..60000 milliseconds"));

    Sim::LineServer server(&model);
    server.setReplyDelay(delayMs);
    Sim::FaultInjector faults(*kind, n);
    faults.setSplitGapMs(gapMs);
    server.setFaults(faults);
    server.setVerbose(parser.isSet(verbose));
    server.setEcho(parser.isSet(echo));
    QString path;
    QString error;
    if (parser.isSet(device)) {
        path = parser.value(device);
        const qint32 rate = parser.value(baud).toInt(&ok);
        if (!ok || !server.openDevice(path, rate, &error)) {
            std::fprintf(stderr, "t3208-sim: cannot open %s: %s\n", qPrintable(path),
                         qPrintable(ok ? error : QStringLiteral("bad --baud")));
            return 1;
        }
    } else if (!server.openPty(&path, &error)) {
        std::fprintf(stderr, "t3208-sim: cannot open a pseudo-terminal: %s\n", qPrintable(error));
        return 1;
    }
    QObject::connect(&server, &Sim::LineServer::failed, &app, [](const QString &reason) {
        std::fprintf(stderr, "t3208-sim: line lost: %s\n", qPrintable(reason));
        QCoreApplication::exit(1);
    });
    std::printf("t3208-sim: serving on %s\n", qPrintable(path));
    std::fflush(stdout);

    // Commands on standard input; end of input just stops listening.
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pendingLine;
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buf[512];
        const ssize_t got = ::read(STDIN_FILENO, buf, sizeof buf);
        if (got <= 0) {
            input.setEnabled(false);
            return;
        }
        pendingLine.append(buf, got);
        qsizetype end;
        while ((end = pendingLine.indexOf('\n')) >= 0) {
            const QStringList words =
                QString::fromLocal8Bit(pendingLine.left(end)).simplified().split(QLatin1Char(' '));
            pendingLine.remove(0, end + 1);
            const QString command = words.value(0);
            if (command == QLatin1String("inputs")) {
                if (const auto m = inputMask(words.value(1)))
                    model.setInputs(*m);
                else
                    std::fprintf(stderr, "t3208-sim: inputs takes five characters 0/1\n");
            } else if (command == QLatin1String("status")) {
                printStatus(model);
            } else if (command == QLatin1String("quit")) {
                QCoreApplication::quit();
            } else if (!command.isEmpty()) {
                std::fprintf(stderr, "t3208-sim: unknown command %s\n", qPrintable(command));
            }
        }
    });

    return app.exec();
}
