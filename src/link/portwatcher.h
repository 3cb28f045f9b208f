#pragma once
// Follows the system's serial ports while the window is open: lists them on a
// thread of its own every so often (listing opens no port) and reports the
// list when it differs from the last one.
#include "link/portmap.h"

#include <QObject>
#include <QThread>

class PortWatcher : public QObject {
    Q_OBJECT
public:
    static constexpr int DefaultIntervalMs = 1000;

    explicit PortWatcher(PortMap::Lister lister, int intervalMs = DefaultIntervalMs,
                         QObject *parent = nullptr);
    ~PortWatcher() override;
    // Starts listing; the first list is reported as a change.
    void start();

signals:
    // The listed ports changed (emitted on the watcher's thread: connect queued
    // or use the default automatic connection).
    void changed(const QList<ListedPort> &ports);

private:
    QThread m_thread;
};
