// The register form of the simulated controller: Modbus Read Holding
// Registers (0x03) and Write Multiple Registers (0x10) at register address
// offset + command code. Request frames written out byte for byte (with their
// CRC) are the tool's own register conversions; the others are laid out here
// and checksummed with support/wire.h.
#include "sim/controller.h"
#include "simtest.h"

#include <QtTest>

using SimTest::ack;
using SimTest::request;
using SimTest::s32;
using Wire::bytes;
using Wire::rtu;

class TstSimRegisters : public QObject {
    Q_OBJECT
private slots:
    void exchanges_data();
    void exchanges();
};

void TstSimRegisters::exchanges_data() {
    QTest::addColumn<int>("inputs"); // input mask set before the first request
    QTest::addColumn<QByteArrayList>("requests");
    QTest::addColumn<QByteArrayList>("replies"); // whole frames; empty: no reply

    // Reads of values.
    QTest::newRow("read speed, two registers")
        << 0 << QByteArrayList{bytes({0x01, 0x03, 0x00, 0x36, 0x00, 0x02, 0x24, 0x05})}
        << QByteArrayList{rtu(bytes({0x01, 0x03, 0x04, 0x00, 0x00, 0x00, 0x00}))};
    QTest::newRow("read initial speed, two registers")
        << 0 << QByteArrayList{rtu(bytes({0x01, 0x03, 0x00, 0x26, 0x00, 0x02}))}
        << QByteArrayList{rtu(bytes({0x01, 0x03, 0x04, 0x00, 0x00, 0x00, 0x64}))};
    QTest::newRow("read maximum speed 0x00012345: high word first, cut and padded")
        << 0
        << QByteArrayList{rtu(request(0x27, bytes({0x00, 0x01, 0x23, 0x45}))),
                          rtu(bytes({0x01, 0x03, 0x00, 0x28, 0x00, 0x02})),
                          rtu(bytes({0x01, 0x03, 0x00, 0x28, 0x00, 0x01})),
                          rtu(bytes({0x01, 0x03, 0x00, 0x28, 0x00, 0x03}))}
        << QByteArrayList{rtu(ack(0x27)), rtu(bytes({0x01, 0x03, 0x04, 0x00, 0x01, 0x23, 0x45})),
                          rtu(bytes({0x01, 0x03, 0x02, 0x00, 0x01})),
                          rtu(bytes({0x01, 0x03, 0x06, 0x00, 0x01, 0x23, 0x45, 0x00, 0x00}))};
    QTest::newRow("read status bytes")
        << 0 << QByteArrayList{rtu(bytes({0x01, 0x03, 0x00, 0x3B, 0x00, 0x02}))}
        << QByteArrayList{rtu(bytes({0x01, 0x03, 0x04, 0x00, 0x01, 0x00, 0x01}))};
    QTest::newRow("read inputs IN1 and IN5 on: two and three registers")
        << 0x11
        << QByteArrayList{rtu(bytes({0x01, 0x03, 0x00, 0x42, 0x00, 0x02})),
                          rtu(bytes({0x01, 0x03, 0x00, 0x42, 0x00, 0x03}))}
        << QByteArrayList{rtu(bytes({0x01, 0x03, 0x04, 0x00, 0x01, 0x01, 0x01})),
                          rtu(bytes({0x01, 0x03, 0x06, 0x00, 0x01, 0x01, 0x01, 0x00, 0x00}))};
    QTest::newRow("read baud code: the code byte first")
        << 0 << QByteArrayList{rtu(bytes({0x01, 0x03, 0x00, 0x23, 0x00, 0x02}))}
        << QByteArrayList{rtu(bytes({0x01, 0x03, 0x04, 0x06, 0x00, 0x00, 0x00}))};

    // Commands without data executed by reads of no registers.
    QTest::newRow("handshake as a read of no registers")
        << 0 << QByteArrayList{bytes({0x01, 0x03, 0x00, 0x20, 0x00, 0x00, 0x44, 0x00})}
        << QByteArrayList{rtu(bytes({0x01, 0x03, 0x00}))};
    QTest::newRow("address query as a read of no registers")
        << 0 << QByteArrayList{rtu(bytes({0x01, 0x03, 0x00, 0x21, 0x00, 0x00}))}
        << QByteArrayList{rtu(bytes({0x01, 0x03, 0x00}))};
    QTest::newRow("stop as a read of no registers")
        << 0 << QByteArrayList{bytes({0x01, 0x03, 0x00, 0x3C, 0x00, 0x00, 0x85, 0xC6})}
        << QByteArrayList{rtu(bytes({0x01, 0x03, 0x00}))};
    QTest::newRow("clearing the absolute position as a read of no registers")
        << 0
        << QByteArrayList{rtu(request(0x31, s32(500))), rtu(request(0x3C)),
                          rtu(bytes({0x01, 0x03, 0x00, 0x38, 0x00, 0x00})), rtu(request(0x37))}
        << QByteArrayList{rtu(ack(0x31)), rtu(ack(0x3C)), rtu(bytes({0x01, 0x03, 0x00})),
                          rtu(bytes({0x01, 0x37, 0x04}) + s32(0))};
    QTest::newRow("factory settings as a read of no registers")
        << 0
        << QByteArrayList{rtu(request(0x25, s32(777))),
                          rtu(bytes({0x01, 0x03, 0x00, 0x47, 0x00, 0x00})), rtu(request(0x26))}
        << QByteArrayList{rtu(ack(0x25)), rtu(bytes({0x01, 0x03, 0x00})),
                          rtu(bytes({0x01, 0x26, 0x04}) + s32(100))};

    // Writes.
    QTest::newRow("stop as a write of no registers")
        << 0 << QByteArrayList{bytes({0x01, 0x10, 0x00, 0x3C, 0x00, 0x00, 0x00, 0x05, 0x00})}
        << QByteArrayList{rtu(bytes({0x01, 0x10, 0x00, 0x3C, 0x00, 0x00}))};
    QTest::newRow("initial speed written at offset 100")
        << 0
        << QByteArrayList{rtu(request(0x3F, s32(100))),
                          rtu(bytes({0x01, 0x10, 0x00, 0x89, 0x00, 0x02, 0x04}) + s32(500)),
                          rtu(request(0x26))}
        << QByteArrayList{rtu(ack(0x3F)), rtu(bytes({0x01, 0x10, 0x00, 0x89, 0x00, 0x02})),
                          rtu(bytes({0x01, 0x26, 0x04}) + s32(500))};
    QTest::newRow("the tool's write of initial speed 100 at offset 100")
        << 0
        << QByteArrayList{rtu(request(0x3F, s32(100))),
                          bytes({0x01, 0x10, 0x00, 0x89, 0x00, 0x02, 0x04, 0x00, 0x00, 0x00, 0x64,
                                 0x3A, 0x4E})}
        << QByteArrayList{rtu(ack(0x3F)), rtu(bytes({0x01, 0x10, 0x00, 0x89, 0x00, 0x02}))};
    QTest::newRow("new address written padded to two registers")
        << 0
        << QByteArrayList{bytes({0x01, 0x10, 0x00, 0x22, 0x00, 0x02, 0x04, 0x05, 0x00, 0x00, 0x00,
                                 0x70, 0xA2}),
                          rtu(bytes({0x05, 0x20, 0x00})), rtu(request(0x20))}
        << QByteArrayList{rtu(bytes({0x01, 0x10, 0x00, 0x22, 0x00, 0x02})),
                          rtu(bytes({0x05, 0x20, 0x00})), QByteArray()};
    QTest::newRow("IO rule written as four registers")
        << 0
        << QByteArrayList{rtu(bytes({0x01, 0x10, 0x00, 0x40, 0x00, 0x04, 0x08, 0x01, 0x31, 0x04,
                                     0x00, 0x00, 0x27, 0x10, 0x00})),
                          rtu(request(0x41, bytes({0x01})))}
        << QByteArrayList{rtu(bytes({0x01, 0x10, 0x00, 0x40, 0x00, 0x04})),
                          rtu(bytes({0x01, 0x41, 0x07, 0x01, 0x31, 0x04, 0x00, 0x00, 0x27, 0x10}))};
    // Offset 65500: 0xFFDC + 0x20 = 0xFFFC (handshake), 0xFFDC + 0x2E wraps to
    // 0x000A (query deceleration, 10000).
    QTest::newRow("register addresses wrap at 65536")
        << 0
        << QByteArrayList{rtu(request(0x3F, bytes({0x00, 0x00, 0xFF, 0xDC}))),
                          rtu(bytes({0x01, 0x03, 0xFF, 0xFC, 0x00, 0x00})),
                          rtu(bytes({0x01, 0x03, 0x00, 0x0A, 0x00, 0x02}))}
        << QByteArrayList{rtu(ack(0x3F)), rtu(bytes({0x01, 0x03, 0x00})),
                          rtu(bytes({0x01, 0x03, 0x04}) + s32(10000))};

    // Exceptions.
    QTest::newRow("exception 02: register 0x10 is no command")
        << 0 << QByteArrayList{rtu(bytes({0x01, 0x03, 0x00, 0x10, 0x00, 0x02}))}
        << QByteArrayList{rtu(bytes({0x01, 0x83, 0x02}))};
    QTest::newRow("exception 02: register 0x1F is no command")
        << 0 << QByteArrayList{rtu(bytes({0x01, 0x03, 0x00, 0x1F, 0x00, 0x00}))}
        << QByteArrayList{rtu(bytes({0x01, 0x83, 0x02}))};
    QTest::newRow("exception 02: a write to register 0x4D")
        << 0 << QByteArrayList{rtu(bytes({0x01, 0x10, 0x00, 0x4D, 0x00, 0x00, 0x00}))}
        << QByteArrayList{rtu(bytes({0x01, 0x90, 0x02}))};
    QTest::newRow("exception 02: the command registers move with the offset")
        << 0
        << QByteArrayList{rtu(request(0x3F, s32(100))),
                          bytes({0x01, 0x03, 0x00, 0x36, 0x00, 0x02, 0x24, 0x05})}
        << QByteArrayList{rtu(ack(0x3F)), rtu(bytes({0x01, 0x83, 0x02}))};
    QTest::newRow("exception 03: a read of no registers of a setter")
        << 0 << QByteArrayList{rtu(bytes({0x01, 0x03, 0x00, 0x25, 0x00, 0x00}))}
        << QByteArrayList{rtu(bytes({0x01, 0x83, 0x03}))};
    QTest::newRow("exception 03: registers read of a command that returns nothing")
        << 0 << QByteArrayList{rtu(bytes({0x01, 0x03, 0x00, 0x3C, 0x00, 0x02}))}
        << QByteArrayList{rtu(bytes({0x01, 0x83, 0x03}))};
    QTest::newRow("exception 03: a read of 126 registers")
        << 0 << QByteArrayList{rtu(bytes({0x01, 0x03, 0x00, 0x36, 0x00, 0x7E}))}
        << QByteArrayList{rtu(bytes({0x01, 0x83, 0x03}))};
    QTest::newRow("exception 03: byte count not twice the count")
        << 0 << QByteArrayList{rtu(bytes({0x01, 0x10, 0x00, 0x25, 0x00, 0x02, 0x02, 0x00, 0x64}))}
        << QByteArrayList{rtu(bytes({0x01, 0x90, 0x03}))};
    QTest::newRow("exception 03: one register for a four-byte setter")
        << 0 << QByteArrayList{rtu(bytes({0x01, 0x10, 0x00, 0x25, 0x00, 0x01, 0x02, 0x00, 0x64}))}
        << QByteArrayList{rtu(bytes({0x01, 0x90, 0x03}))};
    QTest::newRow("exception 03: an offset out of range")
        << 0
        << QByteArrayList{rtu(
               bytes({0x01, 0x10, 0x00, 0x3F, 0x00, 0x02, 0x04, 0x00, 0x00, 0xFF, 0xDD}))}
        << QByteArrayList{rtu(bytes({0x01, 0x90, 0x03}))};
    QTest::newRow("exception 06: a move while moving")
        << 0
        << QByteArrayList{rtu(request(0x31, s32(10000))),
                          rtu(bytes({0x01, 0x10, 0x00, 0x31, 0x00, 0x02, 0x04}) + s32(10))}
        << QByteArrayList{rtu(ack(0x31)), rtu(bytes({0x01, 0x90, 0x06}))};

    // Functions the controller does not serve, in their Modbus layouts.
    QTest::newRow("exception 01: read coils")
        << 0 << QByteArrayList{rtu(bytes({0x01, 0x01, 0x00, 0x00, 0x00, 0x08}))}
        << QByteArrayList{rtu(bytes({0x01, 0x81, 0x01}))};
    QTest::newRow("exception 01: read discrete inputs")
        << 0 << QByteArrayList{rtu(bytes({0x01, 0x02, 0x00, 0x00, 0x00, 0x05}))}
        << QByteArrayList{rtu(bytes({0x01, 0x82, 0x01}))};
    QTest::newRow("exception 01: read input registers")
        << 0 << QByteArrayList{rtu(bytes({0x01, 0x04, 0x00, 0x36, 0x00, 0x02}))}
        << QByteArrayList{rtu(bytes({0x01, 0x84, 0x01}))};
    QTest::newRow("exception 01: write single coil")
        << 0 << QByteArrayList{rtu(bytes({0x01, 0x05, 0x00, 0x13, 0xFF, 0x00}))}
        << QByteArrayList{rtu(bytes({0x01, 0x85, 0x01}))};
    QTest::newRow("exception 01: write single register")
        << 0 << QByteArrayList{rtu(bytes({0x01, 0x06, 0x00, 0x25, 0x00, 0x64}))}
        << QByteArrayList{rtu(bytes({0x01, 0x86, 0x01}))};
    QTest::newRow("exception 01: write multiple coils")
        << 0 << QByteArrayList{rtu(bytes({0x01, 0x0F, 0x00, 0x13, 0x00, 0x0A, 0x02, 0xCD, 0x01}))}
        << QByteArrayList{rtu(bytes({0x01, 0x8F, 0x01}))};
    QTest::newRow("exception 01: an ASCII write single register gets an ASCII exception")
        << 0 << QByteArrayList{Wire::ascii(bytes({0x01, 0x06, 0x00, 0x25, 0x00, 0x64}))}
        << QByteArrayList{Wire::ascii(bytes({0x01, 0x86, 0x01}))};
    QTest::newRow("exception 01 after a good request, the next one still answered")
        << 0
        << QByteArrayList{rtu(bytes({0x01, 0x05, 0x00, 0x13, 0xFF, 0x00})),
                          rtu(bytes({0x01, 0x03, 0x00, 0x26, 0x00, 0x02}))}
        << QByteArrayList{rtu(bytes({0x01, 0x85, 0x01})),
                          rtu(bytes({0x01, 0x03, 0x04, 0x00, 0x00, 0x00, 0x64}))};
    QTest::newRow("an unserved function for address 2 is ignored")
        << 0 << QByteArrayList{rtu(bytes({0x02, 0x05, 0x00, 0x13, 0xFF, 0x00}))}
        << QByteArrayList{QByteArray()};
    QTest::newRow("code 0x05 in the device layout is an unknown device code")
        << 0 << QByteArrayList{rtu(bytes({0x01, 0x05, 0x00}))}
        << QByteArrayList{rtu(bytes({0x01, 0x85, 0x01, 0x01}))};

    // Register counts of a write.
    QTest::newRow("a write of 123 registers is taken")
        << 0
        << QByteArrayList{rtu(bytes({0x01, 0x10, 0x00, 0x3C, 0x00, 0x7B, 0xF6}) +
                              QByteArray(246, '\0'))}
        << QByteArrayList{rtu(bytes({0x01, 0x10, 0x00, 0x3C, 0x00, 0x7B}))};
    QTest::newRow("exception 03: a write of 124 registers")
        << 0
        << QByteArrayList{rtu(bytes({0x01, 0x10, 0x00, 0x3C, 0x00, 0x7C, 0xF8}) +
                              QByteArray(248, '\0'))}
        << QByteArrayList{rtu(bytes({0x01, 0x90, 0x03}))};
    QTest::newRow("exception 03: a write of 124 registers at no command")
        << 0
        << QByteArrayList{rtu(bytes({0x01, 0x10, 0x00, 0x10, 0x00, 0x7C, 0xF8}) +
                              QByteArray(248, '\0'))}
        << QByteArrayList{rtu(bytes({0x01, 0x90, 0x03}))};

    // Addressing and framing.
    QTest::newRow("a read for address 2 is ignored")
        << 0 << QByteArrayList{rtu(bytes({0x02, 0x03, 0x00, 0x36, 0x00, 0x02}))}
        << QByteArrayList{QByteArray()};
    QTest::newRow("a read at address 0 is ignored")
        << 0 << QByteArrayList{rtu(bytes({0x00, 0x03, 0x00, 0x21, 0x00, 0x00}))}
        << QByteArrayList{QByteArray()};
    QTest::newRow("a read with a bad CRC is ignored")
        << 0 << QByteArrayList{bytes({0x01, 0x03, 0x00, 0x36, 0x00, 0x02, 0x24, 0x06})}
        << QByteArrayList{QByteArray()};
    QTest::newRow("an ASCII read gets an ASCII reply")
        << 0 << QByteArrayList{Wire::ascii(bytes({0x01, 0x03, 0x00, 0x26, 0x00, 0x02}))}
        << QByteArrayList{Wire::ascii(bytes({0x01, 0x03, 0x04, 0x00, 0x00, 0x00, 0x64}))};
    QTest::newRow("an ASCII write gets an ASCII reply")
        << 0 << QByteArrayList{Wire::ascii(bytes({0x01, 0x10, 0x00, 0x3C, 0x00, 0x00, 0x00}))}
        << QByteArrayList{Wire::ascii(bytes({0x01, 0x10, 0x00, 0x3C, 0x00, 0x00}))};
}

void TstSimRegisters::exchanges() {
    QFETCH(int, inputs);
    QFETCH(QByteArrayList, requests);
    QFETCH(QByteArrayList, replies);
    QCOMPARE(requests.size(), replies.size());

    Sim::Controller c;
    c.setInputs(quint8(inputs));
    for (qsizetype i = 0; i < requests.size(); ++i) {
        const QByteArray got = c.feed(requests[i]);
        if (got != replies[i])
            qWarning("request %lld: %s", qlonglong(i), requests[i].toHex(' ').constData());
        QCOMPARE(got, replies[i]);
    }
}

QTEST_GUILESS_MAIN(TstSimRegisters)
#include "tst_simregisters.moc"
