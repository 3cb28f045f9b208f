// t3208ctl as a process against simulated controllers served on a
// pseudo-terminal by this test: a request and its decoded reply, a command
// list run with reply checks while every third reply is dropped, a scan of a
// bus with faulty controllers, and the exit codes and messages of bad options,
// refused values, a missing device, a device the user may not open and Ctrl+C.
#include "sim/controller.h"
#include "sim/faults.h"
#include "sim/lineserver.h"
#include "support/pty.h"
#include "support/wire.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Result {
    int exit = -1;
    QString out;
    QString err;
    QList<QJsonObject> json; // stdout lines that are JSON objects
};

// Runs t3208ctl while this thread's event loop keeps the simulated line
// served. `interruptAfterMs` >= 0 sends SIGINT after that long.
Result runCtl(const QStringList &args, int interruptAfterMs = -1, int timeoutMs = 30000) {
    QProcess p;
    p.setProgram(QStringLiteral(T3208_CTL_EXE));
    p.setArguments(args);
    QEventLoop loop;
    QObject::connect(&p, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&p, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    QTimer interrupt;
    interrupt.setSingleShot(true);
    QObject::connect(&interrupt, &QTimer::timeout, &p,
                     [&p] { ::kill(pid_t(p.processId()), SIGINT); });
    p.start();
    limit.start(timeoutMs);
    if (interruptAfterMs >= 0)
        interrupt.start(interruptAfterMs);
    loop.exec();
    Result r;
    if (p.state() != QProcess::NotRunning) {
        p.kill();
        p.waitForFinished(3000);
        r.err = QStringLiteral("timed out");
        return r;
    }
    r.exit = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    const QByteArray out = p.readAllStandardOutput();
    r.out = QString::fromUtf8(out);
    r.err = QString::fromUtf8(p.readAllStandardError());
    for (const QByteArray &line : out.split('\n')) {
        const QJsonDocument d = QJsonDocument::fromJson(line);
        if (d.isObject())
            r.json << d.object();
    }
    return r;
}

// Controllers on one served line.
struct Bus {
    struct Member {
        int address;
        Sim::Fault fault;
    };
    explicit Bus(const QList<Member> &members, bool echo = false) {
        for (const Member &m : members) {
            models.push_back(std::make_unique<Sim::Controller>());
            models.back()->setAddress(quint8(m.address));
        }
        server = std::make_unique<Sim::LineServer>(models.front().get());
        server->setReplyDelay(2);
        server->setFaults(Sim::FaultInjector(members.front().fault));
        for (qsizetype i = 1; i < members.size(); ++i)
            server->addController(models[size_t(i)].get(), Sim::FaultInjector(members[i].fault));
        server->setEcho(echo);
        ok = server->openPty(&path, &error);
    }
    std::vector<std::unique_ptr<Sim::Controller>> models;
    std::unique_ptr<Sim::LineServer> server;
    QString path;
    QString error;
    bool ok = false;
};

using Members = QList<Bus::Member>;

} // namespace

Q_DECLARE_METATYPE(Members)

class TestCtlProcess : public QObject {
    Q_OBJECT

private slots:
    void requestAndReply_data() {
        QTest::addColumn<QStringList>("setup"); // run first (empty: none)
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("text"); // expected in the output

        QTest::newRow("query speed") << QStringList() << QStringList{"query-speed"} << 0
                                     << QStringLiteral("查询运动速度: 0");
        QTest::newRow("alias, set then query")
            << QStringList{"最大速度", "23456"} << QStringList{"query-max-speed"} << 0
            << QStringLiteral("查询运动最大速度: 23456");
        QTest::newRow("negative value, then position")
            << QStringList{"move", "-70000"} << QStringList{"query-relative-position"} << 0
            << QStringLiteral("查询运动相对位置: -");
        QTest::newRow("ascii mode") << QStringList{"-m", "ascii", "set-initial-speed", "321"}
                                    << QStringList{"-m", "ascii", "query-initial-speed"} << 0
                                    << QStringLiteral("查询运动初速度: 321");
        QTest::newRow("register form after the offset is set")
            << QStringList{"set-register-offset", "100"}
            << QStringList{"--register", "--offset", "100", "query-end-speed"} << 0
            << QStringLiteral("01 03 04");
        QTest::newRow("register offset the controller does not use: exception")
            << QStringList{"set-register-offset", "0"}
            << QStringList{"--register", "--offset", "300", "query-speed"} << 1
            << QStringLiteral("exception 02");
        QTest::newRow("no controller at that address")
            << QStringList() << QStringList{"-a", "7", "query-speed", "-t", "100"} << 1
            << QStringLiteral("no reply from 07");
        QTest::newRow("raw send framed") << QStringList() << QStringList{"send", "01 36 00"} << 0
                                         << QStringLiteral("查询运动速度: ");
        QTest::newRow("raw send as is")
            << QStringList() << QStringList{"send", "--as-is", "01 37 00 36 30"} << 0
            << QStringLiteral("查询运动绝对位置: ");
    }
    void requestAndReply() {
        QFETCH(QStringList, setup);
        QFETCH(QStringList, args);
        QFETCH(int, exit);
        QFETCH(QString, text);
        Bus bus({{1, Sim::Fault::None}});
        QVERIFY2(bus.ok, qPrintable(bus.error));
        if (!setup.isEmpty()) {
            const Result s = runCtl(QStringList{"-p", bus.path} + setup);
            QVERIFY2(s.exit == 0, qPrintable(s.out + s.err));
        }
        const Result r = runCtl(QStringList{"-p", bus.path} + args);
        QVERIFY2(r.exit == exit, qPrintable(QString::number(r.exit) + r.out + r.err));
        QVERIFY2((r.out + r.err).contains(text), qPrintable(r.out + r.err));
    }

    // JSON: one object for the request, one for each frame received, the
    // log's columns as keys and the value a number.
    void requestAsJson() {
        Bus bus({{1, Sim::Fault::None}});
        QVERIFY2(bus.ok, qPrintable(bus.error));
        QCOMPARE(runCtl({"-p", bus.path, "set-acceleration", "1234"}).exit, 0);
        const Result r = runCtl({"-p", bus.path, "--json", "query-acceleration"});
        QCOMPARE(r.exit, 0);
        QCOMPARE(r.json.size(), 2);
        QCOMPARE(r.json[0].value("direction").toString(), QStringLiteral("tx"));
        QCOMPARE(r.json[0].value("hex").toString(),
                 Wire::spaced(Wire::rtu(Wire::bytes({1, 0x2C, 0}))).trimmed());
        QCOMPARE(r.json[1].value("kind").toString(), QStringLiteral("good"));
        QCOMPARE(r.json[1].value("caption").toString(), QStringLiteral("查询运动加速度:"));
        QVERIFY(r.json[1].value("value").isDouble());
        QCOMPARE(r.json[1].value("value").toInteger(), 1234);
        QCOMPARE(r.json[1].value("port").toString(), bus.path);
    }

    // A run with reply checks: every Nth reply dropped is reported and the run
    // goes on; the summary counts them.
    void runWaitsForReplies_data() {
        QTest::addColumn<int>("dropEvery"); // 0: none dropped
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("loops");
        QTest::addColumn<int>("sent");
        QTest::addColumn<int>("missing");

        const QStringList twoQueries = {"01 36 00 37 A0 ", "Delay:20", "01 37 00 36 30 ",
                                        "Delay:20"};
        QTest::newRow("every third reply dropped") << 3 << twoQueries << 3 << 6 << 2;
        QTest::newRow("no reply dropped") << 0 << twoQueries << 2 << 4 << 0;
        QTest::newRow("jump back over a line, duration-free loop count")
            << 3 << QStringList{"01 36 00 37 A0 ", "01 37 00 36 30 ", "01 39 00 32 50 "} << 3 << 9
            << 3;
    }
    void runWaitsForReplies() {
        QFETCH(int, dropEvery);
        QFETCH(QStringList, lines);
        QFETCH(int, loops);
        QFETCH(int, sent);
        QFETCH(int, missing);
        Bus bus({{1, dropEvery ? Sim::Fault::Drop : Sim::Fault::None}});
        QVERIFY2(bus.ok, qPrintable(bus.error));
        if (dropEvery)
            bus.server->setFaults(Sim::FaultInjector(Sim::Fault::Drop, dropEvery));
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("list.txt"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(lines.join(QStringLiteral("\r\n")).toLatin1() + "\r\n");
        f.close();
        const Result r = runCtl({"-p", bus.path, "--json", "run", file, "--interval", "10",
                                 "--loops", QString::number(loops), "--wait-reply", "80"});
        QCOMPARE(r.exit, missing ? 1 : 0);
        int requests = 0, noReply = 0, good = 0;
        for (const QJsonObject &o : r.json) {
            const QString kind = o.value("kind").toString();
            requests += kind == QLatin1String("request");
            noReply += kind == QLatin1String("no-reply");
            good += kind == QLatin1String("good");
        }
        QCOMPARE(requests, sent);
        QCOMPARE(noReply, missing);
        QCOMPARE(good, sent - missing);
        const QJsonObject summary = r.json.last();
        QCOMPARE(summary.value("summary").toString(), QStringLiteral("run"));
        QCOMPARE(summary.value("sent").toInt(), sent);
        QCOMPARE(summary.value("replies").toInt(), sent - missing);
        QCOMPARE(summary.value("missing").toInt(), missing);
        QCOMPARE(summary.value("loops").toInt(), loops);
    }

    // A scan finds the controllers that answer well and nothing else.
    void scanFindsOnlyGoodControllers_data() {
        QTest::addColumn<Members>("bus");
        QTest::addColumn<bool>("echoLine");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("found");

        using F = Sim::Fault;
        QTest::newRow("three controllers")
            << Members{{0x01, F::None}, {0x05, F::None}, {0x1A, F::None}} << false << QStringList()
            << QStringList{"01", "05", "1A"};
        QTest::newRow("wrong address and bad crc rejected")
            << Members{{0x03, F::None}, {0x07, F::WrongAddress}, {0x09, F::Corrupt}} << false
            << QStringList() << QStringList{"03"};
        QTest::newRow("echoing line, --echo") << Members{{0x02, F::None}, {0x0B, F::Corrupt}}
                                              << true << QStringList{"--echo"} << QStringList{"02"};
        QTest::newRow("echoing line without --echo")
            << Members{{0x02, F::None}, {0x0C, F::WrongAddress}} << true << QStringList()
            << QStringList{"02"};
        QTest::newRow("ascii") << Members{{0x06, F::None}, {0x08, F::Corrupt}} << false
                               << QStringList{"--modes", "ascii"} << QStringList{"06"};
        QTest::newRow("nothing answers in range") << Members{{0x40, F::None}, {0x04, F::Corrupt}}
                                                  << true << QStringList{"--echo"} << QStringList();
    }
    void scanFindsOnlyGoodControllers() {
        QFETCH(Members, bus);
        QFETCH(bool, echoLine);
        QFETCH(QStringList, args);
        QFETCH(QStringList, found);
        Bus line(bus, echoLine);
        QVERIFY2(line.ok, qPrintable(line.error));
        const Result r = runCtl(QStringList{"-p", line.path, "--json", "scan", "--addresses",
                                            "01-1F", "--bauds", "9600", "--timeout", "40"} +
                                args);
        QCOMPARE(r.exit, found.isEmpty() ? 1 : 0);
        QStringList got;
        for (const QJsonObject &o : r.json)
            if (o.contains("address")) {
                got << o.value("address").toString();
                QCOMPARE(o.value("baud").toInt(), 9600);
                QVERIFY(o.value("reply_ms").isDouble());
            }
        QCOMPARE(got, found);
        QVERIFY(!r.json.isEmpty());
        const QJsonObject summary = r.json.last();
        for (const char *key : {"address", "baud", "mode", "reply_ms"})
            QVERIFY(!summary.contains(key));
        QCOMPARE(summary.value("found").toInt(), found.size());
        QCOMPARE(summary.value("requests").toInt(), 31);
    }

    void exitCodes_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("message");

        QTest::newRow("no command") << QStringList() << 2 << "no command given";
        QTest::newRow("unknown option")
            << QStringList{"--frob", "handshake"} << 2 << "unknown option --frob";
        QTest::newRow("unknown request")
            << QStringList{"--simulate", "frobnicate"} << 2 << "unknown command frobnicate";
        QTest::newRow("no port") << QStringList{"handshake"} << 2 << "no port";
        QTest::newRow("value out of range")
            << QStringList{"--simulate", "set-initial-speed", "3000000000"} << 2
            << "初速度 的值超出范围,允许范围为 -2147483648 到 2147483647";
        QTest::newRow("address out of range") << QStringList{"--simulate", "-a", "100", "handshake"}
                                              << 2 << "设备操作地址 的值超出范围";
        QTest::newRow("baud without code")
            << QStringList{"--simulate", "set-baud", "1234"} << 2 << "\"1234\" 不是可设置的波特率";
        QTest::newRow("offset out of range")
            << QStringList{"--simulate", "set-register-offset", "65501"} << 2
            << "偏移地址超出范围,请设置0-65500之间";
        QTest::newRow("missing value")
            << QStringList{"--simulate", "set-max-speed"} << 2 << "takes 1 value(s): SPEED";
        QTest::newRow("extra value")
            << QStringList{"--simulate", "handshake", "1"} << 2 << "takes no values";
        QTest::newRow("interval out of range")
            << QStringList{"--simulate", "run", T3208_CTL_EXE, "--interval", "70000"} << 2
            << "间隔时间超出范围,请设置0-65535之间的毫秒数";
        QTest::newRow("missing list file") << QStringList{"--simulate", "run", "/nonexistent/l.txt"}
                                           << 2 << "no such command-list file";
        QTest::newRow("bad scan range") << QStringList{"--simulate", "scan", "--addresses", "20-10"}
                                        << 2 << "--addresses takes";
        QTest::newRow("missing device") << QStringList{"-p", "/dev/nonexistent-tty", "handshake"}
                                        << 3 << "cannot open /dev/nonexistent-tty";
        QTest::newRow("constant run is a request, not the list runner")
            << QStringList{"--simulate", "constant-run", "100"} << 0
            << "设置32位运动速度，并恒速运动:";
        QTest::newRow("simulated controller answers")
            << QStringList{"--simulate", "handshake"} << 0 << "请求握手命令:";
    }
    void exitCodes() {
        QFETCH(QStringList, args);
        QFETCH(int, exit);
        QFETCH(QString, message);
        const Result r = runCtl(args);
        QVERIFY2(r.exit == exit, qPrintable(QString::number(r.exit) + r.out + r.err));
        QVERIFY2((r.out + r.err).contains(message), qPrintable(r.out + r.err));
    }

    // A device the user may not open: exit 3 with the system's reason.
    void deviceNotPermitted() {
        PtyPair pty;
        QVERIFY2(pty.isValid(), qPrintable(pty.error()));
        const QByteArray path = pty.slavePath().toLocal8Bit();
        QStringList args;
        if (::geteuid() == 0) {
            // Root may open anything: run as nobody against a device only root may open.
            QVERIFY(::chmod(path.constData(), 0600) == 0);
            args = {"--reuid=65534", "--regid=65534", "--clear-groups", T3208_CTL_EXE};
        } else {
            QVERIFY(::chmod(path.constData(), 0) == 0);
        }
        args << "-p" << pty.slavePath() << "handshake";
        QProcess p;
        if (::geteuid() == 0)
            p.start(QStringLiteral("setpriv"), args);
        else
            p.start(QStringLiteral(T3208_CTL_EXE), args);
        QVERIFY(p.waitForFinished(20000));
        const QString err = QString::fromUtf8(p.readAllStandardError());
        QCOMPARE(p.exitCode(), 3);
        QVERIFY2(err.contains(QStringLiteral("cannot open ") + pty.slavePath()), qPrintable(err));
        // The explanation names the fix: joining the device's group.
        QVERIFY2(err.contains(QStringLiteral("usermod -aG")), qPrintable(err));
    }

    // A line lost while the tool listens (an adapter unplugged): exit 3.
    void lostLine() {
        PtyPair pty;
        QVERIFY2(pty.isValid(), qPrintable(pty.error()));
        // The tool must not inherit the master, or closing it here hangs nothing up.
        ::fcntl(pty.masterFd(), F_SETFD, FD_CLOEXEC);
        QTimer::singleShot(500, [&pty] { pty.closeMaster(); });
        const Result r = runCtl({"-p", pty.slavePath(), "monitor"});
        QCOMPARE(r.exit, 3);
        QVERIFY2(r.err.contains(QStringLiteral("was lost")), qPrintable(r.err));
    }

    // Ctrl+C ends any command cleanly: port closed, summary, exit 130.
    void interrupted_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("summary");
        QTest::newRow("monitor") << QStringList{"monitor"} << QString();
        QTest::newRow("scan") << QStringList{"scan", "--timeout", "200"}
                              << QStringLiteral("scan: ");
        QTest::newRow("endless run")
            << QStringList{"run", "LIST", "--loops", "0", "--interval", "20"}
            << QStringLiteral("run: ");
    }
    void interrupted() {
        QFETCH(QStringList, args);
        QFETCH(QString, summary);
        Bus bus({{0x30, Sim::Fault::None}});
        QVERIFY2(bus.ok, qPrintable(bus.error));
        QTemporaryDir dir;
        QFile f(dir.filePath(QStringLiteral("list.txt")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("30 36 00 66 6F\r\n");
        f.close();
        args.replaceInStrings(QStringLiteral("LIST"), f.fileName());
        const Result r = runCtl(QStringList{"-p", bus.path} + args, 400);
        QCOMPARE(r.exit, 130);
        QVERIFY2(r.err.contains(QStringLiteral("interrupted")), qPrintable(r.err));
        QVERIFY2(r.out.contains(summary), qPrintable(r.out));
        // The port was closed: it opens again at once.
        QCOMPARE(runCtl({"-p", bus.path, "-a", "30", "handshake"}).exit, 0);
    }
};

QTEST_MAIN(TestCtlProcess)
#include "tst_ctlprocess.moc"
