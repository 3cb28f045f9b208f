// The traffic log: CSV cells and rows, the log's rows against the session's
// counters and views over a pseudo-terminal, a killed writer, a full disk, a
// removed folder and rotation into numbered files. CSV is read back by a small
// RFC 4180 reader written here, independently of the writer.
#include "link/recordlog.h"
#include "link/seriallink.h"
#include "link/session.h"
#include "support/csv.h"
#include "support/pty.h"
#include "support/wire.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <ctime>
#include <sys/resource.h>

namespace {

using TestCsv::Csv;
using TestCsv::readCsv;
using Wire::bytes;

QByteArray fileBytes(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QStringList Header{"time",    "elapsed_us", "direction", "port",  "kind",
                         "address", "code",       "caption",   "value", "hex"};

// Bytes of a hex cell ("01 37 00").
qint64 hexBytes(const QString &cell) {
    return cell.isEmpty() ? 0 : cell.split(u' ', Qt::SkipEmptyParts).size();
}

Records::Record sentFrame(quint64 seq, qint64 timeUs, const QByteArray &b, const QString &caption) {
    Records::Record r;
    r.seq = seq;
    r.direction = Records::Direction::Sent;
    r.kind = Records::Kind::Request;
    r.timeUs = timeUs;
    r.port = QStringLiteral("/dev/ttyUSB0");
    r.bytes = b;
    r.caption = caption;
    return r;
}

// Runs the event loop until `done` or the time is up.
template <typename F> bool waitFor(F done, int timeoutMs = 3000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

PortSettings::Line line115200() {
    PortSettings::Line line;
    line.baud = 115200;
    return line;
}

} // namespace

class TstRecordLog : public QObject {
    Q_OBJECT
private slots:
    void cell_data();
    void cell();
    void header();
    void isoTime_data();
    void isoTime();
    void rotatedPath_data();
    void rotatedPath();
    void rowsMatchCounters_data();
    void rowsMatchCounters();
    void startFails_data();
    void startFails();
    void writeFailureStopsOnce_data();
    void writeFailureStopsOnce();
    void rotation_data();
    void rotation();
    void killedWriterKeepsAllButTheLastSecond();
};

void TstRecordLog::cell_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isText");
    QTest::addColumn<QByteArray>("written");

    QTest::newRow("plain") << "good" << true << QByteArray("good");
    QTest::newRow("empty") << "" << true << QByteArray("");
    QTest::newRow("comma quoted") << "a,b" << true << QByteArray("\"a,b\"");
    QTest::newRow("quote doubled") << "say \"hi\"" << true << QByteArray("\"say \"\"hi\"\"\"");
    QTest::newRow("line break quoted") << "a\r\nb" << true << QByteArray("\"a\r\nb\"");
    QTest::newRow("Chinese as UTF-8")
        << "查询绝对位置:" << true << QString("查询绝对位置:").toUtf8();
    QTest::newRow("formula =") << "=SUM(A1)" << true << QByteArray("'=SUM(A1)");
    QTest::newRow("formula +") << "+1" << true << QByteArray("'+1");
    QTest::newRow("formula -") << "-2+3" << true << QByteArray("'-2+3");
    QTest::newRow("formula @") << "@cmd" << true << QByteArray("'@cmd");
    QTest::newRow("formula tab") << "\tx" << true << QByteArray("'\tx");
    QTest::newRow("formula with comma: apostrophe inside the quotes")
        << "=A1,B1" << true << QByteArray("\"'=A1,B1\"");
    QTest::newRow("value: negative number stays a number")
        << "-1250" << false << QByteArray("-1250");
    QTest::newRow("value: flags keep their digits") << "0110" << false << QByteArray("0110");
    QTest::newRow("minus inside is no formula") << "a-b" << true << QByteArray("a-b");
}

void TstRecordLog::cell() {
    QFETCH(QString, text);
    QFETCH(bool, isText);
    QFETCH(QByteArray, written);
    QCOMPARE(RecordLog::cell(text, isText), written);
    // What a reader makes of it is the text (with the apostrophe, if any).
    const Csv back = readCsv(written + "\r\n");
    QCOMPARE(back.rows.size(), 1);
    QCOMPARE(back.rows.first().size(), 1);
    QCOMPARE(back.rows.first().first().right(text.size()), text);
}

void TstRecordLog::header() {
    const QByteArray h = RecordLog::header();
    QVERIFY(h.startsWith("\xEF\xBB\xBF"));
    QVERIFY(h.endsWith("\r\n"));
    const Csv back = readCsv(h);
    QVERIFY(back.bom);
    QCOMPARE(back.rows.size(), 1);
    QCOMPARE(back.rows.first(), Header);
}

void TstRecordLog::isoTime_data() {
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<qint64>("epochUs");
    QTest::addColumn<QString>("time");

    // 2025-12-09 23:41:07.123456 UTC. Each row in a second of its own: a
    // new zone shows from the next second on.
    const qint64 evening = 1'765'323'667'123'456;
    QTest::newRow("UTC") << QByteArray("UTC") << evening << "2025-12-09T23:41:07.123456+00:00";
    QTest::newRow("east, next day")
        << QByteArray("Asia/Shanghai") << evening + 1'000'000 << "2025-12-10T07:41:08.123456+08:00";
    QTest::newRow("west, half hour") << QByteArray("America/St_Johns") << evening + 2'000'000
                                     << "2025-12-09T20:11:09.123456-03:30";
    QTest::newRow("microseconds below a millisecond")
        << QByteArray("UTC") << qint64(1'765'323'600'000'007) << "2025-12-09T23:40:00.000007+00:00";
    QTest::newRow("same second, other microseconds")
        << QByteArray("UTC") << qint64(1'765'323'600'999'999) << "2025-12-09T23:40:00.999999+00:00";
    QTest::newRow("before 1970") << QByteArray("UTC") << qint64(-1)
                                 << "1969-12-31T23:59:59.999999+00:00";
    QTest::newRow("summer time offset")
        << QByteArray("Europe/Berlin") << qint64(1'751'328'000'000'000)
        << "2025-07-01T02:00:00.000000+02:00";
}

void TstRecordLog::isoTime() {
    QFETCH(QByteArray, zone);
    QFETCH(qint64, epochUs);
    QFETCH(QString, time);
    const QByteArray saved = qgetenv("TZ");
    qputenv("TZ", zone);
    ::tzset();
    const QString got = Records::isoTime(epochUs);
    qputenv("TZ", saved);
    ::tzset();
    QCOMPARE(got, time);
}

void TstRecordLog::rotatedPath_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("rotated");

    QTest::newRow("first file is the path") << "/tmp/a.csv" << 0 << "/tmp/a.csv";
    QTest::newRow("number before the extension") << "/tmp/a.csv" << 1 << "/tmp/a.1.csv";
    QTest::newRow("two digits") << "/tmp/t3208-20261210-012345.csv" << 12
                                << "/tmp/t3208-20261210-012345.12.csv";
    QTest::newRow("last extension only") << "/tmp/a.b.csv" << 2 << "/tmp/a.b.2.csv";
    QTest::newRow("no extension") << "/tmp/log" << 3 << "/tmp/log.3";
    QTest::newRow("dot in the folder only") << "/tmp/x.d/log" << 1 << "/tmp/x.d/log.1";
    QTest::newRow("relative") << "log.csv" << 1 << "log.1.csv";
}

void TstRecordLog::rotatedPath() {
    QFETCH(QString, path);
    QFETCH(int, n);
    QFETCH(QString, rotated);
    QCOMPARE(RecordLog::rotatedPath(path, n), rotated);
}

void TstRecordLog::rowsMatchCounters_data() {
    QTest::addColumn<QList<QByteArray>>("requests");
    QTest::addColumn<QList<QByteArray>>("replies"); // written by the controller, one by one
    QTest::addColumn<QStringList>("kinds");         // of the rx rows, in order
    QTest::addColumn<QStringList>("values");        // of the rx rows, in order

    const QByteArray position = Wire::rtu(bytes({0x01, 0x37, 0x00}));
    QTest::newRow("queries and value replies")
        << QList<QByteArray>{position, position}
        << QList<QByteArray>{Wire::rtu(bytes({0x01, 0x37, 0x04, 0x00, 0x00, 0x03, 0xE8})),
                             Wire::rtu(bytes({0x01, 0x37, 0x04, 0xFF, 0xFF, 0xFF, 0xFB}))}
        << QStringList{"good", "good"} << QStringList{"1000", "-5"};
    QTest::newRow("bad checksum, noise, a broken frame")
        << QList<QByteArray>{position}
        << QList<QByteArray>{Wire::badCrc(bytes({0x01, 0x37, 0x04, 0x00, 0x00, 0x00, 0x01})),
                             bytes({0xEE}) +
                                 Wire::rtu(bytes({0x01, 0x37, 0x04, 0x00, 0x00, 0x00, 0x01})),
                             bytes({0xFF})}
        << QStringList{"checksum-failed", "noise", "good", "incomplete"}
        << QStringList{"", "", "1", ""};
    QTest::newRow("handshake, no value") << QList<QByteArray>{Wire::rtu(bytes({0x01, 0x20, 0x00}))}
                                         << QList<QByteArray>{Wire::rtu(bytes({0x01, 0x20, 0x00}))}
                                         << QStringList{"good"} << QStringList{""};
}

void TstRecordLog::rowsMatchCounters() {
    QFETCH(QList<QByteArray>, requests);
    QFETCH(QList<QByteArray>, replies);
    QFETCH(QStringList, kinds);
    QFETCH(QStringList, values);

    PtyPair pty;
    QVERIFY(pty.isValid());
    QTemporaryDir dir;
    const QString path = dir.filePath("log.csv");
    Session session(new PortLink);
    QString error;
    QVERIFY2(session.open(pty.slavePath(), line115200(), &error), qPrintable(error));
    QVERIFY2(session.startLog(path, &error), qPrintable(error));
    QCOMPARE(session.logFile(), path);
    for (const QByteArray &r : requests) {
        session.SendComm(r);
        QCOMPARE(pty.readMaster(int(r.size()), 2000), r);
    }
    for (const QByteArray &r : replies) {
        const qint64 before = session.receivedTotal();
        QVERIFY(pty.writeMaster(r));
        QVERIFY(waitFor([&] { return session.receivedTotal() >= before + r.size(); }));
        // Past the RTU silence, so each is a frame of its own.
        QTest::qWait(150);
    }
    QVERIFY(waitFor([&] { return session.received().count >= session.receivedTotal(); }));
    session.stopLog();
    QVERIFY(session.logFile().isEmpty());

    const Csv csv = readCsv(fileBytes(path));
    QVERIFY(csv.bom);
    QVERIFY(csv.complete);
    QVERIFY(csv.rows.size() >= 2);
    QCOMPARE(csv.rows.first(), Header);
    qint64 tx = 0;
    qint64 rx = 0;
    QStringList rxKinds;
    QStringList rxValues;
    qint64 previousElapsed = -1;
    const TrafficSide sent = session.sent();
    const TrafficSide received = session.received();
    for (const QStringList &row : csv.rows.mid(1)) {
        QCOMPARE(row.size(), Header.size());
        QCOMPARE(row.at(3), pty.slavePath());
        const qint64 elapsed = row.at(1).toLongLong();
        QVERIFY(elapsed >= 0);
        QVERIFY(elapsed >= previousElapsed - 100); // in time order (rx: last byte's read)
        previousElapsed = elapsed;
        // ISO 8601 with microseconds and an offset.
        QVERIFY2(QRegularExpression(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{6}[+-]\d\d:\d\d$)")
                     .match(row.at(0))
                     .hasMatch(),
                 qPrintable(row.at(0)));
        const TrafficSide *side = nullptr;
        if (row.at(2) == "tx") {
            tx += hexBytes(row.at(9));
            side = &sent;
        } else if (row.at(2) == "rx") {
            rx += hexBytes(row.at(9));
            rxKinds << row.at(4);
            rxValues << row.at(8);
            side = &received;
        }
        // A frame's caption is the line its view shows.
        if (side && !row.at(7).isEmpty())
            QVERIFY2(side->log.lines().contains(row.at(7) + "\n\r"), qPrintable(row.at(7)));
    }
    QCOMPARE(tx, sent.count);
    QCOMPARE(rx, received.count);
    QCOMPARE(rxKinds, kinds);
    QCOMPARE(rxValues, values);
}

void TstRecordLog::startFails_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("full device") << "/dev/full";
    QTest::newRow("missing folder") << "/nonexistent-folder-t3208/log.csv";
    QTest::newRow("a folder") << "/tmp";
}

void TstRecordLog::startFails() {
    QFETCH(QString, path);
    RecordLog log;
    QSignalSpy failed(&log, &RecordLog::failed);
    QString error;
    QVERIFY(!log.start(path, 0, 0, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!log.isOpen());
    QVERIFY(log.file().isEmpty());
}

void TstRecordLog::writeFailureStopsOnce_data() {
    QTest::addColumn<QString>("failure");
    QTest::newRow("disk full (file size limit)") << "full";
    QTest::newRow("folder removed") << "folder";
    QTest::newRow("file removed") << "file";
}

void TstRecordLog::writeFailureStopsOnce() {
    QFETCH(QString, failure);

    PtyPair pty;
    QVERIFY(pty.isValid());
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("logs"));
    const QString path = dir.filePath("logs/log.csv");
    Session session(new PortLink);
    QSignalSpy failed(&session, &Session::logFailed);
    QString error;
    QVERIFY2(session.open(pty.slavePath(), line115200(), &error), qPrintable(error));
    QVERIFY2(session.startLog(path, &error), qPrintable(error));

    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    auto *oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    if (failure == "full") {
        rlimit small = saved;
        small.rlim_cur = 4096;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    } else if (failure == "folder") {
        QVERIFY(QDir(dir.filePath("logs")).removeRecursively());
    } else {
        QVERIFY(QFile::remove(path));
    }

    // Enough frames to pass the limit; the log stops within about a second.
    const QByteArray frame = Wire::rtu(bytes({0x01, 0x37, 0x00}));
    for (int i = 0; i < 200; ++i)
        session.SendComm(frame);
    const bool stopped = waitFor([&] { return !failed.isEmpty(); }, 3000);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    QVERIFY(stopped);
    QCOMPARE(failed.size(), 1);
    QVERIFY(failed.first().first().toString().contains(path));
    QVERIFY(session.logFile().isEmpty());

    // The line goes on as before, and no second message follows.
    QCOMPARE(pty.readMaster(200 * 5, 3000).size(), 200 * 5);
    session.SendComm(frame);
    QCOMPARE(pty.readMaster(5, 2000), frame);
    QVERIFY(session.isOpen());
    QCOMPARE(session.sent().count >= 5, true);
    QTest::qWait(1200);
    QCOMPARE(failed.size(), 1);
    if (failure == "full")
        QVERIFY(QFileInfo(path).size() <= 4096);
}

void TstRecordLog::rotation_data() {
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<int>("records");

    QTest::newRow("no rotation below the limit") << qint64(1'000'000) << 50;
    QTest::newRow("several files") << qint64(2000) << 60;
    QTest::newRow("one row per file") << qint64(1) << 4;
}

void TstRecordLog::rotation() {
    QFETCH(qint64, limit);
    QFETCH(int, records);

    QTemporaryDir dir;
    const QString path = dir.filePath("t.csv");
    RecordLog log;
    QSignalSpy failed(&log, &RecordLog::failed);
    log.setRotateBytes(limit);
    QString error;
    QVERIFY(log.start(path, 0, 0, &error));
    QStringList files{path};
    for (int i = 1; i <= records; ++i) {
        log.write(sentFrame(quint64(i), i * 1000, bytes({0x01, 0x37, 0x00, i & 0xFF}),
                            QString::number(i)));
        if (log.file() != files.last())
            files << log.file();
    }
    log.stop();
    QVERIFY(failed.isEmpty());

    QStringList captions;
    for (int n = 0; n < files.size(); ++n) {
        QCOMPARE(files.at(n), RecordLog::rotatedPath(path, n));
        const QByteArray data = fileBytes(files.at(n));
        // A file holds at least one row, and exceeds the limit only by that row.
        const Csv csv = readCsv(data);
        QVERIFY(csv.bom);
        QVERIFY(csv.complete);
        QCOMPARE(csv.rows.first(), Header);
        QVERIFY(csv.rows.size() >= 2);
        if (csv.rows.size() > 2)
            QVERIFY(data.size() <= limit);
        for (const QStringList &row : csv.rows.mid(1))
            captions << row.at(7);
    }
    QVERIFY(!QFile::exists(RecordLog::rotatedPath(path, int(files.size()))));
    QStringList expected;
    for (int i = 1; i <= records; ++i)
        expected << QString::number(i);
    QCOMPARE(captions, expected);
    if (limit >= 1'000'000)
        QCOMPARE(files.size(), 1);
    else
        QVERIFY(files.size() > 1);
}

void TstRecordLog::killedWriterKeepsAllButTheLastSecond() {
    QTemporaryDir dir;
    const QString path = dir.filePath("killed.csv");
    QProcess writer;
    writer.start(QStringLiteral(T3208_LOGWRITER), {path});
    QVERIFY(writer.waitForStarted());
    QVERIFY(writer.waitForReadyRead(5000));
    QCOMPARE(writer.readLine().trimmed(), QByteArray("logging"));
    QElapsedTimer alive;
    alive.start();
    QTest::qWait(2500);
    const qint64 ranMs = alive.elapsed();
    ::kill(pid_t(writer.processId()), SIGKILL);
    QVERIFY(writer.waitForFinished(3000));
    QCOMPARE(writer.exitStatus(), QProcess::CrashExit);

    const Csv csv = readCsv(fileBytes(path));
    QVERIFY(csv.bom);
    QVERIFY(csv.complete); // whole rows only
    QCOMPARE(csv.rows.first(), Header);
    QVERIFY(csv.rows.size() > 2);
    // Rows numbered 1, 2, ... without a gap, and the last one less than a
    // second (plus scheduling slack) before the kill.
    for (int i = 1; i < csv.rows.size(); ++i)
        QCOMPARE(csv.rows.at(i).at(7), QString::number(i));
    const qint64 lastMs = csv.rows.last().at(1).toLongLong() / 1000;
    QVERIFY2(
        lastMs >= ranMs - 1000 - 400,
        qPrintable(QStringLiteral("last row at %1 ms, killed at %2 ms").arg(lastMs).arg(ranMs)));
}

QTEST_GUILESS_MAIN(TstRecordLog)
#include "tst_recordlog.moc"
