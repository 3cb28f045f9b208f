// The simulated controller's device-form command set, request by request:
// each scenario is a sequence of requests and the exact reply each one gets
// (or none), run once in RTU form and once in ASCII form. The expected frames
// are laid out here from the protocol and checksummed with support/wire.h.
#include "sim/controller.h"
#include "simtest.h"

#include <QtTest>

using SimTest::ack;
using SimTest::request;
using SimTest::s32;
using Wire::bytes;

namespace {

// The error reply: address 1, code | 0x80, 0x01, the error byte.
QByteArray error(int code, int err) {
    return bytes({0x01, code | 0x80, 0x01, err});
}

// A query reply: address 1, code, length, data.
QByteArray answer(int code, const QByteArray &data) {
    return bytes({0x01, code, int(data.size())}) + data;
}

void addBoth(const char *name, const QByteArrayList &requests, const QByteArrayList &replies) {
    QTest::newRow(qPrintable(QStringLiteral("%1 (RTU)").arg(QLatin1String(name))))
        << requests << replies << false;
    QTest::newRow(qPrintable(QStringLiteral("%1 (ASCII)").arg(QLatin1String(name))))
        << requests << replies << true;
}

QByteArray framed(const QByteArray &message, bool ascii) {
    return ascii ? Wire::ascii(message) : Wire::rtu(message);
}

} // namespace

class TstSimProtocol : public QObject {
    Q_OBJECT
private slots:
    void exchanges_data();
    void exchanges();
    void canSettingsAreStored();
    void inputsQueryFollowsTheInputs_data();
    void inputsQueryFollowsTheInputs();
};

void TstSimProtocol::exchanges_data() {
    QTest::addColumn<QByteArrayList>("requests");
    QTest::addColumn<QByteArrayList>("replies"); // empty entry: no reply

    QTest::addColumn<bool>("ascii");

    // Basic commands.
    addBoth("handshake is acknowledged", {request(0x20)}, {ack(0x20)});
    addBoth("address query at address 0 gives the own address", {bytes({0x00, 0x21, 0x00})},
            {answer(0x21, bytes({0x01}))});
    addBoth("address query at the own address", {request(0x21)}, {answer(0x21, bytes({0x01}))});
    addBoth("change address: reply from the old one, then only the new one answers",
            {request(0x22, bytes({0x1A})), bytes({0x1A, 0x20, 0x00}), request(0x20),
             bytes({0x00, 0x21, 0x00})},
            {ack(0x22), bytes({0x1A, 0x20, 0x00}), {}, bytes({0x1A, 0x21, 0x01, 0x1A})});
    addBoth("change address to 0 is refused", {request(0x22, bytes({0x00})), request(0x20)},
            {error(0x22, 0x03), ack(0x20)});
    addBoth("baud code query gives 6 (9600) by default", {request(0x23)},
            {answer(0x23, bytes({0x06}))});
    addBoth("baud code change to 9 (38400)", {request(0x24, bytes({0x09})), request(0x23)},
            {ack(0x24), answer(0x23, bytes({0x09}))});
    addBoth("baud code 0 is refused", {request(0x24, bytes({0x00})), request(0x23)},
            {error(0x24, 0x03), answer(0x23, bytes({0x06}))});
    addBoth("baud code 10 is refused", {request(0x24, bytes({0x0A}))}, {error(0x24, 0x03)});

    // Profile: defaults 100, 10000, 1000, 10000, 10000, 10000.
    addBoth("initial speed default 100", {request(0x26)}, {answer(0x26, s32(100))});
    addBoth("maximum speed default 10000", {request(0x28)}, {answer(0x28, s32(10000))});
    addBoth("end speed default 1000", {request(0x2A)}, {answer(0x2A, s32(1000))});
    addBoth("acceleration default 10000", {request(0x2C)}, {answer(0x2C, s32(10000))});
    addBoth("deceleration default 10000", {request(0x2E)}, {answer(0x2E, s32(10000))});
    addBoth("homing speed default 10000", {request(0x30)}, {answer(0x30, s32(10000))});
    addBoth("set and read initial speed 500", {request(0x25, s32(500)), request(0x26)},
            {ack(0x25), answer(0x26, bytes({0x00, 0x00, 0x01, 0xF4}))});
    addBoth("set and read maximum speed 20000", {request(0x27, s32(20000)), request(0x28)},
            {ack(0x27), answer(0x28, bytes({0x00, 0x00, 0x4E, 0x20}))});
    addBoth("set and read end speed 250", {request(0x29, s32(250)), request(0x2A)},
            {ack(0x29), answer(0x2A, bytes({0x00, 0x00, 0x00, 0xFA}))});
    addBoth("set and read acceleration 65536", {request(0x2B, s32(65536)), request(0x2C)},
            {ack(0x2B), answer(0x2C, bytes({0x00, 0x01, 0x00, 0x00}))});
    addBoth("set and read deceleration 768", {request(0x2D, s32(768)), request(0x2E)},
            {ack(0x2D), answer(0x2E, bytes({0x00, 0x00, 0x03, 0x00}))});
    addBoth("set and read homing speed 3000", {request(0x2F, s32(3000)), request(0x30)},
            {ack(0x2F), answer(0x30, bytes({0x00, 0x00, 0x0B, 0xB8}))});
    addBoth("a negative initial speed is refused", {request(0x25, s32(-1)), request(0x26)},
            {error(0x25, 0x03), answer(0x26, s32(100))});
    addBoth("maximum speed 0 is refused", {request(0x27, s32(0))}, {error(0x27, 0x03)});
    addBoth("homing speed 0 is refused", {request(0x2F, s32(0))}, {error(0x2F, 0x03)});
    addBoth("a setter with two data bytes is refused",
            {bytes({0x01, 0x25, 0x02, 0x00, 0x64}), request(0x26)},
            {error(0x25, 0x03), answer(0x26, s32(100))});
    addBoth("a handshake with data is refused", {request(0x20, bytes({0x00}))},
            {error(0x20, 0x03)});

    // Motion queries at rest, standing on the origin switch at position 0.
    addBoth("speed at rest is 0", {request(0x36)}, {answer(0x36, s32(0))});
    addBoth("absolute position at start is 0", {request(0x37)}, {answer(0x37, s32(0))});
    addBoth("relative position at start is 0", {request(0x39)}, {answer(0x39, s32(0))});
    addBoth("status: stopped, limits free, on the origin", {request(0x3B)},
            {answer(0x3B, bytes({0x00, 0x01, 0x00, 0x01}))});
    addBoth("inputs all off read 1", {request(0x42)},
            {answer(0x42, bytes({0x01, 0x01, 0x01, 0x01, 0x01}))});
    addBoth("input mask query with all inputs off", {request(0x43)}, {answer(0x43, s32(0))});
    addBoth("clear absolute position", {request(0x38)}, {ack(0x38)});
    addBoth("clear relative position", {request(0x3A)}, {ack(0x3A)});
    addBoth("stop at once while stopped", {request(0x3C)}, {ack(0x3C)});
    addBoth("decelerating stop while stopped", {request(0x3D)}, {ack(0x3D)});
    addBoth("homing direction 2 is refused", {request(0x3E, bytes({0x02}))}, {error(0x3E, 0x03)});
    addBoth("24-bit move direction 2 is refused", {request(0x32, bytes({0x02, 0x00, 0x03, 0xE8}))},
            {error(0x32, 0x03)});
    addBoth("24-bit run direction 2 is refused", {request(0x34, bytes({0x02, 0x00, 0x03, 0xE8}))},
            {error(0x34, 0x03)});
    addBoth("change of speed while stopped is acknowledged", {request(0x35, s32(5000))},
            {ack(0x35)});

    // Register offset: 0 .. 65500.
    addBoth("register offset 65500", {request(0x3F, bytes({0x00, 0x00, 0xFF, 0xDC}))}, {ack(0x3F)});
    addBoth("register offset 65501 is refused", {request(0x3F, bytes({0x00, 0x00, 0xFF, 0xDD}))},
            {error(0x3F, 0x03)});
    addBoth("register offset -1 is refused", {request(0x3F, s32(-1))}, {error(0x3F, 0x03)});

    // IO substitution.
    const QByteArray move10000 = bytes({0x31, 0x04, 0x00, 0x00, 0x27, 0x10});
    addBoth("IO rule stored and read back",
            {request(0x40, bytes({0x01}) + move10000), request(0x41, bytes({0x01}))},
            {ack(0x40), answer(0x41, bytes({0x01}) + move10000)});
    addBoth("IO rule for pattern 11111 stored",
            {request(0x40, bytes({0x1F, 0x3C, 0x00})), request(0x41, bytes({0x1F}))},
            {ack(0x40), answer(0x41, bytes({0x1F, 0x3C, 0x00}))});
    addBoth("IO rule of an empty pattern reads as the pattern alone",
            {request(0x41, bytes({0x05}))}, {answer(0x41, bytes({0x05}))});
    addBoth("IO rule cleared by the pattern alone",
            {request(0x40, bytes({0x01}) + move10000), request(0x40, bytes({0x01})),
             request(0x41, bytes({0x01}))},
            {ack(0x40), ack(0x40), answer(0x41, bytes({0x01}))});
    addBoth("IO rule whose command length disagrees is refused",
            {request(0x40, bytes({0x01, 0x31, 0x04})), request(0x41, bytes({0x01}))},
            {error(0x40, 0x03), answer(0x41, bytes({0x01}))});
    addBoth("IO pattern 32 is refused for storing", {request(0x40, bytes({0x20, 0x3C, 0x00}))},
            {error(0x40, 0x03)});
    addBoth("IO pattern 32 is refused for reading", {request(0x41, bytes({0x20}))},
            {error(0x41, 0x03)});

    // Speed factor and quantitative speed changes.
    addBoth("speed factor 500", {request(0x44, s32(500))}, {ack(0x44)});
    addBoth("speed factor 0 is refused", {request(0x44, s32(0))}, {error(0x44, 0x03)});
    addBoth("speed factor 5001 is refused", {request(0x44, s32(5001))}, {error(0x44, 0x03)});
    addBoth("quantitative acceleration", {request(0x45)}, {ack(0x45)});
    addBoth("quantitative deceleration", {request(0x46)}, {ack(0x46)});

    // CAN gateway.
    addBoth("CAN without checksum check", {request(0x48, bytes({0x01}))}, {ack(0x48)});
    addBoth("CAN replies at protocol length", {request(0x49, bytes({0x00}))}, {ack(0x49)});
    addBoth("CAN extended frames", {request(0x4A, bytes({0x01}))}, {ack(0x4A)});
    addBoth("CAN bit rate 100K (12)", {request(0x4B, bytes({0x0C}))}, {ack(0x4B)});
    addBoth("CAN bit rate 5K (18)", {request(0x4B, bytes({0x12}))}, {ack(0x4B)});
    addBoth("CAN bit rate code 0 is refused", {request(0x4B, bytes({0x00}))}, {error(0x4B, 0x03)});
    addBoth("CAN bit rate code 19 is refused", {request(0x4B, bytes({0x13}))}, {error(0x4B, 0x03)});
    addBoth("CAN setting 2 is refused", {request(0x48, bytes({0x02}))}, {error(0x48, 0x03)});
    addBoth("CAN payload of five bytes", {request(0x4C, bytes({1, 2, 3, 4, 5}))}, {ack(0x4C)});
    addBoth("CAN payload of no bytes", {request(0x4C)}, {ack(0x4C)});
    addBoth("CAN payload of nine bytes is refused", {request(0x4C, QByteArray(9, '\x01'))},
            {error(0x4C, 0x03)});

    // Codes the controller does not know.
    addBoth("unknown code 0x1F", {request(0x1F)}, {error(0x1F, 0x01)});
    addBoth("unknown code 0x4D", {request(0x4D)}, {error(0x4D, 0x01)});
    addBoth("unknown code 0x7F", {request(0x7F)}, {error(0x7F, 0x01)});
    addBoth("unknown code 0x00", {request(0x00)}, {error(0x00, 0x01)});
    addBoth("unknown code 0xA0", {request(0xA0)}, {error(0xA0, 0x01)});

    // Addressing.
    addBoth("a handshake for address 2 is ignored", {bytes({0x02, 0x20, 0x00})}, {QByteArray()});
    addBoth("an address query for address 2 is ignored", {bytes({0x02, 0x21, 0x00})},
            {QByteArray()});
    addBoth("a handshake at address 0 is ignored", {bytes({0x00, 0x20, 0x00})}, {QByteArray()});
    addBoth("a stop at address 0 is ignored", {bytes({0x00, 0x3C, 0x00})}, {QByteArray()});

    // Factory settings restore everything the requests changed.
    addBoth("factory settings",
            {request(0x25, s32(500)), request(0x3F, s32(100)),
             request(0x40, bytes({0x01}) + move10000), request(0x24, bytes({0x08})),
             request(0x22, bytes({0x05})), bytes({0x05, 0x47, 0x00}), request(0x26), request(0x23),
             request(0x41, bytes({0x01})), bytes({0x01, 0x03, 0x00, 0x26, 0x00, 0x02})},
            {ack(0x25), ack(0x3F), ack(0x40), ack(0x24), ack(0x22), bytes({0x05, 0x47, 0x00}),
             answer(0x26, s32(100)), answer(0x23, bytes({0x06})), answer(0x41, bytes({0x01})),
             bytes({0x01, 0x03, 0x04, 0x00, 0x00, 0x00, 0x64})});
}

void TstSimProtocol::exchanges() {
    QFETCH(QByteArrayList, requests);
    QFETCH(QByteArrayList, replies);
    QFETCH(bool, ascii);
    QCOMPARE(requests.size(), replies.size());

    Sim::Controller c;
    for (qsizetype i = 0; i < requests.size(); ++i) {
        const QByteArray expected = replies[i].isEmpty() ? QByteArray() : framed(replies[i], ascii);
        const QByteArray got = c.feed(framed(requests[i], ascii));
        if (got != expected)
            qWarning("request %lld: %s", qlonglong(i), requests[i].toHex(' ').constData());
        QCOMPARE(got, expected);
    }
    QCOMPARE(c.pending(), qsizetype(0));
}

void TstSimProtocol::canSettingsAreStored() {
    Sim::Controller c;
    QCOMPARE(SimTest::ask(c, request(0x48, bytes({0x01}))), ack(0x48));
    QCOMPARE(SimTest::ask(c, request(0x49, bytes({0x01}))), ack(0x49));
    QCOMPARE(SimTest::ask(c, request(0x4A, bytes({0x01}))), ack(0x4A));
    QCOMPARE(SimTest::ask(c, request(0x4B, bytes({0x06}))), ack(0x4B));
    QCOMPARE(SimTest::ask(c, request(0x4C, bytes({1, 2, 3}))), ack(0x4C));
    QCOMPARE(c.can().checksumOff, quint8(1));
    QCOMPARE(c.can().replyEight, quint8(1));
    QCOMPARE(c.can().extended, quint8(1));
    QCOMPARE(c.can().bitRate, quint8(6));
    QCOMPARE(c.can().lastPayload, bytes({1, 2, 3}));
}

void TstSimProtocol::inputsQueryFollowsTheInputs_data() {
    QTest::addColumn<int>("mask"); // IN1 = 1 .. IN5 = 16, set = on
    QTest::addColumn<QByteArray>("states");
    QTest::addColumn<QByteArray>("maskValue");

    QTest::newRow("IN1 on") << 0x01 << bytes({0, 1, 1, 1, 1}) << s32(0x01);
    QTest::newRow("IN5 on") << 0x10 << bytes({1, 1, 1, 1, 0}) << s32(0x10);
    QTest::newRow("IN1 and IN3 on (pattern 00101)") << 0x05 << bytes({0, 1, 0, 1, 1}) << s32(5);
    QTest::newRow("all on") << 0x1F << bytes({0, 0, 0, 0, 0}) << s32(0x1F);
}

void TstSimProtocol::inputsQueryFollowsTheInputs() {
    QFETCH(int, mask);
    QFETCH(QByteArray, states);
    QFETCH(QByteArray, maskValue);
    Sim::Controller c;
    c.setInputs(quint8(mask));
    QCOMPARE(SimTest::ask(c, request(0x42)), answer(0x42, states));
    QCOMPARE(SimTest::ask(c, request(0x43)), answer(0x43, maskValue));
}

QTEST_GUILESS_MAIN(TstSimProtocol)
#include "tst_simprotocol.moc"
