#include "link/receive.h"

#include "codec/cp936.h"
#include "codec/framing.h"
#include "codec/hextext.h"

#include <array>

namespace Receive {

namespace {

enum class Action { None, Unsigned, Signed, Status, Inputs, IoReadBack };

struct ReplyRow {
    quint8 code;
    const char16_t *caption;
    Action action;
    const char *field; // queried-value field of Unsigned/Signed
};

constexpr std::array<ReplyRow, 38> kReplies{{
    {0x20, u"请求握手命令:", Action::None, nullptr},
    {0x21, u"查询设备地址:当前地址为", Action::None, nullptr},
    {0x22, u"更改设备地址:", Action::None, nullptr},
    {0x23, u"查询当前波特率:当前波特率设置为", Action::None, nullptr},
    {0x24, u"改变当前波特率:", Action::None, nullptr},
    {0x25, u"设置运动初速度:", Action::None, nullptr},
    {0x26, u"查询运动初速度:", Action::Unsigned, "Text27"},
    {0x27, u"设置运动最大速度:", Action::None, nullptr},
    {0x28, u"查询运动最大速度:", Action::Unsigned, "Text26"},
    {0x29, u"设置运动末速度:", Action::None, nullptr},
    {0x2A, u"查询运动末速度:", Action::Unsigned, "Text25"},
    {0x2B, u"设置运动加速度:", Action::None, nullptr},
    {0x2C, u"查询运动加速度:", Action::Unsigned, "Text24"},
    {0x2D, u"设置运动减速度:", Action::None, nullptr},
    {0x2E, u"查询运动减速度:", Action::Unsigned, "Text6"},
    {0x2F, u"设置归零运动速度:", Action::None, nullptr},
    {0x30, u"查询归零运动速度:", Action::Unsigned, "Text28"},
    {0x31, u"设置32位运动脉冲数并开始运动:", Action::None, nullptr},
    {0x32, u"设置24位运动脉冲数并开始运动:", Action::None, nullptr},
    {0x33, u"设置32位运动速度，并恒速运动:", Action::None, nullptr},
    {0x34, u"设置24位运动速度，并恒速运动:", Action::None, nullptr},
    {0x35, u"恒速运动过程中改变速度:", Action::None, nullptr},
    {0x36, u"查询运动速度:", Action::Unsigned, "Text17"},
    {0x37, u"查询运动绝对位置:", Action::Signed, "Text18"},
    {0x38, u"绝对位置清零:", Action::None, nullptr},
    {0x39, u"查询运动相对位置:", Action::Signed, "Text19"},
    {0x3A, u"相对位置清零:", Action::None, nullptr},
    {0x3B, u"查询运动状态:", Action::Status, nullptr},
    {0x3C, u"急停命令:", Action::None, nullptr},
    {0x3D, u"减速停止命令:", Action::None, nullptr},
    {0x3E, u"查找原点命令:", Action::None, nullptr},
    {0x40, u"设置IO取代命令:", Action::None, nullptr},
    {0x41, u"读取IO取代命令:", Action::IoReadBack, nullptr},
    {0x42, u"查询 IN 1-5 状态:", Action::Inputs, nullptr},
    {0x44, u"设置变速因子命令:", Action::None, nullptr},
    {0x45, u"定量加速命令:", Action::None, nullptr},
    {0x46, u"定量减速命令:", Action::None, nullptr},
    {0x47, u"出厂设置命令:", Action::None, nullptr},
}};

const ReplyRow *rowFor(quint8 code) {
    for (const ReplyRow &row : kReplies)
        if (row.code == code)
            return &row;
    return nullptr;
}

// The bytes one reply is recognised from: the chunk itself in RTU, or the
// bytes an ASCII frame carries. `trailer` is the checksum's length at the end.
struct ReplyBytes {
    QByteArray bytes;
    int length;  // bytes taken as the reply
    int trailer; // 2 (CRC) or 1 (LRC)
};

quint8 at(const QByteArray &b, int i) {
    return quint8(b.at(i));
}

quint32 word32(const QByteArray &b) {
    return quint32(at(b, 3)) << 24 | quint32(at(b, 4)) << 16 | quint32(at(b, 5)) << 8 |
           quint32(at(b, 6));
}

Lamp oneIsNormal(quint8 v) {
    return v == 1 ? Lamp::Normal : Lamp::Alert;
}

void decodeRow(const ReplyRow &row, const ReplyBytes &r, Decoded &d) {
    const QByteArray &b = r.bytes;
    switch (row.action) {
    case Action::None:
        break;
    case Action::Unsigned:
        if (b.size() >= 8)
            d.fields.append({QString::fromLatin1(row.field), valueText(word32(b))});
        break;
    case Action::Signed:
        if (b.size() >= 8)
            d.fields.append({QString::fromLatin1(row.field), valueText(qint32(word32(b)))});
        break;
    case Action::Status:
        if (b.size() >= 8) {
            const bool stopped = at(b, 3) == 0;
            d.lamps.append({1, stopped ? Lamp::Normal : Lamp::Alert});
            d.status = stopped ? QStringLiteral("停止") : QStringLiteral("运动中");
            for (int shape = 2; shape <= 4; ++shape)
                d.lamps.append({shape, oneIsNormal(at(b, shape + 2))});
        }
        break;
    case Action::Inputs:
        if (b.size() >= 8)
            for (int i = 0; i < 5 && 3 + i < b.size(); ++i)
                d.lamps.append({5 + i, oneIsNormal(at(b, 3 + i))});
        break;
    case Action::IoReadBack: {
        // The stored command: from byte 4 (after the pattern byte) to the checksum.
        const int last = std::min<int>(r.length, b.size()) - 1 - r.trailer;
        QByteArray cmd;
        if (last >= 4)
            cmd = b.mid(4, last - 3);
        d.ioCommand = HexText::spaced(cmd);
        break;
    }
    }
}

} // namespace

QString caption(quint8 code) {
    const ReplyRow *row = rowFor(code);
    return row ? QString::fromUtf16(row->caption) : QString();
}

QString valueText(qint64 v) {
    return v < 0 ? QString::number(v) : u' ' + QString::number(v);
}

Decoded CommRec(const QByteArray &RecData, int L) {
    Decoded d;
    d.count = L;
    ReplyBytes r{RecData, L, 2};
    if (auto carried = Framing::decodeAscii(RecData.left(L))) {
        r.length = int(carried->size());
        r.bytes = std::move(*carried);
        r.trailer = 1;
    }
    if (r.length > 2 && r.bytes.size() > 2) {
        if (const ReplyRow *row = rowFor(at(r.bytes, 1))) {
            QString line = QString::fromUtf16(row->caption);
            bool shown = true;
            if (row->code == 0x21) {
                line += HexText::bare(at(r.bytes, 0));
            } else if (row->code == 0x23) {
                // Without byte 3 the caption line is not shown at all.
                if (r.bytes.size() > 3)
                    line += HexText::bare(at(r.bytes, 3));
                else
                    shown = false;
            }
            if (shown)
                d.caption = line + QStringLiteral("\n\r");
            decodeRow(*row, r, d);
        }
    }
    const QByteArray shown = RecData.left(L);
    d.hexLine = QStringLiteral("RecHex:") + HexText::spaced(shown) + u'\n';
    d.ascLine = QStringLiteral("RecAsc:") + Cp936::bytewise(shown) + u'\n';
    return d;
}

void record(TrafficSide &side, const Decoded &d) {
    side.enforceBound();
    if (!d.caption.isEmpty())
        side.log.prepend(d.caption);
    side.log.prepend(d.hexLine);
    side.log.prepend(d.ascLine);
    side.count += d.count;
}

} // namespace Receive
