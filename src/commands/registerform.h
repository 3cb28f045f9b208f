#pragma once
// The register form: a device-form request rewritten as a standard Modbus
// register request, Read Holding Registers (0x03) or Write Multiple Registers
// (0x10), at register address = mapping offset + command code.
#include <QByteArray>
#include <QString>
#include <optional>

namespace RegisterForm {

enum class Function { Read, Write };

// Modbus caps one write at 123 registers.
constexpr int MaxWriteRegisters = 123;

// Registers read for a command code: 2 for the value queries, 0 otherwise.
int readCount(quint8 code);

// The mapping offset of Text34 as the leading-number rule reads it; nullopt when,
// rounded, it lies outside the S32 range the controller takes an offset in
// (infinite values included). Such a text is refused as typed before any
// arithmetic is done with it.
std::optional<double> offsetNumber(const QString &offsetText);
// The refusal of an offset that offsetNumber() gives up, quoting the text.
QString offsetRefusal(const QString &offsetText);

struct Converted {
    std::optional<QByteArray> frame; // nullopt when refused
    QString refusal;
};

// Converts a device-form frame (RTU, or a Modbus ASCII frame, which gives an
// ASCII result). The offset must pass offsetNumber(); the register address
// must lie in 0..65535; a write carries the data bytes padded with zeros to
// 4 x ceil(L / 4) bytes, L the data length.
Converted convert(const QByteArray &frame, Function function, const QString &offsetText);

} // namespace RegisterForm
