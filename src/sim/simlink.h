#pragma once
// A serial link with a simulated controller at its far end, in the same
// process: open() succeeds for any device name, write() hands the bytes to the
// controller, and its replies become readable after the reply delay. While the
// link is open it runs the controller's clock on a 10 ms timer (real elapsed
// time), so motion goes on in real time; closing drops replies still on their
// way and stops the clock.
#include "link/seriallink.h"
#include "sim/controller.h"
#include "sim/faults.h"

#include <QElapsedTimer>
#include <QTimer>

#include <memory>

namespace Sim {
class Outbox;
}

class SimLink : public SerialLink {
    Q_OBJECT
public:
    static constexpr int kDefaultReplyDelayMs = 10;
    static constexpr int kClockTickMs = 10;

    // With no model given the link makes and owns one with factory settings.
    explicit SimLink(SimController *model = nullptr, QObject *parent = nullptr);
    ~SimLink() override;

    SimController *controller() const { return m_model; }
    void setReplyDelay(int ms) { m_replyDelayMs = ms < 0 ? 0 : ms; }
    int replyDelay() const { return m_replyDelayMs; }
    void setFaults(const Sim::FaultInjector &faults) { m_faults = faults; }

    bool open(const QString &device, const PortSettings::Line &line, QString *error) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    qint64 bytesWaiting() const override { return m_rx.size(); }
    QByteArray read(qint64 max) override;
    void write(const QByteArray &bytes) override;

private:
    void tick();

    std::unique_ptr<SimController> m_owned;
    SimController *m_model;
    Sim::Outbox *m_outbox;
    Sim::FaultInjector m_faults;
    QTimer m_clock;
    QElapsedTimer m_elapsed;
    qint64 m_advanced = 0;
    QByteArray m_rx;
    int m_replyDelayMs = kDefaultReplyDelayMs;
    bool m_open = false;
};
