// Frame assembly from bytes read in pieces: reference frames of every reply
// layout and of requests, split anywhere; frames back to back; noise, bit
// errors and random bytes before a frame; the silences; the RS-485 echo.
// Reference frames are checksummed with support/wire.h.
#include "codec/frameassembler.h"
#include "support/wire.h"

#include <QRandomGenerator>
#include <QtTest>

using Frames::Assembler;
using Frames::Direction;
using Frames::Form;
using Frames::Frame;
using Frames::Kind;
using Wire::ascii;
using Wire::bytes;
using Wire::rtu;

namespace {

constexpr qint64 kRtu = Assembler::DefaultRtuSilenceUs;
constexpr qint64 kAscii = Assembler::DefaultAsciiSilenceUs;

const QByteArray kValueReply = bytes({0x01, 0x26, 0x04, 0x00, 0x00, 0x03, 0xE8});
const QByteArray kAck = bytes({0x01, 0x25, 0x00});
const QByteArray kStatusReply = bytes({0x01, 0x3B, 0x04, 0x00, 0x01, 0x01, 0x01});
const QByteArray kRegisterReply = bytes({0x01, 0x03, 0x04, 0x00, 0x00, 0x03, 0xE8});
const QByteArray kWriteAck = bytes({0x01, 0x10, 0x00, 0x25, 0x00, 0x02});
const QByteArray kException = bytes({0x01, 0x83, 0x02});
const QByteArray kDeviceError = bytes({0x01, 0xA6, 0x01, 0x01});
const QByteArray kReadRequest = bytes({0x01, 0x03, 0x00, 0x36, 0x00, 0x02});
const QByteArray kWriteRequest =
    bytes({0x01, 0x10, 0x00, 0x25, 0x00, 0x02, 0x04, 0x00, 0x00, 0x00, 0x64});
const QByteArray kSpeedQuery = bytes({0x01, 0x26, 0x00});

const char *kindName(Kind kind) {
    switch (kind) {
    case Kind::Good:
        return "Good";
    case Kind::ChecksumFailed:
        return "ChecksumFailed";
    case Kind::Incomplete:
        return "Incomplete";
    case Kind::Noise:
        return "Noise";
    case Kind::Echo:
        return "Echo";
    }
    return "?";
}

// "Kind bytes @time", the bytes as two hex digits and a blank each.
QString describe(const Frame &f) {
    return QString("%1 %2@%3").arg(kindName(f.kind), Wire::spaced(f.bytes)).arg(f.timeUs);
}

QString expected(const char *kind, const QByteArray &b, qint64 timeUs) {
    return QString("%1 %2@%3").arg(kind, Wire::spaced(b)).arg(timeUs);
}

QStringList describeAll(const QList<Frame> &frames) {
    QStringList out;
    for (const Frame &f : frames)
        out << describe(f);
    return out;
}

QByteArray joined(const QList<Frame> &frames) {
    QByteArray out;
    for (const Frame &f : frames)
        out += f.bytes;
    return out;
}

using Wire::badCrc;
using Wire::badLrc;

} // namespace

Q_DECLARE_METATYPE(Direction)
Q_DECLARE_METATYPE(Form)

class TstFrameAssembler : public QObject {
    Q_OBJECT
private slots:
    void lengths_data();
    void lengths();
    void referenceFrames_data();
    void referenceFramesInOnePiece_data() { referenceFrames_data(); }
    void referenceFramesInOnePiece();
    void referenceFramesSplitInTwo_data() { referenceFrames_data(); }
    void referenceFramesSplitInTwo();
    void referenceFramesByteByByte_data() { referenceFrames_data(); }
    void referenceFramesByteByByte();
    void backToBack_data();
    void backToBack();
    void streams_data();
    void streams();
    void bitFlipsNeverMakeAnotherGoodFrame_data();
    void bitFlipsNeverMakeAnotherGoodFrame();
    void randomBytesBeforeAFrame_data();
    void randomBytesBeforeAFrame();
    void deadlines_data();
    void deadlines();
    void echo_data();
    void echo();
};

void TstFrameAssembler::lengths_data() {
    QTest::addColumn<Direction>("direction");
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QList<int>>("lengths");
    QTest::addColumn<bool>("needMore");

    const auto R = Direction::Replies;
    const auto Q = Direction::Requests;
    QTest::newRow("reply: two bytes tell nothing")
        << R << bytes({0x01, 0x26}) << QList<int>{} << true;
    QTest::newRow("reply: value, 5 + length")
        << R << bytes({0x01, 0x26, 0x04}) << QList<int>{9} << false;
    QTest::newRow("reply: register read, 5 + byte count")
        << R << bytes({0x01, 0x03, 0x04}) << QList<int>{9} << false;
    QTest::newRow("reply: register write ack, also 8")
        << R << bytes({0x01, 0x10, 0x00}) << QList<int>{5, 8} << false;
    QTest::newRow("reply: register write ack of 3 registers, 8 once")
        << R << bytes({0x01, 0x10, 0x03}) << QList<int>{8} << false;
    QTest::newRow("reply: exception, also 5")
        << R << bytes({0x01, 0x83, 0x02}) << QList<int>{5, 7} << false;
    QTest::newRow("reply: device error reply")
        << R << bytes({0x01, 0xA6, 0x01}) << QList<int>{5, 6} << false;
    QTest::newRow("reply: 0x05 has no Modbus length")
        << R << bytes({0x01, 0x05, 0x00}) << QList<int>{5} << false;
    QTest::newRow("request: device layout")
        << Q << bytes({0x01, 0x25, 0x04}) << QList<int>{9} << false;
    QTest::newRow("request: read registers, also 8")
        << Q << bytes({0x01, 0x03, 0x00}) << QList<int>{5, 8} << false;
    QTest::newRow("request: 0x01 and 0x06 also 8")
        << Q << bytes({0x01, 0x06, 0x10, 0x00}) << QList<int>{8, 21} << false;
    QTest::newRow("request: 0x07 has no Modbus length")
        << Q << bytes({0x01, 0x07, 0x00}) << QList<int>{5} << false;
    QTest::newRow("request: write registers waits for byte 6")
        << Q << bytes({0x01, 0x10, 0x00, 0x25, 0x00, 0x02}) << QList<int>{5} << true;
    QTest::newRow("request: write registers, 9 + byte count")
        << Q << bytes({0x01, 0x10, 0x00, 0x25, 0x00, 0x02, 0x04}) << QList<int>{5, 13} << false;
    QTest::newRow("request: write coils, 9 + byte count")
        << Q << bytes({0x01, 0x0F, 0x00, 0x13, 0x00, 0x0A, 0x02}) << QList<int>{5, 11} << false;
    QTest::newRow("request: the longest") << Q << bytes({0x01, 0x10, 0xFF, 0, 0, 0, 0xFF})
                                          << QList<int>{260, Frames::MaxRtuFrame} << false;
}

void TstFrameAssembler::lengths() {
    QFETCH(Direction, direction);
    QFETCH(QByteArray, head);
    QFETCH(QList<int>, lengths);
    QFETCH(bool, needMore);
    bool more = !needMore;
    QCOMPARE(Frames::rtuLengths(head, direction, &more), lengths);
    QCOMPARE(more, needMore);
}

void TstFrameAssembler::referenceFrames_data() {
    QTest::addColumn<Direction>("direction");
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<Form>("form");

    const auto R = Direction::Replies;
    const auto Q = Direction::Requests;
    QTest::newRow("value reply") << R << rtu(kValueReply) << kValueReply << Form::Rtu;
    QTest::newRow("value reply as the line carries it")
        << R << bytes({0x01, 0x26, 0x04, 0x00, 0x00, 0x03, 0xE8, 0xFD, 0xB8}) << kValueReply
        << Form::Rtu;
    QTest::newRow("acknowledgement") << R << rtu(kAck) << kAck << Form::Rtu;
    QTest::newRow("status reply") << R << rtu(kStatusReply) << kStatusReply << Form::Rtu;
    QTest::newRow("register read reply") << R << rtu(kRegisterReply) << kRegisterReply << Form::Rtu;
    QTest::newRow("register write acknowledgement")
        << R << rtu(kWriteAck) << kWriteAck << Form::Rtu;
    QTest::newRow("Modbus exception") << R << rtu(kException) << kException << Form::Rtu;
    QTest::newRow("device error reply") << R << rtu(kDeviceError) << kDeviceError << Form::Rtu;
    const QByteArray ioReply = bytes({0x01, 0x41, 0x07, 0x01, 0x31, 0x04, 0x00, 0x00, 0x27, 0x10});
    QTest::newRow("IO rule read-back") << R << rtu(ioReply) << ioReply << Form::Rtu;
    QTest::newRow("reply from address 0x3A (a colon)")
        << R << rtu(bytes({0x3A, 0x20, 0x00})) << bytes({0x3A, 0x20, 0x00}) << Form::Rtu;
    QTest::newRow("ASCII value reply") << R << ascii(kValueReply) << kValueReply << Form::Ascii;
    QTest::newRow("ASCII value reply in lower case")
        << R << ascii(kValueReply, true) << kValueReply << Form::Ascii;
    QTest::newRow("request: read registers") << Q << rtu(kReadRequest) << kReadRequest << Form::Rtu;
    QTest::newRow("request: write registers")
        << Q << rtu(kWriteRequest) << kWriteRequest << Form::Rtu;
    const QByteArray setter = bytes({0x01, 0x25, 0x04, 0x00, 0x00, 0x00, 0x64});
    QTest::newRow("request: device setter") << Q << rtu(setter) << setter << Form::Rtu;
    QTest::newRow("request: handshake")
        << Q << rtu(bytes({0x01, 0x20, 0x00})) << bytes({0x01, 0x20, 0x00}) << Form::Rtu;
    const QByteArray coils = bytes({0x01, 0x0F, 0x00, 0x13, 0x00, 0x0A, 0x02, 0xCD, 0x01});
    QTest::newRow("request: write coils") << Q << rtu(coils) << coils << Form::Rtu;
    QTest::newRow("request: ASCII read registers")
        << Q << ascii(kReadRequest) << kReadRequest << Form::Ascii;
}

namespace {

// Feeds the pieces, the i-th at time 10 * (i + 1) µs; checks that exactly one
// frame comes, with the last piece, as the reference says.
void checkSingleFrame(const QByteArrayList &pieces) {
    QFETCH(Direction, direction);
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, message);
    QFETCH(Form, form);
    Assembler a(direction);
    QList<Frame> got;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        const QList<Frame> out = a.feed(pieces[i], 10 * (i + 1));
        if (i + 1 < pieces.size() && !out.isEmpty())
            QFAIL(qPrintable(QString("frame before the last piece: ") + describe(out.front())));
        got += out;
    }
    QCOMPARE(describeAll(got), QStringList{expected("Good", frame, 10 * pieces.size())});
    QCOMPARE(got.front().message, message);
    QCOMPARE(got.front().form, form);
    QCOMPARE(a.pending(), qsizetype(0));
    QCOMPARE(a.deadlineUs(), std::nullopt);
}

} // namespace

void TstFrameAssembler::referenceFramesInOnePiece() {
    QFETCH(QByteArray, frame);
    checkSingleFrame({frame});
}

void TstFrameAssembler::referenceFramesSplitInTwo() {
    QFETCH(QByteArray, frame);
    for (qsizetype cut = 1; cut < frame.size(); ++cut) {
        checkSingleFrame({frame.left(cut), frame.mid(cut)});
        if (QTest::currentTestFailed())
            QFAIL(qPrintable(QString("cut after byte %1").arg(cut)));
    }
}

void TstFrameAssembler::referenceFramesByteByByte() {
    QFETCH(QByteArray, frame);
    QByteArrayList pieces;
    for (const char c : frame)
        pieces << QByteArray(1, c);
    checkSingleFrame(pieces);
}

void TstFrameAssembler::backToBack_data() {
    QTest::addColumn<QByteArrayList>("frames");
    QTest::addColumn<int>("pieceSize"); // 0: everything in one piece

    const QByteArrayList mixed{rtu(kValueReply),    rtu(kAck),        ascii(kStatusReply),
                               rtu(kException),     rtu(kWriteAck),   rtu(kDeviceError),
                               rtu(kRegisterReply), ascii(kAck, true)};
    for (const int size : {0, 1, 2, 3, 7, 64})
        QTest::addRow("eight replies, pieces of %d", size) << mixed << size;
    QByteArrayList same;
    for (int i = 0; i < 20; ++i)
        same << rtu(kAck);
    QTest::newRow("twenty acknowledgements in one piece") << same << 0;
    QTest::newRow("twenty acknowledgements, pieces of 4") << same << 4;
}

void TstFrameAssembler::backToBack() {
    QFETCH(QByteArrayList, frames);
    QFETCH(int, pieceSize);
    const QByteArray line = frames.join();
    const int step = pieceSize == 0 ? int(line.size()) : pieceSize;

    Assembler a;
    QList<Frame> got;
    for (qsizetype at = 0, i = 1; at < line.size(); at += step, ++i)
        got += a.feed(line.mid(at, step), 10 * i);

    QStringList want;
    qsizetype end = 0;
    for (const QByteArray &f : frames) {
        end += f.size();
        // The piece holding the frame's last byte (index end - 1).
        want << expected("Good", f, 10 * ((end - 1) / step + 1));
    }
    QCOMPARE(describeAll(got), want);
}

// Pieces fed at the given times (an empty piece: expire() at that time) and
// every frame that comes out.
void TstFrameAssembler::streams_data() {
    QTest::addColumn<QByteArrayList>("pieces");
    QTest::addColumn<QList<qint64>>("timesUs");
    QTest::addColumn<QStringList>("frames");

    const QByteArray value = rtu(kValueReply);
    const QByteArray ack = rtu(kAck);
    QTest::newRow("noise before a frame")
        << QByteArrayList{bytes({0xFF, 0x00}) + value} << QList<qint64>{5}
        << QStringList{expected("Noise", bytes({0xFF, 0x00}), 5), expected("Good", value, 5)};
    QTest::newRow("noise in its own piece, then a frame")
        << QByteArrayList{bytes({0x01, 0x99, 0x40, 0x12}), value} << QList<qint64>{5, 8}
        << QStringList{expected("Noise", bytes({0x01, 0x99, 0x40, 0x12}), 5),
                       expected("Good", value, 8)};
    QTest::newRow("a lone colon before an RTU frame")
        << QByteArrayList{":" + value} << QList<qint64>{5}
        << QStringList{expected("Noise", ":", 5), expected("Good", value, 5)};
    QTest::newRow("a long frame's head, then a short frame")
        << QByteArrayList{bytes({0x01, 0x41, 0x07, 0x01}), ack} << QList<qint64>{5, 6}
        << QStringList{expected("Noise", bytes({0x01, 0x41, 0x07, 0x01}), 5),
                       expected("Good", ack, 6)};
    QTest::newRow("a bad CRC, then a good frame right after it")
        << QByteArrayList{badCrc(kValueReply), ack} << QList<qint64>{5, 6}
        << QStringList{expected("ChecksumFailed", badCrc(kValueReply), 5),
                       expected("Good", ack, 6)};
    QTest::newRow("a bad CRC, a stray byte, then a good frame")
        << QByteArrayList{badCrc(kValueReply) + bytes({0x77}) + ack} << QList<qint64>{5}
        << QStringList{expected("Noise", badCrc(kValueReply) + bytes({0x77}), 5),
                       expected("Good", ack, 5)};
    QTest::newRow("a bad CRC alone: checksum failed at the silence, not before")
        << QByteArrayList{badCrc(kValueReply), {}, {}} << QList<qint64>{5, 5 + kRtu - 1, 5 + kRtu}
        << QStringList{expected("ChecksumFailed", badCrc(kValueReply), 5)};
    QTest::newRow("a bad CRC and two stray bytes at the silence")
        << QByteArrayList{badCrc(kValueReply), bytes({0x01, 0x26}), {}}
        << QList<qint64>{5, 6, 6 + kRtu}
        << QStringList{expected("ChecksumFailed", badCrc(kValueReply), 5),
                       expected("Incomplete", bytes({0x01, 0x26}), 6)};
    QTest::newRow("an exception with a bad CRC at the silence")
        << QByteArrayList{badCrc(kException), {}} << QList<qint64>{5, 5 + kRtu}
        << QStringList{expected("ChecksumFailed", badCrc(kException), 5)};
    QTest::newRow("a bad LRC: checksum failed at once")
        << QByteArrayList{badLrc(kValueReply)} << QList<qint64>{5}
        << QStringList{expected("ChecksumFailed", badLrc(kValueReply), 5)};
    QTest::newRow("a bad LRC, then a good ASCII frame")
        << QByteArrayList{badLrc(kAck) + ascii(kValueReply)} << QList<qint64>{5}
        << QStringList{expected("ChecksumFailed", badLrc(kAck), 5),
                       expected("Good", ascii(kValueReply), 5)};
    QTest::newRow("an incomplete frame given up after the RTU silence, not before")
        << QByteArrayList{value.left(4), {}, {}} << QList<qint64>{7, 7 + kRtu - 1, 7 + kRtu}
        << QStringList{expected("Incomplete", value.left(4), 7)};
    QTest::newRow("half a frame, a pause under the silence, the rest")
        << QByteArrayList{value.left(4), value.mid(4)} << QList<qint64>{7, 7 + kRtu - 1}
        << QStringList{expected("Good", value, 7 + kRtu - 1)};
    QTest::newRow("half a frame, the silence, the rest, a whole frame")
        << QByteArrayList{value.left(4), value.mid(4), value, {}}
        << QList<qint64>{7, 7 + kRtu, 8 + kRtu, 8 + 2 * kRtu}
        << QStringList{expected("Incomplete", value.left(4), 7),
                       expected("Noise", value.mid(4), 7 + kRtu),
                       expected("Good", value, 8 + kRtu)};
    QTest::newRow("an ASCII frame given up after the ASCII silence, not the RTU one")
        << QByteArrayList{ascii(kValueReply).left(9), {}, {}}
        << QList<qint64>{3, 3 + kAscii - 1, 3 + kAscii}
        << QStringList{expected("Incomplete", ascii(kValueReply).left(9), 3)};
    QTest::newRow("an ASCII frame completed after a pause over the RTU silence")
        << QByteArrayList{ascii(kValueReply).left(9), ascii(kValueReply).mid(9)}
        << QList<qint64>{3, 3 + kAscii - 1}
        << QStringList{expected("Good", ascii(kValueReply), 3 + kAscii - 1)};
    QTest::newRow("an ASCII frame given up at the next colon")
        << QByteArrayList{ascii(kAck).left(5), ascii(kValueReply)} << QList<qint64>{3, 4}
        << QStringList{expected("Incomplete", ascii(kAck).left(5), 3),
                       expected("Good", ascii(kValueReply), 4)};
    QTest::newRow("an ASCII frame given up at a colon after its CR")
        << QByteArrayList{ascii(kAck).chopped(1) + ascii(kAck)} << QList<qint64>{3}
        << QStringList{expected("Incomplete", ascii(kAck).chopped(1), 3),
                       expected("Good", ascii(kAck), 3)};
    QTest::newRow("RTU bytes before an open ASCII frame go at the RTU silence")
        << QByteArrayList{bytes({0xFF, 0xFF}) + ":0126", {}, {}}
        << QList<qint64>{3, 3 + kRtu, 3 + kAscii}
        << QStringList{expected("Incomplete", bytes({0xFF, 0xFF}), 3),
                       expected("Incomplete", ":0126", 3)};
    QTest::newRow("an open ASCII frame broken by an RTU frame after the RTU silence")
        << QByteArrayList{":0126", ack} << QList<qint64>{3, 3 + kRtu}
        << QStringList{expected("Incomplete", ":0126", 3), expected("Good", ack, 3 + kRtu)};
    QTest::newRow("an odd digit count is no ASCII frame")
        << QByteArrayList{QByteArray(":012000D\r\n") + ascii(kAck)} << QList<qint64>{3}
        << QStringList{expected("Noise", ":012000D\r\n", 3), expected("Good", ascii(kAck), 3)};
    QTest::newRow("RTU for address 0x3A, then ASCII")
        << QByteArrayList{rtu(bytes({0x3A, 0x36, 0x00})) + ascii(kAck)} << QList<qint64>{3}
        << QStringList{expected("Good", rtu(bytes({0x3A, 0x36, 0x00})), 3),
                       expected("Good", ascii(kAck), 3)};
    QTest::newRow("RTU 0x3A 0x3A (clear relative position at address 0x3A)")
        << QByteArrayList{rtu(bytes({0x3A, 0x3A, 0x00}))} << QList<qint64>{3}
        << QStringList{expected("Good", rtu(bytes({0x3A, 0x3A, 0x00})), 3)};
    QTest::newRow("reset drops what is held")
        << QByteArrayList{value.left(5), "reset", value} << QList<qint64>{3, 4, 5}
        << QStringList{expected("Good", value, 5)};
}

void TstFrameAssembler::streams() {
    QFETCH(QByteArrayList, pieces);
    QFETCH(QList<qint64>, timesUs);
    QFETCH(QStringList, frames);
    QCOMPARE(pieces.size(), timesUs.size());
    Assembler a;
    QList<Frame> got;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (pieces[i] == "reset")
            a.reset();
        else if (pieces[i].isEmpty())
            got += a.expire(timesUs[i]);
        else
            got += a.feed(pieces[i], timesUs[i]);
    }
    QCOMPARE(describeAll(got), frames);
}

void TstFrameAssembler::bitFlipsNeverMakeAnotherGoodFrame_data() {
    QTest::addColumn<Direction>("direction");
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("message");
    const auto R = Direction::Replies;
    QTest::newRow("value reply") << R << rtu(kValueReply) << kValueReply;
    QTest::newRow("register write acknowledgement") << R << rtu(kWriteAck) << kWriteAck;
    QTest::newRow("Modbus exception") << R << rtu(kException) << kException;
    QTest::newRow("device error reply") << R << rtu(kDeviceError) << kDeviceError;
    QTest::newRow("ASCII status reply") << R << ascii(kStatusReply) << kStatusReply;
    QTest::newRow("request: write registers")
        << Direction::Requests << rtu(kWriteRequest) << kWriteRequest;
    QTest::newRow("request: read registers")
        << Direction::Requests << rtu(kReadRequest) << kReadRequest;
}

void TstFrameAssembler::bitFlipsNeverMakeAnotherGoodFrame() {
    QFETCH(Direction, direction);
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, message);
    for (qsizetype bit = 0; bit < 8 * frame.size(); ++bit) {
        QByteArray flipped = frame;
        flipped[bit / 8] = char(flipped[bit / 8] ^ (1 << (bit % 8)));
        Assembler a(direction);
        QList<Frame> got = a.feed(flipped, 0);
        got += a.expire(kAscii);
        const QList<Frame> after = a.feed(frame, kAscii + 1);
        const QString where = QString("bit %1: ").arg(bit);
        // Only a flip of an ASCII letter's case keeps a good frame, and the
        // same message.
        for (const Frame &f : got)
            if (f.kind == Kind::Good && (f.form != Form::Ascii || f.message != message))
                QFAIL(qPrintable(where + describe(f)));
        QVERIFY2(joined(got) == flipped, qPrintable(where + describeAll(got).join(" | ")));
        QVERIFY2(describeAll(after) == QStringList{expected("Good", frame, kAscii + 1)},
                 qPrintable(where + describeAll(after).join(" | ")));
    }
}

void TstFrameAssembler::randomBytesBeforeAFrame_data() {
    QTest::addColumn<Direction>("direction");
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("length");
    QTest::addColumn<QByteArray>("alphabet"); // empty: every byte value
    QTest::addColumn<QByteArray>("frame");

    const QByteArray hexLine = ":0123456789ABCDEFabcdef\r\n";
    for (const quint32 seed : {1u, 2u, 3u, 4u, 5u}) {
        for (const int length : {1, 10, 300, 2000}) {
            QTest::addRow("replies, seed %u, %d bytes", seed, length)
                << Direction::Replies << seed << length << QByteArray() << rtu(kValueReply);
            QTest::addRow("requests, seed %u, %d bytes", seed, length)
                << Direction::Requests << seed << length << QByteArray() << rtu(kWriteRequest);
            QTest::addRow("ASCII characters, seed %u, %d bytes, ASCII frame", seed, length)
                << Direction::Replies << seed << length << hexLine << ascii(kStatusReply);
            QTest::addRow("ASCII characters, seed %u, %d bytes, RTU frame", seed, length)
                << Direction::Replies << seed << length << hexLine << rtu(kAck);
        }
    }
}

void TstFrameAssembler::randomBytesBeforeAFrame() {
    QFETCH(Direction, direction);
    QFETCH(quint32, seed);
    QFETCH(int, length);
    QFETCH(QByteArray, alphabet);
    QFETCH(QByteArray, frame);
    QRandomGenerator random(seed);
    QByteArray noise(length, '\0');
    for (char &c : noise)
        c = alphabet.isEmpty() ? char(random.bounded(256))
                               : alphabet[random.bounded(int(alphabet.size()))];
    const QByteArray line = noise + frame;

    Assembler a(direction);
    QList<Frame> got;
    qint64 t = 0;
    for (qsizetype at = 0; at < line.size();) {
        const int n = 1 + int(random.bounded(40));
        got += a.feed(line.mid(at, n), ++t);
        at += n;
        QVERIFY2(a.pending() <= Frames::MaxPending, qPrintable(QString::number(a.pending())));
    }
    QVERIFY(!got.isEmpty());
    QCOMPARE(got.back().kind, Kind::Good);
    QCOMPARE(got.back().bytes, frame);
    got.removeLast();
    QCOMPARE(joined(got), noise);
    QCOMPARE(a.pending(), qsizetype(0));
}

void TstFrameAssembler::deadlines_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("deadlineUs"); // -1: none

    QTest::newRow("nothing held") << QByteArray() << qint64(-1);
    QTest::newRow("part of an RTU frame") << rtu(kValueReply).left(3) << 50 + kRtu;
    QTest::newRow("a frame with a bad CRC") << badCrc(kValueReply) << 50 + kRtu;
    QTest::newRow("part of an ASCII frame") << ascii(kValueReply).left(6) << 50 + kAscii;
    QTest::newRow("RTU bytes, then part of an ASCII frame")
        << bytes({0x02, 0x03}) + ascii(kValueReply).left(6) << 50 + kRtu;
    QTest::newRow("a whole frame") << rtu(kAck) << qint64(-1);
}

void TstFrameAssembler::deadlines() {
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, deadlineUs);
    Assembler a;
    a.feed(bytes, 50);
    QCOMPARE(a.deadlineUs().value_or(-1), deadlineUs);
    if (deadlineUs < 0)
        return;
    QVERIFY(a.expire(deadlineUs - 1).isEmpty());
    QVERIFY(!a.expire(deadlineUs).isEmpty());
}

void TstFrameAssembler::echo_data() {
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<QByteArrayList>("pieces");
    QTest::addColumn<QStringList>("kinds");

    const QByteArray query = rtu(kSpeedQuery);
    const QByteArray reply = rtu(kValueReply);
    QTest::newRow("request read back, then the reply")
        << query << QByteArrayList{query, reply} << QStringList{"Echo", "Good"};
    QTest::newRow("request and reply in one piece")
        << query << QByteArrayList{query + reply} << QStringList{"Echo", "Good"};
    QTest::newRow("request read back byte by byte")
        << query << QByteArrayList{query.left(1), query.mid(1, 1), query.mid(2, 3), reply}
        << QStringList{"Echo", "Good"};
    QTest::newRow("reply first: no echo afterwards")
        << query << QByteArrayList{reply, query} << QStringList{"Good", "Good"};
    QTest::newRow("a register read request is no reply, but its echo is found")
        << rtu(kReadRequest) << QByteArrayList{rtu(kReadRequest), rtu(kRegisterReply)}
        << QStringList{"Echo", "Good"};
    QTest::newRow("ASCII request read back")
        << ascii(kSpeedQuery) << QByteArrayList{ascii(kSpeedQuery) + ascii(kValueReply)}
        << QStringList{"Echo", "Good"};
    QTest::newRow("noise before the echo") << query << QByteArrayList{bytes({0x00}) + query, reply}
                                           << QStringList{"Noise", "Echo", "Good"};
    QTest::newRow("echo once only")
        << query << QByteArrayList{query, query} << QStringList{"Echo", "Good"};
    QTest::newRow("reset forgets the echo")
        << query << QByteArrayList{"reset", query} << QStringList{"Good"};
    // The handshake is acknowledged with its own bytes: one copy alone is the
    // reply, a copy followed by anything was the echo.
    const QByteArray handshake = rtu(bytes({0x01, 0x20, 0x00}));
    QTest::newRow("acknowledgement like its request, alone: the reply")
        << handshake << QByteArrayList{handshake, "silence"} << QStringList{"Good"};
    QTest::newRow("acknowledgement like its request, twice: echo and reply")
        << handshake << QByteArrayList{handshake + handshake} << QStringList{"Echo", "Good"};
    QTest::newRow("acknowledgement like its request, then the next request: the reply")
        << handshake << QByteArrayList{handshake, "write"} << QStringList{"Good"};
    QTest::newRow("copy of the request, then a broken reply: the echo")
        << handshake << QByteArrayList{handshake, bytes({0x01, 0x20}), "silence"}
        << QStringList{"Echo", "Incomplete"};
    QTest::newRow("copy of the request, reset: gone")
        << handshake << QByteArrayList{handshake, "reset", "silence"} << QStringList{};
}

void TstFrameAssembler::echo() {
    QFETCH(QByteArray, written);
    QFETCH(QByteArrayList, pieces);
    QFETCH(QStringList, kinds);
    Assembler a;
    a.expectEcho(written);
    QList<Frame> got;
    const QByteArrayList actions{"reset", "silence", "write"};
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        const qint64 now = 10 * (i + 1);
        if (pieces[i] == "reset") {
            a.reset();
        } else if (pieces[i] == "silence") {
            if (const auto deadline = a.deadlineUs()) {
                QVERIFY(a.expire(*deadline - 1).isEmpty());
                got += a.expire(*deadline);
            }
        } else if (pieces[i] == "write") {
            a.expectEcho(written);
            QCOMPARE(a.deadlineUs().value_or(-1), 10 * i);
            got += a.expire(now);
        } else {
            got += a.feed(pieces[i], now);
        }
    }
    QStringList gotKinds;
    for (const Frame &f : got)
        gotKinds << kindName(f.kind);
    QCOMPARE(gotKinds, kinds);
    QByteArray line; // what was read since the last reset
    for (const QByteArray &piece : pieces)
        if (piece == "reset")
            line.clear();
        else if (!actions.contains(piece))
            line += piece;
    QCOMPARE(joined(got), line);
    for (const Frame &f : got) {
        if (f.kind != Kind::Echo)
            continue;
        QCOMPARE(f.bytes, written);
        QCOMPARE(f.form, written.startsWith(':') ? Form::Ascii : Form::Rtu);
    }
}

QTEST_GUILESS_MAIN(TstFrameAssembler)
#include "tst_frameassembler.moc"
