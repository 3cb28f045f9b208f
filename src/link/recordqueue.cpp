#include "link/recordqueue.h"

#include <QMutexLocker>

void RecordQueue::push(const Records::Record &r) {
    {
        QMutexLocker lock(&m_lock);
        m_records.append(r);
    }
    if (!m_notified.exchange(true))
        emit ready();
}

QList<Records::Record> RecordQueue::take(bool rearm) {
    if (rearm)
        m_notified = false;
    QMutexLocker lock(&m_lock);
    QList<Records::Record> out;
    out.swap(m_records);
    return out;
}
