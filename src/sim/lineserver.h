#pragma once
// Serves a simulated controller on a terminal: a new pseudo-terminal (whose
// slave path a client opens like a serial port) or an existing serial device.
// Bytes read from the terminal go to the controller, its replies go back after
// the reply delay (through the fault injector), and the controller's clock runs
// on a 10 ms timer. For a pseudo-terminal the server keeps a slave descriptor
// open itself, so a client closing its end never hangs up the master.
#include "sim/controller.h"
#include "sim/faults.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QSocketNotifier;

namespace Sim {

class Outbox;

class LineServer : public QObject {
    Q_OBJECT
public:
    LineServer(Controller *model, QObject *parent = nullptr);
    ~LineServer() override;

    void setReplyDelay(int ms) { m_replyDelayMs = ms < 0 ? 0 : ms; }
    void setFaults(const FaultInjector &faults) { m_faults = faults; }
    // Each request and reply as a hex line on standard error.
    void setVerbose(bool on) { m_verbose = on; }
    // A bus: another controller on the same line, hearing every request, its
    // replies through its own fault injector. Not owned.
    void addController(Controller *model, const FaultInjector &faults = FaultInjector());
    // The line echoes: every byte a client writes is read back by it at once,
    // before any reply (two-wire RS-485 without echo suppression).
    void setEcho(bool on) { m_echo = on; }

    // Opens a new pseudo-terminal in raw mode; *slavePath is where clients
    // open it.
    bool openPty(QString *slavePath, QString *error);
    // Opens a serial device in raw mode, 8 data bits, no parity, 1 stop bit,
    // at `baud` (a rate the system knows).
    bool openDevice(const QString &path, qint32 baud, QString *error);

signals:
    // The terminal failed (a device unplugged); the server has stopped.
    void failed(const QString &reason);

private:
    bool start(int fd, QString *error);
    void onReadable();
    void onWritable();
    void send(const QByteArray &bytes);
    void flush();
    void tick();
    void fail(const QString &reason);

    struct Member {
        Controller *model;
        FaultInjector faults;
    };

    Controller *m_model;
    Outbox *m_outbox;
    FaultInjector m_faults;
    QList<Member> m_others;
    bool m_echo = false;
    int m_fd = -1;
    int m_keeper = -1;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
    QByteArray m_out;
    QTimer m_clock;
    QElapsedTimer m_elapsed;
    qint64 m_advanced = 0;
    int m_replyDelayMs = 10;
    bool m_verbose = false;
};

} // namespace Sim
