#pragma once
// The receive decoder: each received chunk is taken as one reply, recognised by
// its command code (byte 1), and turned into a caption line, value texts for the
// queried-value fields, indicator colours and the traffic lines.
#include "link/transmit.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace Receive {

enum class Lamp { Normal, Alert };

struct FieldText {
    QString field; // objectName of the queried-value field
    QString text;
};
struct LampColour {
    int shape; // 1..9: Shape1 .. Shape9
    Lamp colour;
};

// What one chunk does to the window.
struct Decoded {
    QString caption;                  // caption line with its LF CR, empty if none
    QList<FieldText> fields;          // value texts, in decode order
    std::optional<QString> status;    // Label15 caption
    QList<LampColour> lamps;          // indicator colours, in decode order
    std::optional<QString> ioCommand; // Text31: IO-substitution read-back
    QString hexLine;                  // "RecHex:" line with its LF
    QString ascLine;                  // "RecAsc:" line with its LF
    int count = 0;                    // bytes added to the counter
};

// The caption of a reply code ("查询运动速度:" for 0x36), empty for a code the
// decoder does not recognise (error replies with bit 7 set, 0x3F, 0x43, CAN
// codes, register-form replies).
QString caption(quint8 code);

// Value text: a blank before a value of zero or more, "-" before a negative one.
QString valueText(qint64 v);

// Decodes one chunk. RecData holds the bytes read, L the count reported for
// them; the traffic lines and the counter use L, the value decodes the bytes
// present. A chunk that is a well-formed ASCII frame is recognised from the
// bytes it carries; its traffic lines still show the raw characters.
Decoded CommRec(const QByteArray &RecData, int L);

// Records a decoded chunk on the receive view: the bound, the caption line, the
// hex line, the character line, the counter.
void record(TrafficSide &side, const Decoded &d);

} // namespace Receive
