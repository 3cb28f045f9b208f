#pragma once
// The two frame checksums: Modbus CRC-16 for RTU frames, LRC for ASCII frames.
#include <QByteArray>
#include <QString>

namespace CommSetting {

// Low and high byte of the CRC last computed by CalcCRC16; 0 at start.
extern quint8 CrcLo;
extern quint8 CrcHi;

// CRC-16/MODBUS (reflected poly 0xA001, init 0xFFFF, no final xor).
quint16 crc16(const QByteArray &bytes);

// Computes the CRC of every byte, sets CrcLo/CrcHi and returns the text of the
// low byte then the high byte, two uppercase hex digits each ("39C0" for 01 20 00).
QString CalcCRC16(const QByteArray &bytes);

// Two's complement of the low byte of the sum of all bytes (01 20 00 gives 0xDF).
quint8 CalcLRC(const QByteArray &bytes);

} // namespace CommSetting
