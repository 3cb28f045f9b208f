#include "link/trafficlog.h"

void TrafficLog::prepend(const QString &line) {
    m_lines.prepend(line);
    m_length += line.size();
}

void TrafficLog::clear() {
    m_lines.clear();
    m_length = 0;
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

QString TrafficLog::rendered() const {
    QString out;
    out.reserve(m_length + m_lines.size());
    for (const QString &l : m_lines) {
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
        out += u'\n';
    }
    if (!out.isEmpty())
        out.chop(1);
    return out;
}
