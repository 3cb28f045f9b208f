#include "link/trafficlog.h"

#include <QDateTime>

namespace {

// Seconds with six decimals, signed only when negative (times read on
// different threads may be a few microseconds out of order).
QString seconds(qint64 us) {
    const qint64 magnitude = us < 0 ? -us : us;
    return QStringLiteral("%1%2.%3")
        .arg(us < 0 ? QStringLiteral("-") : QString())
        .arg(magnitude / 1'000'000)
        .arg(magnitude % 1'000'000, 6, 10, QLatin1Char('0'));
}

void renderLine(QString &out, const QString &l) {
    // Only the line's own ending ("\n\r" of a caption line, "\n" of a traffic
    // line) is dropped; a CR LF the bytes themselves carry stays visible.
    qsizetype end = l.size();
    if (l.endsWith(QStringLiteral("\n\r")))
        end -= 2;
    else if (l.endsWith(u'\n'))
        end -= 1;
    for (qsizetype i = 0; i < end; ++i) {
        const char16_t c = l.at(i).unicode();
        if (c < 0x20)
            out += QChar(char16_t(0x2400 + c));
        else if (c == 0x7F)
            out += QChar(char16_t(0x2421));
        else
            out += QChar(c);
    }
}

} // namespace

void TrafficLog::prepend(const QString &line, const Stamp &stamp) {
    m_lines.prepend(line);
    m_stamps.prepend(stamp);
    m_length += line.size();
    ++m_added;
}

void TrafficLog::clear() {
    m_lines.clear();
    m_stamps.clear();
    m_length = 0;
    ++m_clears;
}

bool TrafficLog::enforceBound() {
    if (m_length <= Bound)
        return false;
    clear();
    return true;
}

QString TrafficLog::text() const {
    QString all;
    all.reserve(m_length);
    for (const QString &l : m_lines)
        all += l;
    return all;
}

QString TrafficLog::stampText(const Stamp &stamp, Timestamps mode) {
    if (!stamp.set)
        return {};
    switch (mode) {
    case Timestamps::None:
        break;
    case Timestamps::Absolute: {
        const qint64 ms = stamp.epochUs / 1000;
        return u'[' + QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("HH:mm:ss.zzz")) +
               QStringLiteral("%1]").arg(stamp.epochUs % 1000, 3, 10, QLatin1Char('0'));
    }
    case Timestamps::Relative:
        return QStringLiteral("[+") + seconds(stamp.sinceOpenUs) + u']';
    case Timestamps::Interval:
        return QStringLiteral("[Δ") + seconds(stamp.sincePrevUs) + u']';
    }
    return {};
}

QString TrafficLog::rendered(Timestamps mode) const {
    return renderedNewest(m_lines.size(), mode);
}

QString TrafficLog::renderedNewest(qsizetype count, Timestamps mode) const {
    count = std::min(count, m_lines.size());
    QString out;
    out.reserve((count == m_lines.size() ? m_length : count * 40) + count * 20);
    for (qsizetype i = 0; i < count; ++i) {
        if (mode != Timestamps::None && m_stamps.at(i).set)
            out += stampText(m_stamps.at(i), mode) + u' ';
        renderLine(out, m_lines.at(i));
        out += u'\n';
    }
    if (!out.isEmpty())
        out.chop(1);
    return out;
}
