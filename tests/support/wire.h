#pragma once
// Reference frame arithmetic for tests, written independently of the codec:
// CRC-16/MODBUS bit by bit, the LRC as the negated byte sum, ASCII framing by hand.
#include <QByteArray>
#include <initializer_list>

namespace Wire {

inline QByteArray bytes(std::initializer_list<int> b) {
    QByteArray out;
    for (int v : b)
        out.append(char(v));
    return out;
}

inline quint16 crc(const QByteArray &b) {
    quint16 c = 0xFFFF;
    for (char ch : b) {
        c ^= quint8(ch);
        for (int i = 0; i < 8; ++i)
            c = (c & 1) ? (c >> 1) ^ 0xA001 : c >> 1;
    }
    return c;
}

// The bytes followed by their CRC, low byte first.
inline QByteArray rtu(QByteArray b) {
    const quint16 c = crc(b);
    b.append(char(c & 0xFF));
    b.append(char(c >> 8));
    return b;
}

inline quint8 lrc(const QByteArray &b) {
    quint8 sum = 0;
    for (char ch : b)
        sum += quint8(ch);
    return quint8(-sum);
}

// ":" + two uppercase hex digits per byte + the LRC + CR LF.
inline QByteArray ascii(const QByteArray &b) {
    QByteArray withLrc = b;
    withLrc.append(char(lrc(b)));
    return ':' + withLrc.toHex().toUpper() + "\r\n";
}

} // namespace Wire
