#pragma once
// Request frames: the request bytes (address, command code, data length, data)
// in RTU form (followed by CRC low, CRC high) or ASCII form (":" , two uppercase
// hex digits per byte, the LRC as two hex digits, CR LF).
#include <QByteArray>
#include <QString>
#include <optional>

namespace Framing {

enum class Protocol { Rtu, Ascii };

// "Modbus RTU" (exact, case-sensitive) is RTU; every other text is ASCII.
Protocol protocolFromText(const QString &modeText);

QByteArray rtu(const QByteArray &request);
QByteArray ascii(const QByteArray &request);
QByteArray frame(const QByteArray &request, Protocol protocol);

// A well-formed ASCII frame (":" , an even number of at least four hex digits in
// either case, CR LF, nothing after) turned back into its bytes, the LRC byte
// included as the last byte; the LRC is not checked. nullopt for anything else.
std::optional<QByteArray> decodeAscii(const QByteArray &frame);

} // namespace Framing
