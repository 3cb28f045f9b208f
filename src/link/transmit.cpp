#include "link/transmit.h"

#include "codec/cp936.h"
#include "codec/framing.h"
#include "codec/hextext.h"

#include <array>

namespace Transmit {

namespace {
struct CaptionRow {
    quint8 code;
    const char16_t *text;
};
constexpr std::array<CaptionRow, 38> kCaptions{{
    {0x20, u"请求握手命令:"},
    {0x21, u"查询设备地址:"},
    {0x22, u"更改设备地址:"},
    {0x23, u"查询当前波特率:"},
    {0x24, u"改变当前波特率:"},
    {0x25, u"设置运动初速度:"},
    {0x26, u"查询运动初速度:"},
    {0x27, u"设置运动最大速度:"},
    {0x28, u"查询运动最大速度:"},
    {0x29, u"设置运动末速度:"},
    {0x2A, u"查询运动末速度:"},
    {0x2B, u"设置运动加速度:"},
    {0x2C, u"查询运动加速度:"},
    {0x2D, u"设置运动减速度:"},
    {0x2E, u"查询运动减速度:"},
    {0x2F, u"设置归零运动速度:"},
    {0x30, u"查询归零运动速度:"},
    {0x31, u"设置32位运动脉冲数并开始运动:"},
    {0x32, u"设置24位运动脉冲数并开始运动:"},
    {0x33, u"设置32位运动速度，并恒速运动:"},
    {0x34, u"设置24位运动速度，并恒速运动:"},
    {0x35, u"恒速运动过程中改变速度:"},
    {0x36, u"查询运动速度:"},
    {0x37, u"查询运动绝对位置:"},
    {0x38, u"绝对位置清零:"},
    {0x39, u"查询运动相对位置:"},
    {0x3A, u"相对位置清零:"},
    {0x3B, u"查询运动状态:"},
    {0x3C, u"急停命令:"},
    {0x3D, u"减速停止命令:"},
    {0x3E, u"查找原点命令:"},
    {0x3F, u"设置存储器偏移地址:"},
    {0x42, u"查询IN状态命令:"},
    {0x43, u"查询输入状态:"},
    {0x44, u"设置运动变速因子:"},
    {0x45, u"定量加速命令:"},
    {0x46, u"定量减速命令:"},
    {0x47, u"出厂设置命令:"},
}};
} // namespace

QString caption(quint8 code) {
    for (const CaptionRow &row : kCaptions)
        if (row.code == code)
            return QString::fromUtf16(row.text);
    return {};
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
