// The list runner's tick. Every expected trace below was worked out by hand
// from the tick rules: start at 1000 ms; an empty current line (or a position
// outside the list) holds the run; delay and jump lines send nothing, other
// lines send their bytes; the base text sets the interval when the timer takes
// it; a delay line after the current one sets the interval and is skipped; a
// jump line after it moves the run when its target is at most the line count.
#include "automation/runner.h"

#include <QtTest>

#include <algorithm>

namespace {

// Frames used in the lists, and their bytes as hex for the expected traces.
const QString A = QStringLiteral("01 0A ");
const QString B = QStringLiteral("02 0B ");
const QString C = QStringLiteral("03 0C ");

// One tick as "bytes @interval", "none @interval" when nothing is sent.
QString describe(const Runner::Tick &t) {
    const QString sent =
        t.send ? QString::fromLatin1(t.send->toHex(' ').toUpper()) : QStringLiteral("none");
    return sent + QStringLiteral(" @") + QString::number(t.interval);
}

} // namespace

class TstRunner : public QObject {
    Q_OBJECT
private slots:
    void run_data();
    void run();
    void restartGivesTheSameFirstTick();
    void wrapsFromLastLineToFirst_data();
    void wrapsFromLastLineToFirst();
    void readsOnlyCurrentAndNextLine_data();
    void readsOnlyCurrentAndNextLine();
    void intervalOf_data();
    void intervalOf();
};

void TstRunner::run_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("base");
    QTest::addColumn<QStringList>("trace"); // one entry per tick, from index 0
    QTest::addColumn<int>("finalIndex");

    QTest::newRow("one frame line is sent every tick")
        << QStringList{A} << QString("1000")
        << QStringList{"01 0A @1000", "01 0A @1000", "01 0A @1000"} << 0;

    QTest::newRow("delay between two frames")
        << QStringList{A, "Delay:300", B} << QString("1000")
        << QStringList{"01 0A @300", "02 0B @1000", "01 0A @300", "02 0B @1000"} << 0;

    QTest::newRow("jump back to the second line")
        << QStringList{A, B, "GoIdx:1"} << QString("1000")
        << QStringList{"01 0A @1000", "02 0B @1000", "02 0B @1000", "02 0B @1000"} << 1;

    QTest::newRow("delay line first sends nothing")
        << QStringList{"Delay:200", A} << QString("1000")
        << QStringList{"none @1000", "01 0A @1000", "none @1000"} << 1;

    // The delay is used up by the first tick, so the jump only ever comes up
    // as the current line, where it does nothing.
    QTest::newRow("jump right after a delay")
        << QStringList{A, "Delay:200", "GoIdx:0", B} << QString("1000")
        << QStringList{"01 0A @200", "none @1000", "02 0B @1000", "01 0A @200", "none @1000"} << 3;

    QTest::newRow("jump target equal to the line count idles")
        << QStringList{A, "GoIdx:2"} << QString("1000")
        << QStringList{"01 0A @1000", "none @1000", "none @1000", "none @1000"} << 2;

    QTest::newRow("jump target past the line count is ignored")
        << QStringList{A, "GoIdx:3"} << QString("1000")
        << QStringList{"01 0A @1000", "none @1000", "01 0A @1000"} << 1;

    QTest::newRow("empty list") << QStringList{} << QString("1000")
                                << QStringList{"none @1000", "none @1000"} << 0;

    QTest::newRow("blank line inside the list holds the run")
        << QStringList{A, QString(), B} << QString("1000")
        << QStringList{"01 0A @1000", "none @1000", "none @1000", "none @1000"} << 1;

    QTest::newRow("line of blanks sends nothing but moves on")
        << QStringList{"   ", A} << QString("1000")
        << QStringList{"none @1000", "01 0A @1000", "none @1000"} << 1;

    QTest::newRow("odd number of hex digits")
        << QStringList{"01 03 1"} << QString("1000")
        << QStringList{"01 03 01 @1000", "01 03 01 @1000"} << 0;

    QTest::newRow("ascii frame replayed as its bytes")
        << QStringList{"3A 30 31 32 30 30 30 44 46 0D 0A "} << QString("1000")
        << QStringList{"3A 30 31 32 30 30 30 44 46 0D 0A @1000",
                       "3A 30 31 32 30 30 30 44 46 0D 0A @1000"}
        << 0;

    QTest::newRow("base 0") << QStringList{A} << QString("0") << QStringList{"01 0A @0", "01 0A @0"}
                            << 0;

    QTest::newRow("base 250") << QStringList{A, B} << QString("250")
                              << QStringList{"01 0A @250", "02 0B @250", "01 0A @250"} << 1;

    QTest::newRow("base 70000 is refused")
        << QStringList{A} << QString("70000") << QStringList{"01 0A @1000", "01 0A @1000"} << 0;

    QTest::newRow("base 65535 is taken")
        << QStringList{A} << QString("65535") << QStringList{"01 0A @65535"} << 0;

    QTest::newRow("negative delay keeps the base and is used up")
        << QStringList{A, "Delay:-5", B} << QString("800")
        << QStringList{"01 0A @800", "02 0B @800", "01 0A @800"} << 2;

    QTest::newRow("delay above the timer range keeps the base")
        << QStringList{A, "Delay:70000", B} << QString("1000")
        << QStringList{"01 0A @1000", "02 0B @1000"} << 0;

    QTest::newRow("delay 0 stops the timer") << QStringList{A, "Delay:0", B} << QString("1000")
                                             << QStringList{"01 0A @0", "02 0B @1000"} << 0;

    QTest::newRow("delay as the last line")
        << QStringList{A, B, "Delay:300"} << QString("1000")
        << QStringList{"01 0A @1000", "02 0B @300", "01 0A @1000"} << 1;

    QTest::newRow("negative jump target leaves the list and idles")
        << QStringList{A, "GoIdx:-1"} << QString("1000")
        << QStringList{"01 0A @1000", "none @1000", "none @1000"} << -1;

    QTest::newRow("jump 1.5 rounds to 2")
        << QStringList{A, "GoIdx:1.5", B, C} << QString("1000")
        << QStringList{"01 0A @1000", "02 0B @1000", "03 0C @1000", "01 0A @1000"} << 2;

    QTest::newRow("jump 2.5 rounds to 2")
        << QStringList{A, "GoIdx:2.5", B, C} << QString("1000")
        << QStringList{"01 0A @1000", "02 0B @1000", "03 0C @1000", "01 0A @1000"} << 2;

    QTest::newRow("delay 6D33 keeps the base and is used up")
        << QStringList{A, "Delay:6D33", B} << QString("800")
        << QStringList{"01 0A @800", "02 0B @800", "01 0A @800"} << 2;

    QTest::newRow("base 1e999 is refused")
        << QStringList{A} << QString("1e999") << QStringList{"01 0A @1000", "01 0A @1000"} << 0;

    QTest::newRow("jump 1e30 is ignored")
        << QStringList{A, "GoIdx:1e30"} << QString("1000")
        << QStringList{"01 0A @1000", "none @1000", "01 0A @1000"} << 1;

    QTest::newRow("jump -1e999 is ignored")
        << QStringList{A, "GoIdx:-1e999"} << QString("1000")
        << QStringList{"01 0A @1000", "none @1000", "01 0A @1000"} << 1;

    QTest::newRow("jump to 17 hex digits is ignored")
        << QStringList{A, "GoIdx:&H123456789ABCDEF01"} << QString("1000")
        << QStringList{"01 0A @1000", "none @1000", "01 0A @1000"} << 1;

    QTest::newRow("jump 0 loops the whole list")
        << QStringList{A, B, "GoIdx:0"} << QString("500")
        << QStringList{"01 0A @500", "02 0B @500", "01 0A @500", "02 0B @500"} << 0;
}

void TstRunner::run() {
    QFETCH(QStringList, lines);
    QFETCH(QString, base);
    QFETCH(QStringList, trace);
    QFETCH(int, finalIndex);

    QStringList got;
    int index = 0;
    for (qsizetype i = 0; i < trace.size(); ++i) {
        const Runner::Tick t = Runner::tick(lines, index, base);
        QVERIFY2(t.interval >= 0 && t.interval <= Runner::MaxInterval,
                 qPrintable(QString::number(t.interval)));
        got << describe(t);
        index = t.index;
    }
    QCOMPARE(got, trace);
    QCOMPARE(index, finalIndex);
}

// Whether each tick moved the run from the last line back to the first ("1"),
// as counted by the command-line tool's --loops; a jump back never counts.
void TstRunner::wrapsFromLastLineToFirst_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("wraps"); // one digit per tick

    QTest::newRow("two frames") << QStringList{A, B} << QString("01010");
    QTest::newRow("delay as the last line is used up, then the wrap")
        << QStringList{A, "Delay:300"} << QString("111");
    QTest::newRow("delays inside and last")
        << QStringList{A, "Delay:5", B, "Delay:7"} << QString("0101");
    QTest::newRow("jump to 0 is no wrap") << QStringList{A, B, "GoIdx:0"} << QString("0000");
    QTest::newRow("jump back to 1 is no wrap")
        << QStringList{A, B, C, "GoIdx:1"} << QString("00000");
    QTest::newRow("delay line first, skipped, then the wrap")
        << QStringList{"Delay:1", A} << QString("0101");
    QTest::newRow("empty list holds") << QStringList{} << QString("000");
    QTest::newRow("one frame wraps every tick") << QStringList{A} << QString("111");
}

void TstRunner::wrapsFromLastLineToFirst() {
    QFETCH(QStringList, lines);
    QFETCH(QString, wraps);
    QString got;
    int index = 0;
    for (qsizetype i = 0; i < wraps.size(); ++i) {
        const Runner::Tick t = Runner::tick(lines, index, "1000");
        got += t.wrapped ? u'1' : u'0';
        index = t.index;
    }
    QCOMPARE(got, wraps);
}

void TstRunner::restartGivesTheSameFirstTick() {
    const QStringList lines{A, "Delay:300", B, C};
    int index = 0;
    for (int i = 0; i < 5; ++i)
        index = Runner::tick(lines, index, "1000").index;
    // Five ticks: 0 -> 2 -> 3 -> 0 -> 2 -> 3.
    QCOMPARE(index, 3);

    for (int restart = 0; restart < 2; ++restart) {
        const Runner::Tick first = Runner::tick(lines, 0, "1000");
        QVERIFY(first.send.has_value());
        QCOMPARE(*first.send, QByteArray::fromHex("010A"));
        QCOMPARE(first.interval, 300);
        QCOMPARE(first.index, 2);
    }
}

void TstRunner::readsOnlyCurrentAndNextLine_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<QList<int>>("read");

    QTest::newRow("first line") << 0 << QList<int>{0, 1};
    QTest::newRow("delay line as current") << 1 << QList<int>{1, 2};
    QTest::newRow("line before the jump") << 2 << QList<int>{2, 3};
    QTest::newRow("last line") << 3 << QList<int>{3};
    QTest::newRow("past the end") << 4 << QList<int>{};
    QTest::newRow("negative position") << -1 << QList<int>{};
}

void TstRunner::readsOnlyCurrentAndNextLine() {
    QFETCH(int, index);
    QFETCH(QList<int>, read);

    const QStringList lines{A, "Delay:300", B, "GoIdx:0"};
    QList<int> seen;
    const auto lineAt = [&](int i) {
        seen << i;
        return lines.at(i);
    };
    Runner::tick(lineAt, int(lines.size()), index, "1000");
    std::sort(seen.begin(), seen.end());
    seen.erase(std::unique(seen.begin(), seen.end()), seen.end());
    QCOMPARE(seen, read);
}

void TstRunner::intervalOf_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<int>("interval");

    QTest::newRow("0") << QString("0") << true << 0;
    QTest::newRow("65535") << QString("65535") << true << 65535;
    QTest::newRow("65536") << QString("65536") << false << 0;
    QTest::newRow("-1") << QString("-1") << false << 0;
    QTest::newRow("empty") << QString() << true << 0;
    QTest::newRow("2.5 to 2") << QString("2.5") << true << 2;
    QTest::newRow("3.5 to 4") << QString("3.5") << true << 4;
    QTest::newRow("65535.5 rounds out of range") << QString("65535.5") << false << 0;
    QTest::newRow("65535.4 rounds into range") << QString("65535.4") << true << 65535;
    QTest::newRow("-0.4 rounds to 0") << QString("-0.4") << true << 0;
    QTest::newRow("leading number") << QString("300ms") << true << 300;
    QTest::newRow("exponent") << QString("1e3") << true << 1000;
    QTest::newRow("6D33 refused") << QString("6D33") << false << 0;
    QTest::newRow("1e30 refused") << QString("1e30") << false << 0;
    QTest::newRow("1e999 refused") << QString("1e999") << false << 0;
    QTest::newRow("-1e999 refused") << QString("-1e999") << false << 0;
    QTest::newRow("17 hex digits refused") << QString("&H123456789ABCDEF01") << false << 0;
}

void TstRunner::intervalOf() {
    QFETCH(QString, text);
    QFETCH(bool, taken);
    QFETCH(int, interval);
    const std::optional<int> v = Runner::intervalOf(text);
    QCOMPARE(v.has_value(), taken);
    if (taken)
        QCOMPARE(*v, interval);
}

QTEST_APPLESS_MAIN(TstRunner)
#include "tst_runner.moc"
