#include "cli/requests.h"

#include "commands/extended.h"
#include "link/session.h"
#include "link/transmit.h"

#include <array>

namespace Cli {

namespace {

struct Naming {
    const char *button;
    const char *name;
    const char16_t *caption;
    const char *summary;
};

// Names and button captions; the layout of each request stays in the catalogue.
constexpr Naming kNames[] = {
    {"Command12", "handshake", u"握手", "handshake (code 20)"},
    {"Command13", "query-address", u"查地址", "ask any controller for its address (21)"},
    {"Command14", "set-address", u"改地址", "give the controller a new address (22)"},
    {"Command15", "query-baud", u"查波特率", "query the baud-rate code (23)"},
    {"Command16", "set-baud", u"改波特率", "change the baud rate (24)"},
    {"Command17", "set-initial-speed", u"初速度", "set the initial speed (25)"},
    {"Command57", "query-initial-speed", u"?", "query the initial speed (26)"},
    {"Command24", "set-max-speed", u"最大速度", "set the maximum speed (27)"},
    {"Command58", "query-max-speed", u"?", "query the maximum speed (28)"},
    {"Command25", "set-end-speed", u"末速度", "set the end speed (29)"},
    {"Command59", "query-end-speed", u"?", "query the end speed (2A)"},
    {"Command26", "set-acceleration", u"加速度", "set the acceleration (2B)"},
    {"Command60", "query-acceleration", u"?", "query the acceleration (2C)"},
    {"Command27", "set-deceleration", u"减速度", "set the deceleration (2D)"},
    {"Command61", "query-deceleration", u"?", "query the deceleration (2E)"},
    {"Command64", "set-homing-speed", u"归零速度", "set the homing speed (2F)"},
    {"Command62", "query-homing-speed", u"?", "query the homing speed (30)"},
    {"Command18", "move", u"运动", "move by a signed pulse count (31)"},
    {"Command19", "move-24", u"运动", "move: direction 0/1 and a 24-bit pulse count (32)"},
    {"Command20", "constant-run", u"运动", "run at a signed constant speed (33)"},
    {"Command21", "constant-run-24", u"运动", "run: direction 0/1 and a 24-bit speed (34)"},
    {"Command65", "change-speed", u"执行", "change the speed of a constant-speed run (35)"},
    {"Command28", "query-speed", u"运动速度", "query the speed (36)"},
    {"Command30", "query-absolute-position", u"绝对位置", "query the absolute position (37)"},
    {"Command66", "clear-absolute-position", u"0", "clear the absolute position (38)"},
    {"Command31", "query-relative-position", u"相对位置", "query the relative position (39)"},
    {"Command67", "clear-relative-position", u"0", "clear the relative position (3A)"},
    {"Command29", "query-status", u"运动状态", "query run state and limit switches (3B)"},
    {"Command23", "stop", u"立即停止", "stop at once (3C)"},
    {"Command22", "decelerate-stop", u"减速停止", "decelerate to a stop (3D)"},
    {"Command7", "home", u"归零", "search the origin, direction 0/1 (3E)"},
    {"Command3", "set-register-offset", u"设寄存器映射地址",
     "set the register mapping offset 0..65500 (3F, always in device form)"},
    {"Command81", "io-download", u"下载",
     "store an IO-substitution rule: input pattern and command bytes (40, always RTU)"},
    {"Command88", "io-read", u"?", "read the IO-substitution rule of an input pattern (41)"},
    {"Command94", "query-inputs", u"查询IN", "query the inputs IN1..IN5 (42)"},
    {"Command91", "set-speed-factor", u"运动因子", "set the speed factor (44)"},
    {"Command92", "accelerate", u"加速度", "quantitative acceleration (45)"},
    {"Command93", "decelerate", u"减速度", "quantitative deceleration (46)"},
    {"Command96", "factory-reset", u"出厂设置", "restore the factory settings (47)"},
    {"Command102", "can-check-off", u"无校验检查", "CAN gateway: no checksum check (48 01)"},
    {"Command103", "can-check-on", u"有校验检查", "CAN gateway: checksum check (48 00)"},
    {"Command104", "can-reply-8-bytes", u"回8byte长", "CAN gateway: replies 8 bytes long (49 01)"},
    {"Command105", "can-reply-protocol-length", u"回协议长",
     "CAN gateway: replies at protocol length (49 00)"},
    {"Command100", "can-standard-frame", u"标准帧", "CAN gateway: standard frames (4A 00)"},
    {"Command101", "can-extended-frame", u"扩展帧", "CAN gateway: extended frames (4A 01)"},
    {"Command95", "can-bit-rate", u"CAN波特率", "CAN gateway: bit rate (4B)"},
    {"Command106", "can-send", u"HEX到CAN发送",
     "CAN gateway: send up to five payload bytes (4C, always RTU)"},
};

struct ValueName {
    const char *source;
    const char *name;
};
constexpr std::array<ValueName, 20> kValueNames{{
    {"Text7", "new-address"},   {"Combo6", "baud"},     {"Text12", "speed"},
    {"Text13", "speed"},        {"Text14", "speed"},    {"Text15", "acceleration"},
    {"Text16", "deceleration"}, {"Text29", "speed"},    {"Text8", "pulses"},
    {"Combo3", "direction"},    {"Text9", "pulses"},    {"Text10", "speed"},
    {"Combo4", "direction"},    {"Text11", "speed"},    {"Text30", "speed"},
    {"Combo5", "direction"},    {"Text34", "offset"},   {"Combo8", "pattern"},
    {"Text32", "factor"},       {"Combo9", "bit-rate"},
}};

QString valueName(const QString &source) {
    for (const ValueName &v : kValueNames)
        if (source == QLatin1String(v.source))
            return QString::fromLatin1(v.name);
    return source;
}

QStringList patterns() {
    QStringList out;
    for (int mask = 1; mask < 32; ++mask)
        out << QString::number(mask, 2).rightJustified(5, QLatin1Char('0'));
    return out;
}

Value valueOf(const Catalogue::Field &f) {
    using E = Catalogue::Encoding;
    Value v;
    v.source = QString::fromLatin1(f.source);
    v.name = valueName(v.source);
    switch (f.encoding) {
    case E::H8:
        v.encoding = QStringLiteral("H8");
        break;
    case E::D8:
        v.encoding = QStringLiteral("D8");
        break;
    case E::S32:
    case E::Offset:
        v.encoding = QStringLiteral("S32");
        break;
    case E::U24:
        v.encoding = QStringLiteral("U24");
        break;
    case E::BaudCode:
        v.encoding = QStringLiteral("choice");
        v.choices = Catalogue::baudTexts();
        break;
    case E::CanRate:
        v.encoding = QStringLiteral("choice");
        v.choices = Catalogue::canRateTexts();
        break;
    case E::Pattern:
        v.encoding = QStringLiteral("choice");
        v.choices = patterns();
        break;
    case E::Constant:
        break;
    }
    return v;
}

QList<Entry> makeEntries() {
    QList<Entry> out;
    for (const Naming &n : kNames) {
        Entry e;
        e.name = QString::fromLatin1(n.name);
        e.button = QString::fromLatin1(n.button);
        e.caption = QString::fromUtf16(n.caption);
        e.summary = QString::fromLatin1(n.summary);
        if (e.button == QLatin1String("Command81")) {
            e.builder = Builder::Download;
            e.code = 0x40;
            e.values = {
                {QStringLiteral("pattern"), QStringLiteral("Combo8"), QStringLiteral("choice"),
                 patterns()},
                {QStringLiteral("command"), QStringLiteral("Text31"), QStringLiteral("hex"), {}}};
        } else if (e.button == QLatin1String("Command106")) {
            e.builder = Builder::CanPayload;
            e.code = 0x4C;
            e.values = {
                {QStringLiteral("payload"), QStringLiteral("Text33"), QStringLiteral("hex"), {}}};
        } else {
            e.row = Catalogue::find(e.button);
            if (!e.row)
                continue;
            e.code = e.row->code;
            for (const Catalogue::Field &f : e.row->fields) {
                if (f.encoding == Catalogue::Encoding::Constant)
                    e.data.append(char(f.constant));
                else
                    e.values << valueOf(f);
            }
        }
        out << e;
    }
    return out;
}

} // namespace

const QList<Entry> &entries() {
    static const QList<Entry> all = makeEntries();
    return all;
}

bool captionIsAlias(const Entry &e) {
    int n = 0;
    for (const Entry &other : entries())
        n += other.caption == e.caption;
    return n == 1;
}

const Entry *find(const QString &nameOrCaption) {
    for (const Entry &e : entries())
        if (e.name == nameOrCaption)
            return &e;
    for (const Entry &e : entries())
        if (e.caption == nameOrCaption && captionIsAlias(e))
            return &e;
    return nullptr;
}

Prepared prepare(const Entry &e, const QStringList &values, const Settings &s) {
    Prepared p;
    if (values.size() != e.values.size()) {
        QStringList names;
        for (const Value &v : e.values)
            names << v.name.toUpper();
        p.refusal = e.values.isEmpty() ? QStringLiteral("%1 takes no values").arg(e.name)
                                       : QStringLiteral("%1 takes %2 value(s): %3")
                                             .arg(e.name)
                                             .arg(e.values.size())
                                             .arg(names.join(u' '));
        return p;
    }
    auto text = [&](const QString &source) -> QString {
        if (source == QLatin1String("Text23"))
            return s.address;
        if (source == QLatin1String("Text34") && e.button != QLatin1String("Command3"))
            return s.offset;
        for (int i = 0; i < e.values.size(); ++i)
            if (e.values[i].source == source)
                return values[i];
        return {};
    };

    // The window offers the IO-substitution buttons in RTU mode only.
    if ((e.button == QLatin1String("Command81") || e.button == QLatin1String("Command88")) &&
        s.mode != Framing::Protocol::Rtu) {
        p.refusal = QStringLiteral("%1 is sent in RTU mode only, as in the window").arg(e.name);
        return p;
    }
    // The selector as the button leaves it; the register option as it is then.
    p.registerForm = s.registerForm;
    p.offset = s.offset;
    bool write = s.write;
    switch (e.builder) {
    case Builder::Catalogue: {
        const Catalogue::Request &row = *e.row;
        if (row.registerOption != Catalogue::RegisterOption::Keep)
            p.registerForm = false;
        if (row.mark == Catalogue::Mark::Read)
            write = false;
        else if (row.mark == Catalogue::Mark::Write)
            write = true;
        const Catalogue::Built built = Catalogue::build(row, text);
        if (built.refusal) {
            p.refusal = built.refusal->message;
            return p;
        }
        p.frame = Catalogue::frame(row, built.request, s.mode);
        break;
    }
    case Builder::Download: {
        p.registerForm = false; // "下载" unticks the register option
        const IoSubst::Built built = IoSubst::download(s.address, text(QStringLiteral("Combo8")),
                                                       text(QStringLiteral("Text31")));
        if (!built.refusal.isEmpty()) {
            p.refusal = built.refusal;
            return p;
        }
        if (!built.frame) {
            p.refusal = QStringLiteral("io-download needs command bytes");
            return p;
        }
        p.frame = *built.frame;
        break;
    }
    case Builder::CanPayload: {
        write = true;
        const QString payload = text(QStringLiteral("Text33"));
        if (payload.isEmpty()) {
            p.refusal = QStringLiteral("can-send needs a payload");
            return p;
        }
        const auto addr = Number::h8(s.address);
        if (!addr.ok()) {
            p.refusal =
                Catalogue::rangeMessage(Catalogue::fieldName(QStringLiteral("Text23")), addr.range);
            return p;
        }
        p.frame = Framing::rtu(Can::payloadRequest(*addr.value, payload));
        break;
    }
    }
    p.function = write ? RegisterForm::Function::Write : RegisterForm::Function::Read;
    // A register form the rewrite refuses is found here, before the line is opened.
    if (QString why; !wire(p, &why))
        p.refusal = why;
    return p;
}

std::optional<QByteArray> wire(const Prepared &p, QString *refusal) {
    if (!p.registerForm)
        return p.frame;
    RegisterForm::Converted c = RegisterForm::convert(p.frame, p.function, p.offset);
    if (!c.frame && refusal)
        *refusal = c.refusal;
    return c.frame;
}

void submit(Session &session, const Prepared &p) {
    session.setRegisterForm(p.registerForm, p.function, p.offset);
    session.SendComm(p.frame);
}

} // namespace Cli
