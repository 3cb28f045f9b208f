#include "sim/lineserver.h"

#include "sim/outbox.h"

#include <QSocketNotifier>

#include <optional>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace Sim {

namespace {

// Output that no client takes is dropped beyond this.
constexpr qsizetype kMaxBacklog = 64 * 1024;

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool makeRaw(int fd, speed_t speed, bool setSpeed) {
    termios t{};
    if (::tcgetattr(fd, &t) != 0)
        return false;
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~(CSTOPB | PARENB | CRTSCTS);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    if (setSpeed && (::cfsetispeed(&t, speed) != 0 || ::cfsetospeed(&t, speed) != 0))
        return false;
    return ::tcsetattr(fd, TCSANOW, &t) == 0;
}

std::optional<speed_t> speedOf(qint32 baud) {
    switch (baud) {
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    default:
        return std::nullopt;
    }
}

void logLine(const char *what, const QByteArray &bytes) {
    std::fprintf(stderr, "%s %s\n", what, bytes.toHex(' ').toUpper().constData());
    std::fflush(stderr);
}

} // namespace

LineServer::LineServer(Controller *model, QObject *parent)
    : QObject(parent), m_model(model), m_outbox(new Outbox(this)) {
    m_clock.setInterval(10);
    m_clock.setTimerType(Qt::PreciseTimer);
    connect(&m_clock, &QTimer::timeout, this, &LineServer::tick);
    connect(m_outbox, &Outbox::delivered, this, &LineServer::send);
}

LineServer::~LineServer() {
    delete m_readNotifier;
    delete m_writeNotifier;
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_keeper >= 0)
        ::close(m_keeper);
}

bool LineServer::openPty(QString *slavePath, QString *error) {
    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        if (error)
            *error = systemError();
        return false;
    }
    if (!makeRaw(slave, B9600, false)) {
        if (error)
            *error = systemError();
        ::close(master);
        ::close(slave);
        return false;
    }
    m_keeper = slave;
    if (slavePath)
        *slavePath = QString::fromLocal8Bit(name);
    return start(master, error);
}

bool LineServer::openDevice(const QString &path, qint32 baud, QString *error) {
    const auto speed = speedOf(baud);
    if (!speed) {
        if (error)
            *error = QStringLiteral("unsupported baud rate %1").arg(baud);
        return false;
    }
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        if (error)
            *error = systemError();
        return false;
    }
    if (!makeRaw(fd, *speed, true)) {
        if (error)
            *error = systemError();
        ::close(fd);
        return false;
    }
    return start(fd, error);
}

bool LineServer::start(int fd, QString *error) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) {
        if (error)
            *error = systemError();
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_readNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &LineServer::onReadable);
    m_writeNotifier = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &LineServer::onWritable);
    m_elapsed.start();
    m_advanced = 0;
    m_clock.start();
    return true;
}

void LineServer::addController(Controller *model, const FaultInjector &faults) {
    m_others.append({model, faults});
}

void LineServer::tick() {
    const qint64 now = m_elapsed.elapsed();
    m_model->advance(now - m_advanced);
    for (Member &m : m_others)
        m.model->advance(now - m_advanced);
    m_advanced = now;
}

void LineServer::onReadable() {
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(m_fd, buf, sizeof buf);
        if (n > 0) {
            const QByteArray bytes(buf, n);
            if (m_verbose)
                logLine("<-", bytes);
            if (m_echo)
                send(bytes);
            tick();
            for (const QByteArray &reply : m_model->receive(bytes))
                for (const FaultInjector::Piece &piece : m_faults.apply(reply))
                    m_outbox->post(piece.bytes, m_replyDelayMs + piece.delayMs);
            for (Member &m : m_others)
                for (const QByteArray &reply : m.model->receive(bytes))
                    for (const FaultInjector::Piece &piece : m.faults.apply(reply))
                        m_outbox->post(piece.bytes, m_replyDelayMs + piece.delayMs);
            continue;
        }
        if (n < 0 && (errno == EINTR))
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        // End of file or an error: the terminal is gone.
        fail(n == 0 ? QStringLiteral("the line was closed") : systemError());
        return;
    }
}

void LineServer::send(const QByteArray &bytes) {
    if (m_fd < 0)
        return;
    if (m_verbose)
        logLine("->", bytes);
    m_out += bytes;
    if (m_out.size() > kMaxBacklog)
        m_out.remove(0, m_out.size() - kMaxBacklog);
    flush();
}

void LineServer::onWritable() {
    flush();
}

void LineServer::flush() {
    while (!m_out.isEmpty()) {
        const ssize_t n = ::write(m_fd, m_out.constData(), size_t(m_out.size()));
        if (n > 0) {
            m_out.remove(0, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        fail(systemError());
        return;
    }
    m_writeNotifier->setEnabled(!m_out.isEmpty());
}

void LineServer::fail(const QString &reason) {
    m_clock.stop();
    m_outbox->clear();
    if (m_readNotifier)
        m_readNotifier->setEnabled(false);
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(false);
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    emit failed(reason);
}

} // namespace Sim
