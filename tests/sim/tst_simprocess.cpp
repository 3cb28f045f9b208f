// t3208-sim as a process: it names its pseudo-terminal on the first line of
// standard output, answers requests written to that terminal, applies its
// command-line settings and fault injection, and takes input changes on
// standard input.
#include "support/wire.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using Wire::bytes;
using Wire::rtu;

namespace {

// The simulator running, with its terminal opened raw on our side.
class Sim {
public:
    explicit Sim(const QStringList &args) {
        m_process.setProgram(QStringLiteral(T3208_SIM_EXE));
        m_process.setArguments(args);
        m_process.start();
        if (!m_process.waitForStarted(5000) || !m_process.waitForReadyRead(5000))
            return;
        m_firstLine = QString::fromLocal8Bit(m_process.readLine()).trimmed();
        const QString prefix = QStringLiteral("t3208-sim: serving on ");
        if (!m_firstLine.startsWith(prefix))
            return;
        m_path = m_firstLine.mid(prefix.size());
        m_fd = ::open(m_path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd < 0)
            return;
        termios t{};
        ::tcgetattr(m_fd, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(m_fd, TCSANOW, &t);
    }
    ~Sim() {
        if (m_fd >= 0)
            ::close(m_fd);
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }

    bool ready() const { return m_fd >= 0; }
    QString firstLine() const { return m_firstLine; }
    QString path() const { return m_path; }
    QProcess &process() { return m_process; }

    bool send(const QByteArray &b) {
        return ::write(m_fd, b.constData(), size_t(b.size())) == b.size();
    }

    // Collects bytes until `expected` arrived or `timeoutMs` passed; the
    // times of the reads that brought something go into *arrivals.
    QByteArray receive(qsizetype expected, int timeoutMs, QList<qint64> *arrivals = nullptr) {
        QByteArray got;
        QElapsedTimer clock;
        clock.start();
        while (got.size() < expected && clock.elapsed() < timeoutMs) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 10) > 0 && (p.revents & POLLIN)) {
                char buf[512];
                const ssize_t n = ::read(m_fd, buf, sizeof buf);
                if (n > 0) {
                    got.append(buf, n);
                    if (arrivals)
                        arrivals->append(clock.elapsed());
                }
            }
        }
        return got;
    }

    // Reopens the terminal, as a client that closes its port and opens it again.
    bool reopen() {
        ::close(m_fd);
        m_fd = ::open(m_path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        return m_fd >= 0;
    }

private:
    QProcess m_process;
    QString m_firstLine;
    QString m_path;
    int m_fd = -1;
};

} // namespace

class TstSimProcess : public QObject {
    Q_OBJECT
private slots:
    void exchanges_data();
    void exchanges();
    void corruptFault();
    void dropFault();
    void splitFault();
    void survivesClientReopen();
    void inputsFromStandardInput();
    void badOptionsAreRefused_data();
    void badOptionsAreRefused();
};

void TstSimProcess::exchanges_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");

    QTest::newRow("handshake is acknowledged")
        << QStringList{} << bytes({0x01, 0x20, 0x00, 0x39, 0xC0})
        << bytes({0x01, 0x20, 0x00, 0x39, 0xC0});
    QTest::newRow("ASCII handshake")
        << QStringList{} << QByteArray(":012000DF\r\n") << QByteArray(":012000DF\r\n");
    QTest::newRow("--address 1F") << QStringList{"--address", "1F"}
                                  << rtu(bytes({0x00, 0x21, 0x00}))
                                  << rtu(bytes({0x1F, 0x21, 0x01, 0x1F}));
    QTest::newRow("--inputs 00101: IN1 and IN3 on")
        << QStringList{"--inputs", "00101"} << rtu(bytes({0x01, 0x42, 0x00}))
        << rtu(bytes({0x01, 0x42, 0x05, 0x00, 0x01, 0x00, 0x01, 0x01}));
    QTest::newRow("--right-limit 0: right limit active at the start")
        << QStringList{"--right-limit", "0"} << rtu(bytes({0x01, 0x3B, 0x00}))
        << rtu(bytes({0x01, 0x3B, 0x04, 0x00, 0x01, 0x00, 0x00}));
    QTest::newRow("--left-limit 5 and --origin 7")
        << QStringList{"--left-limit", "5", "--origin", "7"} << rtu(bytes({0x01, 0x3B, 0x00}))
        << rtu(bytes({0x01, 0x3B, 0x04, 0x00, 0x00, 0x01, 0x01}));
    QTest::newRow("--fault error")
        << QStringList{"--fault", "error"} << rtu(bytes({0x01, 0x20, 0x00}))
        << rtu(bytes({0x01, 0xA0, 0x01, 0x04}));
    QTest::newRow("--fault error, every second reply: the first is right")
        << QStringList{"--fault", "error", "--fault-every", "2"} << rtu(bytes({0x01, 0x20, 0x00}))
        << rtu(bytes({0x01, 0x20, 0x00}));
    QTest::newRow("register read")
        << QStringList{} << bytes({0x01, 0x03, 0x00, 0x36, 0x00, 0x02, 0x24, 0x05})
        << rtu(bytes({0x01, 0x03, 0x04, 0x00, 0x00, 0x00, 0x00}));
}

void TstSimProcess::exchanges() {
    QFETCH(QStringList, args);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    Sim sim(args);
    QVERIFY2(sim.ready(), qPrintable(sim.firstLine()));
    QVERIFY(sim.path().startsWith("/dev/"));
    QVERIFY(sim.send(request));
    QCOMPARE(sim.receive(reply.size(), 3000).toHex(' '), reply.toHex(' '));
}

void TstSimProcess::corruptFault() {
    Sim sim({"--fault", "corrupt"});
    QVERIFY2(sim.ready(), qPrintable(sim.firstLine()));
    const QByteArray handshake = bytes({0x01, 0x20, 0x00, 0x39, 0xC0});
    QVERIFY(sim.send(handshake));
    const QByteArray got = sim.receive(5, 3000);
    QCOMPARE(got.size(), qsizetype(5));
    QCOMPARE(got.left(3), bytes({0x01, 0x20, 0x00}));
    QVERIFY2(rtu(got.left(3)) != got, got.toHex(' ').constData());
}

void TstSimProcess::dropFault() {
    Sim sim({"--fault", "drop", "--fault-every", "2"});
    QVERIFY2(sim.ready(), qPrintable(sim.firstLine()));
    const QByteArray handshake = rtu(bytes({0x01, 0x20, 0x00}));
    QVERIFY(sim.send(handshake));
    QCOMPARE(sim.receive(5, 3000), handshake);
    QVERIFY(sim.send(handshake));
    QCOMPARE(sim.receive(1, 500), QByteArray());
    QVERIFY(sim.send(handshake));
    QCOMPARE(sim.receive(5, 3000), handshake);
}

void TstSimProcess::splitFault() {
    Sim sim({"--fault", "split", "--reply-delay", "0"});
    QVERIFY2(sim.ready(), qPrintable(sim.firstLine()));
    const QByteArray reply = rtu(bytes({0x01, 0x28, 0x04, 0x00, 0x00, 0x27, 0x10}));
    QVERIFY(sim.send(rtu(bytes({0x01, 0x28, 0x00}))));
    QList<qint64> arrivals;
    QCOMPARE(sim.receive(reply.size(), 3000, &arrivals), reply);
    QVERIFY(arrivals.size() >= 2);
    const qint64 gap = arrivals.back() - arrivals.front();
    QVERIFY2(gap >= 250, qPrintable(QString::number(gap)));
}

void TstSimProcess::survivesClientReopen() {
    Sim sim({});
    QVERIFY2(sim.ready(), qPrintable(sim.firstLine()));
    const QByteArray handshake = rtu(bytes({0x01, 0x20, 0x00}));
    QVERIFY(sim.send(handshake));
    QCOMPARE(sim.receive(5, 3000), handshake);
    QVERIFY(sim.reopen());
    QTest::qWait(100);
    QVERIFY(sim.send(handshake));
    QCOMPARE(sim.receive(5, 3000), handshake);
    QCOMPARE(sim.process().state(), QProcess::Running);
}

void TstSimProcess::inputsFromStandardInput() {
    Sim sim({});
    QVERIFY2(sim.ready(), qPrintable(sim.firstLine()));
    // An IO rule for IN2 (pattern 00010): a 32-bit move of 200 pulses.
    QVERIFY(sim.send(rtu(bytes({0x01, 0x40, 0x07, 0x02, 0x31, 0x04, 0x00, 0x00, 0x00, 0xC8}))));
    QCOMPARE(sim.receive(5, 3000), rtu(bytes({0x01, 0x40, 0x00})));
    sim.process().write("inputs 00010\n");
    QVERIFY(sim.process().waitForBytesWritten(1000));
    QTest::qWait(500); // the move takes well under 0.5 s
    QVERIFY(sim.send(rtu(bytes({0x01, 0x42, 0x00}))));
    QCOMPARE(sim.receive(10, 3000), rtu(bytes({0x01, 0x42, 0x05, 0x01, 0x00, 0x01, 0x01, 0x01})));
    QVERIFY(sim.send(rtu(bytes({0x01, 0x37, 0x00}))));
    QCOMPARE(sim.receive(9, 3000), rtu(bytes({0x01, 0x37, 0x04, 0x00, 0x00, 0x00, 0xC8})));
}

void TstSimProcess::badOptionsAreRefused_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("address 0") << QStringList{"--address", "0"};
    QTest::newRow("address 100") << QStringList{"--address", "100"};
    QTest::newRow("inputs of four characters") << QStringList{"--inputs", "0101"};
    QTest::newRow("inputs with a 2") << QStringList{"--inputs", "00201"};
    QTest::newRow("unknown fault") << QStringList{"--fault", "slow"};
    QTest::newRow("fault every 0") << QStringList{"--fault", "drop", "--fault-every", "0"};
    QTest::newRow("negative reply delay") << QStringList{"--reply-delay", "-5"};
    QTest::newRow("limit not a number") << QStringList{"--left-limit", "abc"};
    QTest::newRow("device that does not exist")
        << QStringList{"--device", "/nonexistent/tty-t3208"};
}

void TstSimProcess::badOptionsAreRefused() {
    QFETCH(QStringList, args);
    QProcess p;
    p.start(QStringLiteral(T3208_SIM_EXE), args);
    QVERIFY(p.waitForFinished(5000));
    QVERIFY(p.exitCode() != 0);
    QVERIFY(!p.readAllStandardOutput().contains("serving on"));
    QVERIFY(!p.readAllStandardError().isEmpty());
}

QTEST_GUILESS_MAIN(TstSimProcess)
#include "tst_simprocess.moc"
