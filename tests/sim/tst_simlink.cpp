// The in-process link to a simulated controller: opening, replies that become
// readable after the reply delay, order, closing, the clock it runs while open
// and the faults it can apply.
#include "sim/simlink.h"
#include "simtest.h"

#include <QElapsedTimer>
#include <QtTest>

using Wire::bytes;
using Wire::rtu;

namespace {

QByteArray readFor(SerialLink &link, qsizetype expected, int timeoutMs) {
    QByteArray got;
    QDeadlineTimer deadline(timeoutMs);
    while (got.size() < expected && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (link.bytesWaiting() > 0)
            got += link.read(link.bytesWaiting());
        else
            QTest::qSleep(1);
    }
    return got;
}

qint64 value(const QByteArray &reply) {
    if (reply.size() != 9 || !(rtu(reply.left(7)) == reply))
        return -1;
    return qint64(quint8(reply[3])) << 24 | quint8(reply[4]) << 16 | quint8(reply[5]) << 8 |
           quint8(reply[6]);
}

} // namespace

class TstSimLink : public QObject {
    Q_OBJECT
private slots:
    void opensAnyDevice_data();
    void opensAnyDevice();
    void replyAfterDelay_data();
    void replyAfterDelay();
    void repliesInOrder();
    void readTakesAtMostMax();
    void closedLinkSendsNothing();
    void closeDropsRepliesOnTheirWay();
    void clockRunsWhileOpen();
    void ownModelWhenNoneGiven();
    void faults();
};

void TstSimLink::opensAnyDevice_data() {
    QTest::addColumn<QString>("device");
    QTest::newRow("sim") << "sim";
    QTest::newRow("COM1") << "COM1";
    QTest::newRow("empty name") << "";
}

void TstSimLink::opensAnyDevice() {
    QFETCH(QString, device);
    SimController model;
    SimLink link(&model, nullptr);
    QVERIFY(!link.isOpen());
    QString error;
    QVERIFY(link.open(device, PortSettings::Line{}, &error));
    QVERIFY(link.isOpen());
    QVERIFY(error.isEmpty());
    QCOMPARE(link.bytesWaiting(), qint64(0));
    link.close();
    QVERIFY(!link.isOpen());
}

void TstSimLink::replyAfterDelay_data() {
    QTest::addColumn<int>("delayMs");
    QTest::newRow("5 ms") << 5;
    QTest::newRow("20 ms") << 20;
    QTest::newRow("100 ms") << 100;
}

void TstSimLink::replyAfterDelay() {
    QFETCH(int, delayMs);
    SimController model;
    SimLink link(&model, nullptr);
    link.setReplyDelay(delayMs);
    QVERIFY(link.open("sim", PortSettings::Line{}, nullptr));
    QElapsedTimer clock;
    clock.start();
    link.write(rtu(bytes({0x01, 0x20, 0x00})));
    QCOMPARE(link.bytesWaiting(), qint64(0));
    const QByteArray reply = readFor(link, 5, 2000);
    const qint64 took = clock.elapsed();
    QCOMPARE(reply, bytes({0x01, 0x20, 0x00, 0x39, 0xC0}));
    QVERIFY2(took >= delayMs - 1, qPrintable(QString::number(took)));
}

void TstSimLink::repliesInOrder() {
    SimController model;
    SimLink link(&model, nullptr);
    QVERIFY(link.open("sim", PortSettings::Line{}, nullptr));
    link.write(rtu(bytes({0x01, 0x20, 0x00})) + rtu(bytes({0x01, 0x28, 0x00})));
    link.write(rtu(bytes({0x01, 0x23, 0x00})));
    const QByteArray expected = rtu(bytes({0x01, 0x20, 0x00})) +
                                rtu(bytes({0x01, 0x28, 0x04, 0x00, 0x00, 0x27, 0x10})) +
                                rtu(bytes({0x01, 0x23, 0x01, 0x06}));
    QCOMPARE(readFor(link, expected.size(), 2000), expected);
}

void TstSimLink::readTakesAtMostMax() {
    SimController model;
    SimLink link(&model, nullptr);
    QVERIFY(link.open("sim", PortSettings::Line{}, nullptr));
    link.write(rtu(bytes({0x01, 0x20, 0x00})));
    QTRY_COMPARE_WITH_TIMEOUT(link.bytesWaiting(), qint64(5), 2000);
    QCOMPARE(link.read(2), bytes({0x01, 0x20}));
    QCOMPARE(link.bytesWaiting(), qint64(3));
    QCOMPARE(link.read(10), bytes({0x00, 0x39, 0xC0}));
    QCOMPARE(link.bytesWaiting(), qint64(0));
}

void TstSimLink::closedLinkSendsNothing() {
    SimController model;
    SimLink link(&model, nullptr);
    link.write(rtu(bytes({0x01, 0x22, 0x01, 0x05})));
    QTest::qWait(50);
    QCOMPARE(link.bytesWaiting(), qint64(0));
    QCOMPARE(model.address(), quint8(0x01)); // the request never arrived
}

void TstSimLink::closeDropsRepliesOnTheirWay() {
    SimController model;
    SimLink link(&model, nullptr);
    link.setReplyDelay(100);
    QVERIFY(link.open("sim", PortSettings::Line{}, nullptr));
    link.write(rtu(bytes({0x01, 0x20, 0x00})));
    link.close();
    QVERIFY(link.open("sim", PortSettings::Line{}, nullptr));
    QTest::qWait(250);
    QCOMPARE(link.bytesWaiting(), qint64(0));
}

void TstSimLink::clockRunsWhileOpen() {
    SimController model;
    SimLink link(&model, nullptr);
    link.setReplyDelay(1);
    QVERIFY(link.open("sim", PortSettings::Line{}, nullptr));
    link.write(rtu(bytes({0x01, 0x33, 0x04, 0x00, 0x00, 0x13, 0x88}))); // run at 5000
    QCOMPARE(readFor(link, 5, 2000), rtu(bytes({0x01, 0x33, 0x00})));
    QTest::qWait(300);
    link.write(rtu(bytes({0x01, 0x36, 0x00})));
    const qint64 speed = value(readFor(link, 9, 2000));
    // 0.3 s at 10000 pulses/s^2 from 100: about 3100, and below 5000.
    QVERIFY2(speed > 1500 && speed < 5000, qPrintable(QString::number(speed)));
    link.write(rtu(bytes({0x01, 0x37, 0x00})));
    QVERIFY(value(readFor(link, 9, 2000)) > 0);

    // Closed, the clock stands still.
    link.close();
    const qint64 at = model.axis().axisPosition();
    QTest::qWait(100);
    QCOMPARE(model.axis().axisPosition(), at);
}

void TstSimLink::ownModelWhenNoneGiven() {
    SimLink link;
    QVERIFY(link.controller() != nullptr);
    QVERIFY(link.open("sim", PortSettings::Line{}, nullptr));
    link.write(rtu(bytes({0x00, 0x21, 0x00})));
    QCOMPARE(readFor(link, 6, 2000), rtu(bytes({0x01, 0x21, 0x01, 0x01})));
}

void TstSimLink::faults() {
    SimController model;
    SimLink link(&model, nullptr);
    link.setFaults(Sim::FaultInjector(Sim::Fault::Corrupt, 2));
    QVERIFY(link.open("sim", PortSettings::Line{}, nullptr));
    const QByteArray good = rtu(bytes({0x01, 0x20, 0x00}));
    link.write(good);
    QCOMPARE(readFor(link, 5, 2000), good);
    link.write(good);
    const QByteArray second = readFor(link, 5, 2000);
    QCOMPARE(second.left(3), good.left(3));
    QVERIFY(second != good);
}

QTEST_GUILESS_MAIN(TstSimLink)
#include "tst_simlink.moc"
