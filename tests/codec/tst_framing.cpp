// Request frames in RTU and ASCII form. CRC and LRC values were computed with
// a separate python3 implementation.
#include "codec/framing.h"

#include <QtTest>

using Framing::Protocol;

class TstFraming : public QObject {
    Q_OBJECT
private slots:
    void protocolFromText_data();
    void protocolFromText();
    void frames_data();
    void frames();
    void decodeAscii_data();
    void decodeAscii();
};

void TstFraming::protocolFromText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("rtu");

    QTest::newRow("exact RTU text") << QString("Modbus RTU") << true;
    QTest::newRow("ASCII text") << QString("Modbus ASC") << false;
    QTest::newRow("lowercase is not RTU") << QString("modbus rtu") << false;
    QTest::newRow("trailing blank is not RTU") << QString("Modbus RTU ") << false;
    QTest::newRow("leading blank is not RTU") << QString(" Modbus RTU") << false;
    QTest::newRow("empty is ASCII") << QString() << false;
}

void TstFraming::protocolFromText() {
    QFETCH(QString, text);
    QFETCH(bool, rtu);
    QCOMPARE(Framing::protocolFromText(text) == Protocol::Rtu, rtu);
}

void TstFraming::frames_data() {
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("rtuFrame");
    QTest::addColumn<QByteArray>("asciiFrame");

    QTest::newRow("handshake") << QByteArray::fromHex("012000") << QByteArray::fromHex("01200039C0")
                               << QByteArray(":012000DF\r\n");
    QTest::newRow("status query") << QByteArray::fromHex("013600")
                                  << QByteArray::fromHex("01360037A0")
                                  << QByteArray(":013600C9\r\n");
    QTest::newRow("broadcast address 00")
        << QByteArray::fromHex("002100") << QByteArray::fromHex("0021006990")
        << QByteArray(":002100DF\r\n");
    QTest::newRow("address below 0x10 gives two digits")
        << QByteArray::fromHex("0F3600") << QByteArray::fromHex("0F36005663")
        << QByteArray(":0F3600BB\r\n");
    QTest::newRow("four data bytes")
        << QByteArray::fromHex("01250400000064") << QByteArray::fromHex("01250400000064FCDE")
        << QByteArray(":0125040000006472\r\n");
    QTest::newRow("hex letters are uppercase")
        << QByteArray::fromHex("021004000186A0") << QByteArray::fromHex("021004000186A0F848")
        << QByteArray(":021004000186A0C3\r\n");
    QTest::newRow("CRC high byte below 0x10")
        << QByteArray::fromHex("010300000001") << QByteArray::fromHex("010300000001840A")
        << QByteArray(":010300000001FB\r\n");
    QTest::newRow("LRC wraps: FF 21 00")
        << QByteArray::fromHex("FF2100") << QByteArray::fromHex("FF210059A0")
        << QByteArray(":FF2100E0\r\n");
}

void TstFraming::frames() {
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, rtuFrame);
    QFETCH(QByteArray, asciiFrame);

    QCOMPARE(Framing::rtu(request).toHex(' '), rtuFrame.toHex(' '));
    QCOMPARE(Framing::ascii(request), asciiFrame);
    QCOMPARE(Framing::frame(request, Protocol::Rtu).toHex(' '), rtuFrame.toHex(' '));
    QCOMPARE(Framing::frame(request, Protocol::Ascii), asciiFrame);
    QCOMPARE(rtuFrame.size(), request.size() + 2);
    QCOMPARE(asciiFrame.size(), 1 + 2 * request.size() + 2 + 2);
}

void TstFraming::decodeAscii_data() {
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("bytes"); // null: refused

    QTest::newRow("handshake with LRC")
        << QByteArray(":012000DF\r\n") << QByteArray::fromHex("012000DF");
    QTest::newRow("lowercase digits")
        << QByteArray(":0f3600bb\r\n") << QByteArray::fromHex("0F3600BB");
    QTest::newRow("mixed case digits") << QByteArray(":0aBc\r\n") << QByteArray::fromHex("0ABC");
    QTest::newRow("shortest: four digits")
        << QByteArray(":0102\r\n") << QByteArray::fromHex("0102");
    QTest::newRow("wrong LRC is not checked")
        << QByteArray(":01200000\r\n") << QByteArray::fromHex("01200000");
    QTest::newRow("nine-byte answer")
        << QByteArray(":0125040000006472\r\n") << QByteArray::fromHex("0125040000006472");
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("no colon") << QByteArray("012000DF\r\n") << QByteArray();
    QTest::newRow("colon not first") << QByteArray(" :012000DF\r\n") << QByteArray();
    QTest::newRow("odd digit count") << QByteArray(":012000D\r\n") << QByteArray();
    QTest::newRow("two digits only") << QByteArray(":01\r\n") << QByteArray();
    QTest::newRow("no digits") << QByteArray(":\r\n") << QByteArray();
    QTest::newRow("non-hex digit") << QByteArray(":0120G0DF\r\n") << QByteArray();
    QTest::newRow("blank inside") << QByteArray(":01 2000DF\r\n") << QByteArray();
    QTest::newRow("second colon") << QByteArray("::012000DF\r\n") << QByteArray();
    QTest::newRow("missing CR LF") << QByteArray(":012000DF") << QByteArray();
    QTest::newRow("LF only") << QByteArray(":012000DF\n") << QByteArray();
    QTest::newRow("CR only") << QByteArray(":012000DF\r") << QByteArray();
    QTest::newRow("LF CR swapped") << QByteArray(":012000DF\n\r") << QByteArray();
    QTest::newRow("trailing byte") << QByteArray(":012000DF\r\nX") << QByteArray();
    QTest::newRow("second CR LF") << QByteArray(":012000DF\r\n\r\n") << QByteArray();
    QTest::newRow("two frames") << QByteArray(":012000DF\r\n:012000DF\r\n") << QByteArray();
    QTest::newRow("NUL inside") << QByteArray(":0120\0"
                                              "0DF\r\n",
                                              11)
                                << QByteArray();
}

void TstFraming::decodeAscii() {
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, bytes);

    const std::optional<QByteArray> decoded = Framing::decodeAscii(frame);
    if (bytes.isNull()) {
        QVERIFY2(!decoded, decoded.value_or(QByteArray()).toHex(' ').constData());
    } else {
        QVERIFY(decoded.has_value());
        QCOMPARE(decoded->toHex(' '), bytes.toHex(' '));
    }
}

QTEST_APPLESS_MAIN(TstFraming)
#include "tst_framing.moc"
