#pragma once
// Reading numbers out of the window's text fields, and the data encodings of
// the controller's requests.
#include <QByteArray>
#include <QString>
#include <optional>

namespace Number {

// The leading-number rule: blanks, tabs and line feeds anywhere are ignored; the
// longest leading number is read: an optional sign, decimal digits, an optional
// fraction and an optional exponent (E, e, D or d); or "&H" and hex digits (one to
// four digits are a signed 16-bit value, so &HFFFF is -1; five to eight a signed
// 32-bit value; more digits are read unsigned); or "&O" and octal digits (signed
// 16-bit up to 0177777, then signed 32-bit). The prefixes are case-insensitive.
// Nothing numeric at the start reads as 0: "12abc" is 12, "abc" 0.
double leading(const QString &text);

// Nearest integer, ties to even (2.5 gives 2, 3.5 gives 4).
double roundEven(double v);

// Why a field cannot be encoded: the range its encoding carries.
struct RangeError {
    qint64 min;
    qint64 max;
};

// One value of an encoding, or the range it would have needed.
template <typename T> struct Encoded {
    std::optional<T> value;
    RangeError range;
    bool ok() const { return value.has_value(); }
};

// H8: "&H" + text, leading-number rule, rounded; 0..255.
Encoded<quint8> h8(const QString &text);
// D8: the text as decimal, rounded; 0..255.
Encoded<quint8> d8(const QString &text);
// S32: rounded; -2147483648..2147483647; four bytes, most significant first.
Encoded<QByteArray> s32(const QString &text);
// U24: the S32 integer's low 24 bits, three bytes, most significant first.
Encoded<QByteArray> u24(const QString &text);

} // namespace Number
