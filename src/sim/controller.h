#pragma once
// A simulated T3208 controller: the byte protocol on one side, the stored
// settings and a simulated axis on the other. Bytes go in through receive()
// or feed() in pieces of any size; the controller delimits the frames itself
// and answers each request it accepts with one reply frame.
//
// Frames in (found by a Frames::Assembler for requests, so pieces of any size
// and bytes that are no frame cost a bounded amount per byte):
// - RTU: address, code, data length, data, CRC-16 (low byte first); Modbus
//   0x01 .. 0x06 frames are 8 bytes, 0x0F and 0x10 frames 9 + byte count. A
//   frame is complete at the first length its code allows whose CRC holds.
// - ASCII: ":" , hex digits (either case), CR LF; the last byte is the LRC,
//   and the bytes before it must have one of the RTU layouts' lengths.
//   ASCII requests get ASCII replies (uppercase digits).
// - A frame with a bad CRC or LRC gets no reply, nor do the bytes before a
//   good frame. A partial frame followed by 50 ms without a byte (on the
//   controller's clock, advance()) is discarded, RTU or ASCII; a partial frame
//   is also given up as soon as a complete valid frame ends after it.
// - Requests to another address are ignored. Address 0x00 reaches the
//   controller only with the device-form address query 0x21.
//
// Device replies: address, code, data length, data, checksum; the address is
// the one the controller had when the request came (0x22 and 0x47 change it
// after the reply). Setters and motion commands are acknowledged with no data
// (address, code, 0x00). An error reply is address, code | 0x80, 0x01, error:
//   0x01  unknown command code
//   0x03  data not accepted: wrong data length or a value out of range
//   0x06  busy: a move, run or origin search while the motor is running
//
// Register form (a Modbus layout, see below; functions 0x03 and 0x10 are
// served): register R holds the command R - offset (modulo 65536; offset set
// by 0x3F, 0 by default).
// - Read, count 0: executes a command that takes no data; reply address, 0x03,
//   0x00. Read, count Q > 0 of a query: reply address, 0x03, 2Q, then the
//   query's device-form reply data cut or zero-padded to 2Q bytes (a 4-byte
//   value is two registers, high word first; 0x3B gives run state and the three
//   switch bytes; 0x42 IN1..IN4 in two registers, IN5 in a third).
// - Write: the register data are the command's device-form data followed by
//   padding; the command takes its own data length from the front (0x40: the
//   pattern alone when the next byte is 0, else pattern + code + length + data;
//   0x4C: all register bytes, at most 8). Reply address, 0x10, register
//   address, count.
// - Exceptions (address, function | 0x80, code): 01 for a function other than
//   0x03 and 0x10; 02 when R is no command; 03 for a read count above 125 or
//   a write count above 123 (both before R is looked at), a byte count that is
//   not twice the count, a read with registers of a command that returns
//   nothing, a count-0 read of a command that needs data, a write too short
//   for the command's data, or data the command refuses; 06 when the motor is
//   busy.
// A frame with a code below 0x20 in the controller's own layout (address,
// code, length, data) is a device request: an unknown code.
#include "codec/frameassembler.h"
#include "sim/axis.h"

#include <QByteArray>
#include <QList>

#include <array>
#include <optional>

namespace Sim {

// Error bytes of a device-form error reply (and the matching exceptions).
enum Error : quint8 {
    NoError = 0x00,
    UnknownCode = 0x01, // register form: function not served
    BadAddress = 0x02,  // register form only
    BadData = 0x03,
    DeviceFailure = 0x04, // never sent by the controller; used by fault injection
    Busy = 0x06,
};

// The CAN gateway settings (codes 0x48 .. 0x4B) and the last payload (0x4C).
struct CanSettings {
    quint8 checksumOff = 0; // 0x48: 1 = no checksum check
    quint8 replyEight = 0;  // 0x49: 1 = replies 8 bytes long
    quint8 extended = 0;    // 0x4A: 1 = extended frames
    quint8 bitRate = 12;    // 0x4B: 1 (1M) .. 18 (5K); 12 is 100K
    QByteArray lastPayload; // 0x4C
};

class Controller {
public:
    static constexpr quint8 kDefaultAddress = 0x01;
    static constexpr quint8 kDefaultBaudCode = 6; // 9600
    static constexpr int kSilenceMs = 50;
    static constexpr int kPatterns = 32;

    Controller();
    Controller(const Controller &) = delete;
    Controller &operator=(const Controller &) = delete;

    // Line side. receive() takes the next bytes from the line and gives one
    // reply frame per request answered, in order; feed() gives them joined.
    QList<QByteArray> receive(const QByteArray &bytes);
    QByteArray feed(const QByteArray &bytes);
    // Bytes of a partial frame waiting for the rest.
    qsizetype pending() const { return m_assembler.pending(); }

    // The controller's clock: moves the axis and times the silence that
    // discards a partial frame.
    void advance(qint64 ms);

    // Settings, as the requests set them.
    quint8 address() const { return m_address; }
    void setAddress(quint8 address) { m_address = address; }
    quint8 baudCode() const { return m_baudCode; }
    const Profile &profile() const { return m_profile; }
    quint16 registerOffset() const { return m_offset; }
    qint32 speedFactor() const { return m_axis.speedFactor(); }
    const CanSettings &can() const { return m_can; }
    // The stored command bytes of the IO-substitution rule for `pattern`
    // (0..31); empty when none.
    QByteArray ioRule(quint8 pattern) const;

    // Inputs IN1..IN5 as a mask (IN1 = 1 .. IN5 = 16; a set bit is an input
    // that is on). A change to a mask that has a rule runs the rule's command
    // (its reply goes nowhere).
    quint8 inputs() const { return m_inputs; }
    void setInputs(quint8 mask);

    // 0x47: address 1, baud code 6, the default profile, offset 0, speed
    // factor 500, no IO rules, CAN defaults; the motor stops at once. The
    // positions, switches and inputs stay.
    void factoryReset();

    Axis &axis() { return m_axis; }
    const Axis &axis() const { return m_axis; }

private:
    struct Answer {
        quint8 error = NoError;
        QByteArray data;
    };

    std::optional<QByteArray> handle(const QByteArray &message);
    std::optional<QByteArray> handleRegisters(const QByteArray &message);
    Answer execute(quint8 code, const QByteArray &data);
    Answer setProfileValue(quint32 Profile::*field, const QByteArray &data, quint32 minimum);

    Frames::Assembler m_assembler;
    qint64 m_clockUs = 0; // the sum of advance()

    quint8 m_address = kDefaultAddress;
    quint8 m_baudCode = kDefaultBaudCode;
    Profile m_profile;
    quint16 m_offset = 0;
    CanSettings m_can;
    std::array<QByteArray, kPatterns> m_rules;
    quint8 m_inputs = 0;
    Axis m_axis;
};

} // namespace Sim

using SimController = Sim::Controller;
