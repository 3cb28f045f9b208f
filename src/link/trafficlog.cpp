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

namespace {
bool isLineEnd(QChar c) { return c == u'\n' || c == u'\r'; }
} // namespace

QString TrafficLog::rendered() const {
    QString out;
    out.reserve(m_length + m_lines.size());
    for (const QString &l : m_lines) {
        qsizetype end = l.size();
        while (end > 0 && isLineEnd(l.at(end - 1)))
            --end;
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
