#pragma once
// Reference frame arithmetic for tests, written independently of the codec:
// CRC-16/MODBUS bit by bit, the LRC as the negated byte sum, ASCII framing by hand.
#include <QByteArray>
#include <QString>
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

// The bytes with a CRC that does not hold (its high byte changed).
inline QByteArray badCrc(const QByteArray &b) {
    QByteArray f = rtu(b);
    f[f.size() - 1] = char(f[f.size() - 1] ^ 0x5A);
    return f;
}

inline quint8 lrc(const QByteArray &b) {
    quint8 sum = 0;
    for (char ch : b)
        sum += quint8(ch);
    return quint8(-sum);
}

// ":" + two hex digits per byte (uppercase unless asked) + the LRC + CR LF.
inline QByteArray ascii(const QByteArray &b, bool lowercase = false) {
    QByteArray withLrc = b;
    withLrc.append(char(lrc(b)));
    const QByteArray digits = withLrc.toHex();
    return ':' + (lowercase ? digits : digits.toUpper()) + "\r\n";
}

// An ASCII frame of the bytes whose LRC is off by one.
inline QByteArray badLrc(const QByteArray &b) {
    QByteArray withWrong = b;
    withWrong.append(char(lrc(b) + 1));
    return ':' + withWrong.toHex().toUpper() + "\r\n";
}

// Two uppercase hex digits and a blank per byte.
inline QString spaced(const QByteArray &bytes) {
    QString s;
    for (const char c : bytes)
        s += QString::asprintf("%02X ", unsigned(quint8(c)));
    return s;
}

// One character per byte: ASCII as itself, any byte from 0x80 up as U+FFFD.
inline QString perByte(const QByteArray &bytes) {
    QString s;
    for (const char c : bytes)
        s += quint8(c) < 0x80 ? QChar(char16_t(quint8(c))) : QChar(char16_t(0xFFFD));
    return s;
}

} // namespace Wire
