#pragma once
// Talking to a simulated controller from a test: requests framed and replies
// checked with the reference arithmetic of support/wire.h.
#include "sim/controller.h"
#include "support/wire.h"

#include <QByteArray>
#include <limits>

namespace SimTest {

using Wire::bytes;

constexpr qint64 kNoValue = std::numeric_limits<qint64>::min();

// Sends one request in RTU form and gives the reply without its CRC; empty
// when nothing came back or the reply's CRC is wrong.
inline QByteArray ask(Sim::Controller &c, const QByteArray &message) {
    const QByteArray reply = c.feed(Wire::rtu(message));
    if (reply.size() < 3 || Wire::rtu(reply.chopped(2)) != reply)
        return {};
    return reply.chopped(2);
}

// The four-byte value of a query reply (address 1), read most significant
// byte first; kNoValue when the reply is not address, code, 0x04, four bytes.
inline qint64 query(Sim::Controller &c, int code, bool isSigned = false) {
    const QByteArray r = ask(c, bytes({0x01, code, 0x00}));
    if (r.size() != 7 || quint8(r[0]) != 0x01 || quint8(r[1]) != code || r[2] != 4)
        return kNoValue;
    quint32 v = 0;
    for (int i = 3; i < 7; ++i)
        v = v << 8 | quint8(r[i]);
    return isSigned ? qint64(qint32(v)) : qint64(v);
}

inline qint64 speed(Sim::Controller &c) {
    return query(c, 0x36);
}
inline qint64 absolute(Sim::Controller &c) {
    return query(c, 0x37, true);
}
inline qint64 relative(Sim::Controller &c) {
    return query(c, 0x39, true);
}

// The four status bytes of 0x3B (run state, left limit, origin, right limit).
inline QByteArray status(Sim::Controller &c) {
    const QByteArray r = ask(c, bytes({0x01, 0x3B, 0x00}));
    return r.size() == 7 ? r.mid(3) : QByteArray();
}

inline bool moving(Sim::Controller &c) {
    const QByteArray s = status(c);
    return !s.isEmpty() && s[0] == 1;
}

// A signed 32-bit value as four bytes, most significant first.
inline QByteArray s32(qint64 v) {
    const quint32 u = quint32(v);
    return bytes({int(u >> 24 & 0xFF), int(u >> 16 & 0xFF), int(u >> 8 & 0xFF), int(u & 0xFF)});
}

// A device-form request: address 1, code, length, data.
inline QByteArray request(int code, const QByteArray &data = {}) {
    return bytes({0x01, code, int(data.size())}) + data;
}

// The acknowledgement of a request to address 1.
inline QByteArray ack(int code) {
    return bytes({0x01, code, 0x00});
}

} // namespace SimTest
