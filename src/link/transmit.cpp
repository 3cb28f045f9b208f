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

Outcome record(TrafficSide &side, const QByteArray &frame, const Rewriter *rewriter) {
    QByteArray wire = frame;
    if (rewriter) {
        QString refusal;
        const auto rewritten = rewriter->rewrite(frame, &refusal);
        if (!rewritten)
            return {std::nullopt, refusal};
        wire = *rewritten;
    }
    side.enforceBound();
    // Caption lines end with LF then CR, traffic lines with LF alone.
    if (const auto code = commandCode(frame)) {
        const QString text = caption(*code);
        if (!text.isEmpty())
            side.log.prepend(text + QStringLiteral("\n\r"));
    }
    if (rewriter)
        side.log.prepend(rewriter->line + QStringLiteral("\n\r"));
    side.count += wire.size();
    side.log.prepend(hexLine(wire));
    side.log.prepend(ascLine(wire));
    return {wire, {}};
}

} // namespace Transmit
