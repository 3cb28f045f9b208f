#pragma once
// Frame assembly: bytes in, as they are read, with the host time they were
// read at; whole frames out, each marked with what it is. Pure: no clock of
// its own, no I/O. Used on both sides of the line: the window's receive side
// assembles the controller's replies, the simulated controller its requests.
//
// RTU frames are delimited by their layout and their CRC-16 (low byte first):
// a frame is complete when a length its code allows is reached and the CRC
// over the bytes before it holds (see rtuLengths()). Every byte held may start
// a frame; the first frame to complete wins, the earliest start among those
// completing at the same byte. ASCII frames run from ':' to CR LF (an even
// number of at least four hex digits in either case) and carry their LRC as
// the last byte; they are recognised whatever the protocol mode. A ':' that
// turns out to start no ASCII frame is taken as an ordinary byte (it may be
// the address 0x3A of an RTU frame).
//
// - Bytes before a good frame are noise: one Noise frame just before it.
// - A well-formed ASCII frame whose LRC fails is "checksum failed" at once.
// - An RTU candidate still not complete after the RTU silence is given up as
//   incomplete (all bytes held); an ASCII candidate after the ASCII silence,
//   or at the next ':' once it holds a hex digit (its bytes up to that ':').
// - The RTU candidate at the head, once a length it allows is present and
//   failed its CRC, is held: it becomes "checksum failed" as soon as a good
//   frame starts right where such a length ends, or at the silence (when the
//   bytes held are such a length, or go beyond every length it allows; bytes
//   after it are then incomplete). A good frame starting anywhere else makes
//   the bytes before it noise.
// - RS-485 echo: after expectEcho(bytes), the held bytes equal to those bytes
//   at the head, or a good frame byte-identical to them, read before any other
//   good frame, are marked Echo (once). When those bytes are themselves a good
//   frame (a request acknowledged with its own bytes, like the handshake), the
//   copy is held back: it is the echo when another frame follows it, the reply
//   when the silence passes with nothing after it or the next request is
//   written first.
// - Every frame's timeUs is the time of the feed() that delivered its last
//   byte, also for frames given up later by expire().
//
// Cost: bounded per byte. At most MaxPending bytes are held; when more would
// be, the bytes that no frame still open can include are released as noise.
// Each byte read opens at most two RTU lengths at its position, each checked
// once, with one CRC over at most MaxRtuFrame - 2 bytes, when the byte that
// ends it is read; everything else is constant work per byte. So the work is
// at most two CRCs of MaxRtuFrame - 2 bytes per byte read (on average far
// less), whatever the size of the pieces the bytes arrive in: scanning state
// is kept across calls and nothing is rescanned.
#include <QByteArray>
#include <QList>

#include <optional>
#include <vector>

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
    QByteArray message; // Good (and Echo when its checksum holds): the bytes carried,
                        // checksum removed (address, code, ...)
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
// Nothing is known before three bytes. Ascending, without repeats.
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
    // What is known of the RTU frame that may start at one held byte.
    struct Start {
        quint16 lengths[2] = {0, 0};
        quint8 count = 0;      // lengths known
        bool known = false;    // the first three bytes were read
        bool needMore = false; // a length still waits for header byte 6
    };

    qint64 head() const { return m_base + m_off; }
    qint64 end() const { return m_base + m_buf.size(); } // one past the newest byte
    const char *at(qint64 pos) const { return m_buf.constData() + (pos - m_base); }
    Start &start(qint64 pos) { return m_starts[size_t(pos - m_base)]; }
    const Start &start(qint64 pos) const { return m_starts[size_t(pos - m_base)]; }

    void take(char byte, qint64 nowUs, QList<Frame> &out);
    void expireInto(qint64 nowUs, QList<Frame> &out);
    void learnHeader(qint64 pos);
    qint64 goodRtuEndingAt(qint64 last);
    bool asciiGoodAt(char byte, qint64 pos) const;
    void stepAscii(char byte, qint64 pos, QList<Frame> &out);
    void emitGood(qint64 from, Form form, QByteArray message, QList<Frame> &out);
    void emitBefore(qint64 to, QList<Frame> &out);
    void giveUpRtu(qint64 to, QList<Frame> &out);
    void releaseDead(QList<Frame> &out);
    bool dead(qint64 pos) const;
    void emitHead(Kind kind, Form form, qint64 to, QList<Frame> &out, QByteArray message = {});
    void emitEcho(Form form, QByteArray message, bool couldBeReply, QList<Frame> &out);
    void settleMaybeEcho(Kind kind, QList<Frame> &out);
    void dropTo(qint64 pos);
    void checkEchoPrefix();

    Direction m_direction;
    qint64 m_rtuSilenceUs = DefaultRtuSilenceUs;
    qint64 m_asciiSilenceUs = DefaultAsciiSilenceUs;

    // Held bytes are m_buf[m_off ..]; m_buf[0] is byte number m_base of the
    // line (bytes are numbered from the first ever read).
    QByteArray m_buf;
    std::vector<qint64> m_times; // read time of each byte of m_buf
    std::vector<Start> m_starts; // per byte of m_buf
    qint64 m_base = 0;
    qsizetype m_off = 0;
    // RTU frames start no earlier than this: an RTU silence ended the others.
    qint64 m_rtuFloor = 0;
    // Bytes before this were found unusable by any frame (see releaseDead()).
    qint64 m_liveFrom = 0;
    // The open ASCII candidate: its ':', the digits after it, CR seen.
    qint64 m_ascii = -1;
    int m_asciiDigits = 0;
    bool m_asciiCr = false;
    // Starts of RTU lengths by the number of their last byte, modulo the size.
    std::vector<std::vector<qint64>> m_ends;
    // The echo awaited, and whether the held bytes are still a prefix of it.
    QByteArray m_echo;
    bool m_echoPrefix = false;
    // A copy of the request that may be its echo or its reply (see above), and
    // whether the next request was written since (which makes it the reply).
    std::optional<Frame> m_maybeEcho;
    bool m_maybeEchoIsReply = false;
};

} // namespace Frames
