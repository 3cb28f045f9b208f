#pragma once
// The session's record stream: one record for every frame written to the
// line, every frame assembled from what was read, and every link event. The
// traffic views, the traffic log file, the command-line tool and the plot all
// read these records; none of them re-derives what a record already says.
//
// Times are host times in microseconds on the session's monotonic clock
// (Session::nowUs()): a sent frame's when its write was handed to the port, a
// received frame's when its last byte was read, an event's when it happened.
// The wall-clock time of a record is Session::epochUs() + timeUs.
#include "link/receive.h"

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QStringList>

#include <optional>

namespace Records {

enum class Direction { Sent, Received, Event };

enum class Kind {
    // Sent frames.
    Request,
    // Received frames, as the assembler marked them.
    Good,
    ChecksumFailed,
    Incomplete,
    Noise,
    Echo,
    // Events.
    Opened,      // the line was opened (by the user or a program)
    Closed,      // the line was closed on request
    Lost,        // the open line failed (unplugged, hang-up, I/O error)
    Reconnected, // a lost line was opened again with the same settings
    RunStarted,  // the list runner started
    RunStopped,  // the list runner stopped (on request, at interval 0, on a loss)
    Refused,     // a send was refused before anything was written (detail: why)
};

struct Record {
    quint64 seq = 0; // 1, 2, ... in the order the session produced them
    Direction direction = Direction::Event;
    Kind kind = Kind::Opened;
    qint64 timeUs = 0;
    QString port;     // the device the line is (or was last) open on
    QByteArray bytes; // frames: exactly as on the line (a sent frame after any rewrite)
    // Received frames: the decoded reply (caption or mark, value, status ...).
    std::optional<Receive::Reply> reply;
    // Frames: the lines the traffic view shows for it, oldest first, each with
    // its end characters (caption "\n\r", register-form line "\n\r", hex and
    // character lines "\n").
    QStringList lines;
    // The caption line as the view shows it, without end characters; empty
    // when the frame has none.
    QString caption;
    // Events: the device or the reason, as the window reports it.
    QString detail;

    bool isFrame() const { return direction != Direction::Event; }
};

// Names as the log and the command-line tool write them: "tx", "rx", "event";
// "request", "good", "checksum-failed", "incomplete", "noise", "echo",
// "opened", "closed", "lost", "reconnected", "run-started", "run-stopped",
// "refused".
QString directionName(Direction d);
QString kindName(Kind k);
Kind kindOf(Frames::Kind k);

// The address and command code a frame carries (RTU: bytes 0 and 1; ASCII:
// the first two bytes of its message), nullopt where it has none.
std::optional<quint8> address(const Record &r);
std::optional<quint8> code(const Record &r);

// The decoded value of a good reply that carries one, as text: the number in
// decimal; run state and limits as four 0/1 digits; inputs as five. Empty
// otherwise.
QString valueText(const Record &r);

// A record as the traffic log's row and the command-line tool's JSON object
// give it; the header, in order: time, elapsed_us, direction, port, kind,
// address, code, caption, value, hex.
struct Columns {
    QString time;         // local ISO 8601 with microseconds and offset
    qint64 elapsedUs = 0; // since `startUs` (the log's or the program's start)
    QString direction;    // directionName()
    QString port;
    QString kind;    // kindName()
    QString address; // two hex digits, empty where the frame has none
    QString code;    // two hex digits, empty where the frame has none
    QString caption; // frames: the caption line as the views show it; events: the detail
    QString value;   // valueText()
    QString hex;     // the bytes as the views show them, spaced ("01 36 04 ...")
};
QStringList columnNames();
// `epochUs`: the wall-clock time (µs since the Unix epoch) at which the
// record clock read 0 (Session::epochUs()).
Columns columns(const Record &r, qint64 epochUs, qint64 startUs);
// Local ISO 8601 with microseconds and the offset: "2026-12-09T23:41:07.123456+08:00".
QString isoTime(qint64 epochUs);

} // namespace Records

Q_DECLARE_METATYPE(Records::Record)
