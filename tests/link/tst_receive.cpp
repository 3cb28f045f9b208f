// The receive decoder: each assembled frame taken as one reply and turned into
// a caption line, the queried value, the status and input bytes, the IO
// read-back and the traffic lines; frames that are not good show only their
// mark line. CRCs and LRCs come from the bitwise CRC-16 and the byte-sum LRC of
// the test support, not from the codec; expected texts were worked out by hand.
#include "link/receive.h"
#include "support/wire.h"

#include <QtTest>

using Frames::Frame;
using Frames::Kind;
using Receive::Reply;

Q_DECLARE_METATYPE(Frames::Frame)
Q_DECLARE_METATYPE(Frames::Kind)

namespace {

using Wire::perByte;
using Wire::spaced;

// A good RTU frame of the given bytes; its last two bytes are taken as the CRC.
Frame good(const QByteArray &bytes) {
    Frame f;
    f.kind = Kind::Good;
    f.bytes = bytes;
    f.message = bytes.size() > 2 ? bytes.chopped(2) : QByteArray();
    return f;
}
// A good ASCII frame: its characters as on the line and the bytes it carries.
Frame goodAscii(const QByteArray &chars, const QByteArray &message) {
    Frame f;
    f.kind = Kind::Good;
    f.form = Frames::Form::Ascii;
    f.bytes = chars;
    f.message = message;
    return f;
}

Frame rtu(const char *hexBytes) {
    return good(Wire::rtu(QByteArray::fromHex(hexBytes)));
}
Frame raw(const char *hexBytes) {
    return good(QByteArray::fromHex(hexBytes));
}
Frame ascii(const char *hexBytes, bool lowercase = false) {
    const QByteArray message = QByteArray::fromHex(hexBytes);
    return goodAscii(Wire::ascii(message, lowercase), message);
}

QByteArray be32(quint32 v) {
    QByteArray b;
    for (int shift = 24; shift >= 0; shift -= 8)
        b += char((v >> shift) & 0xFF);
    return b;
}

Frame valueReply(quint8 code, quint32 v) {
    const QByteArray b = QByteArray::fromHex("01") + char(code) + char(4) + be32(v);
    return good(Wire::rtu(b));
}

QString valueOf(const Reply &r) {
    return r.value ? Receive::valueText(*r.value) : QString();
}

// Nothing but the caption line and the traffic lines.
bool carriesNothing(const Reply &r) {
    return !r.value && !r.status && !r.inputs && !r.ioCommand;
}

} // namespace

class TstReceive : public QObject {
    Q_OBJECT
private slots:
    void unsignedValues_data();
    void unsignedValues();
    void signedValues_data();
    void signedValues();
    void shortFrames_data();
    void shortFrames();
    void addressAndBaud_data();
    void addressAndBaud();
    void status_data();
    void status();
    void inputs_data();
    void inputs();
    void ioReadBack_data();
    void ioReadBack();
    void unrecognised_data();
    void unrecognised();
    void trafficLines_data();
    void trafficLines();
    void asciiReplies_data();
    void asciiReplies();
    void framesThatAreNotGoodShowOnlyTheirMark_data();
    void framesThatAreNotGoodShowOnlyTheirMark();
    void record_data();
    void record();
};

void TstReceive::unsignedValues_data() {
    QTest::addColumn<Frame>("frame");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("text");

    QTest::newRow("26 start speed 1000")
        << valueReply(0x26, 1000) << QString("查询运动初速度:") << " 1000";
    QTest::newRow("28 top speed 1000")
        << valueReply(0x28, 1000) << QString("查询运动最大速度:") << " 1000";
    QTest::newRow("2A end speed 1000")
        << valueReply(0x2A, 1000) << QString("查询运动末速度:") << " 1000";
    QTest::newRow("2C acceleration 1000")
        << valueReply(0x2C, 1000) << QString("查询运动加速度:") << " 1000";
    QTest::newRow("2E deceleration 1000")
        << valueReply(0x2E, 1000) << QString("查询运动减速度:") << " 1000";
    QTest::newRow("30 homing speed 1000")
        << valueReply(0x30, 1000) << QString("查询归零运动速度:") << " 1000";
    QTest::newRow("36 speed 1000") << valueReply(0x36, 1000) << QString("查询运动速度:") << " 1000";
    QTest::newRow("36 speed zero has the blank")
        << valueReply(0x36, 0) << QString("查询运动速度:") << " 0";
    QTest::newRow("36 all ones is unsigned")
        << valueReply(0x36, 0xFFFFFFFFu) << QString("查询运动速度:") << " 4294967295";
    QTest::newRow("26 top bit set stays positive")
        << valueReply(0x26, 0x80000000u) << QString("查询运动初速度:") << " 2147483648";
    QTest::newRow("2C bytes 01 02 03 04 big-endian")
        << valueReply(0x2C, 0x01020304u) << QString("查询运动加速度:") << " 16909060";
    QTest::newRow("28 without CRC, exactly 8 bytes")
        << raw("0128040000C350FF") << QString("查询运动最大速度:") << " 50000";
}

void TstReceive::unsignedValues() {
    QFETCH(Frame, frame);
    QFETCH(QString, caption);
    QFETCH(QString, text);

    const Reply r = Receive::CommRec(frame);
    QCOMPARE(r.caption, caption + "\n\r");
    QVERIFY(r.code.has_value());
    QCOMPARE(int(*r.code), int(quint8(frame.bytes.at(1))));
    QCOMPARE(valueOf(r), text);
    QVERIFY(!r.status);
    QVERIFY(!r.inputs);
    QVERIFY(!r.ioCommand);
    QCOMPARE(Receive::caption(quint8(frame.bytes.at(1))), caption);
}

void TstReceive::signedValues_data() {
    QTest::addColumn<Frame>("frame");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("text");

    const QString abs = "查询运动绝对位置:";
    const QString rel = "查询运动相对位置:";
    QTest::newRow("37 absolute -2") << valueReply(0x37, 0xFFFFFFFEu) << abs << "-2";
    QTest::newRow("39 relative -2") << valueReply(0x39, 0xFFFFFFFEu) << rel << "-2";
    QTest::newRow("37 absolute -1") << valueReply(0x37, 0xFFFFFFFFu) << abs << "-1";
    QTest::newRow("37 absolute 1000") << valueReply(0x37, 1000) << abs << " 1000";
    QTest::newRow("39 relative zero") << valueReply(0x39, 0) << rel << " 0";
    QTest::newRow("39 most positive") << valueReply(0x39, 0x7FFFFFFFu) << rel << " 2147483647";
    QTest::newRow("37 most negative") << valueReply(0x37, 0x80000000u) << abs << "-2147483648";
    QTest::newRow("39 minus 100000") << valueReply(0x39, 0xFFFE7960u) << rel << "-100000";
}

void TstReceive::signedValues() {
    QFETCH(Frame, frame);
    QFETCH(QString, caption);
    QFETCH(QString, text);

    const Reply r = Receive::CommRec(frame);
    QCOMPARE(r.caption, caption + "\n\r");
    QCOMPARE(valueOf(r), text);
}

void TstReceive::shortFrames_data() {
    QTest::addColumn<Frame>("frame");
    QTest::addColumn<QString>("caption"); // with its LF CR, empty if none
    QTest::addColumn<int>("code");        // -1: none

    QTest::newRow("36 seven bytes: caption, no value")
        << raw("013604000003E8") << QString("查询运动速度:\n\r") << 0x36;
    QTest::newRow("37 seven bytes: caption, no value")
        << raw("01370400000001") << QString("查询运动绝对位置:\n\r") << 0x37;
    QTest::newRow("26 three bytes: caption, no value")
        << raw("012604") << QString("查询运动初速度:\n\r") << 0x26;
    QTest::newRow("3B seven bytes: caption, no status")
        << raw("013B0400010101") << QString("查询运动状态:\n\r") << 0x3B;
    QTest::newRow("42 seven bytes: caption, no inputs")
        << raw("01420501010101") << QString("查询 IN 1-5 状态:\n\r") << 0x42;
    QTest::newRow("36 two bytes: nothing") << raw("0136") << QString() << -1;
    QTest::newRow("one byte: nothing") << raw("01") << QString() << -1;
    QTest::newRow("no bytes: nothing") << good(QByteArray()) << QString() << -1;
}

void TstReceive::shortFrames() {
    QFETCH(Frame, frame);
    QFETCH(QString, caption);
    QFETCH(int, code);

    const Reply r = Receive::CommRec(frame);
    QCOMPARE(r.caption, caption);
    QCOMPARE(r.code.has_value(), code >= 0);
    if (r.code)
        QCOMPARE(int(*r.code), code);
    QVERIFY(carriesNothing(r));
    QCOMPARE(r.count, int(frame.bytes.size()));
}

void TstReceive::addressAndBaud_data() {
    QTest::addColumn<Frame>("frame");
    QTest::addColumn<QString>("caption");

    const QString addr = "查询设备地址:当前地址为";
    const QString baud = "查询当前波特率:当前波特率设置为";
    QTest::newRow("address 5") << rtu("052100") << addr + "5\n\r";
    QTest::newRow("address 1F in bare uppercase hex") << rtu("1F2100") << addr + "1F\n\r";
    QTest::newRow("address 0A is one digit") << rtu("0A2100") << addr + "A\n\r";
    QTest::newRow("broadcast address 0") << rtu("002100") << addr + "0\n\r";
    QTest::newRow("address three bytes only") << raw("052100") << addr + "5\n\r";
    QTest::newRow("baud setting C") << rtu("0123010C") << baud + "C\n\r";
    QTest::newRow("baud setting 0") << rtu("01230100") << baud + "0\n\r";
    QTest::newRow("baud setting 10") << rtu("01230110") << baud + "10\n\r";
    QTest::newRow("baud four bytes without CRC") << raw("01230107") << baud + "7\n\r";
    QTest::newRow("baud three bytes: no caption line") << raw("012301") << QString();
}

void TstReceive::addressAndBaud() {
    QFETCH(Frame, frame);
    QFETCH(QString, caption);

    const Reply r = Receive::CommRec(frame);
    QCOMPARE(r.caption, caption);
    // Recognised even where the caption line is left out.
    QVERIFY(r.code.has_value());
    QCOMPARE(int(*r.code), int(quint8(frame.bytes.at(1))));
    QVERIFY(carriesNothing(r));
    // The traffic lines are there in any case.
    QCOMPARE(r.hexLine, "RecHex:" + spaced(frame.bytes) + "\n");
}

void TstReceive::status_data() {
    QTest::addColumn<Frame>("frame");
    QTest::addColumn<QByteArray>("status"); // run state, left, origin, right

    QTest::newRow("stopped, all flags 1")
        << raw("013B04000101010000") << QByteArray::fromHex("00010101");
    QTest::newRow("moving, flags 00 01 02")
        << raw("013B04050001020000") << QByteArray::fromHex("05000102");
    QTest::newRow("stopped with real CRC")
        << rtu("013B0400010101") << QByteArray::fromHex("00010101");
    QTest::newRow("moving 01, flags 01 00 01")
        << rtu("013B0401010001") << QByteArray::fromHex("01010001");
    QTest::newRow("stopped, all flags 0")
        << rtu("013B0400000000") << QByteArray::fromHex("00000000");
    QTest::newRow("moving FF, flags FF")
        << rtu("013B04FFFFFFFF") << QByteArray::fromHex("FFFFFFFF");
    QTest::newRow("exactly 8 bytes") << raw("013B040001010100") << QByteArray::fromHex("00010101");
}

void TstReceive::status() {
    QFETCH(Frame, frame);
    QFETCH(QByteArray, status);

    const Reply r = Receive::CommRec(frame);
    QCOMPARE(r.caption, QString("查询运动状态:\n\r"));
    QCOMPARE(r.code, std::optional<quint8>(0x3B));
    QVERIFY(r.status.has_value());
    QCOMPARE(*r.status, status);
    QVERIFY(!r.value);
    QVERIFY(!r.inputs);
}

void TstReceive::inputs_data() {
    QTest::addColumn<Frame>("frame");
    QTest::addColumn<QByteArray>("inputs"); // IN1 .. IN5

    QTest::newRow("all inputs 1") << rtu("0142050101010101") << QByteArray::fromHex("0101010101");
    QTest::newRow("all inputs 0") << rtu("0142050000000000") << QByteArray::fromHex("0000000000");
    QTest::newRow("alternating, 02 is not 1")
        << rtu("0142050100010002") << QByteArray::fromHex("0100010002");
    QTest::newRow("only IN5 on") << rtu("0142050000000001") << QByteArray::fromHex("0000000001");
    QTest::newRow("exactly 8 bytes without CRC")
        << raw("0142050101010101") << QByteArray::fromHex("0101010101");
}

void TstReceive::inputs() {
    QFETCH(Frame, frame);
    QFETCH(QByteArray, inputs);

    const Reply r = Receive::CommRec(frame);
    QCOMPARE(r.caption, QString("查询 IN 1-5 状态:\n\r"));
    QVERIFY(r.inputs.has_value());
    QCOMPARE(*r.inputs, inputs);
    QVERIFY(!r.status);
}

void TstReceive::ioReadBack_data() {
    QTest::addColumn<Frame>("frame");
    QTest::addColumn<QString>("command");

    QTest::newRow("RTU: stored 32-bit pulse run")
        << rtu("01410701310400002710") << "31 04 00 00 27 10 ";
    QTest::newRow("RTU: stored stop command") << rtu("014103023C00") << "3C 00 ";
    QTest::newRow("RTU: byte AB in uppercase") << rtu("014105032B0100AB") << "2B 01 00 AB ";
    QTest::newRow("RTU: pattern only, nothing stored") << rtu("01410101") << "";
    QTest::newRow("RTU: seven bytes hold one stored byte") << rtu("0141020105") << "05 ";
    QTest::newRow("ASCII: LRC trailer of one byte")
        << ascii("01410701310400002710") << "31 04 00 00 27 10 ";
    QTest::newRow("ASCII lowercase: stored stop command")
        << ascii("014103023c00", true) << "3C 00 ";
}

void TstReceive::ioReadBack() {
    QFETCH(Frame, frame);
    QFETCH(QString, command);

    const Reply r = Receive::CommRec(frame);
    QCOMPARE(r.caption, QString("读取IO取代命令:\n\r"));
    QVERIFY(r.ioCommand.has_value());
    QCOMPARE(*r.ioCommand, command);
    QVERIFY(!r.value);
}

void TstReceive::unrecognised_data() {
    QTest::addColumn<Frame>("frame");

    QTest::newRow("error reply A0") << rtu("01A00102");
    QTest::newRow("error reply to a speed query, B6") << rtu("01B60103");
    QTest::newRow("error reply to a status query, BB") << rtu("01BB0104");
    QTest::newRow("memory offset 3F") << rtu("013F00");
    QTest::newRow("input state 43") << rtu("0143050000000000");
    QTest::newRow("CAN code 48") << rtu("0148020102");
    QTest::newRow("CAN code 4C") << rtu("014C00");
    QTest::newRow("register-form reply 03") << rtu("010304000003E8");
    QTest::newRow("ASCII error reply") << ascii("01A00102");
}

void TstReceive::unrecognised() {
    QFETCH(Frame, frame);

    const Reply r = Receive::CommRec(frame);
    QCOMPARE(r.caption, QString());
    QVERIFY(!r.code);
    QVERIFY(carriesNothing(r));
    QCOMPARE(r.hexLine, "RecHex:" + spaced(frame.bytes) + "\n");
    QCOMPARE(r.ascLine, "RecAsc:" + perByte(frame.bytes) + "\n");
    QCOMPARE(r.count, int(frame.bytes.size()));
}

void TstReceive::trafficLines_data() {
    QTest::addColumn<Frame>("frame");
    QTest::addColumn<QString>("hex");
    QTest::addColumn<QString>("asc");

    QTest::newRow("handshake reply")
        << raw("01200039C0") << "RecHex:01 20 00 39 C0 \n"
        << QString("RecAsc:") + QChar(1) + " " + QChar(0) + "9" + QChar(0xFFFD) + "\n";
    QTest::newRow("lone lead byte 81") << raw("81") << "RecHex:81 \n" << QString("RecAsc:\uFFFD\n");
    QTest::newRow("FF is no character") << raw("FF") << "RecHex:FF \n"
                                        << QString("RecAsc:\uFFFD\n");
    QTest::newRow("lead and trail bytes are not combined") << raw("C4E3") << "RecHex:C4 E3 \n"
                                                           << QString("RecAsc:\uFFFD\uFFFD\n");
    QTest::newRow("CR LF NUL kept") << good(QByteArray("A\r\n\0B", 5)) << "RecHex:41 0D 0A 00 42 \n"
                                    << QString("RecAsc:A\r\n") + QChar(0) + "B\n";
    QTest::newRow("printable text") << good(QByteArray("OK 7")) << "RecHex:4F 4B 20 37 \n"
                                    << "RecAsc:OK 7\n";
    QTest::newRow("empty frame") << good(QByteArray()) << "RecHex:\n"
                                 << "RecAsc:\n";
    Frame shortMessage = raw("0102030405");
    shortMessage.message = QByteArray::fromHex("01");
    QTest::newRow("lines show every byte on the line, not only the message")
        << shortMessage << "RecHex:01 02 03 04 05 \n"
        << QString("RecAsc:") + QChar(1) + QChar(2) + QChar(3) + QChar(4) + QChar(5) + "\n";
    Frame noise;
    noise.kind = Kind::Noise;
    noise.bytes = QByteArray::fromHex("00FF");
    QTest::newRow("noise bytes") << noise << "RecHex:00 FF \n"
                                 << QString("RecAsc:") + QChar(0) + QChar(0xFFFD) + "\n";
}

void TstReceive::trafficLines() {
    QFETCH(Frame, frame);
    QFETCH(QString, hex);
    QFETCH(QString, asc);

    const Reply r = Receive::CommRec(frame);
    QCOMPARE(r.hexLine, hex);
    QCOMPARE(r.ascLine, asc);
    QCOMPARE(r.count, int(frame.bytes.size()));
}

void TstReceive::asciiReplies_data() {
    QTest::addColumn<Frame>("frame");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("status");

    // 01 36 04 00 00 00 64: sum 0x9F, LRC 0x61.
    const QByteArray speed100 = QByteArray::fromHex("01360400000064");
    QTest::newRow("speed 100, LRC worked by hand")
        << goodAscii(":0136040000006461\r\n", speed100) << QString("查询运动速度:\n\r") << " 100"
        << QByteArray();
    QTest::newRow("speed 100, lowercase digits")
        << ascii("01360400000064", true) << QString("查询运动速度:\n\r") << " 100" << QByteArray();
    QTest::newRow("absolute position -2")
        << ascii("013704FFFFFFFE") << QString("查询运动绝对位置:\n\r") << "-2" << QByteArray();
    QTest::newRow("address 1F") << ascii("1F2100") << QString("查询设备地址:当前地址为1F\n\r") << ""
                                << QByteArray();
    QTest::newRow("moving status") << ascii("013B0405000102") << QString("查询运动状态:\n\r") << ""
                                   << QByteArray::fromHex("05000102");
    QTest::newRow("good frame is not checked again: wrong LRC digits")
        << goodAscii(":0136040000006400\r\n", speed100) << QString("查询运动速度:\n\r") << " 100"
        << QByteArray();
    // Seven bytes and the LRC make the eight a value needs.
    QTest::newRow("speed with three data bytes: the LRC completes the length")
        << ascii("01360300000064") << QString("查询运动速度:\n\r") << " 100" << QByteArray();
    QTest::newRow("speed with two data bytes: caption only")
        << ascii("013602000064") << QString("查询运动速度:\n\r") << "" << QByteArray();
}

void TstReceive::asciiReplies() {
    QFETCH(Frame, frame);
    QFETCH(QString, caption);
    QFETCH(QString, value);
    QFETCH(QByteArray, status);

    const Reply r = Receive::CommRec(frame);
    QCOMPARE(r.caption, caption);
    QCOMPARE(valueOf(r), value);
    QCOMPARE(r.status.value_or(QByteArray()), status);
    // The traffic lines show the characters as they came.
    QCOMPARE(r.hexLine, "RecHex:" + spaced(frame.bytes) + "\n");
    QCOMPARE(r.ascLine, "RecAsc:" + QString::fromLatin1(frame.bytes) + "\n");
    QCOMPARE(r.count, int(frame.bytes.size()));
}

void TstReceive::framesThatAreNotGoodShowOnlyTheirMark_data() {
    QTest::addColumn<Frame>("frame");
    QTest::addColumn<QString>("caption");

    // Each carries bytes that would decode as a good frame, so a decoder that
    // looked past the kind would show a value, a status or a caption.
    const auto frame = [](Kind kind, Frames::Form form, const QByteArray &bytes,
                          const QByteArray &message) {
        Frame f;
        f.kind = kind;
        f.form = form;
        f.bytes = bytes;
        f.message = message;
        return f;
    };
    const QByteArray speed = QByteArray::fromHex("0136040000C350");
    QByteArray badCrc = Wire::rtu(speed);
    badCrc[badCrc.size() - 1] = char(badCrc.back() ^ 0x01);
    QTest::newRow("checksum failed: RTU speed reply with a wrong CRC")
        << frame(Kind::ChecksumFailed, Frames::Form::Rtu, badCrc, speed)
        << QString("校验错误:\n\r");
    QTest::newRow("checksum failed: ASCII status reply with a wrong LRC")
        << frame(Kind::ChecksumFailed, Frames::Form::Ascii, ":013B040100010100\r\n",
                 QByteArray::fromHex("013B0401000101"))
        << QString("校验错误:\n\r");
    QTest::newRow("incomplete: the head of a speed reply")
        << frame(Kind::Incomplete, Frames::Form::Rtu, speed.left(5), speed.left(5))
        << QString("帧不完整:\n\r");
    QTest::newRow("noise: bytes no frame can use")
        << frame(Kind::Noise, Frames::Form::Rtu, QByteArray::fromHex("013B0400010101FF"),
                 QByteArray::fromHex("013B0400010101"))
        << QString("无效数据:\n\r");
    const QByteArray request = QByteArray::fromHex("014100");
    QTest::newRow("echo: the IO read-back request read back")
        << frame(Kind::Echo, Frames::Form::Rtu, Wire::rtu(request), request)
        << QString("回波:\n\r");
    QTest::newRow("echo: an ASCII speed query read back")
        << frame(Kind::Echo, Frames::Form::Ascii, Wire::ascii(QByteArray::fromHex("013600")),
                 QByteArray::fromHex("013600"))
        << QString("回波:\n\r");
}

void TstReceive::framesThatAreNotGoodShowOnlyTheirMark() {
    QFETCH(Frame, frame);
    QFETCH(QString, caption);

    const Reply r = Receive::CommRec(frame);
    QCOMPARE(r.caption, caption);
    QCOMPARE(Receive::mark(frame.kind) + "\n\r", caption);
    QVERIFY(!r.code);
    QVERIFY(carriesNothing(r));
    QCOMPARE(r.hexLine, "RecHex:" + spaced(frame.bytes) + "\n");
    QCOMPARE(r.ascLine, "RecAsc:" + perByte(frame.bytes) + "\n");
    QCOMPARE(r.count, int(frame.bytes.size()));
}

void TstReceive::record_data() {
    QTest::addColumn<Frame>("frame");
    QTest::addColumn<int>("prefill");
    QTest::addColumn<QStringList>("lines"); // the new lines, newest first
    QTest::addColumn<bool>("cleared");

    const Frame speed = valueReply(0x36, 1000);
    const QStringList speedLines{"RecAsc:" + perByte(speed.bytes) + "\n",
                                 "RecHex:" + spaced(speed.bytes) + "\n",
                                 QString("查询运动速度:\n\r")};
    const Frame error = rtu("01A00102");
    const QStringList errorLines{"RecAsc:" + perByte(error.bytes) + "\n",
                                 "RecHex:" + spaced(error.bytes) + "\n"};
    Frame echo = speed;
    echo.kind = Kind::Echo;
    const QStringList echoLines{speedLines.at(0), speedLines.at(1), QString("回波:\n\r")};

    QTest::newRow("reply with caption: character, hex, caption")
        << speed << 0 << speedLines << false;
    QTest::newRow("reply without caption") << error << 0 << errorLines << false;
    QTest::newRow("echo: character, hex, mark") << echo << 0 << echoLines << false;
    QTest::newRow("exactly 10000 before stays") << speed << 10000 << speedLines << false;
    QTest::newRow("10001 before is cleared") << speed << 10001 << speedLines << true;
    QTest::newRow("far over is cleared") << error << 30000 << errorLines << true;
}

void TstReceive::record() {
    QFETCH(Frame, frame);
    QFETCH(int, prefill);
    QFETCH(QStringList, lines);
    QFETCH(bool, cleared);

    TrafficSide side;
    for (int left = prefill; left > 0; left -= 100)
        side.log.prepend(QString(std::min(left, 100) - 1, u'r') + u'\n');
    const QStringList before = side.log.lines();
    QCOMPARE(side.log.length(), prefill);
    side.count = 1234;

    Receive::record(side, Receive::CommRec(frame));
    QCOMPARE(side.log.lines(), cleared ? lines : lines + before);
    QCOMPARE(side.count, (cleared ? 0 : 1234) + frame.bytes.size());
}

QTEST_GUILESS_MAIN(TstReceive)
#include "tst_receive.moc"
