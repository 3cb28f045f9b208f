// The send view: caption, hex and character lines of each request, the sent-byte
// counter, the 10000-character bound, the register-form rewrite and the text a
// plain-text view shows. Checksums here come from the bitwise CRC-16 and the
// byte-sum LRC of the test support, not from the codec.
#include "link/transmit.h"
#include "support/wire.h"

#include <QtTest>

#include <ctime>

namespace {

using Wire::perByte;
using Wire::spaced;

QByteArray withCrc(const QByteArray &request) {
    return Wire::rtu(request);
}
QByteArray asciiFrame(const QByteArray &request, bool lowercase = false) {
    return Wire::ascii(request, lowercase);
}

QString asc(const QByteArray &b) {
    return "SndAsc:" + perByte(b) + "\n";
}
QString hex(const QByteArray &b) {
    return "SndHex:" + spaced(b) + "\n";
}

const QByteArray Handshake = QByteArray::fromHex("01200039C0");

} // namespace

class TstTraffic : public QObject {
    Q_OBJECT
private slots:
    // Absolute times are shown in local time; the tests read them in UTC.
    void initTestCase() {
        qputenv("TZ", "UTC");
        ::tzset();
    }
    void send_data();
    void send();
    void captions_data();
    void captions();
    void commandCode_data();
    void commandCode();
    void bound_data();
    void bound();
    void rewrite_data();
    void rewrite();
    void rendered_data();
    void rendered();
    void renderedSend_data();
    void renderedSend();
    void stampText_data();
    void stampText();
    void renderedWithStamps_data();
    void renderedWithStamps();
    void stampsLeaveTextAndBound();
    void changeCounters_data();
    void changeCounters();
};

void TstTraffic::send_data() {
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QStringList>("lines"); // newest first
    QTest::addColumn<qint64>("count");

    QTest::newRow("handshake: lines from the top and five bytes counted")
        << Handshake
        << QStringList{QString("SndAsc:") + QChar(0x01) + QChar(0x20) + QChar(0x00) + QChar('9') +
                           QChar(0xFFFD) + "\n",
                       "SndHex:01 20 00 39 C0 \n", QString("请求握手命令:\n\r")}
        << qint64(5);
    QTest::newRow("one byte: shown and counted, no caption")
        << QByteArray::fromHex("20") << QStringList{"SndAsc: \n", "SndHex:20 \n"} << qint64(1);
    QTest::newRow("empty frame: empty lines, nothing counted")
        << QByteArray() << QStringList{"SndAsc:\n", "SndHex:\n"} << qint64(0);

    for (const int code : {0x40, 0x41, 0x48, 0x49, 0x4A, 0x4B, 0x4C}) {
        const QByteArray f =
            withCrc(QByteArray::fromHex("01") + char(code) + QByteArray::fromHex("00"));
        QTest::addRow("code %02X has no caption", code)
            << f << QStringList{asc(f), hex(f)} << qint64(5);
    }

    const QByteArray ascHandshake = ":012000DF\r\n";
    QTest::newRow("ASCII handshake: caption of the code it carries")
        << ascHandshake
        << QStringList{"SndAsc::012000DF\r\n\n", "SndHex:3A 30 31 32 30 30 30 44 46 0D 0A \n",
                       QString("请求握手命令:\n\r")}
        << qint64(11);
    const QByteArray ascSpeed = asciiFrame(QByteArray::fromHex("013600"), true);
    QTest::newRow("lowercase ASCII speed query")
        << ascSpeed << QStringList{asc(ascSpeed), hex(ascSpeed), QString("查询运动速度:\n\r")}
        << qint64(ascSpeed.size());
    const QByteArray noEnd = ":012000DF";
    QTest::newRow("ASCII text without CR LF is read as RTU: byte 1 is '0'")
        << noEnd << QStringList{asc(noEnd), hex(noEnd), QString("查询归零运动速度:\n\r")}
        << qint64(9);
    const QByteArray move = withCrc(QByteArray::fromHex("0133040000C350"));
    QTest::newRow("constant-speed run with data bytes")
        << move << QStringList{asc(move), hex(move), QString("设置32位运动速度，并恒速运动:\n\r")}
        << qint64(9);
}

void TstTraffic::send() {
    QFETCH(QByteArray, frame);
    QFETCH(QStringList, lines);
    QFETCH(qint64, count);

    TrafficSide side;
    const Transmit::Outcome out = Transmit::record(side, frame);
    QCOMPARE(side.log.lines(), lines);
    QCOMPARE(side.log.text(), lines.join(QString()));
    QCOMPARE(side.log.length(), lines.join(QString()).size());
    QCOMPARE(side.count, count);
    QVERIFY(out.wire.has_value());
    QCOMPARE(*out.wire, frame);
    QVERIFY(out.refusal.isEmpty());

    // A second send goes on top of the first and adds to the counter.
    Transmit::record(side, frame);
    QCOMPARE(side.log.lines(), lines + lines);
    QCOMPARE(side.count, 2 * count);
}

void TstTraffic::captions_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("caption");

    QTest::newRow("20 handshake") << 0x20 << QString("请求握手命令:");
    QTest::newRow("21 address query") << 0x21 << QString("查询设备地址:");
    QTest::newRow("23 baud query") << 0x23 << QString("查询当前波特率:");
    QTest::newRow("26 start speed query") << 0x26 << QString("查询运动初速度:");
    QTest::newRow("31 32-bit pulse run") << 0x31 << QString("设置32位运动脉冲数并开始运动:");
    QTest::newRow("33 32-bit constant speed, full-width comma")
        << 0x33 << QString("设置32位运动速度\uFF0C并恒速运动:");
    QTest::newRow("34 24-bit constant speed")
        << 0x34 << QString("设置24位运动速度\uFF0C并恒速运动:");
    QTest::newRow("36 speed query") << 0x36 << QString("查询运动速度:");
    QTest::newRow("3B status query") << 0x3B << QString("查询运动状态:");
    QTest::newRow("3C emergency stop") << 0x3C << QString("急停命令:");
    QTest::newRow("3F memory offset") << 0x3F << QString("设置存储器偏移地址:");
    QTest::newRow("42 IN query") << 0x42 << QString("查询IN状态命令:");
    QTest::newRow("47 factory settings") << 0x47 << QString("出厂设置命令:");
    QTest::newRow("40 IO substitution: none") << 0x40 << QString();
    QTest::newRow("41 IO read-back: none") << 0x41 << QString();
    QTest::newRow("48 and up: none") << 0x48 << QString();
    QTest::newRow("4C: none") << 0x4C << QString();
    QTest::newRow("1F below the table: none") << 0x1F << QString();
    QTest::newRow("register read 03: none") << 0x03 << QString();
}

void TstTraffic::captions() {
    QFETCH(int, code);
    QFETCH(QString, caption);

    QCOMPARE(Transmit::caption(quint8(code)), caption);

    // The same caption heads the send of an RTU frame with that code.
    const QByteArray f =
        withCrc(QByteArray::fromHex("01") + char(code) + QByteArray::fromHex("00"));
    TrafficSide side;
    Transmit::record(side, f);
    QStringList expected{asc(f), hex(f)};
    if (!caption.isEmpty())
        expected << caption + "\n\r";
    QCOMPARE(side.log.lines(), expected);
}

void TstTraffic::commandCode_data() {
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("code"); // -1: none

    QTest::newRow("RTU: byte 1") << withCrc(QByteArray::fromHex("053600")) << 0x36;
    QTest::newRow("RTU: two bytes are enough") << QByteArray::fromHex("0142") << 0x42;
    QTest::newRow("ASCII handshake") << QByteArray(":012000DF\r\n") << 0x20;
    QTest::newRow("ASCII lowercase digits")
        << asciiFrame(QByteArray::fromHex("013b00"), true) << 0x3B;
    QTest::newRow("ASCII with wrong LRC still carries its code")
        << QByteArray(":01370000\r\n") << 0x37;
    QTest::newRow("ASCII with an odd digit count is raw bytes")
        << QByteArray(":0120000\r\n") << int('0');
    QTest::newRow("ASCII with a non-hex digit is raw bytes")
        << QByteArray(":01G000DF\r\n") << int('0');
    QTest::newRow("one byte: none") << QByteArray::fromHex("01") << -1;
    QTest::newRow("no bytes: none") << QByteArray() << -1;
}

void TstTraffic::commandCode() {
    QFETCH(QByteArray, frame);
    QFETCH(int, code);

    const auto got = Transmit::commandCode(frame);
    QCOMPARE(got.has_value(), code >= 0);
    if (got)
        QCOMPARE(int(*got), code);
}

void TstTraffic::bound_data() {
    QTest::addColumn<int>("prefill");  // characters in the view before the sends
    QTest::addColumn<int>("sends");    // handshakes sent
    QTest::addColumn<int>("length");   // characters afterwards
    QTest::addColumn<qint64>("count"); // counter afterwards (777 before)

    // One handshake adds 13 + 23 + 9 = 45 characters and 5 bytes.
    QTest::newRow("empty view") << 0 << 1 << 45 << qint64(782);
    QTest::newRow("exactly 10000 stays") << 10000 << 1 << 10045 << qint64(782);
    QTest::newRow("10001 is cleared, counter restarts") << 10001 << 1 << 45 << qint64(5);
    QTest::newRow("far over is cleared") << 25000 << 1 << 45 << qint64(5);
    QTest::newRow("going over is kept until the next send") << 9999 << 2 << 45 << qint64(5);
    QTest::newRow("reaching exactly 10000 by a send stays") << 9955 << 2 << 10045 << qint64(787);
}

void TstTraffic::bound() {
    QFETCH(int, prefill);
    QFETCH(int, sends);
    QFETCH(int, length);
    QFETCH(qint64, count);

    TrafficSide side;
    // Prefill with lines of 100 characters (the last one shorter).
    for (int left = prefill; left > 0; left -= 100)
        side.log.prepend(QString(std::min(left, 100) - 1, u'x') + u'\n');
    QCOMPARE(side.log.length(), prefill);
    side.count = 777;

    for (int i = 0; i < sends; ++i)
        Transmit::record(side, Handshake);
    QCOMPARE(side.log.length(), length);
    QCOMPARE(side.log.text().size(), length);
    QCOMPARE(side.count, count);
    QCOMPARE(side.log.lines().first(), asc(Handshake));
}

void TstTraffic::rewrite_data() {
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("rewritten"); // empty: refused
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<QStringList>("lines"); // the new lines, newest first
    QTest::addColumn<qint64>("count");

    const QString line = "寄存器方式:";
    const QByteArray speed = withCrc(QByteArray::fromHex("013600"));
    const QByteArray speedReg = withCrc(QByteArray::fromHex("010300360002"));
    QTest::newRow("speed query in register form: caption of the original")
        << speed << speedReg << QString()
        << QStringList{asc(speedReg), hex(speedReg), line + "\n\r", QString("查询运动速度:\n\r")}
        << qint64(8);

    const QByteArray io = withCrc(QByteArray::fromHex("014000"));
    const QByteArray ioReg = withCrc(QByteArray::fromHex("01060040000A"));
    QTest::newRow("code without caption: rewrite line only")
        << io << ioReg << QString() << QStringList{asc(ioReg), hex(ioReg), line + "\n\r"}
        << qint64(8);

    const QByteArray ascSpeed = asciiFrame(QByteArray::fromHex("013600"));
    const QByteArray ascReg = asciiFrame(QByteArray::fromHex("010300360002"));
    QTest::newRow("ASCII original, ASCII rewrite")
        << ascSpeed << ascReg << QString()
        << QStringList{asc(ascReg), hex(ascReg), line + "\n\r", QString("查询运动速度:\n\r")}
        << qint64(ascReg.size());

    QTest::newRow("refused: nothing shown or counted")
        << withCrc(QByteArray::fromHex("013B00")) << QByteArray() << QString("无寄存器对应")
        << QStringList{} << qint64(0);
}

void TstTraffic::rewrite() {
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, rewritten);
    QFETCH(QString, refusal);
    QFETCH(QStringList, lines);
    QFETCH(qint64, count);

    QByteArray seen;
    Transmit::Rewriter rw;
    rw.line = "寄存器方式:";
    rw.rewrite = [&](const QByteArray &f, QString *why) -> std::optional<QByteArray> {
        seen = f;
        if (rewritten.isEmpty()) {
            *why = refusal;
            return std::nullopt;
        }
        return rewritten;
    };

    TrafficSide side;
    side.log.prepend("earlier\n");
    side.count = 10;
    const Transmit::Outcome out = Transmit::record(side, frame, &rw);

    QCOMPARE(seen, frame);
    QCOMPARE(side.log.lines(), lines + QStringList{"earlier\n"});
    QCOMPARE(side.count, 10 + count);
    if (rewritten.isEmpty()) {
        QVERIFY(!out.wire.has_value());
        QCOMPARE(out.refusal, refusal);
    } else {
        QVERIFY(out.wire.has_value());
        QCOMPARE(*out.wire, rewritten);
        QVERIFY(out.refusal.isEmpty());
    }
}

void TstTraffic::rendered_data() {
    QTest::addColumn<QStringList>("prepended"); // in the order put in
    QTest::addColumn<QString>("shown");

    QTest::newRow("empty view") << QStringList{} << QString();
    QTest::newRow("newest first, LF removed") << QStringList{"a\n", "b\n"} << QString("b\na");
    QTest::newRow("caption LF CR removed") << QStringList{"X:\n\r", "Y\n"} << QString("Y\nX:");
    QTest::newRow("CR LF carried by the bytes stays visible")
        << QStringList{"one\r\n"} << QString("one\u240D");
    QTest::newRow("line without end") << QStringList{"abc"} << QString("abc");
    QTest::newRow("line of only an end is an empty line")
        << QStringList{"a\n", "\n", "b\n"} << QString("b\n\na");
    QTest::newRow("CR inside a line is a picture") << QStringList{"A\rB\n"} << QString("A\u240DB");
    QTest::newRow("NUL inside a line is a picture")
        << QStringList{QString("A") + QChar(0) + "B\n"} << QString("A\u2400B");
    QTest::newRow("LF inside a line is a picture") << QStringList{"A\nB\n"} << QString("A\u240AB");
    QTest::newRow("tab, escape and 1F")
        << QStringList{QString("\t") + QChar(0x1B) + QChar(0x1F) + "\n"}
        << QString("\u2409\u241B\u241F");
    QTest::newRow("DEL is its picture")
        << QStringList{QString(QChar(0x7F)) + "\n"} << QString("\u2421");
    QTest::newRow("blank and Chinese unchanged")
        << QStringList{"请求 握手\n"} << QString("请求 握手");
}

void TstTraffic::rendered() {
    QFETCH(QStringList, prepended);
    QFETCH(QString, shown);

    TrafficLog log;
    for (const QString &l : prepended)
        log.prepend(l);
    QCOMPARE(log.rendered(), shown);
}

void TstTraffic::renderedSend_data() {
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QStringList>("visual"); // the visual lines, from the top

    QTest::newRow("handshake") << Handshake
                               << QStringList{"SndAsc:\u2401 \u24009\uFFFD",
                                              "SndHex:01 20 00 39 C0 ", "请求握手命令:"};
    QTest::newRow("ASCII handshake")
        << QByteArray(":012000DF\r\n")
        // The frame's own CR LF shows as pictures; only the line's LF ends it.
        << QStringList{"SndAsc::012000DF\u240D\u240A", "SndHex:3A 30 31 32 30 30 30 44 46 0D 0A ",
                       "请求握手命令:"};
}

void TstTraffic::renderedSend() {
    QFETCH(QByteArray, frame);
    QFETCH(QStringList, visual);

    TrafficSide side;
    Transmit::record(side, frame);
    const QStringList shown = side.log.rendered().split(u'\n');
    QCOMPARE(shown.size(), side.log.lines().size());
    QCOMPARE(shown.size(), visual.size());
    QCOMPARE(shown, visual);
}

namespace {
Stamp stamp(qint64 epochUs, qint64 sinceOpenUs, qint64 sincePrevUs) {
    return Stamp{true, epochUs, sinceOpenUs, sincePrevUs};
}
// 2025-12-09 23:41:07.123456 UTC.
constexpr qint64 Evening = 1'765'323'667'123'456;
} // namespace

void TstTraffic::stampText_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<qint64>("epochUs");
    QTest::addColumn<qint64>("sinceOpenUs");
    QTest::addColumn<qint64>("sincePrevUs");
    QTest::addColumn<QString>("text");

    const int absolute = int(Timestamps::Absolute);
    const int relative = int(Timestamps::Relative);
    const int interval = int(Timestamps::Interval);
    QTest::newRow("none") << int(Timestamps::None) << Evening << 1LL << 1LL << QString();
    QTest::newRow("absolute, microseconds")
        << absolute << Evening << 0LL << 0LL << "[23:41:07.123456]";
    QTest::newRow("absolute, leading zeros")
        << absolute << qint64(1'765'238'405'000'007) << 0LL << 0LL << "[00:00:05.000007]";
    QTest::newRow("absolute, last microsecond of a second")
        << absolute << qint64(1'765'323'667'999'999) << 0LL << 0LL << "[23:41:07.999999]";
    QTest::newRow("relative") << relative << Evening << 12'345'678LL << 0LL << "[+12.345678]";
    QTest::newRow("relative, zero") << relative << Evening << 0LL << 0LL << "[+0.000000]";
    QTest::newRow("relative, hours")
        << relative << Evening << 3'600'000'001LL << 0LL << "[+3600.000001]";
    QTest::newRow("interval") << interval << Evening << 0LL << 12'345LL << "[Δ0.012345]";
    QTest::newRow("interval, out of order")
        << interval << Evening << 0LL << -250LL << "[Δ-0.000250]";
}

void TstTraffic::stampText() {
    QFETCH(int, mode);
    QFETCH(qint64, epochUs);
    QFETCH(qint64, sinceOpenUs);
    QFETCH(qint64, sincePrevUs);
    QFETCH(QString, text);
    QCOMPARE(TrafficLog::stampText(stamp(epochUs, sinceOpenUs, sincePrevUs), Timestamps(mode)),
             text);
    QCOMPARE(TrafficLog::stampText(Stamp(), Timestamps(mode)), QString());
}

void TstTraffic::renderedWithStamps_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("visual"); // from the top

    // Two frames: a request with a caption line and one without.
    QTest::newRow("none: as without stamps")
        << int(Timestamps::None)
        << QStringList{"SndAsc:b", "SndHex:02 ", "SndAsc:a", "SndHex:01 ", "查询绝对位置:"};
    QTest::newRow("relative: first line of each frame")
        << int(Timestamps::Relative)
        << QStringList{"SndAsc:b", "[+1.500000] SndHex:02 ", "SndAsc:a", "SndHex:01 ",
                       "[+1.000000] 查询绝对位置:"};
    QTest::newRow("interval") << int(Timestamps::Interval)
                              << QStringList{"SndAsc:b", "[Δ0.500000] SndHex:02 ", "SndAsc:a",
                                             "SndHex:01 ", "[Δ1.000000] 查询绝对位置:"};
}

void TstTraffic::renderedWithStamps() {
    QFETCH(int, mode);
    QFETCH(QStringList, visual);

    TrafficSide side;
    side.add({"查询绝对位置:\n\r", "SndHex:01 \n", "SndAsc:a\n"}, 1,
             stamp(0, 1'000'000, 1'000'000));
    side.add({"SndHex:02 \n", "SndAsc:b\n"}, 1, stamp(0, 1'500'000, 500'000));
    QCOMPARE(side.log.rendered(Timestamps(mode)).split(u'\n'), visual);
    // The newest lines alone, as a view inserts them.
    QCOMPARE(side.log.renderedNewest(2, Timestamps(mode)).split(u'\n'), visual.mid(0, 2));
}

void TstTraffic::stampsLeaveTextAndBound() {
    // The same frames with and without stamps: same text, length, and the
    // bound empties both at the same frame.
    TrafficSide plain;
    TrafficSide stamped;
    const QByteArray frame = withCrc(QByteArray::fromHex("013700"));
    for (int i = 0; i < 400; ++i) {
        const Transmit::Outcome out = Transmit::prepare(frame);
        plain.add(out.lines, frame.size());
        stamped.add(out.lines, frame.size(), stamp(Evening + i, i, 1));
        QCOMPARE(stamped.log.text(), plain.log.text());
        QCOMPARE(stamped.count, plain.count);
        QCOMPARE(stamped.log.stamps().size(), stamped.log.lines().size());
    }
    QCOMPARE(stamped.log.rendered(Timestamps::None), plain.log.rendered());
}

void TstTraffic::changeCounters_data() {
    QTest::addColumn<QStringList>("steps"); // "+N": N lines, "clear", "bound"
    QTest::addColumn<quint64>("added");
    QTest::addColumn<quint64>("clears");

    QTest::newRow("lines only") << QStringList{"+3", "+2"} << quint64(5) << quint64(0);
    QTest::newRow("clear counts, added goes on")
        << QStringList{"+3", "clear", "+1"} << quint64(4) << quint64(1);
    QTest::newRow("bound not reached is no clear")
        << QStringList{"+2", "bound"} << quint64(2) << quint64(0);
    QTest::newRow("bound reached is a clear")
        << QStringList{"+2", "big", "bound", "+1"} << quint64(4) << quint64(1);
}

void TstTraffic::changeCounters() {
    QFETCH(QStringList, steps);
    QFETCH(quint64, added);
    QFETCH(quint64, clears);

    TrafficLog log;
    for (const QString &step : steps) {
        if (step == "clear")
            log.clear();
        else if (step == "bound")
            log.enforceBound();
        else if (step == "big")
            log.prepend(QString(TrafficLog::Bound + 1, u'x'));
        else
            for (int i = 0; i < step.mid(1).toInt(); ++i)
                log.prepend("x\n");
    }
    QCOMPARE(log.added(), added);
    QCOMPARE(log.clears(), clears);
}

QTEST_GUILESS_MAIN(TstTraffic)
#include "tst_traffic.moc"
