#pragma once
// The transmit side of a traffic view: caption lines of the controller's command
// codes, the "SndHex:"/"SndAsc:" lines, the sent-byte counter.
#include "link/trafficlog.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// One traffic view with its byte counter.
struct TrafficSide {
    TrafficLog log;
    qint64 count = 0;

    // Empties the view and restarts the counter when the view is over its bound.
    void enforceBound() {
        if (log.enforceBound())
            count = 0;
    }
    // Shows one frame: the bound, its lines (oldest first) in front of the
    // text, its bytes on the counter. The stamp goes with the frame's first
    // line (its caption line where it has one).
    void add(const QStringList &lines, qint64 bytes, const Stamp &stamp = Stamp()) {
        enforceBound();
        for (qsizetype i = 0; i < lines.size(); ++i)
            log.prepend(lines.at(i), i == 0 ? stamp : Stamp());
        count += bytes;
    }
    void clear() {
        log.clear();
        count = 0;
    }
};

namespace Transmit {

// The caption that names a request in the send view ("请求握手命令:" for 0x20),
// empty for a code without one (0x40, 0x41, 0x48 and up).
QString caption(quint8 code);

// The command code of a request frame: byte 1 of an RTU frame; for a
// well-formed ASCII frame, byte 1 of the bytes it carries. nullopt when the
// frame is shorter than two bytes.
std::optional<quint8> commandCode(const QByteArray &frame);

QString hexLine(const QByteArray &frame);
QString ascLine(const QByteArray &frame);

// Rewrites a request frame into another form just before it is sent (the
// register form). Returns nullopt and sets *refusal when the frame cannot be
// rewritten; nothing is then shown or sent.
struct Rewriter {
    QString line; // shown between the caption line and the traffic lines
    std::function<std::optional<QByteArray>(const QByteArray &frame, QString *refusal)> rewrite;
};

struct Outcome {
    std::optional<QByteArray> wire; // the bytes to write; nullopt when refused
    QString refusal;
    // What the send view shows for it, oldest first: the caption line of the
    // frame's command code, the rewrite line (when a rewriter is given), the
    // hex line and the character line of the bytes written.
    QStringList lines;
    QString caption; // the caption line without its end characters
};

// Rewrites (when a rewriter is given) and describes one send.
Outcome prepare(const QByteArray &frame, const Rewriter *rewriter = nullptr);

// Records one send on the view: the bound, the lines of prepare(), the counter.
// Returns what goes out.
Outcome record(TrafficSide &side, const QByteArray &frame, const Rewriter *rewriter = nullptr);

} // namespace Transmit
