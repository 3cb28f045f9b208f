// The register form of a request: a device-form frame rewritten as Read Holding
// Registers (0x03) or Write Multiple Registers (0x10) at offset + command code.
// Frames written out in full were worked out by hand and their CRCs checked
// with a separate python3 CRC-16; the others are built with the test's own
// reference framing (support/wire.h).
#include "commands/registerform.h"
#include "support/wire.h"

#include <QtTest>

using RegisterForm::Function;
using Wire::bytes;

Q_DECLARE_METATYPE(Function)

namespace {
// A device-form request: address, code, length L, then `data` bytes.
QByteArray request(int address, int code, int length, const QByteArray &data) {
    QByteArray r;
    r.append(char(address)).append(char(code)).append(char(length));
    r.append(data);
    return r;
}

// L data bytes 1, 2, 3, ... (wrapping at 256).
QByteArray counting(int length) {
    QByteArray d;
    for (int i = 0; i < length; ++i)
        d.append(char((i + 1) & 0xFF));
    return d;
}

// The write frame the conversion must give for an L-byte request at register r:
// P = 4 x ceil(L / 4) bytes, Q = P / 2 registers, zeros after the data.
QByteArray writeRegisters(int address, int r, const QByteArray &data) {
    const int p = (data.size() + 3) / 4 * 4;
    QByteArray out = bytes({address, 0x10, r >> 8, r & 0xFF, (p / 2) >> 8, (p / 2) & 0xFF, p});
    out.append(data);
    out.append(QByteArray(p - data.size(), '\0'));
    return Wire::rtu(out);
}
} // namespace

class TstRegisterForm : public QObject {
    Q_OBJECT
private slots:
    void readCount_data();
    void readCount();
    void converts_data();
    void converts();
    void refuses_data();
    void refuses();
    void refusesOffsetBeyondS32AsTyped_data();
    void refusesOffsetBeyondS32AsTyped();
};

void TstRegisterForm::readCount_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("registers");

    // The value queries read two registers.
    QTest::newRow("baud query 23") << 0x23 << 2;
    QTest::newRow("initial speed query 26") << 0x26 << 2;
    QTest::newRow("maximum speed query 28") << 0x28 << 2;
    QTest::newRow("end speed query 2A") << 0x2A << 2;
    QTest::newRow("acceleration query 2C") << 0x2C << 2;
    QTest::newRow("deceleration query 2E") << 0x2E << 2;
    QTest::newRow("homing speed query 30") << 0x30 << 2;
    QTest::newRow("speed query 36") << 0x36 << 2;
    QTest::newRow("absolute position query 37") << 0x37 << 2;
    QTest::newRow("relative position query 39") << 0x39 << 2;
    QTest::newRow("status query 3B") << 0x3B << 2;
    QTest::newRow("IN state query 42") << 0x42 << 2;
    QTest::newRow("input state query 43") << 0x43 << 2;
    // Everything else reads none.
    QTest::newRow("handshake 20") << 0x20 << 0;
    QTest::newRow("address query 21") << 0x21 << 0;
    QTest::newRow("change address 22") << 0x22 << 0;
    QTest::newRow("change baud 24") << 0x24 << 0;
    QTest::newRow("initial speed setter 25") << 0x25 << 0;
    QTest::newRow("homing speed setter 2F") << 0x2F << 0;
    QTest::newRow("32-bit move 31") << 0x31 << 0;
    QTest::newRow("clear absolute position 38") << 0x38 << 0;
    QTest::newRow("clear relative position 3A") << 0x3A << 0;
    QTest::newRow("stop at once 3C") << 0x3C << 0;
    QTest::newRow("find origin 3E") << 0x3E << 0;
    QTest::newRow("mapping offset 3F") << 0x3F << 0;
    QTest::newRow("IO download 40") << 0x40 << 0;
    QTest::newRow("IO read 41") << 0x41 << 0;
    QTest::newRow("speed factor 44") << 0x44 << 0;
    QTest::newRow("factory settings 47") << 0x47 << 0;
    QTest::newRow("CAN payload 4C") << 0x4C << 0;
    QTest::newRow("code 00") << 0x00 << 0;
    QTest::newRow("code FF") << 0xFF << 0;
}

void TstRegisterForm::readCount() {
    QFETCH(int, code);
    QFETCH(int, registers);
    QCOMPARE(RegisterForm::readCount(quint8(code)), registers);
}

void TstRegisterForm::converts_data() {
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<Function>("function");
    QTest::addColumn<QString>("offset");
    QTest::addColumn<QByteArray>("expected");

    const auto R = Function::Read;
    const auto W = Function::Write;
    const QByteArray speedQuery = Wire::rtu(bytes({1, 0x36, 0}));

    // The controller's reference conversions.
    QTest::newRow("speed query at offset 0")
        << speedQuery << R << "0" << bytes({0x01, 0x03, 0x00, 0x36, 0x00, 0x02, 0x24, 0x05});
    QTest::newRow("initial speed 100 at offset 100")
        << bytes({0x01, 0x25, 0x04, 0x00, 0x00, 0x00, 0x64, 0xFC, 0xDE}) << W << "100"
        << bytes({0x01, 0x10, 0x00, 0x89, 0x00, 0x02, 0x04, 0x00, 0x00, 0x00, 0x64, 0x3A, 0x4E});
    QTest::newRow("handshake at offset 0")
        << bytes({0x01, 0x20, 0x00, 0x39, 0xC0}) << R << "0"
        << bytes({0x01, 0x03, 0x00, 0x20, 0x00, 0x00, 0x44, 0x00});
    QTest::newRow("new address 05, L = 1 pads to 4")
        << bytes({0x01, 0x22, 0x01, 0x05, 0x60, 0x41}) << W << "0"
        << bytes({0x01, 0x10, 0x00, 0x22, 0x00, 0x02, 0x04, 0x05, 0x00, 0x00, 0x00, 0x70, 0xA2});
    QTest::newRow("stop at once as write, L = 0")
        << bytes({0x01, 0x3C, 0x00, 0x31, 0x00}) << W << "0"
        << bytes({0x01, 0x10, 0x00, 0x3C, 0x00, 0x00, 0x00, 0x05, 0x00});
    QTest::newRow("stop at once as read")
        << bytes({0x01, 0x3C, 0x00, 0x31, 0x00}) << R << "0"
        << bytes({0x01, 0x03, 0x00, 0x3C, 0x00, 0x00, 0x85, 0xC6});

    // The selector alone decides the function.
    QTest::newRow("speed query as write")
        << speedQuery << W << "0" << Wire::rtu(bytes({1, 0x10, 0, 0x36, 0, 0, 0}));
    QTest::newRow("setter as read reads no register")
        << Wire::rtu(bytes({1, 0x25, 4, 0, 0, 0, 0x64})) << R << "0"
        << Wire::rtu(bytes({1, 0x03, 0, 0x25, 0, 0}));
    QTest::newRow("address byte carried over") << Wire::rtu(bytes({0x1F, 0x36, 0})) << R << "0"
                                               << Wire::rtu(bytes({0x1F, 0x03, 0, 0x36, 0, 2}));

    // The offset text: leading-number rule, ties to even.
    QTest::newRow("offset 100 on the speed query")
        << speedQuery << R << "100" << Wire::rtu(bytes({1, 3, 0, 0x9A, 0, 2}));
    QTest::newRow("empty offset reads 0")
        << speedQuery << R << "" << Wire::rtu(bytes({1, 3, 0, 0x36, 0, 2}));
    QTest::newRow("offset 100abc reads 100")
        << speedQuery << R << "100abc" << Wire::rtu(bytes({1, 3, 0, 0x9A, 0, 2}));
    QTest::newRow("offset with blanks 1 00")
        << speedQuery << R << " 1 00" << Wire::rtu(bytes({1, 3, 0, 0x9A, 0, 2}));
    QTest::newRow("offset &H100 is 256")
        << speedQuery << R << "&H100" << Wire::rtu(bytes({1, 3, 0x01, 0x36, 0, 2}));
    QTest::newRow("offset 2.5 rounds to 2")
        << speedQuery << R << "2.5" << Wire::rtu(bytes({1, 3, 0, 0x38, 0, 2}));
    QTest::newRow("offset 3.5 rounds to 4")
        << speedQuery << R << "3.5" << Wire::rtu(bytes({1, 3, 0, 0x3A, 0, 2}));
    QTest::newRow("offset &HFFFF reads -1: handshake at R = 31")
        << Wire::rtu(bytes({1, 0x20, 0})) << R << "&HFFFF"
        << Wire::rtu(bytes({1, 3, 0, 0x1F, 0, 0}));
    QTest::newRow("offset 1000 gives R 0x041E")
        << speedQuery << R << "1000" << Wire::rtu(bytes({1, 3, 0x04, 0x1E, 0, 2}));

    // Register addresses are unsigned 16-bit.
    QTest::newRow("negative offset with R = 0")
        << speedQuery << R << "-54" << Wire::rtu(bytes({1, 3, 0, 0, 0, 2}));
    QTest::newRow("R = 32767") << speedQuery << R << "32713"
                               << Wire::rtu(bytes({1, 3, 0x7F, 0xFF, 0, 2}));
    QTest::newRow("R = 32768 sent as 80 00")
        << speedQuery << R << "32714" << bytes({0x01, 0x03, 0x80, 0x00, 0x00, 0x02, 0xED, 0xCB});
    QTest::newRow("R = 65535 sent as FF FF")
        << speedQuery << R << "65481" << bytes({0x01, 0x03, 0xFF, 0xFF, 0x00, 0x02, 0xC4, 0x2F});
    QTest::newRow("write at R = 65535")
        << Wire::rtu(bytes({1, 0x25, 4, 0, 0, 0, 0x64})) << W << "65498"
        << writeRegisters(1, 0xFFFF, bytes({0, 0, 0, 0x64}));

    // Padding P = 4 x ceil(L / 4), also beyond 20 data bytes.
    for (int l : {2, 3, 4, 5, 8, 9, 13, 17, 20, 21, 24, 25, 100, 243, 244}) {
        const QByteArray data = counting(l);
        const QByteArray name =
            "L = " + QByteArray::number(l) + " pads to P = " + QByteArray::number((l + 3) / 4 * 4);
        QTest::newRow(name.constData())
            << Wire::rtu(request(1, 0x25, l, data)) << W << "0" << writeRegisters(1, 0x25, data);
    }
    // L = 21 written out: P = 24 (0x18), Q = 12 (0x0C).
    {
        QByteArray expected = bytes({1, 0x10, 0, 0x25, 0x00, 0x0C, 0x18});
        expected.append(counting(21));
        expected.append(QByteArray(3, '\0'));
        QTest::newRow("L = 21 gives Q = 12 and byte count 24")
            << Wire::rtu(request(1, 0x25, 21, counting(21))) << W << "0" << Wire::rtu(expected);
    }
    // The largest write: L = 244, P = 244 (0xF4), Q = 122 (0x7A).
    {
        QByteArray expected = bytes({1, 0x10, 0, 0x25, 0x00, 0x7A, 0xF4});
        expected.append(counting(244));
        QTest::newRow("L = 244 gives Q = 122 and byte count 244")
            << Wire::rtu(request(1, 0x25, 244, counting(244))) << W << "0" << Wire::rtu(expected);
    }
    QTest::newRow("read ignores a long data length")
        << Wire::rtu(request(1, 0x25, 250, counting(250))) << R << "0"
        << Wire::rtu(bytes({1, 3, 0, 0x25, 0, 0}));

    // Modbus ASCII in, Modbus ASCII out.
    QTest::newRow("ASCII speed query")
        << QByteArray(":013600C9\r\n") << R << "0" << Wire::ascii(bytes({1, 3, 0, 0x36, 0, 2}));
    QTest::newRow("ASCII speed query, written out")
        << Wire::ascii(bytes({1, 0x36, 0})) << R << "0" << QByteArray(":010300360002C4\r\n");
    QTest::newRow("ASCII initial speed at offset 100")
        << Wire::ascii(bytes({1, 0x25, 4, 0, 0, 0, 0x64})) << W << "100"
        << Wire::ascii(bytes({1, 0x10, 0, 0x89, 0, 2, 4, 0, 0, 0, 0x64}));
    QTest::newRow("ASCII lower-case digits")
        << QByteArray(":1f3c00a5\r\n") << R << "0" << Wire::ascii(bytes({0x1F, 3, 0, 0x3C, 0, 0}));
    QTest::newRow("ASCII stop at once as write") << Wire::ascii(bytes({1, 0x3C, 0})) << W << "0"
                                                 << Wire::ascii(bytes({1, 0x10, 0, 0x3C, 0, 0, 0}));
}

void TstRegisterForm::converts() {
    QFETCH(QByteArray, frame);
    QFETCH(Function, function);
    QFETCH(QString, offset);
    QFETCH(QByteArray, expected);

    const RegisterForm::Converted c = RegisterForm::convert(frame, function, offset);
    QVERIFY2(c.frame.has_value(), qPrintable(c.refusal));
    QCOMPARE(c.frame->toHex(' '), expected.toHex(' '));
    QVERIFY(c.refusal.isEmpty());
}

void TstRegisterForm::refuses_data() {
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<Function>("function");
    QTest::addColumn<QString>("offset");

    const auto R = Function::Read;
    const auto W = Function::Write;
    const QByteArray speedQuery = Wire::rtu(bytes({1, 0x36, 0}));

    QTest::newRow("R = 65536") << speedQuery << R << "65482";
    QTest::newRow("R = 65536 as write") << speedQuery << W << "65482";
    QTest::newRow("offset 65500 on the speed query") << speedQuery << R << "65500";
    QTest::newRow("offset &H10000 on the handshake")
        << Wire::rtu(bytes({1, 0x20, 0})) << R << "&H10000";
    QTest::newRow("R = -1") << speedQuery << R << "-55";
    QTest::newRow("negative offset -100") << speedQuery << R << "-100";
    QTest::newRow("offset -1000 on the handshake as write")
        << Wire::rtu(bytes({1, 0x20, 0})) << W << "-1000";
    QTest::newRow("ASCII frame at R = 65536") << Wire::ascii(bytes({1, 0x36, 0})) << R << "65482";

    // More than 123 registers.
    for (int l : {245, 246, 247, 255}) {
        const QByteArray name = "L = " + QByteArray::number(l);
        QTest::newRow(name.constData()) << Wire::rtu(request(1, 0x25, l, counting(l))) << W << "0";
    }
    QTest::newRow("ASCII L = 247") << Wire::ascii(request(1, 0x25, 247, counting(247))) << W << "0";

    // Too short to hold an address and a code.
    QTest::newRow("empty frame") << QByteArray() << R << "0";
    QTest::newRow("one-byte frame") << bytes({0x01}) << R << "0";
    QTest::newRow("one-byte frame as write") << bytes({0x01}) << W << "0";
    QTest::newRow("ASCII frame of one byte and LRC") << QByteArray(":01FF\r\n") << R << "0";
}

void TstRegisterForm::refuses() {
    QFETCH(QByteArray, frame);
    QFETCH(Function, function);
    QFETCH(QString, offset);

    const RegisterForm::Converted c = RegisterForm::convert(frame, function, offset);
    QVERIFY2(!c.frame.has_value(), c.frame ? c.frame->toHex(' ').constData() : "");
    QVERIFY(!c.refusal.isEmpty());
}

void TstRegisterForm::refusesOffsetBeyondS32AsTyped_data() {
    QTest::addColumn<Function>("function");
    QTest::addColumn<QString>("offset");
    QTest::addColumn<QString>("refusal");

    const auto R = Function::Read;
    const auto W = Function::Write;
    const QString asTyped = QStringLiteral("偏移地址 \"%1\" 超出范围,请设置0-65500之间");
    const QString register_ =
        QStringLiteral("寄存器地址 %1 超出范围,偏移地址加命令码须在0-65535之间");

    // Numbers no register arithmetic can take: refused as typed.
    QTest::newRow("D exponent 6D33") << R << "6D33" << asTyped.arg("6D33");
    QTest::newRow("6D33 as write") << W << "6D33" << asTyped.arg("6D33");
    QTest::newRow("1e30") << R << "1e30" << asTyped.arg("1e30");
    QTest::newRow("1e999 overflows to infinity") << R << "1e999" << asTyped.arg("1e999");
    QTest::newRow("-1e999") << W << "-1e999" << asTyped.arg("-1e999");
    QTest::newRow("17 hex digits")
        << R << "&H123456789ABCDEF01" << asTyped.arg("&H123456789ABCDEF01");
    QTest::newRow("-6D33") << R << "-6D33" << asTyped.arg("-6D33");
    QTest::newRow("S32 largest plus one") << R << "2147483648" << asTyped.arg("2147483648");
    QTest::newRow("S32 largest plus half rounds out")
        << R << "2147483647.5" << asTyped.arg("2147483647.5");
    QTest::newRow("S32 smallest minus one") << R << "-2147483649" << asTyped.arg("-2147483649");
    QTest::newRow("text quoted with its blanks") << R << " 1 e 3 0 " << asTyped.arg(" 1 e 3 0 ");

    // Within S32 the sum is formed and checked as a register address.
    QTest::newRow("S32 largest: R = 2147483701")
        << R << "2147483647" << register_.arg(2147483701LL);
    QTest::newRow("S32 smallest: R = -2147483594")
        << R << "-2147483648" << register_.arg(-2147483594LL);
    QTest::newRow("&H80000000 is the S32 smallest: R = -2147483594")
        << W << "&H80000000" << register_.arg(-2147483594LL);
    QTest::newRow("nine hex digits read unsigned, beyond S32")
        << R << "&H123456789" << asTyped.arg("&H123456789");
}

void TstRegisterForm::refusesOffsetBeyondS32AsTyped() {
    QFETCH(Function, function);
    QFETCH(QString, offset);
    QFETCH(QString, refusal);

    // The speed query, code 0x36.
    const RegisterForm::Converted c =
        RegisterForm::convert(Wire::rtu(bytes({1, 0x36, 0})), function, offset);
    QVERIFY2(!c.frame.has_value(), c.frame ? c.frame->toHex(' ').constData() : "");
    QCOMPARE(c.refusal, refusal);
}

QTEST_APPLESS_MAIN(TstRegisterForm)
#include "tst_registerform.moc"
