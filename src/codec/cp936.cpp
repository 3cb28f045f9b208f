#include "cp936.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace Cp936 {

namespace {

constexpr const char *CodecName = "GBK";
constexpr QChar Placeholder(0xFFFD);

// Converters keep partial sequences and a sticky error flag between calls, so
// every conversion gets a fresh one.
QStringDecoder makeDecoder() {
    return QStringDecoder(CodecName, QStringConverter::Flag::Stateless);
}

QStringEncoder makeEncoder() {
    return QStringEncoder(CodecName, QStringConverter::Flag::Stateless);
}

// A double-byte code or the single byte 0x80 decoded on its own; a null QChar
// when the bytes are not exactly one character of the code page.
QChar decodeOne(const QByteArray &bytes) {
    QStringDecoder decoder = makeDecoder();
    if (!decoder.isValid())
        return QChar();
    const QString text = decoder.decode(bytes);
    if (decoder.hasError() || text.size() != 1 || text.front() == Placeholder)
        return QChar();
    return text.front();
}

QChar singleByte(quint8 byte) {
    if (byte < 0x80)
        return QChar(byte);
    if (byte == 0x80) {
        static const QChar euro = [] {
            const QChar c = decodeOne(QByteArray(1, char(0x80)));
            return c.isNull() ? Placeholder : c;
        }();
        return euro;
    }
    return Placeholder; // lead bytes and 0xFF are no characters on their own
}

} // namespace

bool available() {
    return makeEncoder().isValid() && makeDecoder().isValid();
}

QByteArray encode(const QString &text) {
    if (text.isEmpty())
        return {};
    QStringEncoder encoder = makeEncoder();
    if (!encoder.isValid())
        return QByteArray(text.size(), '?');
    // One character at a time: the converter drops the format characters it has
    // no code for (U+200B, U+061C, ...) instead of substituting them, and holds
    // back a lone high surrogate.
    QByteArray bytes;
    bytes.reserve(text.size());
    const QStringView view(text);
    for (qsizetype i = 0; i < view.size();) {
        const QChar c = view[i];
        if (c.unicode() < 0x80) {
            bytes.append(char(c.unicode()));
            ++i;
            continue;
        }
        const qsizetype n =
            c.isHighSurrogate() && i + 1 < view.size() && view[i + 1].isLowSurrogate() ? 2 : 1;
        const QByteArray code = encoder.encode(view.mid(i, n));
        bytes.append(code.isEmpty() ? QByteArray("?") : code);
        i += n;
    }
    return bytes;
}

QString decode(const QByteArray &bytes) {
    if (bytes.isEmpty())
        return {};
    QStringDecoder decoder = makeDecoder();
    if (!decoder.isValid())
        return bytewise(bytes);
    // 0x00 is never a trail byte: appending it turns a lone lead byte at the end
    // into a placeholder instead of letting the converter drop it.
    QString text = decoder.decode(bytes + '\0');
    if (!text.isEmpty() && text.back() == QChar(0))
        text.chop(1);
    return text;
}

quint16 codeOf(QChar c) {
    if (c.unicode() < 0x80)
        return c.unicode();
    QStringEncoder encoder = makeEncoder();
    if (!encoder.isValid())
        return '?';
    const QByteArray bytes = encoder.encode(QString(c));
    if (encoder.hasError())
        return '?';
    if (bytes.size() == 1)
        return quint8(bytes[0]);
    if (bytes.size() == 2)
        return quint16(quint8(bytes[0]) << 8 | quint8(bytes[1]));
    return '?';
}

QString charOf(quint16 code) {
    if (code <= 0xFF)
        return QString(singleByte(quint8(code)));
    const char pair[2] = {char(code >> 8), char(code & 0xFF)};
    const QChar c = decodeOne(QByteArray(pair, 2));
    return QString(c.isNull() ? Placeholder : c);
}

QString bytewise(const QByteArray &bytes) {
    QString text;
    text.reserve(bytes.size());
    for (const char b : bytes)
        text.append(singleByte(quint8(b)));
    return text;
}

} // namespace Cp936
