#pragma once
// Hands the session's records to a reader on another thread (the window) in
// batches: push() on the session's thread, take() on the reader's. ready() is
// emitted once until the reader takes the batch, so a fast stream costs the
// reader one queued event per batch it chooses to take, not one per record.
#include "link/record.h"

#include <QList>
#include <QMutex>
#include <QObject>

#include <atomic>

class RecordQueue : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Any thread (the session's, through a direct connection to recorded()).
    void push(const Records::Record &r);
    // The records pushed since the last call, oldest first. ready() is
    // emitted again for the next record pushed, unless `rearm` is false: a
    // reader that takes again on a clock of its own while records flow
    // then gets no event per batch, and re-arms once it finds none.
    QList<Records::Record> take(bool rearm = true);

signals:
    void ready();

private:
    QMutex m_lock;
    QList<Records::Record> m_records;
    std::atomic<bool> m_notified{false};
};
