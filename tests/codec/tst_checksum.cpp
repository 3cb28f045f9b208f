// CRC-16 and LRC of request bytes. Reference values were computed with a
// separate bitwise implementation in python3.
#include "codec/checksum.h"

#include <QtTest>

class TstChecksum : public QObject {
    Q_OBJECT
private slots:
    void crcBytesAreZeroBeforeFirstCalculation();
    void crc_data();
    void crc();
    void crcBytesFollowLastCalculation();
    void lrc_data();
    void lrc();
};

void TstChecksum::crcBytesAreZeroBeforeFirstCalculation() {
    QCOMPARE(CommSetting::CrcLo, quint8(0));
    QCOMPARE(CommSetting::CrcHi, quint8(0));
}

static QByteArray ramp(int size) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i % 256);
    return bytes;
}

void TstChecksum::crc_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<quint16>("crc");
    QTest::addColumn<QString>("text");

    QTest::newRow("check string 123456789") << QByteArray("123456789") << quint16(0x4B37) << "374B";
    QTest::newRow("handshake 01 20 00")
        << QByteArray::fromHex("012000") << quint16(0xC039) << "39C0";
    QTest::newRow("status query 01 36 00")
        << QByteArray::fromHex("013600") << quint16(0xA037) << "37A0";
    QTest::newRow("broadcast address 00 21 00")
        << QByteArray::fromHex("002100") << quint16(0x9069) << "6990";
    QTest::newRow("four data bytes")
        << QByteArray::fromHex("01250400000064") << quint16(0xDEFC) << "FCDE";
    QTest::newRow("high byte below 0x10 keeps its zero")
        << QByteArray::fromHex("010300000001") << quint16(0x0A84) << "840A";
    QTest::newRow("low byte below 0x10 keeps its zero")
        << QByteArray::fromHex("0180") << quint16(0x8001) << "0180";
    QTest::newRow("single byte FF, high byte zero")
        << QByteArray::fromHex("FF") << quint16(0x00FF) << "FF00";
    QTest::newRow("single byte 00") << QByteArray::fromHex("00") << quint16(0x40BF) << "BF40";
    QTest::newRow("single byte 80") << QByteArray::fromHex("80") << quint16(0xE0BE) << "BEE0";
    QTest::newRow("no bytes is the initial value") << QByteArray() << quint16(0xFFFF) << "FFFF";
    QTest::newRow("100000 zero bytes") << QByteArray(100000, '\0') << quint16(0x8623) << "2386";
    QTest::newRow("100000 bytes counting 00..FF") << ramp(100000) << quint16(0xC137) << "37C1";
}

void TstChecksum::crc() {
    QFETCH(QByteArray, bytes);
    QFETCH(quint16, crc);
    QFETCH(QString, text);

    QCOMPARE(CommSetting::crc16(bytes), crc);
    QCOMPARE(CommSetting::CalcCRC16(bytes), text);
    QCOMPARE(CommSetting::CrcLo, quint8(crc & 0xFF));
    QCOMPARE(CommSetting::CrcHi, quint8(crc >> 8));
}

void TstChecksum::crcBytesFollowLastCalculation() {
    CommSetting::CalcCRC16(QByteArray::fromHex("012000"));
    CommSetting::CalcCRC16(QByteArray::fromHex("013600"));
    QCOMPARE(CommSetting::CrcLo, quint8(0x37));
    QCOMPARE(CommSetting::CrcHi, quint8(0xA0));
    // crc16 alone leaves the stored bytes untouched.
    QCOMPARE(CommSetting::crc16(QByteArray::fromHex("012000")), quint16(0xC039));
    QCOMPARE(CommSetting::CrcLo, quint8(0x37));
    QCOMPARE(CommSetting::CrcHi, quint8(0xA0));
}

void TstChecksum::lrc_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<quint8>("lrc");

    QTest::newRow("handshake 01 20 00") << QByteArray::fromHex("012000") << quint8(0xDF);
    QTest::newRow("status query 01 36 00") << QByteArray::fromHex("013600") << quint8(0xC9);
    QTest::newRow("read request 01 03 00 00 00 01")
        << QByteArray::fromHex("010300000001") << quint8(0xFB);
    QTest::newRow("sum wraps past 256: FF 21 00") << QByteArray::fromHex("FF2100") << quint8(0xE0);
    QTest::newRow("byte above 7F counts unsigned: 01 80")
        << QByteArray::fromHex("0180") << quint8(0x7F);
    QTest::newRow("sum 256 gives 0") << QByteArray::fromHex("8080") << quint8(0x00);
    QTest::newRow("sum 512 gives 0") << QByteArray::fromHex("FFFF02") << quint8(0x00);
    QTest::newRow("sum 0 gives 0") << QByteArray::fromHex("0000") << quint8(0x00);
    QTest::newRow("no bytes gives 0") << QByteArray() << quint8(0x00);
    QTest::newRow("sum 1 gives FF") << QByteArray::fromHex("01") << quint8(0xFF);
    QTest::newRow("100000 bytes counting 00..FF") << ramp(100000) << quint8(0x50);
}

void TstChecksum::lrc() {
    QFETCH(QByteArray, bytes);
    QFETCH(quint8, lrc);
    QCOMPARE(CommSetting::CalcLRC(bytes), lrc);
}

QTEST_APPLESS_MAIN(TstChecksum)
#include "tst_checksum.moc"
