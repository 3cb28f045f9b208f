// Building and reading command list lines: frame lines, delay and jump lines,
// the delay field's range and the tag of a line.
#include "automation/commandlist.h"

#include <QtTest>

class TstCommandList : public QObject {
    Q_OBJECT
private slots:
    void frameLine_data();
    void frameLine();
    void delayAndJumpLines_data();
    void delayAndJumpLines();
    void clampDelay_data();
    void clampDelay();
    void frameBytes_data();
    void frameBytes();
    void tag_data();
    void tag();
    void numeric_data();
    void numeric();
};

void TstCommandList::frameLine_data() {
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("line");

    QTest::newRow("two bytes") << QByteArray::fromHex("010A") << QString("01 0A ");
    QTest::newRow("empty frame") << QByteArray() << QString();
    QTest::newRow("high and zero bytes") << QByteArray::fromHex("FF00") << QString("FF 00 ");
    QTest::newRow("digits are uppercase") << QByteArray::fromHex("ab3c") << QString("AB 3C ");
    QTest::newRow("ascii frame") << QByteArray(":01\r\n") << QString("3A 30 31 0D 0A ");
}

void TstCommandList::frameLine() {
    QFETCH(QByteArray, frame);
    QFETCH(QString, line);
    QCOMPARE(CommandList::frameLine(frame), line);
    // What is recorded replays as the same bytes.
    QCOMPARE(CommandList::frameBytes(line), frame);
}

void TstCommandList::delayAndJumpLines_data() {
    QTest::addColumn<bool>("jump");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("line");

    QTest::newRow("delay 1000") << false << QString("1000") << QString("Delay:1000");
    QTest::newRow("delay empty") << false << QString() << QString("Delay:");
    QTest::newRow("delay kept unchecked") << false << QString("abc") << QString("Delay:abc");
    QTest::newRow("jump empty") << true << QString() << QString("GoIdx:");
    QTest::newRow("jump 3") << true << QString("3") << QString("GoIdx:3");
    QTest::newRow("jump negative kept") << true << QString("-1") << QString("GoIdx:-1");
}

void TstCommandList::delayAndJumpLines() {
    QFETCH(bool, jump);
    QFETCH(QString, text);
    QFETCH(QString, line);
    QCOMPARE(jump ? CommandList::jumpLine(text) : CommandList::delayLine(text), line);
}

void TstCommandList::clampDelay_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("replaced");
    QTest::addColumn<QString>("replacement");

    QTest::newRow("empty") << QString() << true << QString("50");
    QTest::newRow("49") << QString("49") << true << QString("50");
    QTest::newRow("50 stays") << QString("50") << false << QString();
    QTest::newRow("1000 stays") << QString("1000") << false << QString();
    QTest::newRow("60000 stays") << QString("60000") << false << QString();
    QTest::newRow("60001") << QString("60001") << true << QString("60000");
    QTest::newRow("70000") << QString("70000") << true << QString("60000");
    QTest::newRow("letters read as 0") << QString("abc") << true << QString("50");
    QTest::newRow("exponent 1e5") << QString("1e5") << true << QString("60000");
    QTest::newRow("leading number 100abc stays") << QString("100abc") << false << QString();
    QTest::newRow("negative") << QString("-5") << true << QString("50");
    QTest::newRow("6D33 is clamped to the top") << QString("6D33") << true << QString("60000");
    QTest::newRow("1e999 is clamped to the top") << QString("1e999") << true << QString("60000");
    QTest::newRow("-1e999 is clamped to the bottom") << QString("-1e999") << true << QString("50");
    QTest::newRow("17 hex digits are clamped to the top")
        << QString("&H123456789ABCDEF01") << true << QString("60000");
}

void TstCommandList::clampDelay() {
    QFETCH(QString, text);
    QFETCH(bool, replaced);
    QFETCH(QString, replacement);
    const std::optional<QString> r = CommandList::clampDelay(text);
    QCOMPARE(r.has_value(), replaced);
    if (replaced)
        QCOMPARE(*r, replacement);
}

void TstCommandList::frameBytes_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("odd count gets a 0 before the last digit")
        << QString("01 03 1") << QByteArray::fromHex("010301");
    QTest::newRow("lowercase") << QString("01 2a") << QByteArray::fromHex("012A");
    QTest::newRow("pair read up to a non-hex char") << QString("1Z") << QByteArray::fromHex("01");
    QTest::newRow("pair starting with a non-hex char")
        << QString("Z1") << QByteArray::fromHex("00");
    QTest::newRow("blanks only") << QString("   ") << QByteArray();
    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("ascii frame line")
        << QString("3A 30 31 0D 0A ") << QByteArray::fromHex("3A30310D0A");
    QTest::newRow("single digit") << QString("7") << QByteArray::fromHex("07");
    QTest::newRow("blanks between digits of one byte")
        << QString("1 2 3") << QByteArray::fromHex("1203");
}

void TstCommandList::frameBytes() {
    QFETCH(QString, line);
    QFETCH(QByteArray, bytes);
    QCOMPARE(CommandList::frameBytes(line), bytes);
}

void TstCommandList::tag_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("tag");

    QTest::newRow("delay line") << QString("Delay:5") << QString("Delay");
    QTest::newRow("five characters have no tag") << QString("Delay") << QString();
    QTest::newRow("jump line without target") << QString("GoIdx:") << QString("GoIdx");
    QTest::newRow("frame line") << QString("01 0A ") << QString("01 0A");
    QTest::newRow("short frame line") << QString("01 ") << QString();
    QTest::newRow("empty") << QString() << QString();
}

void TstCommandList::tag() {
    QFETCH(QString, line);
    QFETCH(QString, tag);
    QCOMPARE(CommandList::tag(line), tag);
}

void TstCommandList::numeric_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");

    QTest::newRow("integer") << QString("300") << 300.0;
    QTest::newRow("empty") << QString() << 0.0;
    QTest::newRow("1.5 to 2") << QString("1.5") << 2.0;
    QTest::newRow("2.5 to 2") << QString("2.5") << 2.0;
    QTest::newRow("3.5 to 4") << QString("3.5") << 4.0;
    QTest::newRow("2.6 to 3") << QString("2.6") << 3.0;
    QTest::newRow("negative") << QString("-1") << -1.0;
    QTest::newRow("trailing letters") << QString("12ms") << 12.0;
}

void TstCommandList::numeric() {
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(CommandList::numeric(text), value);
}

QTEST_APPLESS_MAIN(TstCommandList)
#include "tst_commandlist.moc"
