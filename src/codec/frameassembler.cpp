#include "frameassembler.h"

#include "checksum.h"
#include "framing.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace Frames {

namespace {

constexpr quint8 kWriteRegisters = 0x10;
constexpr quint8 kWriteCoils = 0x0F;
// Hex digits an ASCII frame may carry: ':' and CR LF take the rest.
constexpr int kMaxAsciiDigits = MaxAsciiFrame - 3;
// The ring of end positions must cover every end still ahead of the newest
// byte: at most MaxRtuFrame - 1 bytes.
constexpr qint64 kEndRing = 512;
static_assert(kEndRing >= MaxRtuFrame);
// Bytes already released are moved out of the buffer once this many gather.
constexpr qsizetype kCompactAt = 2048;

constexpr std::array<quint16, 256> makeCrcTable() {
    std::array<quint16, 256> table{};
    for (int i = 0; i < 256; ++i) {
        quint16 c = quint16(i);
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) ? quint16((c >> 1) ^ 0xA001) : quint16(c >> 1);
        table[size_t(i)] = c;
    }
    return table;
}

constexpr std::array<quint16, 256> kCrcTable = makeCrcTable();

// CRC-16/MODBUS, a byte at a time (the same value as CommSetting::crc16).
quint16 crcOf(const char *p, qsizetype n) {
    quint16 crc = 0xFFFF;
    for (qsizetype i = 0; i < n; ++i)
        crc = quint16((crc >> 8) ^ kCrcTable[(crc ^ quint8(p[i])) & 0xFF]);
    return crc;
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// The length rule of rtuLengths() over `avail` bytes at `p`.
int lengthsOf(const char *p, qsizetype avail, Direction direction, quint16 out[2], bool *needMore) {
    *needMore = false;
    if (avail < 3) {
        *needMore = true;
        return 0;
    }
    int count = 0;
    const auto add = [&](int length) {
        for (int i = 0; i < count; ++i)
            if (out[i] == length)
                return;
        out[count++] = quint16(length);
    };
    const quint8 code = quint8(p[1]);
    add(5 + quint8(p[2]));
    if (direction == Direction::Replies) {
        if (code == kWriteRegisters)
            add(8);
        if (code & 0x80)
            add(5);
    } else if (code >= 0x01 && code <= 0x06) {
        add(8);
    } else if (code == kWriteCoils || code == kWriteRegisters) {
        if (avail >= 7)
            add(9 + quint8(p[6]));
        else
            *needMore = true;
    }
    return count;
}

int longest(const quint16 *lengths, int count) {
    int longest = 0;
    for (int i = 0; i < count; ++i)
        longest = std::max<int>(longest, lengths[i]);
    return longest;
}

} // namespace

QList<int> rtuLengths(const QByteArray &head, Direction direction, bool *needMore) {
    quint16 lengths[2];
    bool more = false;
    const int count = lengthsOf(head.constData(), head.size(), direction, lengths, &more);
    if (needMore)
        *needMore = more;
    QList<int> out(lengths, lengths + count);
    std::sort(out.begin(), out.end());
    return out;
}

Assembler::Assembler(Direction direction) : m_direction(direction), m_ends(size_t(kEndRing)) {}

QList<Frame> Assembler::feed(const QByteArray &bytes, qint64 nowUs) {
    QList<Frame> out;
    expireInto(nowUs, out);
    for (const char byte : bytes)
        take(byte, nowUs, out);
    return out;
}

QList<Frame> Assembler::expire(qint64 nowUs) {
    QList<Frame> out;
    expireInto(nowUs, out);
    return out;
}

std::optional<qint64> Assembler::deadlineUs() const {
    if (m_maybeEcho) {
        if (m_maybeEchoIsReply)
            return m_maybeEcho->timeUs;
        if (pending() == 0)
            return m_maybeEcho->timeUs + m_rtuSilenceUs;
    }
    if (pending() == 0)
        return std::nullopt;
    const qint64 last = m_times.back();
    const bool rtuOpen = m_rtuFloor < end();
    std::optional<qint64> deadline;
    if (rtuOpen && (m_ascii < 0 || head() < m_ascii))
        deadline = last + m_rtuSilenceUs;
    if (m_ascii >= 0) {
        // With RTU candidates still open inside it, the ASCII candidate's bytes
        // go only when those are given up too.
        const qint64 t =
            last + (rtuOpen ? std::max(m_asciiSilenceUs, m_rtuSilenceUs) : m_asciiSilenceUs);
        deadline = deadline ? std::min(*deadline, t) : t;
    }
    return deadline;
}

void Assembler::expectEcho(const QByteArray &written) {
    // A copy of the previous request still held was its reply.
    m_maybeEchoIsReply = m_maybeEcho.has_value();
    m_echo = written;
    checkEchoPrefix();
}

qsizetype Assembler::pending() const {
    return m_buf.size() - m_off;
}

void Assembler::reset() {
    m_base = end();
    m_off = 0;
    m_buf.clear();
    m_times.clear();
    m_starts.clear();
    m_rtuFloor = m_base;
    m_liveFrom = m_base;
    m_ascii = -1;
    m_asciiDigits = 0;
    m_asciiCr = false;
    for (std::vector<qint64> &starts : m_ends)
        starts.clear();
    m_echo.clear();
    m_echoPrefix = false;
    m_maybeEcho.reset();
    m_maybeEchoIsReply = false;
}

void Assembler::take(char byte, qint64 nowUs, QList<Frame> &out) {
    const qint64 pos = end();
    m_buf.append(byte);
    m_times.push_back(nowUs);
    m_starts.emplace_back();

    learnHeader(pos - 2);
    if (pos - 6 >= head() && start(pos - 6).needMore)
        learnHeader(pos - 6);

    const qint64 rtuStart = goodRtuEndingAt(pos);

    if (m_echoPrefix) {
        const qsizetype n = pending();
        if (n > m_echo.size() || m_echo[n - 1] != byte) {
            m_echoPrefix = false;
        } else if (n == m_echo.size()) {
            const QByteArray written = m_echo;
            m_echo.clear();
            m_echoPrefix = false;
            const auto ascii = Framing::decodeAscii(written);
            QByteArray message;
            if (ascii && CommSetting::CalcLRC(ascii->chopped(1)) == quint8(ascii->back()))
                message = ascii->chopped(1);
            else if (!ascii && written.size() >= 3 && Framing::rtu(written.chopped(2)) == written)
                message = written.chopped(2);
            const bool couldBeReply =
                !message.isEmpty() &&
                (ascii || rtuLengths(written, m_direction).contains(int(written.size())));
            emitEcho(ascii ? Form::Ascii : Form::Rtu, std::move(message), couldBeReply, out);
            return;
        }
    }

    // A good ASCII frame completing at this byte wins only when it starts first.
    if (rtuStart >= 0 && !(m_ascii >= 0 && m_ascii < rtuStart && asciiGoodAt(byte, pos))) {
        emitGood(rtuStart, Form::Rtu, QByteArray(at(rtuStart), pos - 1 - rtuStart), out);
        return;
    }
    stepAscii(byte, pos, out);

    if (pending() > MaxPending)
        releaseDead(out);
}

void Assembler::learnHeader(qint64 pos) {
    if (pos < head() || pos < m_rtuFloor)
        return;
    Start &s = start(pos);
    quint16 lengths[2];
    bool more = false;
    const int count = lengthsOf(at(pos), end() - pos, m_direction, lengths, &more);
    for (int i = 0; i < count; ++i) {
        bool seen = false;
        for (int j = 0; j < s.count; ++j)
            seen = seen || s.lengths[j] == lengths[i];
        if (seen)
            continue;
        s.lengths[s.count++] = lengths[i];
        m_ends[size_t((pos + lengths[i] - 1) % kEndRing)].push_back(pos);
    }
    s.known = true;
    s.needMore = more;
}

qint64 Assembler::goodRtuEndingAt(qint64 last) {
    std::vector<qint64> &starts = m_ends[size_t(last % kEndRing)];
    const qint64 first = std::max(head(), m_rtuFloor);
    qint64 best = -1;
    for (const qint64 s : starts) {
        if (s < first || (best >= 0 && s >= best))
            continue;
        const quint16 crc = crcOf(at(s), last - 1 - s);
        if (quint8(*at(last - 1)) == (crc & 0xFF) && quint8(*at(last)) == (crc >> 8))
            best = s;
    }
    starts.clear();
    return best;
}

bool Assembler::asciiGoodAt(char byte, qint64 pos) const {
    if (m_ascii < 0 || !m_asciiCr || byte != '\n')
        return false;
    const auto bytes = Framing::decodeAscii(QByteArray(at(m_ascii), pos + 1 - m_ascii));
    return bytes && CommSetting::CalcLRC(bytes->chopped(1)) == quint8(bytes->back());
}

void Assembler::stepAscii(char byte, qint64 pos, QList<Frame> &out) {
    if (m_ascii >= 0) {
        if (!m_asciiCr && isHexDigit(byte) && m_asciiDigits < kMaxAsciiDigits) {
            ++m_asciiDigits;
            return;
        }
        if (!m_asciiCr && byte == '\r') {
            m_asciiCr = true;
            return;
        }
        const qint64 colon = m_ascii;
        m_ascii = -1;
        if (m_asciiCr && byte == '\n') {
            const auto bytes = Framing::decodeAscii(QByteArray(at(colon), pos + 1 - colon));
            if (bytes) {
                const QByteArray message = bytes->chopped(1);
                if (CommSetting::CalcLRC(message) == quint8(bytes->back())) {
                    emitGood(colon, Form::Ascii, message, out);
                } else {
                    emitBefore(colon, out);
                    emitHead(Kind::ChecksumFailed, Form::Ascii, end(), out);
                }
                return;
            }
        }
        if (byte == ':' && (m_asciiDigits > 0 || m_asciiCr)) {
            // The next frame begins: this one is given up.
            emitBefore(colon, out);
            emitHead(Kind::Incomplete, Form::Ascii, pos, out);
        } else if (colon < m_rtuFloor && head() < m_rtuFloor) {
            // An RTU silence ended every other use of these bytes.
            emitHead(Kind::Incomplete, Form::Ascii, std::min(m_rtuFloor, pos), out);
        }
    }
    if (byte == ':') {
        m_ascii = pos;
        m_asciiDigits = 0;
        m_asciiCr = false;
    }
}

void Assembler::emitGood(qint64 from, Form form, QByteArray message, QList<Frame> &out) {
    emitBefore(from, out);
    const bool echo = !m_echo.isEmpty() && pending() == m_echo.size() &&
                      std::memcmp(at(from), m_echo.constData(), size_t(m_echo.size())) == 0;
    m_echo.clear();
    m_echoPrefix = false;
    if (echo)
        emitEcho(form, std::move(message), true, out);
    else
        emitHead(Kind::Good, form, end(), out, std::move(message));
}

void Assembler::emitBefore(qint64 to, QList<Frame> &out) {
    const qint64 from = head();
    if (to <= from)
        return;
    if (from >= m_rtuFloor) {
        const Start &s = start(from);
        for (int i = 0; i < s.count; ++i) {
            if (from + s.lengths[i] == to) {
                emitHead(Kind::ChecksumFailed, Form::Rtu, to, out);
                return;
            }
        }
    }
    emitHead(Kind::Noise, Form::Rtu, to, out);
}

void Assembler::giveUpRtu(qint64 to, QList<Frame> &out) {
    const qint64 from = head();
    const qint64 n = to - from;
    if (n <= 0)
        return;
    if (from >= m_rtuFloor) {
        const Start &s = start(from);
        for (int i = 0; i < s.count; ++i) {
            if (s.lengths[i] == n) {
                emitHead(Kind::ChecksumFailed, Form::Rtu, to, out);
                return;
            }
        }
        const int length = longest(s.lengths, s.count);
        if (s.known && !s.needMore && length < n) {
            emitHead(Kind::ChecksumFailed, Form::Rtu, from + length, out);
            emitHead(Kind::Incomplete, Form::Rtu, to, out);
            return;
        }
    }
    emitHead(Kind::Incomplete, Form::Rtu, to, out);
}

void Assembler::expireInto(qint64 nowUs, QList<Frame> &out) {
    if (m_maybeEcho &&
        (m_maybeEchoIsReply || (pending() == 0 && nowUs - m_maybeEcho->timeUs >= m_rtuSilenceUs)))
        settleMaybeEcho(Kind::Good, out);
    if (pending() == 0)
        return;
    const qint64 quiet = nowUs - m_times.back();
    bool rtuOpen = m_rtuFloor < end();
    if (rtuOpen && quiet >= m_rtuSilenceUs) {
        giveUpRtu(m_ascii >= 0 ? m_ascii : end(), out);
        m_rtuFloor = end();
        rtuOpen = false;
    }
    if (m_ascii >= 0 && quiet >= m_asciiSilenceUs) {
        if (rtuOpen)
            m_ascii = -1; // the ':' may still start an RTU frame
        else
            emitHead(Kind::Incomplete, Form::Ascii, end(), out);
    }
}

bool Assembler::dead(qint64 pos) const {
    if (pos == m_ascii)
        return false;
    if (pos < m_rtuFloor)
        return true;
    const Start &s = start(pos);
    if (!s.known || s.needMore)
        return false;
    return pos + longest(s.lengths, s.count) <= end();
}

void Assembler::releaseDead(QList<Frame> &out) {
    qint64 pos = std::max(m_liveFrom, head());
    while (pos < end() && dead(pos))
        ++pos;
    m_liveFrom = pos;
    emitHead(Kind::Noise, Form::Rtu, pos, out);
}

void Assembler::emitEcho(Form form, QByteArray message, bool couldBeReply, QList<Frame> &out) {
    if (!couldBeReply) {
        emitHead(Kind::Echo, form, end(), out, std::move(message));
        return;
    }
    // Held back as the reply it may be; what follows decides.
    QList<Frame> held;
    emitHead(Kind::Good, form, end(), held, std::move(message));
    m_maybeEcho = held.takeFirst();
    m_maybeEchoIsReply = false;
}

void Assembler::settleMaybeEcho(Kind kind, QList<Frame> &out) {
    if (!m_maybeEcho)
        return;
    m_maybeEcho->kind = kind;
    out.append(std::move(*m_maybeEcho));
    m_maybeEcho.reset();
}

void Assembler::emitHead(Kind kind, Form form, qint64 to, QList<Frame> &out, QByteArray message) {
    const qint64 from = head();
    if (to <= from)
        return;
    // A frame after a held copy of the request makes that copy its echo.
    settleMaybeEcho(Kind::Echo, out);
    Frame f;
    f.kind = kind;
    f.form = form;
    f.bytes = QByteArray(at(from), to - from);
    f.message = std::move(message);
    f.timeUs = m_times[size_t(to - 1 - m_base)];
    out.append(std::move(f));
    dropTo(to);
}

void Assembler::dropTo(qint64 pos) {
    m_off = pos - m_base;
    if (m_off >= m_buf.size()) {
        m_base = pos;
        m_off = 0;
        m_buf.resize(0);
        m_times.clear();
        m_starts.clear();
    } else if (m_off >= kCompactAt) {
        m_buf.remove(0, m_off);
        m_times.erase(m_times.begin(), m_times.begin() + m_off);
        m_starts.erase(m_starts.begin(), m_starts.begin() + m_off);
        m_base = pos;
        m_off = 0;
    }
    if (m_ascii >= 0 && m_ascii < pos)
        m_ascii = -1;
    checkEchoPrefix();
}

void Assembler::checkEchoPrefix() {
    const qsizetype n = pending();
    m_echoPrefix = !m_echo.isEmpty() && n <= m_echo.size() &&
                   (n == 0 || std::memcmp(at(head()), m_echo.constData(), size_t(n)) == 0);
}

} // namespace Frames
