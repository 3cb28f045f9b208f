// How the simulated controller finds frames in the byte stream: frames split
// across pieces, several frames in one piece, garbage and bad checksums before
// a good frame, and the silence that discards a partial frame.
#include "sim/controller.h"
#include "simtest.h"

#include <QtTest>

using Wire::ascii;
using Wire::bytes;
using Wire::rtu;

namespace {

const QByteArray kHandshake = bytes({0x01, 0x20, 0x00});
const QByteArray kSpeedQuery = bytes({0x01, 0x36, 0x00});
const QByteArray kSpeedReply = bytes({0x01, 0x36, 0x04, 0x00, 0x00, 0x00, 0x00});

using Wire::badCrc;
using Wire::badLrc;

} // namespace

class TstSimFraming : public QObject {
    Q_OBJECT
private slots:
    void frames_data();
    void splitAtEveryPoint_data() { frames_data(); }
    void splitAtEveryPoint();
    void byteByByte_data() { frames_data(); }
    void byteByByte();
    void streams_data();
    void streams();
};

void TstSimFraming::frames_data() {
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");

    QTest::newRow("RTU handshake") << rtu(kHandshake) << rtu(kHandshake);
    QTest::newRow("ASCII handshake") << ascii(kHandshake) << ascii(kHandshake);
    QTest::newRow("RTU setter with four data bytes")
        << rtu(bytes({0x01, 0x25, 0x04, 0x00, 0x00, 0x00, 0x64})) << rtu(bytes({0x01, 0x25, 0x00}));
    QTest::newRow("RTU IO rule download")
        << rtu(bytes({0x01, 0x40, 0x07, 0x01, 0x31, 0x04, 0x00, 0x00, 0x27, 0x10}))
        << rtu(bytes({0x01, 0x40, 0x00}));
    QTest::newRow("RTU register read") << rtu(bytes({0x01, 0x03, 0x00, 0x36, 0x00, 0x02}))
                                       << rtu(bytes({0x01, 0x03, 0x04, 0x00, 0x00, 0x00, 0x00}));
    QTest::newRow("RTU register write")
        << rtu(bytes({0x01, 0x10, 0x00, 0x25, 0x00, 0x02, 0x04, 0x00, 0x00, 0x00, 0x64}))
        << rtu(bytes({0x01, 0x10, 0x00, 0x25, 0x00, 0x02}));
    QTest::newRow("ASCII register read")
        << ascii(bytes({0x01, 0x03, 0x00, 0x26, 0x00, 0x02}))
        << ascii(bytes({0x01, 0x03, 0x04, 0x00, 0x00, 0x00, 0x64}));
}

void TstSimFraming::splitAtEveryPoint() {
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    for (qsizetype cut = 1; cut < request.size(); ++cut) {
        Sim::Controller c;
        QVERIFY2(c.feed(request.left(cut)).isEmpty(), qPrintable(QString::number(cut)));
        c.advance(10);
        QCOMPARE(c.feed(request.mid(cut)), reply);
    }
}

void TstSimFraming::byteByByte() {
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    Sim::Controller c;
    QByteArray got;
    for (qsizetype i = 0; i < request.size(); ++i) {
        if (!got.isEmpty())
            QFAIL("reply before the last byte");
        got += c.feed(request.mid(i, 1));
        c.advance(1);
    }
    QCOMPARE(got, reply);
}

void TstSimFraming::streams_data() {
    QTest::addColumn<int>("address");
    QTest::addColumn<QByteArrayList>("pieces");
    QTest::addColumn<QList<int>>("pausesMs"); // silence before each piece
    QTest::addColumn<QByteArray>("replies");

    QTest::newRow("two requests in one piece")
        << 1 << QByteArrayList{rtu(kHandshake) + rtu(kSpeedQuery)} << QList<int>{0}
        << rtu(kHandshake) + rtu(kSpeedReply);
    QTest::newRow("RTU and ASCII back to back")
        << 1 << QByteArrayList{rtu(kHandshake) + ascii(kSpeedQuery)} << QList<int>{0}
        << rtu(kHandshake) + ascii(kSpeedReply);
    QTest::newRow("garbage before a frame")
        << 1 << QByteArrayList{bytes({0xFF, 0x00}) + rtu(kHandshake)} << QList<int>{0}
        << rtu(kHandshake);
    QTest::newRow("garbage in its own piece, then a frame")
        << 1 << QByteArrayList{bytes({0x01, 0x99, 0x40, 0x12}), rtu(kHandshake)} << QList<int>{0, 5}
        << rtu(kHandshake);
    QTest::newRow("a lone colon before an RTU frame")
        << 1 << QByteArrayList{":" + rtu(kHandshake)} << QList<int>{0} << rtu(kHandshake);
    QTest::newRow("a bad CRC alone gets nothing")
        << 1 << QByteArrayList{badCrc(kHandshake)} << QList<int>{0} << QByteArray();
    QTest::newRow("a bad CRC, then a good frame in the same piece")
        << 1 << QByteArrayList{badCrc(kHandshake) + rtu(kSpeedQuery)} << QList<int>{0}
        << rtu(kSpeedReply);
    QTest::newRow("a bad LRC alone gets nothing")
        << 1 << QByteArrayList{badLrc(kHandshake)} << QList<int>{0} << QByteArray();
    QTest::newRow("a bad LRC, then a good ASCII frame")
        << 1 << QByteArrayList{badLrc(kHandshake) + ascii(kSpeedQuery)} << QList<int>{0}
        << ascii(kSpeedReply);
    QTest::newRow("ASCII in lowercase gets an uppercase reply")
        << 1 << QByteArrayList{QByteArray(":013600c9\r\n")} << QList<int>{0}
        << QByteArray(":01360400000000C5\r\n");
    QTest::newRow("ASCII whose length byte disagrees gets nothing")
        << 1 << QByteArrayList{ascii(bytes({0x01, 0x20, 0x01}))} << QList<int>{0} << QByteArray();
    QTest::newRow("ASCII with an odd digit count gets nothing")
        << 1 << QByteArrayList{QByteArray(":012000D\r\n") + ascii(kHandshake)} << QList<int>{0}
        << ascii(kHandshake);
    QTest::newRow("a frame for another address, then ours")
        << 1 << QByteArrayList{rtu(bytes({0x02, 0x20, 0x00})) + rtu(kHandshake)} << QList<int>{0}
        << rtu(kHandshake);
    QTest::newRow("half a frame, a 20 ms pause, the rest")
        << 1 << QByteArrayList{rtu(kHandshake).left(3), rtu(kHandshake).mid(3)} << QList<int>{0, 20}
        << rtu(kHandshake);
    QTest::newRow("half a frame, 60 ms of silence, the rest: discarded")
        << 1 << QByteArrayList{rtu(kHandshake).left(3), rtu(kHandshake).mid(3)} << QList<int>{0, 60}
        << QByteArray();
    QTest::newRow("half a frame, 60 ms of silence, the rest, then a whole frame")
        << 1 << QByteArrayList{rtu(kHandshake).left(3), rtu(kHandshake).mid(3), rtu(kSpeedQuery)}
        << QList<int>{0, 60, 0} << rtu(kSpeedReply);
    QTest::newRow("a long frame's head, then a short frame: the head is given up")
        << 1 << QByteArrayList{bytes({0x01, 0x40, 0x07, 0x01}), rtu(kHandshake)} << QList<int>{0, 0}
        << rtu(kHandshake);
    QTest::newRow("2000 bytes of noise, then a frame")
        << 1 << QByteArrayList{QByteArray(2000, '\xFF'), rtu(kHandshake)} << QList<int>{0, 0}
        << rtu(kHandshake);
    QTest::newRow("RTU frame for address 0x3A (a colon)")
        << 0x3A << QByteArrayList{rtu(bytes({0x3A, 0x20, 0x00}))} << QList<int>{0}
        << rtu(bytes({0x3A, 0x20, 0x00}));
    QTest::newRow("RTU frame for address 0x3A, then ASCII for it")
        << 0x3A << QByteArrayList{rtu(bytes({0x3A, 0x36, 0x00})) + ascii(bytes({0x3A, 0x20, 0x00}))}
        << QList<int>{0}
        << rtu(bytes({0x3A, 0x36, 0x04, 0x00, 0x00, 0x00, 0x00})) +
               ascii(bytes({0x3A, 0x20, 0x00}));
}

void TstSimFraming::streams() {
    QFETCH(int, address);
    QFETCH(QByteArrayList, pieces);
    QFETCH(QList<int>, pausesMs);
    QFETCH(QByteArray, replies);
    QCOMPARE(pieces.size(), pausesMs.size());

    Sim::Controller c;
    c.setAddress(quint8(address));
    QByteArray got;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        c.advance(pausesMs[i]);
        got += c.feed(pieces[i]);
    }
    QCOMPARE(got.toHex(' '), replies.toHex(' '));
}

QTEST_GUILESS_MAIN(TstSimFraming)
#include "tst_simframing.moc"
