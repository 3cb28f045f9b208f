#pragma once
// Hex text conversions: traffic lines, list lines, typed hex entries.
#include <QByteArray>
#include <QString>

namespace CommSetting {

// Each character's code (cp936) in uppercase hex without leading zeros, each
// followed by one blank: "AB" gives "41 42 ", a carriage return "D ".
QString StringToHex(const QString &text);

// Hex digits without separators to text. An odd count gets a "0" before its last
// digit; each pair is read as hex up to its first non-hex character (no digit
// reads 0); a pair above 0x7F is a lead byte and is read with the next pair as one
// double-byte code. "414243" gives "ABC", "4" the character with code 4.
QString HexToString(const QString &hex);

} // namespace CommSetting

namespace HexText {

// Every byte as two uppercase hex digits and one blank: 01 0A gives "01 0A ".
QString spaced(const QByteArray &bytes);

// A byte as uppercase hex without leading zeros: 0x01 gives "1", 0x1F "1F".
QString bare(quint8 byte);

// Two uppercase hex digits.
QString pair(quint8 byte);

// Parses typed hex: every blank (only U+0020) is removed; an odd count gets a "0"
// before its last character; then each pair of characters is one byte, read as
// hex up to the first non-hex character of the pair ("1Z" is 0x01, "Z1" is 0x00).
// "01 2a 0" gives 01 2A 00, "1" gives 01, "1 2 3" gives 12 03, "" and "   " give
// no bytes.
QByteArray parsePairs(const QString &text);

} // namespace HexText
