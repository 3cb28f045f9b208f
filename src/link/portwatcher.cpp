#include "link/portwatcher.h"

#include <QTimer>

namespace {

class Poller : public QObject {
public:
    Poller(PortWatcher *watcher, PortMap::Lister lister, int intervalMs)
        : m_watcher(watcher), m_lister(std::move(lister)), m_timer(this) {
        m_timer.setInterval(intervalMs);
        m_timer.setTimerType(Qt::CoarseTimer);
        connect(&m_timer, &QTimer::timeout, this, [this] { poll(); });
    }
    void start() {
        poll();
        m_timer.start();
    }

private:
    void poll() {
        QList<ListedPort> ports = m_lister();
        if (m_first || ports != m_last) {
            m_first = false;
            m_last = ports;
            emit m_watcher->changed(ports);
        }
    }

    PortWatcher *m_watcher;
    PortMap::Lister m_lister;
    QTimer m_timer;
    QList<ListedPort> m_last;
    bool m_first = true;
};

} // namespace

PortWatcher::PortWatcher(PortMap::Lister lister, int intervalMs, QObject *parent)
    : QObject(parent) {
    auto *poller = new Poller(this, std::move(lister), intervalMs);
    poller->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, poller, &QObject::deleteLater);
    connect(&m_thread, &QThread::started, poller, [poller] { poller->start(); });
    m_thread.setObjectName(QStringLiteral("ports"));
}

void PortWatcher::start() {
    if (!m_thread.isRunning())
        m_thread.start(QThread::LowPriority);
}

PortWatcher::~PortWatcher() {
    m_thread.quit();
    m_thread.wait();
}
