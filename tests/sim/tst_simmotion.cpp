// Motion of the simulated controller over time, observed through its replies:
// position moves on a trapezoidal profile, constant-speed runs and speed
// changes, the two stops, homing, limit switches, the speed factor, the
// quantitative speed changes, clearing the positions, IO-substitution rules
// and factory settings. Expected times and distances follow from the
// kinematics of the default profile (initial 100, maximum 10000, end 1000
// pulses/s, acceleration and deceleration 10000 pulses/s^2).
#include "sim/controller.h"
#include "simtest.h"

#include <QtTest>

using SimTest::absolute;
using SimTest::ack;
using SimTest::ask;
using SimTest::moving;
using SimTest::relative;
using SimTest::request;
using SimTest::s32;
using SimTest::speed;
using SimTest::status;
using Wire::bytes;

namespace {

// Steps the clock in 10 ms slices until the motor stops; false when it still
// runs after `limitMs`.
bool runUntilStopped(Sim::Controller &c, int limitMs) {
    for (int t = 0; t < limitMs; t += 10) {
        if (!moving(c))
            return true;
        c.advance(10);
    }
    return !moving(c);
}

} // namespace

class TstSimMotion : public QObject {
    Q_OBJECT
private slots:
    void positionMove_data();
    void positionMove();
    void speedProfile();
    void motionWhileMovingIsBusy_data();
    void motionWhileMovingIsBusy();
    void constantRun_data();
    void constantRun();
    void changeRunSpeed();
    void decelerateToStop();
    void stopAtOnce();
    void homing_data();
    void homing();
    void limits_data();
    void limits();
    void speedFactor_data();
    void speedFactor();
    void quantitativeChange_data();
    void quantitativeChange();
    void clearPositions();
    void ioRule_data();
    void ioRule();
    void factorySettingsStopTheMotor();
};

void TstSimMotion::positionMove_data() {
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<qint64>("target");
    QTest::addColumn<int>("movingAtMs");
    QTest::addColumn<int>("doneByMs");

    // 10000 pulses: 0.99 s accelerating 100 -> 10000 (4999.5 pulses), 0.9 s
    // braking 10000 -> 1000 (4950 pulses), about 5 ms at 10000 between:
    // about 1.895 s in all.
    QTest::newRow("32-bit move of 10000 pulses")
        << request(0x31, s32(10000)) << qint64(10000) << 1800 << 2000;
    QTest::newRow("32-bit move of -10000 pulses")
        << request(0x31, s32(-10000)) << qint64(-10000) << 1800 << 2000;
    // 1000 pulses: peak v with (v^2 - 100^2) + (v^2 - 1000^2) = 2 * 10000 * 1000,
    // v = 3241; 0.314 s up and 0.224 s down: about 0.538 s.
    QTest::newRow("24-bit move, direction 0, 1000 pulses")
        << request(0x32, bytes({0x00, 0x00, 0x03, 0xE8})) << qint64(1000) << 480 << 600;
    QTest::newRow("24-bit move, direction 1, 1000 pulses")
        << request(0x32, bytes({0x01, 0x00, 0x03, 0xE8})) << qint64(-1000) << 480 << 600;
    // 100000 pulses: 1.89 s of ramps covering 9949.5 pulses, 9.005 s at 10000.
    QTest::newRow("32-bit move of 100000 pulses")
        << request(0x31, s32(100000)) << qint64(100000) << 10800 << 11000;
}

void TstSimMotion::positionMove() {
    QFETCH(QByteArray, command);
    QFETCH(qint64, target);
    QFETCH(int, movingAtMs);
    QFETCH(int, doneByMs);

    Sim::Controller c;
    QCOMPARE(ask(c, command), ack(quint8(command[1])));
    c.advance(movingAtMs);
    QCOMPARE(status(c).left(1), bytes({0x01}));
    const qint64 between = absolute(c);
    QVERIFY2(target > 0 ? between > 0 && between < target : between < 0 && between > target,
             qPrintable(QString::number(between)));
    c.advance(doneByMs - movingAtMs);
    QCOMPARE(status(c).left(1), bytes({0x00}));
    QCOMPARE(absolute(c), target);
    QCOMPARE(relative(c), target);
    QCOMPARE(speed(c), qint64(0));
    c.advance(1000);
    QCOMPARE(absolute(c), target);
}

void TstSimMotion::speedProfile() {
    Sim::Controller c;
    QCOMPARE(ask(c, request(0x31, s32(10000))), ack(0x31));
    QList<qint64> samples;
    while (moving(c) && samples.size() < 1000) {
        c.advance(10);
        if (moving(c))
            samples.append(speed(c));
    }
    QVERIFY(samples.size() > 100);
    // Starts at the initial speed: after 10 ms at most 100 + 10000 * 0.01.
    QVERIFY2(samples.front() <= 200, qPrintable(QString::number(samples.front())));
    // Never above the maximum speed, but it gets there.
    const qint64 top = *std::max_element(samples.begin(), samples.end());
    QVERIFY2(top <= 10000, qPrintable(QString::number(top)));
    QVERIFY2(top >= 9900, qPrintable(QString::number(top)));
    // Up, then down: never rises again after it has fallen.
    const auto peak = std::max_element(samples.begin(), samples.end()) - samples.begin();
    for (qsizetype i = 1; i <= peak; ++i)
        QVERIFY(samples[i] >= samples[i - 1]);
    for (qsizetype i = peak + 1; i < samples.size(); ++i)
        QVERIFY(samples[i] <= samples[i - 1]);
    // Arrives at about the end speed (within one 10 ms slice of braking).
    QVERIFY2(samples.back() >= 1000 && samples.back() <= 1100,
             qPrintable(QString::number(samples.back())));
}

void TstSimMotion::motionWhileMovingIsBusy_data() {
    QTest::addColumn<QByteArray>("second");

    QTest::newRow("32-bit move") << request(0x31, s32(10));
    QTest::newRow("24-bit move") << request(0x32, bytes({0x00, 0x00, 0x00, 0x0A}));
    QTest::newRow("32-bit run") << request(0x33, s32(10));
    QTest::newRow("24-bit run") << request(0x34, bytes({0x00, 0x00, 0x00, 0x0A}));
    QTest::newRow("homing") << request(0x3E, bytes({0x00}));
}

void TstSimMotion::motionWhileMovingIsBusy() {
    QFETCH(QByteArray, second);
    Sim::Controller c;
    QCOMPARE(ask(c, request(0x31, s32(10000))), ack(0x31));
    c.advance(100);
    const int code = quint8(second[1]);
    QCOMPARE(ask(c, second), bytes({0x01, code | 0x80, 0x01, 0x06}));
    // The first move goes on to its own target.
    QVERIFY(runUntilStopped(c, 3000));
    QCOMPARE(absolute(c), qint64(10000));
}

void TstSimMotion::constantRun_data() {
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<qint64>("expectedSpeed");
    QTest::addColumn<int>("direction");

    QTest::newRow("32-bit run at 5000") << request(0x33, s32(5000)) << qint64(5000) << 1;
    QTest::newRow("32-bit run at -5000") << request(0x33, s32(-5000)) << qint64(5000) << -1;
    QTest::newRow("24-bit run, direction 0, 3000")
        << request(0x34, bytes({0x00, 0x00, 0x0B, 0xB8})) << qint64(3000) << 1;
    QTest::newRow("24-bit run, direction 1, 3000")
        << request(0x34, bytes({0x01, 0x00, 0x0B, 0xB8})) << qint64(3000) << -1;
    QTest::newRow("run at 20000 is held at the maximum speed 10000")
        << request(0x33, s32(20000)) << qint64(10000) << 1;
    QTest::newRow("run below the initial speed starts at its own speed")
        << request(0x33, s32(50)) << qint64(50) << 1;
}

void TstSimMotion::constantRun() {
    QFETCH(QByteArray, command);
    QFETCH(qint64, expectedSpeed);
    QFETCH(int, direction);

    Sim::Controller c;
    QCOMPARE(ask(c, command), ack(quint8(command[1])));
    c.advance(1000); // every ramp here is done within 1 s
    QCOMPARE(speed(c), expectedSpeed);
    const qint64 before = absolute(c);
    c.advance(1000);
    const qint64 travelled = (absolute(c) - before) * direction;
    QVERIFY2(qAbs(travelled - expectedSpeed) <= 2, qPrintable(QString::number(travelled)));
    QCOMPARE(relative(c), absolute(c));
    QCOMPARE(status(c).left(1), bytes({0x01}));
}

void TstSimMotion::changeRunSpeed() {
    Sim::Controller c;
    QCOMPARE(ask(c, request(0x33, s32(5000))), ack(0x33));
    c.advance(1000);
    QCOMPARE(speed(c), qint64(5000));
    QCOMPARE(ask(c, request(0x35, s32(2000))), ack(0x35));
    c.advance(100); // braking at 10000: 4000 after 100 ms
    const qint64 midway = speed(c);
    QVERIFY2(midway > 2000 && midway < 5000, qPrintable(QString::number(midway)));
    c.advance(400);
    QCOMPARE(speed(c), qint64(2000));
    QCOMPARE(ask(c, request(0x35, s32(8000))), ack(0x35));
    c.advance(1000);
    QCOMPARE(speed(c), qint64(8000));
}

void TstSimMotion::decelerateToStop() {
    Sim::Controller c;
    QCOMPARE(ask(c, request(0x33, s32(5000))), ack(0x33));
    c.advance(1000);
    const qint64 from = absolute(c);
    QCOMPARE(ask(c, request(0x3D)), ack(0x3D));
    // 5000 -> 1000 at 10000 pulses/s^2: 0.4 s and (5000^2 - 1000^2) / 20000 = 1200 pulses.
    c.advance(350);
    QVERIFY(moving(c));
    c.advance(100);
    QVERIFY(!moving(c));
    QCOMPARE(speed(c), qint64(0));
    const qint64 braking = absolute(c) - from;
    QVERIFY2(qAbs(braking - 1200) <= 10, qPrintable(QString::number(braking)));
}

void TstSimMotion::stopAtOnce() {
    Sim::Controller c;
    QCOMPARE(ask(c, request(0x33, s32(5000))), ack(0x33));
    c.advance(1000);
    QCOMPARE(ask(c, request(0x3C)), ack(0x3C));
    QCOMPARE(status(c).left(1), bytes({0x00}));
    QCOMPARE(speed(c), qint64(0));
    const qint64 at = absolute(c);
    c.advance(500);
    QCOMPARE(absolute(c), at);
}

void TstSimMotion::homing_data() {
    QTest::addColumn<qint64>("origin");
    QTest::addColumn<qint64>("rightLimit"); // 0: none
    QTest::addColumn<qint64>("moveFirst");
    QTest::addColumn<int>("direction");

    QTest::newRow("direction 1 (negative) to an origin at -2000")
        << qint64(-2000) << qint64(0) << qint64(500) << 1;
    QTest::newRow("direction 0 (positive) to an origin at 3000")
        << qint64(3000) << qint64(0) << qint64(-500) << 0;
    QTest::newRow("direction 0 away from the origin turns back at the right limit")
        << qint64(0) << qint64(1000) << qint64(500) << 0;
}

void TstSimMotion::homing() {
    QFETCH(qint64, origin);
    QFETCH(qint64, rightLimit);
    QFETCH(qint64, moveFirst);
    QFETCH(int, direction);

    Sim::Controller c;
    c.axis().setOrigin(origin);
    if (rightLimit != 0)
        c.axis().setRightLimit(rightLimit);
    QCOMPARE(ask(c, request(0x2F, s32(4000))), ack(0x2F)); // homing speed
    QCOMPARE(ask(c, request(0x31, s32(moveFirst))), ack(0x31));
    QVERIFY(runUntilStopped(c, 3000));
    QCOMPARE(absolute(c), moveFirst);
    QCOMPARE(status(c).mid(2, 1), bytes({0x01})); // off the origin

    QCOMPARE(ask(c, request(0x3E, bytes({direction}))), ack(0x3E));
    qint64 fastest = 0;
    for (int t = 0; t < 20000 && moving(c); t += 10) {
        c.advance(10);
        fastest = std::max(fastest, speed(c));
    }
    QVERIFY(!moving(c));
    QCOMPARE(c.axis().axisPosition(), origin);
    QCOMPARE(absolute(c), qint64(0));
    QCOMPARE(relative(c), qint64(0));
    QCOMPARE(status(c), bytes({0x00, 0x01, 0x00, 0x01}));
    QVERIFY2(fastest <= 4000 && fastest >= 3900, qPrintable(QString::number(fastest)));
}

void TstSimMotion::limits_data() {
    QTest::addColumn<qint64>("leftLimit");
    QTest::addColumn<qint64>("rightLimit");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<qint64>("stopsAt");
    QTest::addColumn<QByteArray>("stoppedStatus");
    QTest::addColumn<QByteArray>("onwards");   // further into the limit: does not start
    QTest::addColumn<QByteArray>("backwards"); // away from it: moves

    QTest::newRow("a run into the right limit at 3000")
        << qint64(-100000) << qint64(3000) << request(0x33, s32(5000)) << qint64(3000)
        << bytes({0x00, 0x01, 0x01, 0x00}) << request(0x31, s32(100)) << request(0x31, s32(-100));
    QTest::newRow("a move into the left limit at -1500")
        << qint64(-1500) << qint64(100000) << request(0x31, s32(-10000)) << qint64(-1500)
        << bytes({0x00, 0x00, 0x01, 0x01}) << request(0x34, bytes({0x01, 0x00, 0x03, 0xE8}))
        << request(0x32, bytes({0x00, 0x00, 0x00, 0x64}));
}

void TstSimMotion::limits() {
    QFETCH(qint64, leftLimit);
    QFETCH(qint64, rightLimit);
    QFETCH(QByteArray, command);
    QFETCH(qint64, stopsAt);
    QFETCH(QByteArray, stoppedStatus);
    QFETCH(QByteArray, onwards);
    QFETCH(QByteArray, backwards);

    Sim::Controller c;
    c.axis().setLeftLimit(leftLimit);
    c.axis().setRightLimit(rightLimit);
    QCOMPARE(status(c), bytes({0x00, 0x01, 0x00, 0x01}));
    QCOMPARE(ask(c, command), ack(quint8(command[1])));
    QVERIFY(runUntilStopped(c, 5000));
    QCOMPARE(absolute(c), stopsAt);
    QCOMPARE(status(c), stoppedStatus);

    QCOMPARE(ask(c, onwards), ack(quint8(onwards[1])));
    c.advance(10);
    QVERIFY(!moving(c));
    QCOMPARE(absolute(c), stopsAt);

    QCOMPARE(ask(c, backwards), ack(quint8(backwards[1])));
    c.advance(10);
    QVERIFY(moving(c));
    QVERIFY(runUntilStopped(c, 5000));
    QCOMPARE(qAbs(absolute(c) - stopsAt), qint64(100));
    QCOMPARE(status(c), bytes({0x00, 0x01, 0x01, 0x01}));
}

void TstSimMotion::speedFactor_data() {
    QTest::addColumn<int>("factor");
    QTest::addColumn<int>("runSpeed");
    QTest::addColumn<qint64>("expectedSpeed");

    QTest::newRow("factor 500 leaves the speed") << 500 << 8000 << qint64(8000);
    QTest::newRow("factor 250 halves it") << 250 << 8000 << qint64(4000);
    QTest::newRow("factor 1000 doubles it") << 1000 << 4000 << qint64(8000);
    QTest::newRow("factor 1000 is held at the maximum speed") << 1000 << 8000 << qint64(10000);
    QTest::newRow("factor 50 gives a tenth") << 50 << 6000 << qint64(600);
}

void TstSimMotion::speedFactor() {
    QFETCH(int, factor);
    QFETCH(int, runSpeed);
    QFETCH(qint64, expectedSpeed);

    // Factor set before the run.
    Sim::Controller before;
    QCOMPARE(ask(before, request(0x44, s32(factor))), ack(0x44));
    QCOMPARE(ask(before, request(0x33, s32(runSpeed))), ack(0x33));
    before.advance(2000);
    QCOMPARE(speed(before), expectedSpeed);

    // Factor changed during the run.
    Sim::Controller during;
    QCOMPARE(ask(during, request(0x33, s32(runSpeed))), ack(0x33));
    during.advance(2000);
    QCOMPARE(ask(during, request(0x44, s32(factor))), ack(0x44));
    during.advance(2000);
    QCOMPARE(speed(during), expectedSpeed);
}

void TstSimMotion::quantitativeChange_data() {
    QTest::addColumn<int>("acceleration");
    QTest::addColumn<int>("deceleration");
    QTest::addColumn<int>("code");
    QTest::addColumn<qint64>("expectedSpeed");

    // One tenth of the acceleration (0x45) or deceleration (0x46), from 5000.
    QTest::newRow("0x45 with the default acceleration") << 10000 << 10000 << 0x45 << qint64(6000);
    QTest::newRow("0x46 with the default deceleration") << 10000 << 10000 << 0x46 << qint64(4000);
    QTest::newRow("0x45 with acceleration 20000") << 20000 << 10000 << 0x45 << qint64(7000);
    QTest::newRow("0x46 with deceleration 30000") << 10000 << 30000 << 0x46 << qint64(2000);
}

void TstSimMotion::quantitativeChange() {
    QFETCH(int, acceleration);
    QFETCH(int, deceleration);
    QFETCH(int, code);
    QFETCH(qint64, expectedSpeed);

    Sim::Controller c;
    QCOMPARE(ask(c, request(0x2B, s32(acceleration))), ack(0x2B));
    QCOMPARE(ask(c, request(0x2D, s32(deceleration))), ack(0x2D));
    QCOMPARE(ask(c, request(0x33, s32(5000))), ack(0x33));
    c.advance(1000);
    QCOMPARE(speed(c), qint64(5000));
    QCOMPARE(ask(c, request(code)), ack(code));
    c.advance(1000);
    QCOMPARE(speed(c), expectedSpeed);
}

void TstSimMotion::clearPositions() {
    Sim::Controller c;
    QCOMPARE(ask(c, request(0x31, s32(1000))), ack(0x31));
    QVERIFY(runUntilStopped(c, 2000));
    QCOMPARE(ask(c, request(0x38)), ack(0x38));
    QCOMPARE(absolute(c), qint64(0));
    QCOMPARE(relative(c), qint64(1000));
    QCOMPARE(ask(c, request(0x31, s32(500))), ack(0x31));
    QVERIFY(runUntilStopped(c, 2000));
    QCOMPARE(absolute(c), qint64(500));
    QCOMPARE(relative(c), qint64(1500));
    QCOMPARE(ask(c, request(0x3A)), ack(0x3A));
    QCOMPARE(relative(c), qint64(0));
    QCOMPARE(absolute(c), qint64(500));
}

void TstSimMotion::ioRule_data() {
    QTest::addColumn<int>("pattern");
    QTest::addColumn<QByteArray>("stored"); // code, length, data
    QTest::addColumn<int>("inputsBefore");
    QTest::addColumn<QList<int>>("inputChanges");
    QTest::addColumn<qint64>("expectedPosition");

    const QByteArray move1000 = bytes({0x31, 0x04}) + s32(1000);
    QTest::newRow("IN1 on runs a move of 1000")
        << 0x01 << move1000 << 0 << QList<int>{0x01} << qint64(1000);
    QTest::newRow("pattern 00101 runs a 24-bit move backwards")
        << 0x05 << bytes({0x32, 0x04, 0x01, 0x00, 0x01, 0xF4}) << 0 << QList<int>{0x01, 0x05}
        << qint64(-500);
    QTest::newRow("inputs that do not match leave the motor still")
        << 0x01 << move1000 << 0 << QList<int>{0x03, 0x02} << qint64(0);
    QTest::newRow("a rule runs on a change to its pattern, not when stored")
        << 0x01 << move1000 << 0x01 << QList<int>{} << qint64(0);
    QTest::newRow("leaving and coming back to the pattern runs it")
        << 0x01 << move1000 << 0x01 << QList<int>{0x00, 0x01} << qint64(1000);
}

void TstSimMotion::ioRule() {
    QFETCH(int, pattern);
    QFETCH(QByteArray, stored);
    QFETCH(int, inputsBefore);
    QFETCH(QList<int>, inputChanges);
    QFETCH(qint64, expectedPosition);

    Sim::Controller c;
    c.setInputs(quint8(inputsBefore));
    QCOMPARE(ask(c, request(0x40, bytes({pattern}) + stored)), ack(0x40));
    c.advance(10);
    for (int mask : inputChanges)
        c.setInputs(quint8(mask));
    QVERIFY(runUntilStopped(c, 3000));
    QCOMPARE(absolute(c), expectedPosition);
}

void TstSimMotion::factorySettingsStopTheMotor() {
    Sim::Controller c;
    QCOMPARE(ask(c, request(0x44, s32(250))), ack(0x44));
    QCOMPARE(ask(c, request(0x33, s32(5000))), ack(0x33));
    c.advance(1000);
    const qint64 at = absolute(c);
    QVERIFY(at > 0);
    QCOMPARE(ask(c, request(0x47)), ack(0x47));
    QCOMPARE(speed(c), qint64(0));
    QVERIFY(!moving(c));
    // Positions stay; the speed factor is back to 500.
    QCOMPARE(absolute(c), at);
    QCOMPARE(ask(c, request(0x33, s32(5000))), ack(0x33));
    c.advance(1000);
    QCOMPARE(speed(c), qint64(5000));
}

QTEST_GUILESS_MAIN(TstSimMotion)
#include "tst_simmotion.moc"
