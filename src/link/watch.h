#pragma once
// The watch's timing: n queries each sent once per interval, spread evenly
// over it (query k of a round is due k/n of an interval after the round's
// start). Every due time is counted from the first, so late sends do not add
// up; a send later than a whole interval starts the count afresh.
#include <QList>
#include <QtGlobal>

#include <optional>

namespace Watch {

// The interval the watch takes, in milliseconds.
constexpr int MinInterval = 10;
constexpr int MaxInterval = 65535;
constexpr int DefaultInterval = 100;

// The query codes the watch offers, in the order it sends them.
const QList<quint8> &codes();

class Schedule {
public:
    // `count` queries (at least 1), every `intervalMs` (clamped to
    // MinInterval..MaxInterval); the first is due at `nowNs`.
    void start(int count, int intervalMs, qint64 nowNs);
    // The query due at `nowNs` or before it, if any; it counts as sent.
    std::optional<int> take(qint64 nowNs);
    // When the next query is due.
    qint64 nextDueNs() const;
    int intervalMs() const { return m_intervalMs; }

private:
    int m_count = 1;
    int m_intervalMs = DefaultInterval;
    qint64 m_roundNs = 0; // start of the current round
    int m_next = 0;       // the query of the round due next
};

} // namespace Watch
