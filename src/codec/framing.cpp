#include "framing.h"

#include "checksum.h"

namespace Framing {

namespace {

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

} // namespace

Protocol protocolFromText(const QString &modeText) {
    return modeText == QLatin1String("Modbus RTU") ? Protocol::Rtu : Protocol::Ascii;
}

QByteArray rtu(const QByteArray &request) {
    const quint16 crc = CommSetting::crc16(request);
    QByteArray frame = request;
    frame.append(char(crc & 0xFF));
    frame.append(char(crc >> 8));
    return frame;
}

QByteArray ascii(const QByteArray &request) {
    const char lrc = char(CommSetting::CalcLRC(request));
    QByteArray frame;
    frame.reserve(1 + 2 * request.size() + 4);
    frame.append(':');
    frame.append(request.toHex().toUpper());
    frame.append(QByteArray(1, lrc).toHex().toUpper());
    frame.append("\r\n");
    return frame;
}

QByteArray frame(const QByteArray &request, Protocol protocol) {
    return protocol == Protocol::Rtu ? rtu(request) : ascii(request);
}

std::optional<QByteArray> decodeAscii(const QByteArray &frame) {
    if (frame.size() < 1 + 4 + 2 || frame.front() != ':' || !frame.endsWith("\r\n"))
        return std::nullopt;
    const QByteArray digits = frame.mid(1, frame.size() - 3);
    if (digits.size() % 2 != 0)
        return std::nullopt;
    for (const char c : digits)
        if (!isHexDigit(c))
            return std::nullopt;
    return QByteArray::fromHex(digits);
}

} // namespace Framing
