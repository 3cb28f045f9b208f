// The watch: its schedule worked out by hand (queries spread over the
// interval, due times counted from the first, a stall starting the count
// afresh), and the session polling the simulated controller: queries in turn
// at the interval, their replies decoded, a move seen as rising positions,
// the read form of the register option, a stop on a port loss or a close.
#include "link/portsettings.h"
#include "link/session.h"
#include "link/watch.h"
#include "sim/simlink.h"

#include "codec/framing.h"
#include "commands/registerform.h"

#include <QtTest>

#include <algorithm>

namespace {

// Every record the session produces.
struct Recorder {
    QList<Records::Record> all;
    explicit Recorder(Session &s) {
        QObject::connect(&s, &Session::recorded, &s,
                         [this](const Records::Record &r) { all.append(r); });
    }
    QList<Records::Record> of(Records::Direction d) const {
        QList<Records::Record> out;
        for (const Records::Record &r : all)
            if (r.direction == d)
                out.append(r);
        return out;
    }
};

QByteArray query(quint8 code) {
    return Framing::rtu(QByteArray{"\x01", 1} + char(code) + '\x00');
}

PortSettings::Line line115200() {
    PortSettings::Line l;
    l.baud = 115200;
    return l;
}

double median(QList<double> v) {
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

} // namespace

class TstWatch : public QObject {
    Q_OBJECT
private slots:
    void schedule_data();
    void schedule();
    void queriesInTurnAtTheInterval_data();
    void queriesInTurnAtTheInterval();
    void moveShowsRisingPositions();
    void registerOptionSendsReads_data();
    void registerOptionSendsReads();
    void stops_data();
    void stops();
};

// Steps "time:result", time in ms, result the query taken or "-" for none.
void TstWatch::schedule_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("interval");
    QTest::addColumn<QList<int>>("times");
    QTest::addColumn<QString>("results");
    QTest::newRow("three spread over 30 ms")
        << 3 << 30 << QList<int>{0, 0, 9, 10, 20, 29, 30, 40, 50}
        << "0:0 0:- 9:- 10:1 20:2 29:- 30:0 40:1 50:2";
    QTest::newRow("a late send does not move the next due time")
        << 1 << 10 << QList<int>{0, 15, 19, 20, 25, 30} << "0:0 15:0 19:- 20:0 25:- 30:0";
    QTest::newRow("two late ones catch up within an interval")
        << 2 << 20 << QList<int>{0, 25, 25, 25, 30} << "0:0 25:1 25:0 25:- 30:1";
    QTest::newRow("a stall of more than an interval starts afresh")
        << 1 << 10 << QList<int>{0, 100, 105, 110, 120} << "0:0 100:0 105:- 110:0 120:0";
    QTest::newRow("a stall in the middle of a round")
        << 2 << 20 << QList<int>{0, 10, 20, 75, 80, 85, 95} << "0:0 10:1 20:0 75:1 80:- 85:0 95:1";
    QTest::newRow("an interval below 10 ms is taken as 10")
        << 1 << 5 << QList<int>{0, 5, 10} << "0:0 5:- 10:0";
    QTest::newRow("eleven queries over 100 ms")
        << 11 << 100 << QList<int>{0, 9, 10, 18, 19, 100, 100, 101}
        << "0:0 9:- 10:1 18:- 19:2 100:3 100:4 101:5";
}

void TstWatch::schedule() {
    QFETCH(int, count);
    QFETCH(int, interval);
    QFETCH(QList<int>, times);
    QFETCH(QString, results);
    Watch::Schedule s;
    constexpr qint64 base = 7'000'000'000; // any clock reading
    s.start(count, interval, base);
    QStringList got;
    for (const int ms : times) {
        const auto i = s.take(base + qint64(ms) * 1'000'000);
        got << QStringLiteral("%1:%2").arg(ms).arg(i ? QString::number(*i) : QStringLiteral("-"));
    }
    QCOMPARE(got.join(u' '), results);
}

void TstWatch::queriesInTurnAtTheInterval_data() {
    QTest::addColumn<QList<int>>("codes");
    QTest::addColumn<int>("interval");
    QTest::newRow("speed every 20 ms") << QList<int>{0x36} << 20;
    QTest::newRow("speed, position, status every 50 ms") << QList<int>{0x36, 0x37, 0x3B} << 50;
    QTest::newRow("the profile every 100 ms")
        << QList<int>{0x26, 0x28, 0x2A, 0x2C, 0x2E, 0x30} << 100;
}

void TstWatch::queriesInTurnAtTheInterval() {
    QFETCH(QList<int>, codes);
    QFETCH(int, interval);
    auto *link = new SimLink;
    link->setReplyDelay(1);
    Session session(link);
    Recorder rec(session);
    QString error;
    QVERIFY2(session.open(QStringLiteral("sim"), line115200(), &error), qPrintable(error));
    QList<QByteArray> frames;
    for (const int c : codes)
        frames << query(quint8(c));
    constexpr int Rounds = 12;
    session.startWatch(frames, interval);
    QVERIFY(session.watching());
    QTest::qWait(interval * Rounds - interval / 2);
    session.stopWatch();
    QVERIFY(!session.watching());
    QTest::qWait(30); // the last replies
    const QList<Records::Record> sent = rec.of(Records::Direction::Sent);

    // In turn, each query as given.
    QVERIFY2(sent.size() >= codes.size() * Rounds / 2 && sent.size() <= codes.size() * Rounds,
             qPrintable(QString::number(sent.size())));
    for (int i = 0; i < sent.size(); ++i)
        QCOMPARE(sent[i].bytes, frames[i % frames.size()]);
    // Each query once per interval (generous bounds: a loaded machine).
    QList<double> gaps;
    for (int i = codes.size(); i < sent.size(); ++i)
        gaps << double(sent[i].timeUs - sent[i - codes.size()].timeUs) / 1000.0;
    QString shown;
    for (const double g : gaps)
        shown += QString::number(g, 'f', 2) + u' ';
    QVERIFY2(std::abs(median(gaps) - interval) <= std::max(5.0, interval * 0.25),
             qPrintable(shown));
    // Spread over the interval: the queries of one round do not go out together.
    if (codes.size() > 1)
        QVERIFY(double(sent[1].timeUs - sent[0].timeUs) / 1000.0 >=
                interval / double(codes.size()) * 0.5);
    // Every query answered with its value (speeds of an idle axis are 0,
    // the profile its factory values).
    QList<Records::Record> good;
    for (const Records::Record &r : rec.of(Records::Direction::Received))
        if (r.kind == Records::Kind::Good && r.reply && r.reply->code)
            good << r;
    QCOMPARE(good.size(), sent.size());
    for (int i = 0; i < good.size(); ++i) {
        QCOMPARE(int(*good[i].reply->code), codes[i % codes.size()]);
        QVERIFY(good[i].reply->value || good[i].reply->status);
    }
}

void TstWatch::moveShowsRisingPositions() {
    auto *link = new SimLink;
    link->setReplyDelay(1);
    Session session(link);
    Recorder rec(session);
    QString error;
    QVERIFY(session.open(QStringLiteral("sim"), line115200(), &error));
    session.startWatch({query(0x37), query(0x36)}, 40);
    QTest::qWait(200);
    // A position move of 3000 pulses.
    session.SendComm(Framing::rtu(QByteArray::fromHex("01310400000BB8")));
    QTest::qWait(2500);
    session.stopWatch();
    QTest::qWait(30);
    QList<qint64> positions, speeds;
    for (const Records::Record &r : rec.of(Records::Direction::Received))
        if (r.kind == Records::Kind::Good && r.reply && r.reply->value)
            (*r.reply->code == 0x37 ? positions : speeds) << *r.reply->value;
    QVERIFY(positions.size() > 20);
    QCOMPARE(positions.first(), 0);
    QCOMPARE(positions.last(), 3000);
    QVERIFY(std::is_sorted(positions.begin(), positions.end()));
    // Seen on the way, not only at the ends.
    const auto between = std::count_if(positions.begin(), positions.end(),
                                       [](qint64 p) { return p > 0 && p < 3000; });
    QVERIFY2(between >= 3, qPrintable(QString::number(between)));
    QVERIFY(*std::max_element(speeds.begin(), speeds.end()) > 0);
    QCOMPARE(speeds.last(), 0);
}

void TstWatch::registerOptionSendsReads_data() {
    QTest::addColumn<int>("function"); // the selector the window shows
    QTest::newRow("read selected") << int(RegisterForm::Function::Read);
    QTest::newRow("write selected: the watch still reads") << int(RegisterForm::Function::Write);
}

void TstWatch::registerOptionSendsReads() {
    QFETCH(int, function);
    auto *link = new SimLink;
    Session session(link);
    Recorder rec(session);
    QString error;
    QVERIFY(session.open(QStringLiteral("sim"), line115200(), &error));
    session.setRegisterForm(true, RegisterForm::Function(function), QStringLiteral("100"));
    session.startWatch({query(0x37)}, 20);
    QTest::qWait(70);
    session.stopWatch();
    const QList<Records::Record> sent = rec.of(Records::Direction::Sent);
    QVERIFY(!sent.isEmpty());
    const auto want =
        RegisterForm::convert(query(0x37), RegisterForm::Function::Read, QStringLiteral("100"));
    QVERIFY(want.frame);
    QCOMPARE(quint8(want.frame->at(1)), quint8(0x03));
    for (const Records::Record &r : sent)
        QCOMPARE(r.bytes, *want.frame);
    // A button's send meanwhile keeps the selector's form.
    session.SendComm(query(0x37));
    const auto button =
        RegisterForm::convert(query(0x37), RegisterForm::Function(function), QStringLiteral("100"));
    QCOMPARE(rec.of(Records::Direction::Sent).last().bytes, *button.frame);
}

void TstWatch::stops_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("port loss") << "lost";
    QTest::newRow("close") << "close";
    QTest::newRow("request") << "stop";
    QTest::newRow("start on a closed line") << "closed";
    QTest::newRow("start with nothing to send") << "empty";
}

void TstWatch::stops() {
    QFETCH(QString, how);
    auto *link = new SimLink;
    Session session(link);
    Recorder rec(session);
    QSignalSpy stopped(&session, &Session::watchStopped);
    QString error;
    if (how != QLatin1String("closed"))
        QVERIFY(session.open(QStringLiteral("sim"), line115200(), &error));
    session.startWatch(
        how == QLatin1String("empty") ? QList<QByteArray>{} : QList<QByteArray>{query(0x36)}, 20);
    if (how == QLatin1String("closed") || how == QLatin1String("empty")) {
        QVERIFY(!session.watching());
        QCOMPARE(stopped.size(), 1);
        QVERIFY(rec.of(Records::Direction::Sent).isEmpty());
        return;
    }
    QTest::qWait(50);
    QVERIFY(session.watching());
    if (how == QLatin1String("lost")) {
        link->close();
        emit link->lost(QStringLiteral("unplugged"));
    } else if (how == QLatin1String("close")) {
        session.close();
    } else {
        session.stopWatch();
    }
    QVERIFY(!session.watching());
    QCOMPARE(stopped.size(), 1);
    const auto before = rec.of(Records::Direction::Sent).size();
    // Opened again (as a reconnect would): the watch stays stopped.
    if (how != QLatin1String("stop"))
        QVERIFY(session.open(QStringLiteral("sim"), line115200(), &error));
    QTest::qWait(80);
    QCOMPARE(rec.of(Records::Direction::Sent).size(), before);
    QCOMPARE(stopped.size(), 1);
}

QTEST_MAIN(TstWatch)
#include "tst_watch.moc"
