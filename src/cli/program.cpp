#include "cli/program.h"

#include "automation/listfile.h"
#include "automation/runner.h"
#include "codec/framing.h"
#include "codec/hextext.h"
#include "link/portsettings.h"
#include "link/seriallink.h"
#include "link/session.h"
#include "link/transmit.h"
#include "sim/simlink.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <limits>
#include <sys/socket.h>
#include <unistd.h>

namespace Cli {

namespace {

// The self-pipe of Ctrl+C: the handler writes a byte, the event loop reads it.
int s_signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(s_signalPipe[0], &byte, 1);
}

const QString SimulatedDevice = QStringLiteral("simulated-T3208");
constexpr qint64 Forever = std::numeric_limits<qint64>::max() / 4;

// The bytes a frame carries before its checksum.
QByteArray carried(const QByteArray &frame) {
    if (const auto ascii = Framing::decodeAscii(frame))
        return ascii->chopped(1);
    return frame.size() >= 2 ? frame.chopped(2) : QByteArray();
}

int usage(const QString &text) {
    std::fprintf(stderr, "t3208ctl: %s\n", text.toUtf8().constData());
    return Usage;
}

QString seconds(qint64 us) {
    return QString::number(double(us) / 1e6, 'f', 6);
}

} // namespace

Awaited awaiting(const Records::Record &sent, bool echoLine) {
    Awaited a;
    a.wire = sent.bytes;
    a.address = Records::address(sent).value_or(0);
    a.code = Records::code(sent).value_or(0);
    a.anyAddress = a.address == 0 && a.code == 0x21;
    a.echoLine = echoLine;
    return a;
}

Awaited::Verdict Awaited::take(const Records::Record &r) {
    if (r.direction != Records::Direction::Received)
        return Other;
    if ((r.kind == Records::Kind::Good || r.kind == Records::Kind::Echo) && r.bytes == wire) {
        // A copy of the request: its echo, or the reply of a request the
        // controller acknowledges with its own bytes. On a line that echoes,
        // the first copy is the echo whatever follows.
        ++copies;
        if (r.kind == Records::Kind::Echo || (echoLine && copies == 1) || differs)
            return Other;
    }
    if (r.kind != Records::Kind::Good)
        return Other;
    const auto a = Records::address(r);
    const auto c = Records::code(r);
    if (!a || !c || (!anyAddress && *a != address))
        return Other;
    if (*c == code)
        return Reply;
    if (*c == (code | 0x80))
        return Exception;
    return Other;
}

QByteArray jsonString(const QString &s) {
    QString out;
    out.reserve(s.size() + 2);
    out += u'"';
    for (const QChar ch : s) {
        const char16_t c = ch.unicode();
        if (c == u'"' || c == u'\\')
            out += u'\\', out += ch;
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else if (c == u'\t')
            out += QStringLiteral("\\t");
        else if (c < 0x20)
            out += QStringLiteral("\\u%1").arg(int(c), 4, 16, QLatin1Char('0'));
        else
            out += ch;
    }
    out += u'"';
    return out.toUtf8();
}

QByteArray jsonLine(const Records::Record &r, qint64 epochUs, qint64 startUs) {
    const Records::Columns c = Records::columns(r, epochUs, startUs);
    const QByteArray value = r.kind == Records::Kind::Good && r.reply && r.reply->value
                                 ? QByteArray::number(*r.reply->value)
                                 : jsonString(c.value);
    return "{\"time\":" + jsonString(c.time) +
           ",\"elapsed_us\":" + QByteArray::number(c.elapsedUs) +
           ",\"direction\":" + jsonString(c.direction) + ",\"port\":" + jsonString(c.port) +
           ",\"kind\":" + jsonString(c.kind) + ",\"address\":" + jsonString(c.address) +
           ",\"code\":" + jsonString(c.code) + ",\"caption\":" + jsonString(c.caption) +
           ",\"value\":" + value + ",\"hex\":" + jsonString(c.hex) + "}";
}

Program::Program(Args args, QObject *parent) : QObject(parent), m_args(std::move(args)) {
    m_settings.address = m_args.address;
    m_settings.mode = m_args.mode;
    m_settings.registerForm = m_args.registerForm;
    m_settings.offset = m_args.offset;
    m_settings.write = m_args.write;

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, s_signalPipe) == 0) {
        m_signals = new QSocketNotifier(s_signalPipe[1], QSocketNotifier::Read, this);
        connect(m_signals, &QSocketNotifier::activated, this, [this] {
            char byte;
            [[maybe_unused]] const ssize_t n = ::read(s_signalPipe[1], &byte, 1);
            m_interrupted = true;
            if (m_loop)
                m_loop->quit();
        });
        struct sigaction sa {};
        sa.sa_handler = onSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        ::sigaction(SIGINT, &sa, nullptr);
        ::sigaction(SIGTERM, &sa, nullptr);
    }
}

Program::~Program() {
    if (m_session)
        m_session->close();
}

int Program::exec() {
    const QString &cmd = m_args.command;
    if (cmd == QLatin1String("commands"))
        return commands();
    const Entry *entry = nullptr;
    if (!commandWords().contains(cmd)) {
        entry = find(cmd);
        if (!entry)
            return usage(QStringLiteral("unknown command %1 (t3208ctl commands lists the "
                                        "requests)")
                             .arg(cmd));
    }
    if (m_args.port.isEmpty() && !m_args.simulate)
        return usage(QStringLiteral("no port: give --port DEVICE or --simulate"));
    if (!m_args.port.isEmpty() && m_args.simulate)
        return usage(QStringLiteral("--port and --simulate exclude each other"));
    if (QString error; !PortSettings::parse(PortSettings::settingsText(m_args.baud), &error))
        return usage(error);
    if (m_args.registerForm && !RegisterForm::offsetNumber(m_args.offset))
        return usage(RegisterForm::offsetRefusal(m_args.offset));
    if (entry)
        return request(*entry);
    if (cmd == QLatin1String("send"))
        return sendBytes();
    if (cmd == QLatin1String("run"))
        return runList();
    if (cmd == QLatin1String("scan"))
        return scan();
    return monitor();
}

int Program::commands() {
    for (const Entry &e : entries()) {
        const QString caption = Transmit::caption(e.code);
        if (m_args.json) {
            QByteArray values = "[";
            for (const Value &v : e.values) {
                if (values.size() > 1)
                    values += ',';
                values +=
                    "{\"name\":" + jsonString(v.name) + ",\"encoding\":" + jsonString(v.encoding);
                if (!v.choices.isEmpty()) {
                    QByteArray choices;
                    for (const QString &c : v.choices)
                        choices += (choices.isEmpty() ? "" : ",") + jsonString(c);
                    values += ",\"choices\":[" + choices + "]";
                }
                values += '}';
            }
            values += ']';
            printLine("{\"name\":" + jsonString(e.name) + ",\"button\":" + jsonString(e.button) +
                      ",\"code\":" + QByteArray::number(e.code) + ",\"data\":" +
                      jsonString(HexText::spaced(e.data).trimmed()) + ",\"values\":" + values +
                      ",\"caption\":" + jsonString(caption) + ",\"alias\":" +
                      (captionIsAlias(e) ? jsonString(e.caption) : QByteArray("null")) + "}");
        } else {
            QStringList names;
            for (const Value &v : e.values)
                names << v.name.toUpper();
            printLine(QStringLiteral("%1 %2 %3 %4 %5")
                          .arg(e.name.leftJustified(26), e.button.leftJustified(11),
                               HexText::pair(e.code), names.join(u' ').leftJustified(20), caption)
                          .toUtf8());
        }
    }
    return Success;
}

int Program::openLine(qint32 baud, QString *device) {
    if (!m_session) {
        SerialLink *link = m_args.simulate ? static_cast<SerialLink *>(new SimLink)
                                           : static_cast<SerialLink *>(new PortLink);
        m_session = new Session(link, this);
        // A script learns of a lost line from the exit status (3); it does not
        // wait for the device to come back.
        m_session->setAutoReconnect(false);
        connect(m_session, &Session::recorded, this, &Program::onRecord);
        connect(m_session, &Session::lost, this, [this](const QString &reason) {
            m_lost = reason;
            if (m_loop)
                m_loop->quit();
        });
        if (!m_args.logFile.isEmpty()) {
            // A log that could not be written stops with one message; the line goes on.
            connect(m_session, &Session::logFailed, this, [](const QString &why) {
                std::fprintf(stderr, "t3208ctl: the log stopped: %s\n", why.toUtf8().constData());
            });
            QString error;
            if (!m_session->startLog(m_args.logFile, &error)) {
                std::fprintf(stderr, "t3208ctl: cannot log to %s: %s\n",
                             m_args.logFile.toUtf8().constData(), error.toUtf8().constData());
                return Usage;
            }
        }
    }
    *device = m_args.simulate ? SimulatedDevice : m_args.port;
    m_device = *device;
    PortSettings::Line line;
    line.baud = baud;
    QString error;
    if (!m_session->open(*device, line, &error)) {
        std::fprintf(stderr, "t3208ctl: cannot open %s: %s\n", device->toUtf8().constData(),
                     error.toUtf8().constData());
        return PortFailed;
    }
    return Success;
}

void Program::onRecord(const Records::Record &r) {
    if (r.direction == Records::Direction::Event && r.kind == Records::Kind::Lost)
        m_lost = r.detail;
    if (r.direction == Records::Direction::Sent)
        ++m_counts.sent;
    else if (r.direction == Records::Direction::Received)
        ++m_counts.received;
    if (r.kind == Records::Kind::Good)
        ++m_counts.good;
    else if (r.kind == Records::Kind::ChecksumFailed)
        ++m_counts.checksum;
    if (m_echoRecords && r.isFrame())
        print(r);
    if (m_watch)
        m_watch(r);
    if (m_loop)
        m_loop->quit();
}

void Program::waitUntil(qint64 deadlineUs, const std::function<bool()> &done) {
    while (!stopped() && !(done && done())) {
        const qint64 remain = deadlineUs - m_session->nowUs();
        if (remain <= 0)
            return;
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        timer.start(int(std::min<qint64>((remain + 999) / 1000, 3'600'000)));
        m_loop = &loop;
        loop.exec();
        m_loop = nullptr;
    }
}

Awaited::Verdict Program::exchange(const std::function<void()> &send, int timeoutMs,
                                   Records::Record *reply, qint64 *sentUs) {
    std::optional<Awaited> awaited;
    Awaited::Verdict verdict = Awaited::Other;
    const bool differs = m_args.command == QLatin1String("scan");
    m_watch = [&](const Records::Record &r) {
        if (r.direction == Records::Direction::Sent && !awaited) {
            awaited = awaiting(r, m_args.echo);
            awaited->differs = differs;
            *sentUs = r.timeUs;
            if (reply)
                *reply = r;
            return;
        }
        if (awaited && verdict == Awaited::Other)
            if (const auto v = awaited->take(r); v != Awaited::Other) {
                verdict = v;
                if (reply)
                    *reply = r;
            }
    };
    *sentUs = -1;
    send();
    if (awaited)
        waitUntil(*sentUs + qint64(timeoutMs) * 1000, [&] { return verdict != Awaited::Other; });
    m_watch = nullptr;
    return verdict;
}

void Program::printLine(const QByteArray &line) {
    std::fwrite(line.constData(), 1, size_t(line.size()), m_out);
    std::fputc('\n', m_out);
    std::fflush(m_out);
}

void Program::print(const Records::Record &r) {
    if (m_args.json) {
        printLine(jsonLine(r, m_session->epochUs(), m_startUs));
        return;
    }
    const Records::Columns c = Records::columns(r, m_session->epochUs(), m_startUs);
    QString line = seconds(r.timeUs - m_startUs).rightJustified(12) + u' ' + c.direction + u' ' +
                   c.kind.leftJustified(15) + u' ' + c.hex;
    if (!c.caption.isEmpty())
        line += QStringLiteral("  ") + c.caption;
    if (!c.value.isEmpty())
        line += u' ' + c.value;
    printLine(line.toUtf8());
}

void Program::printNoReply(const Records::Record &sent, int waitedMs) {
    if (m_args.json) {
        Records::Record r = sent;
        const Records::Columns c = Records::columns(r, m_session->epochUs(), m_startUs);
        const qint64 at = sent.timeUs + qint64(waitedMs) * 1000;
        printLine("{\"time\":" + jsonString(Records::isoTime(m_session->epochUs() + at)) +
                  ",\"elapsed_us\":" + QByteArray::number(at - m_startUs) +
                  ",\"direction\":\"event\",\"port\":" + jsonString(c.port) +
                  ",\"kind\":\"no-reply\",\"address\":" + jsonString(c.address) +
                  ",\"code\":" + jsonString(c.code) + ",\"caption\":" + jsonString(c.caption) +
                  ",\"value\":\"\",\"hex\":" + jsonString(c.hex) + "}");
    } else {
        std::fprintf(stderr, "t3208ctl: no reply from %s to %s within %d ms\n",
                     Records::columns(sent, 0, 0).address.toUtf8().constData(),
                     HexText::spaced(sent.bytes).trimmed().toUtf8().constData(), waitedMs);
    }
}

int Program::finish(int status) {
    if (m_interrupted) {
        std::fprintf(stderr, "t3208ctl: interrupted\n");
        status = Interrupted;
    } else if (m_lost) {
        std::fprintf(stderr, "t3208ctl: the line to %s was lost: %s\n",
                     m_device.toUtf8().constData(), m_lost->toUtf8().constData());
        status = PortFailed;
    }
    if (m_session) {
        m_session->close();
        m_session->stopLog();
    }
    return status;
}

namespace {

// What the text output says about a reply.
QString replyText(const Records::Record &reply, Awaited::Verdict v, const QString &fallback) {
    const Records::Columns c = Records::columns(reply, 0, 0);
    QString caption = c.caption.isEmpty() ? fallback : c.caption;
    if (v == Awaited::Exception) {
        const QByteArray body = carried(reply.bytes);
        return QStringLiteral("%1 exception %2 (%3)")
            .arg(caption, HexText::pair(body.isEmpty() ? 0 : quint8(body.back())), c.hex);
    }
    if (!c.value.isEmpty())
        return caption + u' ' + c.value;
    if (reply.reply && reply.reply->ioCommand)
        return caption + u' ' + reply.reply->ioCommand->trimmed();
    return caption + QStringLiteral(" (") + c.hex + u')';
}

} // namespace

int Program::request(const Entry &e) {
    const Prepared p = prepare(e, m_args.words, m_settings);
    if (!p.refusal.isEmpty())
        return usage(p.refusal);
    QString fallback = Transmit::caption(e.code);
    return sendAndReport(p, fallback.isEmpty() ? e.name + u':' : fallback);
}

int Program::sendBytes() {
    const QByteArray bytes = HexText::parsePairs(m_args.words.join(u' '));
    if (bytes.isEmpty())
        return usage(QStringLiteral("send needs hex bytes, e.g. send 01 36 00"));
    // The workbench sends with the register option off.
    Prepared p;
    p.frame = m_args.asIs ? bytes : Framing::frame(bytes, m_args.mode);
    const auto code = Transmit::commandCode(p.frame);
    const QString fallback = code ? Transmit::caption(*code) : QString();
    return sendAndReport(p, fallback.isEmpty() ? QStringLiteral("reply:") : fallback);
}

int Program::sendAndReport(const Prepared &p, const QString &caption) {
    QString device;
    if (const int s = openLine(m_args.baud.toInt(), &device))
        return finish(s);
    m_echoRecords = m_args.json;
    Records::Record reply;
    qint64 sentUs = -1;
    const int timeoutMs = m_args.timeoutMs.value_or(500);
    const Awaited::Verdict v = exchange([&] { submit(*m_session, p); }, timeoutMs, &reply, &sentUs);
    if (stopped())
        return finish(Success);
    if (sentUs < 0) {
        std::fprintf(stderr, "t3208ctl: nothing was sent\n");
        return finish(NoGoodReply);
    }
    if (v == Awaited::Other) {
        printNoReply(reply, timeoutMs);
        return finish(NoGoodReply);
    }
    if (!m_args.json)
        printLine(replyText(reply, v, caption).toUtf8());
    return finish(v == Awaited::Reply ? Success : NoGoodReply);
}

int Program::runList() {
    if (m_args.words.size() != 1)
        return usage(QStringLiteral("run takes one command-list file"));
    const QString path = m_args.words.first();
    if (!CommSetting::FileExists(path))
        return usage(QStringLiteral("no such command-list file: %1").arg(path));
    QString error;
    const QStringList lines = CommSetting::LoadListFile(path, &error);
    if (!error.isEmpty())
        return usage(QStringLiteral("cannot read %1: %2").arg(path, error));
    const auto base = Runner::intervalOf(m_args.interval);
    if (!base)
        return usage(
            QCoreApplication::translate("FrmMain", "间隔时间超出范围,请设置0-65535之间的毫秒数"));

    QString device;
    if (const int s = openLine(m_args.baud.toInt(), &device))
        return finish(s);
    m_session->setRegisterForm(
        m_args.registerForm,
        m_args.write ? RegisterForm::Function::Write : RegisterForm::Function::Read, m_args.offset);
    m_echoRecords = true;
    const Counts before = m_counts;
    int replies = 0, missing = 0, exceptions = 0, loops = 0;
    const qint64 startUs = m_session->nowUs();
    const qint64 endUs = m_args.durationS ? startUs + qint64(*m_args.durationS * 1e6) : Forever;
    bool halted = *base == 0; // an interval of 0 never ticks, as in the window
    qint64 dueUs = startUs + qint64(*base) * 1000;
    int index = 0;
    while (!halted && !stopped()) {
        waitUntil(std::min(dueUs, endUs));
        if (stopped() || m_session->nowUs() >= endUs)
            break;
        const Runner::Tick t = Runner::tick(lines, index, m_args.interval);
        qint64 waitFromUs = dueUs;
        if (t.send && m_args.waitReplyMs) {
            Records::Record sentRecord;
            qint64 sentUs = -1;
            const Awaited::Verdict v = exchange([&] { m_session->SendComm(*t.send); },
                                                *m_args.waitReplyMs, &sentRecord, &sentUs);
            if (sentUs >= 0) {
                if (v == Awaited::Reply) {
                    ++replies;
                    waitFromUs = sentRecord.timeUs;
                } else if (v == Awaited::Exception) {
                    ++exceptions;
                    waitFromUs = sentRecord.timeUs;
                } else if (!stopped()) {
                    ++missing;
                    printNoReply(sentRecord, *m_args.waitReplyMs);
                    waitFromUs = sentUs + qint64(*m_args.waitReplyMs) * 1000;
                }
            }
        } else if (t.send) {
            m_session->SendComm(*t.send);
        }
        index = t.index;
        if (t.wrapped && ++loops >= m_args.loops && m_args.loops > 0)
            break;
        if (t.interval == 0) {
            halted = true;
            break;
        }
        const qint64 intervalUs = qint64(t.interval) * 1000;
        if (t.send && m_args.waitReplyMs)
            dueUs = waitFromUs + intervalUs;
        else // counted from when the tick was due, so late ticks do not add up
            dueUs = std::max(dueUs, m_session->nowUs() - intervalUs) + intervalUs;
    }
    const qint64 elapsedUs = m_session->nowUs() - startUs;
    const qint64 sent = m_counts.sent - before.sent;
    const qint64 checksum = m_counts.checksum - before.checksum;
    if (!m_args.waitReplyMs)
        replies = int(m_counts.good - before.good);
    if (m_args.json) {
        printLine("{\"summary\":\"run\",\"sent\":" + QByteArray::number(sent) + ",\"replies\":" +
                  QByteArray::number(replies) + ",\"missing\":" + QByteArray::number(missing) +
                  ",\"exceptions\":" + QByteArray::number(exceptions) + ",\"checksum_failed\":" +
                  QByteArray::number(checksum) + ",\"loops\":" + QByteArray::number(loops) +
                  ",\"halted\":" + (halted ? "true" : "false") +
                  ",\"interrupted\":" + (m_interrupted ? "true" : "false") +
                  ",\"elapsed_ms\":" + QByteArray::number(elapsedUs / 1000) + "}");
    } else {
        printLine(QStringLiteral("run: %1 lines sent, %2 replies, %3 missing, %4 exceptions, %5 "
                                 "checksum failures, %6 loops in %7 s%8")
                      .arg(sent)
                      .arg(replies)
                      .arg(missing)
                      .arg(exceptions)
                      .arg(checksum)
                      .arg(loops)
                      .arg(seconds(elapsedUs))
                      .arg(halted ? QStringLiteral(" (halted at an interval of 0)") : QString())
                      .toUtf8());
    }
    return finish(missing + exceptions > 0 ? NoGoodReply : Success);
}

int Program::scan() {
    // Addresses.
    const QStringList ends = m_args.addresses.split(u'-');
    std::optional<int> from, to;
    if (ends.size() == 1 || ends.size() == 2) {
        bool ok1 = false, ok2 = false;
        const int a = ends.first().toInt(&ok1, 16);
        const int b = ends.last().toInt(&ok2, 16);
        if (ok1 && ok2 && a >= 0 && b <= 0xFF && a <= b)
            from = a, to = b;
    }
    if (!from)
        return usage(QStringLiteral("--addresses takes a hex range such as 01-F7, not %1")
                         .arg(m_args.addresses));
    // Rates.
    QList<qint32> bauds;
    const QStringList rateTexts =
        m_args.bauds.isEmpty() ? Catalogue::baudTexts() : m_args.bauds.split(u',');
    for (const QString &t : rateTexts) {
        bool ok = false;
        const int v = t.trimmed().toInt(&ok);
        if (!ok || v <= 0)
            return usage(
                QStringLiteral("--bauds takes rates such as 9600,19200, not %1").arg(m_args.bauds));
        bauds << v;
    }
    // Framings.
    QList<Framing::Protocol> modes;
    for (const QString &t : m_args.modes.split(u',')) {
        if (t.trimmed() == QLatin1String("rtu"))
            modes << Framing::Protocol::Rtu;
        else if (t.trimmed() == QLatin1String("ascii"))
            modes << Framing::Protocol::Ascii;
        else
            return usage(
                QStringLiteral("--modes takes rtu, ascii or rtu,ascii, not %1").arg(m_args.modes));
    }
    const int timeoutMs = m_args.timeoutMs.value_or(50);
    // The baud-rate query: its reply carries the rate's code, so it differs
    // from its request and an echo of it is never taken for a reply.
    const Entry *query = find(QStringLiteral("query-baud"));
    const bool progress = ::isatty(STDERR_FILENO);

    int found = 0, requests = 0;
    const Counts before = m_counts;
    qint64 startUs = -1;
    for (const qint32 baud : bauds) {
        if (stopped())
            break;
        QString device;
        if (const int s = openLine(baud, &device))
            return finish(s);
        if (startUs < 0)
            startUs = m_session->nowUs();
        for (const Framing::Protocol mode : modes) {
            const QString modeName =
                mode == Framing::Protocol::Rtu ? QStringLiteral("rtu") : QStringLiteral("ascii");
            for (int address = *from; address <= *to && !stopped(); ++address) {
                Settings s;
                s.address = HexText::pair(quint8(address));
                s.mode = mode;
                const Prepared p = prepare(*query, {}, s);
                if (progress)
                    std::fprintf(stderr, "\rscan %6d %-5s %02X ", baud,
                                 modeName.toLatin1().constData(), address);
                Records::Record reply;
                qint64 sentUs = -1;
                m_watch = nullptr;
                const Awaited::Verdict v =
                    exchange([&] { submit(*m_session, p); }, timeoutMs, &reply, &sentUs);
                if (sentUs >= 0)
                    ++requests;
                if (v != Awaited::Reply)
                    continue;
                ++found;
                const double ms = double(reply.timeUs - sentUs) / 1000.0;
                if (progress)
                    std::fprintf(stderr, "\r%-24s\r", "");
                if (m_args.json)
                    printLine("{\"address\":" + jsonString(HexText::pair(quint8(address))) +
                              ",\"baud\":" + QByteArray::number(baud) +
                              ",\"mode\":" + jsonString(modeName) +
                              ",\"reply_ms\":" + QByteArray::number(ms, 'f', 3) + "}");
                else
                    printLine(QStringLiteral("%1 %2 %3 %4 ms")
                                  .arg(HexText::pair(quint8(address)))
                                  .arg(baud, 6)
                                  .arg(modeName, -5)
                                  .arg(ms, 0, 'f', 3)
                                  .toUtf8());
            }
        }
        m_session->close();
    }
    if (progress)
        std::fprintf(stderr, "\r%-24s\r", "");
    const qint64 rejected = m_counts.received - before.received - found;
    const qint64 elapsedUs = m_session && startUs >= 0 ? m_session->nowUs() - startUs : 0;
    if (m_args.json)
        printLine("{\"summary\":\"scan\",\"found\":" + QByteArray::number(found) +
                  ",\"requests\":" + QByteArray::number(requests) +
                  ",\"frames_rejected\":" + QByteArray::number(rejected) +
                  ",\"interrupted\":" + (m_interrupted ? "true" : "false") +
                  ",\"elapsed_ms\":" + QByteArray::number(elapsedUs / 1000) + "}");
    else
        printLine(QStringLiteral("scan: %1 found, %2 requests, %3 frames rejected in %4 s")
                      .arg(found)
                      .arg(requests)
                      .arg(rejected)
                      .arg(seconds(elapsedUs))
                      .toUtf8());
    return finish(found > 0 ? Success : NoGoodReply);
}

int Program::monitor() {
    QString device;
    if (const int s = openLine(m_args.baud.toInt(), &device))
        return finish(s);
    m_echoRecords = true;
    const qint64 endUs =
        m_args.durationS ? m_session->nowUs() + qint64(*m_args.durationS * 1e6) : Forever;
    waitUntil(endUs);
    return finish(Success);
}

} // namespace Cli
