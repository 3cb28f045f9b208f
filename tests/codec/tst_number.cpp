// The leading-number rule of the text fields and the request data encodings.
// Byte sequences were computed with python3's struct module.
#include "codec/number.h"

#include <QtTest>

#include <cmath>
#include <limits>

namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();

QByteArray describe(double actual, double expected) {
    return "actual " + QByteArray::number(actual, 'g', 17) + ", expected " +
           QByteArray::number(expected, 'g', 17);
}

} // namespace

class TstNumber : public QObject {
    Q_OBJECT
private slots:
    void leading_data();
    void leading();
    void roundEven_data();
    void roundEven();
    void h8_data();
    void h8();
    void d8_data();
    void d8();
    void s32_data();
    void s32();
    void u24_data();
    void u24();
};

void TstNumber::leading_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");

    // Decimal numbers.
    QTest::newRow("integer") << QString("12") << 12.0;
    QTest::newRow("fraction") << QString("2.5") << 2.5;
    QTest::newRow("no integer part") << QString(".5") << 0.5;
    QTest::newRow("trailing point") << QString("5.") << 5.0;
    QTest::newRow("plus sign") << QString("+5") << 5.0;
    QTest::newRow("minus sign") << QString("-1000") << -1000.0;
    QTest::newRow("exponent") << QString("1e3") << 1000.0;
    QTest::newRow("exponent with plus") << QString("1e+5") << 100000.0;
    QTest::newRow("negative exponent") << QString("1E-2") << 0.01;
    QTest::newRow("D exponent") << QString("1d2") << 100.0;
    QTest::newRow("uppercase D exponent") << QString("25D-1") << 2.5;
    QTest::newRow("exponent letter without digits") << QString("1e") << 1.0;
    QTest::newRow("exponent sign without digits") << QString("1e+") << 1.0;
    QTest::newRow("exponent letter then text") << QString("7eX") << 7.0;
    QTest::newRow("second point ends the number") << QString("1.2.3") << 1.2;
    QTest::newRow("comma ends the number") << QString("1,000") << 1.0;
    QTest::newRow("number then text") << QString("12abc") << 12.0;
    // Nothing numeric.
    QTest::newRow("empty") << QString() << 0.0;
    QTest::newRow("text") << QString("abc") << 0.0;
    QTest::newRow("sign alone") << QString("-") << 0.0;
    QTest::newRow("point alone") << QString(".") << 0.0;
    QTest::newRow("double sign") << QString("--5") << 0.0;
    QTest::newRow("exponent without mantissa") << QString("e5") << 0.0;
    // Ignored characters.
    QTest::newRow("blank between digits") << QString("1 2") << 12.0;
    QTest::newRow("blank after sign") << QString("- 5") << -5.0;
    QTest::newRow("tab and line feed anywhere") << QString("\t-\n5 .\t2 5") << -5.25;
    QTest::newRow("blank inside the exponent") << QString("1 e 2") << 100.0;
    QTest::newRow("carriage return is not ignored") << QString("1\r2") << 1.0;
    QTest::newRow("leading carriage return") << QString("\r5") << 0.0;
    // Hex.
    QTest::newRow("&H10") << QString("&H10") << 16.0;
    QTest::newRow("&HFF") << QString("&HFF") << 255.0;
    QTest::newRow("lowercase prefix and digits") << QString("&hff") << 255.0;
    QTest::newRow("&H7FFF") << QString("&H7FFF") << 32767.0;
    QTest::newRow("&H8000 is negative 16-bit") << QString("&H8000") << -32768.0;
    QTest::newRow("&HFFFF is -1") << QString("&HFFFF") << -1.0;
    QTest::newRow("five digits are 32-bit") << QString("&H10000") << 65536.0;
    QTest::newRow("five digits with leading zero") << QString("&H0FFFF") << 65535.0;
    QTest::newRow("&H80000000 is negative 32-bit") << QString("&H80000000") << -2147483648.0;
    QTest::newRow("&HFFFFFFFF is -1") << QString("&HFFFFFFFF") << -1.0;
    QTest::newRow("nine digits are unsigned") << QString("&H123456789") << 4886718345.0;
    QTest::newRow("nine digits FFFFFFFFF") << QString("&HFFFFFFFFF") << 68719476735.0;
    QTest::newRow("prefix without digits") << QString("&H") << 0.0;
    QTest::newRow("prefix then non-hex") << QString("&HZZ") << 0.0;
    QTest::newRow("hex stops at non-hex") << QString("&H1G") << 1.0;
    QTest::newRow("hex stops at point") << QString("&H1.5") << 1.0;
    QTest::newRow("blanks inside hex") << QString("& H 1 0") << 16.0;
    QTest::newRow("sign before prefix") << QString("-&H1") << 0.0;
    QTest::newRow("ampersand alone") << QString("&") << 0.0;
    QTest::newRow("unknown prefix") << QString("&X1") << 0.0;
    // Octal.
    QTest::newRow("&O17") << QString("&O17") << 15.0;
    QTest::newRow("lowercase octal prefix") << QString("&o17") << 15.0;
    QTest::newRow("&O77777") << QString("&O77777") << 32767.0;
    QTest::newRow("&O177777 is -1") << QString("&O177777") << -1.0;
    QTest::newRow("&O200000 is 32-bit") << QString("&O200000") << 65536.0;
    QTest::newRow("&O37777777777 is -1") << QString("&O37777777777") << -1.0;
    QTest::newRow("&O40000000000 is unsigned") << QString("&O40000000000") << 4294967296.0;
    QTest::newRow("octal stops at 8") << QString("&O78") << 7.0;
    QTest::newRow("octal prefix then 8") << QString("&O8") << 0.0;
    // Out of the double range.
    QTest::newRow("overflow") << QString("1e400") << Inf;
    QTest::newRow("negative overflow") << QString("-1e400") << -Inf;
    QTest::newRow("overflow from mantissa digits") << QString("1000e306") << Inf;
    QTest::newRow("underflow") << QString("1e-400") << 0.0;
    QTest::newRow("underflow from fraction digits") << QString("0.0001e-320") << 0.0;
    QTest::newRow("large but finite") << QString("0.001e310") << 1e307;
    QTest::newRow("6D33 is a D exponent") << QString("6D33") << 6e33;
    QTest::newRow("1e30") << QString("1e30") << 1e30;
    QTest::newRow("1e999 overflows") << QString("1e999") << Inf;
}

void TstNumber::leading() {
    QFETCH(QString, text);
    QFETCH(double, value);
    const double actual = Number::leading(text);
    QVERIFY2(actual == value, describe(actual, value).constData());
}

void TstNumber::roundEven_data() {
    QTest::addColumn<double>("in");
    QTest::addColumn<double>("out");

    QTest::newRow("0.5 to even 0") << 0.5 << 0.0;
    QTest::newRow("1.5 to even 2") << 1.5 << 2.0;
    QTest::newRow("2.5 to even 2") << 2.5 << 2.0;
    QTest::newRow("3.5 to even 4") << 3.5 << 4.0;
    QTest::newRow("-2.5 to even -2") << -2.5 << -2.0;
    QTest::newRow("-3.5 to even -4") << -3.5 << -4.0;
    QTest::newRow("below half") << 2.4 << 2.0;
    QTest::newRow("above half") << 2.6 << 3.0;
    QTest::newRow("negative above half") << -2.6 << -3.0;
    QTest::newRow("integer stays") << 7.0 << 7.0;
    QTest::newRow("large tie") << 2147483647.5 << 2147483648.0;
}

void TstNumber::roundEven() {
    QFETCH(double, in);
    QFETCH(double, out);
    const double actual = Number::roundEven(in);
    QVERIFY2(actual == out, describe(actual, out).constData());
}

namespace {

// -1 in the byte column marks a refused field.
void checkByte(const Number::Encoded<quint8> &e, int expected) {
    QCOMPARE(e.range.min, qint64(0));
    QCOMPARE(e.range.max, qint64(255));
    if (expected < 0) {
        QVERIFY2(!e.ok(), qPrintable(QString("accepted as %1").arg(e.value.value_or(0))));
    } else {
        QVERIFY(e.ok());
        QCOMPARE(int(*e.value), expected);
    }
}

void checkBytes(const Number::Encoded<QByteArray> &e, const QByteArray &expected) {
    QCOMPARE(e.range.min, qint64(-2147483648LL));
    QCOMPARE(e.range.max, qint64(2147483647LL));
    if (expected.isNull()) {
        QVERIFY2(!e.ok(), e.value.value_or(QByteArray()).toHex(' ').constData());
    } else {
        QVERIFY(e.ok());
        QCOMPARE(e.value->toHex(' '), expected.toHex(' '));
    }
}

} // namespace

void TstNumber::h8_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("byte");

    QTest::newRow("1") << QString("1") << 1;
    QTest::newRow("1A") << QString("1A") << 0x1A;
    QTest::newRow("10 is sixteen") << QString("10") << 16;
    QTest::newRow("FF") << QString("FF") << 255;
    QTest::newRow("lowercase ff") << QString("ff") << 255;
    QTest::newRow("empty is 0") << QString() << 0;
    QTest::newRow("non-hex is 0") << QString("G") << 0;
    QTest::newRow("stops at point") << QString("1.5") << 1;
    QTest::newRow("blanks inside") << QString(" F F") << 255;
    QTest::newRow("minus sign reads 0") << QString("-1") << 0;
    QTest::newRow("100 is 256, refused") << QString("100") << -1;
    QTest::newRow("FFFF is -1, refused") << QString("FFFF") << -1;
    QTest::newRow("7FFF refused") << QString("7FFF") << -1;
    QTest::newRow("FFFFFFFF is -1, refused") << QString("FFFFFFFF") << -1;
    QTest::newRow("eight digits 0000FFFF are 65535, refused") << QString("0000FFFF") << -1;
    QTest::newRow("nine digits read unsigned: 0000000FF") << QString("0000000FF") << 255;
    QTest::newRow("17 digits refused") << QString("123456789ABCDEF01") << -1;
    QTest::newRow("300 digits overflow, refused") << QString(300, u'F') << -1;
}

void TstNumber::h8() {
    QFETCH(QString, text);
    QFETCH(int, byte);
    checkByte(Number::h8(text), byte);
}

void TstNumber::d8_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("byte");

    QTest::newRow("0") << QString("0") << 0;
    QTest::newRow("255") << QString("255") << 255;
    QTest::newRow("letter reads 0") << QString("A") << 0;
    QTest::newRow("empty reads 0") << QString() << 0;
    QTest::newRow("number then text") << QString("12abc") << 12;
    QTest::newRow("exponent") << QString("1e2") << 100;
    QTest::newRow("hex prefix") << QString("&HFF") << 255;
    QTest::newRow("0.5 rounds to 0") << QString("0.5") << 0;
    QTest::newRow("1.5 rounds to 2") << QString("1.5") << 2;
    QTest::newRow("254.5 rounds to 254") << QString("254.5") << 254;
    QTest::newRow("-0.5 rounds to 0") << QString("-0.5") << 0;
    QTest::newRow("256 refused") << QString("256") << -1;
    QTest::newRow("255.5 rounds to 256, refused") << QString("255.5") << -1;
    QTest::newRow("-1 refused") << QString("-1") << -1;
    QTest::newRow("-0.6 rounds to -1, refused") << QString("-0.6") << -1;
    QTest::newRow("&HFFFF is -1, refused") << QString("&HFFFF") << -1;
    QTest::newRow("overflow refused") << QString("1e400") << -1;
    QTest::newRow("negative overflow refused") << QString("-1e999") << -1;
    QTest::newRow("6D33 refused") << QString("6D33") << -1;
    QTest::newRow("1e30 refused") << QString("1e30") << -1;
    QTest::newRow("17 hex digits refused") << QString("&H123456789ABCDEF01") << -1;
}

void TstNumber::d8() {
    QFETCH(QString, text);
    QFETCH(int, byte);
    checkByte(Number::d8(text), byte);
}

void TstNumber::s32_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes"); // null: refused

    QTest::newRow("100") << QString("100") << QByteArray::fromHex("00000064");
    QTest::newRow("-1") << QString("-1") << QByteArray::fromHex("FFFFFFFF");
    QTest::newRow("256") << QString("256") << QByteArray::fromHex("00000100");
    QTest::newRow("exponent 1e3") << QString("1e3") << QByteArray::fromHex("000003E8");
    QTest::newRow("2.5 rounds to 2") << QString("2.5") << QByteArray::fromHex("00000002");
    QTest::newRow("12.5 rounds to 12") << QString("12.5") << QByteArray::fromHex("0000000C");
    QTest::newRow("13.5 rounds to 14") << QString("13.5") << QByteArray::fromHex("0000000E");
    QTest::newRow("-1000") << QString("-1000") << QByteArray::fromHex("FFFFFC18");
    QTest::newRow("empty is 0") << QString() << QByteArray::fromHex("00000000");
    QTest::newRow("largest") << QString("2147483647") << QByteArray::fromHex("7FFFFFFF");
    QTest::newRow("smallest") << QString("-2147483648") << QByteArray::fromHex("80000000");
    QTest::newRow("smallest minus half rounds to smallest")
        << QString("-2147483648.5") << QByteArray::fromHex("80000000");
    QTest::newRow("&HFFFFFFFF is -1") << QString("&HFFFFFFFF") << QByteArray::fromHex("FFFFFFFF");
    QTest::newRow("&H80000000") << QString("&H80000000") << QByteArray::fromHex("80000000");
    QTest::newRow("largest plus one refused") << QString("2147483648") << QByteArray();
    QTest::newRow("largest plus half rounds up, refused")
        << QString("2147483647.5") << QByteArray();
    QTest::newRow("smallest minus one refused") << QString("-2147483649") << QByteArray();
    QTest::newRow("nine hex digits refused") << QString("&H100000000") << QByteArray();
    QTest::newRow("overflow refused") << QString("1e400") << QByteArray();
    QTest::newRow("negative overflow refused") << QString("-1e400") << QByteArray();
    QTest::newRow("6D33 refused") << QString("6D33") << QByteArray();
    QTest::newRow("1e30 refused") << QString("1e30") << QByteArray();
    QTest::newRow("1e999 refused") << QString("1e999") << QByteArray();
    QTest::newRow("17 hex digits refused") << QString("&H123456789ABCDEF01") << QByteArray();
}

void TstNumber::s32() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    checkBytes(Number::s32(text), bytes);
}

void TstNumber::u24_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes"); // null: refused

    QTest::newRow("1000") << QString("1000") << QByteArray::fromHex("0003E8");
    QTest::newRow("20000") << QString("20000") << QByteArray::fromHex("004E20");
    QTest::newRow("-1 keeps low 24 bits") << QString("-1") << QByteArray::fromHex("FFFFFF");
    QTest::newRow("largest 24-bit") << QString("16777215") << QByteArray::fromHex("FFFFFF");
    QTest::newRow("2^24 wraps to 0") << QString("16777216") << QByteArray::fromHex("000000");
    QTest::newRow("2^24 + 1 wraps to 1") << QString("16777217") << QByteArray::fromHex("000001");
    QTest::newRow("-2^24 wraps to 0") << QString("-16777216") << QByteArray::fromHex("000000");
    QTest::newRow("2.5 rounds to 2") << QString("2.5") << QByteArray::fromHex("000002");
    QTest::newRow("largest S32 keeps low bits")
        << QString("2147483647") << QByteArray::fromHex("FFFFFF");
    QTest::newRow("beyond S32 refused") << QString("2147483648") << QByteArray();
    QTest::newRow("overflow refused") << QString("1e400") << QByteArray();
    QTest::newRow("6D33 refused") << QString("6D33") << QByteArray();
    QTest::newRow("-1e30 refused") << QString("-1e30") << QByteArray();
    QTest::newRow("17 hex digits refused") << QString("&H123456789ABCDEF01") << QByteArray();
}

void TstNumber::u24() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    checkBytes(Number::u24(text), bytes);
}

QTEST_APPLESS_MAIN(TstNumber)
#include "tst_number.moc"
