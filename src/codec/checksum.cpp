#include "checksum.h"

#include "hextext.h"

namespace CommSetting {

quint8 CrcLo = 0;
quint8 CrcHi = 0;

quint16 crc16(const QByteArray &bytes) {
    quint16 crc = 0xFFFF;
    for (const char b : bytes) {
        crc ^= quint8(b);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return crc;
}

QString CalcCRC16(const QByteArray &bytes) {
    const quint16 crc = crc16(bytes);
    CrcLo = quint8(crc & 0xFF);
    CrcHi = quint8(crc >> 8);
    return HexText::pair(CrcLo) + HexText::pair(CrcHi);
}

quint8 CalcLRC(const QByteArray &bytes) {
    quint8 sum = 0;
    for (const char b : bytes)
        sum = quint8(sum + quint8(b));
    return quint8(-sum);
}

} // namespace CommSetting
