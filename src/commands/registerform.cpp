#include "commands/registerform.h"

#include "codec/framing.h"
#include "codec/number.h"
#include "commands/commandtable.h"

#include <QCoreApplication>
#include <limits>

namespace RegisterForm {

int readCount(quint8 code) {
    const Commands::Command *row = Commands::find(code);
    return row ? row->registers : 0;
}

std::optional<double> offsetNumber(const QString &offsetText) {
    const double v = Number::leading(offsetText);
    const double r = Number::roundEven(v);
    if (!(r >= double(std::numeric_limits<qint32>::min()) &&
          r <= double(std::numeric_limits<qint32>::max())))
        return std::nullopt;
    return v;
}

QString offsetRefusal(const QString &offsetText) {
    return QCoreApplication::translate("RegisterForm", "偏移地址 \"%1\" 超出范围,请设置0-65500之间")
        .arg(offsetText);
}

Converted convert(const QByteArray &frame, Function function, const QString &offsetText) {
    // The request bytes without their checksum, and the form to answer in.
    QByteArray request;
    Framing::Protocol form = Framing::Protocol::Rtu;
    if (const auto carried = Framing::decodeAscii(frame)) {
        request = carried->chopped(1);
        form = Framing::Protocol::Ascii;
    } else {
        request = frame.size() > 2 ? frame.chopped(2) : frame;
    }
    if (request.size() < 2)
        return {std::nullopt,
                QCoreApplication::translate("RegisterForm", "请求帧太短,无法转换为寄存器格式")};

    const quint8 address = quint8(request.at(0));
    const quint8 code = quint8(request.at(1));
    const std::optional<double> offset = offsetNumber(offsetText);
    if (!offset)
        return {std::nullopt, offsetRefusal(offsetText)};
    // The offset is within the S32 range, so the sum can be shown as a 64-bit integer.
    const double r = Number::roundEven(*offset + code);
    if (r < 0 || r > 65535)
        return {std::nullopt,
                QCoreApplication::translate(
                    "RegisterForm", "寄存器地址 %1 超出范围,偏移地址加命令码须在0-65535之间")
                    .arg(qint64(r))};
    const auto reg = quint16(r);

    QByteArray out;
    out.append(char(address));
    if (function == Function::Read) {
        out.append(char(0x03));
        out.append(char(reg >> 8)).append(char(reg & 0xFF));
        out.append('\0').append(char(readCount(code)));
    } else {
        const int length = request.size() > 2 ? quint8(request.at(2)) : 0;
        const int padded = 4 * ((length + 3) / 4);
        const int registers = padded / 2;
        if (registers > MaxWriteRegisters)
            return {std::nullopt, QCoreApplication::translate(
                                      "RegisterForm", "数据长度 %1 超出范围,一次最多写 %2 个寄存器")
                                      .arg(length)
                                      .arg(MaxWriteRegisters)};
        QByteArray data = request.mid(3, length);
        data.append(QByteArray(padded - data.size(), '\0'));
        out.append(char(0x10));
        out.append(char(reg >> 8)).append(char(reg & 0xFF));
        out.append(char(registers >> 8)).append(char(registers & 0xFF));
        out.append(char(padded));
        out.append(data);
    }
    return {Framing::frame(out, form), {}};
}

} // namespace RegisterForm
