// The record stream: what the session records for each send, each assembled
// frame and each event, and the columns the traffic log and the command-line
// tool write for a record. Reference frames come from the test support's own
// CRC and LRC, not from the codec.
#include "automation/commandlist.h"
#include "link/record.h"
#include "link/session.h"
#include "sim/simlink.h"
#include "support/wire.h"

#include <QtTest>

using Records::Direction;
using Records::Kind;
using Records::Record;

namespace {

Record received(const QByteArray &bytes, Frames::Kind kind, Frames::Form form = Frames::Form::Rtu) {
    Frames::Frame f;
    f.kind = kind;
    f.form = form;
    f.bytes = bytes;
    if (kind == Frames::Kind::Good)
        f.message = form == Frames::Form::Rtu ? bytes.left(bytes.size() - 2)
                                              : QByteArray::fromHex(bytes.mid(1, bytes.size() - 5));
    Record r;
    r.direction = Direction::Received;
    r.kind = Records::kindOf(kind);
    r.bytes = bytes;
    r.reply = Receive::CommRec(f);
    r.caption = r.reply->caption.left(r.reply->caption.size() - 2);
    return r;
}

Record sent(const QByteArray &bytes) {
    Record r;
    r.direction = Direction::Sent;
    r.kind = Kind::Request;
    r.bytes = bytes;
    return r;
}

Record eventRecord(Kind kind, const QString &detail) {
    Record r;
    r.kind = kind;
    r.detail = detail;
    return r;
}

QString hexOf(const QByteArray &b) {
    return Wire::spaced(b).trimmed();
}

} // namespace

class TstRecord : public QObject {
    Q_OBJECT
private slots:
    void columns_data();
    void columns();
    void isoTime_data();
    void isoTime();
    void sessionStream();
};

void TstRecord::columns_data() {
    QTest::addColumn<Record>("record");
    QTest::addColumn<QStringList>(
        "expected"); // direction, kind, address, code, caption, value, hex

    const QByteArray speed = Wire::rtu(Wire::bytes({0x01, 0x36, 0x04, 0x00, 0x00, 0x03, 0xE8}));
    QTest::newRow("speed reply") << received(speed, Frames::Kind::Good)
                                 << QStringList{"rx",   "good",      "01", "36", "查询运动速度:",
                                                "1000", hexOf(speed)};
    const QByteArray abs = Wire::rtu(Wire::bytes({0x07, 0x37, 0x04, 0xFF, 0xFE, 0xEE, 0x90}));
    QTest::newRow("negative position")
        << received(abs, Frames::Kind::Good)
        << QStringList{"rx", "good", "07", "37", "查询运动绝对位置:", "-70000", hexOf(abs)};
    const QByteArray status = Wire::rtu(Wire::bytes({0x01, 0x3B, 0x04, 0x01, 0x00, 0x01, 0x00}));
    QTest::newRow("run state and limits")
        << received(status, Frames::Kind::Good)
        << QStringList{"rx", "good", "01", "3B", "查询运动状态:", "1010", hexOf(status)};
    const QByteArray inputs =
        Wire::rtu(Wire::bytes({0x01, 0x42, 0x05, 0x00, 0x01, 0x01, 0x00, 0x01}));
    QTest::newRow("inputs") << received(inputs, Frames::Kind::Good)
                            << QStringList{"rx",    "good",       "01", "42", "查询 IN 1-5 状态:",
                                           "01101", hexOf(inputs)};
    const QByteArray ascii = Wire::ascii(Wire::bytes({0x02, 0x36, 0x04, 0x00, 0x00, 0x00, 0x64}));
    QTest::newRow("ascii reply") << received(ascii, Frames::Kind::Good, Frames::Form::Ascii)
                                 << QStringList{"rx",  "good",      "02", "36", "查询运动速度:",
                                                "100", hexOf(ascii)};
    const QByteArray bad = Wire::badCrc(Wire::bytes({0x01, 0x36, 0x04, 0x00, 0x00, 0x03, 0xE8}));
    QTest::newRow("checksum failed: no value")
        << received(bad, Frames::Kind::ChecksumFailed)
        << QStringList{"rx", "checksum-failed", "01", "36", "校验错误:", "", hexOf(bad)};
    QTest::newRow("noise: no address or code")
        << received(Wire::bytes({0x55, 0xAA, 0x00}), Frames::Kind::Noise)
        << QStringList{"rx", "noise", "", "", "无效数据:", "", "55 AA 00"};
    const QByteArray handshake = Wire::rtu(Wire::bytes({0x01, 0x20, 0x00}));
    QTest::newRow("request") << sent(handshake)
                             << QStringList{"tx", "request", "01", "20", "", "", hexOf(handshake)};
    QTest::newRow("lost: the reason is the caption")
        << eventRecord(Kind::Lost, QStringLiteral("No such device"))
        << QStringList{"event", "lost", "", "", "No such device", "", ""};
    QTest::newRow("run stopped") << eventRecord(Kind::RunStopped, QString())
                                 << QStringList{"event", "run-stopped", "", "", "", "", ""};
}

void TstRecord::columns() {
    QFETCH(Record, record);
    QFETCH(QStringList, expected);
    record.timeUs = 2'500'000;
    record.port = QStringLiteral("/dev/ttyUSB0");
    const Records::Columns c = Records::columns(record, 1'000'000'000'000'000, 500'000);
    QCOMPARE((QStringList{c.direction, c.kind, c.address, c.code, c.caption, c.value, c.hex}),
             expected);
    QCOMPARE(c.elapsedUs, 2'000'000);
    QCOMPARE(c.port, QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(Records::columnNames().join(u','),
             QStringLiteral("time,elapsed_us,direction,port,kind,address,code,caption,value,hex"));
}

void TstRecord::isoTime_data() {
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<qint64>("epochUs");
    QTest::addColumn<QString>("expected");
    // 2026-12-09T15:41:07.123456Z
    const qint64 t = 1'796'830'867'123'456;
    QTest::newRow("UTC+8") << QByteArray("Asia/Shanghai") << t
                           << QStringLiteral("2026-12-09T23:41:07.123456+08:00");
    // Each row in a second of its own: the date, time and offset are looked up
    // once a second, so a change of zone shows from the next second on.
    QTest::newRow("UTC") << QByteArray("UTC") << t + 1'000'000
                         << QStringLiteral("2026-12-09T15:41:08.123456+00:00");
    QTest::newRow("west of UTC, half hour") << QByteArray("America/St_Johns") << t + 2'000'000
                                            << QStringLiteral("2026-12-09T12:11:09.123456-03:30");
    QTest::newRow("microseconds below one millisecond")
        << QByteArray("UTC") << qint64(1'796'830'870'000'007)
        << QStringLiteral("2026-12-09T15:41:10.000007+00:00");
    QTest::newRow("before the epoch")
        << QByteArray("UTC") << qint64(-1) << QStringLiteral("1969-12-31T23:59:59.999999+00:00");
}

void TstRecord::isoTime() {
    QFETCH(QByteArray, zone);
    QFETCH(qint64, epochUs);
    QFETCH(QString, expected);
    qputenv("TZ", zone);
    tzset();
    QCOMPARE(Records::isoTime(epochUs), expected);
}

// One session over the simulated controller: every send, every reply and every
// event is one record, in order, with non-decreasing times.
void TstRecord::sessionStream() {
    auto *link = new SimLink;
    Session session(link);
    QList<Record> records;
    connect(&session, &Session::recorded, this, [&](const Record &r) { records << r; });

    QString error;
    QVERIFY2(session.open(QStringLiteral("sim"), PortSettings::Line{}, &error), qPrintable(error));
    const QByteArray query = Wire::rtu(Wire::bytes({0x01, 0x36, 0x00}));
    session.SendComm(query);
    QTRY_VERIFY(records.size() >= 3);
    session.setRegisterForm(true, RegisterForm::Function::Read, QStringLiteral("70000"));
    session.SendComm(query); // refused: register 70054 is beyond 65535
    session.setRegisterForm(false, RegisterForm::Function::Read, QString());
    session.setList({CommandList::frameLine(query)});
    session.startRun(20, QStringLiteral("20"));
    session.stopRun();
    session.close();

    QList<Kind> kinds;
    for (const Record &r : records)
        kinds << r.kind;
    QCOMPARE(kinds, (QList<Kind>{Kind::Opened, Kind::Request, Kind::Good, Kind::Refused,
                                 Kind::RunStarted, Kind::RunStopped, Kind::Closed}));
    for (int i = 0; i < records.size(); ++i) {
        QCOMPARE(records[i].seq, quint64(i + 1));
        QCOMPARE(records[i].port, QStringLiteral("sim"));
        if (i > 0)
            QVERIFY(records[i].timeUs >= records[i - 1].timeUs);
    }
    QCOMPARE(records[1].bytes, query);
    QCOMPARE(records[1].caption, QStringLiteral("查询运动速度:"));
    QCOMPARE(Records::valueText(records[2]).isEmpty(), false);
    QVERIFY(!records[3].detail.isEmpty());
    // The views hold exactly the frames' lines.
    QCOMPARE(session.sent().log.lines().size(), records[1].lines.size());
    QCOMPARE(session.received().count, records[2].bytes.size());
}

QTEST_GUILESS_MAIN(TstRecord)
#include "tst_record.moc"
