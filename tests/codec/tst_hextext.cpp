// Hex text of traffic lines, list lines and typed entries. Double-byte codes
// were taken from python3's gbk codec.
#include "codec/hextext.h"

#include <QtTest>

namespace {

QString chars(std::initializer_list<char16_t> units) {
    QString s;
    for (const char16_t u : units)
        s.append(QChar(u));
    return s;
}

QByteArray codesOf(const QString &text) {
    QByteArray out;
    for (const QChar c : text)
        out += "U+" + QByteArray::number(c.unicode(), 16).rightJustified(4, '0') + ' ';
    return out;
}

} // namespace

class TstHexText : public QObject {
    Q_OBJECT
private slots:
    void stringToHex_data();
    void stringToHex();
    void hexToString_data();
    void hexToString();
    void spaced_data();
    void spaced();
    void bare_data();
    void bare();
    void pair_data();
    void pair();
    void parsePairs_data();
    void parsePairs();
};

void TstHexText::stringToHex_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("hex");

    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("two letters") << QString("AB") << QString("41 42 ");
    QTest::newRow("carriage return drops the leading zero") << QString("\r") << QString("D ");
    QTest::newRow("NUL is a single zero") << chars({0}) << QString("0 ");
    QTest::newRow("Chinese character is four digits") << chars({0x554A}) << QString("B0A1 ");
    QTest::newRow("mixed line") << chars({0x7535, 0x673A, 'A', '1', 0xFF1A, 0x6B63, 0x8F6C})
                                << QString("B5E7 BBFA 41 31 A3BA D5FD D7AA ");
    QTest::newRow("Euro sign is the single byte 80") << chars({0x20AC}) << QString("80 ");
    QTest::newRow("character outside the code page is '?'") << chars({0x0E01}) << QString("3F ");
    QTest::newRow("digits are uppercase") << QString("\x1f:") << QString("1F 3A ");
}

void TstHexText::stringToHex() {
    QFETCH(QString, text);
    QFETCH(QString, hex);
    QCOMPARE(CommSetting::StringToHex(text), hex);
}

void TstHexText::hexToString_data() {
    QTest::addColumn<QString>("hex");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("three letters") << QString("414243") << QString("ABC");
    QTest::newRow("single digit is a code") << QString("4") << chars({0x04});
    QTest::newRow("odd count gets a zero before the last digit")
        << QString("414") << chars({'A', 0x04});
    QTest::newRow("pair 00 is NUL") << QString("00") << chars({0});
    QTest::newRow("line end") << QString("0D0A") << QString("\r\n");
    QTest::newRow("lead byte pair with its trail") << QString("B0A1") << chars({0x554A});
    QTest::newRow("lowercase digits") << QString("b0a1") << chars({0x554A});
    QTest::newRow("two Chinese characters") << QString("D6D0CEC4") << chars({0x4E2D, 0x6587});
    QTest::newRow("Chinese between ASCII") << QString("41B0A142") << chars({'A', 0x554A, 'B'});
    QTest::newRow("GBK extension code with ASCII-range trail")
        << QString("B041") << chars({0x7646});
    QTest::newRow("lead byte at the end is read alone, 80 is the Euro sign")
        << QString("7F80") << chars({0x7F, 0x20AC});
    QTest::newRow("lone lead byte at the end") << QString("41B0") << chars({'A', 0xFFFD});
    QTest::newRow("odd count after a lead byte: AB0C is no code")
        << QString("ABC") << chars({0xFFFD});
    QTest::newRow("pair stops at non-hex second char") << QString("1Z41") << chars({0x01, 'A'});
    QTest::newRow("pair with non-hex first char reads 0") << QString("Z141") << chars({0, 'A'});
    QTest::newRow("lead byte followed by non-hex consumes the next pair")
        << QString("B0Z141") << chars({0xFFFD, 'A'});
}

void TstHexText::hexToString() {
    QFETCH(QString, hex);
    QFETCH(QString, text);
    const QString actual = CommSetting::HexToString(hex);
    QVERIFY2(actual == text, codesOf(actual).constData());
}

void TstHexText::spaced_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("no bytes") << QByteArray() << QString();
    QTest::newRow("small bytes keep their zero")
        << QByteArray::fromHex("010A") << QString("01 0A ");
    QTest::newRow("extremes, uppercase") << QByteArray::fromHex("00FFab") << QString("00 FF AB ");
    QTest::newRow("handshake frame")
        << QByteArray::fromHex("01200039C0") << QString("01 20 00 39 C0 ");
}

void TstHexText::spaced() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(HexText::spaced(bytes), text);
}

void TstHexText::bare_data() {
    QTest::addColumn<quint8>("byte");
    QTest::addColumn<QString>("text");

    QTest::newRow("zero") << quint8(0x00) << QString("0");
    QTest::newRow("one digit") << quint8(0x01) << QString("1");
    QTest::newRow("two digits uppercase") << quint8(0x1F) << QString("1F");
    QTest::newRow("zero second digit") << quint8(0xA0) << QString("A0");
    QTest::newRow("FF") << quint8(0xFF) << QString("FF");
}

void TstHexText::bare() {
    QFETCH(quint8, byte);
    QFETCH(QString, text);
    QCOMPARE(HexText::bare(byte), text);
}

void TstHexText::pair_data() {
    QTest::addColumn<quint8>("byte");
    QTest::addColumn<QString>("text");

    QTest::newRow("zero") << quint8(0x00) << QString("00");
    QTest::newRow("below 0x10") << quint8(0x0A) << QString("0A");
    QTest::newRow("uppercase") << quint8(0xAB) << QString("AB");
    QTest::newRow("FF") << quint8(0xFF) << QString("FF");
}

void TstHexText::pair() {
    QFETCH(quint8, byte);
    QFETCH(QString, text);
    QCOMPARE(HexText::pair(byte), text);
}

void TstHexText::parsePairs_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("mixed case with odd tail")
        << QString("01 2a 0") << QByteArray::fromHex("012A00");
    QTest::newRow("single digit") << QString("1") << QByteArray::fromHex("01");
    QTest::newRow("blanks removed before pairing")
        << QString("1 2 3") << QByteArray::fromHex("1203");
    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("only blanks") << QString("   ") << QByteArray();
    QTest::newRow("pair stops at non-hex second char")
        << QString("1Z") << QByteArray::fromHex("01");
    QTest::newRow("pair with non-hex first char reads 0")
        << QString("Z1") << QByteArray::fromHex("00");
    QTest::newRow("tab is not removed") << QString("\t1") << QByteArray::fromHex("00");
    QTest::newRow("spaced traffic line")
        << QString("01 20 00 39 C0 ") << QByteArray::fromHex("01200039C0");
    QTest::newRow("odd tail in a long run")
        << QString("0102030") << QByteArray::fromHex("01020300");
}

void TstHexText::parsePairs() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(HexText::parsePairs(text), bytes);
}

QTEST_APPLESS_MAIN(TstHexText)
#include "tst_hextext.moc"
