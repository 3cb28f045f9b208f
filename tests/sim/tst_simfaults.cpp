// Fault injection on the simulator's replies: which replies are hit, and what
// a dropped, corrupted, split or error-replaced reply looks like.
#include "sim/faults.h"
#include "support/wire.h"

#include <QtTest>

using Sim::Fault;
using Sim::FaultInjector;
using Wire::bytes;

Q_DECLARE_METATYPE(Sim::Fault)

namespace {

const QByteArray kQuery = bytes({0x01, 0x26, 0x04, 0x00, 0x00, 0x00, 0x64});

bool crcRight(const QByteArray &frame) {
    return frame.size() > 2 && Wire::rtu(frame.chopped(2)) == frame;
}

} // namespace

class TstSimFaults : public QObject {
    Q_OBJECT
private slots:
    void faultFromText_data();
    void faultFromText();
    void whichReplies_data();
    void whichReplies();
    void corrupted_data();
    void corrupted();
    void split();
    void errorReply_data();
    void errorReply();
    void wrongAddress_data();
    void wrongAddress();
};

void TstSimFaults::faultFromText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("known");
    QTest::addColumn<Fault>("fault");

    QTest::newRow("drop") << "drop" << true << Fault::Drop;
    QTest::newRow("corrupt") << "corrupt" << true << Fault::Corrupt;
    QTest::newRow("split") << "split" << true << Fault::Split;
    QTest::newRow("error") << "error" << true << Fault::Error;
    QTest::newRow("wrong-address") << "wrong-address" << true << Fault::WrongAddress;
    QTest::newRow("none") << "none" << true << Fault::None;
    QTest::newRow("upper case is unknown") << "DROP" << false << Fault::None;
    QTest::newRow("empty is unknown") << "" << false << Fault::None;
}

void TstSimFaults::faultFromText() {
    QFETCH(QString, text);
    QFETCH(bool, known);
    QFETCH(Fault, fault);
    const auto parsed = Sim::faultFromText(text);
    QCOMPARE(parsed.has_value(), known);
    if (known)
        QCOMPARE(*parsed, fault);
}

void TstSimFaults::whichReplies_data() {
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<int>("every");
    QTest::addColumn<QList<bool>>("hit"); // for replies 1..6

    QTest::newRow("no fault") << Fault::None << 1
                              << QList<bool>{false, false, false, false, false, false};
    QTest::newRow("drop every reply")
        << Fault::Drop << 1 << QList<bool>{true, true, true, true, true, true};
    QTest::newRow("drop every second reply")
        << Fault::Drop << 2 << QList<bool>{false, true, false, true, false, true};
    QTest::newRow("drop every third reply")
        << Fault::Drop << 3 << QList<bool>{false, false, true, false, false, true};
    QTest::newRow("an every of 0 counts as 1")
        << Fault::Drop << 0 << QList<bool>{true, true, true, true, true, true};
}

void TstSimFaults::whichReplies() {
    QFETCH(Fault, fault);
    QFETCH(int, every);
    QFETCH(QList<bool>, hit);
    FaultInjector injector(fault, every);
    const QByteArray reply = Wire::rtu(kQuery);
    for (qsizetype i = 0; i < hit.size(); ++i) {
        const auto pieces = injector.apply(reply);
        if (hit[i]) {
            QVERIFY(pieces.isEmpty());
        } else {
            QCOMPARE(pieces.size(), qsizetype(1));
            QCOMPARE(pieces[0].bytes, reply);
            QCOMPARE(pieces[0].delayMs, 0);
        }
    }
}

void TstSimFaults::corrupted_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("ascii");

    QTest::newRow("RTU query reply") << Wire::rtu(kQuery) << false;
    QTest::newRow("RTU acknowledgement") << Wire::rtu(bytes({0x01, 0x20, 0x00})) << false;
    QTest::newRow("ASCII query reply") << Wire::ascii(kQuery) << true;
}

void TstSimFaults::corrupted() {
    QFETCH(QByteArray, reply);
    QFETCH(bool, ascii);
    FaultInjector injector(Fault::Corrupt, 1);
    const auto pieces = injector.apply(reply);
    QCOMPARE(pieces.size(), qsizetype(1));
    const QByteArray bad = pieces[0].bytes;
    QCOMPARE(bad.size(), reply.size());
    QVERIFY(bad != reply);
    if (ascii) {
        // Same colon, message digits and CR LF; the two LRC digits differ.
        QCOMPARE(bad.left(bad.size() - 4), reply.left(reply.size() - 4));
        QVERIFY(bad.endsWith("\r\n"));
        const QByteArray message = QByteArray::fromHex(bad.mid(1, bad.size() - 5));
        const int lrc = QByteArray::fromHex(bad.mid(bad.size() - 4, 2)).at(0);
        QVERIFY(quint8(lrc) != Wire::lrc(message));
    } else {
        QCOMPARE(bad.chopped(2), reply.chopped(2));
        QVERIFY(!crcRight(bad));
    }
}

void TstSimFaults::split() {
    FaultInjector injector(Fault::Split, 1);
    const QByteArray reply = Wire::rtu(kQuery);
    const auto pieces = injector.apply(reply);
    QCOMPARE(pieces.size(), qsizetype(2));
    QCOMPARE(pieces[0].delayMs, 0);
    QCOMPARE(pieces[1].delayMs, 300);
    QVERIFY(!pieces[0].bytes.isEmpty());
    QVERIFY(!pieces[1].bytes.isEmpty());
    QCOMPARE(pieces[0].bytes + pieces[1].bytes, reply);
}

void TstSimFaults::errorReply_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("device reply gets error byte 04")
        << Wire::rtu(kQuery) << Wire::rtu(bytes({0x01, 0xA6, 0x01, 0x04}));
    QTest::newRow("acknowledgement of address 1F")
        << Wire::rtu(bytes({0x1F, 0x20, 0x00})) << Wire::rtu(bytes({0x1F, 0xA0, 0x01, 0x04}));
    QTest::newRow("register read reply gets exception 04")
        << Wire::rtu(bytes({0x01, 0x03, 0x04, 0x00, 0x00, 0x00, 0x64}))
        << Wire::rtu(bytes({0x01, 0x83, 0x04}));
    QTest::newRow("register write reply gets exception 04")
        << Wire::rtu(bytes({0x01, 0x10, 0x00, 0x25, 0x00, 0x02}))
        << Wire::rtu(bytes({0x01, 0x90, 0x04}));
    QTest::newRow("ASCII reply gets an ASCII error reply")
        << Wire::ascii(kQuery) << Wire::ascii(bytes({0x01, 0xA6, 0x01, 0x04}));
}

void TstSimFaults::errorReply() {
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, expected);
    FaultInjector injector(Fault::Error, 1);
    const auto pieces = injector.apply(reply);
    QCOMPARE(pieces.size(), qsizetype(1));
    QCOMPARE(pieces[0].bytes.toHex(' '), expected.toHex(' '));
}

void TstSimFaults::wrongAddress_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("RTU query reply from the next address, CRC holding")
        << Wire::rtu(kQuery) << Wire::rtu(QByteArray(kQuery).replace(0, 1, "\x02"));
    QTest::newRow("address FF wraps to 00")
        << Wire::rtu(bytes({0xFF, 0x23, 0x01, 0x06})) << Wire::rtu(bytes({0x00, 0x23, 0x01, 0x06}));
    QTest::newRow("ASCII reply stays ASCII, LRC holding")
        << Wire::ascii(bytes({0x1F, 0x23, 0x01, 0x06}))
        << Wire::ascii(bytes({0x20, 0x23, 0x01, 0x06}));
}

void TstSimFaults::wrongAddress() {
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, expected);
    FaultInjector injector(Fault::WrongAddress, 2);
    QCOMPARE(injector.apply(reply).value(0).bytes.toHex(' '), reply.toHex(' '));
    const auto pieces = injector.apply(reply);
    QCOMPARE(pieces.size(), qsizetype(1));
    QCOMPARE(pieces[0].bytes.toHex(' '), expected.toHex(' '));
}

QTEST_GUILESS_MAIN(TstSimFaults)
#include "tst_simfaults.moc"
