#include "sim/controller.h"

#include "codec/frameassembler.h"
#include "codec/framing.h"
#include "commands/commandtable.h"

#include <algorithm>

namespace Sim {

namespace {

constexpr quint8 kReadRegisters = 0x03;
constexpr quint8 kWriteRegisters = 0x10;
constexpr int kMaxReadCount = 125;
constexpr int kMaxWriteCount = 123;

// What the controller knows of each command code, the data length it takes
// and whether it answers with data, is the command table's.
using Command = Commands::Command;

const Command *findCommand(unsigned code) {
    return code <= 0xFF ? Commands::find(quint8(code)) : nullptr;
}

quint8 at(const QByteArray &b, qsizetype i) {
    return quint8(b[i]);
}

quint32 be32(const QByteArray &b, qsizetype i = 0) {
    return quint32(at(b, i)) << 24 | quint32(at(b, i + 1)) << 16 | quint32(at(b, i + 2)) << 8 |
           quint32(at(b, i + 3));
}

quint32 be24(const QByteArray &b, qsizetype i) {
    return quint32(at(b, i)) << 16 | quint32(at(b, i + 1)) << 8 | quint32(at(b, i + 2));
}

QByteArray be32Bytes(quint32 v) {
    QByteArray b(4, '\0');
    b[0] = char(v >> 24);
    b[1] = char(v >> 16);
    b[2] = char(v >> 8);
    b[3] = char(v);
    return b;
}

// A frame in the Modbus layout of a function below 0x20: 0x01 .. 0x06 with
// six bytes, 0x0F and 0x10 with seven and the byte count. Every other frame
// is in the controller's own layout (a Modbus read of three bytes at 0x03xx
// is both; it is read as Modbus).
bool isRegisterForm(const QByteArray &m) {
    const quint8 code = at(m, 1);
    if (code >= 0x01 && code <= 0x06)
        return m.size() == 6;
    if (code == 0x0F || code == kWriteRegisters)
        return m.size() >= 7 && m.size() == 7 + at(m, 6);
    return false;
}

} // namespace

Controller::Controller() : m_assembler(Frames::Direction::Requests), m_axis(&m_profile) {
    m_assembler.setRtuSilenceUs(kSilenceMs * 1000);
    m_assembler.setAsciiSilenceUs(kSilenceMs * 1000);
}

QList<QByteArray> Controller::receive(const QByteArray &bytes) {
    QList<QByteArray> replies;
    for (const Frames::Frame &frame : m_assembler.feed(bytes, m_clockUs)) {
        if (frame.kind != Frames::Kind::Good)
            continue;
        const bool ascii = frame.form == Frames::Form::Ascii;
        // An ASCII frame is delimited by CR LF alone: its layout must agree.
        if (ascii && !Frames::rtuLengths(frame.message, Frames::Direction::Requests)
                          .contains(int(frame.message.size()) + 2))
            continue;
        if (const auto reply = handle(frame.message))
            replies.append(ascii ? Framing::ascii(*reply) : Framing::rtu(*reply));
    }
    return replies;
}

QByteArray Controller::feed(const QByteArray &bytes) {
    QByteArray out;
    for (const QByteArray &reply : receive(bytes))
        out += reply;
    return out;
}

void Controller::advance(qint64 ms) {
    if (ms <= 0)
        return;
    m_axis.advance(ms);
    m_clockUs += ms * 1000;
    m_assembler.expire(m_clockUs); // a partial frame goes without a reply
}

QByteArray Controller::ioRule(quint8 pattern) const {
    return pattern < kPatterns ? m_rules[pattern] : QByteArray();
}

void Controller::setInputs(quint8 mask) {
    mask &= 0x1F;
    if (mask == m_inputs)
        return;
    m_inputs = mask;
    const QByteArray &rule = m_rules[mask];
    if (rule.size() >= 2)
        execute(at(rule, 0), rule.mid(2));
}

void Controller::factoryReset() {
    m_address = kDefaultAddress;
    m_baudCode = kDefaultBaudCode;
    m_profile = Profile{};
    m_offset = 0;
    m_can = CanSettings{};
    for (QByteArray &rule : m_rules)
        rule.clear();
    m_axis.setSpeedFactor(kUnitSpeedFactor);
    m_axis.stopNow();
}

std::optional<QByteArray> Controller::handle(const QByteArray &message) {
    const quint8 address = at(message, 0);
    const quint8 code = at(message, 1);
    if (isRegisterForm(message))
        return address == m_address ? handleRegisters(message) : std::nullopt;
    if (address != m_address && !(address == 0x00 && code == 0x21))
        return std::nullopt;
    const quint8 replyAddress = m_address;
    const Answer answer = execute(code, message.mid(3));
    QByteArray reply;
    reply.append(char(replyAddress));
    if (answer.error != NoError) {
        reply.append(char(code | 0x80));
        reply.append(char(0x01));
        reply.append(char(answer.error));
    } else {
        reply.append(char(code));
        reply.append(char(answer.data.size()));
        reply.append(answer.data);
    }
    return reply;
}

std::optional<QByteArray> Controller::handleRegisters(const QByteArray &message) {
    const quint8 replyAddress = m_address;
    const quint8 function = at(message, 1);
    const auto exception = [&](quint8 error) {
        QByteArray reply;
        reply.append(char(replyAddress));
        reply.append(char(function | 0x80));
        reply.append(char(error));
        return reply;
    };
    if (function != kReadRegisters && function != kWriteRegisters)
        return exception(UnknownCode);
    const quint16 reg = quint16(at(message, 2) << 8 | at(message, 3));
    const int count = at(message, 4) << 8 | at(message, 5);
    if (count > (function == kReadRegisters ? kMaxReadCount : kMaxWriteCount))
        return exception(BadData);
    const quint16 code = quint16(reg - m_offset);
    const Command *command = findCommand(code);
    if (!command)
        return exception(BadAddress);

    if (function == kReadRegisters) {
        if (count == 0) {
            if (command->data.min > 0)
                return exception(BadData);
            const Answer answer = execute(command->code, {});
            if (answer.error != NoError)
                return exception(answer.error);
            QByteArray reply;
            reply.append(char(replyAddress));
            reply.append(char(function));
            reply.append(char(0));
            return reply;
        }
        if (!command->answers || command->data.min > 0)
            return exception(BadData);
        const Answer answer = execute(command->code, {});
        if (answer.error != NoError)
            return exception(answer.error);
        QByteArray data = answer.data.left(2 * count);
        data.append(QByteArray(2 * count - data.size(), '\0'));
        QByteArray reply;
        reply.append(char(replyAddress));
        reply.append(char(function));
        reply.append(char(data.size()));
        reply.append(data);
        return reply;
    }

    const int byteCount = at(message, 6);
    const QByteArray data = message.mid(7);
    if (byteCount != 2 * count)
        return exception(BadData);
    qsizetype length = command->data.min;
    if (command->code == 0x40) {
        // The pattern, then (unless the next byte is 0) code, length and data.
        if (data.isEmpty())
            return exception(BadData);
        if (data.size() >= 2 && at(data, 1) != 0)
            length = data.size() >= 3 ? 3 + at(data, 2) : data.size() + 1;
    } else if (command->data.min != command->data.max) {
        length = std::min<qsizetype>(data.size(), command->data.max);
    }
    if (length > data.size())
        return exception(BadData);
    const Answer answer = execute(command->code, data.left(length));
    if (answer.error != NoError)
        return exception(answer.error);
    return message.left(6);
}

Controller::Answer Controller::setProfileValue(quint32 Profile::*field, const QByteArray &data,
                                               quint32 minimum) {
    const quint32 value = be32(data);
    if (value > 0x7FFFFFFFu || value < minimum)
        return {BadData, {}};
    m_profile.*field = value;
    return {};
}

Controller::Answer Controller::execute(quint8 code, const QByteArray &data) {
    const Command *command = findCommand(code);
    if (!command)
        return {UnknownCode, {}};
    if (data.size() < command->data.min || data.size() > command->data.max)
        return {BadData, {}};
    const auto byte = [](quint8 v) { return QByteArray(1, char(v)); };
    const auto switchByte = [](bool active) { return char(active ? 0 : 1); };
    const auto direction = [&](qsizetype i) -> std::optional<int> {
        if (at(data, i) > 1)
            return std::nullopt;
        return at(data, i) == 0 ? 1 : -1;
    };

    switch (code) {
    case 0x20:
        return {};
    case 0x21:
        return {NoError, byte(m_address)};
    case 0x22:
        if (at(data, 0) == 0)
            return {BadData, {}};
        m_address = at(data, 0);
        return {};
    case 0x23:
        return {NoError, byte(m_baudCode)};
    case 0x24:
        if (at(data, 0) < 4 || at(data, 0) > 9)
            return {BadData, {}};
        m_baudCode = at(data, 0);
        return {};
    case 0x25:
        return setProfileValue(&Profile::initialSpeed, data, 0);
    case 0x26:
        return {NoError, be32Bytes(m_profile.initialSpeed)};
    case 0x27:
        return setProfileValue(&Profile::maxSpeed, data, 1);
    case 0x28:
        return {NoError, be32Bytes(m_profile.maxSpeed)};
    case 0x29:
        return setProfileValue(&Profile::endSpeed, data, 0);
    case 0x2A:
        return {NoError, be32Bytes(m_profile.endSpeed)};
    case 0x2B:
        return setProfileValue(&Profile::acceleration, data, 0);
    case 0x2C:
        return {NoError, be32Bytes(m_profile.acceleration)};
    case 0x2D:
        return setProfileValue(&Profile::deceleration, data, 0);
    case 0x2E:
        return {NoError, be32Bytes(m_profile.deceleration)};
    case 0x2F:
        return setProfileValue(&Profile::homingSpeed, data, 1);
    case 0x30:
        return {NoError, be32Bytes(m_profile.homingSpeed)};
    case 0x31:
        if (m_axis.moving())
            return {Busy, {}};
        m_axis.startMove(qint32(be32(data)));
        return {};
    case 0x32: {
        const auto dir = direction(0);
        if (!dir)
            return {BadData, {}};
        if (m_axis.moving())
            return {Busy, {}};
        m_axis.startMove(qint64(be24(data, 1)) * *dir);
        return {};
    }
    case 0x33: {
        if (m_axis.moving())
            return {Busy, {}};
        const qint64 speed = qint32(be32(data));
        m_axis.startRun(speed < 0 ? -1 : 1, quint64(speed < 0 ? -speed : speed));
        return {};
    }
    case 0x34: {
        const auto dir = direction(0);
        if (!dir)
            return {BadData, {}};
        if (m_axis.moving())
            return {Busy, {}};
        m_axis.startRun(*dir, be24(data, 1));
        return {};
    }
    case 0x35: {
        const qint64 speed = qint32(be32(data));
        m_axis.changeRunSpeed(quint64(speed < 0 ? -speed : speed));
        return {};
    }
    case 0x36:
        return {NoError, be32Bytes(m_axis.speed())};
    case 0x37:
        return {NoError, be32Bytes(quint32(m_axis.absolute()))};
    case 0x38:
        m_axis.clearAbsolute();
        return {};
    case 0x39:
        return {NoError, be32Bytes(quint32(m_axis.relative()))};
    case 0x3A:
        m_axis.clearRelative();
        return {};
    case 0x3B: {
        QByteArray status;
        status.append(char(m_axis.moving() ? 1 : 0));
        status.append(switchByte(m_axis.leftLimitActive()));
        status.append(switchByte(m_axis.originActive()));
        status.append(switchByte(m_axis.rightLimitActive()));
        return {NoError, status};
    }
    case 0x3C:
        m_axis.stopNow();
        return {};
    case 0x3D:
        m_axis.decelerateToStop();
        return {};
    case 0x3E: {
        const auto dir = direction(0);
        if (!dir)
            return {BadData, {}};
        if (m_axis.moving())
            return {Busy, {}};
        m_axis.startHoming(*dir);
        return {};
    }
    case 0x3F: {
        const qint32 offset = qint32(be32(data));
        if (offset < 0 || offset > 65500)
            return {BadData, {}};
        m_offset = quint16(offset);
        return {};
    }
    case 0x40: {
        const quint8 pattern = at(data, 0);
        const QByteArray stored = data.mid(1);
        if (pattern >= kPatterns)
            return {BadData, {}};
        if (!stored.isEmpty() && (stored.size() < 2 || stored.size() != 2 + at(stored, 1)))
            return {BadData, {}};
        m_rules[pattern] = stored;
        return {};
    }
    case 0x41: {
        const quint8 pattern = at(data, 0);
        if (pattern >= kPatterns)
            return {BadData, {}};
        return {NoError, byte(pattern) + m_rules[pattern]};
    }
    case 0x42: {
        QByteArray states;
        for (int i = 0; i < 5; ++i)
            states.append(switchByte(m_inputs & (1 << i)));
        return {NoError, states};
    }
    case 0x43:
        return {NoError, be32Bytes(m_inputs)};
    case 0x44: {
        const qint32 factor = qint32(be32(data));
        if (factor < 1 || factor > 5000)
            return {BadData, {}};
        m_axis.setSpeedFactor(factor);
        return {};
    }
    case 0x45:
        m_axis.shiftTargetSpeed(qint64(m_profile.acceleration / 10));
        return {};
    case 0x46:
        m_axis.shiftTargetSpeed(-qint64(m_profile.deceleration / 10));
        return {};
    case 0x47:
        factoryReset();
        return {};
    case 0x48:
    case 0x49:
    case 0x4A: {
        if (at(data, 0) > 1)
            return {BadData, {}};
        quint8 &setting = code == 0x48   ? m_can.checksumOff
                          : code == 0x49 ? m_can.replyEight
                                         : m_can.extended;
        setting = at(data, 0);
        return {};
    }
    case 0x4B:
        if (at(data, 0) < 1 || at(data, 0) > 18)
            return {BadData, {}};
        m_can.bitRate = at(data, 0);
        return {};
    case 0x4C:
        m_can.lastPayload = data;
        return {};
    default:
        break;
    }
    return {UnknownCode, {}};
}

} // namespace Sim
