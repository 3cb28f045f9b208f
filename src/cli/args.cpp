#include "cli/args.h"

#include "commands/language.h"

#include "cli/requests.h"

#include <QRegularExpression>

namespace Cli {

namespace {

bool looksLikeValue(const QString &word) {
    static const QRegularExpression number(QStringLiteral("^-[0-9.&]"));
    return number.match(word).hasMatch();
}

std::optional<int> wholeNumber(const QString &text, int min, int max) {
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < min || v > max)
        return std::nullopt;
    return v;
}

} // namespace

const QStringList &commandWords() {
    static const QStringList words = {QStringLiteral("commands"), QStringLiteral("send"),
                                      QStringLiteral("run"), QStringLiteral("scan"),
                                      QStringLiteral("monitor")};
    return words;
}

std::optional<Args> parse(const QStringList &arguments, QString *error) {
    Args a;
    bool optionsEnded = false;
    auto fail = [&](const QString &text) {
        *error = text;
        return std::nullopt;
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString word = arguments[i];
        if (optionsEnded || !word.startsWith(u'-') || word == QLatin1String("-") ||
            looksLikeValue(word)) {
            if (a.command.isEmpty())
                a.command = word;
            else
                a.words << word;
            continue;
        }
        if (word == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        QString name = word;
        std::optional<QString> inlineValue;
        if (word.startsWith(QLatin1String("--"))) {
            const qsizetype eq = word.indexOf(u'=');
            if (eq > 0) {
                name = word.left(eq);
                inlineValue = word.mid(eq + 1);
            }
        }
        static const QStringList flags = {
            QStringLiteral("-h"),        QStringLiteral("--help"),     QStringLiteral("-V"),
            QStringLiteral("--version"), QStringLiteral("--simulate"), QStringLiteral("--register"),
            QStringLiteral("--write"),   QStringLiteral("--echo"),     QStringLiteral("--json"),
            QStringLiteral("--as-is")};
        if (flags.contains(name)) {
            if (inlineValue)
                return fail(QStringLiteral("%1 takes no value").arg(name));
            if (name == QLatin1String("-h") || name == QLatin1String("--help"))
                a.help = true;
            else if (name == QLatin1String("-V") || name == QLatin1String("--version"))
                a.version = true;
            else if (name == QLatin1String("--simulate"))
                a.simulate = true;
            else if (name == QLatin1String("--register"))
                a.registerForm = true;
            else if (name == QLatin1String("--write"))
                a.write = true;
            else if (name == QLatin1String("--echo"))
                a.echo = true;
            else if (name == QLatin1String("--json"))
                a.json = true;
            else
                a.asIs = true;
            continue;
        }
        static const QStringList withValue = {
            QStringLiteral("-p"),          QStringLiteral("--port"),
            QStringLiteral("-b"),          QStringLiteral("--baud"),
            QStringLiteral("-m"),          QStringLiteral("--mode"),
            QStringLiteral("-a"),          QStringLiteral("--address"),
            QStringLiteral("--offset"),    QStringLiteral("-t"),
            QStringLiteral("--timeout"),   QStringLiteral("--log"),
            QStringLiteral("--interval"),  QStringLiteral("--loops"),
            QStringLiteral("--duration"),  QStringLiteral("--wait-reply"),
            QStringLiteral("--addresses"), QStringLiteral("--bauds"),
            QStringLiteral("--modes"),     QStringLiteral("--lang")};
        if (!withValue.contains(name))
            return fail(QStringLiteral("unknown option %1").arg(word));
        QString value;
        if (inlineValue) {
            value = *inlineValue;
        } else {
            if (i + 1 >= arguments.size())
                return fail(QStringLiteral("%1 needs a value").arg(name));
            value = arguments[++i];
        }
        if (name == QLatin1String("-p") || name == QLatin1String("--port")) {
            a.port = value;
        } else if (name == QLatin1String("-b") || name == QLatin1String("--baud")) {
            if (!wholeNumber(value, 1, 1 << 30))
                return fail(
                    QStringLiteral("--baud takes a positive whole number, not %1").arg(value));
            a.baud = value;
        } else if (name == QLatin1String("-m") || name == QLatin1String("--mode")) {
            if (value == QLatin1String("rtu"))
                a.mode = Framing::Protocol::Rtu;
            else if (value == QLatin1String("ascii"))
                a.mode = Framing::Protocol::Ascii;
            else
                return fail(QStringLiteral("--mode takes rtu or ascii, not %1").arg(value));
        } else if (name == QLatin1String("-a") || name == QLatin1String("--address")) {
            a.address = value;
        } else if (name == QLatin1String("--offset")) {
            a.offset = value;
        } else if (name == QLatin1String("-t") || name == QLatin1String("--timeout")) {
            a.timeoutMs = wholeNumber(value, 0, 3'600'000);
            if (!a.timeoutMs)
                return fail(
                    QStringLiteral("--timeout takes 0..3600000 milliseconds, not %1").arg(value));
        } else if (name == QLatin1String("--log")) {
            a.logFile = value;
        } else if (name == QLatin1String("--lang")) {
            if (!Language::codes().contains(value))
                return fail(QStringLiteral("--lang takes zh or en, not %1").arg(value));
            a.language = value;
        } else if (name == QLatin1String("--interval")) {
            a.interval = value;
        } else if (name == QLatin1String("--loops")) {
            const auto n = wholeNumber(value, 0, 1 << 30);
            if (!n)
                return fail(
                    QStringLiteral("--loops takes a whole number of 0 or more, not %1").arg(value));
            a.loops = *n;
        } else if (name == QLatin1String("--duration")) {
            bool ok = false;
            const double s = value.toDouble(&ok);
            if (!ok || !(s > 0) || s > 1e7)
                return fail(QStringLiteral("--duration takes a positive number of seconds, not %1")
                                .arg(value));
            a.durationS = s;
        } else if (name == QLatin1String("--wait-reply")) {
            a.waitReplyMs = wholeNumber(value, 1, 3'600'000);
            if (!a.waitReplyMs)
                return fail(QStringLiteral("--wait-reply takes 1..3600000 milliseconds, not %1")
                                .arg(value));
        } else if (name == QLatin1String("--addresses")) {
            a.addresses = value;
        } else if (name == QLatin1String("--bauds")) {
            a.bauds = value;
        } else {
            a.modes = value;
        }
    }
    if (!a.help && !a.version && a.command.isEmpty())
        return fail(QStringLiteral("no command given (try --help)"));
    return a;
}

QString helpText() {
    QString requests;
    for (const Entry &e : entries()) {
        QString line = QStringLiteral("  ") + e.name;
        for (const Value &v : e.values)
            line += u' ' + v.name.toUpper();
        line = line.leftJustified(44) + u' ' + e.summary;
        if (captionIsAlias(e))
            line += QStringLiteral(" [\"%1\"]").arg(e.caption);
        requests += line + u'\n';
    }
    return QStringLiteral(
               "Usage: t3208ctl [OPTIONS] COMMAND [ARGS]\n"
               "Drives T3208 stepper-motor controllers from the command line: every request of\n"
               "the window's buttons, command lists, a bus scan and a monitor.\n"
               "\n"
               "Options (any command):\n"
               "  -p, --port DEVICE      serial device (/dev/ttyUSB0, a /dev/serial/by-id link)\n"
               "      --simulate         talk to an in-process simulated controller at address 01\n"
               "  -b, --baud RATE        line speed (default 9600)\n"
               "  -m, --mode rtu|ascii   framing of the requests (default rtu)\n"
               "  -a, --address HEX      device address as the window's address field reads it\n"
               "                         (default 01)\n"
               "      --register         register form (Modbus 0x03/0x10), as \"按西门子标准\"\n"
               "      --offset N         register mapping offset for --register (default 0)\n"
               "      --write            register writes for requests that set no read/write mark\n"
               "      --echo             the line echoes every request (two-wire RS-485): the\n"
               "                         first copy of a request is its echo\n"
               "  -t, --timeout MS       how long to wait for a reply (default 500; scan: 50)\n"
               "      --json             JSON lines instead of text\n"
               "      --log FILE         the CSV traffic log, as the window writes it\n"
               "      --lang zh|en       language of the captions in the text output (zh)\n"
               "  -h, --help             this text\n"
               "  -V, --version          the version\n"
               "\n"
               "Commands:\n"
               "  commands               every request below, with its button and values\n"
               "  NAME [VALUE...]        send one request, wait for its reply, print it\n"
               "  send HEX...            bytes as typed in the workbench, framed for --mode\n"
               "                         (in the device's form, as the workbench sends)\n"
               "      --as-is            send them unchanged\n"
               "  run FILE               run a command-list file as the window's runner does\n"
               "      --interval MS      base interval (default 1000)\n"
               "      --loops N          end after N passes from the last line back to the first\n"
               "                         (default 1; 0: until interrupted)\n"
               "      --duration S       end after S seconds\n"
               "      --wait-reply MS    wait up to MS for each frame line's reply\n"
               "  scan                   find controllers (baud-rate query, device form)\n"
               "      --addresses A-B    hex range (default 01-F7)\n"
               "      --bauds R,R,...    rates to try (default 2400,4800,9600,14400,19200,38400)\n"
               "      --modes rtu,ascii  framings to try (default rtu)\n"
               "  monitor                print every frame on the line until Ctrl+C\n"
               "      --duration S       end after S seconds\n"
               "\n"
               "Requests (a caption in brackets is accepted as an alias):\n") +
           requests +
           QStringLiteral(
               "\n"
               "Exit status: 0 success; 1 a reply missing or not good (run: a line without\n"
               "its reply; scan: nothing found); 2 usage error or refused value; 3 the port\n"
               "could not be opened or was lost; 130 interrupted (Ctrl+C).\n"
               "\n"
               "Examples:\n"
               "  t3208ctl -p /dev/ttyUSB0 query-speed\n"
               "  t3208ctl -p /dev/ttyUSB0 -a 1F move -70000\n"
               "  t3208ctl -p /dev/ttyUSB0 --json set-max-speed 20000\n"
               "  t3208ctl -p /dev/ttyUSB0 --register --offset 100 query-absolute-position\n"
               "  t3208ctl -p /dev/ttyUSB0 send 01 36 00\n"
               "  t3208ctl -p /dev/ttyUSB0 -b 115200 run soak.txt --loops 0 --wait-reply 200\n"
               "  t3208ctl -p /dev/ttyUSB0 scan --bauds 9600,19200 --modes rtu,ascii\n"
               "  t3208ctl -p /dev/ttyUSB0 --json monitor --duration 60 > bus.jsonl\n"
               "  t3208ctl --simulate 运动速度\n");
}

} // namespace Cli
