#include "link/watch.h"

#include <algorithm>

namespace Watch {

const QList<quint8> &codes() {
    // Speed, positions, run state and limits, inputs, then the profile.
    static const QList<quint8> all{0x36, 0x37, 0x39, 0x3B, 0x42, 0x26,
                                   0x28, 0x2A, 0x2C, 0x2E, 0x30};
    return all;
}

void Schedule::start(int count, int intervalMs, qint64 nowNs) {
    m_count = std::max(1, count);
    m_intervalMs = std::clamp(intervalMs, MinInterval, MaxInterval);
    m_roundNs = nowNs;
    m_next = 0;
}

qint64 Schedule::nextDueNs() const {
    return m_roundNs + qint64(m_intervalMs) * 1'000'000 * m_next / m_count;
}

std::optional<int> Schedule::take(qint64 nowNs) {
    const qint64 due = nextDueNs();
    if (nowNs < due)
        return std::nullopt;
    const qint64 intervalNs = qint64(m_intervalMs) * 1'000'000;
    // Far behind (the machine stalled): this query goes now and the round
    // is counted from here, instead of a burst of sends to catch up.
    if (nowNs - due > intervalNs)
        m_roundNs = nowNs - intervalNs * m_next / m_count;
    const int index = m_next;
    if (++m_next == m_count) {
        m_next = 0;
        m_roundNs += intervalNs;
    }
    return index;
}

} // namespace Watch
