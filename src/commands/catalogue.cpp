#include "commands/catalogue.h"

#include "commands/extended.h"
#include "commands/registerform.h"

#include <QCoreApplication>
#include <array>

namespace Catalogue {

namespace {

using E = Encoding;
using M = Mark;

Field h8(const char *s) {
    return {E::H8, s};
}
Field d8(const char *s) {
    return {E::D8, s};
}
Field s32(const char *s) {
    return {E::S32, s};
}
Field u24(const char *s) {
    return {E::U24, s};
}
Field constant(quint8 v) {
    return {E::Constant, nullptr, v};
}

// A request without data.
Request bare(const char *button, quint8 code, Mark mark, bool list, bool capture = false) {
    return {button, code, {}, mark, AddressRule::Text23Hex, false, list, capture};
}
Request with(const char *button, quint8 code, QList<Field> fields, Mark mark, bool list,
             bool capture = false) {
    return {button, code, std::move(fields), mark, AddressRule::Text23Hex, false, list, capture};
}

QList<Request> makeRequests() {
    QList<Request> r = {
        // Basic commands: none records into the command list.
        bare("Command12", 0x20, M::Read, false),
        {"Command13", 0x21, {}, M::Read, AddressRule::Zero},
        with("Command14", 0x22, {h8("Text7")}, M::Write, false),
        bare("Command15", 0x23, M::Read, false),
        with("Command16", 0x24, {{E::BaudCode, "Combo6"}}, M::Write, false),
        // Motion profile setters and their queries.
        with("Command17", 0x25, {s32("Text12")}, M::Write, true),
        bare("Command57", 0x26, M::Read, true),
        with("Command24", 0x27, {s32("Text13")}, M::Write, true),
        bare("Command58", 0x28, M::Read, true),
        with("Command25", 0x29, {s32("Text14")}, M::Write, true),
        bare("Command59", 0x2A, M::Read, true),
        with("Command26", 0x2B, {s32("Text15")}, M::Write, true),
        bare("Command60", 0x2C, M::Read, true),
        with("Command27", 0x2D, {s32("Text16")}, M::Write, true),
        bare("Command61", 0x2E, M::Read, true),
        with("Command64", 0x2F, {s32("Text29")}, M::Write, true),
        bare("Command62", 0x30, M::Read, true),
        // Motion commands: all of them can be captured for IO substitution.
        with("Command18", 0x31, {s32("Text8")}, M::Write, true, true),
        with("Command19", 0x32, {d8("Combo3"), u24("Text9")}, M::Write, true, true),
        with("Command20", 0x33, {s32("Text10")}, M::Write, true, true),
        with("Command21", 0x34, {d8("Combo4"), u24("Text11")}, M::Write, true, true),
        with("Command65", 0x35, {s32("Text30")}, M::Write, true, true),
        // Status queries.
        bare("Command28", 0x36, M::Read, true),
        bare("Command30", 0x37, M::Read, true),
        bare("Command66", 0x38, M::Read, true),
        bare("Command31", 0x39, M::Read, true),
        bare("Command67", 0x3A, M::Read, true),
        bare("Command29", 0x3B, M::Read, true),
        bare("Command23", 0x3C, M::Unchanged, true, true),
        bare("Command22", 0x3D, M::Unchanged, true, true),
        with("Command7", 0x3E, {h8("Combo5")}, M::Write, true, true),
        bare("Command94", 0x42, M::Read, true),
        with("Command91", 0x44, {s32("Text32")}, M::Unchanged, true, true),
        bare("Command92", 0x45, M::Read, false, true),
        bare("Command93", 0x46, M::Read, false, true),
        bare("Command96", 0x47, M::Read, false),
        // CAN gateway settings.
        with("Command102", 0x48, {constant(0x01)}, M::Read, false),
        with("Command103", 0x48, {constant(0x00)}, M::Read, false),
        with("Command104", 0x49, {constant(0x01)}, M::Read, false),
        with("Command105", 0x49, {constant(0x00)}, M::Read, false),
        with("Command100", 0x4A, {constant(0x00)}, M::Read, false),
        with("Command101", 0x4A, {constant(0x01)}, M::Read, false),
        with("Command95", 0x4B, {{E::CanRate, "Combo9"}}, M::Write, false),
        // The register mapping offset goes out in the device's own form.
        {"Command3",
         0x3F,
         {{E::Offset, "Text34"}},
         M::Unchanged,
         AddressRule::Text23Hex,
         false,
         true,
         false,
         RegisterOption::OffAround},
        // Reads back the IO-substitution rule of an input pattern.
        {"Command88",
         0x41,
         {{E::Pattern, "Combo8"}},
         M::Unchanged,
         AddressRule::Text23Hex,
         false,
         false,
         false,
         RegisterOption::ClearBefore},
    };
    return r;
}

struct CodeRow {
    const char *text;
    quint8 code;
};
constexpr std::array<CodeRow, 6> kBaud{
    {{"2400", 4}, {"4800", 5}, {"9600", 6}, {"14400", 7}, {"19200", 8}, {"38400", 9}}};
constexpr std::array<CodeRow, 18> kCanRate{{{"1M", 1},
                                            {"900K", 2},
                                            {"800K", 3},
                                            {"750K", 4},
                                            {"600K", 5},
                                            {"500K", 6},
                                            {"400K", 7},
                                            {"250K", 8},
                                            {"200K", 9},
                                            {"150K", 10},
                                            {"125K", 11},
                                            {"100K", 12},
                                            {"80K", 13},
                                            {"50K", 14},
                                            {"25K", 15},
                                            {"20K", 16},
                                            {"10K", 17},
                                            {"5K", 18}}};

template <std::size_t N>
std::optional<quint8> lookup(const std::array<CodeRow, N> &table, const QString &text) {
    for (const CodeRow &row : table)
        if (text == QLatin1String(row.text))
            return row.code;
    return std::nullopt;
}

struct NameRow {
    const char *source;
    const char *name; // UTF-8 Chinese, the source of its translation
};
constexpr std::array<NameRow, 18> kFieldNames{{
    {"Text23", QT_TRANSLATE_NOOP("Catalogue", "设备操作地址")},
    {"Text7", QT_TRANSLATE_NOOP("Catalogue", "新地址(New Addr)")},
    {"Combo6", QT_TRANSLATE_NOOP("Catalogue", "波特率(Bitrate)")},
    {"Text12", QT_TRANSLATE_NOOP("Catalogue", "初速度")},
    {"Text13", QT_TRANSLATE_NOOP("Catalogue", "最大速度")},
    {"Text14", QT_TRANSLATE_NOOP("Catalogue", "末速度")},
    {"Text15", QT_TRANSLATE_NOOP("Catalogue", "加速度")},
    {"Text16", QT_TRANSLATE_NOOP("Catalogue", "减速度")},
    {"Text29", QT_TRANSLATE_NOOP("Catalogue", "归零速度")},
    {"Text8", QT_TRANSLATE_NOOP("Catalogue", "正/负方向脉冲数")},
    {"Combo3", QT_TRANSLATE_NOOP("Catalogue", "位置运动方向")},
    {"Text9", QT_TRANSLATE_NOOP("Catalogue", "脉冲数")},
    {"Text10", QT_TRANSLATE_NOOP("Catalogue", "正/负方向速度")},
    {"Combo4", QT_TRANSLATE_NOOP("Catalogue", "恒速运动方向")},
    {"Text11", QT_TRANSLATE_NOOP("Catalogue", "速度")},
    {"Text30", QT_TRANSLATE_NOOP("Catalogue", "新速度")},
    {"Combo5", QT_TRANSLATE_NOOP("Catalogue", "查找零点方向")},
    {"Text32", QT_TRANSLATE_NOOP("Catalogue", "运动因子")},
}};

} // namespace

QString fieldName(const QString &source) {
    for (const NameRow &row : kFieldNames)
        if (source == QLatin1String(row.source))
            return QCoreApplication::translate("Catalogue", row.name);
    return source;
}

const QList<Trigger> &addToListTriggers() {
    static const QList<Trigger> all = {
        {"Command46", "Command17"}, {"Command47", "Command24"}, {"Command48", "Command25"},
        {"Command49", "Command26"}, {"Command50", "Command27"}, {"Command63", "Command64"},
        {"Command71", "Command57"}, {"Command72", "Command58"}, {"Command73", "Command59"},
        {"Command74", "Command60"}, {"Command75", "Command61"}, {"Command76", "Command62"},
        {"Command51", "Command28"}, {"Command52", "Command30"}, {"Command69", "Command66"},
        {"Command53", "Command31"}, {"Command70", "Command67"}, {"Command43", "Command29"},
        {"Command38", "Command18"}, {"Command39", "Command19"}, {"Command40", "Command20"},
        {"Command41", "Command21"}, {"Command68", "Command65"}, {"Command45", "Command23"},
        {"Command44", "Command22"}, {"Command42", "Command7"},  {"Command99", "Command94"},
    };
    return all;
}

const QList<Trigger> &captureTriggers() {
    static const QList<Trigger> all = {
        {"Command82", "Command18"}, {"Command83", "Command19"}, {"Command84", "Command20"},
        {"Command85", "Command21"}, {"Command87", "Command65"}, {"Command86", "Command7"},
        {"Command89", "Command22"}, {"Command90", "Command23"}, {"Command97", "Command92"},
        {"Command98", "Command93"},
    };
    return all;
}

const QList<Request> &requests() {
    static const QList<Request> all = makeRequests();
    return all;
}

const Request *find(const QString &button) {
    for (const Request &r : requests())
        if (button == QLatin1String(r.button))
            return &r;
    return nullptr;
}

QStringList baudTexts() {
    QStringList out;
    for (const CodeRow &row : kBaud)
        out << QLatin1String(row.text);
    return out;
}

QStringList canRateTexts() {
    QStringList out;
    for (const CodeRow &row : kCanRate)
        out << QLatin1String(row.text);
    return out;
}

std::optional<quint8> baudCode(const QString &text) {
    return lookup(kBaud, text);
}
std::optional<quint8> canRateCode(const QString &text) {
    return lookup(kCanRate, text);
}

QString offsetMessage() {
    return QCoreApplication::translate("Catalogue", "偏移地址超出范围,请设置0-65500之间");
}

QString rangeMessage(const QString &field, const Number::RangeError &range) {
    return QCoreApplication::translate("Catalogue", "%1 的值超出范围,允许范围为 %2 到 %3")
        .arg(field)
        .arg(range.min)
        .arg(range.max);
}

Built build(const Request &row, const Reader &read) {
    Built b;
    QByteArray &out = b.request;
    if (row.address == AddressRule::Zero) {
        out.append('\0');
    } else {
        const auto addr = Number::h8(read(QStringLiteral("Text23")));
        if (!addr.ok()) {
            b.refusal = Refusal{QStringLiteral("Text23"),
                                rangeMessage(fieldName(QStringLiteral("Text23")), addr.range)};
            return b;
        }
        out.append(char(*addr.value));
    }
    out.append(char(row.code));
    out.append('\0'); // data length, set below
    for (const Field &f : row.fields) {
        const QString src = f.source ? QString::fromLatin1(f.source) : QString();
        const QString text = f.source ? read(src) : QString();
        auto refuse = [&](const QString &message) {
            b.refusal = Refusal{src, message};
            b.request.clear();
        };
        switch (f.encoding) {
        case E::H8:
        case E::D8: {
            const auto v = f.encoding == E::H8 ? Number::h8(text) : Number::d8(text);
            if (!v.ok())
                return refuse(rangeMessage(fieldName(src), v.range)), b;
            out.append(char(*v.value));
            break;
        }
        case E::S32:
        case E::U24: {
            const auto v = f.encoding == E::S32 ? Number::s32(text) : Number::u24(text);
            if (!v.ok())
                return refuse(rangeMessage(fieldName(src), v.range)), b;
            out.append(*v.value);
            break;
        }
        case E::Constant:
            out.append(char(f.constant));
            break;
        case E::BaudCode: {
            // A rate without a code would leave the controller at an unknown rate.
            const auto code = baudCode(text);
            if (!code)
                return refuse(QCoreApplication::translate(
                                  "Catalogue",
                                  "\"%1\" 不是可设置的波特率,请选择 2400 到 38400 之间的一项")
                                  .arg(text)),
                       b;
            out.append(char(*code));
            break;
        }
        case E::CanRate:
            out.append(char(canRateCode(text).value_or(0)));
            break;
        case E::Offset: {
            const std::optional<double> offset = RegisterForm::offsetNumber(text);
            if (!offset)
                return refuse(RegisterForm::offsetRefusal(text)), b;
            const double v = Number::roundEven(*offset);
            if (!(v >= 0 && v <= 65500))
                return refuse(offsetMessage()), b;
            out.append(*Number::s32(QString::number(qint32(v))).value);
            break;
        }
        case E::Pattern:
            out.append(char(IoSubst::mask(text)));
            break;
        }
    }
    out[2] = char(out.size() - 3);
    return b;
}

QByteArray frame(const Request &row, const QByteArray &request, Framing::Protocol mode) {
    return Framing::frame(request, row.alwaysRtu ? Framing::Protocol::Rtu : mode);
}

} // namespace Catalogue
