#include "hextext.h"

#include "cp936.h"

namespace {

constexpr char Digits[] = "0123456789ABCDEF";

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    return -1;
}

// Up to count characters from pos read as hex, stopping at the first non-hex
// character or the end of the text; no digit at all reads 0.
quint32 readHex(const QString &text, qsizetype pos, qsizetype count) {
    quint32 value = 0;
    for (qsizetype i = pos; i < text.size() && i < pos + count; ++i) {
        const int d = hexDigit(text[i]);
        if (d < 0)
            break;
        value = value * 16 + quint32(d);
    }
    return value;
}

// An odd number of characters gets a "0" before the last one.
QString evenLength(QString text) {
    if (text.size() % 2 != 0)
        text.insert(text.size() - 1, QLatin1Char('0'));
    return text;
}

} // namespace

namespace CommSetting {

QString StringToHex(const QString &text) {
    QString hex;
    hex.reserve(text.size() * 3);
    for (const QChar c : text) {
        hex += QString::number(Cp936::codeOf(c), 16).toUpper();
        hex += QLatin1Char(' ');
    }
    return hex;
}

QString HexToString(const QString &hex) {
    const QString digits = evenLength(hex);
    QString text;
    for (qsizetype i = 0; i < digits.size(); i += 2) {
        const quint32 value = readHex(digits, i, 2);
        if (value > 0x7F) {
            // A lead byte: it and the next pair form one double-byte code.
            text += Cp936::charOf(quint16(readHex(digits, i, 4)));
            i += 2;
        } else {
            text += QChar(char16_t(value));
        }
    }
    return text;
}

} // namespace CommSetting

namespace HexText {

QString spaced(const QByteArray &bytes) {
    QString text;
    text.reserve(bytes.size() * 3);
    for (const char b : bytes) {
        text += pair(quint8(b));
        text += QLatin1Char(' ');
    }
    return text;
}

QString bare(quint8 byte) {
    return QString::number(byte, 16).toUpper();
}

QString pair(quint8 byte) {
    const char digits[2] = {Digits[byte >> 4], Digits[byte & 0x0F]};
    return QString::fromLatin1(digits, 2);
}

QByteArray parsePairs(const QString &text) {
    QString compact = text;
    compact.remove(QLatin1Char(' '));
    compact = evenLength(compact);
    QByteArray bytes;
    bytes.reserve(compact.size() / 2);
    for (qsizetype i = 0; i < compact.size(); i += 2)
        bytes.append(char(readHex(compact, i, 2)));
    return bytes;
}

} // namespace HexText
