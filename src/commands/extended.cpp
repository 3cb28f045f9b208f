#include "commands/extended.h"

#include "codec/framing.h"
#include "codec/hextext.h"
#include "codec/number.h"

#include <QCoreApplication>

namespace IoSubst {

quint8 mask(const QString &pattern) {
    quint8 m = 0;
    for (int i = 0; i < 5 && i < pattern.size(); ++i)
        if (pattern.at(i) == u'1')
            m |= quint8(1 << (4 - i));
    return m;
}

Built download(const QString &addressText, const QString &pattern, const QString &commandText) {
    if (commandText.isEmpty())
        return {};
    const double address = Number::roundEven(Number::leading(addressText));
    if (!(address >= 0 && address <= 255))
        return {std::nullopt, QCoreApplication::translate(
                                  "IoSubst", "设备地址 %1 超出范围,IO取代下载的地址按十进制读取,"
                                             "允许范围为 0 到 255")
                                  .arg(addressText)};
    const QByteArray command = HexText::parsePairs(commandText);
    if (command.size() > MaxCommandBytes)
        return {std::nullopt,
                QCoreApplication::translate("IoSubst", "命令字节数 %1 超出范围,最多 %2 个字节")
                    .arg(command.size())
                    .arg(MaxCommandBytes)};
    QByteArray request;
    request.append(char(quint8(address)));
    request.append(char(0x40));
    request.append(char(command.size() + 1));
    request.append(char(mask(pattern)));
    request.append(command);
    return {Framing::rtu(request), {}};
}

} // namespace IoSubst

namespace Can {

QByteArray payloadRequest(quint8 address, const QString &payloadText) {
    const QByteArray payload = HexText::parsePairs(payloadText).left(MaxPayload);
    QByteArray request;
    request.append(char(address));
    request.append(char(0x4C));
    request.append(char(payload.size()));
    request.append(payload);
    return request;
}

} // namespace Can
