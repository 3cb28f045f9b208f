#pragma once
// Code page 936 (GBK) text conversions. Every conversion between the window's
// Unicode text and the bytes on the serial line or in list files goes through here.
#include <QByteArray>
#include <QString>

namespace Cp936 {

// True when the platform offers a GBK converter; the application refuses to
// start without one.
bool available();

// Text to bytes: ASCII characters give one byte, Chinese characters their
// two-byte code (lead byte first). Characters outside the code page give '?'.
QByteArray encode(const QString &text);

// Bytes to text, decoding double-byte codes.
QString decode(const QByteArray &bytes);

// The code of one character: 0..255 for a single-byte character, lead byte * 256
// + trail byte for a double-byte one. A character outside the code page gives '?'.
quint16 codeOf(QChar c);

// The character with the code: a value above 0xFF is a double-byte code. A code
// that is no character of the code page gives the placeholder U+FFFD.
QString charOf(quint16 code);

// One character per byte, for the traffic lines: 0x00..0x7F are themselves
// (control characters included), 0x80 is the code page's single-byte character,
// and a byte that is no character on its own (a lone lead byte, 0xFF) is the
// placeholder U+FFFD. Never combines two bytes into one character.
QString bytewise(const QByteArray &bytes);

} // namespace Cp936
