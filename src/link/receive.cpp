#include "link/receive.h"

#include "codec/checksum.h"
#include "codec/cp936.h"
#include "codec/hextext.h"
#include "commands/commandtable.h"

#include <QCoreApplication>

namespace Receive {

namespace {

using Commands::Decode;

// The row of a code the receive view names.
const Commands::Command *replyRow(quint8 code) {
    const Commands::Command *row = Commands::find(code);
    return row && !row->reply.empty() ? row : nullptr;
}

quint8 at(const QByteArray &b, int i) {
    return quint8(b.at(i));
}

quint32 word32(const QByteArray &b) {
    return quint32(at(b, 3)) << 24 | quint32(at(b, 4)) << 16 | quint32(at(b, 5)) << 8 |
           quint32(at(b, 6));
}

// A reply as the decoder examines it: its bytes, the checksum included, and
// the checksum's length at the end.
struct ReplyBytes {
    QByteArray bytes;
    int trailer; // 2 (CRC) or 1 (LRC)
};

ReplyBytes examined(const Frames::Frame &frame) {
    if (frame.form == Frames::Form::Rtu)
        return {frame.bytes, 2};
    // A good frame's LRC holds: it is the message's own.
    return {frame.message + char(CommSetting::CalcLRC(frame.message)), 1};
}

void decodeRow(const Commands::Command &row, const ReplyBytes &r, Reply &d) {
    const QByteArray &b = r.bytes;
    switch (row.decode) {
    case Decode::None:
    case Decode::Address:
    case Decode::BaudCode:
        break;
    case Decode::Unsigned:
        if (b.size() >= 8)
            d.value = qint64(word32(b));
        break;
    case Decode::Signed:
        if (b.size() >= 8)
            d.value = qint64(qint32(word32(b)));
        break;
    case Decode::Status:
        if (b.size() >= 8)
            d.status = b.mid(3, 4);
        break;
    case Decode::Inputs:
        if (b.size() >= 8)
            d.inputs = b.mid(3, 5);
        break;
    case Decode::IoRule: {
        // The stored command: from byte 4 (after the pattern byte) to the checksum.
        const int last = int(b.size()) - 1 - r.trailer;
        d.ioCommand = HexText::spaced(last >= 4 ? b.mid(4, last - 3) : QByteArray());
        break;
    }
    }
}

} // namespace

QString caption(quint8 code) {
    const Commands::Command *row = replyRow(code);
    return row ? Commands::text(row->reply) : QString();
}

QString mark(Frames::Kind kind) {
    switch (kind) {
    case Frames::Kind::Good:
        break;
    case Frames::Kind::ChecksumFailed:
        return QCoreApplication::translate("Receive", "校验错误:");
    case Frames::Kind::Incomplete:
        return QCoreApplication::translate("Receive", "帧不完整:");
    case Frames::Kind::Noise:
        return QCoreApplication::translate("Receive", "无效数据:");
    case Frames::Kind::Echo:
        return QCoreApplication::translate("Receive", "回波:");
    }
    return {};
}

QString valueText(qint64 v) {
    return v < 0 ? QString::number(v) : u' ' + QString::number(v);
}

Reply CommRec(const Frames::Frame &frame) {
    Reply d;
    d.count = int(frame.bytes.size());
    d.hexLine = QStringLiteral("RecHex:") + HexText::spaced(frame.bytes) + u'\n';
    d.ascLine = QStringLiteral("RecAsc:") + Cp936::bytewise(frame.bytes) + u'\n';
    // Caption lines end with LF then CR, traffic lines with LF alone.
    if (frame.kind != Frames::Kind::Good) {
        d.caption = mark(frame.kind) + QStringLiteral("\n\r");
        return d;
    }
    const ReplyBytes r = examined(frame);
    if (r.bytes.size() <= 2)
        return d;
    const Commands::Command *row = replyRow(at(r.bytes, 1));
    if (!row)
        return d;
    d.code = row->code;
    QString line = Commands::text(row->reply);
    bool shown = true;
    if (row->decode == Decode::Address) {
        line += HexText::bare(at(r.bytes, 0));
    } else if (row->decode == Decode::BaudCode) {
        // Without byte 3 the caption line is not shown at all.
        if (r.bytes.size() > 3)
            line += HexText::bare(at(r.bytes, 3));
        else
            shown = false;
    }
    if (shown)
        d.caption = line + QStringLiteral("\n\r");
    decodeRow(*row, r, d);
    return d;
}

QStringList lines(const Reply &r) {
    QStringList out;
    if (!r.caption.isEmpty())
        out << r.caption;
    out << r.hexLine << r.ascLine;
    return out;
}

void record(TrafficSide &side, const Reply &r) {
    side.add(lines(r), r.count);
}

} // namespace Receive
