#include "commands/commandtable.h"

#include <QCoreApplication>

#include <array>

namespace Commands {

namespace {

using D = Decode;

constexpr Command kTable[] = {
    {.code = 0x20,
     .send = QT_TRANSLATE_NOOP("Commands", "请求握手命令:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "请求握手命令:"),
     .data = {0, 0}},
    {.code = 0x21,
     .send = QT_TRANSLATE_NOOP("Commands", "查询设备地址:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "查询设备地址:当前地址为"),
     .decode = D::Address,
     .data = {0, 0},
     .answers = true},
    {.code = 0x22,
     .send = QT_TRANSLATE_NOOP("Commands", "更改设备地址:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "更改设备地址:"),
     .data = {1, 1}},
    {.code = 0x23,
     .send = QT_TRANSLATE_NOOP("Commands", "查询当前波特率:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "查询当前波特率:当前波特率设置为"),
     .decode = D::BaudCode,
     .data = {0, 0},
     .answers = true,
     .registers = 2},
    {.code = 0x24,
     .send = QT_TRANSLATE_NOOP("Commands", "改变当前波特率:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "改变当前波特率:"),
     .data = {1, 1}},
    {.code = 0x25,
     .send = QT_TRANSLATE_NOOP("Commands", "设置运动初速度:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "设置运动初速度:"),
     .data = {4, 4}},
    {.code = 0x26,
     .send = QT_TRANSLATE_NOOP("Commands", "查询运动初速度:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "查询运动初速度:"),
     .decode = D::Unsigned,
     .data = {0, 0},
     .answers = true,
     .registers = 2},
    {.code = 0x27,
     .send = QT_TRANSLATE_NOOP("Commands", "设置运动最大速度:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "设置运动最大速度:"),
     .data = {4, 4}},
    {.code = 0x28,
     .send = QT_TRANSLATE_NOOP("Commands", "查询运动最大速度:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "查询运动最大速度:"),
     .decode = D::Unsigned,
     .data = {0, 0},
     .answers = true,
     .registers = 2},
    {.code = 0x29,
     .send = QT_TRANSLATE_NOOP("Commands", "设置运动末速度:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "设置运动末速度:"),
     .data = {4, 4}},
    {.code = 0x2A,
     .send = QT_TRANSLATE_NOOP("Commands", "查询运动末速度:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "查询运动末速度:"),
     .decode = D::Unsigned,
     .data = {0, 0},
     .answers = true,
     .registers = 2},
    {.code = 0x2B,
     .send = QT_TRANSLATE_NOOP("Commands", "设置运动加速度:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "设置运动加速度:"),
     .data = {4, 4}},
    {.code = 0x2C,
     .send = QT_TRANSLATE_NOOP("Commands", "查询运动加速度:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "查询运动加速度:"),
     .decode = D::Unsigned,
     .data = {0, 0},
     .answers = true,
     .registers = 2},
    {.code = 0x2D,
     .send = QT_TRANSLATE_NOOP("Commands", "设置运动减速度:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "设置运动减速度:"),
     .data = {4, 4}},
    {.code = 0x2E,
     .send = QT_TRANSLATE_NOOP("Commands", "查询运动减速度:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "查询运动减速度:"),
     .decode = D::Unsigned,
     .data = {0, 0},
     .answers = true,
     .registers = 2},
    {.code = 0x2F,
     .send = QT_TRANSLATE_NOOP("Commands", "设置归零运动速度:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "设置归零运动速度:"),
     .data = {4, 4}},
    {.code = 0x30,
     .send = QT_TRANSLATE_NOOP("Commands", "查询归零运动速度:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "查询归零运动速度:"),
     .decode = D::Unsigned,
     .data = {0, 0},
     .answers = true,
     .registers = 2},
    {.code = 0x31,
     .send = QT_TRANSLATE_NOOP("Commands", "设置32位运动脉冲数并开始运动:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "设置32位运动脉冲数并开始运动:"),
     .data = {4, 4}},
    {.code = 0x32,
     .send = QT_TRANSLATE_NOOP("Commands", "设置24位运动脉冲数并开始运动:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "设置24位运动脉冲数并开始运动:"),
     .data = {4, 4}},
    {.code = 0x33,
     .send = QT_TRANSLATE_NOOP("Commands", "设置32位运动速度，并恒速运动:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "设置32位运动速度，并恒速运动:"),
     .data = {4, 4}},
    {.code = 0x34,
     .send = QT_TRANSLATE_NOOP("Commands", "设置24位运动速度，并恒速运动:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "设置24位运动速度，并恒速运动:"),
     .data = {4, 4}},
    {.code = 0x35,
     .send = QT_TRANSLATE_NOOP("Commands", "恒速运动过程中改变速度:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "恒速运动过程中改变速度:"),
     .data = {4, 4}},
    {.code = 0x36,
     .send = QT_TRANSLATE_NOOP("Commands", "查询运动速度:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "查询运动速度:"),
     .decode = D::Unsigned,
     .data = {0, 0},
     .answers = true,
     .registers = 2},
    {.code = 0x37,
     .send = QT_TRANSLATE_NOOP("Commands", "查询运动绝对位置:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "查询运动绝对位置:"),
     .decode = D::Signed,
     .data = {0, 0},
     .answers = true,
     .registers = 2},
    {.code = 0x38,
     .send = QT_TRANSLATE_NOOP("Commands", "绝对位置清零:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "绝对位置清零:"),
     .data = {0, 0}},
    {.code = 0x39,
     .send = QT_TRANSLATE_NOOP("Commands", "查询运动相对位置:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "查询运动相对位置:"),
     .decode = D::Signed,
     .data = {0, 0},
     .answers = true,
     .registers = 2},
    {.code = 0x3A,
     .send = QT_TRANSLATE_NOOP("Commands", "相对位置清零:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "相对位置清零:"),
     .data = {0, 0}},
    {.code = 0x3B,
     .send = QT_TRANSLATE_NOOP("Commands", "查询运动状态:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "查询运动状态:"),
     .decode = D::Status,
     .data = {0, 0},
     .answers = true,
     .registers = 2},
    {.code = 0x3C,
     .send = QT_TRANSLATE_NOOP("Commands", "急停命令:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "急停命令:"),
     .data = {0, 0}},
    {.code = 0x3D,
     .send = QT_TRANSLATE_NOOP("Commands", "减速停止命令:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "减速停止命令:"),
     .data = {0, 0}},
    {.code = 0x3E,
     .send = QT_TRANSLATE_NOOP("Commands", "查找原点命令:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "查找原点命令:"),
     .data = {1, 1}},
    // The offset's acknowledgement is not named in the receive view.
    {.code = 0x3F, .send = QT_TRANSLATE_NOOP("Commands", "设置存储器偏移地址:"), .data = {4, 4}},
    // The IO-substitution requests are not named in the send view.
    {.code = 0x40, .reply = QT_TRANSLATE_NOOP("Commands", "设置IO取代命令:"), .data = {1, 255}},
    {.code = 0x41,
     .reply = QT_TRANSLATE_NOOP("Commands", "读取IO取代命令:"),
     .decode = D::IoRule,
     .data = {1, 1},
     .answers = true},
    {.code = 0x42,
     .send = QT_TRANSLATE_NOOP("Commands", "查询IN状态命令:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "查询 IN 1-5 状态:"),
     .decode = D::Inputs,
     .data = {0, 0},
     .answers = true,
     .registers = 2},
    // The input mask query has no button and its reply is not named.
    {.code = 0x43,
     .send = QT_TRANSLATE_NOOP("Commands", "查询输入状态:"),
     .data = {0, 0},
     .answers = true,
     .registers = 2},
    {.code = 0x44,
     .send = QT_TRANSLATE_NOOP("Commands", "设置运动变速因子:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "设置变速因子命令:"),
     .data = {4, 4}},
    {.code = 0x45,
     .send = QT_TRANSLATE_NOOP("Commands", "定量加速命令:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "定量加速命令:"),
     .data = {0, 0}},
    {.code = 0x46,
     .send = QT_TRANSLATE_NOOP("Commands", "定量减速命令:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "定量减速命令:"),
     .data = {0, 0}},
    {.code = 0x47,
     .send = QT_TRANSLATE_NOOP("Commands", "出厂设置命令:"),
     .reply = QT_TRANSLATE_NOOP("Commands", "出厂设置命令:"),
     .data = {0, 0}},
    // CAN gateway: named in neither view.
    {.code = 0x48, .data = {1, 1}},
    {.code = 0x49, .data = {1, 1}},
    {.code = 0x4A, .data = {1, 1}},
    {.code = 0x4B, .data = {1, 1}},
    {.code = 0x4C, .data = {0, 8}},
};

constexpr bool ascendingCodes() {
    for (std::size_t i = 1; i < std::size(kTable); ++i)
        if (kTable[i - 1].code >= kTable[i].code)
            return false;
    return true;
}
static_assert(ascendingCodes(), "one row per code, in code order");

constexpr bool consistentRows() {
    for (const Command &c : kTable) {
        if (c.data.min > c.data.max)
            return false;
        // A reply is decoded only under its caption; a register read only
        // returns the data of a query that takes none.
        if (c.decode != Decode::None && c.reply.empty())
            return false;
        if (c.registers > 0 && (!c.answers || c.data.max > 0))
            return false;
    }
    return true;
}
static_assert(consistentRows());

// Row position + 1 of each code, 0 for none.
constexpr auto kIndex = [] {
    std::array<quint8, 256> index{};
    for (std::size_t i = 0; i < std::size(kTable); ++i)
        index[kTable[i].code] = quint8(i + 1);
    return index;
}();
static_assert(std::size(kTable) < 256);

} // namespace

std::span<const Command> all() {
    return kTable;
}

const Command *find(quint8 code) {
    const quint8 slot = kIndex[code];
    return slot ? &kTable[slot - 1] : nullptr;
}

QString text(std::string_view caption) {
    // The table's captions are literals, so each view ends in its NUL.
    return caption.empty() ? QString() : QCoreApplication::translate("Commands", caption.data());
}

} // namespace Commands
