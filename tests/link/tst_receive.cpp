// The receive decoder: each chunk taken as one reply and turned into a caption
// line, queried-value texts, indicator colours, the IO read-back and the
// traffic lines. CRCs and LRCs come from the bitwise CRC-16 and the byte-sum LRC
// written out below, not from the codec; expected texts were worked out by hand.
#include "link/receive.h"
#include "support/wire.h"

#include <QtTest>

using Receive::Decoded;
using Receive::Lamp;

namespace {

using Wire::perByte;
using Wire::spaced;

QByteArray rtu(const char *hexBytes) {
    return Wire::rtu(QByteArray::fromHex(hexBytes));
}
QByteArray ascii(const char *hexBytes, bool lowercase = false) {
    return Wire::ascii(QByteArray::fromHex(hexBytes), lowercase);
}

QByteArray be32(quint32 v) {
    QByteArray b;
    for (int shift = 24; shift >= 0; shift -= 8)
        b += char((v >> shift) & 0xFF);
    return b;
}

QByteArray valueReply(quint8 code, quint32 v) {
    const QByteArray b = QByteArray::fromHex("01") + char(code) + char(4) + be32(v);
    return Wire::rtu(b);
}

QString fieldsText(const Decoded &d) {
    QStringList pieces;
    for (const auto &f : d.fields)
        pieces << f.field + "=" + f.text;
    return pieces.join(u'|');
}

QString lampsText(const Decoded &d) {
    QStringList pieces;
    for (const auto &l : d.lamps)
        pieces << QString::number(l.shape) + (l.colour == Lamp::Normal ? "N" : "A");
    return pieces.join(u' ');
}

} // namespace

class TstReceive : public QObject {
    Q_OBJECT
private slots:
    void unsignedValues_data();
    void unsignedValues();
    void signedValues_data();
    void signedValues();
    void shortChunks_data();
    void shortChunks();
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
    void record_data();
    void record();
};

void TstReceive::unsignedValues_data() {
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");

    QTest::newRow("26 start speed 1000")
        << valueReply(0x26, 1000) << QString("查询运动初速度:") << "Text27"
        << " 1000";
    QTest::newRow("28 top speed 1000")
        << valueReply(0x28, 1000) << QString("查询运动最大速度:") << "Text26"
        << " 1000";
    QTest::newRow("2A end speed 1000")
        << valueReply(0x2A, 1000) << QString("查询运动末速度:") << "Text25"
        << " 1000";
    QTest::newRow("2C acceleration 1000")
        << valueReply(0x2C, 1000) << QString("查询运动加速度:") << "Text24"
        << " 1000";
    QTest::newRow("2E deceleration 1000")
        << valueReply(0x2E, 1000) << QString("查询运动减速度:") << "Text6"
        << " 1000";
    QTest::newRow("30 homing speed 1000")
        << valueReply(0x30, 1000) << QString("查询归零运动速度:") << "Text28"
        << " 1000";
    QTest::newRow("36 speed 1000") << valueReply(0x36, 1000) << QString("查询运动速度:") << "Text17"
                                   << " 1000";
    QTest::newRow("36 speed zero has the blank")
        << valueReply(0x36, 0) << QString("查询运动速度:") << "Text17"
        << " 0";
    QTest::newRow("36 all ones is unsigned")
        << valueReply(0x36, 0xFFFFFFFFu) << QString("查询运动速度:") << "Text17"
        << " 4294967295";
    QTest::newRow("26 top bit set stays positive")
        << valueReply(0x26, 0x80000000u) << QString("查询运动初速度:") << "Text27"
        << " 2147483648";
    QTest::newRow("2C bytes 01 02 03 04 big-endian")
        << valueReply(0x2C, 0x01020304u) << QString("查询运动加速度:") << "Text24"
        << " 16909060";
    QTest::newRow("28 without CRC, exactly 8 bytes")
        << QByteArray::fromHex("0128040000C350FF") << QString("查询运动最大速度:") << "Text26"
        << " 50000";
}

void TstReceive::unsignedValues() {
    QFETCH(QByteArray, chunk);
    QFETCH(QString, caption);
    QFETCH(QString, field);
    QFETCH(QString, text);

    const Decoded d = Receive::CommRec(chunk, int(chunk.size()));
    QCOMPARE(d.caption, caption + "\n\r");
    QCOMPARE(fieldsText(d), field + "=" + text);
    QVERIFY(d.lamps.isEmpty());
    QVERIFY(!d.status);
    QVERIFY(!d.ioCommand);
    QCOMPARE(Receive::caption(quint8(chunk.at(1))), caption);
}

void TstReceive::signedValues_data() {
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");

    const QString abs = "查询运动绝对位置:";
    const QString rel = "查询运动相对位置:";
    QTest::newRow("37 absolute -2") << valueReply(0x37, 0xFFFFFFFEu) << abs << "Text18"
                                    << "-2";
    QTest::newRow("39 relative -2") << valueReply(0x39, 0xFFFFFFFEu) << rel << "Text19"
                                    << "-2";
    QTest::newRow("37 absolute -1") << valueReply(0x37, 0xFFFFFFFFu) << abs << "Text18"
                                    << "-1";
    QTest::newRow("37 absolute 1000") << valueReply(0x37, 1000) << abs << "Text18"
                                      << " 1000";
    QTest::newRow("39 relative zero") << valueReply(0x39, 0) << rel << "Text19"
                                      << " 0";
    QTest::newRow("39 most positive") << valueReply(0x39, 0x7FFFFFFFu) << rel << "Text19"
                                      << " 2147483647";
    QTest::newRow("37 most negative") << valueReply(0x37, 0x80000000u) << abs << "Text18"
                                      << "-2147483648";
    QTest::newRow("39 minus 100000") << valueReply(0x39, 0xFFFE7960u) << rel << "Text19"
                                     << "-100000";
}

void TstReceive::signedValues() {
    QFETCH(QByteArray, chunk);
    QFETCH(QString, caption);
    QFETCH(QString, field);
    QFETCH(QString, text);

    const Decoded d = Receive::CommRec(chunk, int(chunk.size()));
    QCOMPARE(d.caption, caption + "\n\r");
    QCOMPARE(fieldsText(d), field + "=" + text);
}

void TstReceive::shortChunks_data() {
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<QString>("caption"); // with its LF CR, empty if none

    QTest::newRow("36 seven bytes: caption, no value")
        << QByteArray::fromHex("013604000003E8") << QString("查询运动速度:\n\r");
    QTest::newRow("37 seven bytes: caption, no value")
        << QByteArray::fromHex("01370400000001") << QString("查询运动绝对位置:\n\r");
    QTest::newRow("26 three bytes: caption, no value")
        << QByteArray::fromHex("012604") << QString("查询运动初速度:\n\r");
    QTest::newRow("3B seven bytes: caption, no lamps")
        << QByteArray::fromHex("013B0400010101") << QString("查询运动状态:\n\r");
    QTest::newRow("42 seven bytes: caption, no lamps")
        << QByteArray::fromHex("01420501010101") << QString("查询 IN 1-5 状态:\n\r");
    QTest::newRow("36 two bytes: nothing") << QByteArray::fromHex("0136") << QString();
    QTest::newRow("one byte: nothing") << QByteArray::fromHex("01") << QString();
    QTest::newRow("no bytes: nothing") << QByteArray() << QString();
}

void TstReceive::shortChunks() {
    QFETCH(QByteArray, chunk);
    QFETCH(QString, caption);

    const Decoded d = Receive::CommRec(chunk, int(chunk.size()));
    QCOMPARE(d.caption, caption);
    QCOMPARE(fieldsText(d), QString());
    QCOMPARE(lampsText(d), QString());
    QVERIFY(!d.status);
    QCOMPARE(d.count, int(chunk.size()));
}

void TstReceive::addressAndBaud_data() {
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<QString>("caption");

    const QString addr = "查询设备地址:当前地址为";
    const QString baud = "查询当前波特率:当前波特率设置为";
    QTest::newRow("address 5") << rtu("052100") << addr + "5\n\r";
    QTest::newRow("address 1F in bare uppercase hex") << rtu("1F2100") << addr + "1F\n\r";
    QTest::newRow("address 0A is one digit") << rtu("0A2100") << addr + "A\n\r";
    QTest::newRow("broadcast address 0") << rtu("002100") << addr + "0\n\r";
    QTest::newRow("address three bytes only") << QByteArray::fromHex("052100") << addr + "5\n\r";
    QTest::newRow("baud setting C") << rtu("0123010C") << baud + "C\n\r";
    QTest::newRow("baud setting 0") << rtu("01230100") << baud + "0\n\r";
    QTest::newRow("baud setting 10") << rtu("01230110") << baud + "10\n\r";
    QTest::newRow("baud four bytes without CRC")
        << QByteArray::fromHex("01230107") << baud + "7\n\r";
    QTest::newRow("baud three bytes: no caption line")
        << QByteArray::fromHex("012301") << QString();
}

void TstReceive::addressAndBaud() {
    QFETCH(QByteArray, chunk);
    QFETCH(QString, caption);

    const Decoded d = Receive::CommRec(chunk, int(chunk.size()));
    QCOMPARE(d.caption, caption);
    QVERIFY(d.fields.isEmpty());
    QVERIFY(d.lamps.isEmpty());
    // The traffic lines are there in any case.
    QCOMPARE(d.hexLine, "RecHex:" + spaced(chunk) + "\n");
}

void TstReceive::status_data() {
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("lamps");

    QTest::newRow("stopped, all flags 1")
        << QByteArray::fromHex("013B04000101010000") << QString("停止") << "1N 2N 3N 4N";
    QTest::newRow("moving, flags 00 01 02")
        << QByteArray::fromHex("013B04050001020000") << QString("运动中") << "1A 2A 3N 4A";
    QTest::newRow("stopped with real CRC")
        << rtu("013B0400010101") << QString("停止") << "1N 2N 3N 4N";
    QTest::newRow("moving 01, flags 01 00 01")
        << rtu("013B0401010001") << QString("运动中") << "1A 2N 3A 4N";
    QTest::newRow("stopped, all flags 0")
        << rtu("013B0400000000") << QString("停止") << "1N 2A 3A 4A";
    QTest::newRow("moving FF, flags FF")
        << rtu("013B04FFFFFFFF") << QString("运动中") << "1A 2A 3A 4A";
    QTest::newRow("exactly 8 bytes")
        << QByteArray::fromHex("013B040001010100") << QString("停止") << "1N 2N 3N 4N";
}

void TstReceive::status() {
    QFETCH(QByteArray, chunk);
    QFETCH(QString, status);
    QFETCH(QString, lamps);

    const Decoded d = Receive::CommRec(chunk, int(chunk.size()));
    QCOMPARE(d.caption, QString("查询运动状态:\n\r"));
    QVERIFY(d.status.has_value());
    QCOMPARE(*d.status, status);
    QCOMPARE(lampsText(d), lamps);
    QVERIFY(d.fields.isEmpty());
}

void TstReceive::inputs_data() {
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<QString>("lamps");

    QTest::newRow("all inputs 1") << rtu("0142050101010101") << "5N 6N 7N 8N 9N";
    QTest::newRow("all inputs 0") << rtu("0142050000000000") << "5A 6A 7A 8A 9A";
    QTest::newRow("alternating, 02 is not 1") << rtu("0142050100010002") << "5N 6A 7N 8A 9A";
    QTest::newRow("only IN5 on") << rtu("0142050000000001") << "5A 6A 7A 8A 9N";
    QTest::newRow("exactly 8 bytes without CRC")
        << QByteArray::fromHex("0142050101010101") << "5N 6N 7N 8N 9N";
}

void TstReceive::inputs() {
    QFETCH(QByteArray, chunk);
    QFETCH(QString, lamps);

    const Decoded d = Receive::CommRec(chunk, int(chunk.size()));
    QCOMPARE(d.caption, QString("查询 IN 1-5 状态:\n\r"));
    QCOMPARE(lampsText(d), lamps);
    QVERIFY(!d.status);
}

void TstReceive::ioReadBack_data() {
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<QString>("command");

    QTest::newRow("RTU: stored 32-bit pulse run")
        << rtu("01410701310400002710") << "31 04 00 00 27 10 ";
    QTest::newRow("RTU: stored stop command") << rtu("014103023C00") << "3C 00 ";
    QTest::newRow("RTU: byte AB in uppercase") << rtu("014105032B0100AB") << "2B 01 00 AB ";
    QTest::newRow("RTU: pattern only, nothing stored") << rtu("01410101") << "";
    QTest::newRow("ASCII: LRC trailer of one byte")
        << ascii("01410701310400002710") << "31 04 00 00 27 10 ";
    QTest::newRow("ASCII lowercase: stored stop command")
        << ascii("014103023c00", true) << "3C 00 ";
}

void TstReceive::ioReadBack() {
    QFETCH(QByteArray, chunk);
    QFETCH(QString, command);

    const Decoded d = Receive::CommRec(chunk, int(chunk.size()));
    QCOMPARE(d.caption, QString("读取IO取代命令:\n\r"));
    QVERIFY(d.ioCommand.has_value());
    QCOMPARE(*d.ioCommand, command);
    QVERIFY(d.fields.isEmpty());
}

void TstReceive::unrecognised_data() {
    QTest::addColumn<QByteArray>("chunk");

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
    QFETCH(QByteArray, chunk);

    const Decoded d = Receive::CommRec(chunk, int(chunk.size()));
    QCOMPARE(d.caption, QString());
    QVERIFY(d.fields.isEmpty());
    QVERIFY(d.lamps.isEmpty());
    QVERIFY(!d.status);
    QVERIFY(!d.ioCommand);
    QCOMPARE(d.hexLine, "RecHex:" + spaced(chunk) + "\n");
    QCOMPARE(d.ascLine, "RecAsc:" + perByte(chunk) + "\n");
    QCOMPARE(d.count, int(chunk.size()));
}

void TstReceive::trafficLines_data() {
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<int>("L");
    QTest::addColumn<QString>("hex");
    QTest::addColumn<QString>("asc");

    QTest::newRow("handshake reply")
        << QByteArray::fromHex("01200039C0") << 5 << "RecHex:01 20 00 39 C0 \n"
        << QString("RecAsc:") + QChar(1) + " " + QChar(0) + "9" + QChar(0xFFFD) + "\n";
    QTest::newRow("lone lead byte 81") << QByteArray::fromHex("81") << 1 << "RecHex:81 \n"
                                       << QString("RecAsc:\uFFFD\n");
    QTest::newRow("FF is no character") << QByteArray::fromHex("FF") << 1 << "RecHex:FF \n"
                                        << QString("RecAsc:\uFFFD\n");
    QTest::newRow("lead and trail bytes are not combined")
        << QByteArray::fromHex("C4E3") << 2 << "RecHex:C4 E3 \n"
        << QString("RecAsc:\uFFFD\uFFFD\n");
    QTest::newRow("CR LF NUL kept") << QByteArray("A\r\n\0B", 5) << 5 << "RecHex:41 0D 0A 00 42 \n"
                                    << QString("RecAsc:A\r\n") + QChar(0) + "B\n";
    QTest::newRow("printable text") << QByteArray("OK 7") << 4 << "RecHex:4F 4B 20 37 \n"
                                    << "RecAsc:OK 7\n";
    QTest::newRow("empty chunk") << QByteArray() << 0 << "RecHex:\n"
                                 << "RecAsc:\n";
    QTest::newRow("count below the bytes read: lines show the first L")
        << QByteArray::fromHex("0102030405") << 3 << "RecHex:01 02 03 \n"
        << QString("RecAsc:") + QChar(1) + QChar(2) + QChar(3) + "\n";
}

void TstReceive::trafficLines() {
    QFETCH(QByteArray, chunk);
    QFETCH(int, L);
    QFETCH(QString, hex);
    QFETCH(QString, asc);

    const Decoded d = Receive::CommRec(chunk, L);
    QCOMPARE(d.hexLine, hex);
    QCOMPARE(d.ascLine, asc);
    QCOMPARE(d.count, L);
}

void TstReceive::asciiReplies_data() {
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("fields");
    QTest::addColumn<QString>("lamps");

    // 01 36 04 00 00 00 64: sum 0x9F, LRC 0x61.
    QTest::newRow("speed 100, LRC worked by hand")
        << QByteArray(":0136040000006461\r\n") << QString("查询运动速度:\n\r") << "Text17= 100"
        << "";
    QTest::newRow("speed 100, lowercase digits")
        << ascii("01360400000064", true) << QString("查询运动速度:\n\r") << "Text17= 100"
        << "";
    QTest::newRow("absolute position -2")
        << ascii("013704FFFFFFFE") << QString("查询运动绝对位置:\n\r") << "Text18=-2"
        << "";
    QTest::newRow("address 1F") << ascii("1F2100") << QString("查询设备地址:当前地址为1F\n\r") << ""
                                << "";
    QTest::newRow("moving status") << ascii("013B0405000102") << QString("查询运动状态:\n\r") << ""
                                   << "1A 2A 3N 4A";
    QTest::newRow("wrong LRC is not checked")
        << QByteArray(":0136040000006400\r\n") << QString("查询运动速度:\n\r") << "Text17= 100"
        << "";
}

void TstReceive::asciiReplies() {
    QFETCH(QByteArray, chunk);
    QFETCH(QString, caption);
    QFETCH(QString, fields);
    QFETCH(QString, lamps);

    const Decoded d = Receive::CommRec(chunk, int(chunk.size()));
    QCOMPARE(d.caption, caption);
    QCOMPARE(fieldsText(d), fields);
    QCOMPARE(lampsText(d), lamps);
    // The traffic lines show the characters as they came.
    QCOMPARE(d.hexLine, "RecHex:" + spaced(chunk) + "\n");
    QCOMPARE(d.ascLine, "RecAsc:" + QString::fromLatin1(chunk) + "\n");
    QCOMPARE(d.count, int(chunk.size()));
}

void TstReceive::record_data() {
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<int>("prefill");
    QTest::addColumn<QStringList>("lines"); // the new lines, newest first
    QTest::addColumn<bool>("cleared");

    const QByteArray speed = valueReply(0x36, 1000);
    const QStringList speedLines{"RecAsc:" + perByte(speed) + "\n",
                                 "RecHex:" + spaced(speed) + "\n", QString("查询运动速度:\n\r")};
    const QByteArray error = rtu("01A00102");
    const QStringList errorLines{"RecAsc:" + perByte(error) + "\n",
                                 "RecHex:" + spaced(error) + "\n"};

    QTest::newRow("reply with caption: character, hex, caption")
        << speed << 0 << speedLines << false;
    QTest::newRow("reply without caption") << error << 0 << errorLines << false;
    QTest::newRow("exactly 10000 before stays") << speed << 10000 << speedLines << false;
    QTest::newRow("10001 before is cleared") << speed << 10001 << speedLines << true;
    QTest::newRow("far over is cleared") << error << 30000 << errorLines << true;
}

void TstReceive::record() {
    QFETCH(QByteArray, chunk);
    QFETCH(int, prefill);
    QFETCH(QStringList, lines);
    QFETCH(bool, cleared);

    TrafficSide side;
    for (int left = prefill; left > 0; left -= 100)
        side.log.prepend(QString(std::min(left, 100) - 1, u'r') + u'\n');
    const QStringList before = side.log.lines();
    QCOMPARE(side.log.length(), prefill);
    side.count = 1234;

    Receive::record(side, Receive::CommRec(chunk, int(chunk.size())));
    QCOMPARE(side.log.lines(), cleared ? lines : lines + before);
    QCOMPARE(side.count, (cleared ? 0 : 1234) + chunk.size());
}

QTEST_GUILESS_MAIN(TstReceive)
#include "tst_receive.moc"
