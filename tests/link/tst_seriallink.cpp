// A real serial port against a pseudo-terminal: opening by path, bytes both
// ways, a refused open, and the loss of the line when the far end hangs up
// (reported once, and no busy loop afterwards).
#include "link/seriallink.h"
#include "support/pty.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>

namespace {

PortSettings::Line lineAt(qint32 baud) {
    PortSettings::Line line;
    line.baud = baud;
    return line;
}

QByteArray allBytes() {
    QByteArray b(256, '\0');
    for (int i = 0; i < 256; ++i)
        b[i] = char(i);
    return b;
}

QByteArray ramp(int size) {
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = char((i * 7 + 3) & 0xFF);
    return b;
}

// Reads what the link has until `expected` bytes arrived or the time is up.
QByteArray readLink(SerialLink &link, qsizetype expected, int timeoutMs = 3000) {
    QByteArray got;
    QDeadlineTimer deadline(timeoutMs);
    while (got.size() < expected && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (link.bytesWaiting() > 0)
            got += link.read(link.bytesWaiting());
        else
            QTest::qSleep(2);
    }
    return got;
}

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

} // namespace

class TstSerialLink : public QObject {
    Q_OBJECT
private slots:
    void open_data();
    void open();
    void receive_data();
    void receive();
    void send_data();
    void send();
    void openRefused_data();
    void openRefused();
    void lost_data();
    void lost();

private:
    QTemporaryDir m_dir;
};

void TstSerialLink::open_data() {
    QTest::addColumn<int>("baud");

    QTest::newRow("9600") << 9600;
    QTest::newRow("115200") << 115200;
    QTest::newRow("19200") << 19200;
}

void TstSerialLink::open() {
    QFETCH(int, baud);

    PtyPair pty;
    QVERIFY2(pty.isValid(), qPrintable(pty.error()));
    PortLink link;
    QSignalSpy lost(&link, &SerialLink::lost);
    QString error;
    QVERIFY2(link.open(pty.slavePath(), lineAt(baud), &error), qPrintable(error));
    QVERIFY(link.isOpen());
    QCOMPARE(link.bytesWaiting(), qint64(0));
    link.close();
    QVERIFY(!link.isOpen());
    // Closing on purpose is no loss.
    QTest::qWait(50);
    QCOMPARE(lost.count(), 0);
    // The same device opens again after a close.
    QVERIFY2(link.open(pty.slavePath(), lineAt(baud), &error), qPrintable(error));
    QVERIFY(link.isOpen());
}

void TstSerialLink::receive_data() {
    QTest::addColumn<QByteArray>("before"); // sent by the far end before the open
    QTest::addColumn<QByteArray>("bytes");  // sent after the open

    QTest::newRow("status reply") << QByteArray() << QByteArray::fromHex("013B04000101010000");
    QTest::newRow("line-end and flow-control bytes pass unchanged")
        << QByteArray() << QByteArray::fromHex("0D0A0D110013037F1A04");
    QTest::newRow("every byte value") << QByteArray() << allBytes();
    QTest::newRow("4 KiB") << QByteArray() << ramp(4096);
    QTest::newRow("bytes from before the open are discarded")
        << QByteArray("stale") << QByteArray::fromHex("01200039C0");
}

void TstSerialLink::receive() {
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, bytes);

    PtyPair pty;
    QVERIFY2(pty.isValid(), qPrintable(pty.error()));
    if (!before.isEmpty())
        QVERIFY(pty.writeMaster(before));
    PortLink link;
    QString error;
    QVERIFY2(link.open(pty.slavePath(), lineAt(115200), &error), qPrintable(error));

    QVERIFY(pty.writeMaster(bytes));
    const QByteArray got = readLink(link, bytes.size());
    QCOMPARE(got.toHex(' '), bytes.toHex(' '));
    // Nothing more follows.
    QTest::qWait(50);
    QCOMPARE(link.bytesWaiting(), qint64(0));
}

void TstSerialLink::send_data() {
    QTest::addColumn<QList<QByteArray>>("writes");

    QTest::newRow("handshake") << QList<QByteArray>{QByteArray::fromHex("01200039C0")};
    QTest::newRow("ASCII request") << QList<QByteArray>{QByteArray(":012000DF\r\n")};
    QTest::newRow("two requests in a row")
        << QList<QByteArray>{QByteArray::fromHex("01200039C0"), QByteArray::fromHex("013600")};
    QTest::newRow("every byte value") << QList<QByteArray>{allBytes()};
    QTest::newRow("4 KiB") << QList<QByteArray>{ramp(4096)};
}

void TstSerialLink::send() {
    QFETCH(QList<QByteArray>, writes);

    PtyPair pty;
    QVERIFY2(pty.isValid(), qPrintable(pty.error()));
    PortLink link;
    QString error;
    QVERIFY2(link.open(pty.slavePath(), lineAt(115200), &error), qPrintable(error));

    QByteArray all;
    for (const QByteArray &w : writes) {
        link.write(w);
        all += w;
    }
    const QByteArray got = pty.readMaster(int(all.size()), 3000);
    QCOMPARE(got.toHex(' '), all.toHex(' '));
}

void TstSerialLink::openRefused_data() {
    QTest::addColumn<QString>("device");

    QVERIFY(m_dir.isValid());
    QFile plain(m_dir.filePath("plain"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.write("not a terminal");
    plain.close();

    QTest::newRow("no such device") << "/dev/t3208-no-such-tty";
    QTest::newRow("no such directory") << "/nonexistent/dir/ttyUSB0";
    QTest::newRow("a plain file is no terminal") << m_dir.filePath("plain");
    QTest::newRow("a directory") << m_dir.path();
}

void TstSerialLink::openRefused() {
    QFETCH(QString, device);

    PortLink link;
    QSignalSpy lost(&link, &SerialLink::lost);
    QString error;
    QVERIFY(!link.open(device, lineAt(115200), &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!link.isOpen());
    QCOMPARE(lost.count(), 0);

    // A refused open leaves the link usable for the next device.
    PtyPair pty;
    QVERIFY2(pty.isValid(), qPrintable(pty.error()));
    error.clear();
    QVERIFY2(link.open(pty.slavePath(), lineAt(115200), &error), qPrintable(error));
    QVERIFY(link.isOpen());
}

void TstSerialLink::lost_data() {
    QTest::addColumn<bool>("keepSlave");    // the pair still holds the slave open
    QTest::addColumn<QByteArray>("unread"); // bytes waiting, not read, at the hang-up

    QTest::newRow("idle line, slave held") << true << QByteArray();
    QTest::newRow("idle line, slave let go") << false << QByteArray();
    QTest::newRow("unread bytes waiting") << false << QByteArray::fromHex("013604000003E8");
}

void TstSerialLink::lost() {
    QFETCH(bool, keepSlave);
    QFETCH(QByteArray, unread);

    PtyPair pty;
    QVERIFY2(pty.isValid(), qPrintable(pty.error()));
    PortLink link;
    QString error;
    QVERIFY2(link.open(pty.slavePath(), lineAt(115200), &error), qPrintable(error));
    if (!keepSlave)
        pty.closeSlaveKeeper();
    QSignalSpy lost(&link, &SerialLink::lost);

    if (!unread.isEmpty()) {
        QVERIFY(pty.writeMaster(unread));
        QTest::qWait(50);
    }
    QCOMPARE(lost.count(), 0);

    pty.closeMaster();
    QVERIFY(lost.wait(2000) || lost.count() > 0);
    QTest::qWait(500);
    QCOMPARE(lost.count(), 1);
    QVERIFY(!link.isOpen());
    QVERIFY(!lost.first().first().toString().isEmpty());

    // Nothing spins once the line is gone.
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTest::qWait(1000);
    const double cpu = cpuSeconds() - cpuBefore;
    QVERIFY2(cpu < 0.5, qPrintable(QString("%1 s CPU in %2 ms").arg(cpu).arg(wall.elapsed())));
    QCOMPARE(lost.count(), 1);

    // The link opens the next adapter as usual.
    PtyPair next;
    QVERIFY2(next.isValid(), qPrintable(next.error()));
    QVERIFY2(link.open(next.slavePath(), lineAt(115200), &error), qPrintable(error));
    QVERIFY(next.writeMaster("ok"));
    QCOMPARE(readLink(link, 2), QByteArray("ok"));
}

QTEST_MAIN(TstSerialLink)
#include "tst_seriallink.moc"
