#include "link/reconnect.h"

#include <QFileInfo>

#include <algorithm>

Reconnector::Reconnector(QObject *parent) : QObject(parent), m_timer(this) {
    m_timer.setTimerType(Qt::CoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &Reconnector::look);
}

Reconnector::Locator Reconnector::pathLocator(const QString &path) {
    return [path] { return QFileInfo::exists(path) ? path : QString(); };
}

void Reconnector::start(Locator locate, Opener open, int intervalMs) {
    m_locate = std::move(locate);
    m_open = std::move(open);
    m_intervalMs = std::max(1, intervalMs);
    m_timer.start(m_intervalMs);
}

void Reconnector::stop() {
    m_timer.stop();
}

void Reconnector::look() {
    if (!m_timer.isActive() || !m_locate)
        return;
    const QString device = m_locate();
    if (device.isEmpty()) {
        m_timer.setInterval(m_intervalMs);
        return;
    }
    if (!m_open(device)) {
        m_timer.setInterval(std::max(m_intervalMs, RetryMs));
        return;
    }
    m_timer.stop();
    emit reopened(device);
}
