#include "sim/faults.h"

#include "codec/framing.h"
#include "sim/controller.h"

namespace Sim {

std::optional<Fault> faultFromText(const QString &text) {
    if (text == QLatin1String("none"))
        return Fault::None;
    if (text == QLatin1String("drop"))
        return Fault::Drop;
    if (text == QLatin1String("corrupt"))
        return Fault::Corrupt;
    if (text == QLatin1String("split"))
        return Fault::Split;
    if (text == QLatin1String("error"))
        return Fault::Error;
    if (text == QLatin1String("wrong-address"))
        return Fault::WrongAddress;
    return std::nullopt;
}

FaultInjector::FaultInjector(Fault fault, int every)
    : m_fault(fault), m_every(every < 1 ? 1 : every) {}

QByteArray FaultInjector::corrupted(const QByteArray &reply) {
    if (const auto bytes = Framing::decodeAscii(reply)) {
        QByteArray message = bytes->chopped(1);
        const quint8 wrong = quint8(bytes->back()) ^ 0xFF;
        return ':' + message.toHex().toUpper() + QByteArray(1, char(wrong)).toHex().toUpper() +
               "\r\n";
    }
    QByteArray out = reply;
    if (out.size() >= 2) {
        out[out.size() - 2] = char(out[out.size() - 2] ^ 0xFF);
        out[out.size() - 1] = char(out[out.size() - 1] ^ 0xFF);
    }
    return out;
}

QByteArray FaultInjector::errorReply(const QByteArray &reply) {
    const auto ascii = Framing::decodeAscii(reply);
    const QByteArray message = ascii ? ascii->chopped(1) : reply.chopped(2);
    if (message.size() < 2)
        return reply;
    const quint8 code = quint8(message[1]) & 0x7F;
    QByteArray error;
    error.append(message[0]);
    error.append(char(code | 0x80));
    // Register replies (functions 0x03, 0x10) get a Modbus exception.
    if (code != 0x03 && code != 0x10)
        error.append(char(0x01));
    error.append(char(DeviceFailure));
    return ascii ? Framing::ascii(error) : Framing::rtu(error);
}

QByteArray FaultInjector::wrongAddress(const QByteArray &reply) {
    const auto ascii = Framing::decodeAscii(reply);
    QByteArray message = ascii ? ascii->chopped(1) : reply.chopped(2);
    if (message.isEmpty())
        return reply;
    message[0] = char(quint8(message[0]) + 1);
    return ascii ? Framing::ascii(message) : Framing::rtu(message);
}

QList<FaultInjector::Piece> FaultInjector::apply(const QByteArray &reply) {
    ++m_count;
    if (m_fault == Fault::None || m_count % m_every != 0)
        return {{0, reply}};
    switch (m_fault) {
    case Fault::None:
        break;
    case Fault::Drop:
        return {};
    case Fault::Corrupt:
        return {{0, corrupted(reply)}};
    case Fault::Split: {
        const qsizetype half = reply.size() > 1 ? reply.size() / 2 : reply.size();
        QList<Piece> pieces{{0, reply.left(half)}};
        if (half < reply.size())
            pieces.append({m_splitGapMs, reply.mid(half)});
        return pieces;
    }
    case Fault::Error:
        return {{0, errorReply(reply)}};
    case Fault::WrongAddress:
        return {{0, wrongAddress(reply)}};
    }
    return {{0, reply}};
}

} // namespace Sim
