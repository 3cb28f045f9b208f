#include "number.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace Number {

namespace {

bool isDecimalDigit(char16_t c) {
    return c >= '0' && c <= '9';
}

int digitValue(char16_t c, int radix) {
    int d = -1;
    if (c >= '0' && c <= '9')
        d = c - '0';
    else if (c >= 'A' && c <= 'F')
        d = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f')
        d = c - 'a' + 10;
    return d < radix ? d : -1;
}

// The digits after "&H" or "&O". Hex: one to four digits are a 16-bit value,
// five to eight a 32-bit value, both signed; octal: the value decides the width.
// Anything wider is kept unsigned.
double radixNumber(const std::u16string &s, std::size_t pos, int radix) {
    double value = 0;
    std::size_t count = 0;
    for (; pos < s.size(); ++pos, ++count) {
        const int d = digitValue(s[pos], radix);
        if (d < 0)
            break;
        value = value * radix + d;
    }
    const bool fits16 = radix == 16 ? count <= 4 : value <= 0xFFFF;
    const bool fits32 = radix == 16 ? count <= 8 : value <= 0xFFFFFFFFu;
    if (fits16)
        return qint16(quint16(value));
    if (fits32)
        return qint32(quint32(value));
    return value;
}

// Sign, digits, fraction and exponent, already split from the text.
double decimalNumber(bool negative, const std::string &whole, const std::string &fraction,
                     bool negativeExponent, const std::string &exponent) {
    std::string text = negative ? "-" : "";
    text += whole.empty() ? "0" : whole;
    if (!fraction.empty())
        text += "." + fraction;
    if (!exponent.empty())
        text += (negativeExponent ? "e-" : "e") + exponent;

    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    (void)end;
    if (ec != std::errc::result_out_of_range)
        return value;

    // Out of range: too large (infinite) or too small (zero). The decimal
    // magnitude of the first significant digit tells which.
    long long magnitude = 0;
    const auto first = whole.find_first_not_of('0');
    if (first != std::string::npos)
        magnitude = static_cast<long long>(whole.size() - first) - 1;
    else
        magnitude = -static_cast<long long>(fraction.find_first_not_of('0')) - 1;
    long long exp = 0;
    for (const char c : exponent)
        exp = std::min(exp * 10 + (c - '0'), 1'000'000'000LL);
    magnitude += negativeExponent ? -exp : exp;
    const double limit = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -limit : limit;
}

} // namespace

double leading(const QString &text) {
    std::u16string s;
    s.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u != ' ' && u != '\t' && u != '\n')
            s.push_back(u);
    }

    if (s.size() >= 2 && s[0] == '&') {
        if (s[1] == 'H' || s[1] == 'h')
            return radixNumber(s, 2, 16);
        if (s[1] == 'O' || s[1] == 'o')
            return radixNumber(s, 2, 8);
        return 0;
    }

    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    std::string whole;
    while (i < s.size() && isDecimalDigit(s[i]))
        whole.push_back(char(s[i++]));
    std::string fraction;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && isDecimalDigit(s[i]))
            fraction.push_back(char(s[i++]));
    }
    if (whole.empty() && fraction.empty())
        return 0;

    bool negativeExponent = false;
    std::string exponent;
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) {
            negativeExponent = s[j] == '-';
            ++j;
        }
        while (j < s.size() && isDecimalDigit(s[j]))
            exponent.push_back(char(s[j++]));
        if (exponent.empty())
            negativeExponent = false; // a letter without digits is no exponent
    }
    return decimalNumber(negative, whole, fraction, negativeExponent, exponent);
}

double roundEven(double v) {
    return std::nearbyint(v);
}

namespace {

constexpr RangeError ByteRange{0, 255};
constexpr RangeError S32Range{std::numeric_limits<qint32>::min(),
                              std::numeric_limits<qint32>::max()};

Encoded<quint8> byteField(double value) {
    const double v = roundEven(value);
    if (!(v >= ByteRange.min && v <= ByteRange.max))
        return {std::nullopt, ByteRange};
    return {quint8(v), ByteRange};
}

std::optional<qint32> s32Value(const QString &text) {
    const double v = roundEven(leading(text));
    if (!(v >= double(S32Range.min) && v <= double(S32Range.max)))
        return std::nullopt;
    return qint32(v);
}

QByteArray bigEndian(quint32 value, int count) {
    QByteArray bytes(count, '\0');
    for (int i = count - 1; i >= 0; --i) {
        bytes[i] = char(value & 0xFF);
        value >>= 8;
    }
    return bytes;
}

} // namespace

Encoded<quint8> h8(const QString &text) {
    return byteField(leading(QStringLiteral("&H") + text));
}

Encoded<quint8> d8(const QString &text) {
    return byteField(leading(text));
}

Encoded<QByteArray> s32(const QString &text) {
    const std::optional<qint32> v = s32Value(text);
    if (!v)
        return {std::nullopt, S32Range};
    return {bigEndian(quint32(*v), 4), S32Range};
}

Encoded<QByteArray> u24(const QString &text) {
    const std::optional<qint32> v = s32Value(text);
    if (!v)
        return {std::nullopt, S32Range};
    return {bigEndian(quint32(*v) & 0xFFFFFF, 3), S32Range};
}

} // namespace Number
