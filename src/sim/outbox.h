#pragma once
// Replies on their way to the line: each is delivered after its delay, never
// before one queued earlier (a later reply with a shorter delay waits).
#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

namespace Sim {

class Outbox : public QObject {
    Q_OBJECT
public:
    explicit Outbox(QObject *parent = nullptr);

    void post(const QByteArray &bytes, int delayMs);
    // Drops everything not yet delivered.
    void clear();
    bool isEmpty() const { return m_queue.isEmpty(); }

signals:
    void delivered(const QByteArray &bytes);

private:
    struct Entry {
        qint64 due;
        QByteArray bytes;
    };
    void deliverDue();
    void rearm();

    QElapsedTimer m_clock;
    QTimer m_timer;
    QList<Entry> m_queue;
};

} // namespace Sim
