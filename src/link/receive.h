#pragma once
// The receive decoder: each assembled frame is taken as one reply. A good frame
// is recognised by its command code (byte 1) and turned into a caption line and
// the value, status or input bytes it carries; any other frame is shown under
// the mark line of its kind. Every frame gets the traffic lines of its bytes.
#include "codec/frameassembler.h"
#include "link/transmit.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace Receive {

struct Reply {
    std::optional<quint8> code;       // recognised command code (a row with a reply caption)
    QString caption;                  // caption or mark line with its LF CR, empty if none
    std::optional<qint64> value;      // queried value (unsigned or signed as the table says)
    std::optional<QByteArray> status; // 0x3B: run state, left, origin, right bytes (4)
    std::optional<QByteArray> inputs; // 0x42: IN1..IN5 bytes (5)
    std::optional<QString> ioCommand; // 0x41: the stored command in spaced hex ("01 A0 0F ")
    QString hexLine;                  // "RecHex:" line with its LF
    QString ascLine;                  // "RecAsc:" line with its LF
    int count = 0;                    // bytes added to the counter
};

// The caption of a reply code ("查询运动速度:" for 0x36), empty for a code the
// decoder does not recognise (error replies with bit 7 set, 0x3F, 0x43, CAN
// codes, register-form replies).
QString caption(quint8 code);

// The mark line of a frame that is not good ("校验错误:" for a failed
// checksum), empty for a good one.
QString mark(Frames::Kind kind);

// Value text: a blank before a value of zero or more, "-" before a negative one.
QString valueText(qint64 v);

// Decodes one assembled frame. A good frame is examined by its bytes as the
// reply carries them: an RTU frame as the whole frame (CRC included), an ASCII
// frame as its message and LRC. Bytes 0..2 must be there for recognition; a
// value, status or input decode needs 8 bytes or more; 0x23 without byte 3
// shows no caption line; 0x41's stored command runs from byte 4 to the last
// byte before the checksum. Any other kind gives only its mark line with LF CR.
// The traffic lines and the count are those of frame.bytes, as on the line.
Reply CommRec(const Frames::Frame &frame);

// What the receive view shows for a decoded reply, oldest first: the caption
// line (when there is one), the hex line, the character line.
QStringList lines(const Reply &r);

// Records a decoded reply on the receive view: the bound, its lines, the counter.
void record(TrafficSide &side, const Reply &r);

} // namespace Receive
