// The register form against a real Modbus peer: a register server of the
// system's Modbus library listens on one pseudo-terminal, the window talks on
// another, and the test carries the bytes between the two. Every converted
// request must be answered: a normal reply when it names one or more
// registers, the exception "illegal data value" (03) when it names none,
// which still shows that the server took the frame as well formed.
#include "support/pty.h"
#include "support/wire.h"
#include "windowfixture.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRadioButton>
#include <QThread>

#include <modbus.h>

#include <atomic>
#include <mutex>
#include <poll.h>
#include <thread>
#include <unistd.h>

using Fixture::child;
using Fixture::click;

namespace {

constexpr int Offset = 100;

// A register server on its own thread until stopped.
class Server {
public:
    explicit Server(const QString &device) {
        m_ctx = modbus_new_rtu(device.toLocal8Bit().constData(), 9600, 'N', 8, 1);
        m_map = modbus_mapping_new(0, 0, 0x400, 0);
        if (!m_ctx || !m_map || modbus_set_slave(m_ctx, 1) != 0 || modbus_connect(m_ctx) != 0)
            return;
        modbus_set_indication_timeout(m_ctx, 0, 100000);
        m_ok = true;
        m_thread = std::thread([this] {
            uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
            while (!m_stop) {
                const int n = modbus_receive(m_ctx, query);
                if (n > 0) {
                    {
                        std::lock_guard lock(m_mutex);
                        m_queries.append(QByteArray(reinterpret_cast<char *>(query), n));
                    }
                    modbus_reply(m_ctx, query, n, m_map);
                }
            }
        });
    }
    ~Server() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_ctx) {
            modbus_close(m_ctx);
            modbus_free(m_ctx);
        }
        if (m_map)
            modbus_mapping_free(m_map);
    }
    bool ok() const { return m_ok; }
    QList<QByteArray> queries() {
        std::lock_guard lock(m_mutex);
        return m_queries;
    }

private:
    modbus_t *m_ctx = nullptr;
    modbus_mapping_t *m_map = nullptr;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    QList<QByteArray> m_queries;
    bool m_ok = false;
};

// Moves whatever is waiting from one master to the other.
QByteArray carry(int from, int to) {
    QByteArray moved;
    char buf[512];
    for (;;) {
        pollfd p{from, POLLIN, 0};
        if (::poll(&p, 1, 0) <= 0)
            break;
        const ssize_t n = ::read(from, buf, sizeof buf);
        if (n <= 0)
            break;
        moved.append(buf, n);
        ssize_t done = 0;
        while (done < n) {
            const ssize_t w = ::write(to, buf + done, size_t(n - done));
            if (w > 0)
                done += w;
        }
    }
    return moved;
}

} // namespace

class TestModbusPeer : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { Fixture::closeMessageBoxes(); }

    void serverAnswersEveryConvertedRequest_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("function"); // 0x03 read, 0x10 write
        QTest::addColumn<int>("registers");
        auto row = [](const char *button, int code, int function, int registers) {
            QTest::newRow(button) << QString::fromLatin1(button) << code << function << registers;
        };
        // Reads: two registers for the value queries, none for the others.
        row("Command12", 0x20, 0x03, 0);
        row("Command13", 0x21, 0x03, 0);
        row("Command15", 0x23, 0x03, 2);
        row("Command57", 0x26, 0x03, 2);
        row("Command58", 0x28, 0x03, 2);
        row("Command59", 0x2A, 0x03, 2);
        row("Command60", 0x2C, 0x03, 2);
        row("Command61", 0x2E, 0x03, 2);
        row("Command62", 0x30, 0x03, 2);
        row("Command28", 0x36, 0x03, 2);
        row("Command30", 0x37, 0x03, 2);
        row("Command66", 0x38, 0x03, 0);
        row("Command31", 0x39, 0x03, 2);
        row("Command67", 0x3A, 0x03, 0);
        row("Command29", 0x3B, 0x03, 2);
        row("Command94", 0x42, 0x03, 2);
        row("Command92", 0x45, 0x03, 0);
        row("Command93", 0x46, 0x03, 0);
        row("Command96", 0x47, 0x03, 0);
        row("Command100", 0x4A, 0x03, 0);
        row("Command101", 0x4A, 0x03, 0);
        row("Command102", 0x48, 0x03, 0);
        row("Command103", 0x48, 0x03, 0);
        row("Command104", 0x49, 0x03, 0);
        row("Command105", 0x49, 0x03, 0);
        // Writes: the data padded to whole pairs of registers.
        row("Command14", 0x22, 0x10, 2);
        row("Command16", 0x24, 0x10, 2);
        row("Command17", 0x25, 0x10, 2);
        row("Command24", 0x27, 0x10, 2);
        row("Command25", 0x29, 0x10, 2);
        row("Command26", 0x2B, 0x10, 2);
        row("Command27", 0x2D, 0x10, 2);
        row("Command64", 0x2F, 0x10, 2);
        row("Command18", 0x31, 0x10, 2);
        row("Command19", 0x32, 0x10, 2);
        row("Command20", 0x33, 0x10, 2);
        row("Command21", 0x34, 0x10, 2);
        row("Command65", 0x35, 0x10, 2);
        row("Command7", 0x3E, 0x10, 2);
        row("Command95", 0x4B, 0x10, 2);
        row("Command106", 0x4C, 0x10, 4); // five payload bytes: eight bytes, four registers
        // Unchanged mark: the selector left on read by the test.
        row("Command23", 0x3C, 0x03, 0);
        row("Command22", 0x3D, 0x03, 0);
        row("Command91", 0x44, 0x03, 0);
    }

    void serverAnswersEveryConvertedRequest() {
        QFETCH(QString, button);
        QFETCH(int, code);
        QFETCH(int, function);
        QFETCH(int, registers);

        PtyPair window, peer;
        QVERIFY(window.isValid() && peer.isValid());
        Server server(peer.slavePath());
        QVERIFY(server.ok());
        FrmMain w(Fixture::com1(window.slavePath()));
        click(w, QStringLiteral("Command32"));
        child<QLineEdit>(w, QStringLiteral("Text7"))->setText(QStringLiteral("2"));
        child<QCheckBox>(w, QStringLiteral("Check2"))->setChecked(true);
        child<QLineEdit>(w, QStringLiteral("Text34"))->setText(QString::number(Offset));
        child<QRadioButton>(w, QStringLiteral("Option3"))->setChecked(true);

        click(w, button);
        QByteArray reply;
        QElapsedTimer t;
        t.start();
        const int exceptionLength = 5;
        const int wait = button == QLatin1String("Command13") ? 600 : 3000;
        while (t.elapsed() < wait && reply.size() < exceptionLength) {
            QCoreApplication::processEvents();
            carry(window.masterFd(), peer.masterFd());
            reply += carry(peer.masterFd(), window.masterFd());
            QThread::msleep(2);
        }
        // Let a longer normal reply finish arriving.
        for (int i = 0; i < 20; ++i) {
            reply += carry(peer.masterFd(), window.masterFd());
            QThread::msleep(2);
        }

        const QList<QByteArray> queries = server.queries();
        QCOMPARE(queries.size(), 1);
        const QByteArray q = queries.first();
        QCOMPARE(int(quint8(q.at(1))), function);
        QCOMPARE(int(quint8(q.at(2))) << 8 | quint8(q.at(3)), Offset + code);
        QCOMPARE(int(quint8(q.at(4))) << 8 | quint8(q.at(5)), registers);

        if (quint8(q.at(0)) == 0) {
            // The address query goes to address 0, Modbus' broadcast: taken
            // by the server, answered by no one.
            QVERIFY(reply.isEmpty());
            return;
        }
        QVERIFY2(reply.size() >= exceptionLength, reply.toHex(' ').constData());
        QCOMPARE(Wire::rtu(reply.chopped(2)), reply); // a well-formed answer
        if (registers > 0) {
            QCOMPARE(int(quint8(reply.at(1))), function);
        } else {
            QCOMPARE(int(quint8(reply.at(1))), function | 0x80);
            QCOMPARE(int(quint8(reply.at(2))), 0x03);
        }
    }
};

QTEST_MAIN(TestModbusPeer)
#include "tst_modbuspeer.moc"
