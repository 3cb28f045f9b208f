#include "link/transmit.h"

#include "codec/cp936.h"
#include "codec/framing.h"
#include "codec/hextext.h"
#include "commands/commandtable.h"

namespace Transmit {

QString caption(quint8 code) {
    const Commands::Command *row = Commands::find(code);
    return row ? Commands::text(row->send) : QString();
}

std::optional<quint8> commandCode(const QByteArray &frame) {
    if (const auto bytes = Framing::decodeAscii(frame); bytes && bytes->size() >= 2)
        return quint8(bytes->at(1));
    if (frame.size() < 2)
        return std::nullopt;
    return quint8(frame.at(1));
}

QString hexLine(const QByteArray &frame) {
    return QStringLiteral("SndHex:") + HexText::spaced(frame) + u'\n';
}

QString ascLine(const QByteArray &frame) {
    return QStringLiteral("SndAsc:") + Cp936::bytewise(frame) + u'\n';
}

Outcome prepare(const QByteArray &frame, const Rewriter *rewriter) {
    Outcome out;
    QByteArray wire = frame;
    if (rewriter) {
        const auto rewritten = rewriter->rewrite(frame, &out.refusal);
        if (!rewritten)
            return out;
        wire = *rewritten;
    }
    // Caption lines end with LF then CR, traffic lines with LF alone.
    if (const auto code = commandCode(frame)) {
        out.caption = caption(*code);
        if (!out.caption.isEmpty())
            out.lines << out.caption + QStringLiteral("\n\r");
    }
    if (rewriter)
        out.lines << rewriter->line + QStringLiteral("\n\r");
    out.lines << hexLine(wire) << ascLine(wire);
    out.wire = std::move(wire);
    return out;
}

Outcome record(TrafficSide &side, const QByteArray &frame, const Rewriter *rewriter) {
    Outcome out = prepare(frame, rewriter);
    if (out.wire)
        side.add(out.lines, out.wire->size());
    return out;
}

} // namespace Transmit
