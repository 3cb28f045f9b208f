#include "link/record.h"

#include "codec/framing.h"
#include "codec/hextext.h"

#include <QDateTime>
#include <QTimeZone>

#include <cstdlib>
#include <limits>

namespace Records {

namespace {

// The bytes a frame carries before its checksum: an ASCII frame's decoded
// bytes, an RTU frame's own bytes. Noise carries nothing.
QByteArray carried(const Record &r) {
    if (!r.isFrame() || r.kind == Kind::Noise)
        return {};
    if (const auto ascii = Framing::decodeAscii(r.bytes))
        return *ascii;
    return r.bytes;
}

QString flags(const QByteArray &bytes) {
    QString out;
    out.reserve(bytes.size());
    for (const char b : bytes)
        out += b ? u'1' : u'0';
    return out;
}

} // namespace

QString directionName(Direction d) {
    switch (d) {
    case Direction::Sent:
        return QStringLiteral("tx");
    case Direction::Received:
        return QStringLiteral("rx");
    case Direction::Event:
        break;
    }
    return QStringLiteral("event");
}

QString kindName(Kind k) {
    switch (k) {
    case Kind::Request:
        return QStringLiteral("request");
    case Kind::Good:
        return QStringLiteral("good");
    case Kind::ChecksumFailed:
        return QStringLiteral("checksum-failed");
    case Kind::Incomplete:
        return QStringLiteral("incomplete");
    case Kind::Noise:
        return QStringLiteral("noise");
    case Kind::Echo:
        return QStringLiteral("echo");
    case Kind::Opened:
        return QStringLiteral("opened");
    case Kind::Closed:
        return QStringLiteral("closed");
    case Kind::Lost:
        return QStringLiteral("lost");
    case Kind::Reconnected:
        return QStringLiteral("reconnected");
    case Kind::RunStarted:
        return QStringLiteral("run-started");
    case Kind::RunStopped:
        return QStringLiteral("run-stopped");
    case Kind::Refused:
        break;
    }
    return QStringLiteral("refused");
}

Kind kindOf(Frames::Kind k) {
    switch (k) {
    case Frames::Kind::Good:
        return Kind::Good;
    case Frames::Kind::ChecksumFailed:
        return Kind::ChecksumFailed;
    case Frames::Kind::Incomplete:
        return Kind::Incomplete;
    case Frames::Kind::Noise:
        return Kind::Noise;
    case Frames::Kind::Echo:
        break;
    }
    return Kind::Echo;
}

std::optional<quint8> address(const Record &r) {
    const QByteArray b = carried(r);
    return b.isEmpty() ? std::nullopt : std::optional<quint8>(quint8(b.at(0)));
}

std::optional<quint8> code(const Record &r) {
    const QByteArray b = carried(r);
    return b.size() < 2 ? std::nullopt : std::optional<quint8>(quint8(b.at(1)));
}

QString valueText(const Record &r) {
    if (r.kind != Kind::Good || !r.reply)
        return {};
    if (r.reply->value)
        return QString::number(*r.reply->value);
    if (r.reply->status)
        return flags(*r.reply->status);
    if (r.reply->inputs)
        return flags(*r.reply->inputs);
    return {};
}

QStringList columnNames() {
    return {QStringLiteral("time"), QStringLiteral("elapsed_us"), QStringLiteral("direction"),
            QStringLiteral("port"), QStringLiteral("kind"),       QStringLiteral("address"),
            QStringLiteral("code"), QStringLiteral("caption"),    QStringLiteral("value"),
            QStringLiteral("hex")};
}

QString isoTime(qint64 epochUs) {
    // The date, time and offset change once a second at most: a log writing
    // a thousand rows a second looks them up once for all of them (a change
    // of the system's time zone shows from the next second on).
    thread_local qint64 cachedSecond = std::numeric_limits<qint64>::min();
    thread_local QString head; // "2026-12-09T23:41:07."
    thread_local QString tail; // "+08:00"
    const qint64 second = epochUs >= 0 ? epochUs / 1'000'000 : -((-epochUs + 999'999) / 1'000'000);
    const qint64 micro = epochUs - second * 1'000'000;
    if (second != cachedSecond) {
        const QDateTime t = QDateTime::fromSecsSinceEpoch(second, QTimeZone::systemTimeZone());
        const int offset = t.offsetFromUtc();
        const int minutes = std::abs(offset) / 60;
        head = t.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss."));
        tail = QStringLiteral("%1%2:%3")
                   .arg(QChar(offset < 0 ? u'-' : u'+'))
                   .arg(minutes / 60, 2, 10, QLatin1Char('0'))
                   .arg(minutes % 60, 2, 10, QLatin1Char('0'));
        cachedSecond = second;
    }
    QString out;
    out.reserve(head.size() + 6 + tail.size());
    out += head;
    out += QString::number(micro).rightJustified(6, u'0');
    out += tail;
    return out;
}

Columns columns(const Record &r, qint64 epochUs, qint64 startUs) {
    Columns c;
    c.time = isoTime(epochUs + r.timeUs);
    c.elapsedUs = r.timeUs - startUs;
    c.direction = directionName(r.direction);
    c.port = r.port;
    c.kind = kindName(r.kind);
    if (const auto a = address(r))
        c.address = HexText::pair(*a);
    if (const auto k = code(r))
        c.code = HexText::pair(*k);
    c.caption = r.isFrame() ? r.caption : r.detail;
    c.value = valueText(r);
    c.hex = HexText::spaced(r.bytes).trimmed();
    return c;
}

} // namespace Records
