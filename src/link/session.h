#pragma once
// The session: everything that talks to the line, without a widget. It owns
// the serial link, the frame assembler, the transmit pipeline with the register
// rewrite, both traffic views' text and the list runner, and runs on a thread
// of its own, so reads, their timestamps and the runner's timing never wait
// for the window.
//
// The window calls the slots through queued invocations (open() and close()
// blocking, since the window shows their outcome at once) and gets everything
// back by queued signals. The few accessors marked thread-safe may be called
// from any thread.
//
// Records: every frame written, every frame assembled and every link event
// becomes one Records::Record, emitted by recorded() on the session's thread in
// the order they happen. Readers on the session's thread (the traffic log, the
// command-line tool) connect directly; readers elsewhere (the window) through
// a RecordQueue.
//
// Receiving: the link's dataArrived() is followed at once; every byte read is
// fed to the assembler with the host time of its read. Each frame is decoded
// and recorded.
//
// Views: the traffic views' text is kept here, from the records' lines, and
// the window redraws. sentChanged() and receivedChanged() are emitted once
// until the window takes the next snapshot, so a fast stream costs the window
// one redraw per snapshot it chooses to take.
#include "automation/runner.h"
#include "codec/frameassembler.h"
#include "commands/registerform.h"
#include "link/portsettings.h"
#include "link/receive.h"
#include "link/reconnect.h"
#include "link/record.h"
#include "link/recordlog.h"
#include "link/transmit.h"
#include "link/watch.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <atomic>
#include <optional>

class SerialLink;

class Session : public QObject {
    Q_OBJECT
public:
    // Takes ownership of `link` (it becomes a child and follows the session to
    // its thread).
    explicit Session(SerialLink *link, QObject *parent = nullptr);
    ~Session() override;

    // Thread-safe.
    bool isOpen() const { return m_open.load(); }
    // The line was lost and the session waits for the same device to come
    // back (isOpen() is false meanwhile).
    bool waiting() const { return m_waiting.load(); }
    bool autoReconnect() const { return m_autoReconnect.load(); }
    bool running() const { return m_running.load(); }
    // Whether the watch is polling.
    bool watching() const { return m_watching.load(); }
    qint64 receivedTotal() const { return m_receivedTotal.load(); }
    // Snapshots of the views; taking one re-arms the matching change signal.
    TrafficSide sent() const;
    TrafficSide received() const;
    // Microseconds on the clock the records' times use (monotonic).
    qint64 nowUs() const { return m_clock.nsecsElapsed() / 1000; }
    // Microseconds since the Unix epoch (wall clock) at which nowUs() was 0.
    qint64 epochUs() const { return m_epochUs; }
    // The device of the line open now, or last open.
    QString device() const;
    // The traffic log's file, empty when not logging.
    QString logFile() const { return m_log.file(); }

    // Session thread only.
    SerialLink *link() const { return m_link; }
    // Opens the line as open() does; after a loss the same device is looked
    // for with `locate` every `lookMs` (open() looks for the path itself).
    bool open(const QString &device, const PortSettings::Line &line, QString *error,
              Reconnector::Locator locate, int lookMs);

public slots:
    // Opens the line; false with *error set when it cannot be opened. The RTU
    // silence is 100 ms or 3.5 characters at the line's rate, whichever is longer.
    bool open(const QString &device, const PortSettings::Line &line, QString *error);
    // Closes the line, or ends the wait for a lost one.
    void close();
    // On (the default): a lost line is waited for and reopened with the same
    // settings; the runner stays stopped. Off: a loss closes the line. Turning
    // it off during a wait ends the wait as a close.
    void setAutoReconnect(bool on);

    // The one way a frame reaches the line: shown, counted, written. Does nothing
    // while the line is closed.
    void SendComm(const QByteArray &frame);
    // The register option as the window shows it; applies to every later send,
    // the runner's included.
    void setRegisterForm(bool on, RegisterForm::Function function, const QString &offset);

    void clearSent();
    void clearReceived();

    // The command list as the window shows it.
    void setList(const QStringList &lines);
    // Starts the runner at line 0 with the base interval (0..65535 ms, already
    // checked; 0 does not tick). The interval text goes to every tick.
    void startRun(int interval, const QString &baseText);
    void stopRun();

    // Starts the traffic log (see RecordLog) in `path`; false with *error set
    // when the file cannot be written. A log already running is stopped first.
    bool startLog(const QString &path, QString *error);
    void stopLog();
    // The watch: every interval (10..65535 ms) each frame is sent once, in
    // turn, spread evenly over the interval so that each reply is in before
    // the next request goes out on a half-duplex bus. The frames are sent
    // with the register option's read form. Stops on a close, a loss or a
    // refused send; nothing restarts it. Starting on a closed line, or with
    // no frames, stops at once.
    void startWatch(const QList<QByteArray> &frames, int intervalMs);
    void stopWatch();

signals:
    // One record of the stream (session thread; see above).
    void recorded(const Records::Record &record);
    void sentChanged();
    void receivedChanged();
    // A send was refused by the register rewrite; nothing was shown or sent.
    void refused(const QString &text);
    // The open line was lost; the session has closed it (reconnecting is off).
    void lost(const QString &reason);
    // The open line was lost; the session waits for `device` to come back.
    void reconnecting(const QString &device, const QString &reason);
    // The lost line is open again, now at `device`.
    void reconnected(const QString &device);
    // The runner processed this line (-1: the run stopped).
    void runLine(int row);
    // The traffic log stopped on a write failure (the message names the file
    // and the cause); the line is not affected.
    void logFailed(const QString &message);
    // The watch stopped (on request, on a close, a loss or a refusal).
    void watchStopped();

private:
    // The line is closed: nothing held of it counts any more.
    void forgetLine();
    void lineLost(const QString &reason);
    // Gives up the bytes held of a frame the loss broke, as the silence would.
    void giveUpHeld();
    bool reopen(const QString &device);
    void applyLine(const PortSettings::Line &line);
    // Numbers, stamps with the port and emits a record; frames are shown on
    // their view first.
    void publish(Records::Record r);
    void recordEvent(Records::Kind kind, const QString &detail = QString());
    void readWaiting();
    void deliver(const QList<Frames::Frame> &frames);
    void armSilence();
    void expireSilence();
    void runTick();
    void watchTick();
    // Shows, counts and writes one frame through the given rewrite; false
    // when the rewrite refused it.
    bool send(const QByteArray &frame, const Transmit::Rewriter *rewriter);
    void notifySent();
    void notifyReceived();

    SerialLink *m_link;
    Frames::Assembler m_assembler;
    QElapsedTimer m_clock;
    Reconnector m_reconnect;
    Reconnector::Locator m_locate;
    int m_lookMs = 100;
    PortSettings::Line m_line;
    QTimer m_silence;
    QTimer m_runTimer;
    bool m_readPending = false;

    mutable QMutex m_viewLock; // guards the two views and the device
    TrafficSide m_sent;
    TrafficSide m_received;
    QString m_device;
    mutable std::atomic<bool> m_sentNotified{false};
    mutable std::atomic<bool> m_receivedNotified{false};
    qint64 m_epochUs = 0;
    quint64 m_seq = 0;
    // The views' timestamps: when the line was opened and the previous frame.
    qint64 m_openedUs = 0;
    qint64 m_previousFrameUs = 0;
    RecordLog m_log;

    std::atomic<bool> m_open{false};
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_waiting{false};
    std::atomic<bool> m_autoReconnect{true};
    std::atomic<qint64> m_receivedTotal{0};

    std::optional<Transmit::Rewriter> m_registers;
    // The same register option in its read form, for the watch's queries.
    std::optional<Transmit::Rewriter> m_readRegisters;

    QTimer m_watchTimer;
    Watch::Schedule m_watchSchedule;
    QList<QByteArray> m_watchFrames;
    std::atomic<bool> m_watching{false};

    QStringList m_lines;
    QString m_baseText;
    // When the runner's next tick is due, in nanoseconds on m_clock: each wait
    // is counted from the previous tick's due time, so late ticks do not add up.
    qint64 m_dueNs = 0;
    // Position of the line the runner's next tick processes.
    int RunLineIndex = 0;
};
