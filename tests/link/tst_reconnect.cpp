// A session whose adapter is unplugged and plugged back, over pseudo-terminals
// behind a link: it waits, reopens the same path with the same settings, gives
// up the bytes the loss broke, keeps the list runner stopped, and can be told
// to stop waiting.
#include "link/record.h"
#include "link/seriallink.h"
#include "link/session.h"
#include "support/replug.h"
#include "support/wire.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>

namespace {

using Wire::bytes;
using Kind = Records::Kind;

PortSettings::Line lineAt(qint32 baud) {
    PortSettings::Line line;
    line.baud = baud;
    return line;
}

// Every record the session emits, kept in order.
struct Recorder {
    QList<Records::Record> all;
    explicit Recorder(Session &s) {
        QObject::connect(&s, &Session::recorded, &s,
                         [this](const Records::Record &r) { all.append(r); });
    }
    QList<Kind> kinds(qsizetype from = 0) const {
        QList<Kind> k;
        for (qsizetype i = from; i < all.size(); ++i)
            k << all[i].kind;
        return k;
    }
    qsizetype count(Kind kind, qsizetype from = 0) const { return kinds(from).count(kind); }
};

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// A position reply of the controller at address 1: 01 36 04 + value + CRC.
QByteArray positionReply(quint32 v) {
    return Wire::rtu(bytes({0x01, 0x36, 0x04, int(v >> 24), int((v >> 16) & 0xFF),
                            int((v >> 8) & 0xFF), int(v & 0xFF)}));
}

} // namespace

class TstReconnect : public QObject {
    Q_OBJECT
private slots:
    void cycles_data();
    void cycles();
    void brokenFrameIsGivenUp_data();
    void brokenFrameIsGivenUp();
    void runnerStaysStopped();
    void endingTheWait_data();
    void endingTheWait();
    void waitingCostsLittle();

private:
    QTemporaryDir m_dir;
};

void TstReconnect::cycles_data() {
    QTest::addColumn<int>("cycles");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("downMs"); // how long the adapter stays unplugged

    QTest::newRow("one quick replug") << 1 << 9600 << 0;
    QTest::newRow("twenty cycles at 115200") << 20 << 115200 << 20;
    QTest::newRow("five slow cycles at 19200") << 5 << 19200 << 400;
}

void TstReconnect::cycles() {
    QFETCH(int, cycles);
    QFETCH(int, baud);
    QFETCH(int, downMs);

    ReplugPty adapter(m_dir.filePath(QStringLiteral("by-id-%1").arg(QTest::currentDataTag())));
    QString error;
    QVERIFY2(adapter.plug(&error), qPrintable(error));
    Session session(new PortLink);
    Recorder rec(session);
    QSignalSpy waiting(&session, &Session::reconnecting);
    QSignalSpy back(&session, &Session::reconnected);
    QSignalSpy lost(&session, &Session::lost);
    QVERIFY2(session.open(adapter.path(), lineAt(baud), &error), qPrintable(error));
    adapter.release();

    for (int cycle = 1; cycle <= cycles; ++cycle) {
        adapter.unplug();
        QTRY_COMPARE_WITH_TIMEOUT(waiting.size(), cycle, 3000);
        QCOMPARE(waiting.last().at(0).toString(), adapter.path());
        QVERIFY(!session.isOpen());
        QVERIFY(session.waiting());
        QTest::qWait(downMs);
        QVERIFY2(adapter.plug(&error), qPrintable(error));
        QElapsedTimer replugged;
        replugged.start();
        QTRY_COMPARE_WITH_TIMEOUT(back.size(), cycle, 3000);
        // Reopened well within a second of the device coming back.
        QVERIFY2(replugged.elapsed() < 1000, qPrintable(QString::number(replugged.elapsed())));
        QCOMPARE(back.last().at(0).toString(), adapter.path());
        QVERIFY(session.isOpen());
        QVERIFY(!session.waiting());
        adapter.release();

        // The new line carries traffic both ways, at the same settings.
        const qsizetype from = rec.all.size();
        const QByteArray handshake = Wire::rtu(bytes({0x01, 0x20, 0x00}));
        session.SendComm(handshake);
        QCOMPARE(adapter.pty()->readMaster(5, 2000).toHex(' '), handshake.toHex(' '));
        QVERIFY(adapter.pty()->writeMaster(positionReply(quint32(cycle))));
        QTRY_VERIFY_WITH_TIMEOUT(rec.count(Kind::Good, from) == 1, 3000);
        QCOMPARE(rec.all.last().reply->value, std::optional<qint64>(cycle));
    }
    QCOMPARE(lost.size(), 0);
    QCOMPARE(rec.count(Kind::Lost), qsizetype(cycles));
    QCOMPARE(rec.count(Kind::Reconnected), qsizetype(cycles));
    QCOMPARE(rec.count(Kind::Opened), qsizetype(1));
    QCOMPARE(rec.count(Kind::Closed), qsizetype(0));
    // Each loss is followed by its reconnect, naming the device.
    QList<Kind> events;
    for (const Records::Record &r : rec.all)
        if (r.kind == Kind::Lost || r.kind == Kind::Reconnected) {
            events << r.kind;
            if (r.kind == Kind::Reconnected)
                QCOMPARE(r.detail, adapter.path());
        }
    for (int i = 0; i < events.size(); ++i)
        QCOMPARE(events[i], i % 2 ? Kind::Reconnected : Kind::Lost);
}

void TstReconnect::brokenFrameIsGivenUp_data() {
    QTest::addColumn<QByteArray>("before"); // read from the old line before the loss
    QTest::addColumn<QByteArray>("after");  // read from the new line
    QTest::addColumn<QList<Kind>>("kinds"); // received records, in order

    const QByteArray reply = positionReply(100);
    QTest::newRow("head of a reply, its tail on the new line")
        << reply.left(4) << reply.mid(4) << QList<Kind>{Kind::Incomplete, Kind::Incomplete};
    QTest::newRow("all but the checksum, then a whole reply")
        << reply.left(7) << reply << QList<Kind>{Kind::Incomplete, Kind::Good};
    QTest::newRow("nothing held: only the new line's reply")
        << QByteArray() << reply << QList<Kind>{Kind::Good};
    QTest::newRow("a whole reply before the loss stays good")
        << reply << positionReply(7) << QList<Kind>{Kind::Good, Kind::Good};
}

void TstReconnect::brokenFrameIsGivenUp() {
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QFETCH(QList<Kind>, kinds);

    ReplugPty adapter(m_dir.filePath(QStringLiteral("broken-%1").arg(QTest::currentDataTag())));
    QString error;
    QVERIFY2(adapter.plug(&error), qPrintable(error));
    Session session(new PortLink);
    Recorder rec(session);
    QSignalSpy back(&session, &Session::reconnected);
    QVERIFY2(session.open(adapter.path(), lineAt(115200), &error), qPrintable(error));
    adapter.release();
    if (!before.isEmpty()) {
        QVERIFY(adapter.pty()->writeMaster(before));
        QTRY_COMPARE_WITH_TIMEOUT(session.receivedTotal(), qint64(before.size()), 3000);
    }
    adapter.unplug();
    QTRY_VERIFY_WITH_TIMEOUT(session.waiting(), 3000);
    QVERIFY(adapter.plug(&error));
    QTRY_COMPARE_WITH_TIMEOUT(back.size(), 1, 3000);
    QVERIFY(adapter.pty()->writeMaster(after));
    QTRY_COMPARE_WITH_TIMEOUT(session.receivedTotal(), qint64(before.size() + after.size()), 3000);
    // Wait out the silence so the tail is given up as well.
    QTest::qWait(300);

    QList<Kind> got;
    qsizetype heldBytes = 0;
    bool lostSeen = false;
    for (const Records::Record &r : rec.all) {
        if (r.kind == Kind::Lost)
            lostSeen = true;
        if (r.direction != Records::Direction::Received)
            continue;
        got << r.kind;
        // Nothing of the old line is joined to the new line's bytes.
        if (!lostSeen)
            heldBytes += r.bytes.size();
        else
            QVERIFY(!after.isEmpty() && after.contains(r.bytes));
    }
    QCOMPARE(got, kinds);
    QCOMPARE(heldBytes, before.size());
    if (kinds.first() == Kind::Incomplete) {
        const auto it = std::find_if(rec.all.cbegin(), rec.all.cend(),
                                     [](const auto &r) { return r.kind == Kind::Incomplete; });
        QVERIFY(it->lines.join(QString()).contains(QStringLiteral("帧不完整:")));
    }
}

void TstReconnect::runnerStaysStopped() {
    ReplugPty adapter(m_dir.filePath(QStringLiteral("runner")));
    QString error;
    QVERIFY2(adapter.plug(&error), qPrintable(error));
    Session session(new PortLink);
    Recorder rec(session);
    QSignalSpy back(&session, &Session::reconnected);
    QSignalSpy rows(&session, &Session::runLine);
    QVERIFY2(session.open(adapter.path(), lineAt(115200), &error), qPrintable(error));
    adapter.release();
    session.setList({QStringLiteral("01 20 00 39 C0"), QStringLiteral("01 36 00")});
    session.startRun(20, QStringLiteral("20"));
    QVERIFY(session.running());
    QTRY_VERIFY_WITH_TIMEOUT(rec.count(Kind::Request) >= 3, 3000);

    adapter.unplug();
    QTRY_VERIFY_WITH_TIMEOUT(session.waiting(), 3000);
    QVERIFY(!session.running());
    QCOMPARE(rec.count(Kind::RunStopped), qsizetype(1));
    // The stop follows the loss, and the window hears -1.
    QVERIFY(rec.kinds().indexOf(Kind::Lost) < rec.kinds().indexOf(Kind::RunStopped));
    QCOMPARE(rows.last().at(0).toInt(), -1);

    QVERIFY(adapter.plug(&error));
    QTRY_COMPARE_WITH_TIMEOUT(back.size(), 1, 3000);
    const qsizetype after = rec.all.size();
    QTest::qWait(300); // fifteen intervals
    QVERIFY(!session.running());
    QCOMPARE(rec.count(Kind::Request, after), qsizetype(0));
    QCOMPARE(rec.count(Kind::RunStarted, after), qsizetype(0));
    QVERIFY(adapter.pty()->readMaster(1, 100).isEmpty());
}

void TstReconnect::endingTheWait_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("reconnectOn");   // before the loss
    QTest::addColumn<QList<Kind>>("events"); // event records after the open
    QTest::addColumn<int>("lostSignals");

    QTest::newRow("close while waiting")
        << "close" << true << QList<Kind>{Kind::Lost, Kind::Closed} << 0;
    QTest::newRow("reconnecting turned off while waiting")
        << "off" << true << QList<Kind>{Kind::Lost, Kind::Closed} << 0;
    QTest::newRow("reconnecting off before the loss: closed at once")
        << "none" << false << QList<Kind>{Kind::Lost} << 1;
}

void TstReconnect::endingTheWait() {
    QFETCH(QString, how);
    QFETCH(bool, reconnectOn);
    QFETCH(QList<Kind>, events);
    QFETCH(int, lostSignals);

    ReplugPty adapter(m_dir.filePath(QStringLiteral("end-%1").arg(how)));
    QString error;
    QVERIFY2(adapter.plug(&error), qPrintable(error));
    Session session(new PortLink);
    session.setAutoReconnect(reconnectOn);
    Recorder rec(session);
    QSignalSpy back(&session, &Session::reconnected);
    QSignalSpy waiting(&session, &Session::reconnecting);
    QSignalSpy lost(&session, &Session::lost);
    QVERIFY2(session.open(adapter.path(), lineAt(9600), &error), qPrintable(error));
    adapter.release();
    adapter.unplug();
    QTRY_COMPARE_WITH_TIMEOUT(rec.count(Kind::Lost), qsizetype(1), 3000);
    QCOMPARE(waiting.size(), reconnectOn ? 1 : 0);
    if (how == QLatin1String("close"))
        session.close();
    else if (how == QLatin1String("off"))
        session.setAutoReconnect(false);
    QVERIFY(!session.waiting());

    QVERIFY(adapter.plug(&error));
    QTest::qWait(500);
    QCOMPARE(back.size(), 0);
    QVERIFY(!session.isOpen());
    QCOMPARE(lost.size(), lostSignals);
    QList<Kind> got;
    for (const Records::Record &r : rec.all)
        if (r.direction == Records::Direction::Event && r.kind != Kind::Opened)
            got << r.kind;
    QCOMPARE(got, events);
    // The device opens again when asked.
    QVERIFY2(session.open(adapter.path(), lineAt(9600), &error), qPrintable(error));
}

void TstReconnect::waitingCostsLittle() {
    ReplugPty adapter(m_dir.filePath(QStringLiteral("idle")));
    QString error;
    QVERIFY2(adapter.plug(&error), qPrintable(error));
    Session session(new PortLink);
    QVERIFY2(session.open(adapter.path(), lineAt(9600), &error), qPrintable(error));
    adapter.release();
    adapter.unplug();
    QTRY_VERIFY_WITH_TIMEOUT(session.waiting(), 3000);
    const double before = cpuSeconds();
    QTest::qWait(2000);
    const double used = cpuSeconds() - before;
    // Generous: a busy loop would take the whole two seconds.
    QVERIFY2(used < 0.2, qPrintable(QStringLiteral("CPU %1 s in 2 s").arg(used)));
    QVERIFY(session.waiting());
}

QTEST_GUILESS_MAIN(TstReconnect)
#include "tst_reconnect.moc"
