#include "link/session.h"

#include "link/seriallink.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QMutexLocker>

#include <algorithm>

namespace {
// The largest number of bytes one read takes from the link.
constexpr qint64 ReadChunk = 4096;
// The longest time one pass over a backlog runs before other events get in
// (a send, a runner tick).
constexpr qint64 ReadSliceMs = 5;
} // namespace

Session::Session(SerialLink *link, QObject *parent)
    : QObject(parent), m_link(link), m_reconnect(this), m_silence(this), m_runTimer(this),
      m_log(this), m_watchTimer(this) {
    m_clock.start();
    m_epochUs = QDateTime::currentMSecsSinceEpoch() * 1000;
    m_link->setParent(this);
    connect(m_link, &SerialLink::dataArrived, this, &Session::readWaiting);
    connect(m_link, &SerialLink::lost, this, &Session::lineLost);
    m_silence.setSingleShot(true);
    m_silence.setTimerType(Qt::PreciseTimer);
    connect(&m_silence, &QTimer::timeout, this, &Session::expireSilence);
    m_runTimer.setTimerType(Qt::PreciseTimer);
    m_runTimer.setInterval(Runner::DefaultInterval);
    connect(&m_runTimer, &QTimer::timeout, this, &Session::runTick);
    connect(&m_log, &RecordLog::failed, this, &Session::logFailed);
    m_watchTimer.setSingleShot(true);
    m_watchTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_watchTimer, &QTimer::timeout, this, &Session::watchTick);
}

Session::~Session() = default;

TrafficSide Session::sent() const {
    m_sentNotified = false;
    QMutexLocker lock(&m_viewLock);
    return m_sent;
}

TrafficSide Session::received() const {
    m_receivedNotified = false;
    QMutexLocker lock(&m_viewLock);
    return m_received;
}

QString Session::device() const {
    QMutexLocker lock(&m_viewLock);
    return m_device;
}

void Session::publish(Records::Record r) {
    r.seq = ++m_seq;
    Stamp stamp;
    if (r.isFrame()) {
        stamp = {true, m_epochUs + r.timeUs, r.timeUs - m_openedUs, r.timeUs - m_previousFrameUs};
        m_previousFrameUs = r.timeUs;
    }
    {
        QMutexLocker lock(&m_viewLock);
        r.port = m_device;
        if (r.direction == Records::Direction::Sent)
            m_sent.add(r.lines, r.bytes.size(), stamp);
        else if (r.direction == Records::Direction::Received)
            m_received.add(r.lines, r.bytes.size(), stamp);
    }
    if (m_log.isOpen())
        m_log.write(r);
    if (r.direction == Records::Direction::Sent)
        notifySent();
    else if (r.direction == Records::Direction::Received)
        notifyReceived();
    emit recorded(r);
}

void Session::recordEvent(Records::Kind kind, const QString &detail) {
    Records::Record r;
    r.direction = Records::Direction::Event;
    r.kind = kind;
    r.timeUs = nowUs();
    r.detail = detail;
    publish(std::move(r));
}

bool Session::open(const QString &device, const PortSettings::Line &line, QString *error) {
    return open(device, line, error, Reconnector::pathLocator(device), 50);
}

bool Session::open(const QString &device, const PortSettings::Line &line, QString *error,
                   Reconnector::Locator locate, int lookMs) {
    close();
    if (!m_link->open(device, line, error))
        return false;
    m_line = line;
    m_locate = std::move(locate);
    m_lookMs = lookMs;
    applyLine(line);
    {
        QMutexLocker lock(&m_viewLock);
        m_device = device;
    }
    m_openedUs = m_previousFrameUs = nowUs();
    recordEvent(Records::Kind::Opened, device);
    if (m_link->bytesWaiting() > 0)
        readWaiting();
    return true;
}

void Session::applyLine(const PortSettings::Line &line) {
    // A character is 10 bits at 8N1; the RTU gap rule is 3.5 of them.
    const qint64 gapUs = 35LL * 1'000'000 / std::max<qint64>(1, line.baud);
    m_assembler.setRtuSilenceUs(std::max(Frames::Assembler::DefaultRtuSilenceUs, gapUs));
    m_open = true;
}

void Session::close() {
    stopWatch();
    const bool wasOpen = m_link->isOpen();
    const bool wasWaiting = m_waiting.exchange(false);
    m_reconnect.stop();
    m_link->close();
    forgetLine();
    if (wasOpen || wasWaiting)
        recordEvent(Records::Kind::Closed, device());
}

void Session::setAutoReconnect(bool on) {
    m_autoReconnect = on;
    if (!on && m_waiting.exchange(false)) {
        m_reconnect.stop();
        recordEvent(Records::Kind::Closed, device());
    }
}

void Session::lineLost(const QString &reason) {
    const bool wasRunning = m_running;
    giveUpHeld();
    forgetLine();
    recordEvent(Records::Kind::Lost, reason);
    // Moving a motor again unattended is unsafe: the run stays stopped, also
    // once the line is back.
    if (wasRunning)
        stopRun();
    stopWatch();
    if (!m_autoReconnect || !m_locate) {
        emit lost(reason);
        return;
    }
    m_waiting = true;
    m_reconnect.start(
        m_locate, [this](const QString &device) { return reopen(device); }, m_lookMs);
    emit reconnecting(device(), reason);
}

void Session::giveUpHeld() {
    // As if the line had stayed silent: every held byte is given up, a frame's
    // beginning as incomplete. Bounded, in case a deadline did not move.
    for (int round = 0; round < 64; ++round) {
        const auto deadline = m_assembler.deadlineUs();
        if (!deadline)
            break;
        deliver(m_assembler.expire(std::max(*deadline, nowUs())));
    }
}

bool Session::reopen(const QString &device) {
    QString error;
    if (!m_link->open(device, m_line, &error))
        return false;
    m_assembler.reset();
    applyLine(m_line);
    m_waiting = false;
    {
        QMutexLocker lock(&m_viewLock);
        m_device = device;
    }
    recordEvent(Records::Kind::Reconnected, device);
    emit reconnected(device);
    if (m_link->bytesWaiting() > 0)
        readWaiting();
    return true;
}

void Session::forgetLine() {
    m_open = false;
    m_assembler.reset();
    m_silence.stop();
}

void Session::SendComm(const QByteArray &frame) {
    send(frame, m_registers ? &*m_registers : nullptr);
}

bool Session::send(const QByteArray &frame, const Transmit::Rewriter *rewriter) {
    if (!m_link->isOpen())
        return true;
    Transmit::Outcome out = Transmit::prepare(frame, rewriter);
    if (!out.wire) {
        recordEvent(Records::Kind::Refused, out.refusal);
        emit refused(out.refusal);
        return false;
    }
    m_assembler.expectEcho(*out.wire);
    m_link->write(*out.wire);
    Records::Record r;
    r.direction = Records::Direction::Sent;
    r.kind = Records::Kind::Request;
    r.timeUs = nowUs();
    r.bytes = *out.wire;
    r.lines = std::move(out.lines);
    r.caption = std::move(out.caption);
    publish(std::move(r));
    // A copy of the previous request held as its possible echo is its reply now.
    armSilence();
    return true;
}

void Session::setRegisterForm(bool on, RegisterForm::Function function, const QString &offset) {
    if (!on) {
        m_registers.reset();
        m_readRegisters.reset();
        return;
    }
    auto rewriter = [&offset](RegisterForm::Function f) {
        return Transmit::Rewriter{QCoreApplication::translate("Session", "西门子标准格式:"),
                                  [f, offset](const QByteArray &frame, QString *refusal) {
                                      RegisterForm::Converted c =
                                          RegisterForm::convert(frame, f, offset);
                                      if (!c.frame)
                                          *refusal = c.refusal;
                                      return c.frame;
                                  }};
    };
    m_registers = rewriter(function);
    m_readRegisters = rewriter(RegisterForm::Function::Read);
}

void Session::clearSent() {
    {
        QMutexLocker lock(&m_viewLock);
        m_sent.clear();
    }
    notifySent();
}

void Session::clearReceived() {
    {
        QMutexLocker lock(&m_viewLock);
        m_received.clear();
    }
    notifyReceived();
}

void Session::readWaiting() {
    m_readPending = false;
    if (!m_link->isOpen())
        return;
    // Everything waiting; a long backlog in slices, so a send or a runner tick
    // never waits long behind it.
    QElapsedTimer slice;
    slice.start();
    while (m_link->bytesWaiting() > 0) {
        if (slice.elapsed() >= ReadSliceMs) {
            if (!m_readPending) {
                m_readPending = true;
                QTimer::singleShot(0, this, &Session::readWaiting);
            }
            break;
        }
        const QByteArray chunk = m_link->read(ReadChunk);
        if (chunk.isEmpty())
            break;
        m_receivedTotal += chunk.size();
        deliver(m_assembler.feed(chunk, nowUs()));
        if (!m_link->isOpen())
            return;
    }
    armSilence();
}

void Session::deliver(const QList<Frames::Frame> &frames) {
    for (const Frames::Frame &f : frames) {
        Records::Record r;
        r.direction = Records::Direction::Received;
        r.kind = Records::kindOf(f.kind);
        r.timeUs = f.timeUs;
        r.bytes = f.bytes;
        Receive::Reply reply = Receive::CommRec(f);
        r.lines = Receive::lines(reply);
        r.caption = reply.caption;
        r.caption.chop(r.caption.endsWith(QStringLiteral("\n\r")) ? 2 : 0);
        r.reply = std::move(reply);
        publish(std::move(r));
    }
}

void Session::armSilence() {
    const auto deadline = m_assembler.deadlineUs();
    if (!deadline) {
        m_silence.stop();
        return;
    }
    const qint64 waitUs = std::max<qint64>(0, *deadline - nowUs());
    m_silence.start(int(std::min<qint64>((waitUs + 999) / 1000, 60'000)));
}

void Session::expireSilence() {
    deliver(m_assembler.expire(nowUs()));
    armSilence();
}

void Session::setList(const QStringList &lines) {
    m_lines = lines;
}

void Session::startRun(int interval, const QString &baseText) {
    m_baseText = baseText;
    RunLineIndex = 0;
    m_runTimer.stop();
    m_runTimer.setInterval(interval);
    m_dueNs = m_clock.nsecsElapsed() + qint64(interval) * 1'000'000;
    if (interval > 0)
        m_runTimer.start();
    m_running = m_runTimer.isActive();
    if (m_running)
        recordEvent(Records::Kind::RunStarted);
}

void Session::stopRun() {
    m_runTimer.stop();
    if (m_running.exchange(false))
        recordEvent(Records::Kind::RunStopped);
    emit runLine(-1);
}

void Session::runTick() {
    const int processed = RunLineIndex;
    const Runner::Tick t = Runner::tick(m_lines, RunLineIndex, m_baseText);
    if (t.send)
        SendComm(*t.send);
    emit runLine(processed);
    RunLineIndex = t.index;
    // An interval of 0 halts the run until it is started again.
    if (t.interval == 0) {
        m_runTimer.stop();
        m_running = false;
        recordEvent(Records::Kind::RunStopped);
        return;
    }
    // The wait runs from when this tick was due, not from the end of its work;
    // a tick later than a whole interval starts the count afresh.
    const qint64 now = m_clock.nsecsElapsed();
    m_dueNs =
        std::max(m_dueNs, now - qint64(t.interval) * 1'000'000) + qint64(t.interval) * 1'000'000;
    m_runTimer.setInterval(int(std::max<qint64>(1, (m_dueNs - now + 500'000) / 1'000'000)));
}

bool Session::startLog(const QString &path, QString *error) {
    return m_log.start(path, m_epochUs, nowUs(), error);
}

void Session::stopLog() {
    m_log.stop();
}

void Session::startWatch(const QList<QByteArray> &frames, int intervalMs) {
    m_watchTimer.stop();
    m_watchFrames = frames;
    if (!m_link->isOpen() || frames.isEmpty()) {
        m_watching = false;
        emit watchStopped(); // the window's button follows even when nothing ran
        return;
    }
    m_watchSchedule.start(int(frames.size()), intervalMs, m_clock.nsecsElapsed());
    m_watching = true;
    watchTick();
}

void Session::stopWatch() {
    m_watchTimer.stop();
    if (m_watching.exchange(false))
        emit watchStopped();
}

void Session::watchTick() {
    if (!m_watching)
        return;
    while (const auto index = m_watchSchedule.take(m_clock.nsecsElapsed())) {
        if (!send(m_watchFrames.at(*index), m_readRegisters ? &*m_readRegisters : nullptr)) {
            stopWatch(); // one message for a refusal, not one per interval
            return;
        }
        if (!m_watching) // the send lost the line
            return;
    }
    const qint64 waitNs = m_watchSchedule.nextDueNs() - m_clock.nsecsElapsed();
    // Rounded up: a tick never comes before its due time.
    m_watchTimer.start(int(std::max<qint64>(0, (waitNs + 999'999) / 1'000'000)));
}

void Session::notifySent() {
    if (!m_sentNotified.exchange(true))
        emit sentChanged();
}

void Session::notifyReceived() {
    if (!m_receivedNotified.exchange(true))
        emit receivedChanged();
}
