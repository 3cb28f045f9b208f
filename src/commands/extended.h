#pragma once
// Requests with their own assembly rules: the IO-substitution download and
// read, and the CAN payload.
#include <QByteArray>
#include <QString>
#include <optional>

namespace IoSubst {

// Most command bytes one rule can carry: the count byte holds 1 + N.
constexpr int MaxCommandBytes = 254;

// The mask byte of an input pattern "IN5 IN4 IN3 IN2 IN1": IN1 = 1 .. IN5 = 16,
// for each of the first five characters that is "1".
quint8 mask(const QString &pattern);

struct Built {
    std::optional<QByteArray> frame;
    QString refusal;
};

// The download request (code 0x40), always RTU: address (`addressText` read as
// decimal), 0x40, 1 + N, mask, the N command bytes typed as hex in
// `commandText`, CRC. nullopt without refusal when the command text is empty.
Built download(const QString &addressText, const QString &pattern, const QString &commandText);

} // namespace IoSubst

namespace Can {

// Most payload bytes one CAN request carries.
constexpr int MaxPayload = 5;

// The request bytes of a CAN payload (code 0x4C, before framing): address,
// 0x4C, count, at most five payload bytes typed as hex; further bytes dropped.
QByteArray payloadRequest(quint8 address, const QString &payloadText);

} // namespace Can
