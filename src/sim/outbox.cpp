#include "sim/outbox.h"

#include <algorithm>

namespace Sim {

Outbox::Outbox(QObject *parent) : QObject(parent), m_timer(this) {
    m_clock.start();
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &Outbox::deliverDue);
}

void Outbox::post(const QByteArray &bytes, int delayMs) {
    qint64 due = m_clock.elapsed() + std::max(0, delayMs);
    if (!m_queue.isEmpty())
        due = std::max(due, m_queue.back().due);
    m_queue.append({due, bytes});
    rearm();
}

void Outbox::clear() {
    m_queue.clear();
    m_timer.stop();
}

void Outbox::deliverDue() {
    while (!m_queue.isEmpty() && m_queue.front().due <= m_clock.elapsed()) {
        const QByteArray bytes = m_queue.takeFirst().bytes;
        emit delivered(bytes);
    }
    rearm();
}

void Outbox::rearm() {
    if (m_queue.isEmpty()) {
        m_timer.stop();
        return;
    }
    const qint64 wait = std::max<qint64>(0, m_queue.front().due - m_clock.elapsed());
    m_timer.start(int(wait));
}

} // namespace Sim
