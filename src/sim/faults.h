#pragma once
// Fault injection on the reply side of the simulated controller: every Nth
// reply is dropped, sent with a wrong checksum, split across two writes or
// replaced by an error reply.
#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace Sim {

enum class Fault {
    None,
    Drop,         // the reply is not sent
    Corrupt,      // RTU: both CRC bytes inverted; ASCII: the LRC byte inverted
    Split,        // the first half now, the rest splitGapMs() later
    Error,        // an error reply with error byte 0x04 (device failure) instead
    WrongAddress, // the reply from the next address up (checksum made to hold)
};

// "drop", "corrupt", "split", "error", "wrong-address" (and "none"); nullopt
// for anything else.
std::optional<Fault> faultFromText(const QString &text);

class FaultInjector {
public:
    static constexpr int kSplitGapMs = 300; // longer than any receiver's silence

    // One write of a reply: its bytes, `delayMs` after the reply's own time.
    struct Piece {
        int delayMs = 0;
        QByteArray bytes;
    };

    explicit FaultInjector(Fault fault = Fault::None, int every = 1);

    Fault fault() const { return m_fault; }
    int every() const { return m_every; }
    int splitGapMs() const { return m_splitGapMs; }
    void setSplitGapMs(int ms) { m_splitGapMs = ms < 0 ? 0 : ms; }

    // Counts the reply and gives the writes that carry it: the reply itself,
    // or, for every `every`-th reply, the faulty version.
    QList<Piece> apply(const QByteArray &reply);

    // The faulty versions, for one reply frame (RTU or ASCII).
    static QByteArray corrupted(const QByteArray &reply);
    static QByteArray errorReply(const QByteArray &reply);
    static QByteArray wrongAddress(const QByteArray &reply);

private:
    Fault m_fault;
    int m_every;
    int m_splitGapMs = kSplitGapMs;
    qint64 m_count = 0;
};

} // namespace Sim
