#include "sim/simlink.h"

#include "sim/outbox.h"

SimLink::SimLink(SimController *model, QObject *parent)
    : SerialLink(parent), m_owned(model ? nullptr : new SimController),
      m_model(model ? model : m_owned.get()), m_outbox(new Sim::Outbox(this)), m_clock(this) {
    m_clock.setInterval(kClockTickMs);
    m_clock.setTimerType(Qt::PreciseTimer);
    connect(&m_clock, &QTimer::timeout, this, &SimLink::tick);
    connect(m_outbox, &Sim::Outbox::delivered, this, [this](const QByteArray &bytes) {
        if (!m_open)
            return;
        m_rx += bytes;
        emit dataArrived();
    });
}

SimLink::~SimLink() = default;

bool SimLink::open(const QString &, const PortSettings::Line &, QString *) {
    close();
    m_rx.clear();
    m_open = true;
    m_elapsed.start();
    m_advanced = 0;
    m_clock.start();
    return true;
}

void SimLink::close() {
    if (!m_open)
        return;
    tick();
    m_open = false;
    m_clock.stop();
    m_outbox->clear();
    m_rx.clear();
}

QByteArray SimLink::read(qint64 max) {
    const QByteArray out = m_rx.left(max);
    m_rx.remove(0, out.size());
    return out;
}

void SimLink::write(const QByteArray &bytes) {
    if (!m_open)
        return;
    tick(); // the controller's clock is up to date when the bytes arrive
    for (const QByteArray &reply : m_model->receive(bytes))
        for (const Sim::FaultInjector::Piece &piece : m_faults.apply(reply))
            m_outbox->post(piece.bytes, m_replyDelayMs + piece.delayMs);
}

void SimLink::tick() {
    const qint64 now = m_elapsed.elapsed();
    m_model->advance(now - m_advanced);
    m_advanced = now;
}
