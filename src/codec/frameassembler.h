#pragma once
// Frame assembly: bytes in, as they are read, with the host time they were
// read at; whole frames out, each marked with what it is. Pure: no clock of
// its own, no I/O. Used on both sides of the line: the window's receive side
// assembles the controller's replies, the simulated controller its requests.
//
// RTU frames are delimited by their layout and their CRC-16 (low byte first):
// a frame is complete when a length its code allows is reached and the CRC
// over the bytes before it holds (see rtuLengths()). ASCII frames run from ':'
// to CR LF (hex digits in either case) and carry their LRC as the last byte;
// they are recognised whatever the protocol mode.
//
// - Bytes before a good frame are noise.
// - An RTU candidate still not complete after the RTU silence is given up as
//   incomplete; an ASCII candidate after the ASCII silence, or at the next ':'.
// - A candidate whose every allowed length is present but whose checksum
//   fails is given up as "checksum failed" at the silence, or as soon as a good
//   frame starts right after it.
// - RS-485 echo: after expectEcho(bytes), a frame byte-identical to those bytes
//   arriving before any other good frame is marked Echo (once).
//
// Cost: bounded per byte. At most MaxPending bytes are held; each byte read is
// examined a bounded number of times whatever the size of the pieces the bytes
// arrive in (scanning resumes where the previous call stopped).
#include <QByteArray>
#include <QList>

#include <optional>

namespace Frames {

// Which layouts RTU frames take: the controller's replies (the window's side)
// or the requests a controller receives (the simulator's side).
enum class Direction { Replies, Requests };

enum class Kind {
    Good,           // checksum holds
    ChecksumFailed, // a complete layout whose CRC or LRC does not hold
    Incomplete,     // given up after silence (or at the next ':')
    Noise,          // bytes before a good frame, or bytes no frame can use
    Echo,           // the request just written, read back (RS-485)
};

enum class Form { Rtu, Ascii };

struct Frame {
    Kind kind = Kind::Noise;
    Form form = Form::Rtu;
    QByteArray bytes;   // exactly as on the line
    QByteArray message; // Good: the bytes carried, checksum removed (address, code, ...)
    qint64 timeUs = 0;  // host time at which its last byte was read
};

// The longest RTU frame a layout allows (a register write of 255 data bytes
// with its header and CRC), and the longest ASCII frame (":" , two digits per
// byte of the longest message with its LRC, CR LF).
constexpr int MaxRtuFrame = 9 + 255;
constexpr int MaxAsciiFrame = 1 + 2 * (7 + 255 + 1) + 2;
// The most bytes the assembler holds while it looks for a frame.
constexpr int MaxPending = MaxAsciiFrame;

// The lengths (CRC included) an RTU frame starting with `head` may have, given
// the bytes of the head present so far; lengths that need header bytes not yet
// present are left out and `*needMore` is set.
//
// Replies: address, code, N, N data bytes, CRC (the controller's layout and
// Modbus 0x03 with its byte count); 0x10 write acknowledgement, 8 bytes;
// code | 0x80, one exception byte, 5 bytes.
// Requests: address, code, N, N data bytes, CRC (the controller's layout);
// Modbus 0x01 .. 0x06, 8 bytes; 0x0F and 0x10, 9 + byte count (byte 6).
QList<int> rtuLengths(const QByteArray &head, Direction direction, bool *needMore = nullptr);

class Assembler {
public:
    static constexpr qint64 DefaultRtuSilenceUs = 100'000;
    static constexpr qint64 DefaultAsciiSilenceUs = 1'000'000;

    explicit Assembler(Direction direction = Direction::Replies);

    void setRtuSilenceUs(qint64 us) { m_rtuSilenceUs = us; }
    void setAsciiSilenceUs(qint64 us) { m_asciiSilenceUs = us; }
    qint64 rtuSilenceUs() const { return m_rtuSilenceUs; }

    // The bytes just read at host time `nowUs` (non-decreasing between calls);
    // returns the frames they complete, in line order. Also gives up what the
    // silence before `nowUs` has ended.
    QList<Frame> feed(const QByteArray &bytes, qint64 nowUs);
    // No bytes: gives up whatever the silence up to `nowUs` has ended.
    QList<Frame> expire(qint64 nowUs);
    // The host time at which expire() would next give something up; nullopt
    // while nothing is pending.
    std::optional<qint64> deadlineUs() const;

    // The request just written: a frame byte-identical to it, read before any
    // other good frame, is an echo.
    void expectEcho(const QByteArray &written);

    // Bytes held, not yet part of a frame.
    qsizetype pending() const;
    // Drops everything held (the port was closed or reopened).
    void reset();

private:
    Direction m_direction;
    qint64 m_rtuSilenceUs = DefaultRtuSilenceUs;
    qint64 m_asciiSilenceUs = DefaultAsciiSilenceUs;
    // Implementation state follows.
};

} // namespace Frames
