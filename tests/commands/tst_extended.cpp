// The IO-substitution rule (mask byte, download request) and the CAN payload
// request. Frames written out in full were worked out by hand, CRCs checked
// with a separate python3 CRC-16; the others use support/wire.h.
#include "commands/extended.h"
#include "support/wire.h"

#include <QtTest>

using Wire::bytes;

namespace {
// Space-separated hex of n command bytes 00, 01, 02, ...
QString commandText(int n) {
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b.append(char(i & 0xFF));
    return QString::fromLatin1(b.toHex(' '));
}
QByteArray commandBytes(int n) {
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b.append(char(i & 0xFF));
    return b;
}
} // namespace

class TstExtended : public QObject {
    Q_OBJECT
private slots:
    void mask_data();
    void mask();
    void download_data();
    void download();
    void downloadRefused_data();
    void downloadRefused();
    void downloadOfEmptyTextIsNothing();
    void payloadRequest_data();
    void payloadRequest();
};

void TstExtended::mask_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<int>("mask");

    QTest::newRow("default 00001 is IN1") << "00001" << 0x01;
    QTest::newRow("00101 is IN3 and IN1") << "00101" << 0x05;
    QTest::newRow("10000 is IN5") << "10000" << 0x10;
    QTest::newRow("01000 is IN4") << "01000" << 0x08;
    QTest::newRow("00010 is IN2") << "00010" << 0x02;
    QTest::newRow("11111 is all five") << "11111" << 0x1F;
    QTest::newRow("10101") << "10101" << 0x15;
    QTest::newRow("00000") << "00000" << 0x00;
    QTest::newRow("four characters: the fifth is missing") << "0010" << 0x04;
    QTest::newRow("one character is IN5") << "1" << 0x10;
    QTest::newRow("sixth character ignored") << "000001" << 0x00;
    QTest::newRow("other characters count as 0") << "1x2y1" << 0x11;
    QTest::newRow("letters") << "abc" << 0x00;
    QTest::newRow("empty") << "" << 0x00;
}

void TstExtended::mask() {
    QFETCH(QString, pattern);
    QFETCH(int, mask);
    QCOMPARE(int(IoSubst::mask(pattern)), mask);
}

void TstExtended::download_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("captured 32-bit move, address 1")
        << "1"
        << "00001"
        << "31 04 00 00 27 10 "
        << bytes({0x01, 0x40, 0x07, 0x01, 0x31, 0x04, 0x00, 0x00, 0x27, 0x10, 0xAE, 0xFA});
    QTest::newRow("address text 10 is decimal: 0x0A")
        << "10"
        << "00001"
        << "31 04 00 00 27 10 "
        << bytes({0x0A, 0x40, 0x07, 0x01, 0x31, 0x04, 0x00, 0x00, 0x27, 0x10, 0xDF, 0x1F});
    QTest::newRow("digits without spaces")
        << "1"
        << "00001"
        << "310400002710" << Wire::rtu(bytes({1, 0x40, 7, 1, 0x31, 4, 0, 0, 0x27, 0x10}));
    QTest::newRow("lower-case digits") << "1"
                                       << "00001"
                                       << "3c 00" << Wire::rtu(bytes({1, 0x40, 3, 1, 0x3C, 0}));
    QTest::newRow("mask of 00101") << "1"
                                   << "00101"
                                   << "3C 00" << Wire::rtu(bytes({1, 0x40, 3, 0x05, 0x3C, 0}));
    QTest::newRow("mask of 11111") << "1"
                                   << "11111"
                                   << "3D 00" << Wire::rtu(bytes({1, 0x40, 3, 0x1F, 0x3D, 0}));
    QTest::newRow("odd digit count: 0 before the last")
        << "1"
        << "00001"
        << "1 2 3" << Wire::rtu(bytes({1, 0x40, 3, 1, 0x12, 0x03}));
    QTest::newRow("captured ASCII characters are command bytes")
        << "1"
        << "00001"
        << "33 43 30 30 43 34 "
        << Wire::rtu(bytes({1, 0x40, 7, 1, 0x33, 0x43, 0x30, 0x30, 0x43, 0x34}));
    QTest::newRow("blank command text: mask alone") << "1"
                                                    << "00001"
                                                    << "   " << Wire::rtu(bytes({1, 0x40, 1, 1}));
    QTest::newRow("address 0") << "0"
                               << "00001"
                               << "3C 00" << Wire::rtu(bytes({0, 0x40, 3, 1, 0x3C, 0}));
    QTest::newRow("address 255") << "255"
                                 << "00001"
                                 << "3C 00" << Wire::rtu(bytes({0xFF, 0x40, 3, 1, 0x3C, 0}));
    QTest::newRow("empty address reads 0") << ""
                                           << "00001"
                                           << "3C 00" << Wire::rtu(bytes({0, 0x40, 3, 1, 0x3C, 0}));
    QTest::newRow("address 1F reads as decimal 1")
        << "1F"
        << "00001"
        << "3C 00" << Wire::rtu(bytes({1, 0x40, 3, 1, 0x3C, 0}));
    QTest::newRow("address 2.5 rounds to 2")
        << "2.5"
        << "00001"
        << "3C 00" << Wire::rtu(bytes({2, 0x40, 3, 1, 0x3C, 0}));

    {
        QByteArray request = bytes({1, 0x40, 0xFF, 0x01});
        request.append(commandBytes(254));
        QTest::newRow("254 command bytes: count FF")
            << "1"
            << "00001" << commandText(254) << Wire::rtu(request);
    }
}

void TstExtended::download() {
    QFETCH(QString, address);
    QFETCH(QString, pattern);
    QFETCH(QString, command);
    QFETCH(QByteArray, expected);

    const IoSubst::Built b = IoSubst::download(address, pattern, command);
    QVERIFY2(b.frame.has_value(), qPrintable(b.refusal));
    QCOMPARE(b.frame->toHex(' '), expected.toHex(' '));
    QVERIFY(b.refusal.isEmpty());
}

void TstExtended::downloadRefused_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("command");

    QTest::newRow("255 command bytes") << "1" << commandText(255);
    QTest::newRow("300 command bytes") << "1" << commandText(300);
    QTest::newRow("address 256") << "256"
                                 << "3C 00";
    QTest::newRow("address -1") << "-1"
                                << "3C 00";
    QTest::newRow("address 255.5 rounds to 256") << "255.5"
                                                 << "3C 00";
    QTest::newRow("address 1000") << "1000"
                                  << "3C 00";
    QTest::newRow("address 6D33") << "6D33"
                                  << "3C 00";
    QTest::newRow("address 1e999") << "1e999"
                                   << "3C 00";
    QTest::newRow("address -1e999") << "-1e999"
                                    << "3C 00";
    QTest::newRow("address of 17 hex digits") << "&H123456789ABCDEF01"
                                              << "3C 00";
}

void TstExtended::downloadRefused() {
    QFETCH(QString, address);
    QFETCH(QString, command);

    const IoSubst::Built b = IoSubst::download(address, QStringLiteral("00001"), command);
    QVERIFY(!b.frame.has_value());
    QVERIFY(!b.refusal.isEmpty());
}

void TstExtended::downloadOfEmptyTextIsNothing() {
    // Nothing to download is no error: neither a frame nor a refusal.
    for (const QString &address : {QStringLiteral("1"), QStringLiteral("256")}) {
        const IoSubst::Built b = IoSubst::download(address, QStringLiteral("00001"), QString());
        QVERIFY(!b.frame.has_value());
        QVERIFY(b.refusal.isEmpty());
    }
}

void TstExtended::payloadRequest_data() {
    QTest::addColumn<int>("address");
    QTest::addColumn<QString>("payload");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("default payload")
        << 1 << "01 02 03 04 05" << bytes({0x01, 0x4C, 0x05, 0x01, 0x02, 0x03, 0x04, 0x05});
    QTest::newRow("seven bytes: five kept, count 05")
        << 1 << "01 02 03 04 05 06 07" << bytes({1, 0x4C, 5, 1, 2, 3, 4, 5});
    QTest::newRow("six bytes without spaces")
        << 1 << "AABBCCDDEEFF" << bytes({1, 0x4C, 5, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE});
    QTest::newRow("only spaces: count 00") << 1 << "     " << bytes({1, 0x4C, 0});
    QTest::newRow("empty: count 00") << 1 << "" << bytes({1, 0x4C, 0});
    QTest::newRow("odd digits 1 2 3") << 1 << "1 2 3" << bytes({1, 0x4C, 2, 0x12, 0x03});
    QTest::newRow("odd digits ABCDE") << 1 << "ABCDE" << bytes({1, 0x4C, 3, 0xAB, 0xCD, 0x0E});
    QTest::newRow("single digit") << 1 << "7" << bytes({1, 0x4C, 1, 0x07});
    QTest::newRow("lower-case") << 1 << "ab cd" << bytes({1, 0x4C, 2, 0xAB, 0xCD});
    QTest::newRow("one byte") << 1 << "FF" << bytes({1, 0x4C, 1, 0xFF});
    QTest::newRow("address 1F") << 0x1F << "01 02" << bytes({0x1F, 0x4C, 2, 1, 2});
    QTest::newRow("address FF") << 0xFF << "00" << bytes({0xFF, 0x4C, 1, 0});
}

void TstExtended::payloadRequest() {
    QFETCH(int, address);
    QFETCH(QString, payload);
    QFETCH(QByteArray, expected);
    QCOMPARE(Can::payloadRequest(quint8(address), payload).toHex(' '), expected.toHex(' '));
}

QTEST_APPLESS_MAIN(TstExtended)
#include "tst_extended.moc"
